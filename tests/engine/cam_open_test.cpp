#include "engine/cam_open.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cam/cam_folder.h"
#include "cam/cam_text_files.h"
#include "cam/lobe_data_file.h"
#include "engine/engine.h"
#include "support/cam_text_writer.h"
#include "support/lbk_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

// Index of the largest entry of a table.
int PeakEntry(const BoundedArray<float>& t) {
  int best = t.lo();
  for (int i = t.lo(); i <= t.hi(); ++i) {
    if (t[i] > t[best]) best = i;
  }
  return best;
}

BoundedArray<float> Spike(float lift) {
  BoundedArray<float> raw(-180, 180);
  raw[0] = lift;
  raw[-1] = raw[1] = lift / 2;
  return raw;
}

TEST(CamOpen, LobeCentreLandsOnEntry179) {
  struct Row {
    float centerline;
    int entry;
  };
  // The turn is 179 - CL / 2 rounded half to even: an exact half degree of 221 rounds down
  // to 68 and the centre, at cam-lift index 110, lands on 178.
  const Row rows[] = {{220, 179}, {0, 179}, {-100, 179}, {-216, 179}, {219, 179}, {221, 178}};
  for (const Row& row : rows) {
    Engine engine;
    CamLobe& lobe = engine.intakeLobe();
    lobe.SetRawLift(Spike(0.4f));
    lobe.SetCamCenterLine(row.centerline);
    lobe.SetRockerRatio(1.5f);
    lobe.SetSmoothing(3);
    lobe.DataCalc();
    CopyLobeToEngine(engine, true);
    const BoundedArray<float>& table = engine.inputs().Int;
    ASSERT_EQ(table.lo(), 0);
    ASSERT_EQ(table.hi(), 359);
    EXPECT_EQ(PeakEntry(table), row.entry) << row.centerline;
    EXPECT_EQ(table[row.entry], 0.4f) << row.centerline;
    EXPECT_EQ(engine.inputs().IntSmth, 3);
  }
}

TEST(CamOpen, ValveMeasuredLobeCopiesItsValveLift) {
  Engine engine;
  CamLobe& lobe = engine.exhaustLobe();
  lobe.SetRawLift(Spike(0.4f));
  lobe.SetLinearOnValve(true);
  lobe.SetLiftOffset(0.1f);
  lobe.SetRockerRatio(1.5f);
  lobe.SetCamCenterLine(-220);
  lobe.SetSmoothing(2);
  lobe.DataCalc();
  CopyLobeToEngine(engine, false);
  EXPECT_FLOAT_EQ(engine.inputs().Exh[179], 0.3f);  // less the offset, no ratio
  EXPECT_FLOAT_EQ(engine.inputs().Exh[178], 0.1f);
  EXPECT_EQ(engine.inputs().ExhSmth, 2);
}

struct CamFiles {
  test::TempDir dir;
  std::string s96 = (dir / "LOBE.S96").string();
  std::string doc = (dir / "PAIR.C2").string();
  std::string lbk = (dir / "SHAFTS.LBK").string();
  CamFiles() {
    std::vector<double> lift(360, 0);
    for (int i = -30; i <= 30; ++i)
      lift[static_cast<std::size_t>(i + 60 + 180)] = 0.4 - 0.01 * std::abs(i);
    test::WriteTextFile(s96, test::S96Text(lift));
    std::vector<std::pair<double, double>> rows(360);
    for (int i = -180; i <= 179; ++i) {
      const auto k = static_cast<std::size_t>(i + 180);
      rows[k] = {std::max(0.0, 0.3 - 0.01 * std::abs(i + 100)),
                 std::max(0.0, 0.35 - 0.01 * std::abs(i - 100))};
    }
    test::WriteTextFile(doc, test::CamDocText(rows));
    test::LbkFile f;
    f.shaftCount = 2;
    test::LbkLobe l;
    l.shaftNo = 2;
    l.lobeNo = -105;
    l.camCenterLine = -210;
    l.rockerRatio = 1.6f;
    l.smoothing = 4;
    for (int i = -20; i <= 20; ++i)
      l.lift[static_cast<std::size_t>(i + 180)] = 0.002f * float(20 - std::abs(i));
    f.lobes = {l};
    test::WriteLbkFile(lbk, f);
  }
};

TEST(CamOpen, S96LoadsTheIntakeSide) {
  CamFiles files;
  Engine engine;
  const CamOpenResult r =
      OpenCamLobe(engine, true, LobeChoice{CamFileKind::S96, files.s96, 0, 0, false});
  EXPECT_TRUE(r.read);
  EXPECT_EQ(r.errFlag, 0);
  EXPECT_TRUE(r.reports.empty());
  EXPECT_TRUE(r.changed);
  // Centred on its peak, centerline 0: the peak lands on 179, its flanks either side.
  EXPECT_EQ(engine.inputs().Int[179], 0.4f);
  EXPECT_FLOAT_EQ(engine.inputs().Int[169], 0.3f);
  EXPECT_FLOAT_EQ(engine.inputs().Int[189], 0.3f);
  EXPECT_EQ(engine.inputs().Int[100], 0);
  EXPECT_EQ(engine.intakeLobe().PathFile(), files.s96);
  EXPECT_EQ(engine.inputs().intakeCam.path, files.s96);
  // The intake cam settings take the lobe's: an S96 lobe is read with centerline 0, rocker
  // ratio 1 and no lash, and the valve tables follow them; the exhaust side keeps its own.
  EXPECT_EQ(engine.inputs().I_CL, 0);
  EXPECT_EQ(engine.inputs().I_RR, 1.0f);
  EXPECT_EQ(engine.inputs().I_Lash, 0.0f);
  EXPECT_EQ(engine.inputs().E_RR, 1.85f);
  EXPECT_FLOAT_EQ(engine.valveTables().IntakeLift[179], 0.4f);
}

TEST(CamOpen, CamDocumentColumnFollowsTheSide) {
  CamFiles files;
  struct Row {
    bool intake;
    float peak;
    float centerline;
  };
  for (const Row row : {Row{true, 0.35f, 200}, Row{false, 0.3f, -200}}) {
    Engine engine;
    LobeChoice choice{CamFileKind::CamDocument, files.doc, 0, 0, row.intake};
    const CamOpenResult r = OpenCamLobe(engine, row.intake, choice);
    ASSERT_TRUE(r.read);
    const BoundedArray<float>& table = row.intake ? engine.inputs().Int : engine.inputs().Exh;
    EXPECT_FLOAT_EQ(table[179], row.peak);
    const CamLobe& lobe = row.intake ? engine.intakeLobe() : engine.exhaustLobe();
    EXPECT_FLOAT_EQ(lobe.CamCenterLine(), row.centerline);
  }
}

TEST(CamOpen, ExhaustLobeOfTheSecondShaftThroughTheFolder) {
  CamFiles files;
  CamFolder folder;
  folder.RefillLobeList(files.dir.path());
  ASSERT_FALSE(folder.nodes().empty());
  ASSERT_EQ(folder.nodes()[0].children.size(), 1u);
  ASSERT_TRUE(folder.TagLobe({0, 0}));
  const std::optional<LobeChoice> choice = folder.ChosenLobe(false);
  ASSERT_TRUE(choice);

  Engine engine;
  const CamOpenResult r = OpenCamLobe(engine, false, *choice);
  ASSERT_TRUE(r.read);
  const CamLobe& lobe = engine.exhaustLobe();
  EXPECT_EQ(lobe.LobeNo(), -105);
  EXPECT_EQ(lobe.ShaftNo(), 2);
  EXPECT_EQ(lobe.CamCenterLine(), -210);
  EXPECT_EQ(engine.inputs().ExhSmth, 4);
  EXPECT_FLOAT_EQ(engine.inputs().Exh[179], 0.04f);
  EXPECT_FLOAT_EQ(engine.inputs().Exh[170], 0.022f);
  EXPECT_EQ(engine.inputs().exhaustCam, (CamFileRef{files.lbk, -105, 2}));
  EXPECT_EQ(engine.inputs().E_CL, -210);
  EXPECT_EQ(engine.inputs().E_RR, 1.6f);
  EXPECT_FLOAT_EQ(engine.valveTables().ExhaustLift[179], 0.04f * 1.6f - engine.inputs().E_Lash);
  EXPECT_TRUE(r.changed);
}

TEST(CamOpen, FailedReadsKeepTheLobeAndStillCopyIt) {
  CamFiles files;
  struct Row {
    const char* name;
    LobeChoice choice;
    std::int16_t errFlag;
    bool report;
  };
  const Row rows[] = {
      {"missing S96",
       {CamFileKind::S96, files.s96 + "X", 0, 0, false},
       static_cast<std::int16_t>(CamTextError::ReadError),
       true},
      {"lobe not in the file",
       {CamFileKind::LobeData, files.lbk, 2, 105, false},
       static_cast<std::int16_t>(LobeDataError::NotFound),
       false},
      {"short cam document",
       {CamFileKind::CamDocument, files.s96, 0, 0, true},
       static_cast<std::int16_t>(CamTextError::TooFewLines),
       false},
  };
  for (const Row& row : rows) {
    Engine engine;
    // The intake lobe the engine holds: a spike at its centre, centerline 100.
    CamLobe& lobe = engine.intakeLobe();
    lobe.SetRawLift(Spike(0.2f));
    lobe.SetCamCenterLine(100);
    lobe.SetRockerRatio(1);
    lobe.DataCalc();
    const CamLobe before = lobe;
    const CamFileRef ref = engine.inputs().intakeCam;
    const CamOpenResult r = OpenCamLobe(engine, true, row.choice);
    EXPECT_FALSE(r.read) << row.name;
    EXPECT_EQ(r.errFlag, row.errFlag) << row.name;
    EXPECT_EQ(!r.reports.empty(), row.report) << row.name;
    EXPECT_EQ(engine.intakeLobe(), before) << row.name;
    EXPECT_EQ(engine.inputs().intakeCam, ref) << row.name;
    EXPECT_EQ(engine.inputs().I_CL, 107.9) << row.name;  // the cam settings stay
    EXPECT_EQ(engine.inputs().I_RR, 1.85f) << row.name;
    EXPECT_EQ(engine.inputs().Int[179], 0.2f) << row.name;
    EXPECT_EQ(PeakEntry(engine.inputs().Int), 179) << row.name;
  }
}

TEST(CamOpen, LoadLBKFileReplacesTheLobeOnlyOnSuccess) {
  CamFiles files;
  Engine engine;
  engine.exhaustLobe().SetSmoothing(9);
  EXPECT_EQ(LoadLBKFile(engine, files.lbk, 1, -105, false), LobeDataError::NotFound);
  EXPECT_EQ(engine.exhaustLobe().Smoothing(), 9);
  EXPECT_EQ(LoadLBKFile(engine, files.lbk, 2, -105, false), LobeDataError::Ok);
  EXPECT_EQ(engine.exhaustLobe().Smoothing(), 4);
  EXPECT_EQ(engine.exhaustLobe().PathFile(), files.lbk);
  EXPECT_EQ(engine.intakeLobe().PathFile(), "");
}

}  // namespace
}  // namespace orv
