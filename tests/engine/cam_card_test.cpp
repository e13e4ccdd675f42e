#include "engine/cam_card.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "engine/engine.h"
#include "engine/valve_tables.h"

namespace orv {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kA = 0.5;  // peak lift of the test lobes, inches
const std::vector<double> kHeights{0.006, 0.050, 0.200, 0.600};

// A raised cosine over the cam-lift table, centred on entry 179: rising over `rise` cam degrees
// and falling over `fall`, peak kA.
BoundedArray<float> RaisedCosine(int rise, int fall) {
  BoundedArray<float> t(0, 359);
  for (int i = 0; i <= 359; ++i) {
    const int k = i - 179;
    const int w = k < 0 ? rise : fall;
    t[i] = std::abs(k) < w ? static_cast<float>(kA / 2 * (1 + std::cos(kPi * k / w))) : 0.0f;
  }
  return t;
}

// Half the width in cam degrees of a raised cosine of half-width w above height h.
double HalfWidth(double w, double h) { return w / kPi * std::acos(2 * h / kA - 1); }

struct Tables {
  BoundedArray<float> lift{0, 0};
  BoundedArray<float> velocity{0, 0};
};
Tables Valve(const BoundedArray<float>& cam) {
  Tables t;
  BuildValveTables(cam, 1.0f, 0.0f, 0, t.lift, t.velocity);
  return t;
}

// The crank angle of the engine's entry 179 for a centerline: the engine reads cam angle a at
// entry a - CL/2 - 179, so entry 179 stands at cam angle CL/2 - 2.
double PeakCrank(double centerline) { return centerline - 4; }

// Linear interpolation between whole cam degrees misses the curve by at most a few hundredths
// of a crank degree at these heights.
constexpr double kEventTolerance = 0.08;

TEST(CamCard, RaisedCosineMatchesClosedForms) {
  const int w = 60;
  const double cl = 108;
  const Tables t = Valve(RaisedCosine(w, w));
  const auto card = ComputeCamCard(t.lift, t.velocity, cl, true, kHeights);
  ASSERT_TRUE(card);
  const double peak = PeakCrank(cl);
  EXPECT_DOUBLE_EQ(card->maxLift, kA);
  EXPECT_DOUBLE_EQ(card->maxLiftAngle, peak);
  // TDC is cam angle 0, 52 cam degrees before the peak: a whole entry.
  EXPECT_NEAR(card->liftAtTDC, kA / 2 * (1 + std::cos(kPi * 52 / w)), 1e-7);
  ASSERT_TRUE(card->centerline);
  EXPECT_NEAR(*card->centerline, peak, 1e-9);  // symmetric: exact
  // Sum of a raised cosine over its whole-degree samples is kA x w; trapezoids of 2 crank deg.
  EXPECT_NEAR(card->liftArea, 2 * kA * w, 1e-4);
  // The central difference of a cosine is the sine times sin(one step).
  EXPECT_NEAR(card->maxOpeningVelocity, kA / 2 * std::sin(kPi / w), 1e-7);
  EXPECT_NEAR(card->maxClosingVelocity, -kA / 2 * std::sin(kPi / w), 1e-7);

  ASSERT_EQ(card->checks.size(), kHeights.size());
  for (std::size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE(kHeights[k]);
    const CamCheck& c = card->checks[k];
    const double x = 2 * HalfWidth(w, kHeights[k]);  // crank degrees either side of the peak
    EXPECT_DOUBLE_EQ(c.height, kHeights[k]);
    ASSERT_TRUE(c.duration && c.opens && c.closes);
    EXPECT_NEAR(*c.duration, 2 * x, 2 * kEventTolerance);
    EXPECT_NEAR(*c.opens, -(peak - x), kEventTolerance);         // BTDC
    EXPECT_NEAR(*c.closes, peak + x - 180, kEventTolerance);     // ABDC
    EXPECT_NEAR(*c.duration, *c.opens + *c.closes + 180, 1e-9);  // the builders' identity
  }
  // 0.600 in is above the peak: no duration, no events (not 0).
  const CamCheck& never = card->checks[3];
  EXPECT_FALSE(never.duration);
  EXPECT_FALSE(never.opens);
  EXPECT_FALSE(never.closes);
}

TEST(CamCard, HeightOnAnEntryFindsThatEntryExactly) {
  const Tables t = Valve(RaisedCosine(60, 60));
  // Entries 179 -/+ 30 hold the same lift: the lift is above it strictly between them.
  const double h = t.lift[209];
  const auto card = ComputeCamCard(t.lift, t.velocity, 108, true, {h});
  ASSERT_TRUE(card && card->checks[0].duration);
  EXPECT_DOUBLE_EQ(*card->checks[0].duration, 120);
  EXPECT_DOUBLE_EQ(*card->checks[0].opens, -(104 - 60));
  EXPECT_DOUBLE_EQ(*card->checks[0].closes, 104 + 60 - 180);
  // The peak itself is never exceeded.
  const auto top = ComputeCamCard(t.lift, t.velocity, 108, true, {kA});
  EXPECT_FALSE(top->checks[0].duration);
}

TEST(CamCard, AsymmetricLobe) {
  const int rise = 50, fall = 70;
  const double cl = 110;
  const Tables t = Valve(RaisedCosine(rise, fall));
  const auto card = ComputeCamCard(t.lift, t.velocity, cl, true, kHeights);
  ASSERT_TRUE(card);
  const double peak = PeakCrank(cl);
  EXPECT_DOUBLE_EQ(card->maxLiftAngle, peak);
  // Sum of the samples: kA/2 (rise + 1) rising, kA/2 (fall - 1) falling.
  EXPECT_NEAR(card->liftArea, kA * (rise + fall), 1e-4);
  EXPECT_NEAR(card->maxOpeningVelocity, kA / 2 * std::sin(kPi / rise), 1e-7);
  EXPECT_NEAR(card->maxClosingVelocity, -kA / 2 * std::sin(kPi / fall), 1e-7);
  for (std::size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE(kHeights[k]);
    const double open = peak - 2 * HalfWidth(rise, kHeights[k]);
    const double close = peak + 2 * HalfWidth(fall, kHeights[k]);
    const CamCheck& c = card->checks[k];
    ASSERT_TRUE(c.opens && c.closes && c.duration);
    EXPECT_NEAR(*c.opens, -open, kEventTolerance);
    EXPECT_NEAR(*c.closes, close - 180, kEventTolerance);
    EXPECT_NEAR(*c.duration, close - open, 2 * kEventTolerance);
  }
  // The centerline is the middle of the 0.050 events, later than the peak.
  const double mid = peak + HalfWidth(fall, 0.050) - HalfWidth(rise, 0.050);
  ASSERT_TRUE(card->centerline);
  EXPECT_NEAR(*card->centerline, mid, kEventTolerance);
  EXPECT_GT(*card->centerline, peak + 10);
}

TEST(CamCard, EventsAcrossTheEndOfTheTurn) {
  const int w = 60;
  const Tables t = Valve(RaisedCosine(w, w));
  struct Row {
    bool intake;
    double centerline;  // puts the lobe across cam angle -180/180
  };
  for (const Row& r : {Row{true, 344}, Row{false, -344}, Row{true, -350}}) {
    SCOPED_TRACE(r.centerline);
    const auto card = ComputeCamCard(t.lift, t.velocity, r.centerline, r.intake, kHeights);
    ASSERT_TRUE(card);
    double peak = PeakCrank(r.centerline);
    if (peak < -360) peak += 720;
    EXPECT_DOUBLE_EQ(card->maxLiftAngle, peak);
    for (std::size_t k = 0; k < 3; ++k) {
      const double x = 2 * HalfWidth(w, kHeights[k]);
      const CamCheck& c = card->checks[k];
      ASSERT_TRUE(c.openingAngle && c.closingAngle && c.duration);
      // The events are counted on through the end of the turn, not wrapped apart.
      EXPECT_NEAR(*c.openingAngle, peak - x, kEventTolerance);
      EXPECT_NEAR(*c.closingAngle, peak + x, kEventTolerance);
      EXPECT_NEAR(*c.duration, 2 * x, 2 * kEventTolerance);
      if (r.intake) {
        EXPECT_NEAR(*c.opens, -(peak - x), kEventTolerance);
        EXPECT_NEAR(*c.closes, peak + x - 180, kEventTolerance);
      } else {
        EXPECT_NEAR(*c.opens, -180 - (peak - x), kEventTolerance);
        EXPECT_NEAR(*c.closes, peak + x, kEventTolerance);
      }
    }
    // The same lobe away from the end of the turn has the same durations.
    const auto plain =
        ComputeCamCard(t.lift, t.velocity, r.intake ? 108 : -108, r.intake, kHeights);
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_NEAR(*card->checks[k].duration, *plain->checks[k].duration, 1e-9);
    }
    ASSERT_TRUE(card->centerline);
    EXPECT_NEAR(*card->centerline, r.intake ? peak : -peak, 1e-9);
  }
}

TEST(CamCard, LiftNeverFallingToTheHeightHasAWholeCycleAndNoEvents) {
  BoundedArray<float> cam(0, 359);
  for (int i = 0; i <= 359; ++i) cam[i] = 0.1f + 0.05f * static_cast<float>(i == 179);
  const Tables t = Valve(cam);
  const auto card = ComputeCamCard(t.lift, t.velocity, 108, true, {0.050, 0.120, 0.2});
  ASSERT_TRUE(card);
  EXPECT_DOUBLE_EQ(*card->checks[0].duration, 720);
  EXPECT_FALSE(card->checks[0].opens);
  EXPECT_FALSE(card->centerline);  // no 0.050 events
  EXPECT_NEAR(*card->checks[1].duration, 2 * 2 * (0.03 / 0.05), 1e-5);
  EXPECT_FALSE(card->checks[2].duration);
}

TEST(CamCard, SideWithoutLobeHasNoCard) {
  BoundedArray<float> none(0, 0);
  EXPECT_FALSE(ComputeCamCard(none, none, 108, true, kHeights));
}

// Installs raised-cosine lobes of half-width w in an engine with rocker ratio 1 and no lash.
void InstallLobes(Engine& e, int w, double intakeCL, double exhaustCL) {
  EngineInputs& in = e.inputs();
  in.Int = RaisedCosine(w, w);
  in.Exh = RaisedCosine(w, w);
  in.I_RR = in.E_RR = 1;
  in.I_Lash = in.E_Lash = 0;
  in.IntSmth = in.ExhSmth = 0;
  in.I_CL = intakeCL;
  in.E_CL = exhaustCL;
  e.RebuildValveTables();
}

TEST(CamCard, LobesThatNeverOverlapHaveNegativeOverlap) {
  Engine e;
  const int w = 40;
  InstallLobes(e, w, 90, -90);
  const EngineCamCard card = EngineCamCards(e, kHeights);
  ASSERT_TRUE(card.intake && card.exhaust);
  // Intake peak at 86 ATDC, exhaust peak at 94 BTDC.
  EXPECT_NEAR(*card.intake->centerline, 86, 1e-9);
  EXPECT_NEAR(*card.exhaust->centerline, 94, 1e-9);
  ASSERT_TRUE(card.separation);
  EXPECT_NEAR(*card.separation, 90, 1e-9);
  ASSERT_EQ(card.overlap.size(), kHeights.size());
  for (std::size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE(kHeights[k]);
    const double x = 2 * HalfWidth(w, kHeights[k]);
    // Exhaust closes at -94 + x, intake opens at 86 - x.
    const double expected = (-94 + x) - (86 - x);
    ASSERT_TRUE(card.overlap[k].overlap);
    EXPECT_LT(*card.overlap[k].overlap, 0);
    EXPECT_NEAR(*card.overlap[k].overlap, expected, 2 * kEventTolerance);
    EXPECT_NEAR(*card.overlap[k].overlap,
                *card.intake->checks[k].opens + *card.exhaust->checks[k].closes, 1e-9);
  }
  EXPECT_FALSE(card.overlap[3].overlap);  // neither lobe reaches 0.600
}

TEST(CamCard, ReadsTheValveTablesWithRockerRatioAndLash) {
  Engine e;
  InstallLobes(e, 60, 108, -108);
  e.inputs().I_RR = 1.5f;
  e.inputs().I_Lash = 0.01f;
  e.RebuildValveTables();
  const EngineCamCard card = EngineCamCards(e, kHeights);
  EXPECT_NEAR(card.intake->maxLift, kA * 1.5 - 0.01, 1e-6);
  // The lift at TDC is the graph's valve-lift curve at crank angle 0.
  EXPECT_FLOAT_EQ(static_cast<float>(card.intake->liftAtTDC), e.IntakeValveLift(0));
  EXPECT_DOUBLE_EQ(card.exhaust->maxLift, kA);
  // Both events lie where the graph's curve crosses the height.
  const CamCheck& c = card.intake->checks[1];
  EXPECT_NEAR(e.DataAt(13, static_cast<float>(*c.openingAngle)), 0.050, 1e-6);
  EXPECT_NEAR(e.DataAt(13, static_cast<float>(*c.closingAngle)), 0.050, 1e-6);
}

TEST(CamCard, MetricCardIsTheEnglishCardConverted) {
  Engine e;
  const EngineCamCard english = EngineCamCards(e, DefaultCheckHeights(UnitMode::English));
  const EngineCamCard metric = CamCardInUnits(
      EngineCamCards(e,
                     CheckHeightsToInches(DefaultCheckHeights(UnitMode::Metric), UnitMode::Metric)),
      UnitMode::Metric);
  for (const auto& [en, mm] :
       {std::pair{*english.intake, *metric.intake}, std::pair{*english.exhaust, *metric.exhaust}}) {
    EXPECT_NEAR(mm.maxLift, en.maxLift * 25.4, 1e-9);
    EXPECT_NEAR(mm.liftAtTDC, en.liftAtTDC * 25.4, 1e-9);
    EXPECT_NEAR(mm.liftArea, en.liftArea * 25.4, 1e-7);
    EXPECT_NEAR(mm.maxOpeningVelocity, en.maxOpeningVelocity * 25.4, 1e-9);
    EXPECT_NEAR(mm.maxClosingVelocity, en.maxClosingVelocity * 25.4, 1e-9);
    EXPECT_DOUBLE_EQ(mm.maxLiftAngle, en.maxLiftAngle);
    EXPECT_NEAR(*mm.centerline, *en.centerline, 1e-9);
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_NEAR(mm.checks[k].height, en.checks[k].height * 25.4, 1e-12);
      EXPECT_NEAR(*mm.checks[k].duration, *en.checks[k].duration, 1e-6);
      EXPECT_NEAR(*mm.checks[k].opens, *en.checks[k].opens, 1e-6);
      EXPECT_NEAR(*mm.checks[k].closes, *en.checks[k].closes, 1e-6);
    }
  }
}

TEST(CamCard, CheckHeightsText) {
  struct Row {
    const char* text;
    bool ok;
    std::vector<double> heights;
  };
  const Row rows[] = {
      {"0.006,0.050,0.200", true, {0.006, 0.05, 0.2}},
      {"1", true, {1}},
      {"0.1,0.2,0.3,0.4,0.5,0.6,0.7,0.8", true, {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8}},
      {"0.1,0.2,0.3,0.4,0.5,0.6,0.7,0.8,0.9", false, {}},
      {"", false, {}},
      {"0", false, {}},
      {"-0.05", false, {}},
      {"0.05,", false, {}},
      {"0.05,0.05", false, {}},
      {"abc", false, {}},
      {"0.05x", false, {}},
      {"nan", false, {}},
      {"inf", false, {}},
      {" 0.05", false, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    std::string why;
    const auto h = ParseCheckHeights(r.text, why);
    EXPECT_EQ(h.has_value(), r.ok);
    if (r.ok) {
      EXPECT_EQ(*h, r.heights);
    } else {
      EXPECT_FALSE(why.empty());
    }
  }
}

}  // namespace
}  // namespace orv
