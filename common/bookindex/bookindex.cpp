#include "common/bookindex/bookindex.h"

#include "common/errors/errors.h"
#include "common/text/text.h"

namespace lumo::bookindex {
namespace {

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

IndexReader::IndexReader(const std::filesystem::path& file)
    : text_(text::cp1252ToUtf8(text::readFileBytes(file))) {}

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

void writeBookIndex(const std::filesystem::path& file, const BookIndex& index) {
  text::AtomicTextFile out(file);
  const Header& h = index.header;
  for (const std::string* line : {&h.code, &h.author, &h.title, &h.publisher, &h.placeAndYear, &h.narrator})
    out.writeLine(*line);
  out.writeLine(" " + std::to_string(index.files.size()) + " ");
  for (size_t f = 0; f < index.files.size(); ++f) {
    const FileRecord& record = index.files[f];
    const std::string next = f + 1 < index.files.size() ? index.files[f + 1].name : std::string{};
    out.writeLine(record.name + ",1," + next);
    const Marker first = record.markers.empty() ? Marker{} : record.markers.front();
    out.writeLine(first.description);
    out.writeLine("0," + first.page);
  }
  out.commit();
}

}  // namespace lumo::bookindex
