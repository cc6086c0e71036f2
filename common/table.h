#pragma once
// A table of text cells as the engines keep it for a window's list view:
// rows numbered from 1, one text per column. The window shows it through a
// model that observes it (platform/ui/table_model.h), so the view follows
// every change even while a long job lets the window repaint.

#include <string>

namespace lumo {

// Told about every change, before and after.
class TableObserver {
 public:
  virtual ~TableObserver() = default;
  virtual void aboutToClear() {}
  virtual void cleared() {}
  virtual void aboutToAddRow(int /*row*/) {}
  virtual void rowAdded(int /*row*/) {}
  virtual void cellChanged(int /*row*/, int /*column*/) {}
};

// What a list view reads of a table.
class TextTable {
 public:
  virtual ~TextTable() = default;
  virtual int rowCount() const = 0;
  virtual int columnCount() const = 0;
  virtual std::string header(int column) const = 0;
  // The cell of row (1-based) and column.
  virtual const std::string& cell(int row, int column) const = 0;
  virtual void setObserver(TableObserver* observer) = 0;
};

}  // namespace lumo
