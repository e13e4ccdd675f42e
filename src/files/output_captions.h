#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/units.h"

namespace orv {

class InterfaceStrings;

// Indexes of the unit table of the interface strings. Each unit text holds the captions of
// the three unit systems separated by "|" (English|metric|metric with airflow in m3/min); a
// missing part repeats the one before it, so "rpm" serves all three.
enum UnitTextNo : int {
  kUnitNone = -1,
  kUnitSystem = 0,  // the caption naming the unit system in use
  kUnitLength = 1,
  kUnitAreaMm2 = 2,  // bowl and port areas: square inches / square millimetres
  kUnitAreaCm2 = 3,  // other areas: square inches / square centimetres
  kUnitVolume = 4,
  kUnitVelocity = 5,
  kUnitPistonSpeed = 6,  // feet / metres per minute
  kUnitTemperature = 7,
  kUnitPressure = 8,
  kUnitTorque = 9,
  kUnitAirflow = 10,
  kUnitPounds = 11,  // force in pounds (the inertia forces), in every unit system
  kUnitGrams = 12,
  kUnitDegrees = 13,
  kUnitRpm = 14,
  kUnitPower = 15,
  kUnitPercent = 16,
  kUnitGLoad = 17,
  kUnitVolumePerStroke = 18,  // output slot 6
  kUnitStrokePerVolume = 19,  // output slot 7
  kUnitRatio = 20,
  kUnitMilliseconds = 21,  // diesel lead time
  kUnitAdvance = 22,       // spark advance, degrees before top dead centre
};

// How one output slot of the output panel is captioned: the output label naming it, the unit
// field beside it and the unit text that field shows. The window and the general report both
// read this one table. Page 0 and 1 are the two output pages; page 2 marks the balance
// analysis slots of page 0. Slots that are text pieces of a line have no label (-1).
struct OutputCaption {
  int slot;
  int page;
  int label;      // output label text, -1 for none
  int unitField;  // unit caption control beside the value, -1 for none
  int unit;       // unit text (UnitTextNo), kUnitNone for none
  // A value shown as held, whatever the unit system: its unit caption is always the part of
  // this unit system (cubic centimetres of slots 1, 8 and 49; cubic inches of slot 41).
  std::optional<UnitMode> fixedSystem = std::nullopt;
};

std::span<const OutputCaption> OutputCaptions() noexcept;
// The caption row of a slot, or nullptr for a slot that does not exist.
const OutputCaption* FindOutputCaption(int slot) noexcept;
// The unit text shown by unit field `unitField`, or kUnitNone.
int UnitOfUnitField(int unitField) noexcept;

// An output heading: a frame caption (label table) or a group line (output label table).
struct OutputHeading {
  bool fromLabelTable;  // label table; otherwise output label table
  int index;
};
std::span<const OutputHeading> OutputHeadings() noexcept;

// Unit text of input n (0..35): the diesel lead time (input 24 with the fuel Diesel) has its
// own.
int InputUnitText(int n, bool diesel) noexcept;

// The unit caption shown beside an output slot in `mode`.
std::string OutputUnitCaption(const InterfaceStrings& strings, const OutputCaption& caption,
                              UnitMode mode);

// The caption of unit text `unit` in `mode` (the part of the text for that unit system).
std::string UnitCaption(const InterfaceStrings& strings, int unit, UnitMode mode);
// The part of a "|"-separated unit text for `mode`; a missing part repeats the one before it.
// The curve unit texts of the graph use the same form.
std::string UnitSystemPart(std::string_view text, UnitMode mode);

}  // namespace orv
