#pragma once

#include "base/bounded_array.h"

namespace orv {

// Valve-lift and valve-velocity tables of both sides, by cam degree 0..359 with the lobe centre
// at entry 179; a single entry when the side has no lobe. Built from the cam-lift tables of the
// engine inputs by `Engine::RebuildValveTables`.
struct ValveTables {
  BoundedArray<float> IntakeLift{0, 0};
  BoundedArray<float> IntakeVelocity{0, 0};
  BoundedArray<float> ExhaustLift{0, 0};
  BoundedArray<float> ExhaustVelocity{0, 0};
  // False when the last rebuild failed: the tables then hold no lobe on either side rather
  // than values of other cam-lift tables or values that overflowed.
  bool current = true;
};

// Builds one side's valve tables from its cam-lift table: lift = cam lift x rocker ratio - lash
// (0 when negative), velocity per cam degree from a copy of the lift smoothed `smoothing` times,
// both closed over the full turn. A cam table without exactly 360 entries gives single-entry
// tables.
void BuildValveTables(const BoundedArray<float>& camLift, float rockerRatio, float lash,
                      int smoothing, BoundedArray<float>& valveLift,
                      BoundedArray<float>& valveVelocity);

// A valve table read at cam angle `a` (cam degrees after TDC) for a lobe whose centre stands at
// `centerline` crank degrees, straight-line between whole entries; 0 for a side without a lobe.
float ValveTableAt(const BoundedArray<float>& table, double centerline, float a);

// The value table `y` read at lift `lift` of the ascending lift table `x` (entry 0 takes no
// part): straight-line between points, from (0, 0) below the first, the last value beyond the
// last. `y` is taken to be as long as `x`; reading past its end raises "Subscript out of range".
float FlowTableAt(const BoundedArray<float>& x, const BoundedArray<float>& y, float lift);
// As `FlowTableAt` for a value table that may be shorter than the lift table (swirl): lifts
// beyond its last point give its last value; an empty one gives 0.
float SwirlTableAt(const BoundedArray<float>& x, const BoundedArray<float>& y, float lift);

// A per-degree table read at a fractional index, straight-line between whole entries; the turn
// is closed, so past the last entry the table goes on with its second and before the first it
// comes from its last but one.
double InterpolatedData(const BoundedArray<double>& table, double x);

}  // namespace orv
