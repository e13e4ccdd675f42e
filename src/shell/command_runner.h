#pragma once

#include <string>
#include <utility>

#include "app/application.h"
#include "base/error_trace.h"

namespace orv {

// The one way a window event runs a command of the core. The guard names the form and the event
// (`form`/`procedure`, as the error trace shows them); an error raised by the command ends it and
// is reported through the application's prompter. Returns false when the command ended in an
// error; `message` (when given) then receives the message reported. What comes before (handing over
// the edit in progress) and after (redrawing from the core's counters) belongs to the window that
// owns the event: see `MainWindow::Run`.
template <class Command>
bool RunCommand(Application& app, const char* form, const char* procedure, Command&& command,
                std::string* message = nullptr) {
  ETracker guard(form, procedure);
  try {
    std::forward<Command>(command)();
    return true;
  } catch (...) {
    std::string reported = app.ReportError(guard);
    if (message != nullptr) *message = std::move(reported);
    return false;
  }
}

}  // namespace orv
