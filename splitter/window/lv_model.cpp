#include "splitter/window/lv_model.h"

namespace lumo::splitter {

LvModel::LvModel(ListTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {
  table_.setObserver(this);
}

LvModel::~LvModel() { table_.setObserver(nullptr); }

int LvModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : table_.rowCount(); }
int LvModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : table_.columnCount(); }

QVariant LvModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= table_.rowCount() || index.column() >= table_.columnCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  return QString::fromStdString(table_.cell(index.row() + 1, index.column()));
}

QVariant LvModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= table_.columnCount())
    return {};
  return QString::fromStdString(table_.headers()[static_cast<size_t>(section)]);
}

void LvModel::aboutToClear() { beginResetModel(); }
void LvModel::cleared() { endResetModel(); }
void LvModel::aboutToAddRow(int row) { beginInsertRows({}, row - 1, row - 1); }
void LvModel::rowAdded(int) { endInsertRows(); }
void LvModel::cellChanged(int row, int column) {
  const QModelIndex i = index(row - 1, column);
  emit dataChanged(i, i);
}

}  // namespace lumo::splitter
