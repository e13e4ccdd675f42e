// The output slots beside a reference engine: the difference of two slot texts as the user
// reads them, and the slots of a reference engine read from its own file.
#include "app/output_comparison.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "app/application.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using Sign = DifferenceSign;

TEST(OutputComparison, TheDifferenceOfTwoSlotTextsIsTheOneShown) {
  struct Row {
    const char* reference;
    const char* current;
    const char* difference;
    Sign sign;
  };
  const Row rows[] = {
      {"4.030", "4.125", "+0.095", Sign::Up},
      {"4.125", "4.030", "-0.095", Sign::Down},
      {"4.030", "4.030", "0.000", Sign::Zero},
      {"  350.1 ", "348.0  ", "-2.1", Sign::Down},
      {"100", "99.5", "-0.5", Sign::Down},  // the more decimals of the two
      {"4.03", "4.125", "+0.095", Sign::Up},
      {".500", "-.250", "-0.750", Sign::Down},  // no leading zero in the panels' texts
      {"-.250", ".500", "+0.750", Sign::Up},
      {"450 to 495 by 12 ATDC", "455 to 501 by 12 ATDC", "+5 / +6 / 0", Sign::Up},
      {"12.0 ATDC , 15.0 BTDC", "12.5 ATDC , 14.0 BTDC", "+0.5 / -1.0", Sign::Mixed},
      {"1200 g's    35.5", "1180 g's  35.5", "-20 / 0.0", Sign::Down},
      {"50.00 %", "50.02 %", "+0.02 %", Sign::Up},
      {"H2O 5", "H2O 7", "H2O +2", Sign::Up},  // digits inside a word are no number
      {"0.001", "0.000", "-0.001", Sign::Down},
      // invalid cases: nothing to compare
      {"", "4.125", "", Sign::None},
      {"4.030", "", "", Sign::None},
      {"4.030", "   ", "", Sign::None},
      {"12 g's", "12 lb", "", Sign::None},
      {"12 to 14", "12", "", Sign::None},
      {"n/a", "n/a", "", Sign::None},
  };
  for (const Row& r : rows) {
    const SlotDifference d = CompareSlotTexts(r.reference, r.current);
    EXPECT_EQ(d.difference, r.difference) << r.reference << " | " << r.current;
    EXPECT_EQ(d.sign, r.sign) << r.reference << " | " << r.current;
  }
  // The reference's text is shown trimmed, also when there is no difference to show.
  EXPECT_EQ(CompareSlotTexts("  350.1 ", "348.0").reference, "350.1");
  EXPECT_EQ(CompareSlotTexts(" 12 g's    35.5", "12 lb").reference, "12 g's 35.5");
}

double Number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// The default engine beside a reference with a 4.125 in bore read from its file: the
// displacement's difference is the one the two bores make, both pages of the reference are
// filled, and the reference's texts follow the unit system.
TEST(OutputComparison, AReferenceEngineShowsOnBothPagesInTheUnitSystem) {
  test::TempDir dir;
  test::FakePrompter prompter(Prompter::Answer::No);
  Application app(prompter);
  app.SetFolders(Folders{dir / "prog", dir / "data"});
  app.SetUserStorePath(dir / "user" / "Orvantis.ini");
  EngineDocument& doc = app.document();
  const double bore = doc.engine().inputs().Bore;
  ASSERT_NEAR(bore, 4.030, 1e-6);
  doc.TypeIntoBox(kInBore, "4.125");
  const std::string path = (dir / "ref.OV").string();
  ASSERT_TRUE(doc.WriteEngineFile(path));
  doc.TypeIntoBox(kInBore, "4.030");
  ASSERT_TRUE(app.SetReference(path));
  doc.FillOutputPagesForReports(true);

  const EngineInputs& in = doc.engine().inputs();
  const auto slots =
      CompareOutputSlots(app.reference()->controller().outputs(), doc.controller().outputs());
  // Slot 0: the displacement in cubic inches, one decimal.
  const double pi = std::acos(-1.0);
  const double expected = pi / 4 * (4.030 * 4.030 - 4.125 * 4.125) * in.Stroke * in.Cylinders;
  ASSERT_TRUE(slots.contains(0));
  EXPECT_EQ(slots.at(0).sign, Sign::Down);
  EXPECT_NEAR(Number(slots.at(0).difference), expected, 0.1 + 1e-9);
  // Slot 40, the bore-stroke ratio, three decimals.
  EXPECT_NEAR(Number(slots.at(40).difference), (4.030 - 4.125) / in.Stroke, 0.0015);
  // Page 1 of the reference is filled although its document never showed it: the peak torque.
  ASSERT_TRUE(slots.contains(34));
  EXPECT_FALSE(slots.at(34).reference.empty());
  EXPECT_EQ(slots.at(34).sign, Sign::Down);
  // The turning-point listings are not compared.
  EXPECT_FALSE(slots.contains(90));
  EXPECT_FALSE(slots.contains(50));

  // Metric: the bore area (slot 4) in square centimetres, 6.4516 to the square inch.
  const double areaIn2 = Number(slots.at(4).reference);
  EXPECT_NEAR(areaIn2, pi / 4 * 4.125 * 4.125, 0.005 + 1e-9);
  app.SetUnitSystem(UnitMode::Metric);
  const std::string metric = app.reference()->controller().outputs().page0.at(4);
  // Shown with one decimal in metric.
  EXPECT_NEAR(Number(metric), pi / 4 * 4.125 * 4.125 * 6.4516, 0.05 + 1e-9);
  EXPECT_NE(app.reference()->controller().outputs().page1.at(34), "");
}

}  // namespace
}  // namespace orv
