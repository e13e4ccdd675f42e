#pragma once

#include <cstdint>
#include <optional>

namespace orv {

// One read of the flow test dialog's database tab.
struct DatabaseRead {
  enum class Kind { Open, List, Notes };
  Kind kind = Kind::List;
  bool check = false;        // Open: the file is checked first (it is new to the dialog)
  bool chosen = false;       // Open: the user chose the file (a refused file is told why)
  std::int32_t notesId = 0;  // Notes: the test whose notes are read

  bool operator==(const DatabaseRead&) const = default;
};

// What the dialog does next, as the scheduler decides it.
struct DatabaseReadStep {
  bool cancelRunning = false;         // stop the read that runs at its next progress report
  std::optional<DatabaseRead> start;  // start this read now
  std::optional<int> close;           // close the dialog with this result now

  bool operator==(const DatabaseReadStep&) const = default;
};

// The order of the database tab's reads, apart from the thread that runs them. The database is
// held by one thread at a time, so reads run one after another:
// - a read asked for while none runs starts at once;
// - a list asked for while a read runs waits, and a later list replaces it (the latest choices
//   win); so do the notes of a selected test;
// - a new database file cancels the running read and replaces everything waiting: its Open
//   starts when the cancelled read has ended;
// - when a read ends, a waiting close comes first, then a waiting list, then waiting notes
//   (the notes follow the list they were chosen from);
// - a close asked for while a read runs cancels it and waits for it to end.
class DatabaseReadScheduler final {
 public:
  bool running() const noexcept { return running_; }
  // Whether a close waits for the running read.
  bool closing() const noexcept { return close_.has_value(); }

  DatabaseReadStep Ask(const DatabaseRead& read);
  DatabaseReadStep AskClose(int result);
  // The running read has ended (finished, failed or cancelled).
  DatabaseReadStep Finished();

 private:
  DatabaseReadStep Start(const DatabaseRead& read);

  bool running_ = false;
  std::optional<int> close_;
  std::optional<DatabaseRead> open_;  // a new file's Open, after the cancelled read
  bool list_ = false;
  std::optional<std::int32_t> notes_;
};

}  // namespace orv
