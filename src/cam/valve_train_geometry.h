#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/angles.h"
#include "base/bounded_array.h"

namespace orv {

// The valve-train lengths and flags that come with a lobe from its lobe data file; they turn the
// lift measured with the measuring machine's follower into the lift of the engine's follower
// and rocker. Lengths are in the lobe's length unit, angles in degrees.
struct ValveTrainGeometry {
  float FollowerRadius = 0;  // follower the lobe was measured with; negative = flat-faced
  float BaseCircleRadius = 0;
  float EngineFollowerRadius = 0;  // the engine's roller follower
  float RockerRollerRadius = 0;    // the rocker's roller on the cam
  float PivotDistance = 0;         // cam centre to rocker pivot
  float RockerCamArm = 0;          // rocker pivot to rocker roller centre
  float ValveTriangleA = 0;        // first side at the pivot of the valve-side triangle
  float RockerValveArm = 0;        // rocker pivot to valve contact point
  float ValveTriangleC = 0;        // side of the valve-side triangle opposite the pivot
  std::int16_t RockerDirection = 0;
  std::int16_t AngleFlag = 0;
  float GeometryAngle = 0;  // its half shifts every rocker-converted angle
  bool operator==(const ValveTrainGeometry&) const = default;
};

// The valve-train conversions turn the lift seen by one follower into the lift seen by another
// (follower conversion) or into valve lift through a pivoted rocker with a roller on the cam
// (rocker conversion). Each produces one point per whole cam degree, but the contact point of
// the new follower lies ahead of or behind the old one, so the points stand at shifted,
// fractional angles; the resampler brings them back onto whole degrees with a local
// least-squares polynomial.
//
// Geometry is worked in double precision; the points and the tables are 32-bit floats like every
// lift table of the lobe. Floating-point faults (a division by zero, an overflow) are left in the
// IEEE flags for the caller's checked region to raise.

// The conversion works with the program's pi and angle constants (base/angles.h), as the
// measuring equipment's software defines them.

// arcsin through the arctangent, pi/2 with the sign of x for |x| >= 1; arccos(x) =
// 1.570796327 - arcsin(x).
double GeometryArcSin(double x) noexcept;
double GeometryArcCos(double x) noexcept;

// One converted lift value and the cam angle (degrees) it belongs to.
struct LiftPoint {
  float angle = 0;
  float lift = 0;
  bool operator==(const LiftPoint&) const = default;
};
// 361 points, point k for cam degree k - 180 before the conversion.
using LiftPoints = std::vector<LiftPoint>;

// The lift slope, lift per radian of cam rotation, for each entry of the turned lift table:
// the measured lift smoothed 50 times, turned by `tableShift` plus one degree, differentiated
// centrally and closed over the turn. Indexed -180..180.
BoundedArray<float> LiftSlopeTable(const BoundedArray<float>& rawLift, int tableShift);

// Follower conversion of the turned measured lift `camLift` (-180..180) with its slope table.
// Returns the points, or nothing when a point cannot be converted (the contact geometry does
// not close) or the radii do not allow the conversion (a roller-measured lobe needs a base
// circle and a roller in the engine). The caller has already skipped the cases where nothing is
// converted (both followers flat, or equal radii).
std::optional<LiftPoints> FollowerPoints(const ValveTrainGeometry& g,
                                         const BoundedArray<float>& camLift,
                                         const BoundedArray<float>& slope);

// Whether the rocker has every length the conversion needs (base circle, roller, pivot
// distance, both arms and the valve-side triangle's third side).
bool RockerLengthsPresent(const ValveTrainGeometry& g) noexcept;

// The rocker at the base circle: the radius its roller centre runs on, the pivot angle, the
// roller-side angle, the valve-side angle (radians) and the angle shift of every converted
// point (degrees).
struct RockerBase {
  double baseRadius = 0;  // R0: cam centre to measured follower centre on the base circle
  double thetaP0 = 0;
  double thetaR0 = 0;
  double thetaV0 = 0;
  double angleShift = 0;  // A0
};

// Works out the base position; nothing when the lengths do not form the rocker's triangles
// there (an arccos argument outside -1..1, or a roller-side angle that is not positive).
// `intakeLobe` is the lobe's intake state, compared with the geometry's angle flag.
std::optional<RockerBase> RockerBasePosition(const ValveTrainGeometry& g, bool intakeLobe);

// Rocker conversion of the cam lift `lift` (index -180..180) with its slope table. Points whose
// geometry does not close keep lift 0 at their own angle shifted by the base position's shift.
LiftPoints RockerPoints(const ValveTrainGeometry& g, const RockerBase& base,
                        const BoundedArray<float>& lift, const BoundedArray<float>& slope);

// Brings the points back onto the whole degrees -180..180 of `target`: sorted by angle and
// wrapped into one turn, each whole degree takes the value between its two neighbouring points
// (their common lift when equal, their mean when they stand at the same angle, otherwise a
// degree-5 least-squares polynomial through the seven points around it). For a valve-lift
// target `lash` is subtracted and negative values become 0. Raises a run-time error when the
// points around a degree cannot carry the polynomial.
void ResampleLiftPoints(LiftPoints points, BoundedArray<float>& target, bool valveTarget,
                        float lash);

}  // namespace orv
