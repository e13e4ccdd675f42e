#pragma once

#include <string>
#include <string_view>

#include "airflow/flow_test.h"
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

  // The current intake and exhaust flow tests (the last ones loaded for each side).
  FlowTest& intakeFlowTest() noexcept { return intakeFlowTest_; }
  const FlowTest& intakeFlowTest() const noexcept { return intakeFlowTest_; }
  FlowTest& exhaustFlowTest() noexcept { return exhaustFlowTest_; }
  const FlowTest& exhaustFlowTest() const noexcept { return exhaustFlowTest_; }

  // Loads a flow test for one side from a DOS test file or an SY3 file (test `testName` of
  // full kind `kind`) through `LoadSYTest`, as the flow-test dialog's "Open" does; on success
  // the engine is marked changed and recalculated. Returns the loader's error flag; on failure
  // the current test and the flow tables stay. Errors of the recalculation travel to the
  // caller.
  int LoadFlowTest(bool intake, const std::string& path, const std::string& testName,
                   std::int32_t& kind);

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
  FlowTest intakeFlowTest_;
  FlowTest exhaustFlowTest_;
};

}  // namespace orv
