#include "cam/cam_text_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "support/cam_text_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

// A lobe by cam degree -180..179: `peak` at index `centre`, falling 0.01 per degree to 0.
std::vector<double> Triangle(int centre, double peak) {
  std::vector<double> v(360);
  for (int i = -180; i <= 179; ++i) {
    int d = std::abs(i - centre);
    if (d > 180) d = 360 - d;
    v[static_cast<std::size_t>(i + 180)] = std::max(0.0, peak - 0.01 * d);
  }
  return v;
}

std::vector<std::pair<double, double>> Columns(const std::vector<double>& exhaust,
                                               const std::vector<double>& intake) {
  std::vector<std::pair<double, double>> rows;
  for (std::size_t k = 0; k < intake.size(); ++k) rows.emplace_back(exhaust[k], intake[k]);
  return rows;
}

// A lobe that remembers what a reader must not touch.
CamLobe UsedLobe() {
  CamLobe lobe;
  lobe.SetLobeNo(-3);
  lobe.SetShaftNo(2);
  lobe.SetSmoothing(4);
  lobe.SetRockerRatio(1.7f);
  lobe.SetLash(0.01f);
  lobe.SetCamCenterLine(-104);
  lobe.Geometry().PivotDistance = 2;
  return lobe;
}

TEST(S96File, LargestValueMovesToTheLobeCentre) {
  // A flat top on lines 200 and 201 (indexes 19 and 20): the lower index is the centre.
  std::vector<double> v = Triangle(19, 0.4);
  v[200] = 0.4;   // index 20
  v[198] = 0.35;  // index 18
  v[201] = 0.30;  // index 21
  CamLobe lobe = UsedLobe();
  EXPECT_EQ(ReadS96Text(test::S96Text(v), "A.S96", lobe), CamTextError::Ok);
  EXPECT_FLOAT_EQ(lobe.RawLift()[0], 0.4f);
  EXPECT_FLOAT_EQ(lobe.RawLift()[1], 0.4f);
  EXPECT_FLOAT_EQ(lobe.RawLift()[-1], 0.35f);
  EXPECT_FLOAT_EQ(lobe.RawLift()[2], 0.30f);
  EXPECT_FLOAT_EQ(lobe.RawLift()[-19], 0.21f);  // index 0 of the file
  EXPECT_EQ(lobe.CamCenterLine(), 0);
  EXPECT_EQ(lobe.RockerRatio(), 1);
  EXPECT_EQ(lobe.Lash(), 0);
  EXPECT_EQ(lobe.PathFile(), "A.S96");
  // Identity, smoothing and geometry stay.
  EXPECT_EQ(lobe.LobeNo(), -3);
  EXPECT_EQ(lobe.ShaftNo(), 2);
  EXPECT_EQ(lobe.Smoothing(), 4);
  EXPECT_EQ(lobe.Geometry().PivotDistance, 2);
}

TEST(S96File, LinesAndSizes) {
  const std::vector<double> v = Triangle(0, 0.4);
  std::vector<double> short359(v.begin() + 1, v.end());
  std::string exactly12000 = test::S96Text(v);
  exactly12000 = std::string(12000 - exactly12000.size() - 2, 'x') + "\r\n" + exactly12000;
  struct Row {
    const char* name;
    std::string text;
    CamTextError flag;
    float centre;  // RawLift(0) on success
  };
  const Row rows[] = {
      {"360 lines", test::S96Text(v), CamTextError::Ok, 0.4f},
      // A 361st line before them and text after the last line end are not read.
      {"361 lines", test::S96Text(v, 4, {"9.9"}, "8.8"), CamTextError::Ok, 0.4f},
      {"359 lines", test::S96Text(short359), CamTextError::TooFewLines, 0},
      {"line feeds only", "0.1\n0.2\n", CamTextError::TooFewLines, 0},
      {"no line end", "0.4", CamTextError::TooFewLines, 0},
      {"millimetres", test::S96Text(Triangle(0, 10.16)), CamTextError::Ok, 0.4f},
      {"12000 bytes", exactly12000, CamTextError::Ok, 0.4f},
      {"12001 bytes", "x" + exactly12000, CamTextError::TooLarge, 0},
  };
  for (const Row& row : rows) {
    CamLobe lobe = UsedLobe();
    const CamLobe before = lobe;
    EXPECT_EQ(ReadS96Text(row.text, "B.S96", lobe), row.flag) << row.name;
    if (row.flag == CamTextError::Ok) {
      EXPECT_FLOAT_EQ(lobe.RawLift()[0], row.centre) << row.name;
    } else {
      EXPECT_EQ(lobe, before) << row.name;
    }
  }
}

TEST(S96File, FilesOnDisk) {
  test::TempDir dir;
  test::WriteTextFile(dir / "LOBE.S96", test::S96Text(Triangle(-40, 0.35)));
  test::WriteTextFile(dir / "BIG.S96", std::string(12001, '1'));
  CamLobe lobe;
  EXPECT_EQ(ReadS96File((dir / "LOBE.S96").string(), lobe), CamTextError::Ok);
  EXPECT_FLOAT_EQ(lobe.RawLift()[0], 0.35f);
  EXPECT_EQ(ReadS96File((dir / "BIG.S96").string(), lobe), CamTextError::TooLarge);
  std::string report;
  EXPECT_EQ(ReadS96File((dir / "NONE.S96").string(), lobe, &report), CamTextError::ReadError);
  EXPECT_EQ(report.substr(0, 10), "Error (53)");
  EXPECT_NE(report.find("FileIO/ReadS96File"), std::string::npos);
  EXPECT_FLOAT_EQ(lobe.RawLift()[0], 0.35f);
}

TEST(CamDocument, SymmetricLobeCentreGivesTheCenterline) {
  // Intake lobe peaking at cam degree 110, exhaust lobe at -110 with a lower peak: the column
  // read follows the side asked for.
  const std::string text = test::CamDocText(Columns(Triangle(-110, 0.35), Triangle(110, 0.4)));
  struct Row {
    bool intake;
    float centerline;
    float peak;
  };
  for (const Row row : {Row{true, 220, 0.4f}, Row{false, -220, 0.35f}}) {
    CamLobe lobe = UsedLobe();
    ASSERT_EQ(ReadCamDocText(text, "C.C3", lobe, row.intake), CamTextError::Ok);
    EXPECT_FLOAT_EQ(lobe.CamCenterLine(), row.centerline);
    EXPECT_FLOAT_EQ(lobe.RawLift()[0], row.peak);
    EXPECT_FLOAT_EQ(lobe.RawLift()[5], row.peak - 0.05f);
    EXPECT_FLOAT_EQ(lobe.RawLift()[-5], row.peak - 0.05f);
    EXPECT_EQ(lobe.RockerRatio(), 1);
    EXPECT_EQ(lobe.Lash(), 0);
    EXPECT_EQ(lobe.LobeNo(), -3);
  }
}

TEST(CamDocument, TenthDegreeModeAbove12000Bytes) {
  // 3600 lines, 12001 bytes: ",1" CR LF on the 1201 lines of tenth-degree indexes 500..1700
  // (50.0 to 170.0 degrees) and "," CR LF elsewhere. The flanks cross every level half-way
  // between the plateau's last tenth and the next, so the centre is index 1100: 110 degrees.
  std::string text;
  for (int i = -1800; i <= 1799; ++i) text += i >= 500 && i <= 1700 ? ",1\r\n" : ",\r\n";
  ASSERT_EQ(text.size(), 12001u);
  CamLobe lobe;
  ASSERT_EQ(ReadCamDocText(text, "T.C1", lobe, true), CamTextError::Ok);
  EXPECT_FLOAT_EQ(lobe.CamCenterLine(), 220);
  EXPECT_EQ(lobe.RawLift()[0], 1);
  EXPECT_EQ(lobe.RawLift()[60], 1);   // tenth index 1700
  EXPECT_EQ(lobe.RawLift()[61], 0);   // 1710
  EXPECT_EQ(lobe.RawLift()[-60], 1);  // 500
  EXPECT_EQ(lobe.RawLift()[-61], 0);  // 490

  // 12000 bytes is still whole degrees.
  std::string degrees = test::CamDocText(Columns(Triangle(0, 0.3), Triangle(110, 0.4)));
  degrees = std::string(12000 - degrees.size() - 2, 'x') + "\r\n" + degrees;
  ASSERT_EQ(degrees.size(), 12000u);
  ASSERT_EQ(ReadCamDocText(degrees, "D.C2", lobe, true), CamTextError::Ok);
  EXPECT_FLOAT_EQ(lobe.CamCenterLine(), 220);
}

TEST(CamDocument, LinesCommasAndSizes) {
  const auto rows = Columns(Triangle(-100, 0.3), Triangle(20, 0.4));
  std::vector<std::pair<double, double>> rows359(rows.begin() + 1, rows.end());
  // A line without a comma takes the comma of the line before: the two lines read as one.
  std::string borrowed = test::CamDocText(rows, 4, {"0.0000,0.0000"});
  const std::size_t line200 = [&] {
    std::size_t at = 0;
    for (int k = 1; k < 200; ++k) at = borrowed.find("\r\n", at) + 2;
    return at;
  }();
  borrowed.erase(borrowed.find(',', line200), 1);
  std::string noComma = test::S96Text(Triangle(0, 0.4));
  struct Row {
    const char* name;
    std::string text;
    CamTextError flag;
  };
  const Row cases[] = {
      {"360 lines", test::CamDocText(rows), CamTextError::Ok},
      {"359 lines", test::CamDocText(rows359), CamTextError::TooFewLines},
      {"first line without comma", "0.1\r\n" + test::CamDocText(rows359),
       CamTextError::TooFewLines},
      {"no comma anywhere", noComma, CamTextError::TooFewLines},
      {"borrowed comma", borrowed, CamTextError::Ok},
      {"150001 bytes", std::string(150001, ','), CamTextError::TooLarge},
  };
  for (const Row& row : cases) {
    CamLobe lobe = UsedLobe();
    const CamLobe before = lobe;
    EXPECT_EQ(ReadCamDocText(row.text, "E.C4", lobe, true), row.flag) << row.name;
    if (row.flag != CamTextError::Ok) {
      EXPECT_EQ(lobe, before) << row.name;
    }
  }

  // Line 200 of the file (cam degree 18) borrows the comma of line 199 (degree 17): its intake
  // text spans the line end and reads as 0, and the lines before it move up one degree. The
  // lobe centre (degree 20) is read as usual.
  CamLobe lobe;
  ASSERT_EQ(ReadCamDocText(borrowed, "E.C4", lobe, true), CamTextError::Ok);
  EXPECT_FLOAT_EQ(lobe.CamCenterLine(), 40);
  EXPECT_FLOAT_EQ(lobe.RawLift()[-1], 0.39f);  // degree 19
  EXPECT_EQ(lobe.RawLift()[-2], 0);            // degree 18: the borrowed line
  EXPECT_FLOAT_EQ(lobe.RawLift()[-3], 0.36f);  // degree 17 holds the line of degree 16
}

TEST(CamDocument, MillimetresAndFiles) {
  test::TempDir dir;
  test::WriteTextFile(dir / "MM.C16",
                      test::CamDocText(Columns(Triangle(-100, 9.0), Triangle(100, 10.16))));
  CamLobe lobe;
  ASSERT_EQ(ReadCamDocFile((dir / "MM.C16").string(), lobe, true), CamTextError::Ok);
  EXPECT_FLOAT_EQ(lobe.RawLift()[0], 0.4f);
  // 3.9 itself is inches.
  test::WriteTextFile(dir / "IN.C1", test::CamDocText(Columns(Triangle(0, 3.9), Triangle(0, 0))));
  ASSERT_EQ(ReadCamDocFile((dir / "IN.C1").string(), lobe, false), CamTextError::Ok);
  EXPECT_FLOAT_EQ(lobe.RawLift()[0], 3.9f);
  EXPECT_EQ(ReadCamDocFile((dir / "NONE.C1").string(), lobe, false), CamTextError::ReadError);
}

TEST(CamDocument, FindLobeCentreByHand) {
  // Rising 0.01 per degree to 0.1 at index 110, falling 0.02 per degree after it. Crossings of
  // 0.097, 0.094, 0.091: 109.7, 109.4, 109.1 before the peak, 110.15, 110.3, 110.45 after;
  // their mean 109.85.
  BoundedArray<float> t(-180, 180);
  for (int i = 100; i <= 110; ++i) t[i] = 0.01f * float(i - 100);
  for (int i = 111; i <= 115; ++i) t[i] = 0.1f - 0.02f * float(i - 110);
  EXPECT_NEAR(FindLobeCentre(t, 110), 109.85, 1e-4);
  // A flat table: every walk goes half a turn, to index 0 from either side of -180.
  EXPECT_EQ(FindLobeCentre(BoundedArray<float>(-180, 180), -180), 0);
}

}  // namespace
}  // namespace orv
