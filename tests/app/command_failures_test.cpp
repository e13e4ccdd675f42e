// What the engine commands do when an engine cannot be calculated, a value cannot be kept or a
// file cannot be read or written: a non-zero exit, nothing printed that was not computed for
// this engine, and messages that name the file or the input and the reason.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "support/cam_text_writer.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

using test::CliResult;
using test::RunCli;

// The default engine as an engine file, with the line of `key` replaced by `line` (or `line`
// added to the "Inputs" section when the key is not written).
std::string EngineWith(const test::TempDir& dir, const std::string& name, const std::string& key,
                       const std::string& line) {
  const std::string base = (dir / "base.OV").string();
  if (!fs::exists(base)) {
    const CliResult saved = RunCli({"dump", "--save", base});
    EXPECT_EQ(saved.status, 0) << saved.err;
  }
  std::string text = ReadWholeFile(base).value_or("");
  const std::size_t at = text.find("\r\n" + key + " = ");
  if (at == std::string::npos) {
    const std::size_t inputs = text.find("[Inputs]\r\n") + 10;
    text.insert(inputs, line + "\r\n");
  } else {
    text.replace(at + 2, text.find("\r\n", at + 2) - at - 2, line);
  }
  const fs::path path = dir / name;
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// An engine file whose recalculation fails prints the error and its trace and nothing else,
// and the command fails; so does one that cannot be calculated at all. The geometry warning
// leaves dump its JSON (marked "warning"), but the reports and curves print nothing.
TEST(CommandFailures, AnEngineThatIsNotCalculatedPrintsNoResults) {
  test::TempDir dir;
  struct Row {
    const char* name;
    std::string engine;
    const char* message;
    bool dumpPrints;
  };
  const std::vector<Row> rows = {
      {"rpm at peak torque 0", EngineWith(dir, "t0.OV", "PkTorqRPM", "PkTorqRPM = 0"),
       "Error (11)    Division by zero", false},
      {"compression ratio 0", EngineWith(dir, "cr0.OV", "CR", "CR = 0"),
       "Error (5)    Invalid procedure call or argument", false},
      {"bore 0", EngineWith(dir, "b0.OV", "Bore", "Bore = 0"),
       "its stroke and bore must be above 0", false},
      {"rod shorter than the stroke", EngineWith(dir, "r3.OV", "RodLen", "RodLen = 3"),
       "Calculations can not complete with current inputs", true},
  };
  for (const Row& row : rows) {
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"dump"}, {"report", "general"}, {"curves"}}) {
      std::vector<std::string> args = command;
      args.push_back(row.engine);
      const CliResult r = RunCli(args);
      const std::string what = std::string(row.name) + ", " + command[0];
      if (row.dumpPrints && command[0] == "dump") {
        ASSERT_EQ(r.status, 0) << what << ": " << r.err;
        EXPECT_TRUE(r.json()["warning"].get<bool>()) << what;
        continue;
      }
      EXPECT_NE(r.status, 0) << what;
      EXPECT_EQ(r.out, "") << what;
      EXPECT_TRUE(Has(r.err, row.message)) << what << ": " << r.err;
      EXPECT_TRUE(Has(r.err, "no results are printed")) << what << ": " << r.err;
    }
  }
  // A typed value that mends the engine's calculation before anything is printed is fine.
  const CliResult mended = RunCli({"dump", rows[0].engine, "--set", "PkTorqRPM=5500"});
  ASSERT_EQ(mended.status, 0) << mended.err;
  EXPECT_EQ(mended.json()["results"],
            RunCli({"dump", (dir / "base.OV").string()}).json()["results"]);
}

// A cam lift near the top of the float range used to end the program while the valve tables
// were rebuilt; now the error is reported and the command fails.
TEST(CommandFailures, ACamLiftThatOverflowsIsReportedNotACrash) {
  test::TempDir dir;
  const std::string base = EngineWith(dir, "good.OV", "VE", "VE = 1.065");
  std::string text = ReadWholeFile(base).value_or("");
  const std::size_t at = text.find("Exh = ") + 6;
  text.replace(at, text.find(',', at) - at, "3.4e38");
  const fs::path huge = dir / "huge.OV";
  std::ofstream(huge, std::ios::binary) << text;
  for (const char* command : {"dump", "curves"}) {
    const CliResult r = RunCli({command, huge.string()});
    EXPECT_NE(r.status, 0) << command;
    EXPECT_EQ(r.out, "") << command;
    EXPECT_TRUE(Has(r.err, "Error (6)    Overflow")) << r.err;
    EXPECT_TRUE(Has(r.err, "EngineModel/RebuildValveTables")) << r.err;
    EXPECT_TRUE(Has(r.err, "the valve tables could not be built")) << r.err;
  }
}

// Values that the engine file holds as 32-bit floats cannot be typed beyond their range:
// the value would be saved as "inf" and read back as 0.
TEST(CommandFailures, ValuesBeyondTheFileRangeAreRefusedWhereTyped) {
  test::TempDir dir;
  const fs::path saved = dir / "e.OV";
  for (const char* set : {"TorqLoss=1e308", "PcntDrop=-1e39"}) {
    const CliResult r = RunCli({"dump", "--set", set, "--save", saved.string()});
    EXPECT_NE(r.status, 0) << set;
    EXPECT_EQ(r.out, "") << set;
    EXPECT_TRUE(
        Has(r.err, std::string("orvantis: --set ") + set + " failed: Error (6)    Overflow"))
        << r.err;
    EXPECT_FALSE(fs::exists(saved)) << set;
  }
  // The largest float is kept and reads back.
  const CliResult r = RunCli({"dump", "--set", "TorqLoss=3.4e38", "--save", saved.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const CliResult back = RunCli({"dump", saved.string()});
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.json()["inputs"]["TorqLoss"].get<double>(), static_cast<double>(3.4e38f));
}

// Every failure names the file or the input, and the reason.
TEST(CommandFailures, ErrorsNameTheFileOrTheInputAndTheReason) {
  test::TempDir dir;
  fs::create_directories(dir / "folder.OV");
  const std::string missing = (dir / "none.OV").string();
  const std::string folder = (dir / "folder.OV").string();
  const std::string noFolder = (dir / "no" / "x.OV").string();
  const std::string noReport = (dir / "no" / "r.txt").string();
  struct Row {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Row> rows = {
      {{"dump", missing},
       "orvantis: cannot read the engine file " + missing + ": No such file or directory"},
      {{"dump", folder},
       "orvantis: cannot read the engine file " + folder + ": it is a folder, not a file"},
      {{"dump", "--save", noFolder},
       "orvantis: cannot write the engine file " + noFolder + ": cannot create a file in " +
           (dir / "no").string() + ": No such file or directory"},
      {{"dump", "--save", folder},
       "orvantis: cannot write the engine file " + folder + ": it is a folder, not a regular file"},
      {{"report", "general", "-o", noReport},
       "orvantis: cannot write the report file " + noReport + ": cannot create a file in " +
           (dir / "no").string() + ": No such file or directory"},
      {{"dump", "--set", "Advance=40000"},
       "orvantis: --set Advance=40000 failed: Error (9)    Subscript out of range"},
      {{"curves", "--step", "inf"}, "orvantis: --step must be a finite number of degrees"},
      {{"curves", "--step", "nan"}, "orvantis: --step must be above 0"},
  };
  // The first line says it all: no message of the window's (such as "X is not an Orvantis
  // engine file." for a file that is not there) comes before it.
  for (const Row& row : rows) {
    const CliResult r = RunCli(row.args);
    EXPECT_NE(r.status, 0) << row.args[1];
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), row.message) << "--- got:\n" << r.err;
  }
}

// An engine file written on Windows holds Windows-1252 text; dump prints it as UTF-8.
TEST(CommandFailures, Windows1252TextInAnEngineFileIsPrintedAsUtf8) {
  test::TempDir dir;
  const std::string engine =
      EngineWith(dir, "win.OV", "ICam", "ICam = C:\\Cams\\K\xF6pf.LBK\r\nIA_Name = \x93\x81\x94");
  const CliResult r = RunCli({"dump", engine});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = r.json();
  EXPECT_EQ(j["inputs"]["ICam"], "C:\\Cams\\K\xC3\xB6pf.LBK");
  // Curly quotes round the undefined byte 0x81, which stands for the control character U+0081.
  EXPECT_EQ(j["inputs"]["IA_Name"], "\xE2\x80\x9C\xC2\x81\xE2\x80\x9D");

  // A cam file whose name is not UTF-8 (a Latin-1 name on disk) cannot make dump fail.
  const std::string cam = (dir / "K\xF6pf.S96").string();
  std::vector<double> lift(360, 0);
  for (int i = -40; i <= 40; ++i)
    lift[static_cast<std::size_t>(i + 180)] = 0.4 - 0.01 * std::abs(i);
  test::WriteTextFile(cam, test::S96Text(lift));
  const CliResult loaded = RunCli({"dump", "--intake-cam", cam});
  ASSERT_EQ(loaded.status, 0) << loaded.err;
  EXPECT_EQ(loaded.json()["inputs"]["ICam"], (dir / "K\xC3\xB6pf.S96").string());
}

// A line without "=" ends its section; the command line says so and goes on.
TEST(CommandFailures, ALineThatEndsASectionIsTold) {
  test::TempDir dir;
  const std::string engine =
      EngineWith(dir, "c.OV", "Bore", "; bore changed by hand\r\nBore = 4.5");
  const CliResult r = RunCli({"dump", engine});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json()["inputs"]["Bore"].get<double>(), 4.0);  // the file default
  EXPECT_TRUE(Has(r.err, engine + ": section [Inputs], line 5: \"; bore changed by hand\" has no "
                                  "\"=\"; it ends the reading of the section"))
      << r.err;
}

}  // namespace
}  // namespace orv
