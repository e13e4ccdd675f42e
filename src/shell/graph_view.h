#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/graph_model.h"
#include "app/graph_state.h"
#include "shell/graph_canvas.h"
#include "shell/view.h"

class QCheckBox;
class QLabel;
class QPrinter;
class QPushButton;
class QTableView;

namespace orv {

class CurveListModel;

// The graph of the thirteen per-degree curves with its cursor lines and zoom, and the curve
// list beside it in two parts. Every action goes to the graph model (cursor lines, difference
// mode, zoom, shown curves, column order and widths) and the graph and list are drawn again
// from it. While the application has a reference engine, the graph also draws its shown
// curves dashed on the same scales, and the list shows its values and the differences in two
// more columns; both come from the graph model over the reference engine.
class GraphView final : public View {
  Q_OBJECT

 public:
  explicit GraphView(Application& app, QWidget* parent = nullptr);
  ~GraphView() override;

  void Refresh(const ChangedAreas& changed) override;
  bool CanPrint() const override { return true; }
  // The printer choice, then the graph printed.
  void Print() override;
  // The file-name dialog for a picture, then the picture written (its kind by its extension).
  void SaveToFile() override;
  // Prints the graph on `printer` without asking (a PDF printer in tests).
  bool PrintOn(QPrinter& printer);

  // The graph model the view draws (the application's).
  GraphModel& model() noexcept { return model_; }
  // The parts of the view carry object names: the graph "graphCanvas", the list parts
  // "curveList0" and "curveList1" with their models "curveListModel0" and "curveListModel1",
  // the UnZoom button "cmdUnZoom", the difference box "chkDifference" and the readout line
  // "lblReadout".

  // The commands of the graph and its list, as the mouse and the keys give them.
  void MoveCursorLines(const CursorPositions& positions);
  void StepCursorLine(int line, int steps);
  void SetDifferenceMode(bool on);
  void Zoom(const AxisRange& x, const AxisRange& left);
  void UnZoom();
  void SetTagShown(int tag, bool shown);
  // Moves a tag to the other list part (a right click on its row).
  void MoveTagToOtherPart(int tag);
  void ShowReadout(double angle);

  // The graph model over the reference engine (same settings, cursor lines and difference
  // mode), or nothing while no reference is set.
  std::optional<GraphModel> ReferenceModel() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The whole graph and both list parts from the model.
  void RedrawAll();
  // The canvas afresh, with the reference engine's curves while one is set.
  void RedrawCanvas();
  void RebindLists();
  void FillCurveNumbers();
  void RefreshUnZoom();
  void ApplyColumnSettings();
  // Widens a text column whose names or values would be cut off (the stored widths stay).
  void FitTextColumns();
  void FitListPane();
  void TakeColumnOrder(int part);
  void TakeColumnWidths(int part);
  void Done();

  // The graph state the application keeps (shared with the graph settings view).
  GraphState& graph_;
  GraphModel& model_;
  GraphCanvas* canvas_ = nullptr;
  std::array<QTableView*, 2> lists_{};
  std::array<CurveListModel*, 2> listModels_{};
  QPushButton* unZoom_ = nullptr;
  QCheckBox* difference_ = nullptr;
  QLabel* readout_ = nullptr;
  QLabel* stepNote_ = nullptr;
  // Redrawing waits for the view to be shown when it is hidden.
  bool stale_ = true;
  bool applyingColumns_ = false;
  std::uint64_t settingsDrawn_ = 0;
};

}  // namespace orv
