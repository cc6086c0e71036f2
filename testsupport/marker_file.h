#pragma once
// The book index (marker.txt) of a small book made by a test: windows-1252,
// CR LF, as the library's index files are.

#include <filesystem>
#include <string>
#include <vector>

#include "common/text/text.h"

namespace lumo::testsupport {

struct TestMarker {
  std::string description;
  int start;  // seconds
  std::string page;
};

struct TestFile {
  std::string name;  // without ".mp3"
  int seconds;       // the length of its MP3 (for writers of the audio)
  std::vector<TestMarker> markers;
};

struct TestBook {
  std::string code = "LB001";
  std::string author = "Carlo Collodi";
  std::string title = "Pinocchio";
  std::string narrator = "Anna Rossi";
  std::vector<TestFile> files;
};

// The lines of the book's marker.txt; each marker's start and page are
// written on one line ("95,xiv"). Any book of the same shape will do (a
// code, author, title, narrator and files with names and markers), so tests
// with a book type of their own write it the same way.
template <class Book>
std::vector<std::string> markerLines(const Book& book) {
  std::vector<std::string> lines = {book.code,
                                    book.author,
                                    book.title,
                                    "Editore",
                                    "Firenze 1883",
                                    book.narrator,
                                    " " + std::to_string(book.files.size()) + " "};
  for (size_t f = 0; f < book.files.size(); ++f) {
    const auto& file = book.files[f];
    const std::string next = f + 1 < book.files.size() ? book.files[f + 1].name : "";
    lines.push_back(file.name + "," + std::to_string(file.markers.size()) + "," + next);
    for (const auto& m : file.markers) {
      lines.push_back(m.description);
      lines.push_back(std::to_string(m.start) + "," + m.page);
    }
  }
  return lines;
}

inline void writeMarkerFile(const TestBook& book, const std::filesystem::path& file) {
  lumo::text::writeTextFile(file, markerLines(book));
}

}  // namespace lumo::testsupport
