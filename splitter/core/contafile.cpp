#include "splitter/core/contafile.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <vector>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"

namespace fs = std::filesystem;

namespace lumo::splitter {

namespace {

// The names of the files directly in a folder, in name order without regard
// to case (as the original file system listed them), so a listing reads the
// same on every file system. Run-time error 76 when the folder does not
// exist, 70 when it may not be read.
std::vector<std::string> filesOf(const std::string& path) {
  const fs::path folder = shell::resolvePath(path);
  std::error_code ec;
  if (path.empty() || !fs::is_directory(folder, ec)) throw RuntimeError(err::PathNotFound);
  std::vector<std::string> names;
  fs::directory_iterator it(folder, ec);
  if (ec) throw RuntimeError(err::PermissionDenied);
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) throw RuntimeError(err::PermissionDenied);
    std::error_code kind;
    if (it->is_regular_file(kind)) names.push_back(it->path().filename().string());
  }
  if (ec) throw RuntimeError(err::PermissionDenied);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string ua = text::toUpperLatin(a), ub = text::toUpperLatin(b);
    return ua != ub ? ua < ub : a < b;
  });
  return names;
}

bool endsWith(const std::string& name, const std::string& est) { return text::toLowerLatin(name).ends_with(est); }

// The text without its last n characters (UTF-8); error 5 when it has fewer.
std::string dropLastCharacters(const std::string& s, size_t n) {
  size_t end = s.size();
  for (size_t dropped = 0; dropped < n; ++dropped) {
    if (end == 0) throw RuntimeError(err::InvalidCall);
    do --end;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80);
  }
  return s.substr(0, end);
}

void report(const std::string& description) {
  ui::MsgBox("Errore nel modulo del conteggio archivio." + description, ui::mb::OKOnly);
}

}  // namespace

int32_t contafile::Contrinper(const std::string& path, const std::string& nfmp3, const std::string& est) {
  try {
    const std::vector<std::string> names = filesOf(path);
    if (yield_) yield_();
    const std::string prefix = text::toUpperLatin(nfmp3);
    int32_t count = 0;
    for (const std::string& name : names)
      if (endsWith(name, est) && text::toUpperLatin(name).starts_with(prefix)) ++count;
    return count;
  } catch (const RuntimeError& e) {
    report(e.description());
  } catch (const std::exception&) {
    report(errorDescription(err::PathFileAccess));
  }
  return 0;
}

int32_t contafile::ContarArchivos(const std::string& path, const std::string& est, ListTable& lv6) {
  try {
    const std::vector<std::string> names = filesOf(path);
    lv6.clear();
    if (yield_) yield_();
    int32_t count = 0;
    for (const std::string& name : names) {
      if (!endsWith(name, est)) continue;
      ++count;
      const int row = lv6.addRow(std::to_string(count));
      lv6.setCell(row, 1, dropLastCharacters(name, 4));
    }
    return count;
  } catch (const RuntimeError& e) {
    report(e.description());
  } catch (const std::exception&) {
    report(errorDescription(err::PathFileAccess));
  }
  return 0;
}

}  // namespace lumo::splitter
