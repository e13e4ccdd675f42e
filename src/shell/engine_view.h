#pragma once

#include "shell/view.h"

namespace orv {

// The input stages with their outputs: the two stage tabs of inputs, the cam-setting boxes and the
// four sources (captions and Edit buttons), both output pages with the Calculate buttons and the
// balance chart.
class EngineView final : public View {
  Q_OBJECT

 public:
  explicit EngineView(Application& app, QWidget* parent = nullptr);

  void Refresh(const ChangedAreas& changed) override;
};

}  // namespace orv
