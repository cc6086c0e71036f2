#include "common/text/html_escape.h"

#include "common/text/text.h"

namespace lumo::text {
namespace {

// The entity that stands for a character, or nullptr when it goes as it is.
const char* entityOf(char32_t cp, MarkupRules rules) {
  switch (cp) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return rules.quotes ? "&quot;" : nullptr;
    case '\r': return rules.lineBreaks ? "&#13;" : nullptr;
    case '\n': return rules.lineBreaks ? "&#10;" : nullptr;
    default: return nullptr;
  }
}

// True when the character (of the UTF-8 sequence seq, beyond ASCII) goes as
// a numeric reference.
bool needsReference(char32_t cp, std::string_view seq, References references) {
  switch (references) {
    case References::None: return false;
    case References::Windows1252Lacking: return utf8ToCp1252(seq) == "?";
    case References::BeyondLatin1: return cp > 0xFF;
  }
  return false;
}

}  // namespace

std::string escapeMarkup(std::string_view utf8, MarkupRules rules) {
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
    if (const char* entity = entityOf(cp, rules)) {
      out += entity;
    } else if (n > 1 && needsReference(cp, seq, rules.references)) {
      out += "&#" + std::to_string(static_cast<uint32_t>(cp)) + ";";
    } else {
      out += seq;
    }
  }
  return out;
}

std::string htmlText(std::string_view utf8) { return escapeMarkup(utf8, {}); }

std::string htmlAttribute(std::string_view utf8) {
  return escapeMarkup(utf8, {.references = References::Windows1252Lacking, .quotes = true, .lineBreaks = true});
}

}  // namespace lumo::text
