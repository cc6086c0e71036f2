#pragma once
// The book index format (marker.txt and .qv files): seven header lines, then
// per audio file a record of three fields followed by its markers.
//
// Values are taken by two kinds of read. A line read takes the rest of the
// current line unchanged. A field read skips blanks and takes a value up to
// the next comma or line end; a field that begins with a double quote ends at
// the next double quote, and what follows it up to the comma or line end is
// dropped. A number field is a field that holds a decimal whole number.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lumo::bookindex {

// A sequential reader over one index file, decoded to UTF-8: a file that is
// valid UTF-8 is taken as UTF-8 (a leading byte-order mark dropped), any
// other as windows-1252.
// Every read past the end of the file raises RuntimeError 62; a number field
// outside -32768..32767 raises RuntimeError 6; a file that cannot be opened
// raises RuntimeError 53.
class IndexReader {
 public:
  explicit IndexReader(const std::filesystem::path& file);
  // Reads from text already in memory (UTF-8).
  static IndexReader fromText(std::string utf8Text);

  std::string lineRead();
  std::string fieldRead();
  // A number field; one that holds no digits reads as 0.
  int16_t numberField();
  bool atEnd() const { return pos_ >= text_.size(); }

 private:
  IndexReader() = default;
  std::string text_;
  size_t pos_ = 0;
};

struct Header {
  std::string code, author, title, publisher, placeAndYear, narrator;
};

struct Marker {
  std::string description;
  int16_t start = 0;
  std::string page;  // as read, leading blanks kept
};

struct FileRecord {
  std::string name;  // without ".mp3"
  int16_t markerCount = 0;
  std::string next;  // empty for the last file
  std::vector<Marker> markers;
};

struct BookIndex {
  Header header;
  std::vector<FileRecord> files;
};

// The header's six values (lines 1 to 6).
Header readHeader(IndexReader& reader);
// One file record's three fields (not its markers).
FileRecord readFileRecord(IndexReader& reader);
// One marker: description (line), start (number field), page label (line).
Marker readMarker(IndexReader& reader);

// The whole index: header, line 7 (the file count) and every record and marker.
BookIndex readBookIndex(const std::filesystem::path& file);

// Whether an index whose line 7 gave this file count describes a book. An
// index that lists no audio file (an empty book, or a damaged or foreign
// file whose seventh line holds no number) describes none, and a job
// refuses it before it makes any folder for it.
inline bool describesBook(int16_t fileCount) { return fileCount > 0; }

// Writes an index in the form the splitter writes it: the six header values,
// the file count as " N ", then per file "name,1,next", its first marker's
// description and "0,<page>". Only the first marker of each file is written.
// The book code and the file names are put within double quotes whenever a
// field read would otherwise give something else (a comma, leading blanks,
// trailing spaces, a leading quote), so the index reads back as written. A
// value no index can hold (a line end anywhere; a quote in a value that
// needs quotes) raises RuntimeError 5 before anything is written. The file
// is windows-1252 unless a value needs UTF-8 to read back as written.
// An existing file is replaced; the write goes through a temporary file.
void writeBookIndex(const std::filesystem::path& file, const BookIndex& index);

// A value as the writer puts it in a field: as it stands, or quoted.
std::string fieldValue(const std::string& value);

}  // namespace lumo::bookindex
