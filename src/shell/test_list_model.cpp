#include "shell/test_list_model.h"

#include <utility>

namespace orv {

TestListModel::TestListModel(QObject* parent) : QAbstractTableModel(parent) {}

void TestListModel::SetList(TestList list, const std::vector<DisplayColumn>& columns) {
  beginResetModel();
  list_ = std::move(list);
  captions_.clear();
  captions_.reserve(list_.columns.size());
  for (int c : list_.columns) {
    const bool known = c >= 0 && static_cast<std::size_t>(c) < columns.size();
    captions_.push_back(known ? QString::fromStdString(columns[static_cast<std::size_t>(c)].caption)
                              : QString());
  }
  endResetModel();
}

void TestListModel::Clear() {
  beginResetModel();
  list_ = TestList{};
  captions_.clear();
  endResetModel();
}

std::int32_t TestListModel::TestIdAt(int row) const noexcept {
  if (row < 0 || static_cast<std::size_t>(row) >= list_.ids.size()) return -1;
  return list_.ids[static_cast<std::size_t>(row)];
}

int TestListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.rows.size());
}

int TestListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant TestListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  const auto column = static_cast<std::size_t>(index.column());
  if (row >= list_.rows.size() || column >= list_.rows[row].size()) return {};
  return QString::fromStdString(list_.rows[row][column]);
}

QVariant TestListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || static_cast<std::size_t>(section) >= captions_.size()) return {};
  return captions_[static_cast<std::size_t>(section)];
}

}  // namespace orv
