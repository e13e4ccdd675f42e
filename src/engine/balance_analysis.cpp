// The balance analysis of output page 0: where the single-bank balance share peaks, the mean of
// the engine's balance curve, its turning points and how far each lies from the reciprocating
// balance factor the user typed, with the data of the balance chart.
#include "engine/balance_analysis.h"

#include <algorithm>
#include <cmath>

#include "base/checked_fp.h"
#include "base/number_format.h"
#include "engine/crank_kinematics.h"

namespace orv {

namespace {

constexpr std::int16_t kMaximum = -1;
constexpr std::int16_t kMinimum = 0;

// The listing has two columns of four turning points, two slots each.
constexpr int kListedPoints = 8;
constexpr int kColumnSlots = 8;

// Dead centres closer than this (crank degrees) share one chart mark.
constexpr double kSameMark = 0.5;

// Angle brought into 0..360 (360 itself stays).
double WrapChartAngle(double a) {
  double r = std::fmod(a, 360.0);
  if (r < 0) r += 360;
  return r;
}

bool SameAngle(double a, double b) {
  const double d = std::fabs(WrapChartAngle(a) - WrapChartAngle(b));
  return d < kSameMark || d > 360 - kSameMark;
}

// The dead-centre marks of the chart: TDC at 0 (the tables' angles are measured from TDC, the
// pin-offset phase already taken out) and BDC where the piston is lowest; a second bank on
// the same pin has both shifted by the bank firing angle.
std::vector<ChartMark> DeadCentreMarks(const EngineResults& r, double firingAngle) {
  const double tdc1 = 0;
  const double bdc1 = WrapChartAngle(r.BDCAngle / kRadPerDegree);
  if (!(firingAngle > 0)) return {{tdc1, "TDC"}, {bdc1, "BDC"}};
  const double tdc2 = WrapChartAngle(tdc1 + firingAngle);
  const double bdc2 = WrapChartAngle(bdc1 + firingAngle);
  std::vector<ChartMark> marks;
  const bool tdc1bdc2 = SameAngle(tdc1, bdc2);
  const bool tdc2bdc1 = SameAngle(tdc2, bdc1);
  marks.push_back({tdc1, tdc1bdc2 ? "TDC1/BDC2" : "TDC1"});
  marks.push_back({tdc2, tdc2bdc1 ? "TDC2/BDC1" : "TDC2"});
  if (!tdc2bdc1) marks.push_back({bdc1, "BDC1"});
  if (!tdc1bdc2) marks.push_back({bdc2, "BDC2"});
  return marks;
}

}  // namespace

void AnalyseBalance(const EngineTables& t, const EngineResults& r, float recipBF,
                    double firingAngle, const EngineTexts& tx, OutputPanel& out) {
  FpRegion fp;
  auto& s = out.page0;

  // Single-bank peaks, compared as 32-bit floats, the first degree winning a tie.
  auto peakOver = [&t](int from, int to, int& degree) {
    float best = static_cast<float>(t.BalanceShare[from]);
    degree = from;
    for (int d = from + 1; d <= to; ++d) {
      const auto v = static_cast<float>(t.BalanceShare[d]);
      if (v > best) {
        best = v;
        degree = d;
      }
    }
    return best;
  };
  int d1 = 0, d2 = 0;
  const float peak1 = peakOver(1, 180, d1);
  s[50] = FormatPattern(peak1, "0.00") + tx.outLabel47 + FormatPattern(d1, "0") + tx.outLabel48;
  const float peak2 = peakOver(180, 360, d2);
  s[51] =
      FormatPattern(peak2, "0.00") + tx.outLabel49 + FormatPattern(360 - d2, "0") + tx.outLabel50;

  // Direction of the curve as it enters the turn: from degree 359 to the first degree that
  // differs from it.
  const auto r359 = static_cast<float>(t.BalanceCurve[359]);
  bool rising = false;
  for (int k = 0; k <= 360; ++k) {
    const auto v = static_cast<float>(t.BalanceCurve[k]);
    if (v != r359) {
      rising = v > r359;
      break;
    }
  }

  // Turning points: where the curve stops rising (a maximum) or stops falling (a minimum).
  std::vector<TurningPoint>& points = out.turningPoints;
  points.clear();
  auto p = static_cast<float>(t.BalanceCurve[0]);
  double sum = 0;
  for (int d = 1; d <= 360; ++d) {
    const auto v = static_cast<float>(t.BalanceCurve[d]);
    sum = Chk(sum + v);
    if (rising && v < p) {
      points.push_back({p, kMaximum, static_cast<float>(d - 1)});
      rising = false;
    } else if (!rising && v > p) {
      points.push_back({p, kMinimum, static_cast<float>(d - 1)});
      rising = true;
    }
    p = v;
  }
  s[46] = FormatPattern(Chk(sum / 360), "0.00") + tx.outLabel56;

  // Mean of the turning values, and the middle between the lowest and highest. Without any
  // turning point neither has a value and both slots stay empty.
  const auto n = static_cast<int>(points.size());
  if (n == 0) {
    s[47].clear();
    s[48].clear();
  } else {
    double total = 0;
    float lo = points.front().value, hi = lo;
    for (const TurningPoint& tp : points) {
      total += tp.value;
      lo = std::min(lo, tp.value);
      hi = std::max(hi, tp.value);
    }
    s[47] = FormatPattern(Chk(total / n), "0.00") + tx.outLabel56;
    s[48] = FormatPattern(Chk((static_cast<double>(lo) + hi) / 2), "0.00") + tx.outLabel56;
  }

  // The listing: the first half of the points in one column, the second half in the next; each
  // point takes two slots (value, angle). Two columns hold eight points: a longer list shows
  // its first eight.
  const int listed = std::min(n, kListedPoints);
  auto column = [&](int firstSlot, int fromPoint, int toPoint, bool fromRecipBF) {
    int slot = firstSlot;
    for (int k = fromPoint; k <= toPoint; ++k) {
      const TurningPoint& tp = points[static_cast<std::size_t>(k - 1)];
      const float value = fromRecipBF ? recipBF - tp.value : tp.value;
      s[slot++] = FormatNumber(value, 3, 2) + tx.outLabel54;
      s[slot++] = FormatNumber(tp.angle, 3, 0) + tx.outLabel55;
    }
    for (; slot < firstSlot + kColumnSlots; ++slot) s[slot].clear();
  };
  const int firstHalf = (listed + 1) / 2;
  column(90, 1, firstHalf, false);
  column(98, firstHalf + 1, listed, false);
  column(70, 1, firstHalf, true);
  column(78, firstHalf + 1, listed, true);

  // The chart.
  BalanceChart& chart = out.chart;
  chart.curve = t.BalanceCurve.values();
  chart.marks = DeadCentreMarks(r, firingAngle);
  chart.recipBF = recipBF;
}

}  // namespace orv
