#pragma once
// A list view's model over one of the split job's tables; it follows every
// change as it happens, so the view is right while the job yields.

#include <QAbstractTableModel>

#include "splitter/engine/list_table.h"

namespace lumo::splitter {

class LvModel : public QAbstractTableModel, public TableObserver {
  Q_OBJECT
 public:
  LvModel(ListTable& table, QObject* parent = nullptr);
  ~LvModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  void aboutToClear() override;
  void cleared() override;
  void aboutToAddRow(int row) override;
  void rowAdded(int row) override;
  void cellChanged(int row, int column) override;

 private:
  ListTable& table_;
};

}  // namespace lumo::splitter
