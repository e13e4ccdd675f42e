#include "app/keyboard_flow.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "app/application.h"
#include "app/console_prompter.h"

namespace orv {
namespace {

using Field = KeyboardFlowEntry::Field;

std::vector<float> Values(const BoundedArray<float>& t) { return t.values(); }

class KeyboardFlow : public ::testing::Test {
 protected:
  KeyboardFlow() : prompter_(err_), app_(prompter_) {}
  EngineInputs& in() { return app_.document().engine().inputs(); }
  std::ostringstream err_;
  ConsolePrompter prompter_;
  Application app_;
};

TEST_F(KeyboardFlow, RowsUpToTheFirstZeroLiftMakeTheTest) {
  KeyboardFlowEntry tab(app_.document(), true);
  const char* rows[][3] = {{"0.1", "60", "2"}, {"0.2", "120", "4"}, {"0.3", "170", "6"},
                           {"0", "200", "8"},  {"0.5", "250", "9"}, {"0.6", "260", "9"}};
  for (int r = 0; r < 6; ++r) {
    tab.Leave(r + 1, Field::Lift, rows[r][0]);
    tab.Leave(r + 1, Field::Cfm, rows[r][1]);
    tab.Leave(r + 1, Field::Swirl, rows[r][2]);
  }
  // Leaving a field stores it at once; the tables hold all six rows.
  EXPECT_EQ(in().ILift.hi(), 6);
  EXPECT_EQ(in().ICfm[5], 250.0f);
  EXPECT_EQ(tab.RowsToTake(), 3);

  tab.Open();
  EXPECT_EQ(Values(in().ILift), (std::vector<float>{0, 0.1f, 0.2f, 0.3f}));
  EXPECT_EQ(Values(in().ICfm), (std::vector<float>{0, 60, 120, 170}));
  EXPECT_EQ(Values(in().ISwirl), (std::vector<float>{0, 2, 4, 6}));
  EXPECT_TRUE(in().intakeFlow.keyboard);
  EXPECT_FALSE(in().exhaustFlow.keyboard);
  const FlowTest& t = app_.document().intakeFlowTest();
  EXPECT_EQ(t.Records(), 3);
  EXPECT_EQ(t.FlowData(3, kColLift), 0.3f);
  EXPECT_EQ(t.FlowData(3, kColCCfm), 170.0f);
  EXPECT_EQ(t.FlowData(3, kColSwirl), 6.0f);
  EXPECT_EQ(t.FlowData(4, kColLift), 0.0f);
  EXPECT_TRUE(app_.document().changed());
  // The engine reads its intake airflow from the new table: past the last lift, the last flow.
  EXPECT_EQ(app_.document().engine().IntakeFlowAt(0.45f), 170.0f);
  EXPECT_FLOAT_EQ(app_.document().engine().IntakeFlowAt(0.25f), 145.0f);
}

TEST_F(KeyboardFlow, TextsAreReadAndShownInTheDisplayUnits) {
  struct Row {
    UnitMode mode;
    Field field;
    const char* typed;
    float held;
    const char* shown;
  };
  const Row rows[] = {
      {UnitMode::English, Field::Lift, "0.25", 0.25f, "0.2500"},
      {UnitMode::English, Field::Cfm, "250", 250.0f, "250.0"},
      {UnitMode::English, Field::Swirl, "3", 3.0f, "3.0"},
      {UnitMode::English, Field::Lift, "abc", 0.0f, "0.0000"},
      {UnitMode::Metric, Field::Lift, "10.16", 0.4f, "10.16 "},
      {UnitMode::Metric, Field::Cfm, "250", 250.0f, "250.0"},  // airflow stays CFM in mode 1
      {UnitMode::MetricM3, Field::Cfm, "1", 35.31445483391204f, "1.000"},
      {UnitMode::MetricM3, Field::Lift, "5,08", 0.2f, "5.08  "},
  };
  for (const Row& r : rows) {
    app_.SetUnitSystem(r.mode);
    KeyboardFlowEntry tab(app_.document(), true);
    tab.Leave(2, r.field, r.typed);
    const BoundedArray<float>& table = r.field == Field::Lift  ? in().ILift
                                       : r.field == Field::Cfm ? in().ICfm
                                                               : in().ISwirl;
    EXPECT_FLOAT_EQ(table[2], r.held) << r.typed;
    EXPECT_EQ(tab.Text(2, r.field), r.shown) << r.typed;
  }
}

TEST_F(KeyboardFlow, TablesGrowTogetherAndCancelPutsThemBack) {
  in().ILift.Redim(0, 2);
  in().ICfm.Redim(0, 2);
  in().ISwirl.Redim(0, 2);
  in().ILift[1] = 0.1f;
  in().ILift[2] = 0.2f;
  in().ICfm[1] = 50;
  in().ICfm[2] = 90;
  const EngineInputs before = in();
  KeyboardFlowEntry tab(app_.document(), true);
  EXPECT_EQ(tab.Text(2, Field::Cfm), "90.0 ");
  EXPECT_EQ(tab.Text(2, Field::Swirl), "0.0");
  EXPECT_EQ(tab.Text(3, Field::Lift), "");
  tab.Leave(5, Field::Lift, "0.5");
  // Every table of the side holds row 5, so that the engine's lookups stay within them.
  EXPECT_EQ(in().ILift.hi(), 5);
  EXPECT_EQ(in().ICfm.hi(), 5);
  EXPECT_EQ(in().ISwirl.hi(), 5);
  EXPECT_EQ(in().ICfm[2], 90.0f);
  EXPECT_NO_THROW(app_.document().engine().IntakeFlowAt(0.45f));
  // Rows outside the tab are not stored.
  tab.Leave(0, Field::Lift, "9");
  tab.Leave(11, Field::Lift, "9");
  EXPECT_EQ(in().ILift.hi(), 5);
  EXPECT_EQ(in().ILift[0], 0.0f);
  tab.Cancel();
  EXPECT_EQ(in().ILift, before.ILift);
  EXPECT_EQ(in().ICfm, before.ICfm);
  EXPECT_EQ(in().ISwirl, before.ISwirl);
  EXPECT_FALSE(in().intakeFlow.keyboard);
}

TEST_F(KeyboardFlow, ExhaustSideHasNoSwirl) {
  KeyboardFlowEntry tab(app_.document(), false);
  tab.Leave(1, Field::Lift, "0.2");
  tab.Leave(1, Field::Cfm, "80");
  tab.Leave(1, Field::Swirl, "5");
  EXPECT_EQ(tab.Text(1, Field::Swirl), "");
  tab.Open();
  EXPECT_EQ(Values(in().ELift), (std::vector<float>{0, 0.2f}));
  EXPECT_EQ(Values(in().ECfm), (std::vector<float>{0, 80}));
  EXPECT_EQ(in().ISwirl.count(), 1);
  EXPECT_EQ(app_.document().exhaustFlowTest().FlowData(1, kColSwirl), 0.0f);
  EXPECT_TRUE(in().exhaustFlow.keyboard);
}

TEST_F(KeyboardFlow, AFirstRowWithoutLiftGivesAnEmptyTest) {
  KeyboardFlowEntry tab(app_.document(), true);
  tab.Leave(1, Field::Cfm, "100");
  tab.Leave(2, Field::Lift, "0.2");
  EXPECT_EQ(tab.RowsToTake(), 0);
  tab.Open();
  EXPECT_EQ(in().ILift.count(), 1);
  EXPECT_EQ(in().ICfm.count(), 1);
  EXPECT_EQ(app_.document().intakeFlowTest().Records(), 0);
  EXPECT_TRUE(in().intakeFlow.keyboard);
}

}  // namespace
}  // namespace orv
