#pragma once

#include <map>
#include <string>
#include <string_view>

#include "engine/output_panel.h"

namespace orv {

// Which way the numbers of an output slot moved from the reference engine to the current one.
enum class DifferenceSign {
  None,   // no difference to show: a slot empty on either side, or texts of different shape
  Zero,   // every number shows the same
  Up,     // every number that moved grew
  Down,   // every number that moved shrank
  Mixed,  // some numbers grew, others shrank
};

// What an output slot shows beside its value while a reference engine is set: the reference's
// text as its panel shows it, and the difference of current minus reference.
struct SlotDifference {
  std::string reference;   // the reference engine's slot text, trimmed, blanks made single
  std::string difference;  // "+0.095"; empty when there is nothing to show
  DifferenceSign sign = DifferenceSign::None;
  bool operator==(const SlotDifference&) const = default;
};

// The difference of two texts of one output slot, both in the same unit system: each number of
// the current text minus the number in the same place of the reference text, written with the
// more decimals of the two and with its sign ("+0.095", "-12", a zero as "0.000"). A text of one
// number keeps its words ("+0.02 %"); the differences of a text of several numbers are listed in
// their order, "+5 / +6 / 0" for "450 to 495 by 12 ATDC", so that the column beside the values
// stays narrow (the reference's text beside it has the words). Runs of blanks in either text
// count as one blank. The numbers are those shown, so the
// difference is the one the user reads off the two texts. A text that is empty, or whose words
// differ from the other's, gives no difference.
SlotDifference CompareSlotTexts(std::string_view reference, std::string_view current);

// The slots of both output pages with a value of their own (not the balance analysis's
// turning-point listings), each compared as `CompareSlotTexts` does.
std::map<int, SlotDifference> CompareOutputSlots(const OutputPanel& reference,
                                                 const OutputPanel& current);

}  // namespace orv
