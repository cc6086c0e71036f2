#pragma once
// What a conversion finds out about a book and what its fileset and report
// are written from: the book's own values and the summary the window shows.

#include <cstdint>
#include <string>

namespace lumo::converter {

// The window's five summary fields.
struct Summary {
  std::string Text1 = "0";  // "Pagine normali:"
  std::string Text2 = "0";  // "Durata totale dell'opera (in secondi):"
  std::string Text3 = "0";  // "Dimensione totale occupata (in Kb):"
  std::string Text4 = "0";  // "Pagine speciali:"
  std::string Text5 = "1";  // "Livelli:"
};

// The book's values that the run keeps.
struct BookData {
  std::string code, author, title, narrator;
  int16_t fileCount = 0;
};

}  // namespace lumo::converter
