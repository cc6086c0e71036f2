#include "common/text/html_escape.h"

#include "common/text/text.h"

namespace lumo::text {
namespace {

// The reference that stands for a character, or nullptr when it goes as
// it is.
const char* entityOf(char32_t cp, bool attribute) {
  switch (cp) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return attribute ? "&quot;" : nullptr;
    case '\r': return attribute ? "&#13;" : nullptr;
    case '\n': return attribute ? "&#10;" : nullptr;
    default: return nullptr;
  }
}

std::string escape(std::string_view utf8, bool attribute) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const size_t n = decodeUtf8(utf8, i, cp);
    if (n == 0) {  // no UTF-8: the byte goes as it stands
      out += utf8[i++];
      continue;
    }
    const std::string_view seq = utf8.substr(i, n);
    i += n;
    if (const char* entity = entityOf(cp, attribute)) {
      out += entity;
    } else if (n > 1 && utf8ToCp1252(seq) == "?") {
      out += "&#" + std::to_string(static_cast<uint32_t>(cp)) + ";";
    } else {
      out += seq;
    }
  }
  return out;
}

}  // namespace

std::string htmlText(std::string_view utf8) { return escape(utf8, false); }

std::string htmlAttribute(std::string_view utf8) { return escape(utf8, true); }

}  // namespace lumo::text
