#pragma once
// A small book made on the spot: marker.txt and MP3 files of synthetic
// MPEG-1 Layer III frames whose playing time is known to the second.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/text/text.h"
#include "testsupport/common/mp3_frames.h"
#include "testsupport/common/test_files.h"

namespace lumo::testsupport::book {

namespace fs = std::filesystem;

// 128 kbit/s, 44100 Hz, joint stereo: 417 bytes and 1152 samples a frame.
inline void writeMp3(const fs::path& file, int seconds) { mp3::testing::writeMp3Seconds(file, seconds); }

// A fresh temporary folder, removed with the object (testsupport's).
struct TempFolder {
  explicit TempFolder(const std::string& tag) : folder("lumo-" + tag), path(folder.path()) {}
  testsupport::TempFolder folder;
  fs::path path;
};

// The index of a book of three files A, B and C (markers at 0, 95, 30 s in A).
inline std::vector<std::string> threeFileIndex(const std::string& code) {
  return {code,          "Mario Rossi", "Il libro & le <note>",
          "Editore Uno", "Roma 2001",   "Anna Bianchi",
          " 3 ",         "A,3,B",       "Capitolo 1",
          "0",           " 12",         "Paragrafo <b> & c",
          "95, 13",      "Ritorno",     "30,xiv",
          "B,1,C",       "Capitolo 2",  "0, 20",
          "C,1,",        "Capitolo 3",  "10,"};
}

// Makes the book: marker.txt in folder, MP3s in its Libro subfolder or beside it.
inline void makeBook(const fs::path& folder, const std::string& code, bool libro) {
  fs::create_directories(folder);
  lumo::text::writeTextFile(folder / "marker.txt", threeFileIndex(code));
  const fs::path mp3s = libro ? folder / "Libro" : folder;
  fs::create_directories(mp3s);
  writeMp3(mp3s / "A.mp3", 125);
  writeMp3(mp3s / "B.mp3", 59);
  // C.mp3 is missing: its page has no duration line and adds nothing to the total.
}

}  // namespace lumo::testsupport::book
