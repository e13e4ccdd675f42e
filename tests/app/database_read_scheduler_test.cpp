// The order of the database tab's reads, driven by a fake reader that runs one read at a time
// and finishes it when the test says so.
#include "app/database_read_scheduler.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace orv {
namespace {

using Kind = DatabaseRead::Kind;

DatabaseRead List() { return DatabaseRead{Kind::List}; }
DatabaseRead Notes(std::int32_t id) {
  DatabaseRead r{Kind::Notes};
  r.notesId = id;
  return r;
}
DatabaseRead Open(bool chosen) { return DatabaseRead{Kind::Open, true, chosen}; }

// Carries out the scheduler's steps as the dialog does, keeping what happened.
struct FakeReader {
  DatabaseReadScheduler scheduler;
  std::optional<DatabaseRead> running;
  std::vector<DatabaseRead> started;
  int cancels = 0;
  std::optional<int> closed;

  void Apply(const DatabaseReadStep& step) {
    if (step.cancelRunning) {
      ASSERT_TRUE(running.has_value()) << "a cancel with no read running";
      ++cancels;
    }
    if (step.start) {
      ASSERT_FALSE(running.has_value()) << "two reads at once";
      running = step.start;
      started.push_back(*step.start);
    }
    if (step.close) {
      ASSERT_FALSE(running.has_value()) << "closed while a read runs";
      closed = step.close;
    }
  }
  void Ask(const DatabaseRead& read) { Apply(scheduler.Ask(read)); }
  void Close(int result) { Apply(scheduler.AskClose(result)); }
  void Finish() {
    ASSERT_TRUE(running.has_value());
    running.reset();
    Apply(scheduler.Finished());
  }
};

TEST(DatabaseReadScheduler, OneReadAtATimeAndTheLatestListWins) {
  FakeReader r;
  r.Ask(Open(false));
  ASSERT_EQ(r.started.size(), 1u);
  EXPECT_TRUE(r.scheduler.running());
  // Three lists and two notes asked for while the database is read: one list, then the notes
  // of the last test chosen.
  r.Ask(List());
  r.Ask(Notes(7));
  r.Ask(List());
  r.Ask(Notes(9));
  r.Ask(List());
  EXPECT_EQ(r.started.size(), 1u);
  EXPECT_EQ(r.cancels, 0);
  r.Finish();
  ASSERT_EQ(r.started.size(), 2u);
  EXPECT_EQ(r.started[1], List());
  r.Finish();
  ASSERT_EQ(r.started.size(), 3u);
  EXPECT_EQ(r.started[2], Notes(9));
  r.Finish();
  EXPECT_EQ(r.started.size(), 3u);
  EXPECT_FALSE(r.scheduler.running());
  // Nothing runs: a read asked for starts at once.
  r.Ask(Notes(4));
  ASSERT_EQ(r.started.size(), 4u);
  EXPECT_EQ(r.started[3], Notes(4));
}

// A new file cancels the running read; its Open comes next and the lists and notes asked for
// the old file are dropped (the notes of test 5 would be read from the wrong database).
TEST(DatabaseReadScheduler, ANewFileCancelsAndDropsWhatWaitedForTheOldOne) {
  FakeReader r;
  r.Ask(List());
  r.Ask(Notes(5));
  r.Ask(List());
  r.Ask(Open(true));
  EXPECT_EQ(r.cancels, 1);
  r.Ask(Open(false));  // another file before the cancel took: the last one is read
  EXPECT_EQ(r.cancels, 2);
  r.Finish();
  ASSERT_EQ(r.started.size(), 2u);
  EXPECT_EQ(r.started[1], Open(false));
  r.Finish();
  EXPECT_EQ(r.started.size(), 2u);
  EXPECT_FALSE(r.scheduler.running());
}

TEST(DatabaseReadScheduler, CloseWaitsForTheCancelledReadAndComesFirst) {
  FakeReader idle;
  idle.Close(1);
  EXPECT_EQ(idle.closed, 1);  // nothing running: at once

  FakeReader r;
  r.Ask(Open(false));
  r.Ask(List());
  r.Ask(Notes(3));
  r.Close(0);
  EXPECT_EQ(r.cancels, 1);
  EXPECT_FALSE(r.closed.has_value());
  EXPECT_TRUE(r.scheduler.closing());
  // Nothing new starts while the dialog closes.
  r.Ask(List());
  r.Ask(Open(true));
  EXPECT_EQ(r.cancels, 1);
  r.Finish();
  EXPECT_EQ(r.closed, 0);
  EXPECT_EQ(r.started.size(), 1u);
  EXPECT_FALSE(r.scheduler.running());
  EXPECT_FALSE(r.scheduler.closing());
}

}  // namespace
}  // namespace orv
