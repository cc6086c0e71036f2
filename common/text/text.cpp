#include "common/text/text.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "common/errors/errors.h"

namespace lumo::text {
namespace {

// Code points of windows-1252 bytes 0x80..0x9F; undefined bytes keep their
// C1 value so a round trip is lossless.
constexpr std::array<char32_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

size_t decodeUtf8(std::string_view s, size_t i, char32_t& cp) {
  const auto b = static_cast<unsigned char>(s[i]);
  size_t len = 0;
  if (b < 0x80) {
    cp = b;
    return 1;
  }
  if ((b & 0xE0) == 0xC0) {
    len = 2;
    cp = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    len = 3;
    cp = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    len = 4;
    cp = b & 0x07;
  } else
    return 0;
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

namespace {

char encodeCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (size_t k = 0; k < kHigh.size(); ++k)
    if (kHigh[k] == cp) return static_cast<char>(0x80 + k);
  return '?';
}

// The other-case partner of a windows-1252 letter, or the character itself.
char32_t upperLetter(char32_t cp) {
  if (cp >= U'a' && cp <= U'z') return cp - 32;
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 32;  // à..þ but ÷
  switch (cp) {
    case 0xFF: return 0x178;   // ÿ Ÿ
    case 0x161: return 0x160;  // š Š
    case 0x153: return 0x152;  // œ Œ
    case 0x17E: return 0x17D;  // ž Ž
    default: return cp;
  }
}

char32_t lowerLetter(char32_t cp) {
  if (cp >= U'A' && cp <= U'Z') return cp + 32;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;  // À..Þ but ×
  switch (cp) {
    case 0x178: return 0xFF;
    case 0x160: return 0x161;
    case 0x152: return 0x153;
    case 0x17D: return 0x17E;
    default: return cp;
  }
}

std::string mapLetters(std::string_view utf8, char32_t (*map)(char32_t)) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const size_t len = decodeUtf8(utf8, i, cp);
    const char32_t mapped = len ? map(cp) : cp;
    if (len == 0 || mapped == cp) {
      const size_t n = len ? len : 1;
      out.append(utf8.substr(i, n));
      i += n;
    } else {
      appendUtf8(out, mapped);
      i += len;
    }
  }
  return out;
}

}  // namespace

bool inCp1252(char32_t cp) {
  if (cp >= 0x80 && cp < 0xA0) return false;  // the C1 controls, also the five undefined bytes
  return cp < 0x100 || encodeCp1252(cp) != '?';
}

std::string cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    appendUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char32_t{b});
  }
  return out;
}

std::string utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const size_t len = decodeUtf8(utf8, i, cp);
    if (len == 0) {  // not UTF-8: keep the byte as it stands
      out += utf8[i++];
      continue;
    }
    out += encodeCp1252(cp);
    i += len;
  }
  return out;
}

std::string cutUtf8(std::string_view utf8, size_t maxBytes) {
  if (utf8.size() <= maxBytes) return std::string(utf8);
  size_t end = maxBytes;
  // Back over the continuation bytes of a character the cut would split.
  while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
  return std::string(utf8.substr(0, end));
}

bool isValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    char32_t cp = 0;
    const size_t len = decodeUtf8(bytes, i, cp);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

std::string ltrim(std::string_view s) {
  const auto p = s.find_first_not_of(' ');
  return p == std::string_view::npos ? std::string{} : std::string{s.substr(p)};
}

std::string rtrim(std::string_view s) {
  const auto p = s.find_last_not_of(' ');
  return p == std::string_view::npos ? std::string{} : std::string{s.substr(0, p + 1)};
}

std::string trim(std::string_view s) { return ltrim(rtrim(s)); }

std::string toUpperAscii(std::string_view s) {
  std::string out{s};
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string toLowerAscii(std::string_view s) {
  std::string out{s};
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool iequals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && toUpperAscii(a) == toUpperAscii(b);
}

double roundHalfEven(double value) { return std::nearbyint(value); }

namespace {
template <typename T>
T narrow(double value) {
  const double r = roundHalfEven(value);
  if (!(r >= std::numeric_limits<T>::min() && r <= std::numeric_limits<T>::max())) throw RuntimeError(err::Overflow);
  return static_cast<T>(r);
}
template <typename T>
T narrow(long long value) {
  if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) throw RuntimeError(err::Overflow);
  return static_cast<T>(value);
}
}  // namespace

int16_t toInt16(double value) { return narrow<int16_t>(value); }
int32_t toInt32(double value) { return narrow<int32_t>(value); }
int16_t toInt16(long long value) { return narrow<int16_t>(value); }
int32_t toInt32(long long value) { return narrow<int32_t>(value); }

std::string readFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw RuntimeError(err::FileNotFound);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

namespace {
// Lines gather in memory and go to the file in pieces of this size, as a
// stdio buffer would send them.
constexpr size_t kWriteBlock = 64 * 1024;
}  // namespace

AtomicTextFile::AtomicTextFile(std::filesystem::path target, Encoding encoding)
    : file_(std::move(target), file::ReplacementFile::newFileOptions()), encoding_(encoding) {
  if (const int error = file_.create(); error != 0) throw fileAccessError(file_.target().string(), error);
  open_ = true;
}

AtomicTextFile::~AtomicTextFile() = default;

void AtomicTextFile::write(std::string_view utf8Text) {
  if (!open_) return;
  buffer_ += encoding_ == Encoding::Utf8 ? std::string(utf8Text) : utf8ToCp1252(utf8Text);
  if (buffer_.size() >= kWriteBlock) flush();
}

void AtomicTextFile::writeLine(std::string_view utf8Line) {
  write(utf8Line);
  write("\r\n");
}

void AtomicTextFile::flush() {
  if (error_ == 0) error_ = file_.write(buffer_);
  buffer_.clear();
}

void AtomicTextFile::commit() {
  if (!open_) throw RuntimeError(err::PathFileAccess);
  open_ = false;
  // No fsync: the rename guards against a failed run (the old file or none
  // stays), which is what matters for files the suite can write again.
  flush();
  if (error_ == 0) error_ = file_.commit();
  if (error_ != 0) throw fileAccessError(file_.target().string(), error_);
}

void writeTextFile(const std::filesystem::path& target, const std::vector<std::string>& lines, Encoding encoding) {
  AtomicTextFile file(target, encoding);
  for (const auto& line : lines) file.writeLine(line);
  file.commit();
}

std::string toUpperLatin(std::string_view utf8) { return mapLetters(utf8, upperLetter); }
std::string toLowerLatin(std::string_view utf8) { return mapLetters(utf8, lowerLetter); }

}  // namespace lumo::text
