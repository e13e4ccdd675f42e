#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "support/cam_text_writer.h"
#include "support/cli_runner.h"
#include "support/lbk_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::CliResult;
using test::RunCli;

const std::vector<std::string> kCardNames{"maxLift",           "maxLiftAngle", "liftAtTDC",
                                          "centerline",        "liftArea",     "maxOpeningVelocity",
                                          "maxClosingVelocity"};

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> cells;
  std::stringstream s(line);
  for (std::string cell; std::getline(s, cell, sep);) cells.push_back(cell);
  if (!line.empty() && line.back() == sep) cells.emplace_back();
  return cells;
}

using test::Lines;

std::vector<std::string> Keys(const nlohmann::ordered_json& j) {
  std::vector<std::string> keys;
  for (auto it = j.begin(); it != j.end(); ++it) keys.push_back(it.key());
  return keys;
}

// A raised-cosine lobe of half-width w cam degrees and peak `peak` on the measured table.
test::LbkLobe CosineLobe(std::int16_t lobeNo, int w, float peak) {
  test::LbkLobe lobe;
  lobe.lobeNo = lobeNo;
  // The lobe's own settings differ from the engine's: the folder table uses the engine's.
  lobe.camCenterLine = lobeNo > 0 ? 100 : -116;
  lobe.rockerRatio = 1.5f;
  lobe.lash = 0.004f;
  for (int i = -180; i <= 179; ++i) {
    if (std::abs(i) < w) {
      lobe.lift[static_cast<std::size_t>(i + 180)] =
          static_cast<float>(peak / 2 * (1 + std::cos(std::numbers::pi * i / w)));
    }
  }
  return lobe;
}

// A folder with a lobe data file of three lobes (the third never reaches 0.200 in of valve
// lift) and an S96 file.
struct LobeFolder {
  test::TempDir dir;
  std::string lbk = (dir / "SET.LBK").string();
  LobeFolder() {
    test::LbkFile f;
    f.lobes = {CosineLobe(1, 60, 0.30f), CosineLobe(2, 50, 0.32f), CosineLobe(-3, 55, 0.09f)};
    test::WriteLbkFile(lbk, f);
    std::vector<double> lift(360, 0);
    for (int i = -45; i <= 45; ++i)
      lift[static_cast<std::size_t>(i + 180)] = 0.3 - 0.006 * std::abs(i);
    test::WriteTextFile(dir / "ONE.S96", test::S96Text(lift));
  }
};

TEST(CardCommand, JsonHasTheBindingNames) {
  const CliResult r = RunCli({"card", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  // The names in the order they are written.
  const nlohmann::ordered_json j = nlohmann::ordered_json::parse(r.out);
  EXPECT_EQ(Keys(j),
            (std::vector<std::string>{"units", "intake", "exhaust", "separation", "overlap"}));
  EXPECT_EQ(j["units"], "english");
  for (const char* side : {"intake", "exhaust"}) {
    std::vector<std::string> names = kCardNames;
    names.push_back("checks");
    EXPECT_EQ(Keys(j[side]), names);
    ASSERT_EQ(j[side]["checks"].size(), 3u);
    EXPECT_EQ(Keys(j[side]["checks"][0]),
              (std::vector<std::string>{"height", "duration", "opens", "closes"}));
    EXPECT_EQ(j[side]["checks"][1]["height"], 0.05);
  }
  ASSERT_EQ(j["overlap"].size(), 3u);
  EXPECT_EQ(Keys(j["overlap"][2]), (std::vector<std::string>{"height", "overlap"}));
  // The default engine: intake lobe 1.85 x 0.399954 at entry 178 (crank 103.9 - 2).
  EXPECT_NEAR(j["intake"]["maxLift"].get<double>(), 0.399954 * 1.85, 1e-6);
  EXPECT_NEAR(j["intake"]["maxLiftAngle"].get<double>(), 101.9, 1e-9);
  EXPECT_NEAR(j["exhaust"]["maxLift"].get<double>(), 0.391235 * 1.85, 1e-6);
  EXPECT_NEAR(j["exhaust"]["maxLiftAngle"].get<double>(), -111.9, 1e-9);
  const double sep =
      (j["intake"]["centerline"].get<double>() + j["exhaust"]["centerline"].get<double>()) / 2;
  EXPECT_DOUBLE_EQ(j["separation"].get<double>(), sep);
}

TEST(CardCommand, HeightNeverReachedIsNullAndADash) {
  const CliResult json = RunCli({"card", "--check", "0.050,2.5", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json j = json.json();
  EXPECT_TRUE(j["intake"]["checks"][0]["duration"].is_number());
  for (const char* key : {"duration", "opens", "closes"}) {
    EXPECT_TRUE(j["intake"]["checks"][1][key].is_null()) << key;
  }
  EXPECT_TRUE(j["overlap"][1]["overlap"].is_null());

  const CliResult table = RunCli({"card", "--check", "0.050,2.5"});
  ASSERT_EQ(table.status, 0) << table.err;
  bool seen = false;
  for (const std::string& line : Lines(table.out)) {
    if (line.rfind("Duration at 2.5 in", 0) != 0) continue;
    seen = true;
    const auto cells = Split(line, ' ');
    std::vector<std::string> words;
    for (const auto& c : cells) {
      if (!c.empty()) words.push_back(c);
    }
    EXPECT_EQ(words.back(), "\xe2\x80\x93");
    EXPECT_EQ(words[words.size() - 2], "\xe2\x80\x93");
  }
  EXPECT_TRUE(seen) << table.out;
  EXPECT_EQ(table.out.find("0.0000"), std::string::npos) << "a missing figure printed as 0";
}

TEST(CardCommand, MetricCardIsTheEnglishCardConverted) {
  const CliResult en = RunCli({"card", "--json"});
  const CliResult mm = RunCli({"card", "--json", "--units", "metric"});
  ASSERT_EQ(en.status, 0);
  ASSERT_EQ(mm.status, 0) << mm.err;
  const nlohmann::json a = en.json();
  const nlohmann::json b = mm.json();
  EXPECT_EQ(b["units"], "metric");
  for (const char* side : {"intake", "exhaust"}) {
    for (const char* key :
         {"maxLift", "liftAtTDC", "liftArea", "maxOpeningVelocity", "maxClosingVelocity"}) {
      EXPECT_NEAR(b[side][key].get<double>(), a[side][key].get<double>() * 25.4, 1e-7) << key;
    }
    for (const char* key : {"maxLiftAngle", "centerline"}) {
      EXPECT_NEAR(b[side][key].get<double>(), a[side][key].get<double>(), 1e-6) << key;
    }
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_NEAR(b[side]["checks"][k]["height"].get<double>(),
                  a[side]["checks"][k]["height"].get<double>() * 25.4, 1e-12);
      for (const char* key : {"duration", "opens", "closes"}) {
        EXPECT_NEAR(b[side]["checks"][k][key].get<double>(),
                    a[side]["checks"][k][key].get<double>(), 1e-6);
      }
    }
  }
}

TEST(LobeCardsCommand, CsvHeaderAndEmptyCells) {
  LobeFolder folder;
  const CliResult r =
      RunCli({"lobes", folder.dir.path().string(), "--card", "--csv", "--check", "0.006,0.200"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 5u) << r.out;  // header, three lobes, the S96 file
  EXPECT_EQ(lines[0],
            "file,lobe,side,maxLift,maxLiftAngle,liftAtTDC,centerline,liftArea,"
            "maxOpeningVelocity,maxClosingVelocity,duration@0.006,opens@0.006,closes@0.006,"
            "duration@0.200,opens@0.200,closes@0.200");
  EXPECT_EQ(Split(lines[1], ',')[0], "SET.LBK");
  EXPECT_EQ(Split(lines[1], ',')[1], "I1");
  EXPECT_EQ(Split(lines[1], ',')[2], "intake");
  const auto third = Split(lines[3], ',');
  ASSERT_EQ(third.size(), 16u);
  EXPECT_EQ(third[1], "E3");
  EXPECT_EQ(third[2], "exhaust");
  // 0.09 x 1.85 never reaches 0.200: empty cells, not 0.
  EXPECT_NE(third[10], "");
  EXPECT_EQ(third[13], "");
  EXPECT_EQ(third[14], "");
  EXPECT_EQ(third[15], "");
  EXPECT_EQ(Split(lines[4], ',')[0], "ONE.S96");
  EXPECT_EQ(Split(lines[4], ',')[1], "");
}

// The row of each lobe equals the card of that lobe opened alone into the engine with the
// same settings typed in.
TEST(LobeCardsCommand, FolderRowsEqualEachLobeOpenedAlone) {
  LobeFolder folder;
  const CliResult r = RunCli({"lobes", folder.dir.path().string(), "--card", "--csv",
                              "--centerline", "108", "--rocker-ratio", "1.5", "--lash", "0.01"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  const auto header = Split(lines[0], ',');
  struct Lobe {
    const char* number;
    bool intake;
  };
  const Lobe lobes[] = {{"1", true}, {"2", true}, {"-3", false}};
  for (std::size_t n = 0; n < 3; ++n) {
    SCOPED_TRACE(lobes[n].number);
    const std::string side = lobes[n].intake ? "intake" : "exhaust";
    const std::string p = lobes[n].intake ? "I_" : "E_";
    const CliResult alone =
        RunCli({"card", "--json", "--" + side + "-cam", folder.lbk, "--" + side + "-shaft", "1",
                "--" + side + "-lobe", lobes[n].number, "--set",
                p + "CL=" + (lobes[n].intake ? "108" : "-108"), "--set", p + "RR=1.5", "--set",
                p + "Lash=0.01"});
    ASSERT_EQ(alone.status, 0) << alone.err;
    const nlohmann::json card = alone.json()[side];
    const auto row = Split(lines[n + 1], ',');
    ASSERT_EQ(row.size(), header.size());
    for (std::size_t c = 3; c < 10; ++c) {
      ASSERT_FALSE(row[c].empty()) << header[c];
      EXPECT_EQ(std::stod(row[c]), card[header[c]].get<double>()) << header[c];
    }
    for (std::size_t k = 0; k < 3; ++k) {
      for (std::size_t f = 0; f < 3; ++f) {
        const std::size_t c = 10 + 3 * k + f;
        const nlohmann::json& v = card["checks"][k][f == 0   ? "duration"
                                                    : f == 1 ? "opens"
                                                             : "closes"];
        if (v.is_null()) {
          EXPECT_EQ(row[c], "") << header[c];
        } else {
          EXPECT_EQ(std::stod(row[c]), v.get<double>()) << header[c];
        }
      }
    }
  }
}

TEST(LobeCardsCommand, PlacementOptionsAndSorting) {
  LobeFolder folder;
  // Rocker ratio 1 and lash 0: the maximum lift is the measured peak.
  const CliResult r = RunCli({"lobes", folder.lbk, "--card", "--csv", "--rocker-ratio", "1",
                              "--lash", "0", "--sort", "maxLift", "--reverse"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  std::vector<std::string> order;
  std::vector<double> lifts;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto row = Split(lines[i], ',');
    order.push_back(row[1]);
    lifts.push_back(std::stod(row[3]));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"I2", "I1", "E3"}));
  EXPECT_NEAR(lifts[0], 0.32, 1e-6);
  EXPECT_NEAR(lifts[1], 0.30, 1e-6);
  EXPECT_NEAR(lifts[2], 0.09, 1e-6);

  // --centerline moves the peak: entry 179 stands at crank angle centerline - 4.
  const CliResult moved =
      RunCli({"lobes", folder.lbk, "--card", "--csv", "--centerline", "100", "--sort", "lobe"});
  ASSERT_EQ(moved.status, 0) << moved.err;
  const std::vector<std::string> movedLines = Lines(moved.out);
  ASSERT_EQ(movedLines.size(), 4u);
  for (std::size_t i = 1; i < movedLines.size(); ++i) {
    // Before TDC for the exhaust lobe.
    const bool exhaust = Split(movedLines[i], ',')[2] == "exhaust";
    EXPECT_NEAR(std::stod(Split(movedLines[i], ',')[4]), exhaust ? -104 : 96, 1e-9)
        << movedLines[i];
  }
  EXPECT_EQ(Split(Lines(moved.out)[1], ',')[1], "E3");  // "E3" < "I1" < "I2"

  // A table for people: the same columns, fixed decimals.
  const CliResult table = RunCli({"lobes", folder.lbk, "--card", "--units", "metric"});
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_EQ(Lines(table.out)[0].rfind("file     lobe  side", 0), 0u) << table.out;
  EXPECT_NE(Lines(table.out)[0].find("duration@1.27"), std::string::npos);
}

TEST(LobeCardsCommand, BadOptionsAreRefused) {
  LobeFolder folder;
  const std::string dir = folder.dir.path().string();
  struct Row {
    std::vector<std::string> args;
    const char* message;
  };
  const Row rows[] = {
      {{"lobes", dir, "--card", "--sort", "speed"}, "no column is named \"speed\""},
      {{"lobes", dir, "--card", "--check", "0.05", "--sort", "duration@0.006"},
       "no column is named"},
      {{"lobes", dir, "--card", "--check", "0,0.05"}, "above 0"},
      {{"lobes", dir, "--card", "--check", "0.05,x"}, "\"x\""},
      {{"lobes", dir, "--card", "--check", "0.05,0.05"}, "given twice"},
      {{"lobes", dir, "--card", "--rocker-ratio", "0"}, "--rocker-ratio"},
      {{"lobes", dir, "--card", "--lash", "-0.01"}, "--lash"},
      {{"lobes", dir, "--card", "--centerline", "400"}, "--centerline"},
      {{"lobes", dir, "--csv"}, "--csv applies with --card only"},
      {{"lobes", dir, "--card", "--engine", (folder.dir / "none.OV").string()},
       "cannot read the engine file"},
      {{"lobes", (folder.dir / "NOTHING.TXT").string(), "--card"}, "neither a folder nor"},
      {{"card", "--check", "-1"}, "above 0"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args[r.args.size() - 1]);
    const CliResult res = RunCli(r.args);
    EXPECT_NE(res.status, 0);
    EXPECT_NE(res.err.find(r.message), std::string::npos) << res.err;
    EXPECT_EQ(res.out, "");
  }
}

TEST(LobeCardsCommand, UnreadableLobeFileGivesNoRowAndEmptyFolderOnlyTheHeader) {
  test::TempDir dir;
  const CliResult empty = RunCli({"lobes", dir.path().string(), "--card", "--csv"});
  ASSERT_EQ(empty.status, 0) << empty.err;
  EXPECT_EQ(Lines(empty.out).size(), 1u);
  test::WriteBytesFile(dir / "BAD.LBK", "not a lobe file");
  const CliResult bad = RunCli({"lobes", dir.path().string(), "--card", "--csv"});
  ASSERT_EQ(bad.status, 0) << bad.err;
  EXPECT_EQ(Lines(bad.out).size(), 1u);
}

}  // namespace
}  // namespace orv
