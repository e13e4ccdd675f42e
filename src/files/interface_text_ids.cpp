#include "files/interface_text_ids.h"

#include "engine/engine_inputs.h"
#include "files/output_captions.h"

namespace orv {

EngineTexts EngineTextsOf(const InterfaceStrings& strings) {
  EngineTexts texts;
  texts.suggestionSuffix = strings.Misc(kMiscSuggested);
  texts.label24 = strings.Label(kInAdvance);
  texts.label68 = strings.Label(kLabelLeadTime);
  texts.outLabel47 = strings.OutLabel(47);
  texts.outLabel48 = strings.OutLabel(48);
  texts.outLabel49 = strings.OutLabel(49);
  texts.outLabel50 = strings.OutLabel(50);
  texts.outLabel54 = strings.OutLabel(54);
  texts.outLabel55 = strings.OutLabel(55);
  texts.outLabel56 = strings.OutLabel(56);
  for (int code = 1; code <= 13; ++code) {
    texts.curveNames[static_cast<std::size_t>(code - 1)] =
        strings.Misc(code <= 11 ? kMiscCurveName1 + code - 1 : kMiscCurveName12 + code - 12);
  }
  for (int n = 0; n < static_cast<int>(texts.labels.size()); ++n) {
    if (n != 32) texts.labels[static_cast<std::size_t>(n)] = strings.Label(n);
  }
  for (int m = 1; m <= 3; ++m) {
    texts.valveTrainItems[static_cast<std::size_t>(m - 1)] = strings.Item(kItemsValveTrain, m);
    texts.fuelItems[static_cast<std::size_t>(m - 1)] = strings.Item(kItemsFuel, m);
  }
  for (int m = 1; m <= 2; ++m) {
    texts.airOrRpmItems[static_cast<std::size_t>(m - 1)] = strings.Item(kItemsAirOrRpm, m);
  }
  return texts;
}

std::vector<TextSlot> UsedInterfaceTexts() {
  using T = InterfaceStrings::Table;
  std::vector<TextSlot> slots;
  auto range = [&slots](T table, int from, int to) {
    for (int i = from; i <= to; ++i) slots.push_back({table, i, 0});
  };
  // Help texts: the inputs, cam settings, sources, graph controls and scales.
  range(T::Help, -1, 52);
  range(T::Help, 55, 62);
  range(T::Help, 65, 68);
  // Labels: inputs, cam settings, window captions, the diesel lead time.
  range(T::Label, 0, 59);
  range(T::Label, kLabelLeadTime, kLabelLeadTime);
  // Output labels and units of every output slot, the heading captions and the text pieces
  // of the balance lines.
  for (const OutputCaption& c : OutputCaptions()) {
    if (c.label >= 0) slots.push_back({T::OutLabel, c.label, 0});
    if (c.unit >= 0) slots.push_back({T::Unit, c.unit, 0});
  }
  for (const OutputHeading& h : OutputHeadings()) {
    slots.push_back({h.fromLabelTable ? T::Label : T::OutLabel, h.index, 0});
  }
  for (int piece : {47, 48, 49, 50, 54, 55, 56}) slots.push_back({T::OutLabel, piece, 0});
  range(T::Unit, 0, 22);
  // Miscellaneous texts.
  range(T::Misc, 1, 14);
  range(T::Misc, 21, 46);
  range(T::Misc, 52, 52);
  range(T::Misc, 81, 82);
  range(T::Misc, 98, 98);
  range(T::Misc, 105, 107);
  range(T::Misc, 109, 128);
  range(T::Misc, 130, 134);
  range(T::Misc, 142, 146);
  // Menus, tab strips and choice groups.
  for (int m = 0; m <= 4; ++m) slots.push_back({T::Menu, kMenuFile, m});
  for (int m = 0; m <= 2; ++m) slots.push_back({T::Menu, kMenuEdit, m});
  for (int m = 0; m <= 2; ++m) slots.push_back({T::Menu, kMenuHelp, m});
  for (int m = 1; m <= 2; ++m) slots.push_back({T::Menu, kMenuFileMore, m});
  for (int m = 1; m <= 4; ++m) slots.push_back({T::Tab, kTabsMain, m});
  for (int m = 1; m <= 2; ++m) slots.push_back({T::Tab, kTabsStage, m});
  for (int m = 1; m <= 4; ++m) slots.push_back({T::Tab, kTabsReports, m});
  for (int m = 1; m <= 3; ++m) slots.push_back({T::Tab, kTabsFlow, m});
  for (int m = 1; m <= 3; ++m) slots.push_back({T::Tab, kTabsOptions, m});
  for (int m = 1; m <= 3; ++m) slots.push_back({T::Item, kItemsValveTrain, m});
  for (int m = 1; m <= 3; ++m) slots.push_back({T::Item, kItemsFuel, m});
  for (int m = 1; m <= 2; ++m) slots.push_back({T::Item, kItemsAirOrRpm, m});
  for (int m = 1; m <= 6; ++m) slots.push_back({T::Item, kItemsGraphChecks, m});
  for (int m = 1; m <= 5; ++m) slots.push_back({T::Item, kItemsReportSections, m});
  return slots;
}

}  // namespace orv
