#include "common/file/file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace lumo::file {

void Handle::reset(int fd) noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

int Handle::release() noexcept {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

int Handle::close() noexcept {
  const int fd = release();
  return fd < 0 || ::close(fd) == 0 ? 0 : errno;
}

void raiseFileError(int errnoValue, int denied) {
  switch (errnoValue) {
    case ENOENT:
    case ENOTDIR: throw RuntimeError(err::FileNotFound);
    case EACCES:
    case EPERM: throw RuntimeError(denied);
    default: throw RuntimeError(err::PathFileAccess);
  }
}

OpenFile openFile(const std::string& path, int flags, int denied) {
  OpenFile file;
  file.handle.reset(::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK));
  if (!file.handle.isOpen()) raiseFileError(errno, denied);
  if (::fstat(file.handle.get(), &file.status) != 0) raiseFileError(errno, denied);
  return file;
}

int64_t readAt(int fd, int64_t pos, void* into, size_t n) {
  auto* bytes = static_cast<char*>(into);
  size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(fd, bytes + done, n - done, static_cast<off_t>(pos) + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(done);
}

int writeAll(int fd, const void* data, size_t n) {
  const auto* bytes = static_cast<const char*>(data);
  while (n > 0) {
    const ssize_t put = ::write(fd, bytes, n);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return EIO;  // no room and no error: never loop on it
    bytes += put;
    n -= static_cast<size_t>(put);
  }
  return 0;
}

}  // namespace lumo::file
