#include "platform/registry/names.h"

#include <cstdint>

namespace lumo::registry::detail {
namespace {

// The length of the UTF-8 sequence at s[i] and its code point; 0 when the
// bytes there are not a valid sequence.
size_t decodeUtf8(std::string_view s, size_t i, char32_t& cp) {
  auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  uint8_t b0 = byte(i);
  size_t len = b0 < 0x80 ? 1 : (b0 >> 5) == 0x6 ? 2 : (b0 >> 4) == 0xE ? 3 : (b0 >> 3) == 0x1E ? 4 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
  for (size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  return len;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

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

}  // namespace

std::string foldName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    char32_t cp = 0;
    size_t len = decodeUtf8(name, i, cp);
    char32_t upper = len ? upperLetter(cp) : cp;
    if (len == 0 || upper == cp) {
      size_t n = len ? len : 1;
      out.append(name.substr(i, n));
      i += n;
    } else {
      appendUtf8(out, upper);
      i += len;
    }
  }
  return out;
}

std::optional<std::vector<std::string>> splitKeyPath(std::string_view path) {
  std::vector<std::string> names;
  if (path.empty()) return names;
  size_t start = 0;
  while (true) {
    size_t end = path.find('\\', start);
    std::string_view name = path.substr(start, end == std::string_view::npos ? path.npos : end - start);
    if (name.empty()) return std::nullopt;
    names.emplace_back(name);
    if (end == std::string_view::npos) return names;
    start = end + 1;
  }
}

}  // namespace lumo::registry::detail
