#include "common/bookindex/bookindex.h"

#include "common/errors/errors.h"
#include "common/text/text.h"

namespace lumo::bookindex {
namespace {

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The byte-order mark that may begin a UTF-8 index.
constexpr std::string_view kBom = "\xEF\xBB\xBF";

}  // namespace

static std::string indexText(const std::string& bytes) {
  // A book prepared on a system that saves text as UTF-8 is read as such;
  // every other index is windows-1252 text. Pure ASCII reads the same
  // either way.
  if (text::isValidUtf8(bytes)) {
    return bytes.starts_with(kBom) ? bytes.substr(kBom.size()) : bytes;
  }
  return text::cp1252ToUtf8(bytes);
}

IndexReader::IndexReader(const std::filesystem::path& file) : text_(indexText(text::readFileBytes(file))) {}

IndexReader IndexReader::fromText(std::string utf8Text) {
  IndexReader reader;
  reader.text_ = std::move(utf8Text);
  return reader;
}

// Moves past one line end (CR LF, or a lone LF or CR) at pos_.
static void skipLineEnd(const std::string& text, size_t& pos) {
  if (pos < text.size() && text[pos] == '\r') ++pos;
  if (pos < text.size() && text[pos] == '\n') ++pos;
}

std::string IndexReader::lineRead() {
  if (atEnd()) throw RuntimeError(err::InputPastEnd);
  size_t end = pos_;
  while (end < text_.size() && !isLineEnd(text_[end])) ++end;
  std::string line = text_.substr(pos_, end - pos_);
  pos_ = end;
  skipLineEnd(text_, pos_);
  return line;
}

std::string IndexReader::fieldRead() {
  while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
  if (atEnd()) throw RuntimeError(err::InputPastEnd);
  std::string value;
  size_t end = pos_;
  if (text_[pos_] == '"') {
    // A quoted field ends at its closing quote; the rest up to the comma or
    // line end is dropped.
    const size_t close = text_.find('"', pos_ + 1);
    size_t lineEnd = pos_ + 1;
    while (lineEnd < text_.size() && !isLineEnd(text_[lineEnd])) ++lineEnd;
    const size_t valueEnd = close == std::string::npos || close > lineEnd ? lineEnd : close;
    value = text_.substr(pos_ + 1, valueEnd - pos_ - 1);
    end = valueEnd;
    while (end < text_.size() && text_[end] != ',' && !isLineEnd(text_[end])) ++end;
  } else {
    while (end < text_.size() && text_[end] != ',' && !isLineEnd(text_[end])) ++end;
    value = text::rtrim(text_.substr(pos_, end - pos_));
  }
  pos_ = end;
  if (pos_ < text_.size() && text_[pos_] == ',')
    ++pos_;
  else
    skipLineEnd(text_, pos_);
  return value;
}

int16_t IndexReader::numberField() {
  const std::string value = text::trim(fieldRead());
  size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  long long number = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    number = number * 10 + (value[i] - '0');
    if (number > 100000) break;  // already out of range; stop before it can wrap
  }
  return text::toInt16(negative ? -number : number);
}

Header readHeader(IndexReader& reader) {
  Header h;
  h.code = reader.fieldRead();
  h.author = reader.lineRead();
  h.title = reader.lineRead();
  h.publisher = reader.lineRead();
  h.placeAndYear = reader.lineRead();
  h.narrator = reader.lineRead();
  return h;
}

FileRecord readFileRecord(IndexReader& reader) {
  FileRecord record;
  record.name = reader.fieldRead();
  record.markerCount = reader.numberField();
  record.next = reader.fieldRead();
  return record;
}

Marker readMarker(IndexReader& reader) {
  Marker marker;
  marker.description = reader.lineRead();
  marker.start = reader.numberField();
  marker.page = reader.lineRead();
  return marker;
}

BookIndex readBookIndex(const std::filesystem::path& file) {
  IndexReader reader(file);
  BookIndex index;
  index.header = readHeader(reader);
  const int16_t fileCount = reader.numberField();
  for (int f = 0; f < fileCount; ++f) {
    FileRecord record = readFileRecord(reader);
    for (int m = 0; m < record.markerCount; ++m) record.markers.push_back(readMarker(reader));
    index.files.push_back(std::move(record));
  }
  return index;
}

namespace {

[[noreturn]] void unwritable(const std::string& value) {
  throw RuntimeError(err::InvalidCall,
                     errorDescription(err::InvalidCall) + ": valore non scrivibile nell'indice: " + value);
}

// A value taken by a line read: anything but a line end.
const std::string& lineValue(const std::string& value) {
  if (value.find_first_of("\r\n") != std::string::npos) unwritable(value);
  return value;
}

}  // namespace

std::string fieldValue(const std::string& value) {
  lineValue(value);
  // Unquoted, a field loses its leading blanks and trailing spaces, ends at
  // a comma and, when it starts with a quote, is a quoted field.
  const bool plain = value.find(',') == std::string::npos &&
                     (value.empty() || (!isBlank(value.front()) && value.front() != '"' && value.back() != ' '));
  if (plain) return value;
  // A quoted field ends at the next quote, so it cannot hold one.
  if (value.find('"') != std::string::npos) unwritable(value);
  return '"' + value + '"';
}

void writeBookIndex(const std::filesystem::path& file, const BookIndex& index) {
  const Header& h = index.header;
  std::vector<std::string> lines{fieldValue(h.code)};
  for (const std::string* line : {&h.author, &h.title, &h.publisher, &h.placeAndYear, &h.narrator})
    lines.push_back(lineValue(*line));
  lines.push_back(" " + std::to_string(index.files.size()) + " ");
  for (size_t f = 0; f < index.files.size(); ++f) {
    const FileRecord& record = index.files[f];
    const std::string next = f + 1 < index.files.size() ? index.files[f + 1].name : std::string{};
    // An empty next name is left out, so the record ends with ",1,".
    lines.push_back(fieldValue(record.name) + ",1," + (next.empty() ? next : fieldValue(next)));
    const Marker first = record.markers.empty() ? Marker{} : record.markers.front();
    lines.push_back(lineValue(first.description));
    lines.push_back("0," + lineValue(first.page));
  }
  // Every value is checked before the file is touched. The index is
  // windows-1252 text when that reads back as written, else UTF-8 (values
  // with characters windows-1252 lacks, as a UTF-8 index may hold).
  std::string all;
  for (const std::string& line : lines) all += line + "\r\n";
  const bool cp1252 = indexText(text::utf8ToCp1252(all)) == all;
  // A reader drops one byte-order mark at the start of a UTF-8 index: a
  // value that begins with that character gets one in front of it.
  if (!cp1252 && all.starts_with(kBom)) lines.front().insert(0, kBom);
  text::writeTextFile(file, lines, cp1252 ? text::Encoding::Cp1252 : text::Encoding::Utf8);
}

}  // namespace lumo::bookindex
