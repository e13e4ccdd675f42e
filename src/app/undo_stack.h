#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <utility>

namespace orv {

// The history of an edited document as a line of whole states: state 0 is where the history
// starts (an engine just opened), and each step leads from one state to the next under a name
// ("Bore 4.030 → 4.125"). The current state is one of them; undo moves one state back, redo one
// state forward, and a new step drops every state after the current one before it is added.
//
// The saved point is the state the document's file holds: the document is unchanged exactly
// when the current state is the saved one. It is lost (the document stays changed whatever is
// undone) when the steps after it are dropped for a new step, or when the oldest states are
// dropped to keep at most `limit` steps.
template <class State>
class UndoStack final {
 public:
  explicit UndoStack(State start, std::size_t limit = 100) : limit_(limit < 1 ? 1 : limit) {
    Reset(std::move(start));
  }

  // A new history starting at `start`, which is the saved point.
  void Reset(State start) {
    states_.clear();
    names_.clear();
    states_.push_back(std::move(start));
    current_ = 0;
    saved_ = 0;
  }

  // A step named `name` led from the current state to `after`.
  void Push(std::string name, State after) {
    states_.resize(current_ + 1);
    names_.resize(current_);
    if (saved_ && *saved_ > current_) saved_.reset();
    states_.push_back(std::move(after));
    names_.push_back(std::move(name));
    ++current_;
    while (names_.size() > limit_) {
      states_.pop_front();
      names_.pop_front();
      --current_;
      if (saved_) saved_ = *saved_ == 0 ? std::nullopt : std::optional(*saved_ - 1);
    }
  }

  // The current state changed without a step of its own (a review mark clicked): later undo
  // and redo come back to it as it is now.
  void ReplaceCurrent(State now) { states_[current_] = std::move(now); }

  bool CanUndo() const noexcept { return current_ > 0; }
  bool CanRedo() const noexcept { return current_ + 1 < states_.size(); }
  // The name of the step undo would take back, and of the step redo would take again ("" when
  // there is none).
  std::string UndoName() const { return CanUndo() ? names_[current_ - 1] : std::string(); }
  std::string RedoName() const { return CanRedo() ? names_[current_] : std::string(); }

  // Moves one state back (forward) and gives the state to restore; nothing when there is no
  // step to undo (redo).
  const State* Undo() {
    if (!CanUndo()) return nullptr;
    return &states_[--current_];
  }
  const State* Redo() {
    if (!CanRedo()) return nullptr;
    return &states_[++current_];
  }

  const State& current() const noexcept { return states_[current_]; }
  // The document's file holds the current state now.
  void MarkSaved() noexcept { saved_ = current_; }
  // Whether the current state is the one the file holds.
  bool AtSavedPoint() const noexcept { return saved_ && *saved_ == current_; }
  // Steps that can be undone and redone.
  std::size_t undoCount() const noexcept { return current_; }
  std::size_t redoCount() const noexcept { return states_.size() - current_ - 1; }

 private:
  std::size_t limit_;
  std::deque<State> states_;
  std::deque<std::string> names_;  // names_[i] leads from states_[i] to states_[i + 1]
  std::size_t current_ = 0;
  std::optional<std::size_t> saved_;
};

}  // namespace orv
