#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/bounded_array.h"
#include "base/units.h"

namespace orv {

class Engine;

// The cam card: the figures an engine builder chooses a cam by, worked out from the per-degree
// valve lift the engine's valve tables hold (after rocker ratio and lash), at the place the
// valve-lift curve shows it. The lift between two whole cam degrees of the table is a straight
// line, so every figure comes exactly from the measured values. Angles are crank degrees; a
// lobe's table entry i stands at the crank angle the engine reads it at (see `ValveTableAt`).

// The standard check heights of the builders, in inches.
inline constexpr double kDefaultCheckHeights[] = {0.006, 0.050, 0.200};
// The height the lobe centerline is taken at, in inches.
inline constexpr double kCenterlineHeight = 0.050;

// The figures of one lobe at one check height. A figure is empty when the lift never rises
// above the height; the events are also empty when the lift never falls to it (the duration is
// then the whole cycle, 720 degrees).
struct CamCheck {
  double height = 0;
  std::optional<double> duration;  // crank degrees the lift is above the height
  // The builders' form: intake opens before TDC and closes after BDC, exhaust opens before
  // BDC and closes after TDC (negative when the event falls on the other side).
  std::optional<double> opens;
  std::optional<double> closes;
  // The crank angles (after TDC, continuous through the event pair: the closing angle is always
  // above the opening angle) the two events were found at.
  std::optional<double> openingAngle;
  std::optional<double> closingAngle;
};

struct CamCard {
  bool intake = true;
  double maxLift = 0;       // length
  double maxLiftAngle = 0;  // crank degrees after TDC, -360..360
  double liftAtTDC = 0;     // length
  // Midpoint of the events at 0.050 in: after TDC for the intake, before TDC for the exhaust.
  std::optional<double> centerline;
  double liftArea = 0;            // length x crank degrees
  double maxOpeningVelocity = 0;  // length per cam degree, the largest of the velocity table
  double maxClosingVelocity = 0;  // length per cam degree, the smallest (negative) of the table
  std::vector<CamCheck> checks;
};

// The cards of both lobes of an engine and what the pair gives.
struct OverlapAtHeight {
  double height = 0;
  std::optional<double> overlap;  // intake opening BTDC + exhaust closing ATDC
};
struct EngineCamCard {
  std::optional<CamCard> intake;   // empty when the side has no lobe
  std::optional<CamCard> exhaust;  // empty when the side has no lobe
  // The lobe separation angle in cam degrees: the mean of the two centerlines.
  std::optional<double> separation;
  std::vector<OverlapAtHeight> overlap;
};

// The card of one lobe from its valve-lift and valve-velocity tables (entries 0..359, English
// units), the side's centerline (crank degrees) and the check heights (inches); empty for a
// side without a lobe (tables without exactly 360 entries).
std::optional<CamCard> ComputeCamCard(const BoundedArray<float>& valveLift,
                                      const BoundedArray<float>& valveVelocity, double centerline,
                                      bool intake, const std::vector<double>& checkHeights);

// The separation and overlaps of an intake and an exhaust card (same check heights).
void PairCamCards(EngineCamCard& card);

// Both lobes of the engine as its valve tables hold them.
EngineCamCard EngineCamCards(const Engine& engine, const std::vector<double>& checkHeights);

// A card with its lengths in the unit system's length unit (millimetres for both metric
// systems); angles are unchanged.
CamCard CamCardInUnits(const CamCard& card, UnitMode mode);
EngineCamCard CamCardInUnits(const EngineCamCard& card, UnitMode mode);

// The default check heights in the unit system (the inch heights converted).
std::vector<double> DefaultCheckHeights(UnitMode mode);
// Check heights typed in the unit system ("0.006,0.050,0.200"): one to eight numbers above 0,
// separated by commas. Empty with `why` set when the text is not such a list.
std::optional<std::vector<double>> ParseCheckHeights(const std::string& text, std::string& why);
// Heights in the unit system to inches and back.
std::vector<double> CheckHeightsToInches(const std::vector<double>& heights, UnitMode mode);

}  // namespace orv
