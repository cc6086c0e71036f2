#include "converter/core/conversion_table.h"

#include "common/errors/errors.h"

namespace lumo::converter {

const std::array<const char*, ColumnCount> kColumnHeaders = {"Livello", "Descrizione", "Start",  "End",    "Pagina",
                                                             "File",    "Invoice",     "Durata", "Elapsed"};

ConversionTable::Row& ConversionTable::at(int row, int column) {
  if (row < 1 || row > rowCount() || column < 0 || column >= ColumnCount) throw RuntimeError(err::SubscriptOutOfRange);
  return rows_[static_cast<size_t>(row - 1)];
}

const std::string& ConversionTable::cell(int row, int column) const {
  return const_cast<ConversionTable*>(this)->at(row, column)[static_cast<size_t>(column)];
}

void ConversionTable::setCell(int row, int column, std::string text) {
  at(row, column)[static_cast<size_t>(column)] = std::move(text);
  if (observer_) observer_->cellChanged(row, column);
}

int ConversionTable::addRow(std::string level) {
  if (rowCount() >= kMaxRows) throw RuntimeError(err::Overflow);
  const int row = rowCount() + 1;
  if (observer_) observer_->aboutToAddRow(row);
  Row cells;
  cells[Livello] = std::move(level);
  rows_.push_back(std::move(cells));
  if (observer_) observer_->rowAdded(row);
  return row;
}

void ConversionTable::clear() {
  if (observer_) observer_->aboutToClear();
  rows_.clear();
  if (observer_) observer_->cleared();
}

}  // namespace lumo::converter
