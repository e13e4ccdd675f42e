#include "base/error_trace.h"

#include <exception>
#include <new>

#include "base/runtime_error.h"

namespace orv {

namespace {
constexpr const char* kCrLf = "\r\n";
}

EStackTrace& EStackTrace::Instance() {
  thread_local EStackTrace trace;
  return trace;
}

void EStackTrace::Leave(std::string_view moduleName, std::string_view procedureName) {
  if (trace_.empty()) {
    errorNumber_ = pendingNumber_;
    errorDescription_ = pendingDescription_;
    indent_.clear();
  }
  indent_ += "   ";
  trace_ += kCrLf;
  trace_ += indent_;
  trace_ += moduleName;
  trace_ += "/";
  trace_ += procedureName;
}

std::string EStackTrace::Report(ETracker& guard) {
  guard.Release();
  return TakeMessage();
}

std::string EStackTrace::TakeMessage() {
  std::string message = "Error (" + std::to_string(errorNumber_) + ")    " + errorDescription_ +
                        kCrLf + kCrLf + "ERROR TRACE:" + trace_;
  Clear();
  return message;
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
  errorNumber_ = number;
  errorDescription_ = std::move(description);
  return TakeMessage();
}

void EStackTrace::Clear() {
  trace_.clear();
  indent_.clear();
  errorNumber_ = 0;
  errorDescription_.clear();
  pendingNumber_ = 0;
  pendingDescription_.clear();
}

void EStackTrace::SetPending(int number, const std::string& description) {
  pendingNumber_ = number;
  pendingDescription_ = description;
}

ETracker::ETracker(std::string_view moduleName, std::string_view procedureName) noexcept
    : module_(moduleName),
      procedure_(procedureName),
      uncaughtOnEntry_(std::uncaught_exceptions()) {}

ETracker::~ETracker() {
  if (!released_ && std::uncaught_exceptions() > uncaughtOnEntry_) {
    EStackTrace::Instance().Leave(module_, procedure_);
  }
}

void ETracker::Release() {
  if (released_) return;
  released_ = true;
  EStackTrace::Instance().Leave(module_, procedure_);
}

}  // namespace orv
