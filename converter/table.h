#pragma once
// The conversion table: one row per marker of the book, nine text cells per
// row. It is the working data of a conversion and what the window's list
// view shows; rows are numbered from 1, as the conversion steps count them.

#include <array>
#include <string>
#include <vector>

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

// Column headers, in column order.
extern const std::array<const char*, ColumnCount> kColumnHeaders;

// Told about every change, before and after, so a view can follow the table
// even while a conversion yields to the window.
class TableObserver {
 public:
  virtual ~TableObserver() = default;
  virtual void aboutToClear() {}
  virtual void cleared() {}
  virtual void aboutToAddRow(int /*row*/) {}
  virtual void rowAdded(int /*row*/) {}
  virtual void cellChanged(int /*row*/, int /*column*/) {}
};

class ConversionTable {
 public:
  // Row numbers are 16-bit: adding row 32768 raises run-time error 6.
  static constexpr int kMaxRows = 32767;

  int rowCount() const { return static_cast<int>(rows_.size()); }
  // The cell of row (1-based) and column; raises run-time error 9 outside.
  const std::string& cell(int row, int column) const;
  void setCell(int row, int column, std::string text);
  // Appends a row whose main text is level; returns its number.
  int addRow(std::string level);
  void clear();

  void setObserver(TableObserver* observer) { observer_ = observer; }

 private:
  using Row = std::array<std::string, ColumnCount>;
  Row& at(int row, int column);
  std::vector<Row> rows_;
  TableObserver* observer_ = nullptr;
};

}  // namespace lumo::converter
