#include "app/graph_state.h"

namespace orv {

namespace {
constexpr int kLastTagOfFirstPart = 6;
}  // namespace

GraphState::GraphState(const Engine& engine, Settings& settings, const InterfaceStrings& strings)
    : model_(engine, settings, strings) {
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    partOf_[static_cast<std::size_t>(tag - 1)] = tag <= kLastTagOfFirstPart ? 0 : 1;
  }
}

int GraphState::PartOf(int tag) const noexcept {
  if (tag < 1 || tag > kCurveTagCount) return -1;
  return partOf_[static_cast<std::size_t>(tag - 1)];
}

void GraphState::MoveToOtherPart(int tag) noexcept {
  if (tag < 1 || tag > kCurveTagCount) return;
  int& part = partOf_[static_cast<std::size_t>(tag - 1)];
  part = 1 - part;
}

std::vector<int> GraphState::TagsOfPart(int part) const {
  std::vector<int> tags;
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    if (partOf_[static_cast<std::size_t>(tag - 1)] == part) tags.push_back(tag);
  }
  return tags;
}

}  // namespace orv
