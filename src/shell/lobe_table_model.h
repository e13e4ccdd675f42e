#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <vector>

#include "base/units.h"
#include "cam/cam_folder.h"
#include "engine/lobe_cards.h"

namespace orv {

// The most lobes the cam dialog's preview overlays.
inline constexpr int kMaxPreviewLobes = 6;

// One lobe of the cam dialog's table: its card (lengths in the unit system already), its curves
// in inches, and the tree node Open reads it from.
struct LobeTableRow {
  LobeCardRow card;
  NodeRef node;
};

// The cam dialog's table of every lobe of its folder with the figures of its card: file, lobe,
// maximum lift, the duration at each check height, centerline and lift area; "–" where a figure
// does not exist. The first column carries the tick that puts a lobe in the preview: at most
// `kMaxPreviewLobes` are ticked, a further tick is refused (`tickRefused`) until one is taken
// off. `Qt::UserRole` gives a figure as a number (nothing where it does not exist) for sorting.
class LobeTableModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column : int {
    kFile = 0,
    kLobe,
    kLift,
    kDuration0,  // one column for each check height from here
  };

  LobeTableModel(UnitMode mode, std::vector<std::string> heightTexts, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  void Clear();
  void Append(std::vector<LobeTableRow> rows);
  const LobeTableRow& row(int r) const { return rows_.at(static_cast<std::size_t>(r)); }
  int centerlineColumn() const noexcept { return kDuration0 + heightCount(); }
  int areaColumn() const noexcept { return centerlineColumn() + 1; }

  // Ticks or unticks a row; false when a tick is refused (the preview is full) or the row does
  // not exist.
  bool SetTicked(int r, bool ticked);
  bool ticked(int r) const;
  // The ticked rows, the oldest tick first.
  const std::vector<int>& tickedRows() const noexcept { return ticked_; }

 Q_SIGNALS:
  void ticksChanged();
  void tickRefused();

 private:
  int heightCount() const noexcept { return static_cast<int>(heightTexts_.size()); }
  std::optional<double> Figure(const LobeTableRow& row, int column) const;

  UnitMode mode_;
  std::vector<std::string> heightTexts_;
  std::vector<LobeTableRow> rows_;
  std::vector<int> ticked_;
};

// Sorts the table by the column clicked: figures by value with the rows that have none ("–")
// last in either order, texts by name; rows that compare equal keep the folder's order.
class LobeTableSort final : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

 protected:
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

}  // namespace orv
