#include "shell/curve_list_model.h"

#include <utility>

#include "shell/qt_convert.h"

namespace orv {

namespace {}  // namespace

CurveListModel::CurveListModel(const GraphModel& model, QObject* parent)
    : QAbstractTableModel(parent), model_(model) {}

void CurveListModel::SetTags(std::vector<int> tags) {
  beginResetModel();
  tags_ = std::move(tags);
  endResetModel();
}

void CurveListModel::Rebind() {
  beginResetModel();
  endResetModel();
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

void CurveListModel::SetValueTexts(const std::array<std::string, kCurveTagCount>& texts,
                                   bool difference) {
  texts_ = texts;
  if (difference != difference_) {
    difference_ = difference;
    Q_EMIT headerDataChanged(Qt::Horizontal, kValue, kValue);
  }
  if (!tags_.empty()) {
    Q_EMIT dataChanged(index(0, kValue), index(rowCount() - 1, kValue), {Qt::DisplayRole});
  }
}

void CurveListModel::SetComparisonTexts(const std::array<std::string, kCurveTagCount>& reference,
                                        const std::array<std::string, kCurveTagCount>& difference) {
  referenceTexts_ = reference;
  differenceTexts_ = difference;
  if (!tags_.empty()) {
    Q_EMIT dataChanged(index(0, kReference), index(rowCount() - 1, kDifference), {Qt::DisplayRole});
  }
}

int CurveListModel::TagAt(int row) const noexcept {
  if (row < 0 || row >= rowCount()) return 0;
  return tags_[static_cast<std::size_t>(row)];
}

QString CurveListModel::ValueText(int row) const {
  const int tag = TagAt(row);
  if (tag == 0) return {};
  return QString::fromStdString(texts_[static_cast<std::size_t>(tag - 1)]);
}

QString CurveListModel::ReferenceText(int row) const {
  const int tag = TagAt(row);
  if (tag == 0) return {};
  return QString::fromStdString(referenceTexts_[static_cast<std::size_t>(tag - 1)]);
}

QString CurveListModel::DifferenceText(int row) const {
  const int tag = TagAt(row);
  if (tag == 0) return {};
  return QString::fromStdString(differenceTexts_[static_cast<std::size_t>(tag - 1)]);
}

int CurveListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(tags_.size());
}

int CurveListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant CurveListModel::data(const QModelIndex& index, int role) const {
  const int tag = TagAt(index.row());
  if (!index.isValid() || tag == 0) return {};
  switch (index.column()) {
    case kName:
      if (role == Qt::DisplayRole) return QString::fromStdString(model_.TagName(tag));
      if (role == Qt::CheckStateRole) return model_.TagShown(tag) ? Qt::Checked : Qt::Unchecked;
      break;
    case kColour:
      if (role == Qt::BackgroundRole) return ColourOf(model_.TagColour(tag));
      if (role == Qt::ToolTipRole) return QString::fromStdString(model_.TagName(tag));
      break;
    case kUnit:
      if (role == Qt::DisplayRole) return QString::fromStdString(model_.TagUnit(tag));
      break;
    case kValue:
    case kReference:
    case kDifference:
      if (role == Qt::DisplayRole) {
        return index.column() == kValue       ? ValueText(index.row())
               : index.column() == kReference ? ReferenceText(index.row())
                                              : DifferenceText(index.row());
      }
      if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
      }
      break;
    default:
      break;
  }
  return {};
}

bool CurveListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const int tag = TagAt(index.row());
  if (tag == 0 || index.column() != kName || role != Qt::CheckStateRole) return false;
  const bool shown = value.toInt() == Qt::Checked;
  Q_EMIT shownToggled(tag, shown);
  Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
  return true;
}

Qt::ItemFlags CurveListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == kName) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

QVariant CurveListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kName:
      return tr("Curve");
    case kColour:
      return tr("Colour");
    case kUnit:
      return tr("Unit");
    case kValue:
      return difference_ ? tr("Line 3 - 4") : tr("At line 3");
    case kReference:
      return tr("Reference");
    case kDifference:
      return tr("Cur. - Ref.");
    default:
      return {};
  }
}

}  // namespace orv
