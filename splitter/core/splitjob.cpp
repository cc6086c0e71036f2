#include "splitter/core/splitjob.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "common/tools/pump.h"
#include "platform/shell/shell.h"
#include "platform/tools/book_sources.h"
#include "platform/tools/tools.h"
#include "platform/ui/ui.h"
#include "splitter/core/contafile.h"
#include "splitter/core/fields.h"
#include "splitter/core/frame_cut.h"
#include "splitter/core/logfile.h"
#include "splitter/core/mp3join.h"
#include "splitter/core/part_receiver.h"
#include "splitter/id3/tag_v2.h"

namespace fs = std::filesystem;

namespace lumo::splitter {
namespace {

// Columns of the four tables.
namespace lvc {
constexpr int Number = 0, File = 1, Properties = 2, Duration = 3, Times = 4, Cut = 5, Joined = 6;
}
namespace lv4c {
constexpr int Id = 0, RealName = 1, NewName = 2, GlobalId = 3, Page = 4;
}
namespace lv6c {
constexpr int Id = 0, Name = 1, Title = 2, Page = 3;
}
namespace lv8c {
constexpr int Name = 0, Description = 1, Page = 2;
}

// A file's name has at most 255 bytes: a name made of a long description
// (in letters that take two or three bytes each) is cut to fit with ".mp3".
constexpr size_t kNameBytes = 250;

std::string threeDigits(long long n) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%03lld", n);
  return buffer;
}

// A marker's start as mp3splt's time: whole minutes, ".", two-digit seconds.
std::string splitTime(int16_t s) { return std::to_string(s / 60) + "." + twoDigits(s % 60); }

// A time in whole seconds as the tables show it: minutes, ":", two-digit seconds.
std::string clockTime(int16_t s) { return std::to_string(s / 60) + ":" + twoDigits(s % 60); }

// Why mp3splt refuses a file's markers, in the reader's words: the first
// marker that starts before the one before it, or together with it.
std::string orderProblem(const std::vector<int16_t>& starts, const std::vector<std::string>& descriptions) {
  for (size_t j = 1; j < starts.size() && j < descriptions.size(); ++j) {
    if (starts[j] > starts[j - 1]) continue;
    return "La parte " + std::to_string(j + 1) + " («" + descriptions[j] + "») inizia a " + clockTime(starts[j]) +
           (starts[j] < starts[j - 1] ? ", prima della parte che la precede (" + clockTime(starts[j - 1]) + ")"
                                      : ", insieme alla parte che la precede");
  }
  return {};
}

// Deletes every "*.mp3" of a folder; a file that cannot go is passed over.
void deleteMp3Files(const std::string& folder) {
  for (const std::string& file : tools::FilesMatching(shell::withSlash(folder) + "*.mp3")) {
    std::error_code ec;
    fs::remove(file, ec);
  }
}

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// Renames without ever replacing a file that is already there.
void renameNoReplace(const std::string& from, const std::string& to) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(to, ec))) throw RuntimeError(err::PathFileAccess, "Il file esiste già: " + to);
  fs::rename(from, to, ec);
  if (ec) throw fileAccessError(to, ec.value());
}

// The name part of mp3splt's output pattern: "@" (and "%", which mp3splt
// reads as "@") would start one of its variables, "+" becomes a blank in its
// names and "/" a folder.
std::string patternBase(std::string name) {
  for (char& c : name)
    if (c == '@' || c == '%' || c == '+' || c == '/') c = '_';
  return name.empty() ? std::string("parte") : name;
}

// The name mp3splt gives part j of n with the output pattern base + "_@n":
// the number with as many digits as n has ("1" of 1, "03" of 12).
std::string enginePartName(const std::string& base, int j, int n) {
  const int width = static_cast<int>(std::to_string(n).size());
  char number[24];
  std::snprintf(number, sizeof number, "%0*d", width, j);
  return base + "_" + number + ".mp3";
}

// The parts of one file that are tagged as the engine writes them: each
// holds a FIFO open while the engine runs.
constexpr int kMaxReceivedParts = 256;

// The MP3 files the engine wrote into its private folder, in the order of
// their part numbers (the digits after the last "_").
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

// A folder of its own for one engine run, removed with whatever is left in
// it when the run's parts have been taken out.
class PrivateFolder {
 public:
  explicit PrivateFolder(const std::string& parent) {
    std::string pattern = shell::withSlash(parent) + ".lumosplit-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) throw fileAccessError(pattern, errno);
    path_ = name.data();
  }
  ~PrivateFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A name as a file or folder name can hold it: "/" and NUL (and the other
// control characters) become "_".
std::string fileNameSafe(std::string name) {
  for (char& c : name)
    if (c == '/' || (static_cast<unsigned char>(c) < 0x20)) c = '_';
  return name;
}

// The folder of the pieces of the cut by length.
std::string durationFolder(const std::string& bookDir, const std::string& minutes) {
  return bookDir + "/File da " + fileNameSafe(MinutesLabel(minutes)) + " minuti";
}

// True when both name one folder that exists.
bool sameFolder(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(shell::resolvePath(a), b, ec) && !ec;
}

// The engine's command as it runs, for the log: the program and every
// argument that holds more than letters, digits and ".,=+-" in quotes.
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

// The temporaries of a job in its book folder: the engine's private
// folders, the tag writer's and the join's copies.
bool isJobTemporary(const std::string& name) {
  return name.starts_with(".lumosplit-") || name.starts_with(".lumo-id3-") || name.starts_with(".lumojoin-");
}

// Removes the temporaries that a job killed before its clean-up left in
// the book folder and in the folders of its parts and pieces.
void removeLeftovers(const std::string& bookDir) {
  std::error_code ec;
  std::vector<fs::path> found;
  for (auto it = fs::recursive_directory_iterator(bookDir, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (isJobTemporary(it->path().filename().string())) {
      found.push_back(it->path());
      it.disable_recursion_pending();
    } else if (it.depth() >= 1) {
      it.disable_recursion_pending();
    }
  }
  for (const fs::path& path : found) fs::remove_all(path, ec);
}

// The file records of an index and their markers, as the job cuts them.
// A record without markers has no part to cut and raises run-time error 9,
// as the cut of such a file would.
std::vector<bookindex::FileRecord> readFileRecords(bookindex::IndexReader& reader, int16_t fileCount) {
  std::vector<bookindex::FileRecord> files;
  for (int i = 0; i < fileCount; ++i) {
    bookindex::FileRecord record = bookindex::readFileRecord(reader);
    if (record.markerCount <= 0) throw RuntimeError(err::SubscriptOutOfRange);
    for (int j = 0; j < record.markerCount; ++j) record.markers.push_back(bookindex::readMarker(reader));
    files.push_back(std::move(record));
  }
  return files;
}

int percent(int value, int divisor) {
  if (divisor <= 0) return value > 0 ? 100 : 0;
  return static_cast<int>(std::lround(100.0 / divisor * value));
}

}  // namespace

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

std::string ChannelMode(uint8_t Num) {
  static const char* const kModes[4] = {"Stereo", "Joint Stereo", "Dual channel", "Mono"};
  if (Num > 3) throw RuntimeError(err::SubscriptOutOfRange);
  return kModes[Num];
}

std::string firstChars(const std::string& utf8, size_t n) {
  size_t at = 0;
  for (size_t count = 0; at < utf8.size() && count < n; ++count) {
    char32_t cp = 0;
    const size_t length = text::decodeUtf8(utf8, at, cp);
    at += length == 0 ? 1 : length;
  }
  return utf8.substr(0, at);
}

SplitJob::SplitJob()
    : lv({"N°", "File in esame", "Proprietà", "Durata", "Tempi di taglio richiesti", "Taglio", "Unione"}),
      lv4({"id", "nome reale", "nuovonome", "globalid", "pagina"}),
      lv6({"id", "nome file", "titolo", "pagina"}),
      lv8({"nomefile", "descrizione", "pagina"}) {}

void SplitJob::log(const std::string& text) { WriteLog(text, 0); }

void SplitJob::tag(const std::string& path, const std::string& title, const std::string& track) {
  // A part whose tag could not be written stays as it is, untagged: the
  // log says why and the end of the job names it.
  std::string why;
  try {
    const id3::TypeTagV2 tag = partTag(title, track);
    if (!tools::runPumped(hooks.yield, [&] { return tag.WriteTag(path); })) why = "nessun frame audio nel file";
  } catch (const RuntimeError& e) {
    why = "Errore " + std::to_string(e.number()) + " " + e.description();
  } catch (const std::exception& e) {
    why = e.what();
  }
  if (why.empty()) {
    log("Effettuato inserimento TAG al file " + path);
    return;
  }
  log("Inserimento TAG non riuscito al file " + path + ": " + why);
  untagged_.push_back(fs::path(path).filename().string());
}

// The tag of a part: its heading, the book's title, its number, genre 28.
id3::TypeTagV2 SplitJob::partTag(const std::string& title, const std::string& track) const {
  id3::TypeTagV2 tag;
  tag.Valide(true);
  tag.Titre(title);
  tag.Album(book_.title);
  tag.Piste(track);
  tag.Genre("28");
  return tag;
}

// The end message's line on the parts left without a tag, or "".
std::string SplitJob::untaggedReport() const {
  if (untagged_.empty()) return {};
  std::string names;
  for (const std::string& name : untagged_) names += "\n" + name;
  return "\nNon è stato possibile inserire il TAG in " + std::to_string(untagged_.size()) +
         (untagged_.size() == 1 ? " file:" : " file (vedere il log):") + names;
}

std::string SplitJob::engineProgram() const { return shell::withSlash(fields.programFolder) + "mp3splt"; }

void SplitJob::vai_Click() {
  if (running_) {
    if (ui::MsgBox("Lumosplitter sta lavorando.\nDesiseri ugualmente fermare il ciclo di lavoro?\n"
                   "Verrai ugualmente indirizzato nella cartella di esportazione",
                   ui::mb::YesNo, "Interrompi?") == ui::Answer::Yes) {
      if (hooks.progressCaption) hooks.progressCaption("Attendere il termine del ciclo...");
      StopJob();
    }
    return;
  }
  run();
}

void SplitJob::StopJob() {
  working_ = 0;
  stopAsked_ = true;
  log("***** Sequenza di taglio interrotta dall'utente. *****");
}

bool SplitJob::RequestUnload() {
  if (!running_) return false;
  if (working_ == 1) StopJob();
  unloadPending_ = 1;
  if (hooks.progressCaption) hooks.progressCaption("Applicazione in fase di chiusura. Attendere...");
  return true;
}

bool SplitJob::IsContinuation(const std::string& d) const {
  if (d == prevLastDescription_) return true;
  const auto starts = [&](size_t n, const char* word) { return text::toLowerLatin(firstChars(d, n)) == word; };
  if (starts(8, "cassetta") || starts(4, "file") || starts(5, "segue") || starts(6, "inizio")) return true;
  return d.find("continua") != std::string::npos;
}

void SplitJob::progress(int bar, int value, int maximum, int divisor) {
  if (hooks.progress) hooks.progress(bar, value, maximum, std::to_string(percent(value, divisor)) + "%");
}

void SplitJob::run() {
  result_ = "0";
  failed_ = false;
  stopAsked_ = false;
  untagged_.clear();
  WriteLog("", 1);  // every job starts a new log
  working_ = 1;
  if (fields.exportPath.empty() || !tools::fileexists(fields.indexPath)) {
    working_ = 0;
    return;
  }
  running_ = true;
  unloadPending_ = 0;
  if (hooks.running) hooks.running(true);
  prevLastDescription_.clear();
  prevLastName_.clear();
  try {
    bookindex::IndexReader reader(shell::resolvePath(fields.indexPath));
    log("Percorso file marker: " + fields.indexPath);
    log("Percorso file mp3: " + fields.mp3Folder);
    // The whole index is read before anything is made or cut, so a damaged
    // index leaves no folder and no part behind.
    std::vector<bookindex::FileRecord> files;
    int16_t fileCount = 0;
    try {
      book_ = bookindex::readHeader(reader);
      fileCount = reader.numberField();
      log("Opera in esame: " + book_.code + " " + book_.title);
      files = readFileRecords(reader, fileCount);
    } catch (const RuntimeError& e) {
      const std::string error = "Errore " + std::to_string(e.number()) + " " + e.description();
      log("Il file indice " + fields.indexPath + " è incompleto o danneggiato: " + error);
      ui::MsgBox("Il file indice\n" + fields.indexPath + "\nè incompleto o danneggiato (" + error +
                     "): nessun file è stato tagliato.",
                 ui::mb::Critical);
      result_ = "1";
      cleanUp();
      return;
    }
    if (!bookindex::describesBook(fileCount)) {
      // No list of files: this is no book index (a damaged or foreign
      // file), and no folder is made for it.
      log("Il file indice " + fields.indexPath + " non contiene alcun file mp3 da tagliare.");
      ui::MsgBox("Il file indice\n" + fields.indexPath +
                     "\nnon descrive alcun libro: non contiene l'elenco dei file mp3 da tagliare.",
                 ui::mb::Critical);
      result_ = "1";
      cleanUp();
      return;
    }
    formFolders();
    log("Cartella finale su cui scrivere: " + indexDir_);
    PrepareOutputFolders();
    if (cancelled_ == 1) {
      result_ = "1";
    } else {
      if (hooks.showProgress) hooks.showProgress();
      progress(1, 0, fileCount, fileCount);
      lv.clear();
      log("***** Inizio Tagli per indice *****");
      if (runFiles(files)) {
        log("***** Tagli per indice eseguiti correttamente *****");
        writeIndex(lv6, lv6c::Name, lv6c::Title, lv6c::Page);
        if (fields.cutByLength) {
          CutByDuration();
          writeIndex(lv8, lv8c::Name, lv8c::Description, lv8c::Page);
        } else {
          ui::MsgBox(
              "Sono stati eseguiti tutti i tagli ai file mp3. \n"
              "Verrai indirizzato sulla cartella contenente il risultato." +
                  untaggedReport(),
              ui::mb::Information);
        }
      }
      if (failed_) result_ = "1";
    }
  } catch (const RuntimeError& e) {
    ui::MsgBox("Errore " + std::to_string(e.number()) + " " + e.description(), ui::mb::Critical);
    result_ = "1";
  } catch (const std::exception& e) {
    ui::MsgBox("Errore " + std::to_string(err::PathFileAccess) + " " + e.what(), ui::mb::Critical);
    result_ = "1";
  }
  cleanUp();
}

// BookDir: the export path, "(" code ") " and the title made safe for a
// file name. Neither the code ("/", "\", NUL and "." or ".." alone) nor the
// title can lead outside the export folder; the book keeps both as read.
void SplitJob::formFolders() {
  std::string code = fileNameSafe(book_.code);
  std::replace(code.begin(), code.end(), '\\', '_');
  if (code == "." || code == "..") code.assign(code.size(), '_');
  std::string title = book_.title;
  tools::SanitizeFileName(title);
  bookDir_ =
      shell::withSlash(fields.exportPath) + text::cutUtf8("(" + code + ") " + text::trim(fileNameSafe(title)), 255);
  indexDir_ = bookDir_ + "/File per indice";
  durationDir_.clear();
}

void SplitJob::PrepareOutputFolders() {
  cancelled_ = 0;
  // A book split before and picked again with its own parts as the MP3 files
  // would be cut into the folder it is read from, whose MP3 files go first.
  for (const std::string& folder :
       {indexDir_, fields.cutByLength ? durationFolder(bookDir_, fields.partMinutes) : std::string()}) {
    if (folder.empty() || !sameFolder(fields.mp3Folder, folder)) continue;
    log("Cartella dei file mp3 uguale alla cartella di destinazione: " + folder);
    ui::MsgBox("La cartella dei file mp3 è quella in cui andrebbero scritti i file tagliati:\n" + folder +
                   "\nScegliere un'altra cartella di esportazione.",
               ui::mb::Critical);
    cancelled_ = 1;
    return;
  }
  for (const std::string& folder : {fields.exportPath, bookDir_, indexDir_})
    skipOnError([&] {
      std::error_code ec;
      fs::create_directory(folder, ec);
    });
  if (!writableFolders()) {
    cancelled_ = 1;
    return;
  }
  // A job holds a lock on its book folder until its clean-up (the system
  // drops it when the process dies), so temporaries there that no locking
  // job owns are leftovers of a job that was killed. A book that another
  // job holds is left alone: its parts are that job's.
  releaseBookLock();
  bookLock_ = ::open(bookDir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (bookLock_ >= 0 && ::flock(bookLock_, LOCK_EX | LOCK_NB) == 0) {
    removeLeftovers(bookDir_);
  } else if (bookLock_ >= 0 && errno == EWOULDBLOCK) {
    releaseBookLock();
    log("Il libro " + bookDir_ + " è già in elaborazione da un'altra sessione.");
    ui::MsgBox("Il libro è già in elaborazione da un'altra sessione.\n" + bookDir_, ui::mb::Exclamation);
    cancelled_ = 1;
    return;
  }
  bool refused = false;
  skipOnError([&] {
    if (tools::FilesMatching(shell::withSlash(indexDir_) + "*.mp3").empty()) return;
    if (ui::MsgBox("La cartella contiene già file mp3 splittati.\n"
                   "Procedo con la cancellazione e la successiva riscrittura?",
                   ui::mb::YesNo, "File mp3 esistenti") == ui::Answer::No)
      refused = true;
    else
      deleteMp3Files(indexDir_);
  });
  if (refused) {
    cancelled_ = 1;
    return;
  }
  if (!fields.cutByLength) return;
  durationDir_ = durationFolder(bookDir_, fields.partMinutes);
  skipOnError([&] {
    std::error_code ec;
    fs::create_directory(durationDir_, ec);
  });
  log("Cartella dei file personalizzati: " + durationDir_);
  skipOnError([&] {
    if (tools::FilesMatching(shell::withSlash(durationDir_) + "*.mp3").empty()) return;
    if (ui::MsgBox("La cartella di personalizzazione\n" + durationDir_ +
                       "\ncontiene già file mp3 splittati. Procedo con la cancellazione e la successiva riscrittura?",
                   ui::mb::YesNo, "File mp3 esistenti") == ui::Answer::No)
      refused = true;
    else
      deleteMp3Files(durationDir_);
  });
  if (refused) cancelled_ = 1;
}

// The parts' folder must be there and take files: a read-only export folder
// (a write-protected medium, a folder of another user) is named as such.
bool SplitJob::writableFolders() {
  if (::access(indexDir_.c_str(), W_OK) == 0) return true;
  // The deepest of the folders that is there tells why the next could not be made.
  int error = ENOENT;
  for (const std::string& folder : {indexDir_, bookDir_, fields.exportPath}) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) continue;
    error = ::access(folder.c_str(), W_OK) == 0 ? EIO : errno;
    break;
  }
  const std::string cause = error == EROFS || error == EACCES || error == EPERM
                                ? std::string("cartella in sola lettura")
                                : ioErrorCause(error);
  log("Impossibile scrivere nella cartella di esportazione " + fields.exportPath + ": " + cause);
  ui::MsgBox("Impossibile scrivere nella cartella di esportazione\n" + fields.exportPath + "\n(" + cause +
                 ").\nScegliere un'altra cartella di esportazione.",
             ui::mb::Critical);
  return false;
}

std::optional<std::vector<std::string>> SplitJob::cut(const std::vector<std::string>& args, const std::string& folder,
                                                      const std::string& source, size_t expected,
                                                      const std::string& cause, PartReceiver* receiver) {
  EngineResult r;
  if (runEngine) r = runEngine(engineProgram(), args, hooks.yield);
  if (receiver != nullptr) receiver->finish();
  std::vector<std::string> parts = collectParts(folder);
  std::string why;
  if (!r.started || r.crashed || r.exitCode != 0) {
    why = engineErrorText(r);
    // mp3splt's own words stay behind the cause, for the record.
    if (r.started && !r.crashed && r.errors.find("error:") != std::string::npos)
      why = (cause.empty() ? std::string("mp3splt ha segnalato un errore") : cause) + ".\nmp3splt: " + why;
  } else if (parts.size() < expected) {
    why = receiver != nullptr && !receiver->failure().empty()
              ? receiver->failure()
              : "mp3splt ha creato " + std::to_string(parts.size()) + " parti invece di " + std::to_string(expected);
  }
  if (why.empty()) return parts;
  std::string logged = why;
  std::replace(logged.begin(), logged.end(), '\n', ' ');
  log("Errore nel taglio del file " + source + ": " + logged);
  ui::MsgBox("Il taglio del file " + source + " non è riuscito.\n" + why, ui::mb::Critical);
  failed_ = true;
  return std::nullopt;
}

bool SplitJob::runFiles(const std::vector<bookindex::FileRecord>& files) {
  int16_t offset = 0;
  const auto fileCount = static_cast<int16_t>(files.size());
  for (int i = 1; i <= fileCount; ++i) {
    progress(1, i, fileCount, fileCount);
    const bookindex::FileRecord& record = files[static_cast<size_t>(i) - 1];
    const std::string P = fields.mp3Folder + record.name + ".mp3";
    const std::string source = shell::resolvePath(P);
    if (tools::runPumped(hooks.yield, [&] { return mp3::GetMp3Info(source, info_); }) != 1) {
      ui::MsgBox("Path: " + P + "\nFile mp3 non trovato!", ui::mb::Critical);
      log("Errore critico nel percorso " + P + ": file non trovato");
      return false;
    }
    const int16_t M = record.markerCount;
    std::vector<std::string> times;
    std::vector<int16_t> starts;
    std::vector<std::string> descriptions;
    std::string timeList;
    for (int j = 1; j <= M; ++j) {
      const bookindex::Marker& marker = record.markers[static_cast<size_t>(j) - 1];
      const std::string page = text::ltrim(marker.page);
      times.push_back(splitTime(marker.start));
      starts.push_back(marker.start);
      descriptions.push_back(marker.description);
      timeList += " " + times.back();
      const int row = lv4.addRow(std::to_string(j));
      lv4.setCell(row, lv4c::RealName, marker.description);
      std::string name;
      if (fields.joinContinuations && !prevLastDescription_.empty() && i >= 2 && j == 1 &&
          IsContinuation(marker.description)) {
        name = kContinuationMark;
        offset = text::toInt16(static_cast<long long>(offset) - 1);
      } else {
        lv4.setCell(row, lv4c::Page, page);
        const std::string number = threeDigits(j + offset);
        lv4.setCell(row, lv4c::GlobalId, number);
        name = number;
        if (page != "-") {
          std::string label = page;
          name += "_p" + tools::SanitizeFileName(label);
        }
        if (fields.namesWithDescription) {
          std::string description = marker.description;
          name += "_" + tools::SanitizeFileName(description);
        }
        name = text::cutUtf8(fileNameSafe(firstChars(name, 120)), kNameBytes);
      }
      lv4.setCell(row, lv4c::NewName, name);
    }
    offset = text::toInt16(static_cast<long long>(offset) + M);
    // A file without markers has no last part to carry on from.
    if (M <= 0) throw RuntimeError(err::SubscriptOutOfRange);

    const PrivateFolder folder(fields.exportPath.empty() ? indexDir_ : bookDir_);
    const std::string base = patternBase(record.name);
    std::vector<std::string> args = {"-f", "-d", folder.path(), source};
    args.insert(args.end(), times.begin(), times.end());
    args.insert(args.end(), {"EOF", "-n", "-o", base + "_@n"});
    log("Stringa di taglio: " + commandLine(engineProgram(), args));

    fileRow_ = text::toInt16(static_cast<long long>(lv.rowCount()) + 1);
    lv.addRow(std::to_string(fileRow_));
    lv.setCell(fileRow_, lvc::File, record.name);
    lv.setCell(fileRow_, lvc::Properties,
               std::to_string(info_.SampleRate) + " Hz - " + std::to_string(info_.Bitrate) + " Kbps - " +
                   ChannelMode(info_.ChannelModeIndex));
    lv.setCell(fileRow_, lvc::Duration, std::to_string(info_.Duration / 60) + ":" + twoDigits(info_.Duration % 60));
    lv.setCell(fileRow_, lvc::Times, timeList);

    // The parts get their tag as mp3splt writes them, while only this job
    // sees them: the tag writer would write each part a second time.
    std::optional<PartReceiver> receiver;
    if (fields.tags && !fields.cutByLength && M <= kMaxReceivedParts) {
      std::vector<PartToReceive> expected;
      for (int j = 1; j <= M; ++j) {
        // A continuation is joined or renamed first: the tag writer tags it.
        if (lv4.cell(j, lv4c::NewName) == kContinuationMark) continue;
        expected.push_back(
            {enginePartName(base, j, M), partTag(lv4.cell(j, lv4c::RealName), lv4.cell(j, lv4c::GlobalId))});
      }
      receiver.emplace(folder.path(), std::move(expected));
    }
    tagged_.clear();
    const auto parts = cut(args, folder.path(), P, static_cast<size_t>(M), orderProblem(starts, descriptions),
                           receiver ? &*receiver : nullptr);
    if (!parts) return false;
    if (receiver)
      for (const std::string& part : *parts)
        if (receiver->tagged(part)) tagged_.insert(part);
    // mp3splt cuts a VBR recording without a VBR header into parts without
    // one, whose length is then guessed from a bitrate: they get one (a part
    // that held its tag, behind that tag).
    for (size_t p = 0; p < parts->size(); ++p) {
      const std::string& part = (*parts)[p];
      const int row = static_cast<int>(p) + 1;
      std::optional<id3::TypeTagV2> tag;
      if (tagged_.count(part) != 0) tag = partTag(lv4.cell(row, lv4c::RealName), lv4.cell(row, lv4c::GlobalId));
      bool rewritten = false, stillTagged = false;
      const std::string why = AddVbrHeader(part, &rewritten, tag ? &*tag : nullptr, &stillTagged);
      if (rewritten && !stillTagged) tagged_.erase(part);
      if (why.empty()) continue;
      log("Errore nel taglio del file " + P + ": " + why);
      ui::MsgBox("Il taglio del file " + P + " non è riuscito.\n" + why, ui::mb::Critical);
      failed_ = true;
      return false;
    }
    lv.setCell(fileRow_, lvc::Cut, "OK");
    log("Taglio file " + record.name + " eseguito correttamente.");
    currentFile_ = record.name;
    ProcessIndexParts(*parts);

    if (text::toUpperLatin(record.name) != "A-EDI") {
      const std::string& last = lv4.cell(M, lv4c::NewName);
      if (last != kContinuationMark) prevLastName_ = last;
      prevLastDescription_ = lv4.cell(M, lv4c::RealName);
    } else {
      prevLastName_.clear();
      prevLastDescription_.clear();
    }
    lv4.clear();
    if (working_ == 0) return false;
  }
  return true;
}

// A part whose join was refused (or failed) becomes a file of its own whose
// name sorts right after the part it continues and clashes with no other.
std::string SplitJob::ownContinuationName() const {
  const std::string base = prevLastName_ + "_continua";
  std::string name = base;
  for (int n = 2; exists(indexDir_ + "/" + name + ".mp3"); ++n) name = base + "_" + std::to_string(n);
  return name;
}

void SplitJob::ProcessIndexParts(const std::vector<std::string>& parts) {
  const int n = lv4.rowCount();
  for (int k = 1; k <= n && k <= static_cast<int>(parts.size()); ++k) {
    const std::string& S = parts[k - 1];
    std::string name = lv4.cell(k, lv4c::NewName);
    if (fields.joinContinuations && name == kContinuationMark) {
      const std::string previous = indexDir_ + "/" + prevLastName_ + ".mp3";
      bool equal = false;
      skipOnError([&] { equal = lv.cell(fileRow_, lvc::Properties) == lv.cell(fileRow_ - 1, lvc::Properties); });
      if (equal) {
        log("Stringa di unione dei file: accodamento dell'audio di \"" + S + "\" a \"" + previous +
            "\" (senza il suo frame d'intestazione, contatori dell'intestazione aggiornati)");
        const std::string why = tools::runPumped(hooks.yield, [&] { return AppendMp3(previous, S); });
        if (why.empty()) {
          std::error_code ec;
          fs::remove(S, ec);
          skipOnError([&] { lv.setCell(fileRow_, lvc::Joined, "SI"); });
          continue;
        }
        log("Errore nell'unione del file " + S + " al file " + previous + ": " + why);
        ui::MsgBox("Non è stato possibile unire il file\n" + S + "\nal file\n" + previous + "\n" + why,
                   ui::mb::Critical);
        skipOnError([&] { lv.setCell(fileRow_, lvc::Joined, "NO"); });
      } else {
        skipOnError([&] { lv.setCell(fileRow_, lvc::Joined, "NO"); });
        log("Non posso unire il file " + prevLastName_ + " con il precedente a causa di caratteristiche diverse.");
      }
      name = ownContinuationName();
      lv4.setCell(k, lv4c::NewName, name);
      // It carries on the part it follows, under that part's number.
      const size_t digits = prevLastName_.find_first_not_of("0123456789");
      lv4.setCell(k, lv4c::GlobalId, prevLastName_.substr(0, digits));
    }
    const std::string T = indexDir_ + "/" + name + ".mp3";
    log("Rinomina file - Sorgente: " + S + " Destinazione: " + T);
    const bool renamed = skipOnError([&] { renameNoReplace(S, T); });
    if (!renamed) log("Errore nella rinomina del file " + S + " in " + T);
    if (!fields.cutByLength && fields.tags) {
      if (renamed && tagged_.count(S) != 0) {
        log("Effettuato inserimento TAG al file " + T);
      } else if (exists(T)) {
        tag(T, lv4.cell(k, lv4c::RealName), lv4.cell(k, lv4c::GlobalId));
      } else {
        log("Errore nell'inserimento delle informazioni di TAG - Il File " + T + " non è stato trovato.");
        ui::MsgBox("Il file non esiste", ui::mb::Critical);
      }
    }
    // A part that is not there is never listed in the new index.
    if (!exists(T)) continue;
    indexFileCount_ = text::toInt16(static_cast<long long>(lv6.rowCount()) + 1);
    const int row = lv6.addRow(std::to_string(indexFileCount_));
    lv6.setCell(row, lv6c::Name, name);
    lv6.setCell(row, lv6c::Title, lv4.cell(k, lv4c::RealName));
    lv6.setCell(row, lv6c::Page, lv4.cell(k, lv4c::Page));
  }
}

void SplitJob::CutByDuration() {
  log("***** Inizio ulteriore taglio dei file *****");
  const int count = indexFileCount_;
  try {
    const std::optional<std::string> minutes = EngineMinutes(fields.partMinutes);
    if (!minutes) throw RuntimeError(err::TypeMismatch);
    for (int k = 0; k < count; ++k) {
      progress(2, k, std::max(count - 1, 1), count - 1);
      const std::string P = lv6.cell(k + 1, lv6c::Name);
      const std::string path = indexDir_ + "/" + P + ".mp3";
      if (tools::runPumped(hooks.yield, [&] { return mp3::GetMp3Info(path, info_); }) != 1) {
        ui::MsgBox("Path: " + path + "\nFile non trovato!", ui::mb::Critical);
        log("Errore critico nel percorso " + path + ": file non trovato");
        working_ = 0;
        indexDir_ = durationDir_;
        return;
      }
      const PrivateFolder folder(durationDir_);
      const std::string base = patternBase(P);
      const std::string silence =
          "th=-" + EngineNumber(fields.threshold) + ",off=0.5,min=" + EngineNumber(fields.minSilence);
      const std::vector<std::string> args = {"-f", "-d",    folder.path(), "-t", *minutes, "-a",
                                             "-p", silence, path,          "-n", "-o",     base + "_@n"};
      log("Stringa di taglio: " + commandLine(engineProgram(), args));
      fileRow_ = text::toInt16(static_cast<long long>(lv.rowCount()) + 1);
      lv.addRow(std::to_string(fileRow_));
      lv.setCell(fileRow_, lvc::File, P);
      lv.setCell(fileRow_, lvc::Properties,
                 std::to_string(info_.SampleRate) + " Hz - " + std::to_string(info_.Bitrate) + " Kbps - " +
                     ChannelMode(info_.ChannelModeIndex));
      lv.setCell(fileRow_, lvc::Duration, std::to_string(info_.Duration / 60) + ":" + twoDigits(info_.Duration % 60));
      lv.setCell(fileRow_, lvc::Times, "File da " + MinutesLabel(fields.partMinutes) + " min.");
      auto pieces = cut(args, folder.path(), path, 1);
      if (pieces) pieces = recutAtFrames(path, folder.path(), base, *pieces, k + 1);
      if (!pieces) break;
      lv.setCell(fileRow_, lvc::Cut, "OK");
      log("Taglio personalizzato file " + P + " eseguito correttamente.");
      currentFile_ = P;
      ProcessDurationParts(k + 1, folder.path(), base, *pieces);
      if (working_ == 0) {
        indexDir_ = durationDir_;
        return;
      }
    }
    if (!failed_) {
      progress(2, std::max(count - 1, 1), std::max(count - 1, 1), std::max(count - 1, 1));
      log("***** Terminato il taglio personalizzato del file *****");
      ui::MsgBox(
          "Sono stati eseguiti tutti i tagli ai file mp3 con la personalizzazione impostata. \n"
          "Sono stati creati " +
              std::to_string(durationFileCount_) + " file totali da " + MinutesLabel(fields.partMinutes) +
              " minuti ciascuno.\nVerrai indirizzato sulla cartella dei file splittati." + untaggedReport(),
          ui::mb::Information);
    }
  } catch (const RuntimeError& e) {
    ui::MsgBox("Errore " + std::to_string(e.number()) + " " + e.description(), ui::mb::Critical);
  } catch (const std::exception& e) {
    ui::MsgBox("Errore " + std::to_string(err::PathFileAccess) + " " + e.what(), ui::mb::Critical);
  }
  working_ = 0;
  indexDir_ = durationDir_;
}

// mp3splt's pieces tell where the pauses are; the pieces themselves are
// written again from the part's frames, so the first begins with the part.
std::optional<std::vector<std::string>> SplitJob::recutAtFrames(const std::string& part, const std::string& folder,
                                                                const std::string& base,
                                                                const std::vector<std::string>& enginePieces, int row) {
  // Each piece is written with its tag in front (its number is the one
  // ProcessDurationParts gives it), so that the tag writer does not write it
  // again.
  tagged_.clear();
  std::string title;
  if (fields.tags) skipOnError([&] { title = lv6.cell(row, lv6c::Title); });
  std::string why;
  try {
    const FrameMap map = tools::runPumped(hooks.yield, [&] { return mapFrames(part); });
    std::vector<size_t> counts;
    for (const std::string& piece : enginePieces)
      counts.push_back(tools::runPumped(hooks.yield, [&] { return mapFrames(piece).audioFrames(); }));
    // No piece is to be shorter than the pause the cuts look for.
    const double pause = TypedNumber(fields.minSilence).value_or(0);
    const size_t minFrames =
        map.samplesPerFrame > 0 ? static_cast<size_t>(std::ceil(pause * map.sampleRate / map.samplesPerFrame)) : 0;
    const std::vector<size_t> starts = pieceStarts(map.audioFrames(), counts, minFrames);
    if (starts.empty()) why = "nessun frame audio";
    for (const std::string& piece : enginePieces) {
      std::error_code ec;
      fs::remove(piece, ec);
    }
    for (size_t k = 0; k < starts.size() && why.empty(); ++k) {
      const std::string piece = folder + "/" + base + "_" + threeDigits(static_cast<long long>(k) + 1) + ".mp3";
      std::optional<id3::TypeTagV2> tag;
      if (fields.tags) tag = partTag(title, threeDigits(static_cast<long long>(k) + 1 + durationFileCount_));
      bool tagged = false;
      why = tools::runPumped(hooks.yield,
                             [&] { return writePiece(map, starts, k, piece, tag ? &*tag : nullptr, &tagged); });
      if (tagged) tagged_.insert(piece);
    }
  } catch (const RuntimeError& e) {
    why = e.description();
  }
  if (why.empty()) return collectParts(folder);
  log("Errore nel taglio del file " + part + ": " + why);
  ui::MsgBox("Il taglio del file " + part + " non è riuscito.\n" + why, ui::mb::Critical);
  failed_ = true;
  return std::nullopt;
}

void SplitJob::ProcessDurationParts(int r, const std::string& folder, const std::string& base,
                                    const std::vector<std::string>& pieces) {
  std::string P, title, page;
  skipOnError([&] {
    P = lv6.cell(r, lv6c::Name);
    title = lv6.cell(r, lv6c::Title);
    page = lv6.cell(r, lv6c::Page);
  });
  const int32_t D = durationFileCount_;
  // The engine's pieces of this part: its folder holds nothing else, so the
  // count by the part's name is exact.
  int n = 0;
  skipOnError([&] { n = contafile(hooks.yield).Contrinper(folder, base, "mp3"); });
  n = std::min(n, static_cast<int>(pieces.size()));
  for (int p = 1; p <= n; ++p) {
    const std::string number = threeDigits(static_cast<long long>(p) + D);
    const std::string name = text::cutUtf8(number + "_" + P, kNameBytes);
    const std::string& S = pieces[p - 1];
    const std::string T = durationDir_ + "/" + name + ".mp3";
    log("Rinomina file - Sorgente: " + S + " Destinazione: " + T);
    const bool renamed = skipOnError([&] { renameNoReplace(S, T); });
    if (!renamed) log("Errore nella rinomina del file " + S + " in " + T);
    if (fields.tags) {
      if (renamed && tagged_.count(S) != 0) {
        log("Effettuato inserimento TAG al file " + T);
      } else if (exists(T)) {
        tag(T, title, number);
      } else {
        log("Errore nell'inserimento delle informazioni di TAG - Il File " + T + " non è stato trovato.");
        ui::MsgBox("Il file non esiste", ui::mb::Critical);
      }
    }
    if (!exists(T)) continue;
    const int row = lv8.addRow(name);
    lv8.setCell(row, lv8c::Description, title);
    lv8.setCell(row, lv8c::Page, page);
  }
  durationFileCount_ += n;
}

void SplitJob::writeIndex(const ListTable& table, int nameColumn, int titleColumn, int pageColumn) {
  bookindex::BookIndex index;
  index.header = book_;
  for (int r = 1; r <= table.rowCount(); ++r) {
    bookindex::FileRecord record;
    record.name = table.cell(r, nameColumn);
    record.markerCount = 1;
    if (r < table.rowCount()) record.next = table.cell(r + 1, nameColumn);
    record.markers.push_back({table.cell(r, titleColumn), 0, table.cell(r, pageColumn)});
    index.files.push_back(std::move(record));
  }
  bookindex::writeBookIndex(fs::path(indexDir_) / "marker.txt", index);
}

void SplitJob::releaseBookLock() {
  if (bookLock_ >= 0) ::close(bookLock_);
  bookLock_ = -1;
}

SplitJob::~SplitJob() { releaseBookLock(); }

void SplitJob::cleanUp() {
  releaseBookLock();
  durationFileCount_ = 0;
  if (hooks.closeProgress) hooks.closeProgress();
  working_ = 0;
  lv4.clear();
  lv6.clear();
  indexFileCount_ = 0;  // the rows of lv6, so the next job counts its own parts
  lv8.clear();
  running_ = false;
  if (hooks.running) hooks.running(false);
  // A job that ended on the stop request says so before the folder opens:
  // the reader would otherwise hear only the window it is back in. A window
  // that is closing says nothing more.
  if (stopAsked_ && unloadPending_ == 0 && result_ == "0")
    ui::MsgBox("Sequenza di taglio interrotta dall'utente.", ui::mb::Information);
  if (result_ == "0" && fields.openWhenDone) tools::OpenWithShell(indexDir_);
  if (unloadPending_ == 1 && hooks.closeWindow) hooks.closeWindow();
}

}  // namespace lumo::splitter
