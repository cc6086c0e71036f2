#include "common/mp3/file_source.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>

#include "common/file/file.h"

namespace lumo::mp3 {

namespace {

// Reading on from the first read (kFirstRead) doubles the read up to the
// largest, so a frame walk over a long book file stays at a few hundred
// calls while a file measured from its header costs a few pages.
constexpr size_t kLargestRead = 256 * 1024;
constexpr size_t kJumpRead = 4096;
// A file whose every frame is read (no VBR header to count from) is read in
// one piece up to this size, and in pieces of this size beyond it.
constexpr size_t kWholeRead = 1024 * 1024;

}  // namespace

FileSource::FileSource(int fd, int64_t size) : fd_(fd), size_(size), readSize_(kFirstRead) {}

void FileSource::prefetch(int64_t pos, size_t n) {
  if (holding(pos, n) != nullptr) return;  // already read
  ::posix_fadvise(fd_, static_cast<off_t>(pos), static_cast<off_t>(n), POSIX_FADV_WILLNEED);
}

const uint8_t* FileSource::at(int64_t pos, size_t n) {
  if (pos < 0 || pos + static_cast<int64_t>(n) > size_) return nullptr;
  Window* w = holding(pos, n);
  if (w == nullptr) {
    w = &fill(pos, n);
    if (!w->holds(pos, n)) return nullptr;  // the file shrank
  }
  w->lastUse = ++uses_;
  return w->bytes.data() + (pos - w->start);
}

void FileSource::readWhole() {
  whole_ = true;
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  if (size_ <= static_cast<int64_t>(kWholeRead) && holding(0, static_cast<size_t>(size_)) == nullptr)
    load(windows_[current_], 0, static_cast<size_t>(size_));
}

bool FileSource::read(int64_t pos, size_t n, std::string& out) {
  out.resize(n);
  const int64_t got = file::readAt(fd_, pos, out.data(), n);
  if (got < 0) file::raiseFileError(errno);
  return static_cast<size_t>(got) == n;
}

FileSource::Window* FileSource::holding(int64_t pos, size_t n) {
  for (Window& w : windows_)
    if (w.holds(pos, n)) return &w;
  return nullptr;
}

FileSource::Window& FileSource::fill(int64_t pos, size_t n) {
  // Reading on from the window read last (the search moving on, the frame
  // walk) reuses it and doubles the read; once the whole file is to be
  // read, the read is large at once. A read goes on from that window when
  // it begins inside it or less than a page past its end (the next frame's
  // header behind a frame that the window cut); the probes of a
  // constant-bitrate file, many pages apart, must not read the gaps.
  Window& last = windows_[current_];
  const bool onward = last.filled > 0 && pos >= last.start && pos < last.end() + static_cast<int64_t>(kJumpRead);
  if (onward) {
    readSize_ = whole_ ? kWholeRead : std::min(readSize_ * 2, kLargestRead);
    load(last, pos, std::max(readSize_, n));
    return last;
  }
  // A look elsewhere (a probe, the tags at the end) reads the pages it
  // needs, from a page's start, into the window used longer ago.
  const bool first = last.filled == 0;
  current_ = windows_[0].lastUse <= windows_[1].lastUse ? 0 : 1;
  Window& other = windows_[current_];
  readSize_ = first ? kFirstRead : kJumpRead;
  if (!first) {
    n += static_cast<size_t>(pos % static_cast<int64_t>(kJumpRead));
    pos -= pos % static_cast<int64_t>(kJumpRead);
  }
  load(other, pos, std::max(readSize_, n));
  return other;
}

// Reads up to n bytes at pos into w (fewer where the file ends).
void FileSource::load(Window& w, int64_t pos, size_t n) {
  const size_t want = std::min(n, static_cast<size_t>(size_ - pos));
  if (w.bytes.size() < want) w.bytes.resize(want);
  w.start = pos;
  w.filled = 0;
  const int64_t got = file::readAt(fd_, pos, w.bytes.data(), want);
  if (got < 0) file::raiseFileError(errno);
  w.filled = static_cast<size_t>(got);
  w.lastUse = ++uses_;
}

}  // namespace lumo::mp3
