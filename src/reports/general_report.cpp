#include "reports/general_report.h"

#include <span>

#include "base/error_trace.h"
#include "files/interface_text_ids.h"
#include "files/output_captions.h"
#include "files/source_captions.h"
#include "reports/cam_card_section.h"

namespace orv {

namespace {

constexpr const char* kGeneralReportModule = "Report";

constexpr int kReportedInputs = 28;  // inputs 0..27
constexpr std::string_view kPieceSeparator = ":  ";

// The general report's own line writer: it reads the output slots of both pages and captions
// them from the one output caption table, the unit captions in the engine's unit system.
//
// The unit captions of the interface texts name whole units ("sq in", "cu in", "sq cm"), so
// value lines carry no power suffix after them.
class GeneralReportWriter final {
 public:
  GeneralReportWriter(ReportBuilder& b, const InputController& panel,
                      const InterfaceStrings& strings)
      : b_(b), panel_(panel), strings_(strings), mode_(panel.unitMode()) {}

  const std::string& Slot(int slot) const {
    const OutputPanel& out = panel_.outputs();
    if (auto it = out.page0.find(slot); it != out.page0.end()) return it->second;
    if (auto it = out.page1.find(slot); it != out.page1.end()) return it->second;
    return empty_;
  }

  std::string SlotWithUnit(int slot) const {
    const OutputCaption* c = FindOutputCaption(slot);
    return Slot(slot) + " " + (c != nullptr ? OutputUnitCaption(strings_, *c, mode_) : "");
  }

  const std::string& SlotLabel(int slot) const {
    const OutputCaption* c = FindOutputCaption(slot);
    return c != nullptr && c->label >= 0 ? strings_.OutLabel(c->label) : empty_;
  }

  // Value line of a slot: its output label, its text, a blank and its unit caption.
  void Value(int slot) { b_.ValueLine(SlotLabel(slot), SlotWithUnit(slot)); }
  void Values(std::span<const int> slots) {
    for (int slot : slots) Value(slot);
  }
  // Value line of a slot shown without its unit.
  void ValueNoUnit(int slot, std::string_view after = {}) {
    b_.ValueLine(SlotLabel(slot), Slot(slot) + std::string(after));
  }
  // Two blanks and an output label text.
  void GroupLine(int outLabel) { Line("  " + strings_.OutLabel(outLabel)); }
  // Five blanks and the texts of two slots side by side, a blank between them; left out when
  // both are empty.
  void PairLines(int firstSlot, int pairs) {
    for (int i = 0; i < pairs; ++i) {
      const std::string& a = Slot(firstSlot + 2 * i);
      const std::string& b = Slot(firstSlot + 2 * i + 1);
      if (a.empty() && b.empty()) continue;
      Line("     " + a + " " + b);
    }
  }
  void Line(std::string_view text) {
    b_.Put(text);
    b_.AddStrCRLF();
  }
  void SectionStart(int section) {
    b_.RuleLine();
    Line(strings_.Misc(kMiscReportSection0 + section));
  }

  // Section 0: the 28 inputs as the input panel shows them, the two lists by their choice.
  void Inputs() {
    const InputPanel& panel = panel_.panel();
    for (int i = 0; i < kReportedInputs; ++i) {
      std::string value;
      if (i == kInVTType) {
        value = strings_.Item(kItemsValveTrain, panel.valveTrainIndex + 1);
      } else if (i == kInFuel) {
        value = strings_.Item(kItemsFuel, panel.fuelIndex + 1);
      } else {
        value = panel.text[static_cast<std::size_t>(i)];
      }
      // Input 24 is labelled as the window labels it (spark advance, or the diesel lead time).
      b_.ValueLine(i == kInAdvance ? panel.label24 : strings_.Label(i), value);
      if (i % 3 == 2) b_.BlankLine();
    }
  }

  void Geometry() {
    Values(std::array{0, 1, 2});
    b_.BlankLine();
    ValueNoUnit(3, "   ");
    Values(std::array{4, 5});
    b_.BlankLine();
    Values(std::array{40, 6, 7});
    b_.BlankLine();
    Values(std::array{8, 9});
  }

  void Balance() {
    Values(std::array{21, 22, 23});
    b_.BlankLine();
    ValueNoUnit(24);
    Value(25);
    b_.BlankLine();
    GroupLine(42);
    Line("     " + Slot(50));
    Line("     " + Slot(51));
    b_.BlankLine();
    b_.RuleLine();
    b_.BlankLine();
    Line(CenterLP(strings_.Label(kLabelBalanceTitle), b_.width()));
    Line(CenterLP(strings_.Label(kLabelBalanceSubtitle), b_.width()));
    b_.BlankLine();
    Line("  " + strings_.Label(kLabelBalanceTurningPoints));
    PairLines(90, 8);
    b_.BlankLine();
    ValueNoUnit(46);
    ValueNoUnit(47);
    ValueNoUnit(48);
    b_.BlankLine();
    Line("  " + strings_.Label(kLabelBalanceDifference));
    PairLines(70, 8);
  }

  void Airflow() {
    Values(std::array{10, 11, 45, 12});
    b_.BlankLine();
    GroupLine(64);
    Values(std::array{13, 14, 15, 16});
    b_.BlankLine();
    GroupLine(65);
    Values(std::array{17, 18, 19, 20});
    b_.BlankLine();
    GroupLine(66);
    Values(std::array{52, 53, 54, 55});
    b_.BlankLine();
    Values(std::array{41, 49, 42});
  }

  void PistonMotion() {
    b_.BlankLine();
    Values(std::array{26, 27, 28, 56, 57});
  }

  // Section 5: the torque peak and the power peak each on one line (rpm, power, torque joined
  // by ":  "), the exhaust sizes, then mean effective pressure, work and wave delay.
  void TorquePowerExhaust() {
    GroupLine(67);
    PieceLine(29, std::array{29, 32, 34});
    PieceLine(30, std::array{30, 33, 35});
    Values(std::array{36, 37, 38, 39});
    b_.BlankLine();
    Values(std::array{31, 43, 44});
  }

  void PieceLine(int labelSlot, std::span<const int> slots) {
    std::string value;
    for (int slot : slots) {
      if (!value.empty()) value += kPieceSeparator;
      value += SlotWithUnit(slot);
    }
    b_.ValueLine(SlotLabel(labelSlot), value);
  }

  // Section 6: the four cam and flow sources with what they were read from.
  void Sources() {
    b_.BlankLine();
    for (SourceNo s :
         {SourceNo::IntakeCam, SourceNo::ExhaustCam, SourceNo::IntakeFlow, SourceNo::ExhaustFlow}) {
      Line("  " + SourceLabel(strings_, s) + std::string(kPieceSeparator) +
           SourceCaption(panel_.engine().inputs(), strings_, s));
    }
  }

 private:
  ReportBuilder& b_;
  const InputController& panel_;
  const InterfaceStrings& strings_;
  UnitMode mode_;
  const std::string empty_;
};

}  // namespace

std::string OVReport(const InputController& panel, const ReportRequest& request, bool secondStage) {
  ETracker guard(kGeneralReportModule, "OVReport");
  ReportBuilder b(ReportKind::General, request.layout, HeadingOf(request), request.sink);
  b.Begin();
  GeneralReportWriter w(b, panel, request.strings);
  const auto& on = request.settings.reportSections;

  if (on[0]) {
    w.SectionStart(0);
    w.Inputs();
  }
  if (on[1]) {
    w.SectionStart(1);
    w.Geometry();
  }
  if (on[2]) {
    w.SectionStart(2);
    w.Balance();
  }
  if (secondStage) {
    if (on[3]) {
      w.SectionStart(3);
      w.Airflow();
    }
    if (on[4]) {
      w.SectionStart(4);
      w.PistonMotion();
    }
    if (on[5]) {
      w.SectionStart(5);
      w.TorquePowerExhaust();
    }
  }
  if (on[6]) {
    w.SectionStart(6);
    w.Sources();
  }
  if (request.settings.reportCamCard) {
    CamCardSection(b, panel.engine(), panel.unitMode(), request.settings.camCardChecks);
  }
  return b.Finish();
}

}  // namespace orv
