#include "airflow/test_condition.h"

#include <cmath>

#include "airflow/psychrometrics.h"
#include "base/angles.h"
#include "base/error_trace.h"
#include "base/runtime_error.h"

namespace orv {

namespace {

constexpr const char* kTestConditionModule = "TestCondition";

bool InRange(int i, int lo, int hi) noexcept { return i >= lo && i <= hi; }

// One linear piece of a flow-coefficient table: the value runs from `lo` to `hi` as x runs
// from end - 0.05 to `end`.
struct KSegment {
  float end;
  double lo;
  double hi;
};

double PiecewiseK(float x, float top, double topValue, const KSegment* segs, int count) noexcept {
  if (x >= top) return topValue;
  for (int i = 0; i < count; ++i) {
    const KSegment& s = segs[i];
    if (x <= s.end) {
      const double end = s.end;
      return s.hi - (s.hi - s.lo) * (end - x) / (end - (end - 0.05));
    }
  }
  return topValue;
}

constexpr KSegment kK1[] = {{0.05f, 0, 35.0},     {0.10f, 35.0, 65.6},   {0.15f, 65.6, 91.0},
                            {0.20f, 91.0, 102.7}, {0.25f, 102.7, 110.0}, {0.30f, 110.0, 114.5}};
constexpr KSegment kK2[] = {{0.05f, 0, 35.0},      {0.10f, 35.0, 65.6},   {0.15f, 65.6, 91.0},
                            {0.20f, 91.0, 112.2},  {0.25f, 112.2, 126.2}, {0.30f, 126.2, 136.0},
                            {0.35f, 136.0, 140.6}, {0.40f, 140.6, 140.1}};

// Flow of the curtain area pi x D x L at the ideal velocity for depression h.
double CurtainFlow(double D, double L, double h) {
  return std::sqrt(423.943) * (196.8 / 144) * kPi * D * L * std::sqrt(h);
}

}  // namespace

std::string TestKindName(std::int32_t kind) {
  switch (kind) {
    case kKindByLiftAuto:
      return "By Lift (Auto)";
    case kKindByDepression:
      return "By Depression";
    case kKindPortMap:
      return "Port Map";
    case kKindByLiftManual:
      return "By Lift (Manual)";
    case kKindCarburetor:
      return "Carburetor";
    case kKindByLiftKeyedCfm:
      return "By Lift (Keyed In CFM)";
    case kKindAny:
      return "[ANY]";
    default:
      return " ";
  }
}

double K1Coefficient(float x) noexcept { return PiecewiseK(x, 0.3f, 114.5, kK1, 6); }
double K2Coefficient(float x) noexcept { return PiecewiseK(x, 0.4f, 140.1, kK2, 8); }

std::int16_t TestCondition::NumValves() const noexcept {
  return IsIntake ? HeadIntakePer : HeadExhaustPer;
}

void TestCondition::SetNumValves(std::int16_t count) noexcept {
  (IsIntake ? HeadIntakePer : HeadExhaustPer) = static_cast<std::uint8_t>(count);
}

float* TestCondition::XAreaSlot(int n) noexcept {
  switch (n) {
    case 1:
      return &HeadIntakeXArea1;
    case 2:
      return &HeadIntakeXArea2;
    case 3:
      return &HeadIntakeXArea3;
    case 4:
      return &HeadIntakeXArea4;
    case -1:
      return &HeadExhaustXArea1;
    case -2:
      return &HeadExhaustXArea2;
    case -3:
      return &HeadExhaustXArea3;
    case -4:
      return &HeadExhaustXArea4;
    default:
      return nullptr;
  }
}

float TestCondition::XArea(int n) const noexcept {
  const float* slot = const_cast<TestCondition*>(this)->XAreaSlot(n);
  return slot ? *slot : 0.0f;
}

void TestCondition::SetXArea(int n, float area) noexcept {
  if (float* slot = XAreaSlot(n)) *slot = area;
}

float TestCondition::Lift(int no) const noexcept {
  return InRange(no, 1, kTestLiftCount) ? lift_[static_cast<std::size_t>(no)] : 0.0f;
}

void TestCondition::SetLift(int no, float lift) noexcept {
  if (InRange(no, 1, kTestLiftCount)) lift_[static_cast<std::size_t>(no)] = lift;
}

std::string TestCondition::CustomData(int n) const {
  return InRange(n, 1, kCustomDataCount) ? customData_[static_cast<std::size_t>(n - 1)]
                                         : std::string();
}

void TestCondition::SetCustomData(int n, std::string text) {
  if (InRange(n, 1, kCustomDataCount))
    customData_[static_cast<std::size_t>(n - 1)] = std::move(text);
}

std::string TestCondition::IntExhCylinderNo() const {
  return std::to_string(CylinderNo) + (IsIntake ? "I" : "E");
}

std::int32_t TestCondition::FullTestKind() const noexcept {
  return kind_ + (AveragedTest ? 100 : 0) + (TotaledTest ? 200 : 0);
}

std::int32_t TestCondition::PlaneKind(int plane) const noexcept {
  return InRange(plane, 1, kPlaneCount) ? planes_[static_cast<std::size_t>(plane - 1)].PlaneKind
                                        : 0;
}

void TestCondition::SetPlaneKind(int plane, std::int32_t kind) noexcept {
  if (InRange(plane, 1, kPlaneCount)) planes_[static_cast<std::size_t>(plane - 1)].PlaneKind = kind;
}

float TestCondition::PlaneTemperature(int plane) const noexcept {
  return InRange(plane, 1, kPlaneCount)
             ? planes_[static_cast<std::size_t>(plane - 1)].PlaneTemperature
             : 0.0f;
}

void TestCondition::SetPlaneTemperature(int plane, float t) noexcept {
  if (InRange(plane, 1, kPlaneCount)) {
    planes_[static_cast<std::size_t>(plane - 1)].PlaneTemperature = t;
  }
}

float TestCondition::PlaneDepression(int plane) const noexcept {
  return InRange(plane, 1, kPlaneCount)
             ? planes_[static_cast<std::size_t>(plane - 1)].PlaneDepression
             : 0.0f;
}

void TestCondition::SetPlaneDepression(int plane, float h) noexcept {
  if (InRange(plane, 1, kPlaneCount)) {
    planes_[static_cast<std::size_t>(plane - 1)].PlaneDepression = h;
  }
}

float TestCondition::PlaneInches(int plane, int region) const noexcept {
  if (!InRange(plane, 1, kPlaneCount) || !InRange(region, 1, kRegionCount)) return 0;
  return planes_[static_cast<std::size_t>(plane - 1)]
      .PlaneInches[static_cast<std::size_t>(region - 1)];
}

void TestCondition::SetPlaneInches(int plane, int region, float h) noexcept {
  if (!InRange(plane, 1, kPlaneCount) || !InRange(region, 1, kRegionCount)) return;
  planes_[static_cast<std::size_t>(plane - 1)].PlaneInches[static_cast<std::size_t>(region - 1)] =
      h;
}

float TestCondition::PlaneVelocity(int plane, int region) const noexcept {
  if (!InRange(plane, 1, kPlaneCount) || !InRange(region, 1, kRegionCount)) return 0;
  return planes_[static_cast<std::size_t>(plane - 1)]
      .PlaneVelocity[static_cast<std::size_t>(region - 1)];
}

void TestCondition::SetPlaneVelocity(int plane, int region, float v) noexcept {
  if (!InRange(plane, 1, kPlaneCount) || !InRange(region, 1, kRegionCount)) return;
  planes_[static_cast<std::size_t>(plane - 1)].PlaneVelocity[static_cast<std::size_t>(region - 1)] =
      v;
}

PlaneRec& TestCondition::PlaneChecked(int plane) {
  if (!InRange(plane, 1, kPlaneCount)) Raise(kErrSubscript);
  return planes_[static_cast<std::size_t>(plane - 1)];
}

const PlaneRec& TestCondition::Plane(int plane) const {
  return const_cast<TestCondition*>(this)->PlaneChecked(plane);
}

std::int16_t TestCondition::PlaneWallRow(int plane) const { return Plane(plane).PlaneWallRow; }

void TestCondition::SetPlaneWallRow(int plane, std::int16_t rows) {
  PlaneRec& p = PlaneChecked(plane);
  p.PlaneWallRow = rows;
  p.PlaneWallRowCopy = rows;
}

std::int16_t TestCondition::PlaneCenterCol(int plane) const { return Plane(plane).PlaneCenterCol; }

void TestCondition::SetPlaneCenterCol(int plane, std::int16_t cols) {
  PlaneRec& p = PlaneChecked(plane);
  p.PlaneCenterCol = cols;
  p.PlaneCenterColCopy = cols;
}

int TestCondition::PlaneRegionCnt(int plane) const noexcept {
  if (!InRange(plane, 1, kPlaneCount)) return 0;
  const PlaneRec& p = planes_[static_cast<std::size_t>(plane - 1)];
  const int r = p.PlaneWallRow;
  const int c = p.PlaneCenterCol;
  int count;
  if (p.PlaneKind == 0) {
    count = 0;
  } else if (p.PlaneKind == 3) {
    count = r + c;
  } else if (p.PlaneKind == 1 && r >= 3 && c >= 3) {
    count = r * c - (r - 2) * (c - 2);  // the border cells of the grid
  } else {
    count = r * c;
  }
  return count > 0 ? count : 0;
}

void TestCondition::SetHRatio() {
  ETracker guard(kTestConditionModule, "SetHRatio");
  HRatio = static_cast<float>(HumidityRatioFromBulbs(
      FahrenheitToKelvin(DryBulb), FahrenheitToKelvin(WetBulb), Barometer * kPascalPerInHg));
}

void TestCondition::CalcHumidity() {
  ETracker guard(kTestConditionModule, "CalcHumidity");
  const double P = Barometer == 0 ? kStandardPressurePa : Barometer * kPascalPerInHg;
  const double Td = FahrenheitToKelvin(DryBulb);
  const double W = HumidityRatioFromBulbs(Td, FahrenheitToKelvin(WetBulb), P);
  const double pw = W + kWaterAirMassRatio == 0 ? 0 : P * W / (W + kWaterAirMassRatio);
  const double pws = SaturationPressure(Td);
  const double rh = pws > 0 ? 100 * pw / pws : 0;
  Humidity = std::isfinite(rh) ? static_cast<float>(rh) : 0.0f;
}

float TestCondition::CarbJetDia() const noexcept {
  if (CarbJetMethod != 0) {
    return static_cast<float>(0.0185 * std::pow(2.718281828, 0.0193 * CarbJetSize));
  }
  return CarbJetSize;
}

float TestCondition::ValveIdealFlow(float h, float L) const {
  ETracker guard(kTestConditionModule, "ValveIdealFlow");
  const double D = ValveDiameter();
  const double Ds = StemDiameter();
  double flow = 0;
  const bool curtainOk = D > 0 && h > 0 && L > 0 && D > Ds;
  switch (StdFlowMethod) {
    case 0:
      if (curtainOk) flow = CurtainFlow(D, L, h);
      break;
    case 1:
    case 2:
      if (curtainOk) {
        const double A = (D * D - Ds * Ds) * kPi / 4;
        const float x = static_cast<float>(L / D);
        const double k = StdFlowMethod == 1 ? K1Coefficient(x) : K2Coefficient(x);
        flow = k * A * std::sqrt(h / 48.0);
      }
      break;
    case 3:
      if (D > 0 && h > 0) flow = std::sqrt(h / 28.0) * 146 * (D * D * kPi / 4);
      break;
    default:
      break;
  }
  const int valves = NumValves() == 0 ? 1 : NumValves();
  return static_cast<float>(flow * valves);
}

float TestCondition::AreaIdealFlow(float h, float A, float L) const {
  ETracker guard(kTestConditionModule, "AreaIdealFlow");
  if (A == 0 || !(h > 0)) return 0;
  double flow = 0;
  if (StdFlowMethod >= 0 && StdFlowMethod <= 2) {
    // The circle of area A; a negative area has none.
    if (!(L > 0) || A < 0) return 0;
    const double D = 2 * std::sqrt(A / kPi);
    if (StdFlowMethod == 0) {
      flow = CurtainFlow(D, L, h);
    } else {
      const float x = static_cast<float>(L / D);
      const double k = StdFlowMethod == 1 ? K1Coefficient(x) : K2Coefficient(x);
      flow = k * A * std::sqrt(h / 48.0);
    }
  } else if (StdFlowMethod == 3) {
    flow = std::sqrt(h / 28.0) * 146 * A;
  }
  return static_cast<float>(flow);
}

}  // namespace orv
