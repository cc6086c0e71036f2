#pragma once
// A list view's rows as the split job keeps them: numbered from 1, each a
// main text and its sub-items, one text per column. The window shows a table
// through a model that observes it, so the view follows the job even while
// the job lets the window repaint.

#include <string>
#include <vector>

#include "common/table.h"

namespace lumo::splitter {

class ListTable final : public TextTable {
 public:
  explicit ListTable(std::vector<std::string> headers) : headers_(std::move(headers)) {}

  const std::vector<std::string>& headers() const { return headers_; }
  std::string header(int column) const override { return headers_.at(static_cast<size_t>(column)); }
  int columnCount() const override { return static_cast<int>(headers_.size()); }
  int rowCount() const override { return static_cast<int>(rows_.size()); }
  // The cell of a row (1-based) and column (0 = the main text); run-time
  // error 9 outside the table.
  const std::string& cell(int row, int column) const override;
  void setCell(int row, int column, std::string text);
  // Appends a row with its main text; returns its number.
  int addRow(std::string text);
  void clear();

  void setObserver(TableObserver* observer) override { observer_ = observer; }

 private:
  std::vector<std::string> headers_;
  std::vector<std::vector<std::string>> rows_;
  TableObserver* observer_ = nullptr;
};

}  // namespace lumo::splitter
