#pragma once
// The conversion table: one row per marker of the book, nine text cells per
// row. It is the working data of a conversion and what the window's list
// view shows; rows are numbered from 1, as the conversion steps count them.

#include <array>
#include <string>
#include <vector>

#include "common/table.h"

namespace lumo::converter {

enum Column : int {
  Livello = 0,  // heading level 0, 1 or 2 (the row's main text)
  Descrizione,  // description, double quotes as "&quot;"
  Start,        // start in whole seconds
  End,          // next marker's start, or the file's duration
  Pagina,       // page label, "" for none
  File,         // MP3 name without ".mp3"
  Invoice,      // rows in the group (group's first row only)
  Durata,       // group's duration (first row only)
  Elapsed,      // duration of all earlier groups (first row only)
  ColumnCount
};

// VB's IsNumeric on a page label (a Pagina cell): blanks around, a sign,
// digits with one "." or "," and an exponent are accepted. A normal page is
// one whose label is numeric.
bool isNumericLabel(const std::string& label, double* value = nullptr);

// Column headers, in column order.
extern const std::array<const char*, ColumnCount> kColumnHeaders;

class ConversionTable final : public TextTable {
 public:
  // Row numbers are 16-bit: adding row 32768 raises run-time error 6.
  static constexpr int kMaxRows = 32767;

  int rowCount() const override { return static_cast<int>(rows_.size()); }
  int columnCount() const override { return ColumnCount; }
  std::string header(int column) const override { return kColumnHeaders.at(static_cast<size_t>(column)); }
  // The cell of row (1-based) and column; raises run-time error 9 outside.
  const std::string& cell(int row, int column) const override;
  void setCell(int row, int column, std::string text);
  // Appends a row whose main text is level; returns its number.
  int addRow(std::string level);
  void clear();

  void setObserver(TableObserver* observer) override { observer_ = observer; }

 private:
  using Row = std::array<std::string, ColumnCount>;
  Row& at(int row, int column);
  std::vector<Row> rows_;
  TableObserver* observer_ = nullptr;
};

}  // namespace lumo::converter
