#include "player/core/pages.h"

#include <cctype>

#include "common/bookpage/bookpage.h"
#include "common/text/text.h"

namespace lumo::player::core {

namespace {

using bookpage::replaceAll;

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// A path in the backslash form of section texts, upper-cased.
std::string sectionForm(std::string_view path) { return replaceAll(text::toUpperLatin(path), "/", "\\"); }

// Removes the longest mount point that the text (already without its
// leading "\") begins with; the root file system "/" is no prefix.
std::string withoutMountRoot(const std::string& text, const std::vector<std::string>& mountRoots) {
  size_t best = 0;
  for (const std::string& root : mountRoots) {
    std::string r = sectionForm(root);
    while (!r.empty() && r.front() == '\\') r.erase(0, 1);
    if (r.empty()) continue;
    if (r.back() != '\\') r += '\\';
    if (startsWith(text, r) && r.size() > best) best = r.size();
  }
  return text.substr(best);
}

void cutAfter(std::string& s, std::string_view what) {
  const size_t at = s.find(what);
  if (at != std::string::npos) s.erase(at + what.size());
}

void cutBefore(std::string& s, char c) {
  const size_t at = s.find(c);
  if (at != std::string::npos) s.erase(at);
}

// The scheme of an address ("file", "about"), "" when it has none; a
// single letter before ":" is a drive.
std::string schemeOf(std::string_view address) {
  if (address.empty() || !std::isalpha(static_cast<unsigned char>(address[0]))) return {};
  for (size_t i = 1; i < address.size(); ++i) {
    const char c = address[i];
    if (c == ':') return i < 2 ? std::string{} : text::toLowerAscii(address.substr(0, i));
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return {};
  }
  return {};
}

// The address without its fragment; an inline "about:" page has none.
std::string withoutFragment(std::string_view address) {
  if (schemeOf(address) == "about" && !text::iequals(address.substr(0, 12), "about:blank#"))
    return std::string(address);
  return std::string(address.substr(0, address.find('#')));
}

}  // namespace

std::string SectionText(std::string_view url, std::string_view programFolder,
                        const std::vector<std::string>& mountRoots) {
  std::string s = text::toUpperLatin(replaceAll(std::string(url), "%20", " "));
  s = replaceAll(s, "/", "\\");
  s = replaceAll(s, sectionForm(programFolder), "");
  s = replaceAll(s, "FILE:\\\\", "");
  s = replaceAll(s, "HTTP:\\\\", "");
  while (!s.empty() && s.front() == '\\') s.erase(0, 1);
  if (s.size() >= 3 && s.compare(1, 2, ":\\") == 0) {
    s.erase(0, 3);
  } else {
    s = withoutMountRoot(s, mountRoots);
  }
  cutAfter(s, ".HTML");
  cutAfter(s, ".HTM");
  cutBefore(s, '?');
  cutBefore(s, '#');
  return s;
}

bool isSummaryPage(std::string_view url) {
  // The last 20 characters: back over 20 character starts of the UTF-8 text.
  size_t from = url.size();
  for (int n = 0; n < 20 && from > 0;) {
    --from;
    if ((static_cast<unsigned char>(url[from]) & 0xC0) != 0x80) ++n;
  }
  return text::toUpperLatin(url.substr(from)).find("INDEX.HTM") != std::string::npos;
}

std::string pageFolderAddress(std::string_view address) {
  std::string base(address.substr(0, address.find_first_of("?#")));
  const size_t slash = base.rfind('/');
  return slash == std::string::npos ? std::string{} : base.substr(0, slash + 1);
}

std::string PulisciUrl(std::string_view url, std::string_view location, std::string_view programFolder) {
  // The page shown, also without the fragment that an index link left on it.
  const std::string page = withoutFragment(location);
  std::string s = replaceAll(std::string(url), location, "");
  s = replaceAll(s, page, "");
  const bool inside = replaceAll(s, "%20", " ").find(programFolder) != std::string::npos;
  if (const size_t at = s.find('#'); at != std::string::npos) s.erase(0, at + 1);
  if (const size_t at = s.find('?'); at != std::string::npos) s.erase(0, at + 1);
  // What is left of a link outside the program is a name relative to the
  // page; an absolute address stays as it is.
  const bool relative = !startsWith(s, "/") && schemeOf(s).empty();
  if (!inside && relative) s = page.substr(0, page.rfind('/') + 1) + s;
  s = replaceAll(s, "\\", "/");
  for (int i = 0; i < 3; ++i) s = replaceAll(s, "//", "/");
  s = replaceAll(s, "file:/", "/");
  s = replaceAll(s, "%20", " ");
  return replaceAll(s, "@", "");
}

std::string withoutPageExtensions(std::string path) {
  return replaceAll(replaceAll(std::move(path), ".htm", ""), ".HTM", "");
}

}  // namespace lumo::player::core
