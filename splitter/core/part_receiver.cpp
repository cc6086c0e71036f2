#include "splitter/core/part_receiver.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "common/errors/errors.h"

namespace lumo::splitter {
namespace {

constexpr size_t kBuffer = 1024 * 1024;
constexpr int kPipeSize = 1024 * 1024;
constexpr useconds_t kNapMicroseconds = 300;

bool writeAt(int fd, const char* data, size_t n, int64_t at, int& error) {
  while (n > 0) {
    const ssize_t put = ::pwrite(fd, data, n, static_cast<off_t>(at));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      error = put < 0 ? errno : EIO;
      return false;
    }
    data += put;
    n -= static_cast<size_t>(put);
    at += put;
  }
  return true;
}

}  // namespace

PartReceiver::PartReceiver(const std::string& folder, std::vector<PartToReceive> parts) : parts_(std::move(parts)) {
  channels_.reserve(parts_.size());
  bool made = true;
  for (size_t k = 0; k < parts_.size() && made; ++k) {
    Channel c;
    try {
      c.tag = parts_[k].tag.TagBytes();
    } catch (const std::exception&) {
      continue;  // the tag writer reports it on the part itself
    }
    c.tagger = &parts_[k].tag;
    c.path = folder + "/" + parts_[k].name;
    c.outPath = folder + "/.part-" + std::to_string(k + 1);
    if (::mkfifo(c.path.c_str(), 0600) != 0) {
      made = false;
      break;
    }
    // Held open for reading from the start: what the engine writes into a
    // FIFO that nobody holds would be lost when it closes it.
    c.fifo = ::open(c.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (c.fifo < 0 || ::fstat(c.fifo, &st) != 0) made = false;
    c.inode = st.st_ino;
    channels_.push_back(std::move(c));
  }
  if (made && ::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) made = false;
  if (made) {
    try {
      buffer_.resize(kBuffer);
      thread_ = std::thread([this] { run(); });
    } catch (const std::exception&) {
      made = false;
    }
  }
  if (!made) tearDown();
}

PartReceiver::~PartReceiver() {
  finish();
  tearDown();
}

void PartReceiver::tearDown() {
  for (Channel& c : channels_) {
    if (c.fifo >= 0) ::close(c.fifo);
    if (c.out >= 0) ::close(c.out);
    c.fifo = c.out = -1;
    if (!c.done) {
      removeFifo(c);
      ::unlink(c.outPath.c_str());
    }
  }
  channels_.clear();
  for (int& fd : wake_) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void PartReceiver::finish() {
  if (!thread_.joinable()) return;
  const char stop = 1;
  while (::write(wake_[1], &stop, 1) < 0 && errno == EINTR) {
  }
  thread_.join();
}

void PartReceiver::run() {
  // The engine must never wait on a FIFO nobody reads: every failure here
  // leaves the loop serving the FIFOs until the engine has ended.
  bool stopping = false;
  std::vector<pollfd> fds;
  std::vector<Channel*> served;
  for (;;) {
    fds.clear();
    served.clear();
    for (Channel& c : channels_) {
      if (c.done) continue;
      fds.push_back({c.fifo, POLLIN, 0});
      served.push_back(&c);
    }
    if (!stopping) fds.push_back({wake_[0], POLLIN, 0});
    // Once the engine has ended, what it wrote is all there: a look without
    // waiting, until no FIFO has anything more.
    const int ready = ::poll(fds.data(), fds.size(), stopping ? 0 : -1);
    if (ready < 0) {
      if (errno != EINTR) ::usleep(1000);
      continue;
    }
    bool any = false, writing = false;
    for (size_t i = 0; i < served.size(); ++i) {
      if (fds[i].revents == 0) continue;
      any = true;
      serve(*served[i]);
      writing = writing || !served[i]->done;
    }
    if (stopping && !any) return;
    if (!stopping && fds.back().revents != 0) stopping = true;
    // mp3splt writes 4 KiB at a time: a short wait lets a part's pipe fill
    // (it holds 1 MiB), so that it is taken in large pieces rather than
    // with a wake-up and a few calls for every 4 KiB.
    if (writing && !stopping) ::usleep(kNapMicroseconds);
  }
}

void PartReceiver::serve(Channel& c) {
  for (;;) {
    if (splice_ && !c.discard && (c.out >= 0 || openOut(c))) {
      // From the pipe into the file in the kernel, with no copy through here.
      auto at = static_cast<loff_t>((c.raw ? 0 : c.tag.size()) + static_cast<size_t>(c.written));
      const ssize_t moved = ::splice(c.fifo, nullptr, c.out, &at, kBuffer, SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
      if (moved > 0) {
        c.written += moved;
        continue;
      }
      if (moved == 0) break;
      const int error = errno;
      if (error == EINTR) continue;
      if (error == EAGAIN) return;
      if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
        splice_ = false;  // the file system takes no splice: read and write
        continue;
      }
      // The write failed and the bytes are still in the pipe. The tagged
      // part does not fit (a full disk, a size limit): the engine's bytes
      // alone may, as the engine would have written them.
      if (c.raw || !untag(c)) drop(c, error);
      continue;
    }
    const ssize_t got = ::read(c.fifo, buffer_.data(), buffer_.size());
    if (got > 0) {
      put(c, buffer_.data(), static_cast<size_t>(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EAGAIN) return;
    break;
  }
  // End of the part: the engine has closed it (or it cannot be read on).
  complete(c);
}

// Creates the part's file with its tag in front; false when it cannot be
// written (the part is then dropped).
bool PartReceiver::openOut(Channel& c) {
  // A larger pipe for the part being written (where the system allows it).
  ::fcntl(c.fifo, F_SETPIPE_SZ, kPipeSize);
  c.out = ::open(c.outPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (c.out < 0) {
    drop(c, errno);
    return false;
  }
  int error = 0;
  if (!writeAt(c.out, c.tag.data(), c.tag.size(), 0, error) && !untag(c)) {
    drop(c, error);
    return false;
  }
  return true;
}

void PartReceiver::put(Channel& c, const char* data, size_t n) {
  if (c.discard || (c.out < 0 && !openOut(c))) return;
  int error = 0;
  const int64_t at = (c.raw ? 0 : static_cast<int64_t>(c.tag.size())) + c.written;
  if (!writeAt(c.out, data, n, at, error)) {
    // The tagged part does not fit (a full disk, a size limit): the engine's
    // bytes alone may, as the engine would have written them.
    if (c.raw || !untag(c) || !writeAt(c.out, data, n, c.written, error)) return drop(c, error);
  }
  c.written += static_cast<int64_t>(n);
}

// Moves the engine's bytes written so far to the file's start, dropping the
// tag in front of them; they are then what the engine itself would have
// written.
bool PartReceiver::untag(Channel& c) {
  if (c.raw) return true;
  const auto shift = static_cast<int64_t>(c.tag.size());
  std::vector<char> block(std::min<size_t>(kBuffer, static_cast<size_t>(std::max<int64_t>(c.written, 1))));
  int error = 0;
  for (int64_t pos = 0; pos < c.written;) {
    const auto want = static_cast<size_t>(std::min<int64_t>(c.written - pos, static_cast<int64_t>(block.size())));
    const ssize_t got = ::pread(c.out, block.data(), want, static_cast<off_t>(pos + shift));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || !writeAt(c.out, block.data(), static_cast<size_t>(got), pos, error)) return false;
    pos += got;
  }
  if (::ftruncate(c.out, static_cast<off_t>(c.written)) != 0) return false;
  c.raw = true;
  return true;
}

void PartReceiver::drop(Channel& c, int error) {
  if (failure_.empty()) failure_ = "impossibile scrivere " + c.path + " (" + ioErrorCause(error) + ")";
  c.discard = true;
  if (c.out >= 0) ::close(c.out);
  c.out = -1;
  ::unlink(c.outPath.c_str());
}

// Removes the FIFO of a part that has no file: no regular file stands
// under its name, so the job sees no part there.
void PartReceiver::removeFifo(const Channel& c) {
  struct stat st {};
  if (::lstat(c.path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode) && st.st_ino == c.inode) ::unlink(c.path.c_str());
}

void PartReceiver::complete(Channel& c) {
  ::close(c.fifo);
  c.fifo = -1;
  c.done = true;
  if (!c.discard && c.out < 0) put(c, nullptr, 0);  // an empty part: a file all the same
  bool whole = false;
  if (!c.discard && !c.raw) {
    try {
      whole = c.tagger->CompleteTaggedFile(c.out);
    } catch (const std::exception&) {
      whole = false;
    }
    // Not as the tag writer would tag it: the engine's bytes alone, and the
    // tag writer decides on them.
    if (!whole && !untag(c)) drop(c, EIO);
  }
  if (c.discard) return removeFifo(c);
  // The name must still be the FIFO the engine wrote into (the engine did
  // not remove its part meanwhile).
  struct stat st {};
  const bool ours = ::lstat(c.path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode) && st.st_ino == c.inode;
  const int closed = ::close(c.out);
  c.out = -1;
  if (!ours) {
    ::unlink(c.outPath.c_str());
    return;
  }
  if (closed != 0 || ::rename(c.outPath.c_str(), c.path.c_str()) != 0) {
    drop(c, closed != 0 ? EIO : errno);
    return removeFifo(c);
  }
  if (whole) tagged_.insert(c.path);
}

}  // namespace lumo::splitter
