#include "shell/background_job.h"

#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <exception>

#include "base/runtime_error.h"

namespace orv {

void BackgroundJob::Control::Progress(int done, int total) {
  Post([this_job = &job_, done, total] { Q_EMIT this_job->progressed(done, total); });
}

void BackgroundJob::Control::Post(std::function<void()> onWindowThread) {
  if (cancelled()) return;
  // Queued to the job's thread; a job destroyed first takes its queued calls with it.
  QMetaObject::invokeMethod(
      &job_,
      [job = &job_, generation = generation_, f = std::move(onWindowThread)]() mutable {
        job->Deliver(generation, std::move(f));
      },
      Qt::QueuedConnection);
}

BackgroundJob::BackgroundJob(QObject* parent)
    : QObject(parent),
      cancel_(std::make_shared<std::atomic<bool>>(false)),
      runner_(new QTimer(this)) {
  runner_->setSingleShot(true);
  runner_->setInterval(0);
  connect(runner_, &QTimer::timeout, this, &BackgroundJob::RunOne);
}

BackgroundJob::~BackgroundJob() { CancelAndWait(); }

void BackgroundJob::Deliver(int generation, std::function<void()> onWindowThread) {
  if (generation != generation_ || cancel_->load()) return;
  pending_.push_back(std::move(onWindowThread));
  if (!runner_->isActive()) runner_->start();
}

void BackgroundJob::RunOne() {
  if (pending_.empty()) return;
  const std::function<void()> next = std::move(pending_.front());
  pending_.pop_front();
  if (!pending_.empty()) runner_->start();
  next();
}

void BackgroundJob::Start(Work work) {
  CancelAndWait();
  ++generation_;
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  busy_ = true;
  auto control = std::shared_ptr<Control>(new Control(*this, cancel_, generation_));
  thread_.reset(QThread::create([control, work = std::move(work)] {
    QString failure;
    try {
      work(*control);
    } catch (const RuntimeError& e) {
      failure = QString::fromStdString(e.description());
    } catch (const std::exception& e) {
      failure = QString::fromLocal8Bit(e.what());
    } catch (...) {
      failure = QStringLiteral("unknown error");
    }
    // Last in the queue: after every piece the work handed over.
    control->Post([job = &control->job_, failure] {
      job->busy_ = false;
      Q_EMIT job->finished(failure);
    });
  }));
  thread_->setObjectName(QStringLiteral("BackgroundJob"));
  thread_->start();
}

void BackgroundJob::CancelAndWait() {
  if (!thread_) return;
  cancel_->store(true);
  thread_->wait();
  thread_.reset();
  ++generation_;
  pending_.clear();
  runner_->stop();
  busy_ = false;
}

}  // namespace orv
