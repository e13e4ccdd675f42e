#pragma once

#include <string>
#include <string_view>

#include "app/prompter.h"
#include "base/error_trace.h"
#include "engine/engine.h"

namespace orv {

// The whole state of one running program: the engine with its cam lobes, the flow tests, the
// settings, the recent files and the current engine path. The window and the command line
// both drive it; tests make as many as they like.
class Workspace final {
 public:
  explicit Workspace(Prompter& prompter);

  Engine& engine() noexcept { return engine_; }
  const Engine& engine() const noexcept { return engine_; }
  Prompter& prompter() noexcept { return prompter_; }

  // Types `value` into the input whose engine-file key is `key`, as a user typing it and
  // leaving the box (list choices and the airflow/rpm option pair as a click). Keys that have
  // no box ("TorqLoss", "PcntDrop") are stored as read. Returns false for an unknown key.
  // Errors of the recalculation travel to the caller.
  bool TypeInput(const std::string& key, const std::string& value);

  // Reports the error being handled (call inside a catch block) through the error trace and
  // the prompter, `guard` being the handling procedure's guard. Returns the message shown.
  std::string ReportError(ETracker& guard);

 private:
  Prompter& prompter_;
  Engine engine_;
};

}  // namespace orv
