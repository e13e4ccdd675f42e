#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "app/console_prompter.h"
#include "support/cam_text_writer.h"
#include "support/cli_runner.h"
#include "support/lbk_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::CliResult;
using test::RunCli;

using test::Numbers;

// A folder of cam files: an S96 lobe peaking at 0.5 (0.01 per degree flanks), a cam document
// with an exhaust lobe (peak 0.3 at -100) and an intake lobe (peak 0.35 at 100), a two-shaft
// lobe data file, and a cam document name that is not listed.
struct CamFolderFiles {
  test::TempDir dir;
  std::string s96 = (dir / "LOBE.S96").string();
  std::string doc = (dir / "PAIR.C2").string();
  std::string lbk = (dir / "SHAFTS.LBK").string();
  CamFolderFiles() {
    std::vector<double> lift(360, 0);
    for (int i = -40; i <= 40; ++i) {
      lift[static_cast<std::size_t>(i + 180)] = 0.5 - 0.01 * std::abs(i);
    }
    test::WriteTextFile(s96, test::S96Text(lift));
    std::vector<std::pair<double, double>> rows(360);
    for (int i = -180; i <= 179; ++i) {
      rows[static_cast<std::size_t>(i + 180)] = {std::max(0.0, 0.3 - 0.01 * std::abs(i + 100)),
                                                 std::max(0.0, 0.35 - 0.01 * std::abs(i - 100))};
    }
    test::WriteTextFile(doc, test::CamDocText(rows));
    test::LbkFile f;
    f.shaftCount = 2;
    f.shaftNames[0] = "INTAKE";
    test::LbkLobe exhaust;
    exhaust.shaftNo = 2;
    exhaust.lobeNo = -105;
    exhaust.camCenterLine = -210;
    exhaust.smoothing = 4;
    for (int i = -20; i <= 20; ++i) {
      exhaust.lift[static_cast<std::size_t>(i + 180)] = 0.02f * float(20 - std::abs(i));
    }
    test::LbkLobe intake = exhaust;
    intake.shaftNo = 1;
    intake.lobeNo = 12;
    f.lobes = {exhaust, intake};
    test::WriteLbkFile(lbk, f);
    test::WriteTextFile(dir / "OLD.C17", "0,0\r\n");
  }
};

TEST(CamCommands, LobesListsTheDialogTree) {
  CamFolderFiles f;
  const CliResult r = RunCli({"lobes", f.dir.path().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "SHAFTS.LBK\n"
            "    I12  : INTAKE\n"
            "    E5a : Shaft No. 2\n"
            "LOBE.S96\n"
            "PAIR.C2\n"
            "  Intake\n"
            "  Exhaust\n");

  test::TempDir empty;
  const CliResult none = RunCli({"lobes", empty.path().string()});
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.out, "");
  const CliResult missing = RunCli({"lobes", (empty / "nowhere").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("is not a folder"), std::string::npos);
}

TEST(CamCommands, DumpLoadsAnS96AsTheIntakeLobe) {
  CamFolderFiles f;
  const CliResult before = RunCli({"dump"});
  const CliResult r = RunCli({"dump", "--intake-cam", f.s96});
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json j = r.json();
  const std::vector<double> table = Numbers(j["inputs"]["IntakeCam"]["Int"]);
  ASSERT_EQ(table.size(), 360u);
  EXPECT_FLOAT_EQ(static_cast<float>(table[179]), 0.5f);
  EXPECT_FLOAT_EQ(static_cast<float>(table[169]), 0.4f);
  EXPECT_FLOAT_EQ(static_cast<float>(table[189]), 0.4f);
  EXPECT_EQ(table[100], 0);
  EXPECT_EQ(j["inputs"]["ICam"], f.s96);
  // The intake cam settings are the lobe's: an S96 file is read centred on its peak
  // (centerline 0) with rocker ratio 1 and no lash.
  EXPECT_EQ(j["inputs"]["I_CL"], 0);
  EXPECT_EQ(j["inputs"]["I_RR"], 1);
  EXPECT_EQ(j["inputs"]["I_Lash"], 0);
  // The intake valve-lift curve (13) now follows the file's lobe: its top is the lobe's peak
  // times its rocker ratio, read between whole entries.
  const std::vector<double> curve = Numbers(j["curves"]["13"]);
  EXPECT_NEAR(*std::max_element(curve.begin(), curve.end()), 0.5, 0.002);
  EXPECT_NE(curve, Numbers(before.json()["curves"]["13"]));
  // The exhaust side is untouched.
  EXPECT_EQ(j["inputs"]["ExhaustCam"], before.json()["inputs"]["ExhaustCam"]);
}

TEST(CamCommands, DumpLoadsLobesOfALobeDataFileAndCamDocuments) {
  CamFolderFiles f;
  const CliResult r = RunCli({"dump", "--exhaust-cam", f.lbk, "--exhaust-shaft", "2",
                              "--exhaust-lobe", "-105", "--intake-cam", f.doc});
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json in = r.json()["inputs"];
  const std::vector<double> exh = Numbers(in["ExhaustCam"]["Exh"]);
  EXPECT_FLOAT_EQ(static_cast<float>(exh[179]), 0.4f);
  EXPECT_FLOAT_EQ(static_cast<float>(exh[169]), 0.2f);
  EXPECT_EQ(in["ExhaustCam"]["Smth"], 4);
  EXPECT_EQ(in["E_LNo"], -105);
  EXPECT_EQ(in["E_SNo"], 2);
  EXPECT_EQ(in["ECam"], f.lbk);
  // The cam document's column follows the side: the intake column peaks at 0.35.
  EXPECT_FLOAT_EQ(static_cast<float>(Numbers(in["IntakeCam"]["Int"])[179]), 0.35f);

  const CliResult exhaustDoc = RunCli({"dump", "--exhaust-cam", f.doc});
  ASSERT_EQ(exhaustDoc.status, 0) << exhaustDoc.err;
  EXPECT_FLOAT_EQ(
      static_cast<float>(Numbers(exhaustDoc.json()["inputs"]["ExhaustCam"]["Exh"])[179]), 0.3f);
}

TEST(CamCommands, CurvesTakeTheCamOptionsToo) {
  CamFolderFiles f;
  const CliResult plain = RunCli({"curves", "--from", "0", "--to", "200", "--step", "50"});
  const CliResult r =
      RunCli({"curves", "--intake-cam", f.s96, "--from", "0", "--to", "200", "--step", "50"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out, plain.out);
}

TEST(CamCommands, CamOptionErrors) {
  CamFolderFiles f;
  struct Row {
    std::vector<std::string> args;
    const char* message;
  };
  const std::string missing = (f.dir / "NONE.S96").string();
  const std::string notCam = (f.dir / "LOBE.TXT").string();
  const Row rows[] = {
      {{"--intake-cam", f.lbk}, "needs --intake-shaft and --intake-lobe"},
      {{"--intake-cam", f.lbk, "--intake-shaft", "1"}, "needs --intake-shaft and --intake-lobe"},
      {{"--exhaust-lobe", "3"}, "need --exhaust-cam"},
      {{"--intake-cam", f.s96, "--intake-shaft", "1"}, "apply to a lobe data file only"},
      {{"--intake-cam", notCam}, "is not a cam file name"},
      {{"--intake-cam", missing}, "the file cannot be read (error -1)"},
      {{"--exhaust-cam", f.lbk, "--exhaust-shaft", "1", "--exhaust-lobe", "-105"},
       "the lobe is not in the file, or the file cannot be read (error -1)"},
  };
  for (const Row& row : rows) {
    std::vector<std::string> args = {"dump"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 1) << row.message;
    EXPECT_EQ(r.out, "") << row.message;
    EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
  }
}

TEST(CamCommands, DialogOpenLoadsTheChosenNodeAndRemembersTheFolder) {
  CamFolderFiles f;
  std::ostringstream err;
  ConsolePrompter prompter(err);
  Application app(prompter);
  app.EditSettings().camFolder.clear();
  EXPECT_EQ(app.CamDialogFolder(), app.folders().programFolder);

  CamFolder folder;
  folder.RefillLobeList(f.dir.path());
  const std::string remembered = f.dir.path().string() + "/";
  // A file node that groups lobes: nothing is read, the folder is still remembered.
  folder.Select({0, -1});
  EXPECT_FALSE(app.OpenCamDialogChoice(false, folder));
  EXPECT_EQ(app.settings().camFolder, remembered);
  EXPECT_EQ(app.CamDialogFolder(), std::filesystem::path(remembered));
  EXPECT_FALSE(app.document().changed());

  // The exhaust lobe of the second shaft.
  ASSERT_TRUE(folder.TagLobe({0, 1}));
  const std::optional<CamOpenResult> r = app.OpenCamDialogChoice(false, folder);
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->read);
  EXPECT_EQ(app.document().engine().exhaustLobe().LobeNo(), -105);
  EXPECT_FLOAT_EQ(app.document().engine().inputs().Exh[179], 0.4f);
  EXPECT_TRUE(app.document().changed());
}

}  // namespace
}  // namespace orv
