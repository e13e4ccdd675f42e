#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orv {

// One maximum or minimum of the engine's balance curve over the turn.
struct TurningPoint {
  float value = 0;        // percent
  std::int16_t kind = 0;  // -1 maximum, 0 minimum
  float angle = 0;        // crank degrees
  bool operator==(const TurningPoint&) const = default;
};

// A labelled vertical mark of the balance chart (a dead centre of one bank).
struct ChartMark {
  double angle = 0;  // crank degrees 0..360
  std::string label;
  bool operator==(const ChartMark&) const = default;
};

// What the balance chart draws: the balance curve over 0..360 degrees, the dead centres of one
// or two banks and a horizontal line at the balance factor the user typed, with its captions.
struct BalanceChart {
  std::vector<double> curve;  // BalanceCurve at degrees 0..360
  std::vector<ChartMark> marks;
  double recipBF = 0;  // percent
  std::vector<std::string> recipLabels{"YOUR  ", "BALANCE  ", "FACTOR  "};
  std::string recipMarkDown = "v   ";
  std::string recipMarkRight = " >";
  bool operator==(const BalanceChart&) const = default;
};

// The output panel as the window shows it: the text of every output slot of page 0 (engine
// geometry, balance and the balance analysis) and page 1 (airflow, ports, power), the
// turning-point list and the chart of the balance analysis. Slot numbers are unique over both
// pages. Every slot of a page is present, empty until the page is first filled.
struct OutputPanel {
  OutputPanel();

  std::map<int, std::string> page0;
  std::map<int, std::string> page1;
  std::vector<TurningPoint> turningPoints;
  BalanceChart chart;
  // The volumetric-efficiency diagram of page 1: VE x 100 on a scale marked up to 115.
  double veDiagramPercent = 0;

  // The page (0 or 1) a slot belongs to, or -1 for a number no page has.
  int PageOfSlot(int slot) const noexcept;
  bool operator==(const OutputPanel&) const = default;
};

}  // namespace orv
