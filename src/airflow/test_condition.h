#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/date_text.h"

namespace orv {

// Test kinds of a flow test.
inline constexpr std::int32_t kKindByLiftAuto = 2;
inline constexpr std::int32_t kKindByDepression = 3;
inline constexpr std::int32_t kKindPortMap = 4;
inline constexpr std::int32_t kKindByLiftManual = 5;
inline constexpr std::int32_t kKindCarburetor = 6;
inline constexpr std::int32_t kKindByLiftKeyedCfm = 10;
// A test about to be read from a DOS test file, which then sets the kind.
inline constexpr std::int32_t kKindFromDosFile = -1;
// Filter value of the selection lists meaning any kind.
inline constexpr std::int32_t kKindAny = -200;

// Display name of a test kind ("By Lift (Auto)", ..., "[ANY]"; one blank for any other code).
std::string TestKindName(std::int32_t kind);

// The 16-bit "true" of the bench files and database flags.
inline constexpr std::int16_t kTrue16 = -1;

// One measuring plane of a port-map test: a grid of regions across the port, each with a
// manometer reading (inches of water) and the velocity it gives. A reading of -1 means none.
struct PlaneRec {
  std::int32_t PlaneKind = 0;  // 0 no plane; 1, 2, 3 grid layouts
  std::int16_t PlaneWallRow = 0;
  std::int16_t PlaneCenterCol = 0;
  std::int16_t PlaneWallRowCopy = 0;  // always written together with the two above
  std::int16_t PlaneCenterColCopy = 0;
  float PlaneDepression = 0;
  float PlaneTemperature = 0;
  float Spare = 0;  // set by no operation; copied with the record
  std::array<float, 64> PlaneInches;
  std::array<float, 64> PlaneVelocity;

  PlaneRec() {
    PlaneInches.fill(-1.0f);
    PlaneVelocity.fill(-1.0f);
  }
  bool operator==(const PlaneRec&) const = default;
};

inline constexpr int kPlaneCount = 10;
inline constexpr int kRegionCount = 64;
inline constexpr int kTestLiftCount = 40;
inline constexpr int kCustomDataCount = 26;

// The circumstances of one flow-bench test: its kind, name and date, the weather at the bench,
// the cylinder head and valves tested (intake and exhaust geometry are both kept; `IsIntake`
// picks the side the valve properties read and write), the port cross-sections, the test
// lifts, up to 10 port-map planes, carburetor data and 26 free custom texts. It also gives the
// ideal (standard) flow a perfect valve or port would pass, and the humidity of the bench air.
//
// Units: inches, square inches, degrees Fahrenheit, inches of mercury (barometer), inches of
// water (depression), cubic feet per minute. Index arguments outside their ranges read as 0
// (or an empty text) and write nothing, except the plane number of the plane geometry
// operations, which raises "Subscript out of range".
class TestCondition final {
 public:
  TestCondition() = default;

  // Flags and weather.
  bool AveragedTest = false;
  bool TotaledTest = false;
  bool UseLDRatio = false;
  std::int16_t SwirlTumble = 0;        // 0 none, 1 swirl measured, 2 tumble measured
  std::int16_t WeatherCorrection = 0;  // flag: 0 or -1
  std::int32_t StdFlowMethod = 0;      // ideal-flow formula 0..3
  std::int16_t PitotPerLift = 0;       // pitot readings per lift; -1 (true) counts as 1
  float ValveArea = 0;
  float SeatArea = 0;
  float FudgeFactor = 0;
  std::optional<CivilDate> TheDate;  // empty when the test carries no valid date
  std::string TheTime;
  float Leakage = 0;
  float Barometer = 0;  // inches of mercury
  float WetBulb = 0;    // degrees F
  float DryBulb = 0;    // degrees F
  float Humidity = 0;   // relative humidity, percent
  float HRatio = 0;     // mass of water per mass of dry air
  std::int16_t HumidityMethod = 0;

  // Cylinder head.
  std::string HeadDescription, HeadMfg, HeadModelNo, HeadSerialNo;
  bool IsIntake = false;
  std::uint8_t CylinderNo = 0;
  std::uint8_t HeadIntakePer = 0, HeadExhaustPer = 0;
  float HeadIntakeVDia = 0, HeadExhaustVDia = 0;
  float HeadIntakeStemDia = 0, HeadExhaustStemDia = 0;
  float HeadIntakeProfileDia = 0, HeadExhaustProfileDia = 0;
  float HeadIntakeSeatAngle = 0, HeadExhaustSeatAngle = 0;
  float HeadIntakeInnerDia = 0, HeadExhaustInnerDia = 0;
  float HeadIntakeXArea1 = 0, HeadIntakeXArea2 = 0, HeadIntakeXArea3 = 0, HeadIntakeXArea4 = 0;
  float HeadExhaustXArea1 = 0, HeadExhaustXArea2 = 0, HeadExhaustXArea3 = 0, HeadExhaustXArea4 = 0;
  float HeadIntakeProfileLength = 0, HeadExhaustProfileLength = 0;
  float HeadIntakeEdgeRadius = 0, HeadExhaustEdgeRadius = 0;
  std::uint8_t HeadIntakeEdge = 0, HeadExhaustEdge = 0;
  float HeadIntakeBackcutWidth = 0, HeadExhaustBackcutWidth = 0;
  float HeadIntakeBackcutAngle = 0, HeadExhaustBackcutAngle = 0;
  float HeadIntakeProfileTaper = 0, HeadExhaustProfileTaper = 0;
  float HeadIntakeMargin = 0, HeadExhaustMargin = 0;
  float HeadIntakeBackAngle = 0, HeadExhaustBackAngle = 0;
  float HeadIntakeBackRadius = 0, HeadExhaustBackRadius = 0;
  float HeadIntakeSeatWidth = 0, HeadExhaustSeatWidth = 0;

  // Carburetor.
  std::int16_t CarbVenturis = 0;
  float CarbRestrictor = 0;
  float CarbJetSize = 0;
  std::int16_t CarbJetMethod = 0;  // 0: CarbJetSize is a diameter; other: a jet number
  float CarbAirBleed = 0, CarbPrimaryVenturi = 0, CarbPrimaryBody = 0, CarbPrimaryBoosterID = 0,
        CarbPrimaryBoosterOD = 0, CarbSecondaryVenturi = 0, CarbSecondaryBody = 0,
        CarbSecondaryBoosterID = 0, CarbSecondaryBoosterOD = 0;

  std::int32_t Kind() const noexcept { return kind_; }
  void SetKind(std::int32_t kind) noexcept { kind_ = kind; }
  const std::string& Name() const noexcept { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  // Valve properties of the tested side (intake when `IsIntake`, else exhaust).
  std::int16_t NumValves() const noexcept;
  void SetNumValves(std::int16_t count) noexcept;  // stored as 8 bits
  float ValveDiameter() const noexcept { return Side(&T::HeadIntakeVDia, &T::HeadExhaustVDia); }
  void SetValveDiameter(float v) noexcept { Side(&T::HeadIntakeVDia, &T::HeadExhaustVDia) = v; }
  float StemDiameter() const noexcept {
    return Side(&T::HeadIntakeStemDia, &T::HeadExhaustStemDia);
  }
  void SetStemDiameter(float v) noexcept {
    Side(&T::HeadIntakeStemDia, &T::HeadExhaustStemDia) = v;
  }
  float SeatDiameter() const noexcept {
    return Side(&T::HeadIntakeInnerDia, &T::HeadExhaustInnerDia);
  }
  void SetSeatDiameter(float v) noexcept {
    Side(&T::HeadIntakeInnerDia, &T::HeadExhaustInnerDia) = v;
  }
  float SeatAngle() const noexcept {
    return Side(&T::HeadIntakeSeatAngle, &T::HeadExhaustSeatAngle);
  }
  void SetSeatAngle(float v) noexcept {
    Side(&T::HeadIntakeSeatAngle, &T::HeadExhaustSeatAngle) = v;
  }
  float ProfileDia() const noexcept {
    return Side(&T::HeadIntakeProfileDia, &T::HeadExhaustProfileDia);
  }
  void SetProfileDia(float v) noexcept {
    Side(&T::HeadIntakeProfileDia, &T::HeadExhaustProfileDia) = v;
  }
  float ProfileLength() const noexcept {
    return Side(&T::HeadIntakeProfileLength, &T::HeadExhaustProfileLength);
  }
  void SetProfileLength(float v) noexcept {
    Side(&T::HeadIntakeProfileLength, &T::HeadExhaustProfileLength) = v;
  }
  float ProfileTaper() const noexcept {
    return Side(&T::HeadIntakeProfileTaper, &T::HeadExhaustProfileTaper);
  }
  void SetProfileTaper(float v) noexcept {
    Side(&T::HeadIntakeProfileTaper, &T::HeadExhaustProfileTaper) = v;
  }
  float BackcutWidth() const noexcept {
    return Side(&T::HeadIntakeBackcutWidth, &T::HeadExhaustBackcutWidth);
  }
  void SetBackcutWidth(float v) noexcept {
    Side(&T::HeadIntakeBackcutWidth, &T::HeadExhaustBackcutWidth) = v;
  }
  float BackcutAngle() const noexcept {
    return Side(&T::HeadIntakeBackcutAngle, &T::HeadExhaustBackcutAngle);
  }
  void SetBackcutAngle(float v) noexcept {
    Side(&T::HeadIntakeBackcutAngle, &T::HeadExhaustBackcutAngle) = v;
  }
  float BackAngle() const noexcept {
    return Side(&T::HeadIntakeBackAngle, &T::HeadExhaustBackAngle);
  }
  void SetBackAngle(float v) noexcept {
    Side(&T::HeadIntakeBackAngle, &T::HeadExhaustBackAngle) = v;
  }
  float BackRadius() const noexcept {
    return Side(&T::HeadIntakeBackRadius, &T::HeadExhaustBackRadius);
  }
  void SetBackRadius(float v) noexcept {
    Side(&T::HeadIntakeBackRadius, &T::HeadExhaustBackRadius) = v;
  }
  float Margin() const noexcept { return Side(&T::HeadIntakeMargin, &T::HeadExhaustMargin); }
  void SetMargin(float v) noexcept { Side(&T::HeadIntakeMargin, &T::HeadExhaustMargin) = v; }
  std::uint8_t edge() const noexcept { return Side(&T::HeadIntakeEdge, &T::HeadExhaustEdge); }
  void SetEdge(std::uint8_t v) noexcept { Side(&T::HeadIntakeEdge, &T::HeadExhaustEdge) = v; }
  float EdgeRadius() const noexcept {
    return Side(&T::HeadIntakeEdgeRadius, &T::HeadExhaustEdgeRadius);
  }
  void SetEdgeRadius(float v) noexcept {
    Side(&T::HeadIntakeEdgeRadius, &T::HeadExhaustEdgeRadius) = v;
  }
  float SeatWidth() const noexcept {
    return Side(&T::HeadIntakeSeatWidth, &T::HeadExhaustSeatWidth);
  }
  void SetSeatWidth(float v) noexcept {
    Side(&T::HeadIntakeSeatWidth, &T::HeadExhaustSeatWidth) = v;
  }

  // Port cross-section areas: n = 1..4 the intake areas, n = -1..-4 the exhaust areas.
  float XArea(int n) const noexcept;
  void SetXArea(int n, float area) noexcept;
  float IntakeXArea(int n) const noexcept { return XArea(n); }
  float ExhaustXArea(int n) const noexcept { return XArea(-n); }

  // Test lifts 1..40 (depressions for tests by depression and carburetor tests).
  float Lift(int no) const noexcept;
  void SetLift(int no, float lift) noexcept;

  // Free custom texts 1..26.
  std::string CustomData(int n) const;
  void SetCustomData(int n, std::string text);

  // Cylinder number followed by "I" (intake test) or "E" (exhaust test): "3E".
  std::string IntExhCylinderNo() const;
  // Kind + 100 for an averaged test + 200 for a totaled test: the kind an SY3 directory stores.
  std::int32_t FullTestKind() const noexcept;

  // Port-map planes 1..10.
  std::int32_t PlaneKind(int plane) const noexcept;
  void SetPlaneKind(int plane, std::int32_t kind) noexcept;
  float PlaneTemperature(int plane) const noexcept;
  void SetPlaneTemperature(int plane, float t) noexcept;
  float PlaneDepression(int plane) const noexcept;
  void SetPlaneDepression(int plane, float h) noexcept;
  float PlaneInches(int plane, int region) const noexcept;
  void SetPlaneInches(int plane, int region, float h) noexcept;
  float PlaneVelocity(int plane, int region) const noexcept;
  void SetPlaneVelocity(int plane, int region, float v) noexcept;
  // Grid rows and columns; a plane outside 1..10 raises error 9.
  std::int16_t PlaneWallRow(int plane) const;
  void SetPlaneWallRow(int plane, std::int16_t rows);
  std::int16_t PlaneCenterCol(int plane) const;
  void SetPlaneCenterCol(int plane, std::int16_t cols);
  // Number of measured regions of a plane: 0 without a plane; kind 3 rows + columns; kind 1
  // with at least 3 rows and 3 columns the border cells of the grid; otherwise rows x columns.
  int PlaneRegionCnt(int plane) const noexcept;
  // The whole record of plane 1..10 (error 9 outside).
  const PlaneRec& Plane(int plane) const;

  // Humidity ratio from the bulbs and the barometer.
  void SetHRatio();
  // Relative humidity from the bulbs and the barometer (standard pressure when it is 0).
  void CalcHumidity();
  // Main jet diameter, inches: the size itself, or from the jet number.
  float CarbJetDia() const noexcept;

  // Ideal flow (CFM) of the tested valve(s) at depression h (inches of water) and lift L
  // (inches) by `StdFlowMethod`; 0 where the method does not apply.
  float ValveIdealFlow(float h, float L) const;
  // Ideal flow (CFM) of a port cross-section of area A (square inches).
  float AreaIdealFlow(float h, float A, float L) const;

  bool operator==(const TestCondition&) const = default;

 private:
  using T = TestCondition;
  template <class V>
  V Side(V T::*intake, V T::*exhaust) const noexcept {
    return IsIntake ? this->*intake : this->*exhaust;
  }
  template <class V>
  V& Side(V T::*intake, V T::*exhaust) noexcept {
    return IsIntake ? this->*intake : this->*exhaust;
  }
  float* XAreaSlot(int n) noexcept;
  PlaneRec& PlaneChecked(int plane);

  std::int32_t kind_ = 0;
  std::string name_;
  std::array<float, kTestLiftCount + 1> lift_{};  // entry 0 unused
  std::array<std::string, kCustomDataCount> customData_;
  std::array<PlaneRec, kPlaneCount> planes_;
};

// Flow coefficients of the ideal-flow methods 1 and 2 by lift / diameter ratio x: piecewise
// linear tables rising from 0 at x = 0 to 114.5 (from x = 0.3) and 140.1 (from x = 0.4).
double K1Coefficient(float x) noexcept;
double K2Coefficient(float x) noexcept;

}  // namespace orv
