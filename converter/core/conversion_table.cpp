#include "converter/core/conversion_table.h"

#include <cstdlib>

#include "common/errors/errors.h"
#include "common/text/text.h"

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

bool isNumericLabel(const std::string& label, double* value) {
  std::string s = text::trim(label);
  size_t i = 0;
  auto digits = [&] {
    const size_t from = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i - from;
  };
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t count = digits();
  if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
    s[i] = '.';
    ++i;
    count += digits();
  }
  if (count == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    s[i] = 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  if (i != s.size()) return false;
  if (value) *value = std::strtod(s.c_str(), nullptr);
  return true;
}

}  // namespace lumo::converter
