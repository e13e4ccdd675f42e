// The cam card in the reports.
#include "reports/cam_card_section.h"

#include <optional>
#include <string>
#include <vector>

#include "engine/cam_card.h"
#include "engine/engine.h"

namespace orv {

namespace {

constexpr const char* kMissing = "\xe2\x80\x93";  // "–"
constexpr int kLabelWidth = 44;
constexpr int kValueWidth = 12;

std::string Figure(const std::optional<double>& v, int decimals) {
  return v ? ReportNumber(*v, decimals) : std::string(kMissing);
}

}  // namespace

void CamCardSection(ReportBuilder& b, const Engine& engine, UnitMode mode,
                    const std::array<double, 3>& checkHeights) {
  std::vector<double> heights;
  for (const double h : checkHeights) {
    if (h > 0) heights.push_back(h);
  }
  const EngineCamCard card = CamCardInUnits(EngineCamCards(engine, heights), mode);
  const bool english = mode == UnitMode::English;
  const std::string len = english ? "in" : "mm";
  const int lenDecimals = english ? 4 : 3;

  b.RuleLine();
  b.Put(kCamCardSectionTitle);
  b.AddStrCRLF();
  auto line = [&b](const std::string& label, const std::string& intake,
                   const std::string& exhaust) {
    b.Put("  " + LeftAligned(label, kLabelWidth - 2));
    b.PutRight(intake, kValueWidth);
    b.PutRight(exhaust, kValueWidth);
    b.AddStrCRLF();
  };
  line("", "Intake", "Exhaust");
  using Get = std::optional<double> (*)(const CamCard&);
  auto row = [&](const std::string& label, Get get, int decimals) {
    line(label, card.intake ? Figure(get(*card.intake), decimals) : kMissing,
         card.exhaust ? Figure(get(*card.exhaust), decimals) : kMissing);
  };
  row(
      "Maximum valve lift (" + len + ")",
      [](const CamCard& c) -> std::optional<double> { return c.maxLift; }, lenDecimals);
  row(
      "Crank angle of maximum lift (deg ATDC)",
      [](const CamCard& c) -> std::optional<double> { return c.maxLiftAngle; }, 1);
  row(
      "Lift at TDC (" + len + ")",
      [](const CamCard& c) -> std::optional<double> { return c.liftAtTDC; }, lenDecimals);
  row(
      "Lobe centerline (deg ATDC / BTDC)",
      [](const CamCard& c) -> std::optional<double> { return c.centerline; }, 1);
  row(
      "Lift-area (" + len + " x deg)",
      [](const CamCard& c) -> std::optional<double> { return c.liftArea; }, english ? 2 : 1);
  row(
      "Peak opening velocity (" + len + "/cam deg)",
      [](const CamCard& c) -> std::optional<double> { return c.maxOpeningVelocity; },
      english ? 5 : 4);
  row(
      "Peak closing velocity (" + len + "/cam deg)",
      [](const CamCard& c) -> std::optional<double> { return c.maxClosingVelocity; },
      english ? 5 : 4);
  for (std::size_t k = 0; k < heights.size(); ++k) {
    const std::string at =
        " at " + ReportNumber(english ? heights[k] : heights[k] * kMmPerInch, lenDecimals) + " " +
        len;
    auto check = [&](const std::optional<CamCard>& c, int which) -> std::string {
      if (!c || k >= c->checks.size()) return kMissing;
      const CamCheck& x = c->checks[k];
      return Figure(which == 0 ? x.duration : which == 1 ? x.opens : x.closes, 1);
    };
    line("Duration" + at + " (deg)", check(card.intake, 0), check(card.exhaust, 0));
    line("Opens" + at + " (BTDC / BBDC)", check(card.intake, 1), check(card.exhaust, 1));
    line("Closes" + at + " (ABDC / ATDC)", check(card.intake, 2), check(card.exhaust, 2));
  }
  b.BlankLine();
  line("Lobe separation (cam deg)", Figure(card.separation, 1), "");
  for (std::size_t k = 0; k < card.overlap.size(); ++k) {
    line("Overlap at " + ReportNumber(english ? heights[k] : heights[k] * kMmPerInch, lenDecimals) +
             " " + len + " (deg)",
         Figure(card.overlap[k].overlap, 1), "");
  }
}

}  // namespace orv
