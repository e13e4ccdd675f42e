#pragma once

#include "shell/view.h"

namespace orv {

// The graph of the thirteen per-degree curves with its cursor lines and zoom, and the curve list
// beside it.
class GraphView final : public View {
  Q_OBJECT

 public:
  explicit GraphView(Application& app, QWidget* parent = nullptr);

  void Refresh(const ChangedAreas& changed) override;
};

}  // namespace orv
