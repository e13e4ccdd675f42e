#pragma once

#include <array>
#include <string>

namespace orv {

// Review states of an input (its status picture). An input counts as approved at 2 or more.
enum InputStatus : int {
  kStatusNotApproved = 0,
  kStatusReview = 1,  // a computed value was set or suggested (yellow question mark)
  kStatusApproved = 2,
  kStatusDisabledOpen = 3,      // disabled-colour input, not approved
  kStatusDisabledReview = 4,    // disabled-colour input to review
  kStatusDisabledApproved = 5,  // disabled-colour input, approved
};

// Texts of the interface string file that the input and output panels show. The built-in ones
// are replaced by those of the interface string file at start-up.
struct EngineTexts {
  std::string suggestionSuffix = " suggested";       // miscellaneous text 9
  std::string label24 = "Spark Advance";             // label text 24
  std::string label68 = "Injection Lead Time (ms)";  // label text 68

  // Output label texts the balance analysis joins to its numbers.
  std::string outLabel47 = "% at ";      // before the crank angle of the first peak
  std::string outLabel48 = " deg ATDC";  // after it
  std::string outLabel49 = "% at ";      // before the crank angle of the second peak
  std::string outLabel50 = " deg BTDC";  // after it
  std::string outLabel54 = "%";          // after a turning value
  std::string outLabel55 = " deg";       // after a turning angle
  std::string outLabel56 = "%";          // after an average

  // Names of curves 1..13 (miscellaneous texts 25..35, 143, 144).
  std::array<std::string, 13> curveNames = {
      "Piston Position",       "Piston Speed", "Balance Factor",
      "Leverage x 100",        "Flow Demand",  "Torque Factor",
      "Exhaust Flow",          "Intake Flow",  "Exhaust Valve Velocity",
      "Intake Valve Velocity", "Intake Swirl", "Exhaust Valve Lift",
      "Intake Valve Lift"};

  // Labels of inputs 0..35 (label texts 0..35) and the items of the valve-train list, the fuel
  // list and the airflow-or-rpm option pair, as the window shows them; the names of undo steps
  // are made of them.
  std::array<std::string, 36> labels = {"Bore",
                                        "Stroke",
                                        "Rod Length",
                                        "Number of Cylinders",
                                        "Block Deck Height",
                                        "Bank Firing Angle",
                                        "Wrist Pin Offset",
                                        "Critical G Load at TDC",
                                        "Pin End Recip. Wt.",
                                        "Big End Rotating Wt.",
                                        "Recip. % Balance Factor",
                                        "Number of Intake Valves",
                                        "Number of Exhaust Valves",
                                        "Peak Intake Velocity",
                                        "Intake Air Temperature",
                                        "Intake Peak Velocity at Critical Area",
                                        "Static Compression Ratio",
                                        "Valve Train Type",
                                        "Fuel/Type of Engine",
                                        "Volumetric Efficiency",
                                        "Exhast tube OD",
                                        "Intake CFM at 25 \" H2O",
                                        "Rpm @ Peak Power",
                                        "Rpm @ Peak Torque",
                                        "Spark Advance",
                                        "Intake Valve Head Diameter",
                                        "Intake Valve Stem Diameter",
                                        "Intake Bowl Area",
                                        "% Drop from Max Torque to Max HP",
                                        "Intake Lobe Centerline",
                                        "Intake Rocker Ratio",
                                        "Intake Lash",
                                        "",
                                        "Exhaust Lobe Centerline",
                                        "Exhaust Rocker Ratio",
                                        "Exhaust Lash"};
  std::array<std::string, 3> valveTrainItems = {"Flat Tappet Pushrod", "Endurance",
                                                "Maximum Performance"};
  std::array<std::string, 3> fuelItems = {"Gasoline", "Alcohol", "Diesel"};
  std::array<std::string, 2> airOrRpmItems = {"Enter Inlet Airflow", "Enter Rpm @ Peak Power"};
};

// What the input panel shows, kept by the core so that the window only draws it: the text of
// each text box, the status and suggestion of inputs 0..28, which labels are in the disabled
// colour, the two list choices, the cannot-complete warning and the second stage tab.
struct InputPanel {
  static constexpr int kBoxes = 36;
  static constexpr int kStatuses = 29;

  std::array<std::string, kBoxes> text;
  std::array<int, kStatuses> status{};
  std::array<std::string, kStatuses> suggestion;
  // The value each shown suggestion stands for, in the held unit: its text follows the unit
  // system.
  std::array<double, kStatuses> suggestedValue{};
  std::array<bool, kStatuses> disabledColour{};
  bool boxEnabled21 = false;  // the typed one of inputs 21 and 22 has an enabled box
  bool boxEnabled22 = true;
  int valveTrainIndex = 1;
  int fuelIndex = 0;
  std::string label24 = EngineTexts{}.label24;
  bool warningVisible = false;  // "Calculations can not complete with current inputs"
  bool stage2Enabled = false;
  int beeps = 0;  // beeps given so far (range corrections)

  static bool Approved(int status) noexcept { return status >= kStatusApproved; }
  static bool HasSuggestionLabel(int n) noexcept {
    return n == 8 || n == 20 || n == 21 || n == 22 || n == 23 || n == 24;
  }
};

inline constexpr const char* kNoCalcWarning = "Calculations can not complete with current inputs";

}  // namespace orv
