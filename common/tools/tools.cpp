#include "common/tools/tools.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "common/tools/paths.h"

namespace fs = std::filesystem;

namespace lumo::tools {
namespace {

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// "*" matches any run of characters, "?" any one; letters match without
// regard to case, as the Windows shell matched them.
bool wildcardMatch(std::string_view name, std::string_view pattern) {
  size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(name[n]))) {
      ++n, ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++, starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1, n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string replaceAll(std::string text, char what, const std::string& by) {
  for (size_t p = 0; (p = text.find(what, p)) != std::string::npos; p += by.size()) text.replace(p, 1, by);
  return text;
}

}  // namespace

bool hasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

std::vector<std::string> FilesMatching(const std::string& folderAndPattern) {
  const fs::path path(folderAndPattern);
  const std::string pattern = path.filename().string();
  std::vector<std::string> files;
  std::error_code ec;
  if (!hasWildcard(pattern)) {
    const std::string resolved = resolvePath(folderAndPattern);
    if (!pattern.empty() && fs::is_regular_file(resolved, ec)) files.push_back(resolved);
    return files;
  }
  const fs::path folder = path.has_parent_path() ? fs::path(resolvePath(path.parent_path().string())) : ".";
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && wildcardMatch(it->path().filename().string(), pattern))
      files.push_back(it->path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string SanitizeFileName(std::string& Text) {
  for (const char c : {'\\', '/', ':', '*', '?', '"', '<', '>', '|', '.', ','}) Text = replaceAll(Text, c, "-");
  return Text;
}

std::string EscapeQuotes(std::string& Text) {
  Text = replaceAll(Text, '"', "&quot;");
  return Text;
}

}  // namespace lumo::tools
