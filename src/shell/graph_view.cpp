#include "shell/graph_view.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/application.h"
#include "app/file_kinds.h"
#include "base/error_trace.h"
#include "shell/command_runner.h"
#include "shell/curve_list_model.h"
#include "shell/graph_picture.h"
#include "shell/pdf_file.h"
#include "shell/qt_convert.h"

namespace orv {

namespace {

constexpr const char* kGraphModule = "frmMain";
// The list part each tag starts in: the crank and piston curves in the first, the valve and
// airflow curves in the second.
// A picture of a graph that is not on the screen (or is very small) gets this size.
constexpr int kPictureWidth = 1200;
constexpr int kPictureHeight = 800;
constexpr int kSmallestPictureSide = 200;
// Column widths are kept in twips, 1440 to the inch.
constexpr double kTwipsPerInch = 1440;

// The stored columns (the first four; the comparison columns are not stored) in the order
// the header shows them.
std::array<int, 4> StoredColumnsShown(const QHeaderView& header) {
  std::array<int, 4> logical{};
  std::size_t n = 0;
  for (int visual = 0; visual < header.count() && n < logical.size(); ++visual) {
    const int column = header.logicalIndex(visual);
    if (column >= 0 && column < CurveListModel::kStoredColumnCount) logical[n++] = column;
  }
  return logical;
}

// The column order setting when it names each of the four columns once; otherwise the
// columns in their own order.
std::array<int, 4> ColumnOrderOf(const std::array<std::int16_t, 4>& setting) {
  std::array<int, 4> order{};
  std::array<bool, 4> seen{};
  for (std::size_t i = 0; i < 4; ++i) {
    const int column = setting[i];
    if (column < 1 || column > 4 || seen[static_cast<std::size_t>(column - 1)]) {
      return {1, 2, 3, 4};
    }
    seen[static_cast<std::size_t>(column - 1)] = true;
    order[i] = column;
  }
  return order;
}

}  // namespace

GraphView::GraphView(Application& app, QWidget* parent)
    : View(app, parent), graph_(app.graph()), model_(graph_.model()) {
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  unZoom_ = new QPushButton(tr("UnZoom"), this);
  difference_ = new QCheckBox(tr("Difference between lines 3 and 4"), this);
  unZoom_->setObjectName(QStringLiteral("cmdUnZoom"));
  difference_->setObjectName(QStringLiteral("chkDifference"));
  stepNote_ = new QLabel(this);
  bar->addWidget(unZoom_);
  bar->addWidget(difference_);
  bar->addSpacing(12);
  bar->addWidget(stepNote_, 1);
  layout->addLayout(bar);

  // The graph takes the width; the curve lists beside it only what their columns need (set by
  // FitTextColumns), split between them in height.
  auto* row = new QHBoxLayout;
  canvas_ = new GraphCanvas(model_, this);
  canvas_->setObjectName(QStringLiteral("graphCanvas"));
  canvas_->setMinimumSize(320, 240);
  canvas_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  auto* listSplit = new QSplitter(Qt::Vertical, this);
  listSplit->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  listSplit->setChildrenCollapsible(false);
  for (int part = 0; part < 2; ++part) {
    auto* list = new QTableView(listSplit);
    auto* listModel = new CurveListModel(model_, list);
    list->setObjectName(QStringLiteral("curveList%1").arg(part));
    listModel->setObjectName(QStringLiteral("curveListModel%1").arg(part));
    list->setModel(listModel);
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->horizontalHeader()->setSectionsMovable(true);
    list->horizontalHeader()->setStretchLastSection(false);
    lists_[static_cast<std::size_t>(part)] = list;
    listModels_[static_cast<std::size_t>(part)] = listModel;
    connect(listModel, &CurveListModel::shownToggled, this, &GraphView::SetTagShown);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list, listModel](QPoint at) {
      const int tag = listModel->TagAt(list->indexAt(at).row());
      if (tag != 0) MoveTagToOtherPart(tag);
    });
    connect(list->horizontalHeader(), &QHeaderView::sectionMoved, this,
            [this, part] { TakeColumnOrder(part); });
    connect(list->horizontalHeader(), &QHeaderView::sectionResized, this, [this, part] {
      TakeColumnWidths(part);
      FitListPane();
    });
  }
  row->addWidget(canvas_, 1);
  row->addWidget(listSplit);
  layout->addLayout(row, 1);
  readout_ = new QLabel(this);
  readout_->setObjectName(QStringLiteral("lblReadout"));
  readout_->setWordWrap(true);
  readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(readout_);

  WatchForGeneralHelp(unZoom_);
  WatchForGeneralHelp(difference_);
  connect(unZoom_, &QPushButton::clicked, this, &GraphView::UnZoom);
  connect(difference_, &QCheckBox::toggled, this, &GraphView::SetDifferenceMode);
  connect(canvas_, &GraphCanvas::cursorLinesDragged, this, &GraphView::MoveCursorLines);
  connect(canvas_, &GraphCanvas::cursorLineStepped, this, &GraphView::StepCursorLine);
  connect(canvas_, &GraphCanvas::zoomAsked, this, &GraphView::Zoom);
  connect(canvas_, &GraphCanvas::pointerMoved, this, &GraphView::ShowReadout);

  RebindLists();
}

GraphView::~GraphView() = default;

void GraphView::Refresh(const ChangedAreas& changed) {
  if (!changed.outputs && !changed.settings) return;
  // The view's own commands moved the settings counter; it drew them already.
  if (!changed.outputs && app().revisions().settings == settingsDrawn_ && !stale_) return;
  stale_ = true;
  if (isVisible()) RedrawAll();
}

void GraphView::showEvent(QShowEvent* event) {
  View::showEvent(event);
  if (stale_) {
    RedrawAll();
    return;
  }
  RunCommand(app(), kGraphModule, "tabMain_Click", [&] { FillCurveNumbers(); });
}

void GraphView::RedrawAll() {
  RunCommand(app(), kGraphModule, "G_SetGraphWindowSpecs", [&] {
    stale_ = false;
    settingsDrawn_ = app().revisions().settings;
    RedrawCanvas();
    RebindLists();
    FillCurveNumbers();
    RefreshUnZoom();
    stepNote_->setText(tr("Left and Right move cursor line %1 by %2 degrees; 1 to 4 choose "
                          "the line")
                           .arg(canvas_->selectedLine())
                           .arg(static_cast<double>(model_.WindowSpecs().cursorStep)));
  });
}

std::optional<GraphModel> GraphView::ReferenceModel() const {
  const EngineDocument* reference = app().reference();
  if (reference == nullptr) return std::nullopt;
  return model_.ForEngine(reference->engine());
}

void GraphView::RedrawCanvas() {
  const std::optional<GraphModel> reference = ReferenceModel();
  canvas_->Redraw(reference ? &*reference : nullptr);
}

void GraphView::RebindLists() {
  for (std::size_t part = 0; part < 2; ++part) {
    listModels_[part]->SetTags(graph_.TagsOfPart(static_cast<int>(part)));
    QPalette palette = lists_[part]->palette();
    palette.setColor(QPalette::Base, ColourOf(model_.WindowSpecs().background));
    lists_[part]->setPalette(palette);
  }
  ApplyColumnSettings();
}

void GraphView::FillCurveNumbers() {
  const std::array<std::string, kCurveTagCount> texts = model_.CurveListTexts();
  const std::optional<GraphModel> reference = ReferenceModel();
  std::array<std::string, kCurveTagCount> referenceTexts{};
  std::array<std::string, kCurveTagCount> differences{};
  if (reference) {
    referenceTexts = reference->CurveListTexts();
    differences = model_.ComparedListTexts(*reference);
  }
  for (std::size_t part = 0; part < 2; ++part) {
    CurveListModel* list = listModels_[part];
    list->SetValueTexts(texts, model_.differenceMode());
    list->SetComparisonTexts(referenceTexts, differences);
    QHeaderView* header = lists_[part]->horizontalHeader();
    for (int column : {CurveListModel::kReference, CurveListModel::kDifference}) {
      if (header->isSectionHidden(column) == !reference) continue;
      applyingColumns_ = true;
      header->setSectionHidden(column, !reference);
      // A comparison column is as wide as the value column it stands beside.
      if (reference) header->resizeSection(column, header->sectionSize(CurveListModel::kValue));
      applyingColumns_ = false;
    }
  }
  FitTextColumns();
}

void GraphView::FitTextColumns() {
  applyingColumns_ = true;
  for (QTableView* list : lists_) {
    QHeaderView* header = list->horizontalHeader();
    for (int column : {CurveListModel::kName, CurveListModel::kValue, CurveListModel::kReference,
                       CurveListModel::kDifference}) {
      if (header->isSectionHidden(column)) continue;
      // The item view's public entry (the table view's own override is protected).
      const int needed = static_cast<const QAbstractItemView*>(list)->sizeHintForColumn(column);
      if (header->sectionSize(column) < needed) header->resizeSection(column, needed);
    }
  }
  applyingColumns_ = false;
  FitListPane();
}

void GraphView::FitListPane() {
  // The lists take the width their columns need; the graph takes the rest.
  int width = 0;
  for (QTableView* list : lists_) {
    width = std::max(width, list->horizontalHeader()->length() + 2 * list->frameWidth() +
                                list->verticalScrollBar()->sizeHint().width());
  }
  if (QWidget* pane = lists_[0]->parentWidget()) pane->setFixedWidth(width);
}

void GraphView::RefreshUnZoom() { unZoom_->setEnabled(model_.zoomed()); }

void GraphView::ApplyColumnSettings() {
  const Settings& s = app().settings();
  const std::array<int, 4> order = ColumnOrderOf(s.curveListColumns);
  applyingColumns_ = true;
  for (QTableView* list : lists_) {
    QHeaderView* header = list->horizontalHeader();
    // The stored columns take the first four places; the comparison columns follow them.
    for (int visual = 0; visual < CurveListModel::kStoredColumnCount; ++visual) {
      const int logical = order[static_cast<std::size_t>(visual)] - 1;
      const int now = header->visualIndex(logical);
      if (now != visual) header->moveSection(now, visual);
      const double twips = s.curveListWidths[static_cast<std::size_t>(visual)];
      const int pixels = static_cast<int>(std::lround(twips * list->logicalDpiX() / kTwipsPerInch));
      if (pixels > 0) header->resizeSection(logical, pixels);
    }
    for (int column : {CurveListModel::kReference, CurveListModel::kDifference}) {
      const int now = header->visualIndex(column);
      if (now != column) header->moveSection(now, column);
    }
  }
  applyingColumns_ = false;
  FitTextColumns();
}

void GraphView::TakeColumnOrder(int part) {
  if (applyingColumns_) return;
  QHeaderView* header = lists_[static_cast<std::size_t>(part)]->horizontalHeader();
  Settings& s = app().EditSettings();
  const std::array<int, 4> shown = StoredColumnsShown(*header);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    s.curveListColumns[i] = static_cast<std::int16_t>(shown[i] + 1);
  }
  TakeColumnWidths(part);
  // The other part follows, and a comparison column moved among the stored ones goes back
  // behind them.
  RebindLists();
  FillCurveNumbers();
  Done();
}

void GraphView::TakeColumnWidths(int part) {
  if (applyingColumns_) return;
  QTableView* list = lists_[static_cast<std::size_t>(part)];
  QHeaderView* header = list->horizontalHeader();
  Settings& s = app().EditSettings();
  const std::array<int, 4> shown = StoredColumnsShown(*header);
  for (std::size_t visual = 0; visual < shown.size(); ++visual) {
    const double pixels = header->sectionSize(shown[visual]);
    const double twips = std::round(pixels * kTwipsPerInch / std::max(1, list->logicalDpiX()));
    s.curveListWidths[visual] = static_cast<std::int16_t>(std::clamp(twips, 0.0, 32767.0));
  }
  settingsDrawn_ = app().revisions().settings;
}

void GraphView::Done() {
  settingsDrawn_ = app().revisions().settings;
  Q_EMIT commandDone();
}

void GraphView::MoveCursorLines(const CursorPositions& positions) {
  RunCommand(app(), kGraphModule, "QGraph_LineChange", [&] {
    model_.CursorLinesChanged(positions, model_.differenceMode());
    canvas_->PlaceCursorLines();
    FillCurveNumbers();
    Done();
  });
}

void GraphView::StepCursorLine(int line, int steps) {
  RunCommand(app(), kGraphModule, "QGraph_LineChange", [&] {
    model_.MoveCursorLine(line, steps);
    canvas_->PlaceCursorLines();
    FillCurveNumbers();
    Done();
  });
}

void GraphView::SetDifferenceMode(bool on) {
  RunCommand(app(), kGraphModule, "QGraph_LineChange", [&] {
    if (difference_->isChecked() != on) difference_->setChecked(on);
    const CursorPositions positions = model_.cursorLines();
    model_.CursorLinesChanged(positions, on);
    FillCurveNumbers();
    Done();
  });
}

void GraphView::Zoom(const AxisRange& x, const AxisRange& left) {
  model_.ZoomChanged(x, left);
  canvas_->PlaceAxes();
  RefreshUnZoom();
  Done();
}

void GraphView::UnZoom() {
  model_.UnZoom();
  canvas_->PlaceAxes();
  RefreshUnZoom();
  Done();
}

void GraphView::SetTagShown(int tag, bool shown) {
  RunCommand(app(), kGraphModule, "glstCurves_TagChange", [&] {
    model_.SetTagShown(tag, shown);
    RedrawCanvas();
    Done();
  });
}

void GraphView::MoveTagToOtherPart(int tag) {
  if (tag < 1 || tag > kCurveTagCount) return;
  RunCommand(app(), kGraphModule, "glstCurves_RightClick", [&] {
    graph_.MoveToOtherPart(tag);
    RebindLists();
    FillCurveNumbers();
  });
}

void GraphView::ShowReadout(double angle) {
  if (std::isnan(angle)) {
    readout_->clear();
    return;
  }
  RunCommand(app(), kGraphModule, "QGraph_MouseMove", [&] {
    QStringList parts;
    parts << tr("%1 degrees").arg(angle, 0, 'f', 1);
    for (int tag = 1; tag <= kCurveTagCount; ++tag) {
      if (!model_.TagShown(tag)) continue;
      parts << QStringLiteral("%1 %2 %3")
                   .arg(QString::fromStdString(model_.TagName(tag)),
                        QString::fromStdString(model_.ValueText(tag, static_cast<float>(angle))),
                        QString::fromStdString(model_.TagUnit(tag)));
    }
    readout_->setText(parts.join(QStringLiteral(";  ")));
  });
}

void GraphView::Print() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  PrintOn(printer);
}

bool GraphView::PrintOn(QPrinter& printer) {
  bool printed = false;
  RunCommand(app(), kGraphModule, "QGraph_PrintAllGraphs", [&] {
    const std::optional<GraphModel> reference = ReferenceModel();
    // A PDF file is written whole or not at all, with the reason when it is not.
    const std::string failure = PrintThrough(printer, [&](QPagedPaintDevice& device) {
      return PrintGraph(model_, device, reference ? &*reference : nullptr)
                 ? std::string()
                 : std::string("the printer cannot be opened");
    });
    printed = failure.empty();
    if (!printed) {
      app().prompter().Warn(tr("The graph could not be printed.").toStdString() + "\r" + failure,
                            kAppTitle);
    }
  });
  return printed;
}

void GraphView::SaveToFile() {
  RunCommand(app(), kGraphModule, "mnuFileSaveGraph_Click", [&] {
    const std::optional<std::string> chosen =
        app().prompter().AskFileName(Prompter::FileKind::SaveGraph, app().settings().graphFile);
    if (!chosen) return;
    const std::string path = WithDefaultExtension(Prompter::FileKind::SaveGraph, *chosen);
    const std::optional<PictureFormat> format = PictureFormatOf(path);
    if (!format) {
      app().prompter().Warn(path + ": " +
                                tr("a graph picture is written as one of: %1")
                                    .arg(QString::fromUtf8(kPictureFormatList))
                                    .toStdString(),
                            kAppTitle);
      return;
    }
    int width = canvas_->width();
    int height = canvas_->height();
    if (width < kSmallestPictureSide || height < kSmallestPictureSide) {
      width = kPictureWidth;
      height = kPictureHeight;
    }
    const std::optional<GraphModel> reference = ReferenceModel();
    const std::string why =
        WriteGraphPicture(model_, path, *format, width, height, reference ? &*reference : nullptr);
    if (!why.empty()) {
      app().prompter().Warn(why, kAppTitle);
      return;
    }
    app().EditSettings().graphFile = path;
    Done();
  });
}

}  // namespace orv
