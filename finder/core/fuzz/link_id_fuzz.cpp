// Any bytes a path may hold, through a link id of the found-books page and
// back: the id is UTF-8 that a windows-1252 page holds as it stands (no
// control character, no markup character but in a reference), and the path
// it gives back, once the page's tree has read the attribute, is the same
// bytes.
// Run: lumo_finder_link_id_fuzz -max_total_time=20 (scripts/test.sh, tree build-fuzz).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/text/text.h"
#include "finder/core/search.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& path, const std::string& id) {
  std::fprintf(stderr, "%s\npath:", what);
  for (char c : path) std::fprintf(stderr, " %02X", static_cast<unsigned char>(c));
  std::fprintf(stderr, "\nid: %s\n", id.c_str());
  std::abort();
}

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The attribute value as an HTML parser gives it back: the named and
// numeric references the escaper writes, decoded. False when the value
// holds an "&" that starts no reference.
bool attributeValue(std::string_view id, std::string& out) {
  for (size_t i = 0; i < id.size();) {
    if (id[i] != '&') {
      out += id[i++];
      continue;
    }
    const size_t end = id.find(';', i);
    if (end == std::string_view::npos) return false;
    const std::string_view ref = id.substr(i + 1, end - i - 1);
    if (ref == "amp")
      out += '&';
    else if (ref == "lt")
      out += '<';
    else if (ref == "gt")
      out += '>';
    else if (ref == "quot")
      out += '"';
    else if (ref.size() > 1 && ref[0] == '#' && ref.find_first_not_of("0123456789", 1) == std::string_view::npos &&
             ref.size() < 9)
      appendUtf8(out, static_cast<uint32_t>(std::strtoul(std::string(ref.substr(1)).c_str(), nullptr, 10)));
    else
      return false;
    i = end + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  const std::string id = lumo::finder::linkId(path);
  for (size_t i = 0; i < id.size();) {
    char32_t cp = 0;
    const size_t n = lumo::text::decodeUtf8(id, i, cp);
    if (n == 0) fail("the id is no UTF-8", path, id);
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) fail("the id holds a control character", path, id);
    if (cp == '"' || cp == '<' || cp == '>') fail("the id holds markup", path, id);
    i += n;
  }
  std::string value;
  if (!attributeValue(id, value)) fail("the id holds an unknown reference", path, id);
  if (lumo::finder::pathOfLinkId(value) != path) fail("the id does not give the path back", path, id);
  return 0;
}
