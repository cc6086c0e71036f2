#include "linker/zivuvu_run.h"

#include <filesystem>
#include <optional>

#include "common/bookindex/bookindex.h"
#include "common/errors/errors.h"
#include "common/text/text.h"
#include "linker/zivuvu_pages.h"
#include "platform/registry/registry.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"

namespace fs = std::filesystem;

namespace lumo::linker {
namespace {

using bookindex::IndexReader;

// Reads that leave the value as it was when they fail: an index shorter than
// its counts still yields pages, with the values last read.
template <typename T, typename Read>
void tolerant(T& value, Read read) {
  skipOnError([&] { value = read(); });
}

void readMarkerTolerant(IndexReader& reader, bookindex::Marker& m) {
  tolerant(m.description, [&] { return reader.lineRead(); });
  tolerant(m.start, [&] { return reader.numberField(); });
  tolerant(m.page, [&] { return reader.lineRead(); });
}

void readRecordTolerant(IndexReader& reader, bookindex::FileRecord& r) {
  tolerant(r.name, [&] { return reader.fieldRead(); });
  tolerant(r.markerCount, [&] { return reader.numberField(); });
  tolerant(r.next, [&] { return reader.fieldRead(); });
}

// Deletes the files of the previous run's work folder and the folder when it
// is then empty. Only plain files directly inside a real folder of the
// installation are touched: never a subfolder, never what a link points to.
void deletePreviousWorkFolder(const std::string& appFolder, const std::string& dirwork) {
  const fs::path folder = fs::path(appFolder) / workFolderName(dirwork);
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(folder, ec))) return;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ignored;
    const auto status = it->symlink_status(ignored);
    if (fs::is_regular_file(status) || fs::is_symlink(status)) fs::remove(it->path(), ignored);
  }
  fs::remove(folder, ec);  // fails, and so keeps the folder, when anything is left
}

struct Book {
  std::string cd;  // the book folder, ending with "/"
  bookindex::Header header;
  int16_t fileCount = 0;
  std::string workFolder;
  std::optional<std::string> mp3Subfolder;  // "Libro" as it is named on disk
};

std::string mp3Folder(const Book& book) {
  return book.cd + (book.mp3Subfolder ? *book.mp3Subfolder + "/" : std::string{});
}

std::optional<std::string> findLibro(const std::string& cd) {
  const std::string resolved = shell::resolvePath(cd + "Libro");
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(resolved, ec))) return std::nullopt;
  return fs::path(resolved).filename().string();
}

// Steps that may fail the whole run: the settings, the index header and the
// previous work folder. Throws RuntimeError on failure.
Book openBook(const RunOptions& options, std::optional<IndexReader>& reader) {
  Book book;
  book.cd = registry::GetSetting(kApp, kSection, "CD");
  if (text::trim(book.cd).empty()) throw RuntimeError(err::FileNotFound);
  if (book.cd.back() != '/') book.cd += '/';
  // The folder as it is named on disk, so that the MP3 link names it so too.
  book.cd = shell::resolvePath(book.cd);
  reader.emplace(shell::resolvePath(book.cd + "marker.txt"));
  book.header = bookindex::readHeader(*reader);
  book.fileCount = reader->numberField();
  book.workFolder = workFolderName(book.header.code);

  const std::string dirwork = registry::GetSetting(kApp, kSection, "Dirwork");
  if (!dirwork.empty()) {
    deletePreviousWorkFolder(options.appFolder, dirwork);
    skipOnError([&] { registry::SaveSetting(kApp, kSection, "Dirwork", book.workFolder); });
  } else {
    registry::SaveSetting(kApp, kSection, "Dirwork", book.workFolder);
  }
  return book;
}

// A sum that would pass 32 bits is an overflow: the statement is skipped and
// the total keeps what it held, so the file only loses its share.
void addToTotal(int32_t& total, int32_t seconds) {
  int32_t sum = 0;
  if (!__builtin_add_overflow(total, seconds, &sum)) total = sum;
}

std::optional<int32_t> measure(const std::string& mp3Path, mp3::Mp3Info& info, const mp3::YieldFn& yield) {
  std::optional<int32_t> duration;
  skipOnError([&] {
    if (mp3::GetMp3Info(mp3Path, info, yield) == 1) duration = info.Duration;
  });
  return duration;
}

// First pass: one page per file record. Returns the name of the first file
// and the total of the measured durations.
std::pair<std::string, int32_t> writeFilePages(const RunOptions& options, const Book& book, IndexReader& reader) {
  const fs::path folder = fs::path(options.appFolder) / book.workFolder;
  mp3::Mp3Info info;
  bookindex::FileRecord record;
  bookindex::Marker marker;
  std::optional<std::string> prev;
  std::string first;
  int32_t total = 0;
  for (int f = 0; f < book.fileCount; ++f) {
    readRecordTolerant(reader, record);
    FilePage page;
    page.title = book.header.title;
    page.name = record.name;
    page.next = record.next;
    page.prev = prev;
    page.audioPath = shell::resolvePath(mp3Folder(book) + record.name + ".mp3");
    page.duration = measure(page.audioPath, info, options.yield);
    if (page.duration) addToTotal(total, *page.duration);
    for (int i = 0; i < record.markerCount; ++i) {
      readMarkerTolerant(reader, marker);
      page.markers.push_back(marker);
    }
    skipOnError([&] { text::writeTextFile(folder / (pageName(record.name) + ".htm"), filePageLines(page)); });
    if (!prev) first = record.name;
    prev = record.name;
  }
  return {first, total};
}

// Second pass: the index is read again from the start for the home page, so
// it lists exactly the records that became pages.
void writeHomePage(const RunOptions& options, const Book& book, const std::string& first, int32_t total) {
  HomePage home;
  home.workFolder = book.workFolder;
  home.firstFile = first;
  home.mp3Folder = mp3Folder(book);
  home.total = total;
  home.header = book.header;
  std::optional<IndexReader> reader;
  skipOnError([&] {
    reader.emplace(shell::resolvePath(book.cd + "marker.txt"));
    home.header = bookindex::readHeader(*reader);
  });
  if (reader) {
    int16_t count = 0;
    tolerant(count, [&] { return reader->numberField(); });
    bookindex::FileRecord record;
    bookindex::Marker marker;
    for (int f = 0; f < count; ++f) {
      readRecordTolerant(*reader, record);
      HomeFile file{record.name, record.markerCount, {}};
      for (int i = 0; i < record.markerCount; ++i) {
        readMarkerTolerant(*reader, marker);
        file.markers.push_back(marker);
      }
      home.files.push_back(std::move(file));
    }
  }
  skipOnError([&] { text::writeTextFile(fs::path(options.appFolder) / "index.htm", homePageLines(home)); });
}

}  // namespace

std::string workFolderName(const std::string& code) {
  std::string name = pageName(code);
  const bool onlyDots = name.find_first_not_of('.') == std::string::npos;  // also true for ""
  if (onlyDots || text::iequals(name, "Include")) name = "_" + name;
  return name;
}

RunOutcome ZivuvuRun(const RunOptions& options) {
  std::optional<IndexReader> reader;
  Book book;
  try {
    book = openBook(options, reader);
  } catch (const std::exception&) {
    ui::MsgBox(kIndexMissing, ui::mb::Information);
    return RunOutcome::IndexMissing;
  }

  skipOnError([&] { fs::create_directories(fs::path(options.appFolder) / book.workFolder); });
  skipOnError([&] { book.mp3Subfolder = findLibro(book.cd); });
  const auto [first, total] = writeFilePages(options, book, *reader);
  reader.reset();
  writeHomePage(options, book, first, total);

  const std::string player = shell::resolvePath(options.appFolder + "/lumoplayer");
  bool started = false;
  skipOnError([&] { started = options.startPlayer(player); });
  if (!started) ui::MsgBox(kPlayerMissing, ui::mb::Critical);
  return RunOutcome::PagesWritten;
}

}  // namespace lumo::linker
