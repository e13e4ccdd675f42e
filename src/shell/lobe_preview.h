#pragma once

// The plotting library's header uses Qt's lower-case keywords, which the shell turns off.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef signals
#undef slots
#undef foreach

#include <vector>

#include "base/units.h"

namespace orv {

struct LobeTableRow;

// The cam dialog's preview: the valve lift (solid, left scale) and the valve velocity (dashed,
// right scale) of the lobes ticked in its table, overlaid over the crank degrees from each
// lobe's centre, one colour per lobe, named in the legend by file and lobe.
class LobePreview final : public QCustomPlot {
  Q_OBJECT

 public:
  explicit LobePreview(QWidget* parent = nullptr);

  // Draws the lobes (at most six are given; a lobe without curves draws nothing) in the unit
  // system's lengths.
  void Show(const std::vector<const LobeTableRow*>& lobes, UnitMode mode);
  // The number of lobes drawn (two curves each).
  int lobeCount() const noexcept { return lobes_; }

 private:
  int lobes_ = 0;
};

}  // namespace orv
