#include "cam/cam_lobe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/runtime_error.h"
#include "support/runtime_errors.h"

namespace orv {
namespace {

// A raw lift table that is `value` at one index and 0 elsewhere (index 180 follows -180).
BoundedArray<float> OneHot(int index, float value) {
  BoundedArray<float> t(-180, 180);
  t[index] = value;
  if (index == -180) t[180] = value;
  return t;
}

using test::ErrorOf;

TEST(CamLobe, CenterlinePlacesTheLobeCentre) {
  struct Row {
    float centerline;
    int tableShift;
    float subDegreeShift;
    int centreIndex;  // CamLift index that receives RawLift(0)
  };
  // x = -CL / 2 (+ 360 when negative); a part of a degree turns one degree further and is
  // counted forward: 221 -> x = 249.5 -> shift 250, fraction 0.5; the centre lands at 110, which
  // stands for cam angle 110.5 = 221 / 2.
  const Row rows[] = {
      {0, 0, 0, 0},
      {221, 250, 0.5f, 110},
      {-219, 110, 0.5f, -110},  // cam angle -110 + 0.5 = -109.5
      {220, 250, 0, 110},
      {-220, 110, 0, -110},
      {100.5f, 310, 0.25f, 50},  // x = 309.75
  };
  for (const Row& row : rows) {
    CamLobe lobe;
    lobe.SetRawLift(OneHot(0, 0.4f));
    lobe.SetCamCenterLine(row.centerline);
    lobe.SetRockerRatio(1);
    lobe.DataCalc();
    EXPECT_EQ(lobe.TableShift(), row.tableShift) << row.centerline;
    EXPECT_EQ(lobe.SubDegreeShift(), row.subDegreeShift) << row.centerline;
    EXPECT_EQ(lobe.CamLift()[row.centreIndex], 0.4f) << row.centerline;
    // The fractional lookup honours the part of a degree: the centre is read back exactly at
    // half the centerline.
    EXPECT_FLOAT_EQ(
        lobe.CamDataSValue(CamLobe::kCurveCamLift, row.centreIndex + row.subDegreeShift), 0.4f)
        << row.centerline;
  }
}

TEST(CamLobe, CenterlineOf221ReadsWholeEntriesAtHalfDegrees) {
  CamLobe lobe;
  BoundedArray<float> raw(-180, 180);
  for (int i = -180; i <= 180; ++i) raw[i] = static_cast<float>(i + 200) / 1000;
  lobe.SetRawLift(raw);
  lobe.SetCamCenterLine(221);
  lobe.DataCalc();
  EXPECT_EQ(lobe.CamDataSValue(1, 110.5f), lobe.CamLift()[110]);
  // Half-way between entries 10 and 11 of the turned table.
  EXPECT_FLOAT_EQ(lobe.CamDataSValue(1, 11.0f), (lobe.CamLift()[10] + lobe.CamLift()[11]) / 2);
}

TEST(CamLobe, CenterlineBeyondOneTurnLeavesTheTables) {
  CamLobe lobe;
  lobe.SetRawLift(OneHot(0, 1));
  lobe.SetRockerRatio(1);
  lobe.DataCalc();
  const BoundedArray<float> before = lobe.CamLift();
  lobe.SetCamCenterLine(1000);  // x = -500 + 360 = -140
  lobe.DataCalc();
  EXPECT_EQ(lobe.CamLift(), before);
  lobe.SetCamCenterLine(-800);  // x = 400
  lobe.DataCalc();
  EXPECT_EQ(lobe.CamLift(), before);
  EXPECT_EQ(lobe.TableShift(), 0);
}

// The turn x = -centerline / 2 (+ 360 when negative) may reach 0 and 360 themselves; a half
// degree beyond either leaves the tables as they were (here: the centre at 50 of a centerline
// of 100).
TEST(CamLobe, CenterlineAtTheEdgesOfOneTurn) {
  struct Row {
    float centerline;
    bool rebuilt;
    int tableShift;
    int centreIndex;
  };
  const Row rows[] = {
      {-720, true, 360, 0},    // x = 360
      {-721, false, 310, 50},  // x = 360.5
      {720, true, 0, 0},       // x = -360 + 360 = 0
      {721, false, 310, 50},   // x = -0.5
      {-719, true, 0, 0},      // x = 359.5: one degree further is 360, kept as 0
      {719, true, 1, -1},      // x = 0.5: index -1 stands for -0.5 = 359.5 - 360
  };
  for (const Row& row : rows) {
    CamLobe lobe;
    lobe.SetRawLift(OneHot(0, 0.4f));
    lobe.SetRockerRatio(1);
    lobe.SetCamCenterLine(100);
    lobe.DataCalc();
    ASSERT_EQ(lobe.CamLift()[50], 0.4f);
    lobe.SetCamCenterLine(row.centerline);
    lobe.DataCalc();
    EXPECT_EQ(lobe.TableShift(), row.tableShift) << row.centerline;
    EXPECT_EQ(lobe.CamLift()[row.centreIndex], 0.4f) << row.centerline;
    EXPECT_EQ(lobe.ValveLift()[row.centreIndex], 0.4f) << row.centerline;
    EXPECT_EQ(lobe.CamLift()[50] == 0.4f, !row.rebuilt) << row.centerline;
  }
}

TEST(CamLobe, ValveLiftTakesRatioAndLashAndNeverGoesNegative) {
  struct Row {
    float raw, ratio, lash, liftOffset;
    bool linearOnValve;
    float camLift, valveLift;
  };
  const Row rows[] = {
      {0.01f, 1.5f, 0.02f, 0, false, 0.01f, 0},  // 0.015 - 0.02 < 0: clipped
      {0.1f, 1.5f, 0.02f, 0, false, 0.1f, 0.13f},
      {0.3f, 1.75f, 0, 0.1f, false, 0.2f, 0.35f},  // offset first, then ratio
      {0.05f, 2, 0, 0.1f, false, 0, 0},            // below the offset: 0
      {0.3f, 1.75f, 0.02f, 0.1f, true, 0, 0.2f},   // on the valve: no ratio, no lash
  };
  for (const Row& row : rows) {
    CamLobe lobe;
    lobe.SetRawLift(OneHot(0, row.raw));
    lobe.SetRockerRatio(row.ratio);
    lobe.SetLash(row.lash);
    lobe.SetLiftOffset(row.liftOffset);
    lobe.SetLinearOnValve(row.linearOnValve);
    lobe.DataCalc();
    EXPECT_NEAR(lobe.CamLift()[0], row.camLift, 1e-7) << row.raw;
    EXPECT_NEAR(lobe.ValveLift()[0], row.valveLift, 1e-7) << row.raw;
    EXPECT_EQ(lobe.ValveLift()[1], 0) << row.raw;
  }
}

TEST(CamLobe, ValveVelocityIsCentralDifferenceClosedOverTheTurn) {
  CamLobe lobe;
  lobe.SetRawLift(OneHot(-179, 0.2f));
  lobe.SetRockerRatio(1);
  lobe.DataCalc();
  const auto& v = lobe.ValveVelocity();
  EXPECT_FLOAT_EQ(v[-180], 0.1f);  // (lift(-179) - lift(179)) / 2
  EXPECT_FLOAT_EQ(v[180], 0.1f);
  EXPECT_FLOAT_EQ(v[-178], -0.1f);
  EXPECT_EQ(v[-179], 0);
  EXPECT_EQ(v[0], 0);
}

// The last entries before the closing one: 179 reads its upper neighbour at 180, the same
// angle as -180, and -179 reads its lower one there.
TEST(CamLobe, ValveVelocityAtBothEndsOfTheTurn) {
  BoundedArray<float> raw(-180, 180);
  raw[177] = 0.1f;
  raw[178] = 0.2f;
  raw[179] = 0.5f;
  raw[180] = raw[-180] = 0.4f;
  raw[-179] = 0.3f;
  CamLobe lobe;
  lobe.SetRawLift(raw);
  lobe.SetRockerRatio(1);
  lobe.DataCalc();
  const auto& v = lobe.ValveVelocity();
  const std::pair<int, float> rows[] = {
      {177, 0.1f},     // (0.2 - 0.0) / 2: entry 176 holds nothing
      {178, 0.2f},     // (0.5 - 0.1) / 2
      {179, 0.1f},     // (0.4 - 0.2) / 2
      {180, -0.1f},    // the closing entry: (0.3 - 0.5) / 2
      {-180, -0.1f},   // (lift(-179) - lift(179)) / 2
      {-179, -0.2f},   // (0.0 - 0.4) / 2
      {-178, -0.15f},  // (0.0 - 0.3) / 2
  };
  for (const auto& [degree, velocity] : rows) EXPECT_FLOAT_EQ(v[degree], velocity) << degree;
  // The curve code reads the same entry.
  EXPECT_FLOAT_EQ(lobe.CamDataValue(CamLobe::kCurveValveVelocity, 179), 0.1f);
}

TEST(CamLobe, FollowerModeChoosesTheConversions) {
  // No geometry lengths at all (every radius 0): the follower conversion finds equal radii
  // and keeps the measured lift; the rocker conversion finds lengths missing and zeroes the
  // valve lift (modes 2, 3) or the cam lift (modes 4, 5, valve lift left as it was: 0 on a
  // fresh lobe). A lobe measured on the valve takes no conversion at all.
  struct Row {
    int mode;
    bool linear;
    float camLift0;
    float valveLift0;
  };
  const Row rows[] = {{0, false, 0.3f, 0.45f}, {1, false, 0.3f, 0.45f}, {2, false, 0.3f, 0},
                      {3, false, 0.3f, 0},     {4, false, 0, 0},        {5, false, 0, 0},
                      {6, false, 0.3f, 0.45f}, {1, true, 0, 0.3f},      {4, true, 0, 0.3f}};
  for (const Row& row : rows) {
    CamLobe lobe;
    lobe.SetRawLift(OneHot(0, 0.3f));
    lobe.SetRockerRatio(1.5f);
    lobe.SetFollowerMode(row.mode);
    lobe.SetLinearOnValve(row.linear);
    lobe.DataCalc();
    EXPECT_NEAR(lobe.CamLift()[0], row.camLift0, 1e-6) << row.mode << row.linear;
    EXPECT_NEAR(lobe.ValveLift()[0], row.valveLift0, 1e-6) << row.mode << row.linear;
  }
}

TEST(CamLobe, CurveCodesAndWholeDegreeWrap) {
  CamLobe lobe;
  BoundedArray<float> raw(-180, 180);
  raw[-179] = 0.1f;
  raw[-178] = 0.3f;
  lobe.SetRawLift(raw);
  lobe.SetRockerRatio(2);
  lobe.DataCalc();
  EXPECT_EQ(lobe.CamDataValue(1, 181), 0.1f);  // 181 is -179
  EXPECT_FLOAT_EQ(lobe.CamDataValue(5, -178), 0.6f);
  EXPECT_FLOAT_EQ(lobe.CamDataValue(6, -179), 0.3f);  // (0.6 - 0) / 2
  EXPECT_EQ(lobe.CamDataValue(2, -178), 0);
  EXPECT_EQ(lobe.CamDataValue(0, -178), 0);
  EXPECT_FLOAT_EQ(lobe.CamDataSValue(5, -178.75f), 0.2f + 0.4f * 0.25f);
  EXPECT_FLOAT_EQ(lobe.CamDataSValue(1, 181.5f), 0.2f);  // between -179 and -178
  EXPECT_EQ(ErrorOf([&] { lobe.CamDataSValue(1, 1e9f); }), kErrOverflow);
}

TEST(CamLobe, IBndWrapsIntoOneTurn) {
  const int rows[][2] = {{180, 180},   {181, -179}, {-181, 179}, {540, 180}, {-180, -180}, {0, 0},
                         {-540, -180}, {1000, -80}, {-1000, 80}, {359, -1},  {32767, 7}};
  for (const auto& row : rows) EXPECT_EQ(CamLobe::IBnd(row[0]), row[1]) << row[0];
}

TEST(CamLobe, IBndSWrapsFractionalAngles) {
  const float rows[][2] = {{180.5f, -179.5f}, {-180.5f, 179.5f},       {540, 180},
                           {-540, -180},      {179.75f, 179.75f},      {1e9f, -80},
                           {-1e9f, 80},       {900.25f, 180.25f - 360}};
  for (const auto& row : rows) EXPECT_EQ(CamLobe::IBndS(row[0]), row[1]) << row[0];
}

TEST(CamLobe, SmoothReplacesEachEntryByItsNeighboursMean) {
  BoundedArray<float> t = OneHot(0, 1);
  CamLobe::Smooth(t, 0);
  EXPECT_EQ(t, OneHot(0, 1));
  CamLobe::Smooth(t, 1);
  EXPECT_EQ(t[-1], 0.5f);
  EXPECT_EQ(t[1], 0.5f);
  EXPECT_EQ(t[0], 0);
  CamLobe::Smooth(t, 1);
  EXPECT_EQ(t[0], 0.5f);
  EXPECT_EQ(t[2], 0.25f);
  EXPECT_EQ(t[-2], 0.25f);
  EXPECT_EQ(t[1], 0);

  // Across the seam: index 180 is the same angle as -180.
  BoundedArray<float> seam = OneHot(-179, 1);
  CamLobe::Smooth(seam, 1);
  EXPECT_EQ(seam[-180], 0.5f);
  EXPECT_EQ(seam[180], 0.5f);
  EXPECT_EQ(seam[-178], 0.5f);
  EXPECT_EQ(seam[179], 0);
  float sum = 0;
  for (int i = -180; i < 180; ++i) sum += seam[i];
  EXPECT_EQ(sum, 1);  // smoothing keeps the area of a closed table
}

TEST(CamLobe, LobeIDString) {
  const std::pair<int, const char*> rows[] = {
      {5, "I5"}, {-12, "E12"},  {105, "I5a"}, {200, "I0b"},   {100, "I0"},     {-305, "E5c"},
      {0, "I0"}, {399, "I99c"}, {400, "I0"},  {-199, "E99a"}, {-32768, "E68"}, {1234, "I34"}};
  for (const auto& [no, id] : rows) {
    CamLobe lobe;
    lobe.SetLobeNo(static_cast<std::int16_t>(no));
    EXPECT_EQ(lobe.LobeIDString(), id) << no;
  }
}

TEST(CamLobe, NotesAreTwelveTrimmedLines) {
  CamLobe lobe;
  std::string twelveEnds;
  for (int i = 0; i < 12; ++i) twelveEnds += "\r\n";
  EXPECT_EQ(lobe.Notes(), twelveEnds);

  std::string field(960, ' ');
  field.replace(0, 9, "Grind 270");
  field.replace(160, 80, std::string(79, 'x') + "y");  // a full line keeps its last character
  lobe.SetNotesField(field);
  EXPECT_EQ(lobe.Notes(),
            "Grind 270\r\n\r\n" + std::string(79, 'x') + "y\r\n" + twelveEnds.substr(0, 18));
  lobe.SetNotesField("short");  // padded to the full field
  EXPECT_EQ(lobe.Notes(), "short" + twelveEnds);
}

TEST(CamLobe, AscIIAndQPTrim) {
  EXPECT_EQ(CamLobe::AscII(""), "-1");
  EXPECT_EQ(CamLobe::AscII("A"), "65");
  EXPECT_EQ(CamLobe::AscII("\xC3\xA9t\xC3\xA9"), "233");  // e acute in Windows-1252
  EXPECT_EQ(CamLobe::AscII("\xE2\x82\xAC"), "128");       // euro sign
  std::string text = std::string("  lobe 3") + '\0' + "  ";
  EXPECT_EQ(CamLobe::QPTrim(text), "lobe 3");
  EXPECT_EQ(text, "lobe 3");
  std::string blank = std::string(" ") + '\0';
  EXPECT_EQ(CamLobe::QPTrim(blank), "");
}

TEST(CamLobe, LsqFitRecoversAPolynomialOfDegreeFive) {
  // Seven points as the resampler fits them, on a known polynomial.
  const std::vector<double> c = {0.25, -0.5, 0.125, 0.03, -0.004, 0.0007};
  std::vector<double> x, y;
  for (int k = -3; k <= 3; ++k) {
    const double xi = 0.5 + 0.7 * k;
    x.push_back(xi);
    double yi = 0;
    for (int p = 5; p >= 0; --p) yi = yi * xi + c[static_cast<std::size_t>(p)];
    y.push_back(yi);
  }
  int degree = 5;
  double sd = -1;
  std::vector<double> coefficient;
  CamLobe::LsqFit(7, x, y, degree, sd, coefficient);
  EXPECT_EQ(degree, 6);  // the number of coefficients
  ASSERT_EQ(coefficient.size(), 6u);
  for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(coefficient[k], c[k], 1e-10) << k;
  EXPECT_NEAR(sd, 0, 1e-9);
}

TEST(CamLobe, LsqFitLineThroughScatteredPoints) {
  // Least squares by hand: slope Sxy / Sxx = 3 / 5, intercept 1 - 0.6 x 1.5; residuals
  // -0.1, 0.3, -0.3, 0.1 give sqrt(0.2 / (4 - 2)).
  const std::vector<double> x = {0, 1, 2, 3}, y = {0, 1, 1, 2};
  int degree = 1;
  double sd = 0;
  std::vector<double> coefficient;
  CamLobe::LsqFit(4, x, y, degree, sd, coefficient);
  EXPECT_EQ(degree, 2);
  EXPECT_NEAR(coefficient[0], 0.1, 1e-12);
  EXPECT_NEAR(coefficient[1], 0.6, 1e-12);
  EXPECT_NEAR(sd, std::sqrt(0.1), 1e-12);

  degree = 0;  // the mean
  CamLobe::LsqFit(4, x, y, degree, sd, coefficient);
  EXPECT_EQ(degree, 1);
  EXPECT_NEAR(coefficient[0], 1.0, 1e-12);
}

TEST(CamLobe, LsqFitRefusesAnUndeterminedFit) {
  const std::vector<double> x = {1, 1, 1}, y = {1, 2, 3};
  int degree = 1;
  double sd = 0;
  std::vector<double> coefficient;
  EXPECT_EQ(ErrorOf([&] { CamLobe::LsqFit(3, x, y, degree, sd, coefficient); }), kErrDivByZero);
  degree = 1;
  EXPECT_EQ(ErrorOf([&] { CamLobe::LsqFit(0, x, y, degree, sd, coefficient); }), kErrInvalidCall);
}

}  // namespace
}  // namespace orv
