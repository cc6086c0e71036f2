#include "converter/core/staging.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "common/errors/errors.h"
#include "common/file/file.h"
#include "common/text/text.h"
#include "common/tools/copy_range.h"

namespace lumo::converter {
namespace {

// Hidden names beside the fileset folder: the folder being written, and
// (where the file system cannot exchange two folders) the previous fileset
// on its way out.
constexpr std::string_view kNewPrefix = ".lumo-new-";
constexpr std::string_view kOldPrefix = ".lumo-old-";

struct Entry {
  std::string name;
  unsigned char type;  // DT_DIR, DT_REG, ... (DT_UNKNOWN resolved)
};

// The entries of an open folder, "." and ".." left out.
std::vector<Entry> entriesOf(int dirFd) {
  std::vector<Entry> entries;
  const int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return entries;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return entries;
  }
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_LNK;
    }
    entries.push_back({std::string(name), type});
  }
  ::closedir(dir);
  return entries;
}

// Removes a folder's whole tree; what cannot go is passed over.
void removeTree(int parentFd, const std::string& name) {
  const int fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) {
    const file::Handle dir(fd);
    for (const Entry& e : entriesOf(fd)) {
      if (e.type == DT_DIR)
        removeTree(fd, e.name);
      else
        ::unlinkat(fd, e.name.c_str(), 0);
    }
  }
  ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR);
}

bool exists(int dirFd, const std::string& name) {
  struct stat st {};
  return ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Copies one file into a folder as a new file of the given name, with the
// source's modification time. 0 or the errno of the failure.
int copyFileInto(int sourceDirFd, const std::string& source, int targetDirFd, const std::string& name) {
  const file::Handle in(::openat(sourceDirFd, source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return errno;
  struct stat st {};
  if (::fstat(in.get(), &st) != 0) return errno;
  file::Handle out(::openat(targetDirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777));
  if (out.get() < 0) return errno;
  int error = tools::CopyRange(in.get(), 0, st.st_size, out.get());
  const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
  if (error == 0) ::futimens(out.get(), times);
  if (const int closed = out.close(); error == 0) error = closed;
  if (error != 0) ::unlinkat(targetDirFd, name.c_str(), 0);
  return error;
}

bool& exchangeUnavailable() {
  static bool unavailable = false;
  return unavailable;
}

CommitStepHook& commitStepHook() {
  static CommitStepHook hook;
  return hook;
}

void reached(CommitStep step) {
  if (commitStepHook()) commitStepHook()(step);
}

CopyFaultHook& copyFault() {
  static CopyFaultHook hook;
  return hook;
}

// Six characters for a hidden name of our own, as mkdtemp picks them.
std::string randomSuffix() {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[6] = {};
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    static unsigned counter = 0;
    uint64_t seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                    (static_cast<uint64_t>(::getpid()) << 32) ^ ++counter;
    for (unsigned char& b : bytes) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      b = static_cast<unsigned char>(seed >> 56);
    }
  }
  std::string suffix;
  for (const unsigned char b : bytes) suffix += kChars[b % (sizeof kChars - 1)];
  return suffix;
}

// Makes a new folder "<prefix>XXXXXX" in dirFd with the mode the user's
// umask (and a default ACL) gives any new folder, where mkdtemp would
// leave it readable by its owner alone. Its name, or "" with errno set.
std::string makeHiddenFolder(int dirFd, std::string_view prefix) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = std::string(prefix) + randomSuffix();
    if (::mkdirat(dirFd, name.c_str(), 0777) == 0) return name;
    if (errno != EEXIST) return {};
  }
  errno = EEXIST;
  return {};
}

// Writes one file into a folder: one open, one write, one close. Throws
// RuntimeError 75 naming `shown`.
void writeFileAt(int dirFd, const std::string& name, const std::string& shown, std::string_view bytes) {
  file::Handle out(::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!out.isOpen()) throw fileAccessError(shown, errno);
  if (const int error = file::writeAll(out.get(), bytes.data(), bytes.size())) throw fileAccessError(shown, error);
  if (const int error = out.close()) throw fileAccessError(shown, error);
}

// The two renames that put the new fileset in place where the file system
// cannot exchange two folders: the previous fileset steps aside, then the
// new one takes its name. Between the two the book has no fileset, so they
// run in a child process of their own that blocks every signal it can: a
// kill of the converter (kill -9, a crash, the window closed by force)
// cannot stop them halfway, the child finishes both. 0, or the errno of the
// failure with the previous fileset back in place.
int renameAside(int dirFd, const std::string& name, const std::string& aside, const std::string& stage) {
  const auto both = [&]() -> int {
    if (::renameat(dirFd, name.c_str(), dirFd, aside.c_str()) != 0) return errno;
    reached(CommitStep::AsideOnly);
    if (::renameat(dirFd, stage.c_str(), dirFd, name.c_str()) != 0) {
      const int error = errno;
      ::renameat(dirFd, aside.c_str(), dirFd, name.c_str());
      return error;
    }
    return 0;
  };
  const pid_t child = ::fork();
  if (child < 0) return both();  // no process to spare: the two renames here
  if (child == 0) {
    // Only system calls from here on, as a child of a threaded program may.
    sigset_t all;
    ::sigfillset(&all);
    ::sigprocmask(SIG_SETMASK, &all, nullptr);
    const int error = both();
    ::_exit(error > 0 && error < 256 ? error : error == 0 ? 0 : EIO);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return errno;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  // The child was killed itself (a signal to the whole process group):
  // take the state it left as it stands, with the previous fileset back
  // where the new one did not arrive.
  struct stat st {};
  if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
    return ::fstatat(dirFd, stage.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 ? EINTR : 0;
  ::renameat(dirFd, aside.c_str(), dirFd, name.c_str());
  return EINTR;
}

// Swaps two entries of a folder atomically; EINVAL where the file system cannot.
int exchange(int dirFd, const std::string& a, const std::string& b) {
  if (exchangeUnavailable()) {
    errno = EINVAL;
    return -1;
  }
  return ::renameat2(dirFd, a.c_str(), dirFd, b.c_str(), RENAME_EXCHANGE);
}

bool startsWith(const std::string& s, std::string_view prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

bool setExchangeUnavailableForTesting(bool unavailable) { return std::exchange(exchangeUnavailable(), unavailable); }

CommitStepHook setCommitStepHookForTesting(CommitStepHook hook) {
  return std::exchange(commitStepHook(), std::move(hook));
}

CopyFaultHook setCopyFaultForTesting(CopyFaultHook hook) { return std::exchange(copyFault(), std::move(hook)); }

bool isFilesetName(const std::string& name) {
  if (name == "ncc.html" || name == "discinfo.html") return true;
  if (name.size() == 14 && startsWith(name, "clp") && name.ends_with(".smil") &&
      name.find_first_not_of("0123456789", 3) == 9)
    return true;
  return name.size() > 4 && text::iequals(std::string_view(name).substr(name.size() - 4), ".mp3");
}

StagedFileset::StagedFileset(std::string filesetFolder, std::string bookFolder)
    : filesetFolder_(std::move(filesetFolder)), bookFolder_(std::move(bookFolder)) {
  const std::filesystem::path path(filesetFolder_);
  parent_ = path.parent_path().string();
  name_ = path.filename().string();
  parentFd_ = ::open(parent_.empty() ? "." : parent_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parentFd_ < 0) throw fileAccessError(filesetFolder_, errno);
  bookFd_ = ::open(bookFolder_.empty() ? "." : bookFolder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (bookFd_ < 0) {
    const int error = errno;
    ::close(parentFd_);
    throw fileAccessError(bookFolder_, error);
  }

  // What an interrupted conversion left: a previous fileset that a folder
  // rename had moved out of the way goes back, and each leftover hands on
  // the producer's files that had not reached the fileset yet.
  std::vector<std::string> leftovers;
  for (const Entry& e : entriesOf(parentFd_))
    if (e.type == DT_DIR && (startsWith(e.name, kNewPrefix) || startsWith(e.name, kOldPrefix)))
      leftovers.push_back(e.name);
  for (const std::string& leftover : leftovers)
    if (startsWith(leftover, kOldPrefix) && !exists(parentFd_, name_))
      ::renameat(parentFd_, leftover.c_str(), parentFd_, name_.c_str());
  for (const std::string& leftover : leftovers)
    if (exists(parentFd_, leftover)) retire(leftover);
  // A discinfo.html that had not reached its place.
  for (const Entry& e : entriesOf(bookFd_))
    if (e.type == DT_REG && startsWith(e.name, kNewPrefix)) ::unlinkat(bookFd_, e.name.c_str(), 0);

  stageName_ = makeHiddenFolder(parentFd_, kNewPrefix);
  if (stageName_.empty()) {
    const int error = errno;
    ::close(bookFd_);
    ::close(parentFd_);
    throw fileAccessError(filesetFolder_, error);
  }
  stageFd_ = ::openat(parentFd_, stageName_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (stageFd_ < 0) {
    const int error = errno;
    ::unlinkat(parentFd_, stageName_.c_str(), AT_REMOVEDIR);
    ::close(bookFd_);
    ::close(parentFd_);
    throw fileAccessError(filesetFolder_, error);
  }
}

StagedFileset::~StagedFileset() {
  stopCopy();  // before its folder goes
  if (stageFd_ >= 0) ::close(stageFd_);
  if (!committed_) removeTree(parentFd_, stageName_);
  if (!discinfoName_.empty()) ::unlinkat(bookFd_, discinfoName_.c_str(), 0);
  ::close(bookFd_);
  ::close(parentFd_);
}

void StagedFileset::write(const std::string& name, std::string_view bytes) {
  if (name == "discinfo.html") return writeDiscinfo(bytes);
  const std::string shown = filesetFolder_ + "/" + name;
  if (name.size() > 255) throw fileAccessError(shown, ENAMETOOLONG);
  writeFileAt(stageFd_, name, shown, bytes);
}

// discinfo.html waits in the book folder under a hidden name, not in the
// new fileset: a kill right after the fileset is put in place then leaves
// nothing in it that is no part of a fileset.
void StagedFileset::writeDiscinfo(std::string_view bytes) {
  if (discinfoName_.empty()) discinfoName_ = stageName_ + ".discinfo.html";
  writeFileAt(bookFd_, discinfoName_, bookFolder_ + "/discinfo.html", bytes);
}

bool StagedFileset::copyAudio(const std::vector<std::string>& files, const Progress& progress) {
  beginCopyAudio(files);
  return endCopyAudio(progress);
}

void StagedFileset::beginCopyAudio(std::vector<std::string> files) {
  stopCopy();
  copyFiles_ = std::move(files);
  copyBegun_ = copyReported_ = 0;
  copyEnded_ = false;
  copyFailure_ = {};
  copyStop_ = false;
  try {
    copyThread_ = std::thread([this] { copyFiles(); });
  } catch (const std::system_error&) {
    copyFiles();  // no thread to spare: the copy runs here, before the caller goes on
  }
}

void StagedFileset::copyFiles() {
  CopyFailure failure;
  for (size_t f = 0; f < copyFiles_.size() && !copyStop_; ++f) {
    const std::string& file = copyFiles_[f];
    {
      const std::lock_guard lock(copyMutex_);
      ++copyBegun_;
    }
    copyChanged_.notify_all();
    int error = 0;
    try {
      error = copyFault() ? copyFault()(file) : 0;
      if (error == 0) error = copyFileInto(AT_FDCWD, file, stageFd_, std::filesystem::path(file).filename().string());
    } catch (...) {
      error = ENOMEM;
    }
    if (error != 0) {
      failure = {file, error};
      break;
    }
  }
  {
    const std::lock_guard lock(copyMutex_);
    copyFailure_ = std::move(failure);
    copyEnded_ = true;
  }
  copyChanged_.notify_all();
}

void StagedFileset::reportCopyProgress(const Progress& progress) {
  int begun = 0;
  {
    const std::lock_guard lock(copyMutex_);
    begun = copyBegun_;
  }
  tools::CopyProgress p;
  p.fileCount = static_cast<int>(copyFiles_.size());
  for (; copyReported_ < begun; ++copyReported_) {
    p.fileIndex = copyReported_ + 1;
    p.file = std::filesystem::path(copyFiles_[static_cast<size_t>(copyReported_)]).filename().string();
    if (progress) progress(p);
  }
}

bool StagedFileset::endCopyAudio(const Progress& progress, const std::function<void()>& yield) {
  for (;;) {
    bool ended = false;
    {
      std::unique_lock lock(copyMutex_);
      const auto news = [&] { return copyEnded_ || copyBegun_ > copyReported_; };
      if (yield)
        copyChanged_.wait_for(lock, std::chrono::milliseconds(20), news);
      else
        copyChanged_.wait(lock, news);
      ended = copyEnded_;
    }
    reportCopyProgress(progress);
    if (ended) break;
    if (yield) yield();
  }
  if (copyThread_.joinable()) copyThread_.join();
  if (!copyFailure_.file.empty()) return false;
  tools::CopyProgress p;
  p.fileCount = p.fileIndex = static_cast<int>(copyFiles_.size());
  p.finished = true;
  if (progress) progress(p);
  return true;
}

bool StagedFileset::copyHasFailed() {
  const std::lock_guard lock(copyMutex_);
  return copyEnded_ && !copyFailure_.file.empty();
}

void StagedFileset::stopCopy() {
  if (!copyThread_.joinable()) return;
  copyStop_ = true;
  copyThread_.join();
}

// The previous fileset folder's files that the new fileset keeps: the
// producer's own, and the audio when it is kept. They are linked into the
// new folder (copied where the file system has no links), so the new
// fileset is whole before it is put in place; folders are moved in by
// retire() afterwards.
void StagedFileset::carryPrevious() {
  const file::Handle previous(::openat(parentFd_, name_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (previous.get() < 0) return;
  for (const Entry& e : entriesOf(previous.get())) {
    const bool audio = e.type == DT_REG && isFilesetName(e.name) && !startsWith(e.name, "clp") &&
                       e.name != "ncc.html" && e.name != "discinfo.html";
    if (isFilesetName(e.name) && !(audio && keepAudio_)) continue;
    if (exists(stageFd_, e.name)) continue;  // the new fileset's own file wins
    if (e.type == DT_DIR) continue;
    if (::linkat(previous.get(), e.name.c_str(), stageFd_, e.name.c_str(), 0) == 0) continue;
    if (e.type != DT_REG) continue;
    if (const int error = copyFileInto(previous.get(), e.name, stageFd_, e.name); error != 0)
      throw fileAccessError(filesetFolder_ + "/" + e.name, error);
  }
}

// Hands the entries that no fileset holds (the producer's own) over to the
// fileset folder where it lacks them, then removes what is left of a
// previous fileset or of an interrupted conversion.
void StagedFileset::retire(const std::string& name) {
  const file::Handle fileset(::openat(parentFd_, name_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const file::Handle old(::openat(parentFd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fileset.get() >= 0 && old.get() >= 0)
    for (const Entry& e : entriesOf(old.get()))
      if (!isFilesetName(e.name) && !exists(fileset.get(), e.name))
        ::renameat(old.get(), e.name.c_str(), fileset.get(), e.name.c_str());
  removeTree(parentFd_, name);
}

// Each step leaves the fileset folder whole: until the new fileset is in
// place it holds the previous one (the new one, and discinfo.html, wait
// under hidden names), from then on the new one. A kill leaves at most
// hidden leftovers beside it, which the next conversion clears.
void StagedFileset::commit() {
  // A copy not waited for yet ends first; a fileset without its audio is not put in place.
  if (copyThread_.joinable()) copyThread_.join();
  if (!copyFailure_.file.empty())
    throw fileAccessError(filesetFolder_ + "/" + std::filesystem::path(copyFailure_.file).filename().string(),
                          copyFailure_.error);
  carryPrevious();
  reached(CommitStep::Carried);
  ::close(stageFd_);
  stageFd_ = -1;
  std::string retired;
  if (!exists(parentFd_, name_)) {
    if (::renameat(parentFd_, stageName_.c_str(), parentFd_, name_.c_str()) != 0)
      throw fileAccessError(filesetFolder_, errno);
  } else if (exchange(parentFd_, stageName_, name_) == 0) {
    retired = stageName_;  // the previous fileset now bears the hidden name
  } else {
    // No exchange on this file system: the previous fileset steps aside
    // under a name that the next conversion would put back, had the new
    // one not arrived.
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) throw fileAccessError(filesetFolder_, errno);
    retired = std::string(kOldPrefix) + stageName_.substr(kNewPrefix.size());
    if (const int error = renameAside(parentFd_, name_, retired, stageName_); error != 0)
      throw fileAccessError(filesetFolder_, error);
  }
  committed_ = true;
  reached(CommitStep::InPlace);
  if (!discinfoName_.empty()) {
    if (::renameat(bookFd_, discinfoName_.c_str(), bookFd_, "discinfo.html") != 0) {
      const int error = errno;
      if (!retired.empty()) retire(retired);
      throw fileAccessError(bookFolder_ + "/discinfo.html", error);  // the destructor drops the hidden copy
    }
    discinfoName_.clear();
  }
  reached(CommitStep::DiscinfoPlaced);
  if (!retired.empty()) retire(retired);
}

}  // namespace lumo::converter
