#include "base/error_trace.h"

#include <exception>
#include <new>

#include "base/runtime_error.h"

namespace orv {

namespace {
constexpr const char* kCrLf = "\r\n";

// Guards alive on this thread: the call depth of the procedure a new guard belongs to.
thread_local int guardDepth = 0;
}  // namespace

EStackTrace& EStackTrace::Instance() {
  thread_local EStackTrace trace;
  return trace;
}

void EStackTrace::Leave(std::string_view moduleName, std::string_view procedureName, int depth) {
  // While one error unwinds, each line is shallower than the one before. A line no shallower
  // belongs to a new error: the lines before it were left by one handled without a report.
  if (!trace_.empty() && depth >= lastDepth_) Clear();
  lastDepth_ = depth;
  indent_ += "   ";
  trace_ += kCrLf;
  trace_ += indent_;
  trace_ += moduleName;
  trace_ += "/";
  trace_ += procedureName;
}

void EStackTrace::Returned(int depth) noexcept {
  // A procedure above the last line returned normally: that error was handled below it.
  if (!trace_.empty() && depth < lastDepth_) Clear();
}

std::string EStackTrace::ReportCurrentException(ETracker& guard) {
  int number = 0;
  std::string description;
  try {
    throw;
  } catch (const RuntimeError& e) {
    number = e.number();
    description = e.description();
  } catch (const std::bad_alloc&) {
    number = kErrOutOfMemory;
    description = StandardErrorDescription(kErrOutOfMemory);
  } catch (const std::exception& e) {
    number = kErrInternal;
    description = std::string("Internal error: ") + e.what();
  } catch (...) {
    number = kErrInternal;
    description = "Internal error";
  }
  guard.Release();
  std::string message = "Error (" + std::to_string(number) + ")    " + description + kCrLf + kCrLf +
                        "ERROR TRACE:" + trace_;
  Clear();
  return message;
}

void EStackTrace::Clear() noexcept {
  trace_.clear();
  indent_.clear();
  lastDepth_ = 0;
}

ETracker::ETracker(std::string_view moduleName, std::string_view procedureName) noexcept
    : module_(moduleName),
      procedure_(procedureName),
      uncaughtOnEntry_(std::uncaught_exceptions()),
      depth_(++guardDepth) {}

ETracker::~ETracker() {
  --guardDepth;
  if (released_) return;
  if (std::uncaught_exceptions() > uncaughtOnEntry_) {
    EStackTrace::Instance().Leave(module_, procedure_, depth_);
  } else {
    EStackTrace::Instance().Returned(depth_);
  }
}

void ETracker::Release() {
  if (released_) return;
  released_ = true;
  EStackTrace::Instance().Leave(module_, procedure_, depth_);
}

}  // namespace orv
