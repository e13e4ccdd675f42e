#pragma once

#include "shell/view.h"

namespace orv {

// The four text reports on four tabs, printed and saved from the File menu.
class ReportView final : public View {
  Q_OBJECT

 public:
  explicit ReportView(Application& app, QWidget* parent = nullptr);

  void Refresh(const ChangedAreas& changed) override;
};

}  // namespace orv
