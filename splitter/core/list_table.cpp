#include "splitter/core/list_table.h"

#include "common/errors/errors.h"

namespace lumo::splitter {

const std::string& ListTable::cell(int row, int column) const {
  if (row < 1 || row > rowCount() || column < 0 || column >= columnCount())
    throw RuntimeError(err::SubscriptOutOfRange);
  return rows_[row - 1][column];
}

void ListTable::setCell(int row, int column, std::string text) {
  if (row < 1 || row > rowCount() || column < 0 || column >= columnCount())
    throw RuntimeError(err::SubscriptOutOfRange);
  rows_[row - 1][column] = std::move(text);
  if (observer_) observer_->cellChanged(row, column);
}

int ListTable::addRow(std::string text) {
  const int row = rowCount() + 1;
  if (observer_) observer_->aboutToAddRow(row);
  rows_.emplace_back(headers_.size());
  rows_.back()[0] = std::move(text);
  if (observer_) observer_->rowAdded(row);
  return row;
}

void ListTable::clear() {
  if (observer_) observer_->aboutToClear();
  rows_.clear();
  if (observer_) observer_->cleared();
}

}  // namespace lumo::splitter
