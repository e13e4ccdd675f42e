#include "files/source_captions.h"

#include "files/interface_strings.h"
#include "files/interface_text_ids.h"

namespace orv {

const std::string& SourceLabel(const InterfaceStrings& strings, SourceNo source) noexcept {
  return strings.Label(kLabelIntakeCam + static_cast<int>(source));
}

std::string SourceCaption(const EngineInputs& in, const InterfaceStrings& strings,
                          SourceNo source) {
  const std::string* path = nullptr;
  switch (source) {
    case SourceNo::IntakeCam:
      path = &in.intakeCam.path;
      break;
    case SourceNo::ExhaustCam:
      path = &in.exhaustCam.path;
      break;
    case SourceNo::IntakeFlow:
    case SourceNo::ExhaustFlow: {
      const FlowTestRef& ref = source == SourceNo::IntakeFlow ? in.intakeFlow : in.exhaustFlow;
      if (ref.keyboard) return strings.Label(kLabelKeyboardEntered);
      path = &ref.path;
      break;
    }
  }
  if (path == nullptr || path->empty()) return strings.Misc(kMiscNoSourceFile);
  return *path;
}

}  // namespace orv
