#pragma once

#include <QString>
#include <string>

namespace orv {

// The form the flow test dialog and its tabs report their events under.
inline constexpr const char* kFlowTestsForm = "frmFlowTests";

// A text of the core as the flow test dialog shows it: the core ends its lines with CR LF, the
// boxes with LF.
inline QString FlowText(const std::string& text) {
  return QString::fromStdString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

}  // namespace orv
