#include "shell/background_job.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "base/runtime_error.h"

namespace orv {
namespace {

// Runs the event loop until `done` holds or `ms` milliseconds have passed.
bool WaitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) QTest::qWait(5);
  return done();
}

// Spins (without running the window's events) until `flag` is set.
void SpinUntil(const std::atomic<bool>& flag) {
  while (!flag.load()) std::this_thread::yield();
}

TEST(BackgroundJob, PiecesArriveInOrderOnTheWindowsThreadAndThenFinished) {
  BackgroundJob job;
  std::vector<int> got;
  std::vector<std::pair<int, int>> progress;
  QString failure = QStringLiteral("not finished");
  QObject::connect(&job, &BackgroundJob::progressed,
                   [&](int done, int total) { progress.emplace_back(done, total); });
  QObject::connect(&job, &BackgroundJob::finished, [&](const QString& why) {
    failure = why;
    // Everything the work handed over arrived first.
    EXPECT_EQ(got.size(), 5u);
  });
  const Qt::HANDLE window = QThread::currentThreadId();
  job.Start([&](BackgroundJob::Control& c) {
    EXPECT_NE(QThread::currentThreadId(), window);
    for (int i = 0; i < 5; ++i) {
      c.Post([&got, i, window] {
        EXPECT_EQ(QThread::currentThreadId(), window);
        got.push_back(i);
      });
      c.Progress(i + 1, 5);
    }
  });
  EXPECT_TRUE(job.busy());
  ASSERT_TRUE(WaitFor([&] { return !job.busy(); }, 10000));
  EXPECT_EQ(got, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}));
  EXPECT_EQ(failure, QString());
}

TEST(BackgroundJob, ACancelOrANewStartDropsWhatTheOldWorkPosted) {
  BackgroundJob job;
  QSignalSpy finished(&job, &BackgroundJob::finished);
  std::vector<int> got;
  std::atomic<bool> posted{false};
  job.Start([&](BackgroundJob::Control& c) {
    for (int i = 0; i < 3; ++i) c.Post([&got, i] { got.push_back(i); });
    posted = true;
  });
  SpinUntil(posted);
  job.CancelAndWait();
  EXPECT_FALSE(job.busy());
  QTest::qWait(20);
  EXPECT_TRUE(got.empty());
  EXPECT_EQ(finished.count(), 0);

  // Started again before the first work's pieces ran: only the second's arrive.
  posted = false;
  job.Start([&](BackgroundJob::Control& c) {
    c.Post([&got] { got.push_back(1); });
    posted = true;
  });
  SpinUntil(posted);
  job.Start([&](BackgroundJob::Control& c) { c.Post([&got] { got.push_back(2); }); });
  ASSERT_TRUE(WaitFor([&] { return !job.busy(); }, 10000));
  EXPECT_EQ(got, (std::vector<int>{2}));
  EXPECT_EQ(finished.count(), 1);
}

TEST(BackgroundJob, AnErrorOfTheWorkIsToldWhenItFinishes) {
  BackgroundJob job;
  QString failure;
  QObject::connect(&job, &BackgroundJob::finished, [&](const QString& why) { failure = why; });
  job.Start([](BackgroundJob::Control&) { throw RuntimeError(53, "File not found"); });
  ASSERT_TRUE(WaitFor([&] { return !job.busy(); }, 10000));
  EXPECT_EQ(failure, QStringLiteral("File not found"));
}

// Work that runs until it is cancelled: destroying the job stops it and waits for it.
TEST(BackgroundJob, DestroyingTheJobStopsTheWorkAndWaits) {
  std::atomic<bool> running{false};
  std::atomic<bool> ended{false};
  {
    BackgroundJob job;
    job.Start([&](BackgroundJob::Control& c) {
      running = true;
      while (!c.cancelled()) {
        c.Post([] {});
        std::this_thread::yield();
      }
      ended = true;
    });
    SpinUntil(running);
  }
  EXPECT_TRUE(ended.load());
  QTest::qWait(10);  // the pieces queued for the destroyed job are gone with it
}

}  // namespace
}  // namespace orv
