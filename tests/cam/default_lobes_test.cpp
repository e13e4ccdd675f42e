#include "cam/default_lobes.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "base/runtime_error.h"

namespace orv {
namespace {

std::vector<std::string> SplitAtCommas(std::string_view list) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = list.find(',', start);
    parts.emplace_back(list.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return parts;
}

// What the lobe must look like, side by side with the list it comes from.
struct LobeFigures {
  const char* name;
  std::string_view list;
  int count;  // numbers in the list
  int firstEntry;
  int lastEntry;  // last entry filled with a number
  float peak;
  int peakEntry;
  int firstAtLeast50, lastAtLeast50;  // entries with at least 0.050 in of lift
  std::vector<std::pair<int, float>> telling;
};

std::vector<LobeFigures> Figures() {
  return {
      {"intake",
       DefaultIntakeLobeList(),
       200,
       80,
       279,
       0.399954f,
       178,
       108,
       248,
       {{80, 0.000151f},
        {81, 0.000348f},
        {82, 0.000506f},
        {100, 0.024639f},
        {120, 0.126923f},
        {140, 0.271056f},
        {160, 0.370347f},
        {178, 0.399954f},
        {180, 0.399639f},
        {200, 0.355347f},
        {220, 0.243733f},
        {240, 0.098931f},
        {260, 0.014757f},
        {279, 0.000466f}}},
      {"exhaust",
       DefaultExhaustLobeList(),
       191,
       86,
       276,
       0.391235f,
       179,
       113,
       245,
       {{86, 0.000094f},
        {87, 0.000172f},
        {88, 0.000369f},
        {106, 0.025251f},
        {126, 0.133401f},
        {146, 0.276865f},
        {166, 0.372573f},
        {179, 0.391235f},
        {186, 0.385723f},
        {206, 0.310447f},
        {226, 0.169503f},
        {246, 0.048479f},
        {266, 0.004424f},
        {276, 0.000015f}}},
  };
}

TEST(DefaultLobes, ListsAreSixDecimalNumbersEachFollowedByAComma) {
  for (const LobeFigures& f : Figures()) {
    const std::vector<std::string> parts = SplitAtCommas(f.list);
    ASSERT_EQ(static_cast<int>(parts.size()), f.count + 1) << f.name;
    EXPECT_EQ(parts.back(), "") << f.name;
    for (int k = 0; k < f.count; ++k) {
      const std::string& p = parts[static_cast<std::size_t>(k)];
      ASSERT_EQ(p.size(), 8u) << f.name << " " << k << " " << p;
      EXPECT_EQ(p.substr(0, 2), "0.") << f.name << " " << p;
      for (std::size_t c = 2; c < p.size(); ++c) EXPECT_TRUE(std::isdigit(p[c])) << p;
    }
  }
}

TEST(DefaultLobes, TablesMeetEveryFigure) {
  for (const LobeFigures& f : Figures()) {
    SCOPED_TRACE(f.name);
    BoundedArray<float> t(0, 0);
    FillCamLiftTable(t, f.list, f.firstEntry);
    ASSERT_EQ(t.lo(), 0);
    ASSERT_EQ(t.hi(), 359);
    EXPECT_EQ(f.lastEntry - f.firstEntry + 1, f.count);

    for (const auto& [entry, lift] : f.telling) EXPECT_EQ(t[entry], lift) << entry;
    // Nothing outside the lobe; the empty last element writes 0 after the last number.
    for (int e = 0; e < f.firstEntry; ++e) EXPECT_EQ(t[e], 0) << e;
    for (int e = f.lastEntry + 1; e <= 359; ++e) EXPECT_EQ(t[e], 0) << e;
    EXPECT_GT(t[f.firstEntry], 0);
    EXPECT_GT(t[f.lastEntry], 0);

    // One peak: strictly rising up to it, strictly falling after it.
    for (int e = f.firstEntry; e < f.peakEntry; ++e) EXPECT_LT(t[e], t[e + 1]) << e;
    for (int e = f.peakEntry; e < f.lastEntry; ++e) EXPECT_GT(t[e], t[e + 1]) << e;
    EXPECT_EQ(t[f.peakEntry], f.peak);

    int first = -1, last = -1, count = 0;
    for (int e = 0; e <= 359; ++e) {
      if (t[e] >= 0.050f) {
        if (first < 0) first = e;
        last = e;
        ++count;
      }
    }
    EXPECT_EQ(first, f.firstAtLeast50);
    EXPECT_EQ(last, f.lastAtLeast50);
    EXPECT_EQ(count, f.lastAtLeast50 - f.firstAtLeast50 + 1);

    // Smooth: no step changes its slope by more than a thousandth of an inch per degree, a
    // bound that a lobe with a kink or a flat spot between its figures would break.
    for (int e = f.firstEntry; e <= f.lastEntry + 1; ++e) {
      EXPECT_LT(std::fabs(t[e + 1] - 2 * t[e] + t[e - 1]), 0.001f) << e;
    }
  }
}

TEST(DefaultLobes, FillRejectsAListThatRunsOffTheTable) {
  BoundedArray<float> t;
  try {
    FillCamLiftTable(t, "0.1,0.2,0.3,", 357);  // the empty element would land on 360
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrSubscript);
  }
  FillCamLiftTable(t, "0.1,x,0.3", 357);
  EXPECT_EQ(t[357], 0.1f);
  EXPECT_EQ(t[358], 0);  // an element that is no number reads as 0
  EXPECT_EQ(t[359], 0.3f);
}

}  // namespace
}  // namespace orv
