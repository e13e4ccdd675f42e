#pragma once

#include <string>
#include <string_view>

namespace orv {

// The error trace: when an error ends a command, the user is shown the error and the chain of
// procedures it travelled through, innermost first. Each taking part procedure holds an
// `ETracker` guard; the guards destroyed while the error unwinds add their lines here, and the
// procedure that handles the error calls `Report` with its own guard.
//
// There is one trace for the program (one per thread, the program being single-threaded).
class ETracker;

class EStackTrace final {
 public:
  static EStackTrace& Instance();

  // Adds the line of one procedure. The first line of a trace captures the pending error.
  void Leave(std::string_view moduleName, std::string_view procedureName);

  // Releases the handler's guard (it adds itself as the outermost line), builds the message the
  // user is shown and clears the trace. The caller shows the message.
  std::string Report(ETracker& guard);

  // As `Report`, for use inside a catch block: an exception that is not a `RuntimeError` (out of
  // memory, a fault of a library) is reported under a number of its own instead of whatever
  // error was last pending.
  std::string ReportCurrentException(ETracker& guard);

  // Empties the trace and forgets the pending error.
  void Clear();

  // Records the error now travelling outward (done by every `RuntimeError` when it is made).
  void SetPending(int number, const std::string& description);

  const std::string& Trace() const noexcept { return trace_; }
  int ErrorNumber() const noexcept { return errorNumber_; }
  const std::string& ErrorDescription() const noexcept { return errorDescription_; }

 private:
  std::string TakeMessage();

  std::string trace_;
  int errorNumber_ = 0;
  std::string errorDescription_;
  std::string indent_;
  int pendingNumber_ = 0;
  std::string pendingDescription_;
};

// Guard of one procedure call. When the procedure is left by an error, the destructor adds the
// procedure to the error trace. The names are not copied: pass string literals.
class ETracker final {
 public:
  ETracker(std::string_view moduleName, std::string_view procedureName) noexcept;
  ~ETracker();
  ETracker(const ETracker&) = delete;
  ETracker& operator=(const ETracker&) = delete;

  // Adds this procedure to the trace now (the error being handled is pending) and makes the
  // destructor do nothing.
  void Release();

  std::string_view ModuleName() const noexcept { return module_; }
  std::string_view ProcedureName() const noexcept { return procedure_; }

 private:
  std::string_view module_;
  std::string_view procedure_;
  int uncaughtOnEntry_;
  bool released_ = false;
};

}  // namespace orv
