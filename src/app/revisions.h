#pragma once

#include <cstdint>

namespace orv {

// The change notification of the program state: one counter per area, counted up by every
// command that may have changed something in that area. A window keeps the counters it last
// drew from, and after each command redraws the areas whose counters moved (`ChangesBetween`),
// without polling every field. A counter may move although nothing visible changed (an entry
// retyping the shown value still refreshes its box), never the other way round.
struct Revisions {
  // The input panel: box texts, review marks, suggestions, list choices, disabled colours,
  // the stage tabs and the cannot-complete warning.
  std::uint64_t inputs = 0;
  // The results: the output pages and balance analysis, and what reads the per-degree tables
  // (the graph, the curve list, the reports).
  std::uint64_t outputs = 0;
  // The cam lobes and flow tests: the source captions and the dialogs' current choices.
  std::uint64_t sources = 0;
  // The window title (the current engine path) and the engine's changed mark.
  std::uint64_t title = 0;
  // The recent-file list (the File menu's entries 1 to 9).
  std::uint64_t recent = 0;
  // The settings: unit system, options, report setup, graph settings, remembered folders.
  std::uint64_t settings = 0;

  bool operator==(const Revisions&) const = default;
};

// Which areas moved from `before` to `after`.
struct ChangedAreas {
  bool inputs = false;
  bool outputs = false;
  bool sources = false;
  bool title = false;
  bool recent = false;
  bool settings = false;

  bool any() const noexcept { return inputs || outputs || sources || title || recent || settings; }
  bool operator==(const ChangedAreas&) const = default;
};

inline ChangedAreas ChangesBetween(const Revisions& before, const Revisions& after) noexcept {
  return {before.inputs != after.inputs,   before.outputs != after.outputs,
          before.sources != after.sources, before.title != after.title,
          before.recent != after.recent,   before.settings != after.settings};
}

}  // namespace orv
