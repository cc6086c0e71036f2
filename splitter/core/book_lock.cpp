#include "splitter/core/book_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace lumo::splitter {

BookLock::State BookLock::acquire(const std::string& folder) {
  release();
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return State::Unavailable;
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return State::Held;
  if (errno != EWOULDBLOCK) return State::Unavailable;
  release();
  return State::HeldElsewhere;
}

void BookLock::release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace lumo::splitter
