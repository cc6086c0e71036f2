#pragma once
// Text helpers shared by the whole suite: the windows-1252 codec of the files
// the suite reads and writes, CR LF text files written safely, VB-style
// rounding and 16/32-bit conversions, and blank trimming.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/file/replacement.h"

namespace lumo::text {

// windows-1252 bytes to UTF-8. The five bytes windows-1252 leaves undefined
// map to the C1 control characters of the same value, so nothing is lost.
std::string cp1252ToUtf8(std::string_view bytes);

// UTF-8 to windows-1252; a character windows-1252 lacks becomes "?".
// Invalid UTF-8 bytes are taken as windows-1252 bytes as they stand.
std::string utf8ToCp1252(std::string_view utf8);

// Decodes the UTF-8 character at s[i] into cp; returns its length in bytes,
// 0 when the bytes there are no valid UTF-8.
size_t decodeUtf8(std::string_view s, size_t i, char32_t& cp);

// Appends the UTF-8 bytes of the character cp (at most U+10FFFF) to out.
void appendUtf8(std::string& out, char32_t cp);

// True when windows-1252 has the character (one of its 251 defined bytes).
bool inCp1252(char32_t cp);

// The longest start of a UTF-8 text that has at most maxBytes bytes and
// ends on a character boundary.
std::string cutUtf8(std::string_view utf8, size_t maxBytes);

// True when the bytes are valid UTF-8.
bool isValidUtf8(std::string_view bytes);

// Blanks (spaces) trimmed at both ends, at the start, at the end (VB's Trim,
// LTrim, RTrim: only the space character counts).
std::string trim(std::string_view s);
std::string ltrim(std::string_view s);
std::string rtrim(std::string_view s);

// ASCII case folding and comparison (file names, setting names, keywords).
std::string toUpperAscii(std::string_view s);
std::string toLowerAscii(std::string_view s);
bool iequals(std::string_view a, std::string_view b);

// Case of the letters windows-1252 has (ASCII, Latin-1, Š Œ Ž Ÿ) in UTF-8
// text; other characters and bytes that are no UTF-8 stay as they are.
// Names of settings and headings of the book index compare this way.
std::string toUpperLatin(std::string_view utf8);
std::string toLowerLatin(std::string_view utf8);

// Rounding to the nearest whole number with halves to even (VB's CInt/Round).
double roundHalfEven(double value);

// Conversions into 16- and 32-bit signed numbers that raise run-time error 6
// (Overflow) when the value does not fit, after rounding halves to even.
int16_t toInt16(double value);
int32_t toInt32(double value);
int16_t toInt16(long long value);
int32_t toInt32(long long value);

// The whole content of a file as bytes; throws RuntimeError 53 when it cannot
// be opened.
std::string readFileBytes(const std::filesystem::path& path);

// How a text file of the suite is encoded: windows-1252, or UTF-8 where a
// format allows it (a book index whose values windows-1252 cannot hold).
enum class Encoding { Cp1252, Utf8 };

// A text file of the suite: windows-1252 lines ended by CR LF, written to a
// temporary file beside the target and renamed over it on commit(), so a
// failed run never leaves a half-written file under the real name. The
// temporary file's name is short, so every target name the file system
// takes can be written. Failures raise RuntimeError 75 whose description
// names the target and the cause (fileAccessError).
class AtomicTextFile {
 public:
  // Creates the temporary file; throws RuntimeError 75 when it cannot.
  explicit AtomicTextFile(std::filesystem::path target, Encoding encoding = Encoding::Cp1252);
  ~AtomicTextFile();  // discards the temporary file unless committed
  AtomicTextFile(const AtomicTextFile&) = delete;
  AtomicTextFile& operator=(const AtomicTextFile&) = delete;

  // Appends one line (UTF-8 in memory) and its CR LF.
  void writeLine(std::string_view utf8Line);
  // Appends text without a line end.
  void write(std::string_view utf8Text);
  // Flushes, closes and renames the file onto its target; throws
  // RuntimeError 75 when the data could not be written.
  void commit();

  const std::filesystem::path& target() const { return file_.target(); }

 private:
  void flush();

  file::ReplacementFile file_;
  Encoding encoding_;
  std::string buffer_;  // bytes not yet written
  bool open_ = false;   // until commit()
  int error_ = 0;       // the first write's errno, 0 while all went well
};

// Writes a whole set of UTF-8 lines as one windows-1252 CR LF file, safely.
void writeTextFile(const std::filesystem::path& target, const std::vector<std::string>& lines,
                   Encoding encoding = Encoding::Cp1252);

}  // namespace lumo::text
