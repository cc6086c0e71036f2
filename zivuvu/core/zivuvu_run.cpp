#include "zivuvu/core/zivuvu_run.h"

#include <cerrno>
#include <filesystem>
#include <optional>
#include <set>

#include "common/bookindex/bookindex.h"
#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/registry/registry.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"
#include "zivuvu/core/measure_ahead.h"
#include "zivuvu/core/zivuvu_pages.h"

namespace fs = std::filesystem;

namespace lumo::zivuvu {
namespace {

using bookindex::IndexReader;

// The index ended before what it declared: the book ends there.
struct EndOfIndex {};

// Reads that leave the value as it was when they fail, as a skipped
// statement does; a read past the end of the index ends the book instead,
// so that an index declaring more than it holds never makes up files or
// markers.
template <typename T, typename Read>
void tolerant(T& value, Read read) {
  try {
    value = read();
  } catch (const RuntimeError& e) {
    if (e.number() == err::InputPastEnd) throw EndOfIndex{};
  } catch (const std::exception&) {
  }
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

// Every file record and marker the index holds, up to its declared counts.
// A record or marker is kept only when all its values were read; complete
// is false when the index ended before its counts.
struct BookFiles {
  std::vector<bookindex::FileRecord> files;
  bool complete = true;
};

BookFiles readFiles(IndexReader& reader, int16_t fileCount) {
  BookFiles book;
  bookindex::FileRecord record;
  bookindex::Marker marker;
  try {
    for (int f = 0; f < fileCount; ++f) {
      readRecordTolerant(reader, record);
      book.files.push_back({record.name, record.markerCount, record.next, {}});
      for (int i = 0; i < record.markerCount; ++i) {
        readMarkerTolerant(reader, marker);
        book.files.back().markers.push_back(marker);
      }
    }
  } catch (const EndOfIndex&) {
    book.complete = false;
    // The last file lists only the markers that were read.
    if (!book.files.empty()) book.files.back().markerCount = static_cast<int16_t>(book.files.back().markers.size());
  }
  return book;
}

// Deletes the files of the previous run's work folder and the folder when it
// is then empty (kept when it is this run's folder too). Only plain files
// directly inside a real folder of the installation are touched: never a
// subfolder, never what a link points to.
void deletePreviousWorkFolder(const std::string& appFolder, const std::string& dirwork, bool keepFolder) {
  const fs::path folder = fs::path(appFolder) / workFolderName(dirwork);
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(folder, ec))) return;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ignored;
    const auto status = it->symlink_status(ignored);
    if (fs::is_regular_file(status) || fs::is_symlink(status)) fs::remove(it->path(), ignored);
  }
  if (!keepFolder) fs::remove(folder, ec);  // fails, and so keeps the folder, when anything is left
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

// Opens the index of the book folder cd and reads its header and file
// count. Throws on failure.
Book openBook(std::string cd, std::optional<IndexReader>& reader) {
  Book book;
  if (text::trim(cd).empty()) throw RuntimeError(err::FileNotFound);
  if (cd.back() != '/') cd += '/';
  // The folder as it is named on disk, so that the MP3 link names it so too.
  book.cd = shell::resolvePath(cd);
  reader.emplace(shell::resolvePath(book.cd + "marker.txt"));
  book.header = bookindex::readHeader(*reader);
  book.fileCount = reader->numberField();
  book.workFolder = workFolderName(book.header.code);
  return book;
}

// A sum that would pass 32 bits is an overflow: the statement is skipped and
// the total keeps what it held, so the file only loses its share.
void addToTotal(int32_t& total, int32_t seconds) {
  int32_t sum = 0;
  if (!__builtin_add_overflow(total, seconds, &sum)) total = sum;
}

// The MP3 files of the book's pages, measured ahead on threads from the time
// the index is read, so that their reads overlap the run's other work.
std::vector<std::string> audioFiles(const Book& book, const BookFiles& index) {
  std::vector<std::string> files;
  for (const bookindex::FileRecord& record : index.files) files.push_back(mp3Folder(book) + record.name + ".mp3");
  return files;
}

// Whether the previous run's work folder is the folder of this book's MP3
// files (a book kept inside the installation folder): deleting it deletes
// them, and they are measured only after that, as they then are.
bool workFolderHoldsTheAudio(const std::string& appFolder, const std::string& dirwork, const Book& book) {
  std::error_code ec;
  return fs::equivalent(fs::path(appFolder) / workFolderName(dirwork), mp3Folder(book), ec);
}

std::string failureText(const std::exception& e) {
  if (const auto* r = dynamic_cast<const RuntimeError*>(&e)) return r->description();
  return e.what();
}

// What went wrong in a run, told to the reader in one message at its end.
struct Problems {
  bool incomplete = false;
  std::vector<std::string> pages;  // pages that could not be written, with the cause
  std::string home;                // why index.htm could not be written
};

// First pass: one page per file record. Returns the records whose pages
// were written, in index order (the home page links only to them), and the
// total of their measured durations.
struct WrittenPages {
  std::vector<const bookindex::FileRecord*> files;
  int32_t total = 0;
};

WrittenPages writeFilePages(const RunOptions& options, const Book& book, const BookFiles& index,
                            MeasureAhead& durations, Problems& problems) {
  const fs::path folder = fs::path(options.appFolder) / book.workFolder;
  WrittenPages written;
  std::vector<FilePage> pages;   // the pages written
  std::set<std::string> failed;  // the names of the pages that could not be
  std::optional<std::string> prev;
  for (size_t f = 0; f < index.files.size(); ++f) {
    const bookindex::FileRecord& record = index.files[f];
    FilePage page;
    page.title = book.header.title;
    page.name = record.name;
    page.next = record.next;
    page.prev = prev;
    // Measured ahead, while the pages before it were written.
    MeasureAhead::Measured audio = durations.take(f);
    page.audioPath = std::move(audio.path);
    page.duration = audio.duration;
    page.markers = record.markers;
    try {
      text::writeTextFile(folder / (pageName(record.name) + ".htm"), filePageLines(page));
    } catch (const std::exception& e) {
      problems.pages.push_back(failureText(e));
      failed.insert(pageName(record.name));
      continue;
    }
    if (page.duration) addToTotal(written.total, *page.duration);
    written.files.push_back(&record);
    pages.push_back(std::move(page));
    prev = record.name;
  }
  // A page whose next page could not be written ends its book instead of
  // leading the player to a page that does not exist.
  for (FilePage& page : pages) {
    if (page.next.empty() || !failed.contains(pageName(page.next))) continue;
    page.next.clear();
    skipOnError([&] { text::writeTextFile(folder / (pageName(page.name) + ".htm"), filePageLines(page)); });
  }
  return written;
}

// Second pass: the home page lists the files whose pages exist.
bool writeHomePage(const RunOptions& options, const Book& book, const WrittenPages& written, Problems& problems) {
  HomePage home;
  home.workFolder = book.workFolder;
  home.firstFile = written.files.empty() ? std::string{} : written.files.front()->name;
  home.mp3Folder = mp3Folder(book);
  home.total = written.total;
  home.header = book.header;
  for (const bookindex::FileRecord* record : written.files)
    home.files.push_back({record->name, record->markerCount, record->markers});
  const fs::path target = fs::path(options.appFolder) / "index.htm";
  try {
    text::writeTextFile(target, homePageLines(home));
    return true;
  } catch (const std::exception& e) {
    problems.home = failureText(e);
  }
  // The home page left there belongs to the book before, whose pages are
  // gone: it must not be opened as this book's.
  std::error_code ec;
  fs::remove(target, ec);
  return false;
}

std::string problemsText(const Problems& problems, bool playerStarts) {
  std::string text;
  const auto add = [&](const std::string& line) { text += (text.empty() ? "" : "\n") + line; };
  if (problems.incomplete) add(kIndexIncomplete);
  if (!problems.pages.empty()) {
    add(kPagesNotWritten);
    constexpr size_t kListed = 10;
    for (size_t i = 0; i < problems.pages.size() && i < kListed; ++i) add(problems.pages[i]);
    if (problems.pages.size() > kListed)
      add("... e altre " + std::to_string(problems.pages.size() - kListed) + " pagine.");
  }
  if (!problems.home.empty()) add(std::string(kHomeNotWritten) + "\n" + problems.home);
  if (!playerStarts && !text.empty()) add(kPlayerNotStarted);
  return text;
}

void reportSettingsFailure(const char* what, const RuntimeError& e) {
  ui::MsgBox(std::string(what) + "\n" + e.description(), ui::mb::Critical);
}

}  // namespace

std::string workFolderName(const std::string& code) {
  std::string name = pageName(code);
  const bool onlyDots = name.find_first_not_of('.') == std::string::npos;  // also true for ""
  // The entries of the installation folder itself: a work folder of the
  // same name would stand in for a program, the home page or Include.
  static constexpr const char* kReserved[] = {"Include",  "LumoPlayer",   "dazide.zev",         "Zivuvu",  "index.htm",
                                              "Lumofind", "LumoSplitter", "LumoDarivaziduduza", "mp3splt", "lumoreg"};
  bool reserved = onlyDots;
  for (const char* entry : kReserved) reserved = reserved || text::iequals(name, entry);
  if (reserved) name = "_" + name;
  return name;
}

RunOutcome ZivuvuRun(const RunOptions& options) {
  std::string cd;
  try {
    cd = registry::GetSetting(kApp, kSection, "CD");
  } catch (const RuntimeError& e) {
    reportSettingsFailure(kSettingsUnreadable, e);
    return RunOutcome::SettingsFailed;
  }
  std::optional<IndexReader> reader;
  Book book;
  try {
    book = openBook(cd, reader);
  } catch (const std::exception&) {
    ui::MsgBox(kIndexMissing, ui::mb::Information);
    return RunOutcome::IndexMissing;
  }
  const BookFiles index = readFiles(*reader, book.fileCount);
  reader.reset();
  skipOnError([&] { book.mp3Subfolder = findLibro(book.cd); });

  std::string dirwork;
  try {
    dirwork = registry::GetSetting(kApp, kSection, "Dirwork");
  } catch (const RuntimeError& e) {
    reportSettingsFailure(kSettingsUnreadable, e);
    return RunOutcome::SettingsFailed;
  }
  std::optional<MeasureAhead> durations;
  const auto startMeasuring = [&] {
    if (!durations)
      durations.emplace(audioFiles(book, index), shell::resolvePath, options.yield,
                        MeasureAhead::threadsFor(mp3Folder(book)));
  };
  if (dirwork.empty() || !workFolderHoldsTheAudio(options.appFolder, dirwork, book)) startMeasuring();

  // The work folder first: when it cannot be made, the book before stays
  // as it was, pages, home page and Dirwork alike.
  const fs::path folder = fs::path(options.appFolder) / book.workFolder;
  std::error_code ec, statusEc;
  const bool created = fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, statusEc)) {
    const int cause = ec ? ec.value() : ENOTDIR;
    ui::MsgBox(std::string(kFolderNotMade) + folder.string() + " (" + ioErrorCause(cause) + ").\n" + kPlayerNotStarted,
               ui::mb::Critical);
    return RunOutcome::NotWritten;
  }
  if (dirwork != book.workFolder) {
    try {
      registry::SaveSetting(kApp, kSection, "Dirwork", book.workFolder);
    } catch (const RuntimeError& e) {
      if (created) fs::remove(folder, ec);
      reportSettingsFailure(kSettingsUnsaved, e);
      return RunOutcome::SettingsFailed;
    }
  }
  if (!dirwork.empty())
    deletePreviousWorkFolder(options.appFolder, dirwork, workFolderName(dirwork) == book.workFolder);

  startMeasuring();
  Problems problems;
  problems.incomplete = !index.complete;
  const WrittenPages written = writeFilePages(options, book, index, *durations, problems);
  // A book whose every page failed has no home page to open.
  const bool usable = written.files.size() > 0 || index.files.empty();
  const bool homeWritten = usable && writeHomePage(options, book, written, problems);
  if (!usable) {
    std::error_code ignored;
    fs::remove(fs::path(options.appFolder) / "index.htm", ignored);
  }

  const std::string message = problemsText(problems, homeWritten);
  if (!message.empty()) ui::MsgBox(message, homeWritten ? ui::mb::Exclamation : ui::mb::Critical);
  if (!homeWritten) return RunOutcome::NotWritten;

  const std::string player = shell::resolvePath(options.appFolder + "/lumoplayer");
  bool started = false;
  skipOnError([&] { started = options.startPlayer(player); });
  if (!started) ui::MsgBox(kPlayerMissing, ui::mb::Critical);
  return problems.incomplete || !problems.pages.empty() ? RunOutcome::PartlyWritten : RunOutcome::PagesWritten;
}

}  // namespace lumo::zivuvu
