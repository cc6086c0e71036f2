#include "splitter/core/engine_output.h"

#include <stdlib.h>

#include <cerrno>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <utility>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/shell/shell.h"
#include "splitter/core/engine_runner.h"

namespace fs = std::filesystem;

namespace lumo::splitter {

PrivateFolder::PrivateFolder(const std::string& parent) {
  std::string pattern = shell::withSlash(parent) + ".lumosplit-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) throw fileAccessError(pattern, errno);
  path_ = name.data();
}

PrivateFolder::~PrivateFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string patternBase(std::string name) {
  for (char& c : name)
    if (c == '@' || c == '%' || c == '+' || c == '/') c = '_';
  return name.empty() ? std::string("parte") : name;
}

std::string enginePartName(const std::string& base, int j, int n) {
  const int width = static_cast<int>(std::to_string(n).size());
  char number[24];
  std::snprintf(number, sizeof number, "%0*d", width, j);
  return base + "_" + number + ".mp3";
}

std::vector<std::string> collectParts(const std::string& folder) {
  std::vector<std::pair<long long, std::string>> found;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file(ec)) continue;
    const std::string name = entry.path().filename().string();
    if (name.size() < 5 || !text::iequals(name.substr(name.size() - 4), ".mp3")) continue;
    const std::string stem = name.substr(0, name.size() - 4);
    const size_t underscore = stem.rfind('_');
    const std::string digits = underscore == std::string::npos ? stem : stem.substr(underscore + 1);
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    found.emplace_back(std::stoll(digits), entry.path().string());
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> parts;
  for (auto& [number, path] : found) parts.push_back(std::move(path));
  return parts;
}

std::string commandLine(const std::string& program, const std::vector<std::string>& args) {
  std::string line = "\"" + program + "\"";
  for (const std::string& a : args) {
    const bool plain = !a.empty() && std::all_of(a.begin(), a.end(), [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || std::strchr(".,=+-", c) != nullptr;
    });
    line += plain ? " " + a : " \"" + a + "\"";
  }
  return line;
}

std::string engineErrorText(const EngineResult& result) {
  std::string lines;
  size_t from = 0;
  const std::string& errors = result.errors;
  while (from < errors.size()) {
    size_t end = errors.find_first_of("\r\n", from);
    if (end == std::string::npos) end = errors.size();
    const std::string line = text::trim(std::string_view(errors).substr(from, end - from));
    if (line.find("error:") != std::string::npos) lines += (lines.empty() ? "" : "; ") + line;
    from = end + 1;
  }
  if (!lines.empty()) return lines;
  if (!result.started) return "impossibile avviare mp3splt" + (errors.empty() ? std::string() : ": " + errors);
  if (result.crashed) return "mp3splt si è interrotto in modo anomalo";
  return "mp3splt è terminato con il codice " + std::to_string(result.exitCode);
}

}  // namespace lumo::splitter
