#include "platform/browser/urls.h"

#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/text/text.h"
#include "common/tools/paths.h"

namespace lumo::browser::url {
namespace {

namespace fs = std::filesystem;

bool startsWithIgnoringCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && text::iequals(s.substr(0, prefix.size()), prefix);
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percentDecode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      const int hi = hexValue(s[i + 1]);
      const int lo = hexValue(s[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

// Encodes only what would change the meaning of the address (like the
// addresses the original control reported: spaces as "%20", letters with
// accents left as they are).
std::string encodePath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b == 0x7F || c == '%' || c == '#' || c == '?') {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// Splits a reference into its path and the rest (query and fragment).
void splitRest(std::string_view ref, std::string_view& path, std::string_view& rest) {
  const size_t cut = ref.find_first_of("?#");
  path = ref.substr(0, cut);
  rest = cut == std::string_view::npos ? std::string_view{} : ref.substr(cut);
}

std::string normalisedPath(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  std::string out = fs::path(path).lexically_normal().generic_string();
  // lexically_normal keeps ".." above the root ("/../a"); a browser drops it.
  while (out.rfind("/../", 0) == 0) out.erase(0, 3);
  if (out == "/..") out = "/";
  return out;
}

std::string fileAddressOfReference(std::string_view pathPart, std::string_view rest) {
  return fileAddress(normalisedPath(percentDecode(pathPart)), rest);
}

std::string trimmed(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

}  // namespace

std::string scheme(std::string_view address) {
  if (address.empty() || !std::isalpha(static_cast<unsigned char>(address[0]))) return {};
  for (size_t i = 1; i < address.size(); ++i) {
    const char c = address[i];
    if (c == ':') {
      // A single letter before ":" is a drive, not a scheme.
      return i < 2 ? std::string{} : text::toLowerAscii(address.substr(0, i));
    }
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return {};
  }
  return {};
}

bool isExternalScheme(std::string_view s) {
  return s == "http" || s == "https" || s == "mailto" || s == "ftp" || s == "news";
}

std::string withoutFragment(std::string_view address) {
  if (scheme(address) == "about" && !startsWithIgnoringCase(address, "about:blank#")) return std::string(address);
  return std::string(address.substr(0, address.find('#')));
}

std::optional<std::string> fragment(std::string_view address) {
  if (scheme(address) == "about" && !startsWithIgnoringCase(address, "about:blank#")) return std::nullopt;
  const size_t hash = address.find('#');
  if (hash == std::string_view::npos) return std::nullopt;
  return std::string(address.substr(hash + 1));
}

std::string filePath(std::string_view address) {
  std::string_view rest = address;
  if (startsWithIgnoringCase(rest, "file:")) rest.remove_prefix(5);
  if (rest.rfind("//localhost/", 0) == 0) rest.remove_prefix(11);
  while (rest.size() > 1 && rest[0] == '/' && rest[1] == '/') rest.remove_prefix(1);
  std::string_view path, tail;
  splitRest(rest, path, tail);
  std::string decoded = percentDecode(path);
  if (decoded.empty() || decoded[0] != '/') decoded.insert(decoded.begin(), '/');
  return decoded;
}

std::string fileAddress(std::string_view absolutePath, std::string_view rest) {
  return "file://" + encodePath(absolutePath) + std::string(rest);
}

std::string locationName(std::string_view address) {
  if (scheme(address) == "about") return std::string(address);
  std::string_view path, rest;
  splitRest(address, path, rest);
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string resolve(std::string_view reference, std::string_view base) {
  const std::string ref = trimmed(reference);
  const std::string refScheme = scheme(ref);
  if (refScheme == "file") {
    const size_t cut = ref.find_first_of("?#");
    return fileAddress(normalisedPath(filePath(ref)),
                       cut == std::string::npos ? std::string_view{} : std::string_view(ref).substr(cut));
  }
  if (!refScheme.empty()) return ref;
  if (!ref.empty() && (ref[0] == '/' || ref[0] == '\\')) {
    std::string_view path, rest;
    splitRest(ref, path, rest);
    return fileAddressOfReference(path, rest);
  }
  if (ref.empty()) return withoutFragment(base);
  if (ref[0] == '#') {
    if (scheme(base) == "about") return "about:blank" + ref;
    return withoutFragment(base) + ref;
  }
  if (scheme(base) != "file") return ref;  // nothing to resolve against
  std::string_view basePath, baseRest;
  splitRest(base, basePath, baseRest);
  if (ref[0] == '?') return std::string(basePath) + ref;
  std::string dir = filePath(base);
  dir.erase(dir.rfind('/') + 1);
  std::string_view path, rest;
  splitRest(ref, path, rest);
  std::string decoded = percentDecode(path);
  return fileAddress(normalisedPath(dir + decoded), rest);
}

std::optional<std::string> findPathIgnoringCase(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::error_code ec;
  if (fs::exists(path, ec)) return path;
  std::string found = tools::resolvePath(path);
  if (!fs::exists(found, ec)) return std::nullopt;
  // A folder found in another case is named without its trailing "/".
  while (found.size() > 1 && found.back() == '/') found.pop_back();
  return found;
}

}  // namespace lumo::browser::url
