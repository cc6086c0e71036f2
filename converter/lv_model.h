#pragma once
// The list view's model over the conversion table: it follows every change
// of the table as it happens, so the view stays right even while a
// conversion lets the window repaint.

#include <QAbstractTableModel>

#include "converter/table.h"

namespace lumo::converter {

class LvModel : public QAbstractTableModel, public TableObserver {
  Q_OBJECT
 public:
  LvModel(ConversionTable& table, QObject* parent = nullptr);
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
  ConversionTable& table_;
};

}  // namespace lumo::converter
