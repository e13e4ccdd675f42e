#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <deque>
#include <exception>
#include <functional>
#include <memory>

class QThread;
class QTimer;

namespace orv {

// One piece of long work (reading a folder of lobes, a test database) on a thread of its own, so
// that the window's event loop keeps running while it goes on. The work asks between its steps
// whether it is cancelled, tells its progress, and hands what it found to the window's thread in
// pieces small enough to take in at once. The job waits for its thread before it is started again
// or destroyed: closing a window while the work runs cancels it and waits, and nothing the work
// handed over arrives after that.
class BackgroundJob final : public QObject {
  Q_OBJECT

 public:
  // Raised by `Control::ThrowIfCancelled` between two steps of work that is no longer wanted:
  // the work stops there, and the job drops it like everything else the work posted.
  class Stopped final : public std::exception {
   public:
    const char* what() const noexcept override { return "the work was stopped"; }
  };

  // What the work sees of its job (on the work's thread).
  class Control final {
   public:
    bool cancelled() const noexcept { return cancel_->load(std::memory_order_relaxed); }
    // Raises `Stopped` when the job is cancelled: for work that can only stop by unwinding, such
    // as a folder listing asked between two files.
    void ThrowIfCancelled() const {
      if (cancelled()) throw Stopped();
    }
    // `done` of `total` steps; the window hears of it through `progressed`.
    void Progress(int done, int total);
    // Runs `onWindowThread` on the window's thread, in the order posted, one piece a turn of
    // the event loop (so that pieces arriving together do not add up to one long pause),
    // unless the job is cancelled, started again or destroyed first.
    void Post(std::function<void()> onWindowThread);

   private:
    friend class BackgroundJob;
    Control(BackgroundJob& job, std::shared_ptr<std::atomic<bool>> cancel, int generation)
        : job_(job), cancel_(std::move(cancel)), generation_(generation) {}
    BackgroundJob& job_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    int generation_;
  };
  using Work = std::function<void(Control&)>;

  explicit BackgroundJob(QObject* parent = nullptr);
  ~BackgroundJob() override;
  BackgroundJob(const BackgroundJob&) = delete;
  BackgroundJob& operator=(const BackgroundJob&) = delete;

  // Cancels the work that runs, waits for it and starts `work`.
  void Start(Work work);
  // Asks the work to stop at its next step and waits for it; what it posted is dropped.
  void CancelAndWait();
  // The work runs or its results are still on their way to the window's thread.
  bool busy() const noexcept { return busy_; }

 Q_SIGNALS:
  void progressed(int done, int total);
  // The work ended without being cancelled, after everything it posted has run; `failure` says
  // why it stopped early when it raised an error.
  void finished(const QString& failure);

 private:
  void Deliver(int generation, std::function<void()> onWindowThread);
  void RunOne();

  std::unique_ptr<QThread> thread_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  int generation_ = 0;  // counts the starts and cancels: what an older work posts is stale
  bool busy_ = false;
  std::deque<std::function<void()>> pending_;  // arrived, to run one a turn
  QTimer* runner_;
};

}  // namespace orv
