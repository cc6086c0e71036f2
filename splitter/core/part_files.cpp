#include "splitter/core/part_files.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/errors/errors.h"

namespace fs = std::filesystem;

namespace lumo::splitter {

std::string threeDigits(long long n) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%03lld", n);
  return buffer;
}

std::string fileNameSafe(std::string name) {
  for (char& c : name)
    if (c == '/' || (static_cast<unsigned char>(c) < 0x20)) c = '_';
  return name;
}

bool isFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

void renameNoReplace(const std::string& from, const std::string& to) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(to, ec))) throw RuntimeError(err::PathFileAccess, "Il file esiste già: " + to);
  fs::rename(from, to, ec);
  if (ec) throw fileAccessError(to, ec.value());
}

}  // namespace lumo::splitter
