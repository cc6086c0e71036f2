// CopyFiles: files copied under a temporary name, asked about before replacing.

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "common/file/file.h"
#include "common/file/replacement.h"
#include "common/tools/copy_range.h"
#include "platform/shell/shell.h"
#include "platform/tools/tools.h"
#include "platform/ui/ui.h"

namespace fs = std::filesystem;

namespace lumo::tools {
namespace {

std::string withoutSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

struct CopyItem {
  fs::path source;
  fs::path target;
};

CopyProgressHook& progressHook() {
  static CopyProgressHook hook;
  return hook;
}

void report(const CopyProgress& progress) {
  if (const CopyProgressHook hook = progressHook()) hook(progress);
}

enum class Overwrite { Replace, Keep, Cancel };

Overwrite askOverwrite(const fs::path& target) {
  const std::string text = "La cartella di destinazione contiene già un file denominato \"" +
                           target.filename().string() + "\".\nSostituire il file esistente?";
  switch (ui::MsgBox(text, ui::mb::YesNoCancel | ui::mb::Question, "Conferma sostituzione file")) {
    case ui::Answer::Yes: return Overwrite::Replace;
    case ui::Answer::No: return Overwrite::Keep;
    default: return Overwrite::Cancel;
  }
}

// Copies one file under a temporary name beside its target, with the
// source's mode and modification time, and renames it into place; on any
// failure the temporary file is removed and the target left as it was.
bool copyOne(const CopyItem& item) {
  std::error_code ec;
  fs::create_directories(item.target.parent_path(), ec);
  const file::Handle in(::open(item.source.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (!in.isOpen() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  file::ReplacementFile out(item.target,
                            {.prefix = "." + item.target.filename().string() + ".part-", .suffix = "", .mode = 0600});
  if (out.create() != 0 || CopyRange(in.get(), 0, st.st_size, out.fd()) != 0) return false;
  if (::fchmod(out.fd(), st.st_mode & 07777) != 0) return false;
  const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
  ::futimens(out.fd(), times);
  return out.commit() == 0;
}

// What a source names: the files of a wildcard, one file, or every file of
// a folder's tree (copied into a folder of the same name).
std::vector<CopyItem> itemsToCopy(const std::string& source, const fs::path& destination) {
  std::vector<CopyItem> items;
  const fs::path path(source);
  if (hasWildcard(path.filename().string())) {
    for (const std::string& file : FilesMatching(source))
      items.push_back({file, destination / fs::path(file).filename()});
    return items;
  }
  const fs::path resolved = shell::resolvePath(withoutSlash(source));
  std::error_code ec;
  if (fs::is_regular_file(resolved, ec)) {
    items.push_back({resolved, destination / resolved.filename()});
  } else if (fs::is_directory(resolved, ec)) {
    const fs::path base = destination / resolved.filename();
    for (fs::recursive_directory_iterator it(resolved, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_regular_file(ec)) items.push_back({it->path(), base / fs::relative(it->path(), resolved, ec)});
  }
  return items;
}

}  // namespace

CopyProgressHook setCopyProgressHook(CopyProgressHook hook) {
  CopyProgressHook previous = std::move(progressHook());
  progressHook() = std::move(hook);
  return previous;
}

bool CopyFiles(const std::string& Source, const std::string& Destination, bool NoConfirm) {
  const fs::path destination = shell::resolvePath(withoutSlash(Destination));
  std::error_code ec;
  fs::create_directories(destination, ec);
  if (!fs::is_directory(destination, ec)) return false;
  const std::vector<CopyItem> items = itemsToCopy(Source, destination);
  if (items.empty()) return false;

  CopyProgress progress;
  progress.fileCount = static_cast<int>(items.size());
  for (const CopyItem& item : items) progress.bytesTotal += fs::file_size(item.source, ec);
  for (const CopyItem& item : items) {
    ++progress.fileIndex;
    progress.file = item.source.filename().string();
    report(progress);
    const uint64_t size = fs::file_size(item.source, ec);
    // A file copied onto itself is already where it should be.
    if (fs::equivalent(item.source, item.target, ec)) {
      progress.bytesDone += size;
      continue;
    }
    if (!NoConfirm && fs::exists(fs::symlink_status(item.target, ec))) {
      const Overwrite answer = askOverwrite(item.target);
      if (answer == Overwrite::Cancel) return false;
      if (answer == Overwrite::Keep) {
        progress.bytesDone += size;
        continue;
      }
    }
    if (!copyOne(item)) return false;
    progress.bytesDone += size;
  }
  progress.finished = true;
  progress.file.clear();
  report(progress);
  return true;
}

}  // namespace lumo::tools
