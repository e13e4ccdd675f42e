#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <array>
#include <string>
#include <vector>

#include "app/graph_model.h"

namespace orv {

// One part of the curve list: a row per curve tag it holds, with the columns "shown" (a check
// box with the curve's name), colour, unit and the value at cursor line 3 (or the difference
// between lines 3 and 4), and while a reference engine is set the reference engine's value
// there and the difference current less reference. Names, units, colours and shown flags are
// read from the graph model; the values are the texts the model gives for the cursor lines,
// handed in by `SetValueTexts` and `SetComparisonTexts`. The view hides the two comparison
// columns while no reference is set.
// Ticking a box changes nothing itself: it asks through `shownToggled`, and the view carries
// the change out on the model.
class CurveListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The columns' identities: the numbers 1..4 the column order setting ("CrvNdx") holds are
  // the first four plus one; the comparison columns are not in that setting and always follow.
  enum Column {
    kName = 0,
    kColour = 1,
    kUnit = 2,
    kValue = 3,
    kReference = 4,
    kDifference = 5,
    kColumnCount = 6
  };
  // The columns the column order and width settings hold.
  static constexpr int kStoredColumnCount = 4;

  explicit CurveListModel(const GraphModel& model, QObject* parent = nullptr);

  // The tags of this part, in row order; the rows are read afresh from the model.
  void SetTags(std::vector<int> tags);
  const std::vector<int>& tags() const noexcept { return tags_; }
  // Names, units, colours and shown flags read afresh (a change of units or of the texts).
  void Rebind();
  // The curve list's texts of tags 1..13 (index tag - 1), and whether they are differences.
  void SetValueTexts(const std::array<std::string, kCurveTagCount>& texts, bool difference);
  // The comparison columns' texts of tags 1..13 (index tag - 1): the reference engine's list
  // texts and the differences current less reference (empty texts while no reference is set).
  void SetComparisonTexts(const std::array<std::string, kCurveTagCount>& reference,
                          const std::array<std::string, kCurveTagCount>& difference);
  // The tag of a row (0 for no row).
  int TagAt(int row) const noexcept;
  // The text a row shows in the value column.
  QString ValueText(int row) const;
  // The texts a row shows in the reference and difference columns.
  QString ReferenceText(int row) const;
  QString DifferenceText(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 Q_SIGNALS:
  // The user ticked or cleared the box of a tag.
  void shownToggled(int tag, bool shown);

 private:
  const GraphModel& model_;
  std::vector<int> tags_;
  std::array<std::string, kCurveTagCount> texts_{};
  std::array<std::string, kCurveTagCount> referenceTexts_{};
  std::array<std::string, kCurveTagCount> differenceTexts_{};
  bool difference_ = false;
};

}  // namespace orv
