#pragma once

#include <array>
#include <vector>

#include "app/graph_model.h"

namespace orv {

// What the graph view and the graph settings view share while the program runs: one graph
// model over the engine, the settings and the interface texts (with its difference mode), and
// the curve list's partition of the curve tags into its two parts. The views draw from it and
// send the user's changes to it; neither keeps graph state of its own.
class GraphState final {
 public:
  GraphState(const Engine& engine, Settings& settings, const InterfaceStrings& strings);

  GraphModel& model() noexcept { return model_; }
  const GraphModel& model() const noexcept { return model_; }

  // The part (0 or 1) of the curve list that shows tag 1..13; the first six tags start in
  // part 0.
  int PartOf(int tag) const noexcept;
  // Right click on a row: the tag moves to the other part. Tags outside 1..13 are ignored.
  void MoveToOtherPart(int tag) noexcept;
  // The tags of one part, in tag order.
  std::vector<int> TagsOfPart(int part) const;

 private:
  GraphModel model_;
  std::array<int, kCurveTagCount> partOf_{};
};

}  // namespace orv
