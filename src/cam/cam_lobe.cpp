#include "cam/cam_lobe.h"

#include <cmath>
#include <cstdlib>
#include <optional>

#include "base/checked_fp.h"
#include "base/codepage.h"
#include "base/error_trace.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "base/text.h"

namespace orv {

namespace {

constexpr const char* kCamLobeModule = "CamLobe";
constexpr std::size_t kLobeNotesLength =
    static_cast<std::size_t>(CamLobe::kNotesLines) * CamLobe::kNotesLineLength;
constexpr const char* kNoRockerBase =
    "Impossible rocker base position: the rocker lengths of this lobe do not close at the base "
    "circle";

}  // namespace

CamLobe::CamLobe() : notes_(kLobeNotesLength, ' ') {}

// ---------------------------------------------------------------------------------------------
// Identity and notes

std::string CamLobe::Notes() const {
  std::string text;
  for (int line = 0; line < kNotesLines; ++line) {
    std::string_view part = std::string_view(notes_).substr(
        static_cast<std::size_t>(line) * kNotesLineLength, kNotesLineLength);
    text += Cp1252ToUtf8(TrimRight(part));
    text += "\r\n";
  }
  return text;
}

void CamLobe::SetNotesField(std::string_view text) { SetNotesFieldBytes(Utf8ToCp1252(text)); }

void CamLobe::SetNotesFieldBytes(std::string_view cp1252) {
  notes_.assign(cp1252.substr(0, kLobeNotesLength));
  notes_.resize(kLobeNotesLength, ' ');
}

std::string CamLobe::LobeIDString() const {
  // Widened first: the magnitude of -32768 does not fit the 16-bit number.
  const int magnitude = std::abs(static_cast<int>(lobeNo_));
  std::string id = lobeNo_ >= 0 ? "I" : "E";
  id += std::to_string(magnitude % 100);
  if (magnitude > 100 && magnitude < 400) id += magnitude < 200 ? "a" : magnitude < 300 ? "b" : "c";
  return id;
}

void CamLobe::SetRawLift(const BoundedArray<float>& table) {
  for (int i = -180; i <= 180; ++i) rawLift_[i] = table[i];
}

// ---------------------------------------------------------------------------------------------
// Derived tables

void CamLobe::DataCalc() {
  ETracker guard(kCamLobeModule, "DataCalc");
  FpRegion fp;

  // Turn from the measured table (lobe centre at index 0) to the engine's cam angle (top dead
  // centre at index 0): the centre goes to CamCenterLine / 2 cam degrees.
  float x = -camCenterLine_ / 2 - angleOffset_;
  if (x < 0) x += 360;
  if (x < 0 || x > 360) return;
  const float whole = std::floor(x);
  std::int16_t shift = ToInt16(whole);
  float sub = x - whole;
  // A turn of a whole number of degrees plus a part: the table is turned one degree further
  // and the part left over is counted forward from the whole degree.
  if (sub != 0) {
    sub = 1 - sub;
    shift = static_cast<std::int16_t>((shift + 1) % 360);
  }

  // The tables are worked on copies and replaced together at the end, so that an error on the
  // way leaves the lobe as it was. A lobe measured on the valve leaves `CamLift` alone.
  BoundedArray<float> camLift = camLift_;
  BoundedArray<float> valveLift = valveLift_;
  const bool follower =
      !linearOnValve_ && (followerMode_ == 1 || followerMode_ == 4 || followerMode_ == 5);
  for (int i = -180; i <= 180; ++i) {
    const float m = rawLift_[IBnd(i + shift)];
    if (follower) {
      camLift[i] = m;
    } else {
      float v = m - liftOffset_;
      if (v < 0) v = 0;
      (linearOnValve_ ? valveLift : camLift)[i] = v;
    }
  }
  CheckFp();
  if (follower) FollowerConversion(shift, camLift);

  if (!linearOnValve_) {
    if (followerMode_ >= 2 && followerMode_ <= 5) {
      RockerConversion(shift, camLift, valveLift);
    } else {
      for (int i = -180; i <= 180; ++i) {
        float v = camLift[i] * rockerRatio_ - lash_;
        if (v < 0) v = 0;
        valveLift[i] = v;
      }
    }
  }
  CheckFp();

  // Velocity per cam degree by central differences, closed over the turn (index 180 is the
  // same angle as index -180).
  BoundedArray<float> velocity(-180, 180);
  for (int i = -179; i <= 179; ++i) velocity[i] = (valveLift[i + 1] - valveLift[i - 1]) / 2;
  velocity[-180] = (valveLift[-179] - valveLift[179]) / 2;
  velocity[180] = velocity[-180];
  CheckFp();

  tableShift_ = shift;
  subDegreeShift_ = sub;
  camLift_ = std::move(camLift);
  valveLift_ = std::move(valveLift);
  valveVelocity_ = std::move(velocity);
}

void CamLobe::FollowerConversion(int tableShift, BoundedArray<float>& camLift) const {
  ETracker guard(kCamLobeModule, "FollowerConversion");
  const float r1 = geometry_.FollowerRadius;
  const float r3 = geometry_.EngineFollowerRadius;
  // Two flat followers, or the same roller: the measured lift is the engine's.
  if ((r1 < 0 && r3 < 0) || r3 == r1) return;
  const BoundedArray<float> slope = LiftSlopeTable(rawLift_, tableShift);
  const std::optional<LiftPoints> points = FollowerPoints(geometry_, camLift, slope);
  CheckFp();
  if (!points) {
    for (float& v : camLift.values()) v = 0;
    return;
  }
  ResampleLiftPoints(*points, camLift, false, 0);
}

void CamLobe::RockerConversion(int tableShift, BoundedArray<float>& camLift,
                               BoundedArray<float>& valveLift) const {
  ETracker guard(kCamLobeModule, "RockerConversion");
  const bool convertsMeasuredLift = followerMode_ == 4 || followerMode_ == 5;
  if (!RockerLengthsPresent(geometry_)) {
    for (float& v : (convertsMeasuredLift ? camLift : valveLift).values()) v = 0;
    return;
  }
  const std::optional<RockerBase> base = RockerBasePosition(geometry_, lobeNo_ > 0);
  CheckFp();
  if (!base) Raise(kErrInvalidCall, kNoRockerBase);

  const BoundedArray<float> slope = LiftSlopeTable(rawLift_, tableShift);
  // Modes 4 and 5 run the measured lift (less the offset) through the rocker; the follower
  // conversion's cam lift is kept for the cam-lift curve.
  BoundedArray<float> lift(-180, 180);
  for (int i = -180; i <= 180; ++i) {
    if (convertsMeasuredLift) {
      float v = rawLift_[IBnd(i + tableShift)] - liftOffset_;
      lift[i] = v < 0 ? 0 : v;
    } else {
      lift[i] = camLift[i];
    }
  }
  const LiftPoints points = RockerPoints(geometry_, *base, lift, slope);
  CheckFp();
  ResampleLiftPoints(points, valveLift, true, lash_);
}

float CamLobe::CamDataValue(int curve, int angle) const {
  const int i = IBnd(angle);
  switch (curve) {
    case kCurveCamLift:
      return camLift_[i];
    case kCurveValveLift:
      return valveLift_[i];
    case kCurveValveVelocity:
      return valveVelocity_[i];
    default:
      return 0;
  }
}

float CamLobe::CamDataSValue(int curve, float angle) const {
  const float y = angle - subDegreeShift_;
  const float k = std::floor(y);
  const float f = y - k;
  const int whole = ToInt16(k);  // an angle beyond the 16-bit range raises "Overflow"
  const float p = CamDataValue(curve, IBnd(whole));
  const float q = CamDataValue(curve, IBnd(whole + 1));
  return p + (q - p) * f;
}

// ---------------------------------------------------------------------------------------------
// Numeric services

int CamLobe::IBnd(int subscript) noexcept {
  // The same as subtracting (or adding) 360 until the angle is inside, without the loop.
  if (subscript > 180) {
    const int turns = (subscript - 180 + 359) / 360;
    return subscript - 360 * turns;
  }
  if (subscript < -180) {
    const int turns = (-180 - subscript + 359) / 360;
    return subscript + 360 * turns;
  }
  return subscript;
}

float CamLobe::IBndS(float subscript) noexcept {
  if (!std::isfinite(subscript)) return subscript;
  // Worked in double precision, where a float minus whole turns is exact, so the result is
  // the one repeated subtraction of 360 would give (without its endless loop on huge angles).
  double a = subscript;
  if (a > 180) {
    const double r = std::fmod(a - 180, 360.0);  // 0 <= r < 360
    a = r == 0 ? 180 : r - 180;
  } else if (a < -180) {
    const double r = std::fmod(-180 - a, 360.0);
    a = r == 0 ? -180 : 180 - r;
  }
  return static_cast<float>(a);
}

void CamLobe::Smooth(BoundedArray<float>& smoothedLift, int iterations) {
  const int lb = smoothedLift.lo();
  const int ub = smoothedLift.hi();
  if (ub - lb < 1) return;  // a single entry has no neighbours
  std::vector<float> old;
  for (int pass = 0; pass < iterations; ++pass) {
    old = smoothedLift.values();
    auto at = [&](int j) -> float {
      if (j < lb) j = ub - 1;  // the entry before the first is the one before the last
      if (j > ub) j = lb + 1;  // the entry after the last is the one after the first
      return old[static_cast<std::size_t>(j - lb)];
    };
    for (int j = lb; j <= ub; ++j) smoothedLift[j] = (at(j - 1) + at(j + 1)) / 2;
  }
}

void CamLobe::LsqFit(int numPoints, std::span<const double> x, std::span<const double> y,
                     int& degreeOfFit, double& stdDeviation, std::vector<double>& coefficient) {
  ETracker guard(kCamLobeModule, "LsqFit");
  if (numPoints < 1 || degreeOfFit < 0 || x.size() < static_cast<std::size_t>(numPoints) ||
      y.size() < static_cast<std::size_t>(numPoints)) {
    Raise(kErrInvalidCall);
  }
  const auto n = static_cast<std::size_t>(numPoints);
  const auto terms = static_cast<std::size_t>(degreeOfFit) + 1;
  FpRegion fp;

  // p holds the current orthonormal polynomial at the points, c its power-series
  // coefficients; the previous one is kept for the three-term recurrence
  //   x p_k = b_(k+1) p_(k+1) + a_(k+1) p_k + b_k p_(k-1).
  const double p0 = 1 / std::sqrt(static_cast<double>(n));
  std::vector<double> p(n, p0), pPrev(n, 0.0), next(n);
  std::vector<double> c(terms, 0.0), cPrev(terms, 0.0), cNext(terms);
  c[0] = p0;
  std::vector<double> fitted(n, 0.0);
  coefficient.assign(terms, 0.0);

  auto addTerm = [&] {
    double g = 0;  // coefficient of the fit along this polynomial
    for (std::size_t i = 0; i < n; ++i) g += p[i] * y[i];
    for (std::size_t i = 0; i < n; ++i) fitted[i] += g * p[i];
    for (std::size_t k = 0; k < terms; ++k) coefficient[k] += g * c[k];
  };
  addTerm();

  double b = 0;
  for (std::size_t degree = 1; degree < terms; ++degree) {
    double a = 0;
    for (std::size_t i = 0; i < n; ++i) a += x[i] * p[i] * p[i];
    double norm2 = 0, scale2 = 0;
    for (std::size_t i = 0; i < n; ++i) {
      next[i] = (x[i] - a) * p[i] - b * pPrev[i];
      norm2 += next[i] * next[i];
      scale2 += x[i] * p[i] * x[i] * p[i];
    }
    // Fewer distinct abscissae than terms: the new polynomial vanishes at every point (up to
    // rounding) and the fit is not determined.
    if (!(norm2 > 1e-24 * scale2)) Raise(kErrDivByZero);
    const double norm = std::sqrt(norm2);
    for (std::size_t i = 0; i < n; ++i) next[i] /= norm;
    for (std::size_t k = 0; k < terms; ++k) {
      const double shifted = k == 0 ? 0 : c[k - 1];
      cNext[k] = (shifted - a * c[k] - b * cPrev[k]) / norm;
    }
    pPrev.swap(p);
    p.swap(next);
    cPrev.swap(c);
    c.swap(cNext);
    b = norm;
    addTerm();
  }

  double residual2 = 0;
  for (std::size_t i = 0; i < n; ++i) residual2 += (y[i] - fitted[i]) * (y[i] - fitted[i]);
  stdDeviation = n > terms ? std::sqrt(residual2 / static_cast<double>(n - terms)) : 0;
  degreeOfFit = static_cast<int>(terms);
  CheckFp();
}

std::string CamLobe::AscII(std::string_view text) {
  if (text.empty()) return "-1";
  const std::string bytes = Utf8ToCp1252(text);
  return std::to_string(static_cast<unsigned char>(bytes[0]));
}

std::string CamLobe::QPTrim(std::string& text) {
  auto blank = [](char ch) { return ch == ' ' || ch == '\0'; };
  std::size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  text = text.substr(begin, end - begin);
  return text;
}

}  // namespace orv
