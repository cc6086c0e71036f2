#pragma once
// A list view's model over an engine's text table: it follows every change
// of the table as it happens, so the view stays right while a job yields.

#include <QAbstractTableModel>

#include "common/table.h"

namespace lumo::ui {

class TableModel : public QAbstractTableModel, public TableObserver {
 public:
  explicit TableModel(TextTable& table, QObject* parent = nullptr);
  ~TableModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void aboutToClear() override;
  void cleared() override;
  void aboutToAddRow(int row) override;
  void rowAdded(int row) override;
  void cellChanged(int row, int column) override;

 private:
  TextTable& table_;
};

}  // namespace lumo::ui
