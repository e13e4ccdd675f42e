#pragma once

#include <string>
#include <string_view>

namespace orv {

// The error trace: when an error ends a command, the user is shown the error and the chain of
// procedures it travelled through, innermost first. Each taking part procedure holds an
// `ETracker` guard; the guards destroyed while the error unwinds add their lines here, and the
// procedure that handles the error calls `ReportCurrentException` with its own guard inside its
// catch block, which takes the error's number and description from the exception itself.
//
// Making an error writes nothing here, and an error that is handled without a report needs no
// clearing: each line keeps the call depth of its procedure, and lines that can no longer
// belong to the error being reported are dropped by themselves: when a procedure above them
// returns normally (the error was handled below it), or when a new error leaves a procedure no
// shallower than the last line.
//
// There is one trace for the program (one per thread, the program being single-threaded).
class ETracker;

class EStackTrace final {
 public:
  static EStackTrace& Instance();

  // Adds the line of one procedure, left by an error at call depth `depth`.
  void Leave(std::string_view moduleName, std::string_view procedureName, int depth);
  // A procedure at call depth `depth` returned normally.
  void Returned(int depth) noexcept;

  // For use inside a catch block: releases the handler's guard (it adds itself as the outermost
  // line), builds the message the user is shown for the exception being handled and clears the
  // trace. The caller shows the message. An exception that is not a `RuntimeError` (out of
  // memory, a fault of a library) is reported under a number of its own.
  std::string ReportCurrentException(ETracker& guard);

  // Empties the trace.
  void Clear() noexcept;

  const std::string& Trace() const noexcept { return trace_; }

 private:
  std::string trace_;
  std::string indent_;
  int lastDepth_ = 0;  // call depth of the last line added
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
  int depth_;
  bool released_ = false;
};

}  // namespace orv
