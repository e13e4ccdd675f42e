#include "engine/lobe_cards.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/engine_inputs.h"
#include "support/cam_text_writer.h"
#include "support/lbk_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

const std::vector<double> kHeights = {0.006, 0.050, 0.200};

// A lobe data file of an intake lobe (I1: rocker ratio 1.6, lash 0.010, centerline 106) and an
// exhaust lobe (E2: 1.7, no lash, -110), each a triangle of cam lift 0.25 at its centre.
struct Files {
  test::TempDir dir;
  fs::path lbk = dir / "PAIR.LBK";
  fs::path doc = dir / "BOTH.C1";
  Files() {
    test::LbkFile f;
    f.version = 6;
    test::LbkLobe in;
    in.lobeNo = 1;
    in.camCenterLine = 106;
    in.rockerRatio = 1.6f;
    in.lash = 0.010f;
    for (int i = -25; i <= 25; ++i)
      in.lift[static_cast<std::size_t>(i + 180)] = 0.01f * float(25 - std::abs(i));
    test::LbkLobe ex = in;
    ex.lobeNo = -2;
    ex.camCenterLine = -110;
    ex.rockerRatio = 1.7f;
    ex.lash = 0;
    f.lobes = {in, ex};
    test::WriteLbkFile(lbk, f);
    // The exhaust column (first) peaks at 0.3, the intake column at 0.2.
    std::vector<std::pair<double, double>> rows(360);
    for (int i = -180; i <= 179; ++i) {
      rows[static_cast<std::size_t>(i + 180)] = {std::max(0.0, 0.3 - 0.01 * std::abs(i + 100)),
                                                 std::max(0.0, 0.2 - 0.01 * std::abs(i - 100))};
    }
    test::WriteTextFile(doc, test::CamDocText(rows));
  }
};

std::vector<LobeCardRow> RowsOf(const fs::path& path, const LobePlacement& placement,
                                bool keepCurves, std::size_t stopAfter = 100) {
  std::vector<LobeCardRow> rows;
  EngineInputs engine;
  LobeCardsOfFile(path, engine, placement, kHeights, keepCurves, [&](LobeCardRow&& row) {
    rows.push_back(std::move(row));
    return rows.size() < stopAfter;
  });
  return rows;
}

TEST(LobeCardsOfFile, GivesTheRowsOfTheFolderListingOneFileAtATime) {
  Files files;
  std::string why;
  const auto all = LobeCards(files.dir.path(), EngineInputs{}, {}, kHeights, why);
  ASSERT_TRUE(all.has_value()) << why;
  std::vector<LobeCardRow> one = RowsOf(files.lbk, {}, false);
  for (LobeCardRow& row : RowsOf(files.doc, {}, false)) one.push_back(std::move(row));
  ASSERT_EQ(one.size(), all->size());
  ASSERT_EQ(one.size(), 4u);
  for (std::size_t i = 0; i < one.size(); ++i) {
    EXPECT_EQ(one[i].file, (*all)[i].file);
    EXPECT_EQ(one[i].lobe, (*all)[i].lobe);
    EXPECT_EQ(one[i].intake, (*all)[i].intake);
    ASSERT_TRUE(one[i].card && (*all)[i].card);
    EXPECT_EQ(one[i].card->maxLift, (*all)[i].card->maxLift);
    // Curves only when asked for.
    EXPECT_TRUE(one[i].valveLift.empty());
  }
  // Stopping after the first row hands no second.
  EXPECT_EQ(RowsOf(files.lbk, {}, false, 1).size(), 1u);
  // A file that is no cam file gives nothing.
  test::WriteTextFile(files.dir / "NOTES.TXT", "x");
  EXPECT_TRUE(RowsOf(files.dir / "NOTES.TXT", {}, false).empty());
}

TEST(LobeCardsOfFile, TheLobesOwnSettingsAndOneSideAsTheCamDialogOpensThem) {
  Files files;
  LobePlacement dialog;
  dialog.side = true;
  dialog.lobeSettings = true;
  const std::vector<LobeCardRow> rows = RowsOf(files.lbk, dialog, true);
  ASSERT_EQ(rows.size(), 2u);
  struct Expect {
    double lift;  // cam lift 0.25 x rocker ratio - lash
    double centerline;
  };
  const Expect expect[] = {{0.25 * 1.6 - 0.010, 106}, {0.25 * 1.7, -110}};
  for (std::size_t i = 0; i < 2; ++i) {
    ASSERT_TRUE(rows[i].card) << i;
    EXPECT_TRUE(rows[i].intake) << i;  // the exhaust lobe too: on the dialog's side
    EXPECT_NEAR(rows[i].card->maxLift, expect[i].lift, 1e-6) << i;
    // The same card as the lobe's settings given outright.
    LobePlacement given;
    given.side = true;
    given.centerline = expect[i].centerline;
    given.rockerRatio = i == 0 ? 1.6f : 1.7f;
    given.lash = i == 0 ? 0.010f : 0.0f;
    const LobeCardRow same = RowsOf(files.lbk, given, false)[i];
    ASSERT_TRUE(same.card && same.card->centerline && rows[i].card->centerline) << i;
    EXPECT_EQ(*rows[i].card->centerline, *same.card->centerline) << i;
    EXPECT_EQ(rows[i].card->maxLift, same.card->maxLift) << i;
    EXPECT_EQ(rows[i].card->maxLiftAngle, same.card->maxLiftAngle) << i;
    ASSERT_EQ(rows[i].valveLift.size(), 360u);
    ASSERT_EQ(rows[i].valveVelocity.size(), 360u);
    // The lobe centre at entry 179.
    EXPECT_NEAR(rows[i].valveLift[179], expect[i].lift, 1e-6) << i;
  }
  // The engine's settings otherwise, and each lobe on its own side.
  const std::vector<LobeCardRow> own = RowsOf(files.lbk, {}, false);
  EXPECT_TRUE(own[0].intake);
  EXPECT_FALSE(own[1].intake);
  EXPECT_NEAR(own[0].card->maxLift, 0.25 * EngineInputs{}.I_RR - EngineInputs{}.I_Lash, 1e-6);

  // A cam document gives the column of the dialog's side on both rows.
  for (const bool intake : {true, false}) {
    LobePlacement side;
    side.side = intake;
    side.lobeSettings = true;
    const std::vector<LobeCardRow> doc = RowsOf(files.doc, side, false);
    ASSERT_EQ(doc.size(), 2u);
    EXPECT_EQ(doc[0].lobe, "Intake");
    EXPECT_EQ(doc[1].lobe, "Exhaust");
    for (const LobeCardRow& row : doc) {
      ASSERT_TRUE(row.card);
      EXPECT_EQ(row.intake, intake);
      // Read with rocker ratio 1 and no lash.
      EXPECT_NEAR(row.card->maxLift, intake ? 0.2 : 0.3, 1e-6);
    }
  }
}

}  // namespace
}  // namespace orv
