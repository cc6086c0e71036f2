#pragma once
// An open file of the suite: the descriptor that closes itself, the
// run-time error of a file that cannot be opened or read, and the reads and
// writes that go on until every byte asked for has moved.

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/errors/errors.h"

namespace lumo::file {

// An open file descriptor, closed when the handle goes (on every way out,
// errors included).
class Handle {
 public:
  Handle() = default;
  explicit Handle(int fd) noexcept : fd_(fd) {}
  ~Handle() { reset(); }
  Handle(Handle&& other) noexcept : fd_(other.release()) {}
  Handle& operator=(Handle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  int get() const noexcept { return fd_; }
  bool isOpen() const noexcept { return fd_ >= 0; }
  // Closes the file held (if any) and holds fd instead.
  void reset(int fd = -1) noexcept;
  // Gives the descriptor up without closing it.
  int release() noexcept;
  // Closes the file now: 0, or the errno of a failed close (written data
  // may fail only now, on some file systems).
  int close() noexcept;

 private:
  int fd_ = -1;
};

// Raises the run-time error of a file that cannot be opened, examined or
// read: 53 where its path leads to no file (ENOENT, ENOTDIR), `denied` where
// the user may not open it (EACCES, EPERM), 75 for any other cause.
[[noreturn]] void raiseFileError(int errnoValue, int denied = err::PathFileAccess);

// An open file and what the system said of it at the open.
struct OpenFile {
  Handle handle;
  struct stat status {};
  bool regular() const { return S_ISREG(status.st_mode); }
};

// Opens a file (flags: O_RDONLY or O_RDWR) and reads its status, raising as
// raiseFileError when either fails. The descriptor is close-on-exec and
// opened O_NONBLOCK: should the name have turned into a FIFO since the
// caller looked, the open must not hang (the flag does nothing to regular
// files).
OpenFile openFile(const std::string& path, int flags, int denied = err::PathFileAccess);

// Reads the n bytes at pos of an open file into `into`, fewer only where
// the file ends; -1 with errno set when the system cannot read.
int64_t readAt(int fd, int64_t pos, void* into, size_t n);

// Writes all n bytes at the file's position: 0, or the errno of the failure.
int writeAll(int fd, const void* data, size_t n);

}  // namespace lumo::file
