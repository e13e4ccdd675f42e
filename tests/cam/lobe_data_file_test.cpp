#include "cam/lobe_data_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "cam/cam_lobe.h"
#include "support/lbk_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::LbkFile;
using test::LbkLobe;

std::span<const std::uint8_t> Span(const std::string& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

LobeDataError Read(CamLobe& lobe, const std::string& bytes, std::int16_t shaft, std::int16_t no,
                   LobeDataPart part = LobeDataPart::WholeLobe) {
  return lobe.ReadLobeDataBytes(Span(bytes), "X.LBK", shaft, no, part);
}

struct Listing {
  std::vector<std::string> texts;
  std::vector<std::int16_t> shafts;
  LobeDataError flag = LobeDataError::EmptyFile;
};

Listing List(const std::string& bytes) {
  Listing l;
  l.flag = CamLobe::ReadLobeListBytes(Span(bytes), l.texts, l.shafts);
  return l;
}

LbkLobe Lobe(std::int16_t shaft, std::int16_t no) {
  LbkLobe l;
  l.shaftNo = shaft;
  l.lobeNo = no;
  for (int k = 0; k < 360; ++k) {
    const int angle = k - 180;
    l.lift[static_cast<std::size_t>(k)] =
        angle > -60 && angle < 60 ? 0.01f * float(60 - std::abs(angle)) / 2 : 0;
  }
  return l;
}

LbkFile FileOf(int version, std::vector<LbkLobe> lobes) {
  LbkFile f;
  f.version = version;
  f.lobes = std::move(lobes);
  return f;
}

TEST(LobeDataFile, WriterFixtureByteByByte) {
  // Version 4, one lobe. Offsets and encodings worked out by hand from the layout:
  // header 1878 bytes, one 30-byte directory entry, one 2880-byte record.
  LbkFile f;
  f.signature = "C2Data";
  f.version = 4;
  f.notes = "Grind 281";
  f.shaftNames[0] = "INTAKE";
  LbkLobe l;
  l.shaftNo = 1;
  l.lobeNo = -105;
  l.centerlineCamDegrees = 55.5f;
  l.smoothing = 3;
  l.camCenterLine = 110;
  l.lift[0] = 0.25f;   // cam angle -180
  l.lift[180] = 0.5f;  // cam angle 0
  f.lobes = {l};
  const std::string b = test::LbkBytes(f);
  auto byte = [&](std::size_t i) {
    return static_cast<unsigned>(static_cast<unsigned char>(b[i]));
  };
  auto bytes = [&](std::size_t at, std::initializer_list<unsigned> expected) {
    std::size_t i = at;
    for (unsigned v : expected) EXPECT_EQ(byte(i++), v) << "offset " << i - 1;
  };

  ASSERT_EQ(b.size(), 1878u + 30 + 2880);
  EXPECT_EQ(b.substr(0, 6), "C2Data");
  bytes(6, {0x1E, 'D'});
  EXPECT_EQ(b.substr(8, 10), "Grind 281 ");
  bytes(968, {0xEE});                     // text not read
  bytes(1002, {0, 0, 0xEE, 0xEE, 1, 0});  // not on the valve; one camshaft
  EXPECT_EQ(b.substr(1026, 7), std::string("INTAKE") + '\0');
  bytes(1858, {0, 0, 0, 0, 0, 0, 0xD8, 0x3F});        // 0.375 = 0x3FD8000000000000
  bytes(1866, {0, 0, 0, 0, 0, 0, 0xE0, 0x3F});        // 0.5
  bytes(1874, {1, 0, 1, 0});                          // lobe count, slot count
  bytes(1878, {1, 0, 0x97, 0xFF, 0, 0, 0x5E, 0x42});  // shaft 1, lobe -105, 55.5f
  bytes(1902, {3, 0, 0, 0, 0xDC, 0x42});              // smoothing 3, 110.0f
  bytes(1908, {0, 0, 0x80, 0x3E});                    // lift at -180: 0.25f
  bytes(1908 + 180 * 4, {0, 0, 0, 0x3F});             // lift at 0: 0.5f
  bytes(1908 + 1440, {0xEE});                         // no geometry before version 6

  CamLobe lobe;
  ASSERT_EQ(Read(lobe, b, 1, -105), LobeDataError::Ok);
  EXPECT_EQ(lobe.CamCenterLine(), 110);
  EXPECT_EQ(lobe.Smoothing(), 3);
  EXPECT_EQ(lobe.LobeNo(), -105);
  EXPECT_EQ(lobe.RawLift()[-180], 0.25f);
  EXPECT_EQ(lobe.RawLift()[180], 0.25f);  // the closing entry repeats the first
  EXPECT_EQ(lobe.RawLift()[0], 0.5f);
  EXPECT_EQ(lobe.Notes().substr(0, 11), "Grind 281\r\n");
  EXPECT_EQ(lobe.PathFile(), "X.LBK");
}

TEST(LobeDataFile, VersionsTakeGeometryAndCenterlineFromTheirFields) {
  struct Row {
    int version;
    float followerRadius;
    float baseCircle;
    int mode;
    float centerline;
    int centerlineMethod;
    float angleOffset;
  };
  const Row rows[] = {
      {2, 0.375f, 0.5f, 0, 100, 0, 0},  // no header radii: the fixed ones
      {3, 0.25f, 0.75f, 0, 100, 0, 0},  // centerline twice the cam-degree one
      {4, 0.25f, 0.75f, 0, 104, 0, 0},  // centerline from the entry's last float
      {5, 0.25f, 0.75f, 0, 104, 0, 0}, {6, 0.6f, 0.9f, 1, 104, 3, 0},  // geometry from the record
      {7, 0.6f, 0.9f, 1, 104, 3, 0},   {8, 0.6f, 0.9f, 1, 104, 3, 4},  // and the angle offset
  };
  for (const Row& row : rows) {
    LbkLobe l = Lobe(2, 7);
    l.centerlineCamDegrees = 50;
    l.camCenterLine = 104;
    l.geometryCount = 2;
    l.followerRadius = 0.6f;
    l.baseCircleRadius = 0.9f;
    l.followerMode = 1;
    l.engineFollowerRadius = 0.6f;  // equal radii: the conversion keeps the lift
    l.centerlineMethod = 3;
    l.angleOffset = 4;
    LbkFile f = FileOf(row.version, {l});
    f.followerRadius = 0.25;
    f.baseCircleRadius = 0.75;
    CamLobe lobe;
    ASSERT_EQ(Read(lobe, test::LbkBytes(f), 2, 7), LobeDataError::Ok) << row.version;
    EXPECT_EQ(lobe.Geometry().FollowerRadius, row.followerRadius) << row.version;
    EXPECT_EQ(lobe.Geometry().BaseCircleRadius, row.baseCircle) << row.version;
    EXPECT_EQ(lobe.FollowerMode(), row.mode) << row.version;
    EXPECT_EQ(lobe.CamCenterLine(), row.centerline) << row.version;
    EXPECT_EQ(lobe.CenterlineMethod(), row.centerlineMethod) << row.version;
    EXPECT_EQ(lobe.AngleOffset(), row.angleOffset) << row.version;
    EXPECT_EQ(lobe.RockerRatio(), 1.5f) << row.version;
    EXPECT_EQ(lobe.ShaftNo(), 2);
  }
}

TEST(LobeDataFile, GeometryCountDecidesWhatTheRecordGives) {
  struct Row {
    std::int32_t count;
    float followerRadius;
    int centerlineMethod;
  };
  // The lobe had follower radius 9 and method 5 before the read.
  const Row rows[] = {{-1, 9, 5}, {0, 9, 5}, {1, 0.4f, 0}, {2, 0.4f, 7}};
  for (const Row& row : rows) {
    LbkLobe l = Lobe(1, 3);
    l.geometryCount = row.count;
    l.followerRadius = 0.4f;
    l.baseCircleRadius = 0.7f;
    l.centerlineMethod = 7;
    CamLobe lobe;
    lobe.Geometry().FollowerRadius = 9;
    lobe.SetCenterlineMethod(5);
    ASSERT_EQ(Read(lobe, test::LbkBytes(FileOf(6, {l})), 1, 3), LobeDataError::Ok) << row.count;
    EXPECT_EQ(lobe.Geometry().FollowerRadius, row.followerRadius) << row.count;
    EXPECT_EQ(lobe.CenterlineMethod(), row.centerlineMethod) << row.count;
  }
}

TEST(LobeDataFile, SettingsLiftAndValveFlagFromTheFile) {
  LbkLobe first = Lobe(1, 4);
  first.lash = 0.012f;
  first.liftOffset = 0.002f;
  LbkLobe twin = first;  // a second entry with the same numbers is never reached
  twin.lash = 0.5f;
  LbkFile f = FileOf(6, {Lobe(1, 3), first, twin});
  f.linearOnValve = 1;
  CamLobe lobe;
  ASSERT_EQ(Read(lobe, test::LbkBytes(f), 1, 4), LobeDataError::Ok);
  EXPECT_EQ(lobe.Lash(), 0.012f);
  EXPECT_EQ(lobe.LiftOffset(), 0.002f);
  EXPECT_TRUE(lobe.LinearOnValve());
  // On the valve: the valve lift is the measured lift less the offset, no ratio, no lash.
  EXPECT_FLOAT_EQ(lobe.ValveLift()[0], 0.3f - 0.002f);
  EXPECT_FLOAT_EQ(lobe.RawLift()[10], 0.25f);
}

TEST(LobeDataFile, ErrorCodes) {
  const std::string v6 = test::LbkBytes(FileOf(6, {Lobe(1, 1)}));
  auto withCount = [](int version, int count, int lobes) {
    std::vector<LbkLobe> all;
    for (int i = 1; i <= lobes; ++i) all.push_back(Lobe(1, static_cast<std::int16_t>(i)));
    LbkFile f = FileOf(version, all);
    f.lobeCount = static_cast<std::int16_t>(count);
    return test::LbkBytes(f);
  };
  auto edited = [&](std::size_t at, std::string text) {
    std::string b = v6;
    b.replace(at, text.size(), text);
    return b;
  };
  LbkFile v2Bare = FileOf(2, {Lobe(1, 1)});
  v2Bare.truncateTo = 1862;  // header and counts, no directory
  LbkFile v3Short = FileOf(3, {Lobe(1, 1)});
  v3Short.truncateTo = 1870;
  std::string manySlots = v6;
  manySlots[1908] = 0x30;  // slot count 30000, the slots not in the file
  manySlots[1909] = 0x75;
  std::string negativeSlots = v6;
  negativeSlots[1908] = static_cast<char>(0x9C);  // slot count -100
  negativeSlots[1909] = static_cast<char>(0xFF);

  struct Row {
    const char* name;
    std::string bytes;
    std::int16_t lobe;
    LobeDataError code;
  };
  const Row rows[] = {
      {"good", v6, 1, LobeDataError::Ok},
      {"other signature spelling", edited(0, "C2Data"), 1, LobeDataError::Ok},
      {"lobe not in the directory", v6, 2, LobeDataError::NotFound},
      {"empty", "", 1, LobeDataError::EmptyFile},
      {"1861 bytes", v6.substr(0, 1861), 1, LobeDataError::NotLobeData},
      {"wrong signature", edited(0, "C2DATA"), 1, LobeDataError::NotLobeData},
      {"signature without 0x1E", edited(6, " "), 1, LobeDataError::NotLobeData},
      {"version 1", edited(7, "A"), 1, LobeDataError::NotLobeData},
      {"version 6 with 281 lobes", withCount(6, 281, 1), 1, LobeDataError::NotLobeData},
      {"version 6 with 0 lobes", withCount(6, 0, 1), 1, LobeDataError::NotLobeData},
      {"version 5 with 97 lobes", withCount(5, 97, 1), 1, LobeDataError::NotLobeData},
      {"version 5 with 96 lobes", withCount(5, 96, 96), 96, LobeDataError::Ok},
      {"version 6 with 280 lobes", withCount(6, 280, 280), 280, LobeDataError::Ok},
      {"version 3 shorter than its header", test::LbkBytes(v3Short), 1, LobeDataError::NotLobeData},
      {"directory past the end", test::LbkBytes(v2Bare), 1, LobeDataError::NotLobeData},
      {"record cut short", v6.substr(0, v6.size() - 1), 1, LobeDataError::NotLobeData},
      {"slot count past the end", manySlots, 1, LobeDataError::NotLobeData},
      {"negative slot count", negativeSlots, 1, LobeDataError::NotLobeData},
  };
  for (const Row& row : rows) {
    CamLobe lobe;
    lobe.SetLash(0.125f);
    lobe.SetNotesField("before");
    const CamLobe before = lobe;
    EXPECT_EQ(Read(lobe, row.bytes, 1, row.lobe), row.code) << row.name;
    if (row.code != LobeDataError::Ok) {
      EXPECT_EQ(lobe, before) << row.name << ": lobe changed";
    }
  }
}

TEST(LobeDataFile, EmptyOrMissingFileOnDisk) {
  test::TempDir dir;
  const auto empty = dir / "EMPTY.LBK";
  test::WriteBytesFile(empty, "");
  CamLobe lobe;
  EXPECT_EQ(lobe.ReadLobeDataFile(empty.string(), 1, 1), LobeDataError::EmptyFile);
  // The reader leaves the user's file where it is.
  ASSERT_TRUE(std::filesystem::exists(empty));
  EXPECT_EQ(std::filesystem::file_size(empty), 0u);

  EXPECT_EQ(lobe.ReadLobeDataFile((dir / "MISSING.LBK").string(), 1, 1), LobeDataError::NotFound);
  EXPECT_EQ(lobe.ReadLobeDataFile(dir.path().string(), 1, 1),  // a folder
            LobeDataError::NotFound);

  const auto good = dir / "GOOD.LBK";
  test::WriteLbkFile(good, FileOf(7, {Lobe(3, -12)}));
  EXPECT_EQ(lobe.ReadLobeDataFile(good.string(), 3, -12), LobeDataError::Ok);
  EXPECT_EQ(lobe.PathFile(), good.string());
}

TEST(LobeDataFile, HeaderOnlyReadChangesOnlyTheNotes) {
  LbkFile f = FileOf(2, {Lobe(1, 1)});
  f.notes = std::string("Line one") + std::string(72, ' ') + "Caf\xE9";
  f.truncateTo = 1862;  // the directory is not needed
  CamLobe lobe;
  lobe.SetLash(0.125f);
  lobe.SetCamCenterLine(104);
  lobe.DataCalc();
  CamLobe expected = lobe;
  expected.SetNotesField("Line one" + std::string(72, ' ') + "Caf\xC3\xA9");
  EXPECT_EQ(Read(lobe, test::LbkBytes(f), 0, 0, LobeDataPart::HeaderOnly), LobeDataError::Ok);
  EXPECT_EQ(lobe, expected);
  EXPECT_EQ(lobe.Notes().substr(0, 17), "Line one\r\nCaf\xC3\xA9\r\n");
  // Header errors are reported in this mode too.
  EXPECT_EQ(Read(lobe, "", 0, 0, LobeDataPart::HeaderOnly), LobeDataError::EmptyFile);
  EXPECT_EQ(Read(lobe, test::LbkBytes(f).substr(0, 1000), 0, 0, LobeDataPart::HeaderOnly),
            LobeDataError::NotLobeData);
}

TEST(LobeDataFile, ConversionFailureIsReportedAndLeavesTheLobe) {
  LbkLobe l = Lobe(1, 2);
  l.geometryCount = 1;
  l.followerMode = 2;
  l.baseCircleRadius = 1;
  l.rockerRollerRadius = 0.5f;
  l.rockerCamArm = 2;
  l.pivotDistance = 10;  // the roller cannot reach the cam
  l.valveTriangleA = 0.75f;
  l.rockerValveArm = 1;
  l.valveTriangleC = 1.25f;
  const std::string bytes = test::LbkBytes(FileOf(6, {l}));
  CamLobe lobe;
  const CamLobe before = lobe;
  std::string report;
  EXPECT_EQ(lobe.ReadLobeDataBytes(Span(bytes), "R.LBK", 1, 2, LobeDataPart::WholeLobe, &report),
            LobeDataError::ConversionFailed);
  EXPECT_EQ(lobe, before);
  EXPECT_EQ(report.substr(0, 14), "Error (5)    I");
  EXPECT_NE(report.find("CamLobe/RockerConversion"), std::string::npos);
  EXPECT_NE(report.find("CamLobe/C2DataRead"), std::string::npos);
}

TEST(LobeDataFile, LobeListSortsAndNamesLobes) {
  // 5, -5 and 105 on shaft 1 of a one-shaft file: I5, I5a, then E5, with the suffix place.
  EXPECT_EQ(List(test::LbkBytes(FileOf(6, {Lobe(1, -5), Lobe(1, 105), Lobe(1, 5)}))).texts,
            (std::vector<std::string>{"  I5 ", "  I5a", "  E5 "}));

  LbkFile two = FileOf(4, {Lobe(2, -105), Lobe(1, 0), Lobe(2, 301), Lobe(1, 12), Lobe(1, 100)});
  two.shaftCount = 2;
  two.shaftNames[0] = "INTAKE";
  const Listing l = List(test::LbkBytes(two));
  EXPECT_EQ(l.flag, LobeDataError::Ok);
  EXPECT_EQ(l.texts, (std::vector<std::string>{"  Ia : INTAKE", "  I12  : INTAKE",
                                               "  I1c : Shaft No. 2", "  E5a : Shaft No. 2"}));
  EXPECT_EQ(l.shafts, (std::vector<std::int16_t>{1, 1, 2, 2}));

  LbkFile named = FileOf(6, {Lobe(2, -7)});
  named.shaftCount = 3;
  named.shaftNames[1] = std::string(
      "\0 \xC9"
      "CHAP",
      7);  // NUL and blank trimmed
  EXPECT_EQ(List(test::LbkBytes(named)).texts, (std::vector<std::string>{"  E7  : \xC3\x89"
                                                                         "CHAP"}));
}

TEST(LobeDataFile, LobeListFailures) {
  LbkFile badShaft = FileOf(6, {Lobe(1, 1), Lobe(5, 2)});
  badShaft.shaftCount = 2;
  LbkFile oneShaft = badShaft;  // shaft numbers are not checked with one camshaft
  oneShaft.shaftCount = 1;
  struct Row {
    const char* name;
    std::string bytes;
    LobeDataError flag;
    std::size_t lobes;
  };
  constexpr LobeDataError kOk = LobeDataError::Ok, kNo = LobeDataError::NotFound;
  const Row rows[] = {
      {"shaft 5 of two camshafts", test::LbkBytes(badShaft), kNo, 0},
      {"shaft 5 of one camshaft", test::LbkBytes(oneShaft), kOk, 2},
      {"lobe number 405", test::LbkBytes(FileOf(6, {Lobe(1, 3), Lobe(1, 405)})), kNo, 0},
      {"not a lobe file", std::string(3000, 'x'), kNo, 0},
      {"empty", "", kNo, 0},
      {"only empty entries", test::LbkBytes(FileOf(6, {Lobe(1, 0)})), kOk, 0},
  };
  for (const Row& row : rows) {
    const Listing l = List(row.bytes);
    EXPECT_EQ(l.flag, row.flag) << row.name;
    EXPECT_EQ(l.texts.size(), row.lobes) << row.name;
    EXPECT_EQ(l.shafts.size(), row.lobes) << row.name;
  }
}

}  // namespace
}  // namespace orv
