#pragma once

#include <array>
#include <string>
#include <string_view>

#include "files/config_file.h"

namespace orv {

// The report setup dialog (Edit, Report Setup) as data: what its boxes show and what OK does
// with what they hold. The window draws the three heading check boxes, the seven section check
// boxes, the cam card box and the six degree boxes (0 from, 1 to, 2 increment of the first
// detail-report range; 3, 4, 5 the same of the second) and hands their contents to
// `ApplyReportSetup`.

// What the dialog's boxes hold when OK is pressed.
struct ReportSetupBoxes {
  std::array<bool, 3> headings{true, true, true};  // date, time, engine file name
  std::array<bool, 7> sections{true, true, true, true, true, true, true};
  // The cam card section of the general and details reports (off unless asked for, so that
  // reports made before it stay as they were).
  bool camCard = false;
  std::array<std::string, 6> degrees;  // the degree boxes' texts
};

// The outcome of the check of the degree boxes: `message` is 0 when both ranges pass, else the
// miscellaneous text to show in a warning box (130 a from or to angle outside -360..360, 131 a
// from angle not below its to angle, 132 an increment not above 0 or above 90), and `box` the
// degree box (0..5) that gets the focus.
struct ReportSetupCheck {
  int message = 0;
  int box = -1;
  bool passed() const noexcept { return message == 0; }
  bool operator==(const ReportSetupCheck&) const = default;
};

// One degree range, from, to and increment in crank degrees, checked in that order, stopping
// at the first failure; `firstBox` is the box of its from angle.
ReportSetupCheck CheckDegreeRange(const std::array<double, 3>& range, int firstBox = 0);

// The six degree texts read as numbers (text that is not a number reads as 0) and the two
// ranges checked, the first range before the second.
ReportSetupCheck CheckDegreeBoxes(const std::array<std::string, 6>& texts);

// The dialog as it opens: the stored flags, and the degree ranges as whole numbers.
ReportSetupBoxes ReportSetupOf(const Settings& settings);

// OK: the heading and section flags are stored in any case; the degree ranges are checked and
// stored (as 32-bit floats) only when both pass. On a failure the dialog stays open with the
// focus in the box the result names.
ReportSetupCheck ApplyReportSetup(const ReportSetupBoxes& boxes, Settings& settings);

}  // namespace orv
