#include "files/engine_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

using test::FakePrompter;
using test::ReadText;
using test::WriteText;

// An engine input set holding exactly the file defaults of every key (so it writes nothing
// but the header and the list keys).
EngineInputs FileDefaults() {
  EngineInputs in;
  in.VE = 100;
  in.CriticalG = 4350;
  in.Stroke = 3.48f;
  in.Bore = 4.0;
  in.PinEndWeight = 1028.9f;
  in.PinWt = 0;
  in.RodLen = 5.7f;
  in.CR = 12.8f;
  in.DeckHeight = 9.025f;
  in.Cylinders = 8;
  in.FiringAngle = 90;
  in.IntCFM = 212;
  in.VTType = 0;
  in.Advance = 37;
  in.PkTorqRPM = 4658;
  in.PkPwrRPM = 6149;
  in.TorqLoss = 50;
  in.IntTemp = 100;
  in.MxIntVel = 450;
  in.PinOff = 0;
  in.Fuel = 0;
  in.CritIntVel = 500;
  in.ExOD = 2.0;
  in.PcntDrop = 10;
  in.IVlvDia = 2.125;
  in.IVlvStm = 0.344f;
  in.BowlA = 2.502f;
  in.IVlvCnt = 2;
  in.EVlvDia = 2;
  in.RecipBF = 55.1f;
  in.EnterAirPP = 0;
  in.I_CL = 100;
  in.E_CL = -100;
  in.I_RR = in.E_RR = 1.0f;
  in.I_Lash = in.E_Lash = 0;
  in.intakeCam = {};
  in.exhaustCam = {};
  return in;
}

// Every field different from its file default.
EngineInputs AllNonDefault() {
  EngineInputs in;
  in.VE = 1.065;
  in.CriticalG = 4000;
  in.Stroke = 3.75;
  in.Bore = 4.125;
  in.PinEndWeight = 900.5;
  in.PinWt = 400.25;
  in.RodLen = 6.125;
  in.CR = 11.5;
  in.DeckHeight = 9.5;
  in.Cylinders = 6;
  in.FiringAngle = 60;
  in.IntCFM = 300.5;
  in.VTType = 2;
  in.Advance = 34.5;
  in.PkTorqRPM = 5000;
  in.PkPwrRPM = 7000;
  in.TorqLoss = 12.5;
  in.IntTemp = 80;
  in.MxIntVel = 400;
  in.PinOff = 0.04;
  in.Fuel = 1;
  in.CritIntVel = 550;
  in.ExOD = 1.875;
  in.PcntDrop = 7.5;
  in.IVlvDia = 2.2;
  in.IVlvStm = 0.3125;
  in.BowlA = 2.75;
  in.IVlvCnt = 1;
  in.EVlvDia = 1;
  in.RecipBF = 50.5f;
  in.EnterAirPP = 1;
  in.intakeCam = {"/cams/race, cam.lbk", 3, 2};
  in.I_CL = 106.5;
  in.I_RR = 1.7f;
  in.I_Lash = 0.016f;
  in.intakeFlow = {"/flow/head.SY3", "Port 1 = best", 12, 3, true};
  in.exhaustCam = {"/cams/race.S96", 4, 1};
  in.E_CL = -112.25;
  in.E_RR = 1.6f;
  in.E_Lash = 0.018f;
  in.exhaustFlow = {"/flow/db.mdb", "Exhaust 2", 44, 2, true};
  in.ILift.Redim(0, 3);
  in.ICfm.Redim(0, 3);
  in.ISwirl.Redim(0, 3);
  for (int i = 1; i <= 3; ++i) {
    in.ILift[i] = 0.1f * static_cast<float>(i);
    in.ICfm[i] = 80.25f * static_cast<float>(i);
    in.ISwirl[i] = static_cast<float>(10 * i);
  }
  in.ELift.Redim(0, 2);
  in.ECfm.Redim(0, 2);
  in.ELift[1] = 0.2f;
  in.ELift[2] = 0.4f;
  in.ECfm[1] = 90.5f;
  in.ECfm[2] = 150.75f;
  in.Int.Redim(0, 359);
  in.Exh.Redim(0, 359);
  for (int d = 0; d < 360; ++d) {
    in.Int[d] = static_cast<float>(d) / 1000.0f;
    in.Exh[d] = static_cast<float>(359 - d) / 2000.0f;
  }
  in.IntSmth = 2;
  in.ExhSmth = 3;
  return in;
}

std::string ListOf(int count, const char* value) {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::string(value) + ",";
  return text;
}

bool Read(const fs::path& path, EngineInputs& in, bool quiet = false) {
  FakePrompter prompter;
  return EngineFileIO(path, in, true, quiet, prompter);
}

TEST(EngineFileIO, FileDefaultsWriteOnlyTheHeaderAndTheLists) {
  test::TempDir dir;
  EngineInputs in = FileDefaults();
  FakePrompter prompter;
  ASSERT_TRUE(EngineFileIO(dir / "e.OV", in, false, false, prompter));
  // Intake centerline 100 and exhaust -100 are the defaults and are not written either.
  EXPECT_EQ(ReadText(dir / "e.OV"),
            "[ID]\r\nPurpose = Orvantis Engine File\r\n[Inputs]\r\nILift = 0.0000,\r\n"
            "ICfm = 0.00,\r\nISwirl = 0,\r\nELift = 0.0000,\r\nECfm = 0.00,\r\n"
            "[IntakeCam]\r\nInt = 0.000000,\r\n[ExhaustCam]\r\nExh = 0.000000,\r\n");
}

TEST(EngineFileIO, MissingKeysReadAsTheFileDefaults) {
  test::TempDir dir;
  WriteText(dir / "e.OV", "[ID]\r\nPurpose = Orvantis Engine File\r\n");
  EngineInputs in = AllNonDefault();
  ASSERT_TRUE(Read(dir / "e.OV", in));
  const EngineInputs expected = FileDefaults();
  EXPECT_EQ(in.VE, 100.0);
  EXPECT_EQ(in.Bore, 4.0);
  EXPECT_EQ(in.Stroke, static_cast<double>(3.48f));  // narrowed to 32 bits, widened again
  EXPECT_EQ(in.PinEndWeight, static_cast<double>(1028.9f));
  EXPECT_EQ(in.IVlvCnt, 2);
  EXPECT_EQ(in.EVlvDia, 2);
  EXPECT_EQ(in.TorqLoss, 50.0);
  EXPECT_EQ(in.I_CL, 100.0);
  EXPECT_EQ(in.E_CL, -100.0);
  EXPECT_EQ(in.intakeCam, expected.intakeCam);
  EXPECT_EQ(in.exhaustFlow, expected.exhaustFlow);
  EXPECT_EQ(in.ILift.count(), 1);
  EXPECT_EQ(in.Int.count(), 1);
  EXPECT_EQ(in.IntSmth, 0);
  EXPECT_EQ(in.LeadTime, (37.0 / 4) / (4658.0 * 6));
}

TEST(EngineFileIO, RoundTripOfANonDefaultEngineGivesIdenticalFiles) {
  test::TempDir dir;
  EngineInputs in = AllNonDefault();
  FakePrompter prompter;
  ASSERT_TRUE(EngineFileIO(dir / "a.OV", in, false, false, prompter));
  EngineInputs back;
  ASSERT_TRUE(Read(dir / "a.OV", back));
  ASSERT_TRUE(EngineFileIO(dir / "b.OV", back, false, false, prompter));
  EXPECT_EQ(ReadText(dir / "a.OV"), ReadText(dir / "b.OV"));
  EXPECT_EQ(back.intakeFlow, in.intakeFlow);
  EXPECT_EQ(back.exhaustCam, in.exhaustCam);
  EXPECT_EQ(back.I_CL, 106.5);
  EXPECT_EQ(back.RecipBF, 50.5f);
  EXPECT_EQ(back.Int.count(), 360);
  EXPECT_FLOAT_EQ(back.Int[359], 0.359f);
  EXPECT_EQ(back.ISwirl.count(), 4);
  EXPECT_EQ(back.ExhSmth, 3);
  const std::string text = ReadText(dir / "a.OV");
  EXPECT_NE(text.find("ILift = 0.0000,0.1000,0.2000,0.3000,\r\n"), std::string::npos);
  EXPECT_NE(text.find("ECfm = 0.00,90.50,150.75,\r\n"), std::string::npos);
  EXPECT_NE(text.find("KbdFlow_I = -1\r\n"), std::string::npos);
  EXPECT_NE(text.find("I_CL = 106.5\r\n"), std::string::npos);
}

TEST(EngineFileIO, KeyboardTablesAreReconciledOnReading) {
  struct Row {
    const char* name;
    std::string lists;
    int iLift, iCfm, iSwirl, eLift, eCfm;
  };
  const std::vector<Row> rows = {
      {"10 lifts, 8 flows",
       "ILift = " + ListOf(10, "0.1") + "\r\nICfm = " + ListOf(8, "50") +
           "\r\nISwirl = " + ListOf(10, "3") + "\r\n",
       8, 8, 8, 1, 1},
      {"short swirl is padded",
       "ILift = " + ListOf(6, "0.1") + "\r\nICfm = " + ListOf(6, "50") +
           "\r\nISwirl = " + ListOf(3, "3") + "\r\n",
       6, 6, 6, 1, 1},
      {"exhaust 10 and 8",
       "ELift = " + ListOf(10, "0.1") + "\r\nECfm = " + ListOf(8, "50") + "\r\n", 1, 1, 1, 8, 8},
      {"one point reads as one point of 0", "ILift = 0.3,\r\nICfm = 90,\r\n", 1, 1, 1, 1, 1},
  };
  for (const Row& row : rows) {
    test::TempDir dir;
    WriteText(dir / "e.OV", "[ID]\r\nPurpose = Orvantis Engine File\r\n[Inputs]\r\n" + row.lists);
    EngineInputs in = AllNonDefault();
    ASSERT_TRUE(Read(dir / "e.OV", in)) << row.name;
    EXPECT_EQ(in.ILift.count(), row.iLift) << row.name;
    EXPECT_EQ(in.ICfm.count(), row.iCfm) << row.name;
    EXPECT_EQ(in.ISwirl.count(), row.iSwirl) << row.name;
    EXPECT_EQ(in.ELift.count(), row.eLift) << row.name;
    EXPECT_EQ(in.ECfm.count(), row.eCfm) << row.name;
  }
  test::TempDir dir;
  WriteText(dir / "e.OV", "[ID]\r\nPurpose = Orvantis Engine File\r\n[Inputs]\r\nILift = " +
                              ListOf(4, "0.1") + "\r\nICfm = 0,60.5,x,70,\r\nISwirl = 1,2,\r\n");
  EngineInputs in;
  ASSERT_TRUE(Read(dir / "e.OV", in));
  EXPECT_EQ(in.ICfm.values(), (std::vector<float>{0, 60.5f, 0, 70}));  // "x" reads as 0
  EXPECT_EQ(in.ISwirl.values(), (std::vector<float>{1, 2, 0, 0}));
  EXPECT_EQ(in.ILift[0], 0.1f);
}

// A list of one value reads as one point holding 0, not the value; from two values on the
// values are read. The other list of a side then cuts its table to the shorter length, keeping
// its own values.
TEST(EngineFileIO, AFlowListOfOneValueReadsAsOnePointOfZero) {
  using Values = std::vector<float>;
  struct Row {
    const char* name;
    std::string lists;
    Values iLift, iCfm, iSwirl, eLift, eCfm;
  };
  const std::vector<Row> rows = {
      {"one value in every list",
       "ILift = 0.3,\r\nICfm = 90,\r\nISwirl = 5,\r\nELift = 0.4,\r\nECfm = 70,\r\n",
       {0},
       {0},
       {0},
       {0},
       {0}},
      {"two values in every list",
       "ILift = 0.3,0.5,\r\nICfm = 90,120,\r\nISwirl = 5,7,\r\nELift = 0.4,0.6,\r\n"
       "ECfm = 70,95,\r\n",
       {0.3f, 0.5f},
       {90, 120},
       {5, 7},
       {0.4f, 0.6f},
       {70, 95}},
      {"one lift, two flows",
       "ILift = 0.3,\r\nICfm = 90,120,\r\nELift = 0.4,\r\nECfm = 70,95,\r\n",
       {0},
       {90},
       {0},
       {0},
       {70}},
      {"no final comma is no value", "ILift = 0.3\r\nICfm = 90,120,\r\n", {0}, {90}, {0}, {0}, {0}},
  };
  for (const Row& row : rows) {
    test::TempDir dir;
    WriteText(dir / "e.OV", "[ID]\r\nPurpose = Orvantis Engine File\r\n[Inputs]\r\n" + row.lists);
    EngineInputs in = AllNonDefault();
    ASSERT_TRUE(Read(dir / "e.OV", in)) << row.name;
    EXPECT_EQ(in.ILift.values(), row.iLift) << row.name;
    EXPECT_EQ(in.ICfm.values(), row.iCfm) << row.name;
    EXPECT_EQ(in.ISwirl.values(), row.iSwirl) << row.name;
    EXPECT_EQ(in.ELift.values(), row.eLift) << row.name;
    EXPECT_EQ(in.ECfm.values(), row.eCfm) << row.name;
  }
}

TEST(EngineFileIO, CamListsNeedAWholeTurn) {
  struct Row {
    int values;
    int expectedCount;
  };
  for (const Row& row : {Row{359, 1}, Row{360, 360}, Row{400, 360}, Row{0, 1}}) {
    test::TempDir dir;
    std::string list;
    for (int i = 0; i < row.values; ++i) list += std::to_string(i) + ".5,";
    WriteText(dir / "e.OV",
              "[ID]\r\nPurpose = Orvantis Engine File\r\n[IntakeCam]\r\nSmth = 4\r\n"
              "Int = " +
                  list + "\r\n");
    EngineInputs in = AllNonDefault();
    ASSERT_TRUE(Read(dir / "e.OV", in));
    EXPECT_EQ(in.Int.count(), row.expectedCount) << row.values;
    EXPECT_EQ(in.IntSmth, 4);
    if (row.expectedCount == 360) {
      EXPECT_EQ(in.Int[0], 0.5f);
      EXPECT_EQ(in.Int[359], 359.5f);
    }
  }
}

TEST(EngineFileIO, AForeignFileIsRefusedUnlessQuiet) {
  test::TempDir dir;
  WriteText(dir / "foreign.OV", "[ID]\r\nPurpose = Something Else\r\n[Inputs]\r\nBore = 3.5\r\n");
  const EngineInputs original = AllNonDefault();
  struct Row {
    const char* file;
    bool quiet;
    bool ok;
    const char* tail;
  };
  for (const Row& row : {Row{"foreign.OV", false, false, " is not an Orvantis engine file."},
                         Row{"missing.OV", false, false, " is not an Orvantis engine file."},
                         Row{"foreign.OV", true, true,
                             " is not an Orvantis engine file.\r\nUsing default engine values"}}) {
    EngineInputs in = original;
    FakePrompter prompter;
    EXPECT_EQ(EngineFileIO(dir / row.file, in, true, row.quiet, prompter), row.ok);
    EXPECT_EQ(prompter.beeps, 1);
    ASSERT_EQ(prompter.warnings.size(), 1u);
    EXPECT_EQ(prompter.warnings[0], (dir / row.file).string() + row.tail);
    if (row.ok) {
      EXPECT_EQ(in.Bore, 3.5);                           // the rest of the file is read
      EXPECT_EQ(in.Stroke, static_cast<double>(3.48f));  // and missing keys are defaults
    } else {
      EXPECT_EQ(in.Bore, original.Bore);
      EXPECT_EQ(in.intakeFlow, original.intakeFlow);
    }
  }
}

TEST(EngineFileIO, AFailedWriteKeepsTheOldFile) {
  test::TempDir dir;
  const fs::path path = dir / "e.OV";
  EngineInputs in = AllNonDefault();
  FakePrompter prompter;
  ASSERT_TRUE(EngineFileIO(path, in, false, false, prompter));
  const std::string before = ReadText(path);
  fs::permissions(path, fs::perms::owner_read);
  in.Bore = 3.9;
  EXPECT_FALSE(EngineFileIO(path, in, false, false, prompter));
  EXPECT_EQ(ReadText(path), before);
  EXPECT_FALSE(EngineFileIO(dir / "missing" / "e.OV", in, false, false, prompter));
}

TEST(EngineFileIO, EnterAirPPOutsideItsRangeReadsAsZero) {
  test::TempDir dir;
  WriteText(dir / "e.OV",
            "[ID]\r\nPurpose = Orvantis Engine File\r\n[Inputs]\r\nEnterAirPP = 5\r\n");
  EngineInputs in;
  ASSERT_TRUE(Read(dir / "e.OV", in));
  EXPECT_EQ(in.EnterAirPP, 0);
}

TEST(Sequence, CountsUpLikeAnOdometer) {
  struct Row {
    const char* in;
    const char* out;
  };
  for (const Row& row :
       {Row{"MyEngine000", "MyEngine001"}, Row{"MyEngine009", "MyEngine010"},
        Row{"MyEngine999", "MyEnginf000"}, Row{"999", "000"}, Row{"AZz", "BAa"}, Row{"Run", "Ruo"},
        Row{"a-9", "b-0"}, Row{"x_", "y_"}, Row{"", ""}, Row{"9.9", "0.0"},
        // The last character of each run counts on without a carry; the first follows the last.
        Row{"8", "9"}, Row{"Y", "Z"}, Row{"y", "z"}, Row{"0", "1"}, Row{"A", "B"}, Row{"a", "b"},
        Row{"Z", "A"}, Row{"z9", "a0"}, Row{"A8Z", "A9A"}}) {
    EXPECT_EQ(Sequence(row.in), row.out) << row.in;
  }
}

TEST(AdvanceFileName, KeepsTheExtension) {
  struct Row {
    const char* in;
    const char* out;
  };
  for (const Row& row :
       {Row{"Run.OV", "Ruo.OV"}, Row{"  MyEngine009.OV ", "MyEngine010.OV"},
        Row{"a.b.OV", "a.c.OV"}, Row{"NoExt", "NoExu"}, Row{".OV", ""}, Row{"   ", ""}}) {
    EXPECT_EQ(AdvanceFileName(row.in), row.out) << row.in;
  }
}

// An engine saved with cam and flow file paths of 4000 characters reopens with every
// reference and every key after them (the "Inputs" section is then far longer than its
// buffer).
TEST(EngineFileIO, LongPathsReadBackIdentically) {
  test::TempDir dir;
  EngineInputs in = AllNonDefault();
  in.intakeCam.path = "/" + std::string(3999, 'i');
  in.intakeFlow.path = "/" + std::string(3999, 'f');
  in.intakeFlow.name = std::string(4000, 'n');
  in.exhaustCam.path = "/" + std::string(3999, 'e');
  in.exhaustFlow.path = "/" + std::string(3999, 'g');
  FakePrompter notifier;
  ASSERT_TRUE(EngineFileIO(dir / "long.OV", in, false, false, notifier));
  EngineInputs back = FileDefaults();
  ASSERT_TRUE(EngineFileIO(dir / "long.OV", back, true, false, notifier));
  EXPECT_EQ(back.intakeCam, in.intakeCam);
  EXPECT_EQ(back.intakeFlow, in.intakeFlow);
  EXPECT_EQ(back.exhaustCam, in.exhaustCam);
  EXPECT_EQ(back.exhaustFlow, in.exhaustFlow);
  EXPECT_EQ(back.E_CL, in.E_CL);
  EXPECT_EQ(back.ECfm.values(), in.ECfm.values());
  // Written again, the file is the same byte for byte.
  ASSERT_TRUE(EngineFileIO(dir / "again.OV", back, false, false, notifier));
  EXPECT_EQ(ReadText(dir / "again.OV"), ReadText(dir / "long.OV"));
}

// Engine files written on Windows hold their text in Windows-1252; the program holds UTF-8.
TEST(EngineFileIO, TextIsWindows1252OnDiskAndUtf8InTheProgram) {
  test::TempDir dir;
  WriteText(dir / "win.OV",
            "[ID]\r\nPurpose = Orvantis Engine File\r\n[Inputs]\r\n"
            "ICam = C:\\Cams\\K\xF6pf.LBK\r\nIA_Name = Stra\xDF"
            "e \x80 1\r\n");
  EngineInputs in = FileDefaults();
  FakePrompter notifier;
  ASSERT_TRUE(EngineFileIO(dir / "win.OV", in, true, false, notifier));
  EXPECT_EQ(in.intakeCam.path, "C:\\Cams\\K\xC3\xB6pf.LBK");
  EXPECT_EQ(in.intakeFlow.name,
            "Stra\xC3\x9F"
            "e \xE2\x82\xAC 1");

  // Written back in Windows-1252 where the code page holds the text; otherwise in UTF-8, so
  // that every text reads back as it was. "\xC3\xA9" in Windows-1252 would read as UTF-8.
  in.exhaustCam.path = "/cams/\xD0\x9A\xD1\x83\xD0\xBB.S96";  // Cyrillic
  in.exhaustFlow.name = "\xC3\x83\xC2\xA9";                   // "Ã©"
  ASSERT_TRUE(EngineFileIO(dir / "out.OV", in, false, false, notifier));
  const std::string written = ReadText(dir / "out.OV");
  EXPECT_NE(written.find("ICam = C:\\Cams\\K\xF6pf.LBK\r\n"), std::string::npos);
  EXPECT_NE(written.find("IA_Name = Stra\xDF"
                         "e \x80 1\r\n"),
            std::string::npos);
  EXPECT_NE(written.find("ECam = /cams/\xD0\x9A\xD1\x83\xD0\xBB.S96\r\n"), std::string::npos);
  EngineInputs back = FileDefaults();
  ASSERT_TRUE(EngineFileIO(dir / "out.OV", back, true, false, notifier));
  EXPECT_EQ(back.intakeCam, in.intakeCam);
  EXPECT_EQ(back.intakeFlow, in.intakeFlow);
  EXPECT_EQ(back.exhaustCam, in.exhaustCam);
  EXPECT_EQ(back.exhaustFlow, in.exhaustFlow);
}

// Numbers that are not finite, or too large for the file's 32-bit floats, are refused on
// writing (the old file stays) and read as 0 (text that does not convert).
TEST(EngineFileIO, NonFiniteNumbersAreNeitherWrittenNorRead) {
  test::TempDir dir;
  const fs::path path = dir / "e.OV";
  WriteText(path, "old");
  FakePrompter notifier;
  struct Row {
    const char* name;
    void (*spoil)(EngineInputs&);
    const char* reason;
  };
  const std::vector<Row> rows = {
      {"double beyond float", [](EngineInputs& in) { in.TorqLoss = 1e308; },
       "the value of TorqLoss (1e+308) is beyond the range of the file's 32-bit numbers"},
      {"infinite float",
       [](EngineInputs& in) { in.RecipBF = std::numeric_limits<float>::infinity(); },
       "the value of RecipBF (inf) is not a finite number"},
      {"not a number in a cam list",
       [](EngineInputs& in) { in.Int[5] = std::numeric_limits<float>::quiet_NaN(); },
       "the list Int holds nan"},
  };
  for (const Row& row : rows) {
    EngineInputs in = AllNonDefault();
    in.Int.Redim(0, 359);
    row.spoil(in);
    std::string reason;
    EXPECT_FALSE(EngineFileIO(path, in, false, false, notifier, &reason)) << row.name;
    EXPECT_NE(reason.find(row.reason), std::string::npos) << row.name << ": " << reason;
    EXPECT_EQ(ReadText(path), "old") << row.name;
  }

  WriteText(path,
            "[ID]\r\nPurpose = Orvantis Engine File\r\n[Inputs]\r\nTorqLoss = inf\r\n"
            "PcntDrop = 1e39\r\nBore = nan\r\nI_CL = 1e400\r\n");
  EngineInputs in = AllNonDefault();
  ASSERT_TRUE(EngineFileIO(path, in, true, false, notifier));
  EXPECT_EQ(in.TorqLoss, 0);
  EXPECT_EQ(in.PcntDrop, 0);
  EXPECT_EQ(in.Bore, 0);
  EXPECT_EQ(in.I_CL, 0);
}

}  // namespace
}  // namespace orv
