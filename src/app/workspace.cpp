#include "app/workspace.h"

#include "airflow/load_test.h"
#include "base/error_trace.h"
#include "base/rounding.h"
#include "base/text_number.h"

namespace orv {

Workspace::Workspace(Prompter& prompter) : prompter_(prompter) {}

bool Workspace::TypeInput(const std::string& key, const std::string& value) {
  Engine& e = engine_;
  const int n = InputNumberOfKey(key);
  const int beepsBefore = e.panel().beeps;
  if (key == "Fuel") {
    e.ChooseFuel(ToInt32(TextToDouble(value)));
  } else if (key == "VTType") {
    e.ChooseValveTrain(ToInt32(TextToDouble(value)));
  } else if (key == "EnterAirPP") {
    e.ChooseEnterAirPP(TextToDouble(value) != 0 ? 1 : 0);
  } else if (key == "TorqLoss") {
    e.inputs().TorqLoss = TextToDouble(value);
    e.SetChanged(true);
  } else if (key == "PcntDrop") {
    e.inputs().PcntDrop = TextToDouble(value);
    e.SetChanged(true);
  } else if (n >= 0) {
    e.EnterText(n, value);
  } else {
    return false;
  }
  for (int i = beepsBefore; i < e.panel().beeps; ++i) prompter_.Beep();
  return true;
}

int Workspace::LoadFlowTest(bool intake, const std::string& path, const std::string& testName,
                            std::int32_t& kind) {
  ETracker guard("FlowDialog", "cmdOpen_Click");
  FlowTest& current = intake ? intakeFlowTest_ : exhaustFlowTest_;
  const int err = LoadSYTest(path, testName, intake, kind, false, 0, engine_.inputs(), current);
  if (err != kFlowOk) return err;
  engine_.SetChanged(true);
  engine_.ReCalc(-1);
  return err;
}

std::string Workspace::ReportError(ETracker& guard) {
  std::string message = EStackTrace::Instance().ReportCurrentException(guard);
  prompter_.Warn(message, kAppTitle);
  return message;
}

}  // namespace orv
