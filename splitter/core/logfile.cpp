#include "splitter/core/logfile.h"

#include <locale.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <limits>
#include <memory>

#include "common/errors/errors.h"
#include "common/organisation.h"
#include "common/text/text.h"
#include "lumo_version.h"
#include "platform/shell/shell.h"

namespace fs = std::filesystem;

namespace lumo::splitter {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File open(const std::string& path, const char* mode) {
  File f(std::fopen(path.c_str(), mode));
  if (!f) throw RuntimeError(err::PathFileAccess);
  return f;
}

// One line of text (UTF-8 in memory) in windows-1252 and its CR LF.
void writeLine(std::FILE* f, const std::string& utf8) {
  const std::string bytes = text::utf8ToCp1252(utf8) + "\r\n";
  if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) throw RuntimeError(err::PathFileAccess);
}

// The header of a new log: an empty line, the organisation's name, postal
// address and contacts, an empty line, the title and version line, and an
// empty line (the last line end is writeLine's own).
std::string header() {
  namespace org = lumo::organisation;
  return std::string("\r\n") + org::Name + "\r\n" + org::PostalAddress + "\r\n" + "Tel. " + org::Telephone + " - Fax " +
         org::Fax + " - E-mail " + org::Email + "\r\n\r\n" + "------ " + kApplicationTitle + " " +
         std::to_string(LUMO_VERSION_MAJOR) + "." + std::to_string(LUMO_VERSION_MINOR) + " ------" + "\r\n";
}

// Now as the user's short date, a blank and the long time, in the
// environment's LC_TIME locale (the C locale when it names none that exists).
std::string now() {
  locale_t locale = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) locale = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) throw RuntimeError(err::InvalidCall);
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&t, &local);
  char buffer[256];
  const size_t n = ::strftime_l(buffer, sizeof buffer, "%x %X", &local, locale);
  ::freelocale(locale);
  return std::string(buffer, n);
}

}  // namespace

std::string LogFilePath() { return shell::withSlash(shell::programFolder()) + kApplicationTitle + ".log"; }

int32_t GetFileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  if (st.st_size > std::numeric_limits<int32_t>::max()) throw RuntimeError(err::Overflow);
  return static_cast<int32_t>(st.st_size);
}

void WriteLog(const std::string& text, int16_t mode) noexcept {
  try {
    const std::string path = LogFilePath();
    if (mode == 1) {
      File log = open(path, "wbe");
      writeLine(log.get(), header());
      return;
    }
    File log = open(path, "abe");
    if (GetFileSize(path) > kLogRotateSize) {
      fs::copy_file(path, path + ".old", fs::copy_options::overwrite_existing);
      log.reset();
      fs::remove(path);
      log = open(path, "abe");
    }
    writeLine(log.get(), now() + "\t" + text);
  } catch (...) {
    // The log swallows its own errors: the entry is lost, the job goes on.
  }
}

}  // namespace lumo::splitter
