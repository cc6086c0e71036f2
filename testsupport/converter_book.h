#pragma once
// Small books for the converter's tests: a marker.txt and synthetic MP3 files
// whose playing time is known exactly.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/text/text.h"
#include "testsupport/common/mp3_frames.h"
#include "testsupport/marker_file.h"

namespace lumo::converter::testing {

// MPEG-1 Layer III, 128 kbit/s, 44.1 kHz: 417-byte frames, 16000 bytes a
// second. The file is exactly seconds * 16000 bytes, so its measured
// duration is exactly `seconds`.
inline void writeMp3(const std::filesystem::path& file, int seconds) { mp3::testing::writeMp3Bytes(file, seconds); }

using testsupport::TestBook;
using testsupport::TestFile;
using testsupport::TestMarker;

// Writes marker.txt (windows-1252, CR LF) into folder and each file's MP3
// into mp3Folder. Markers are written start and page on one line.
inline void writeBook(const TestBook& book, const std::filesystem::path& folder,
                      const std::filesystem::path& mp3Folder) {
  std::filesystem::create_directories(folder);
  std::filesystem::create_directories(mp3Folder);
  for (const TestFile& file : book.files) writeMp3(mp3Folder / (file.name + ".mp3"), file.seconds);
  testsupport::writeMarkerFile(book, folder / "marker.txt");
}

// The lines of a windows-1252 CR LF file, decoded; a line end other than
// CR LF fails the test through the returned marker line.
inline std::vector<std::string> readLines(const std::filesystem::path& file) {
  const std::string bytes = lumo::text::readFileBytes(file);
  std::vector<std::string> lines;
  size_t from = 0;
  for (size_t p; (p = bytes.find('\n', from)) != std::string::npos; from = p + 1) {
    if (p == 0 || bytes[p - 1] != '\r') return {"<line " + std::to_string(lines.size() + 1) + " not ended by CR LF>"};
    lines.push_back(lumo::text::cp1252ToUtf8(bytes.substr(from, p - 1 - from)));
  }
  if (from != bytes.size()) lines.push_back("<unterminated last line>");
  return lines;
}

}  // namespace lumo::converter::testing
