#include "shell/lobe_table_model.h"

#include <algorithm>

namespace orv {

namespace {

QString Dash() { return QString::fromUtf8("\xe2\x80\x93"); }

}  // namespace

LobeTableModel::LobeTableModel(UnitMode mode, std::vector<std::string> heightTexts, QObject* parent)
    : QAbstractTableModel(parent), mode_(mode), heightTexts_(std::move(heightTexts)) {}

int LobeTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int LobeTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : areaColumn() + 1;
}

std::optional<double> LobeTableModel::Figure(const LobeTableRow& row, int column) const {
  const std::optional<CamCard>& card = row.card.card;
  if (!card) return std::nullopt;
  if (column == kLift) return card->maxLift;
  if (column == centerlineColumn()) return card->centerline;
  if (column == areaColumn()) return card->liftArea;
  const int k = column - kDuration0;
  if (k >= 0 && k < static_cast<int>(card->checks.size())) {
    return card->checks[static_cast<std::size_t>(k)].duration;
  }
  return std::nullopt;
}

QVariant LobeTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const LobeTableRow& row = rows_[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  if (role == Qt::CheckStateRole && column == kFile) {
    return ticked(index.row()) ? Qt::Checked : Qt::Unchecked;
  }
  if (role == Qt::ToolTipRole && !row.card.card) {
    return QString::fromStdString(row.card.failure);
  }
  if (role == Qt::TextAlignmentRole && column >= kLift) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  if (column == kFile || column == kLobe) {
    if (role != Qt::DisplayRole && role != Qt::UserRole) return {};
    return QString::fromStdString(column == kFile ? row.card.file : row.card.lobe);
  }
  const std::optional<double> figure = Figure(row, column);
  if (role == Qt::UserRole) return figure ? QVariant(*figure) : QVariant();
  if (role != Qt::DisplayRole) return {};
  if (!figure) return Dash();
  const bool english = mode_ == UnitMode::English;
  const int decimals = column == kLift ? (english ? 4 : 3) : column == areaColumn() ? 2 : 1;
  return QString::number(*figure, 'f', decimals);
}

QVariant LobeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  const QString unit = mode_ == UnitMode::English ? QStringLiteral("in") : QStringLiteral("mm");
  if (role == Qt::ToolTipRole && section >= kDuration0 && section < centerlineColumn()) {
    return tr("Duration in crank degrees at %1 %2")
        .arg(QString::fromStdString(heightTexts_[static_cast<std::size_t>(section - kDuration0)]),
             unit);
  }
  if (section == kFile) return tr("File");
  if (section == kLobe) return tr("Lobe");
  if (section == kLift) return tr("Lift");
  if (section == centerlineColumn()) return tr("CL");
  if (section == areaColumn()) return tr("Area");
  const int k = section - kDuration0;
  if (k >= 0 && k < heightCount()) {
    return tr("Dur %1").arg(QString::fromStdString(heightTexts_[static_cast<std::size_t>(k)]));
  }
  return {};
}

Qt::ItemFlags LobeTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (index.isValid() && index.column() == kFile) f |= Qt::ItemIsUserCheckable;
  return f;
}

bool LobeTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::CheckStateRole || index.column() != kFile) return false;
  return SetTicked(index.row(), value.toInt() == Qt::Checked);
}

bool LobeTableModel::ticked(int r) const {
  return std::find(ticked_.begin(), ticked_.end(), r) != ticked_.end();
}

bool LobeTableModel::SetTicked(int r, bool tick) {
  if (r < 0 || r >= rowCount()) return false;
  if (tick == ticked(r)) return true;
  if (tick) {
    if (static_cast<int>(ticked_.size()) >= kMaxPreviewLobes) {
      Q_EMIT tickRefused();
      return false;
    }
    ticked_.push_back(r);
  } else {
    ticked_.erase(std::find(ticked_.begin(), ticked_.end(), r));
  }
  const QModelIndex at = index(r, kFile);
  Q_EMIT dataChanged(at, at, {Qt::CheckStateRole});
  Q_EMIT ticksChanged();
  return true;
}

void LobeTableModel::Clear() {
  beginResetModel();
  rows_.clear();
  const bool hadTicks = !ticked_.empty();
  ticked_.clear();
  endResetModel();
  if (hadTicks) Q_EMIT ticksChanged();
}

void LobeTableModel::Append(std::vector<LobeTableRow> rows) {
  if (rows.empty()) return;
  const int first = rowCount();
  beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
  for (LobeTableRow& row : rows) rows_.push_back(std::move(row));
  endInsertRows();
}

bool LobeTableSort::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const QVariant l = left.data(Qt::UserRole);
  const QVariant r = right.data(Qt::UserRole);
  // The model's order breaks ties: the sort is stable that way in both directions.
  const bool descending = sortOrder() == Qt::DescendingOrder;
  const bool tie = descending ? left.row() > right.row() : left.row() < right.row();
  const bool numbers = left.column() >= LobeTableModel::kLift;
  if (numbers) {
    // A row without the figure goes last whichever way the column is sorted.
    if (!l.isValid() || !r.isValid()) {
      if (l.isValid() == r.isValid()) return tie;
      return l.isValid() != descending;
    }
    const double a = l.toDouble(), b = r.toDouble();
    if (a != b) return a < b;
    return tie;
  }
  const int c = QString::compare(l.toString(), r.toString(), Qt::CaseInsensitive);
  return c != 0 ? c < 0 : tie;
}

}  // namespace orv
