#pragma once
// A list view's rows as the split job keeps them: numbered from 1, each a
// main text and its sub-items, one text per column. The window shows a table
// through a model that observes it, so the view follows the job even while
// the job lets the window repaint.

#include <string>
#include <vector>

namespace lumo::splitter {

class TableObserver {
 public:
  virtual ~TableObserver() = default;
  virtual void aboutToClear() {}
  virtual void cleared() {}
  virtual void aboutToAddRow(int /*row*/) {}
  virtual void rowAdded(int /*row*/) {}
  virtual void cellChanged(int /*row*/, int /*column*/) {}
};

class ListTable {
 public:
  explicit ListTable(std::vector<std::string> headers) : headers_(std::move(headers)) {}

  const std::vector<std::string>& headers() const { return headers_; }
  int columnCount() const { return static_cast<int>(headers_.size()); }
  int rowCount() const { return static_cast<int>(rows_.size()); }
  // The cell of a row (1-based) and column (0 = the main text); run-time
  // error 9 outside the table.
  const std::string& cell(int row, int column) const;
  void setCell(int row, int column, std::string text);
  // Appends a row with its main text; returns its number.
  int addRow(std::string text);
  void clear();

  void setObserver(TableObserver* observer) { observer_ = observer; }

 private:
  std::vector<std::string> headers_;
  std::vector<std::vector<std::string>> rows_;
  TableObserver* observer_ = nullptr;
};

}  // namespace lumo::splitter
