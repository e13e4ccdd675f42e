#pragma once

#include <vector>

#include "engine/input_panel.h"
#include "files/interface_strings.h"

namespace orv {

// Where the program reads its interface texts: the indexes of labels, miscellaneous texts,
// menus, tab strips and choice groups that are not simply an input or output number.

// Labels beyond the inputs (0..28) and the cam settings (29..31, 33..35).
enum LabelNo : int {
  kLabelEdit = 32,  // the four Edit buttons of the cam and flow sources
  kLabelBalanceTurningPoints = 36,
  kLabelIntakeCam = 37,
  kLabelExhaustCam = 38,
  kLabelIntakeFlow = 39,
  kLabelExhaustFlow = 40,
  kLabelKeyboardEntered = 41,
  kLabelApproveAll = 42,
  kLabelCalculate = 43,
  kLabelLeftScale = 44,
  kLabelRightScale = 45,
  kLabelBalanceTitle = 46,
  kLabelBalanceSubtitle = 47,
  kLabelScaleMaximum = 48,
  kLabelScaleMinimum = 49,
  kLabelGraphSetting = 50,
  kLabelBackground = 51,
  kLabelGeometryFrame = 52,
  kLabelRotatingFrame = 53,
  kLabelFillingFrame = 54,
  kLabelPistonFrame = 55,
  kLabelPowerFrame = 56,
  kLabelExhaustFrame = 57,
  kLabelBalanceDifference = 58,
  kLabelSourcesFrame = 59,
  kLabelLeadTime = 68,  // input 24 with the fuel Diesel
};

// Miscellaneous texts.
enum MiscNo : int {
  kMiscOk = 1,
  kMiscCancel = 2,
  kMiscReportSetupTitle = 3,
  kMiscOptionsTitle = 4,
  kMiscUnitsEnglish = 5,
  kMiscUnitsMetric = 6,
  kMiscUnitsMetricM3 = 7,
  kMiscUnitsFrame = 8,
  kMiscSuggested = 9,
  kMiscNoSourceFile = 10,
  kMiscEnterAsTab = 11,
  kMiscNameIncrement = 12,
  kMiscSaveChanges = 13,
  kMiscEngineSaved = 14,
  kMiscSaveEngineTitle = 21,
  kMiscOpenEngineTitle = 22,
  kMiscReportNotWritten = 23,
  kMiscPage = 24,
  kMiscCurveName1 = 25,  // curve tags 1..11: 25..35
  kMiscCurveUnit1 = 36,  // curve tags 1..11: 36..46
  kMiscHeadingLabel = 52,
  kMiscLobesReading = 81,
  kMiscLobesReady = 82,
  kMiscScaleInvalid = 98,
  kMiscHeadingDate = 105,
  kMiscHeadingTime = 106,
  kMiscHeadingEngine = 107,
  kMiscReportSection0 = 109,  // general report sections 0..6: 109..115
  kMiscReportFiles = 116,
  kMiscPictureFiles = 117,
  kMiscProjectFiles = 118,
  kMiscDatabaseFiles = 119,
  kMiscBadPath = 120,
  kMiscFrom = 121,
  kMiscTo = 122,
  kMiscIncrement = 123,
  kMiscDegrees = 124,
  kMiscHeadingsFrame = 125,
  kMiscSectionsFrame = 126,
  kMiscRange1Frame = 127,
  kMiscRange2Frame = 128,
  kMiscRangeOutside = 130,
  kMiscRangeOrder = 131,
  kMiscRangeIncrement = 132,
  kMiscReportHeadingFrame = 133,
  kMiscManualMissing = 134,
  kMiscEngineFiles = 142,
  kMiscCurveName12 = 143,
  kMiscCurveName13 = 144,
  kMiscCurveUnit12 = 145,
  kMiscCurveUnit13 = 146,
};

// Menus (row) and their entries (column; 0 is the menu title). Menu 4 continues the File menu.
enum MenuNo : int { kMenuFile = 1, kMenuEdit = 2, kMenuHelp = 3, kMenuFileMore = 4 };
// Tab strips (row) with tabs 1..4.
enum TabStripNo : int {
  kTabsMain = 1,     // inputs and outputs, graph, graph settings, reports
  kTabsStage = 2,    // the two input stages
  kTabsReports = 3,  // general, intake air, exhaust air, details
  kTabsFlow = 4,     // the three sources of the flow-test dialog
  kTabsOptions = 5,  // the pages of the options dialog
};
// Choice groups (row) with items 1..6.
enum ItemGroupNo : int {
  kItemsValveTrain = 0,
  kItemsFuel = 1,
  kItemsAirOrRpm = 2,
  kItemsGraphChecks = 3,
  kItemsReportSections = 4,
};

// The texts the engine model shows itself (suggestion suffix, labels of input 24, the pieces of
// the balance lines, the curve names), from the interface texts.
EngineTexts EngineTextsOf(const InterfaceStrings& strings);

// One slot of the interface text tables.
struct TextSlot {
  InterfaceStrings::Table table;
  int n;
  int m;
};

// Every slot the program reads; the interface string file must fill them all.
std::vector<TextSlot> UsedInterfaceTexts();

}  // namespace orv
