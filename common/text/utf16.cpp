#include "common/text/utf16.h"

#include "common/text/text.h"

namespace lumo::text {
namespace {

constexpr char32_t kHighFirst = 0xD800;
constexpr char32_t kLowFirst = 0xDC00;
constexpr char32_t kLowEnd = 0xE000;

bool isHigh(char32_t unit) { return unit >= kHighFirst && unit < kLowFirst; }
bool isLow(char32_t unit) { return unit >= kLowFirst && unit < kLowEnd; }
bool isSurrogate(char32_t unit) { return unit >= kHighFirst && unit < kLowEnd; }

void appendUnit(std::string& out, char32_t unit, ByteOrder order) {
  const auto low = static_cast<char>(unit & 0xFF), high = static_cast<char>((unit >> 8) & 0xFF);
  if (order == ByteOrder::LittleEndian) {
    out += low;
    out += high;
  } else {
    out += high;
    out += low;
  }
}

char32_t unitAt(std::string_view bytes, size_t i, ByteOrder order) {
  const char32_t first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
  return order == ByteOrder::LittleEndian ? first | second << 8 : second | first << 8;
}

// How a UTF-8 text goes into UTF-16: a byte that is no UTF-8 as a lone
// surrogate or as the character of its value; a character beyond U+FFFF as
// a pair or as "?".
enum class Form { Utf16, Ucs2 };

std::string encode(std::string_view utf8, ByteOrder order, Form form) {
  std::string out;
  out.reserve(utf8.size() * 2);
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const size_t length = decodeUtf8(utf8, i, cp);
    if (length == 0) {
      const auto byte = static_cast<unsigned char>(utf8[i++]);
      appendUnit(out, form == Form::Utf16 ? kLowFirst + byte : byte, order);
      continue;
    }
    i += length;
    if (cp < 0x10000) {
      appendUnit(out, cp, order);
    } else if (form == Form::Ucs2) {
      appendUnit(out, '?', order);
    } else {
      appendUnit(out, kHighFirst + ((cp - 0x10000) >> 10), order);
      appendUnit(out, kLowFirst + ((cp - 0x10000) & 0x3FF), order);
    }
  }
  return out;
}

}  // namespace

std::optional<ByteOrder> utf16ByteOrderMark(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return ByteOrder::LittleEndian;
  if (bytes.starts_with("\xFE\xFF")) return ByteOrder::BigEndian;
  return std::nullopt;
}

std::u32string utf16CodePoints(std::string_view bytes, ByteOrder order) {
  std::u32string out;
  const size_t units = bytes.size() / 2;
  out.reserve(units);
  for (size_t k = 0; k < units; ++k) {
    const char32_t unit = unitAt(bytes, 2 * k, order);
    if (isHigh(unit) && k + 1 < units) {
      if (const char32_t low = unitAt(bytes, 2 * k + 2, order); isLow(low)) {
        out += 0x10000 + ((unit - kHighFirst) << 10) + (low - kLowFirst);
        ++k;
        continue;
      }
    }
    out += unit;
  }
  return out;
}

std::string utf8ToUtf16(std::string_view utf8, ByteOrder order) { return encode(utf8, order, Form::Utf16); }

std::string utf8ToUcs2(std::string_view utf8, ByteOrder order) { return encode(utf8, order, Form::Ucs2); }

std::string utf16ToUtf8(std::string_view bytes, ByteOrder order) {
  std::string out;
  out.reserve(bytes.size());
  for (const char32_t cp : utf16CodePoints(bytes, order)) {
    if (cp >= kLowFirst + 0x80 && cp < kLowFirst + 0x100) {
      out += static_cast<char>(cp - kLowFirst);
    } else {
      appendUtf8(out, isSurrogate(cp) ? 0xFFFD : cp);
    }
  }
  return out;
}

}  // namespace lumo::text
