// The book's folders: where the parts and pieces of a book go, made and
// checked before anything is cut, emptied of an earlier split only when the
// reader agrees, and held by this job (BookLock) until its clean-up.

#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/shell/shell.h"
#include "platform/tools/tools.h"
#include "platform/ui/ui.h"
#include "splitter/core/fields.h"
#include "splitter/core/part_files.h"
#include "splitter/core/splitjob.h"

namespace fs = std::filesystem;

namespace lumo::splitter {
namespace {

// Deletes every "*.mp3" of a folder; a file that cannot go is passed over.
void deleteMp3Files(const std::string& folder) {
  for (const std::string& file : tools::FilesMatching(shell::withSlash(folder) + "*.mp3")) {
    std::error_code ec;
    fs::remove(file, ec);
  }
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

// Empties a folder of the parts of an earlier split, when the reader agrees
// to the question; false when the reader refused.
bool replacesEarlierParts(const std::string& folder, const std::string& question) {
  bool refused = false;
  skipOnError([&] {
    if (tools::FilesMatching(shell::withSlash(folder) + "*.mp3").empty()) return;
    if (ui::MsgBox(question, ui::mb::YesNo, "File mp3 esistenti") == ui::Answer::No)
      refused = true;
    else
      deleteMp3Files(folder);
  });
  return !refused;
}

}  // namespace

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
  if (outputIsSource()) {
    cancelled_ = 1;
    return;
  }
  makeBookFolders();
  if (!writableFolders() || !lockBook() ||
      !replacesEarlierParts(indexDir_,
                            "La cartella contiene già file mp3 splittati.\n"
                            "Procedo con la cancellazione e la successiva riscrittura?")) {
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
  if (!replacesEarlierParts(durationDir_, "La cartella di personalizzazione\n" + durationDir_ +
                                              "\ncontiene già file mp3 splittati. Procedo con la cancellazione e "
                                              "la successiva riscrittura?"))
    cancelled_ = 1;
}

// A book split before and picked again with its own parts as the MP3 files
// would be cut into the folder it is read from, whose MP3 files go first.
bool SplitJob::outputIsSource() {
  for (const std::string& folder :
       {indexDir_, fields.cutByLength ? durationFolder(bookDir_, fields.partMinutes) : std::string()}) {
    if (folder.empty() || !sameFolder(fields.mp3Folder, folder)) continue;
    log("Cartella dei file mp3 uguale alla cartella di destinazione: " + folder);
    ui::MsgBox("La cartella dei file mp3 è quella in cui andrebbero scritti i file tagliati:\n" + folder +
                   "\nScegliere un'altra cartella di esportazione.",
               ui::mb::Critical);
    return true;
  }
  return false;
}

void SplitJob::makeBookFolders() {
  for (const std::string& folder : {fields.exportPath, bookDir_, indexDir_})
    skipOnError([&] {
      std::error_code ec;
      fs::create_directory(folder, ec);
    });
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

// Temporaries in a book folder that this job could lock are leftovers of
// a job that was killed, and go. A book that another job holds is left
// alone: its parts are that job's.
bool SplitJob::lockBook() {
  switch (bookLock_.acquire(bookDir_)) {
    case BookLock::State::Held: removeLeftovers(bookDir_); return true;
    case BookLock::State::HeldElsewhere:
      log("Il libro " + bookDir_ + " è già in elaborazione da un'altra sessione.");
      ui::MsgBox("Il libro è già in elaborazione da un'altra sessione.\n" + bookDir_, ui::mb::Exclamation);
      return false;
    case BookLock::State::Unavailable: break;
  }
  return true;
}

}  // namespace lumo::splitter
