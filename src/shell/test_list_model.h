#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <string>
#include <vector>

#include "airflow/test_list_query.h"

namespace orv {

// The database tab's test list for a `QTableView`: one row per test of the core's `TestList`,
// one column per shown display column, headed by its caption. The texts are the core's; the
// model only hands them out, converting a cell when the view asks for it, so that a list of
// 32000 tests is taken over at once and scrolls without delay.
class TestListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TestListModel(QObject* parent = nullptr);

  // Replaces the list; `columns` are the display columns the list's column numbers refer to.
  void SetList(TestList list, const std::vector<DisplayColumn>& columns);
  void Clear();

  const TestList& list() const noexcept { return list_; }
  // The "ID" of the test in a row, or -1 for a row outside the list.
  std::int32_t TestIdAt(int row) const noexcept;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  TestList list_;
  std::vector<QString> captions_;
};

}  // namespace orv
