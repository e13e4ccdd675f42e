#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/bounded_array.h"
#include "cam/lobe_data_file.h"
#include "cam/valve_train_geometry.h"

namespace orv {

// One measured cam lobe: the lift at every whole cam degree of one cam revolution (`RawLift`,
// index -180..180, the lobe centre at 0 and entry 180 the same angle as entry -180), the lobe's
// identity, the settings that place it in the engine, and the tables `DataCalc` derives from
// them: cam lift turned to the centerline (`CamLift`), valve lift and valve velocity. The
// derived tables change only in `DataCalc`; a caller that changes a setting runs it afterwards.
//
// Lift values are in the unit of the measured data (inches in everything this program reads);
// `CamCenterLine` is in crank degrees, two per cam degree. Tables and settings are 32-bit floats
// because the measured data are; the arithmetic on them is single precision too.
//
// The lobe also offers three general numeric services used elsewhere: angle wrapping (`IBnd`,
// `IBndS`), neighbour smoothing of a circular table (`Smooth`) and a least-squares polynomial
// fit (`LsqFit`).
class CamLobe final {
 public:
  // Curve codes of `CamDataValue` and `CamDataSValue`.
  static constexpr int kCurveCamLift = 1;
  static constexpr int kCurveValveLift = 5;
  static constexpr int kCurveValveVelocity = 6;
  // Length of the notes field of a lobe data file: twelve lines of 80 characters.
  static constexpr int kNotesLines = 12;
  static constexpr int kNotesLineLength = 80;

  // An empty lobe: all tables -180..180 and zero, all settings 0, notes blank.
  CamLobe();

  std::int16_t LobeNo() const noexcept { return lobeNo_; }
  void SetLobeNo(std::int16_t value) noexcept { lobeNo_ = value; }
  std::int16_t ShaftNo() const noexcept { return shaftNo_; }
  void SetShaftNo(std::int16_t value) noexcept { shaftNo_ = value; }
  float Lash() const noexcept { return lash_; }
  void SetLash(float value) noexcept { lash_ = value; }
  float RockerRatio() const noexcept { return rockerRatio_; }
  void SetRockerRatio(float value) noexcept { rockerRatio_ = value; }
  float CamCenterLine() const noexcept { return camCenterLine_; }
  void SetCamCenterLine(float value) noexcept { camCenterLine_ = value; }
  // A second name for `CamCenterLine`.
  float Centerline() const noexcept { return camCenterLine_; }
  void SetCenterline(float value) noexcept { camCenterLine_ = value; }
  // An integer kept with the lobe data; the lobe does not interpret it.
  std::int32_t CenterlineMethod() const noexcept { return centerlineMethod_; }
  void SetCenterlineMethod(std::int16_t method) noexcept { centerlineMethod_ = method; }
  // Passes of `Smooth` the engine applies to its valve-lift copy before taking the velocity.
  std::int16_t Smoothing() const noexcept { return smoothing_; }
  void SetSmoothing(std::int16_t value) noexcept { smoothing_ = value; }
  bool LinearOnValve() const noexcept { return linearOnValve_; }
  const std::string& PathFile() const noexcept { return pathFile_; }
  void SetPathFile(std::string path) { pathFile_ = std::move(path); }

  // The notes field as twelve lines, each without its trailing blanks and followed by CR LF.
  std::string Notes() const;

  // The lobe's short name: "I" or "E", the lobe number mod 100, and "a", "b" or "c" for the
  // numbers 101-199, 200-299 and 300-399 ("I5", "E12", "I5a", "E5c").
  std::string LobeIDString() const;

  // Rebuilds `CamLift`, `ValveLift` and `ValveVelocity` from `RawLift` and the settings,
  // through the valve-train geometry when `FollowerMode` asks for it. A centerline that turns
  // the table by more than a whole revolution leaves them as they were. An error (a rocker
  // whose lengths give no base position, a floating-point fault) is raised and leaves every
  // table and the turn as they were before the call.
  void DataCalc();

  // --- Lobe data files ----------------------------------------------------------------------
  //
  // Loads lobe `lobeNo` of camshaft `shaftNo` from the lobe data file at `path` (the first
  // directory entry with both numbers) and runs `DataCalc`; with `LobeDataPart::HeaderOnly`
  // only the file's header is read and only the notes change. The lobe changes only on
  // success; the file is only read, never changed. When `DataCalc` fails
  // (`LobeDataError::ConversionFailed`), `report` (if given) receives the error message with
  // its trace.
  LobeDataError ReadLobeDataFile(const std::string& path, std::int16_t shaftNo, std::int16_t lobeNo,
                                 LobeDataPart part = LobeDataPart::WholeLobe,
                                 std::string* report = nullptr);
  // The same from the bytes of a whole file; `path` becomes the lobe's `PathFile`.
  LobeDataError ReadLobeDataBytes(std::span<const std::uint8_t> bytes, const std::string& path,
                                  std::int16_t shaftNo, std::int16_t lobeNo,
                                  LobeDataPart part = LobeDataPart::WholeLobe,
                                  std::string* report = nullptr);
  // The lobe list of a lobe data file: one text and one shaft number per lobe, sorted by
  // shaft, intake before exhaust, then by number; `NotFound` with empty lists for any file
  // that cannot be listed.
  static LobeDataError ReadLobeList(const std::string& path, std::vector<std::string>& texts,
                                    std::vector<std::int16_t>& shafts);
  static LobeDataError ReadLobeListBytes(std::span<const std::uint8_t> bytes,
                                         std::vector<std::string>& texts,
                                         std::vector<std::int16_t>& shafts);

  // Value of curve 1, 5 or 6 at a whole cam degree (wrapped into -180..180); 0 for other codes.
  float CamDataValue(int curve, int angle) const;
  // Value of curve 1, 5 or 6 at a fractional cam angle, straight-line between whole degrees,
  // honouring the part of a degree the centerline leaves over.
  float CamDataSValue(int curve, float angle) const;

  // Replaces the measured lift (entries -180..180 of `table`). The caller runs `DataCalc`.
  void SetRawLift(const BoundedArray<float>& table);

  const BoundedArray<float>& RawLift() const noexcept { return rawLift_; }
  const BoundedArray<float>& CamLift() const noexcept { return camLift_; }
  const BoundedArray<float>& ValveLift() const noexcept { return valveLift_; }
  const BoundedArray<float>& ValveVelocity() const noexcept { return valveVelocity_; }
  std::int16_t TableShift() const noexcept { return tableShift_; }
  float SubDegreeShift() const noexcept { return subDegreeShift_; }

  // What the lobe readers fill besides the plain settings.
  void SetLinearOnValve(bool value) noexcept { linearOnValve_ = value; }
  float LiftOffset() const noexcept { return liftOffset_; }
  void SetLiftOffset(float value) noexcept { liftOffset_ = value; }
  float AngleOffset() const noexcept { return angleOffset_; }
  void SetAngleOffset(float value) noexcept { angleOffset_ = value; }
  // Valve-train case 0-5: 0 (or any other value) plain rocker ratio; 1 follower conversion;
  // 2, 3 rocker conversion; 4, 5 both.
  std::int32_t FollowerMode() const noexcept { return followerMode_; }
  void SetFollowerMode(std::int32_t mode) noexcept { followerMode_ = mode; }
  const ValveTrainGeometry& Geometry() const noexcept { return geometry_; }
  ValveTrainGeometry& Geometry() noexcept { return geometry_; }
  // The notes field from UTF-8 text (960 characters of Windows-1252; shorter text is padded
  // with blanks, longer text cut).
  void SetNotesField(std::string_view text);
  // The notes field as the file stores it: 960 bytes of Windows-1252.
  void SetNotesFieldBytes(std::string_view cp1252);

  // A whole angle wrapped into -180..180; 180 and -180 both stay as they are.
  static int IBnd(int subscript) noexcept;
  // The same for a fractional angle.
  static float IBndS(float subscript) noexcept;

  // Smooths a circular table in place: each pass replaces every entry by the mean of its two
  // neighbours from before the pass, the last entry standing for the same angle as the first.
  // Zero or fewer passes leave the table as it is.
  static void Smooth(BoundedArray<float>& smoothedLift, int iterations);

  // Least-squares polynomial of degree `degreeOfFit` through the points (x[k], y[k]), built
  // from polynomials orthonormal over the points. On return `coefficient` holds the
  // power-series coefficients (coefficient[0] + coefficient[1] x + ...), `degreeOfFit` the
  // number of coefficients and `stdDeviation` the residual standard deviation (0 when there
  // are no more points than coefficients). Points that cannot carry the degree asked for
  // (fewer distinct x than coefficients) raise run-time error 11.
  static void LsqFit(int numPoints, std::span<const double> x, std::span<const double> y,
                     int& degreeOfFit, double& stdDeviation, std::vector<double>& coefficient);

  // The decimal character code (Windows-1252) of the first character of `text`; "-1" for
  // an empty text.
  static std::string AscII(std::string_view text);
  // Removes leading and trailing blanks and NUL characters from `text` and returns it.
  static std::string QPTrim(std::string& text);

  bool operator==(const CamLobe&) const = default;

 private:
  // The follower conversion (lift measured with one follower turned into the lift of the
  // engine's follower; rewrites `camLift`) and the rocker conversion (cam lift through a
  // pivoted rocker; writes `valveLift`, or zeroes `camLift` when lengths are missing in modes 4
  // and 5). They work on `DataCalc`'s tables for the turn `tableShift`.
  void FollowerConversion(int tableShift, BoundedArray<float>& camLift) const;
  void RockerConversion(int tableShift, BoundedArray<float>& camLift,
                        BoundedArray<float>& valveLift) const;

  std::int16_t lobeNo_ = 0;
  std::int16_t shaftNo_ = 0;
  float lash_ = 0;
  float rockerRatio_ = 0;
  float camCenterLine_ = 0;
  std::int16_t smoothing_ = 0;
  bool linearOnValve_ = false;
  std::int32_t centerlineMethod_ = 0;
  float liftOffset_ = 0;
  float angleOffset_ = 0;
  std::int32_t followerMode_ = 0;
  ValveTrainGeometry geometry_;
  std::string notes_;  // Windows-1252, 960 bytes
  std::string pathFile_;
  BoundedArray<float> rawLift_{-180, 180};
  BoundedArray<float> camLift_{-180, 180};
  BoundedArray<float> valveLift_{-180, 180};
  BoundedArray<float> valveVelocity_{-180, 180};
  std::int16_t tableShift_ = 0;
  float subDegreeShift_ = 0;
};

}  // namespace orv
