// The cam card of the lobes as the engine holds them.
#include "engine/cam_card.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "engine/engine.h"
#include "engine/valve_tables.h"

namespace orv {

namespace {

constexpr int kEntries = 360;
// One cam degree of the table is two crank degrees.
constexpr double kCrankPerEntry = 2;
constexpr double kCycle = 720;
constexpr std::size_t kMaxCheckHeights = 8;

bool HasTable(const BoundedArray<float>& table) {
  return table.lo() == 0 && table.count() == kEntries;
}

int Wrap(int i) { return ((i % kEntries) + kEntries) % kEntries; }

// The crank angle entry i is read at: the engine reads cam angle a at entry a - CL/2 - 179,
// so entry i stands at cam angle i + 179 + CL/2, here brought into -180..180 (crank -360..360).
double EntryCrankAngle(int i, double centerline) {
  double a = std::fmod(i + 179 + centerline / 2, 360.0);
  if (a < -180) a += 360;
  if (a >= 180) a -= 360;
  return a * kCrankPerEntry;
}

struct Events {
  std::optional<double> opening;  // crank angle
  std::optional<double> closing;
  bool neverAbove = false;  // the lift never rises above the height
  bool neverBelow = false;  // the lift never falls to the height
};

// Where the lift crosses `h` on either side of the peak entry `p` (standing at `peakAngle`),
// straight-line between whole cam degrees; the closing angle is counted on from the opening
// through the peak, so it may pass 360.
Events FindEvents(const BoundedArray<float>& lift, int p, double peakAngle, double h) {
  Events e;
  const double top = lift[p];
  if (!(top > h)) {
    e.neverAbove = true;
    return e;
  }
  for (int k = 1; k < kEntries; ++k) {
    const double below = lift[Wrap(p - k)];
    if (below <= h) {
      const double above = lift[Wrap(p - k + 1)];
      e.opening = peakAngle - kCrankPerEntry * k + kCrankPerEntry * (h - below) / (above - below);
      break;
    }
  }
  if (!e.opening) {
    e.neverBelow = true;
    return e;
  }
  for (int k = 1; k < kEntries; ++k) {
    const double below = lift[Wrap(p + k)];
    if (below <= h) {
      const double above = lift[Wrap(p + k - 1)];
      e.closing =
          peakAngle + kCrankPerEntry * (k - 1) + kCrankPerEntry * (above - h) / (above - below);
      break;
    }
  }
  return e;
}

}  // namespace

std::optional<CamCard> ComputeCamCard(const BoundedArray<float>& valveLift,
                                      const BoundedArray<float>& valveVelocity, double centerline,
                                      bool intake, const std::vector<double>& checkHeights) {
  if (!HasTable(valveLift) || !HasTable(valveVelocity)) return std::nullopt;
  CamCard card;
  card.intake = intake;

  // The peak: the first largest entry; a flat top is measured to its middle.
  int p = 0;
  for (int i = 1; i < kEntries; ++i) {
    if (valveLift[i] > valveLift[p]) p = i;
  }
  // Step back to the first entry of a flat top that runs over the end of the table.
  int first = p;
  for (int k = 1; k < kEntries && valveLift[Wrap(p - k)] == valveLift[p]; ++k) first = Wrap(p - k);
  int run = 1;
  while (run < kEntries && valveLift[Wrap(first + run)] == valveLift[p]) ++run;
  p = first;
  const double peakAngle = EntryCrankAngle(p, centerline);
  card.maxLift = valveLift[p];
  double maxAngle = peakAngle + kCrankPerEntry * (run - 1) / 2;
  if (maxAngle >= 360) maxAngle -= kCycle;
  card.maxLiftAngle = maxAngle;
  card.liftAtTDC = ValveTableAt(valveLift, centerline, 0.0f);

  // Trapezoids of two crank degrees over the closed turn: twice the sum of the entries.
  double sum = 0;
  for (int i = 0; i < kEntries; ++i) sum += valveLift[i];
  card.liftArea = sum * kCrankPerEntry;

  card.maxOpeningVelocity = valveVelocity[0];
  card.maxClosingVelocity = valveVelocity[0];
  for (int i = 1; i < kEntries; ++i) {
    card.maxOpeningVelocity = std::max<double>(card.maxOpeningVelocity, valveVelocity[i]);
    card.maxClosingVelocity = std::min<double>(card.maxClosingVelocity, valveVelocity[i]);
  }

  const Events mid = FindEvents(valveLift, p, peakAngle, kCenterlineHeight);
  if (mid.opening && mid.closing) {
    const double c = (*mid.opening + *mid.closing) / 2;
    card.centerline = intake ? c : -c;
  }

  for (const double h : checkHeights) {
    CamCheck check;
    check.height = h;
    const Events e = FindEvents(valveLift, p, peakAngle, h);
    if (e.neverBelow) check.duration = kCycle;
    if (e.opening && e.closing) {
      const double o = *e.opening;
      const double c = *e.closing;
      check.openingAngle = o;
      check.closingAngle = c;
      check.duration = c - o;
      if (intake) {
        check.opens = -o;        // before TDC
        check.closes = c - 180;  // after BDC
      } else {
        check.opens = -180 - o;  // before BDC
        check.closes = c;        // after TDC
      }
    }
    card.checks.push_back(check);
  }
  return card;
}

void PairCamCards(EngineCamCard& card) {
  card.separation.reset();
  card.overlap.clear();
  if (!card.intake || !card.exhaust) return;
  const CamCard& in = *card.intake;
  const CamCard& ex = *card.exhaust;
  if (in.centerline && ex.centerline) card.separation = (*in.centerline + *ex.centerline) / 2;
  const std::size_t n = std::min(in.checks.size(), ex.checks.size());
  for (std::size_t k = 0; k < n; ++k) {
    OverlapAtHeight o;
    o.height = in.checks[k].height;
    if (in.checks[k].openingAngle && ex.checks[k].closingAngle) {
      // The intake opening before TDC plus the exhaust closing after it.
      o.overlap = *ex.checks[k].closingAngle - *in.checks[k].openingAngle;
    }
    card.overlap.push_back(o);
  }
}

EngineCamCard EngineCamCards(const Engine& engine, const std::vector<double>& checkHeights) {
  const ValveTables& v = engine.valveTables();
  const EngineInputs& in = engine.inputs();
  EngineCamCard card;
  card.intake = ComputeCamCard(v.IntakeLift, v.IntakeVelocity, in.I_CL, true, checkHeights);
  card.exhaust = ComputeCamCard(v.ExhaustLift, v.ExhaustVelocity, in.E_CL, false, checkHeights);
  PairCamCards(card);
  return card;
}

CamCard CamCardInUnits(const CamCard& card, UnitMode mode) {
  if (mode == UnitMode::English) return card;
  CamCard c = card;
  const double k = kMmPerInch;
  c.maxLift *= k;
  c.liftAtTDC *= k;
  c.liftArea *= k;
  c.maxOpeningVelocity *= k;
  c.maxClosingVelocity *= k;
  for (CamCheck& check : c.checks) check.height *= k;
  return c;
}

EngineCamCard CamCardInUnits(const EngineCamCard& card, UnitMode mode) {
  EngineCamCard c = card;
  if (c.intake) c.intake = CamCardInUnits(*c.intake, mode);
  if (c.exhaust) c.exhaust = CamCardInUnits(*c.exhaust, mode);
  if (mode != UnitMode::English) {
    for (OverlapAtHeight& o : c.overlap) o.height *= kMmPerInch;
  }
  return c;
}

std::vector<double> DefaultCheckHeights(UnitMode mode) {
  std::vector<double> h(std::begin(kDefaultCheckHeights), std::end(kDefaultCheckHeights));
  if (mode != UnitMode::English) {
    for (double& x : h) x *= kMmPerInch;
  }
  return h;
}

std::optional<std::vector<double>> ParseCheckHeights(const std::string& text, std::string& why) {
  std::vector<double> heights;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? comma : comma - start);
    const char* begin = item.c_str();
    char* end = nullptr;
    errno = 0;
    const double h = item.empty() ? 0 : std::strtod(begin, &end);
    const bool number = !item.empty() && end != begin && *end == '\0' && errno == 0 &&
                        item.find_first_of(" \t") == std::string::npos;
    if (!number || !std::isfinite(h) || !(h > 0)) {
      why = "a check height must be a number above 0, got \"" + item + "\"";
      return std::nullopt;
    }
    if (std::find(heights.begin(), heights.end(), h) != heights.end()) {
      why = "the check height " + item + " is given twice";
      return std::nullopt;
    }
    heights.push_back(h);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (heights.size() > kMaxCheckHeights) {
    why = "at most " + std::to_string(kMaxCheckHeights) + " check heights can be given";
    return std::nullopt;
  }
  return heights;
}

std::vector<double> CheckHeightsToInches(const std::vector<double>& heights, UnitMode mode) {
  std::vector<double> h = heights;
  if (mode != UnitMode::English) {
    for (double& x : h) x /= kMmPerInch;
  }
  return h;
}

}  // namespace orv
