#pragma once

#include "shell/view.h"

namespace orv {

// The graph's scales, line thickness, axes choices, check boxes and background colour.
class GraphSettingsView final : public View {
  Q_OBJECT

 public:
  explicit GraphSettingsView(Application& app, QWidget* parent = nullptr);

  void Refresh(const ChangedAreas& changed) override;
};

}  // namespace orv
