#include "platform/ui/table_model.h"

namespace lumo::ui {

TableModel::TableModel(TextTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {
  table_.setObserver(this);
}

TableModel::~TableModel() { table_.setObserver(nullptr); }

int TableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : table_.rowCount(); }
int TableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : table_.columnCount(); }

QVariant TableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= table_.rowCount() || index.column() >= table_.columnCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  return QString::fromStdString(table_.cell(index.row() + 1, index.column()));
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= table_.columnCount())
    return {};
  return QString::fromStdString(table_.header(section));
}

void TableModel::aboutToClear() { beginResetModel(); }
void TableModel::cleared() { endResetModel(); }
void TableModel::aboutToAddRow(int row) { beginInsertRows({}, row - 1, row - 1); }
void TableModel::rowAdded(int) { endInsertRows(); }
void TableModel::cellChanged(int row, int column) {
  const QModelIndex i = index(row - 1, column);
  emit dataChanged(i, i);
}

}  // namespace lumo::ui
