#pragma once
// The bytes of an open file at any position, read through two windows of it
// so that the small reads of the container functions (a header here, a tag
// there) cost one system call per window instead of one each. The analysis,
// the tag writer and the tag reader read their files through it.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/mp3/container.h"

namespace lumo::mp3 {

class FileSource final : public ByteSource {
 public:
  // The first read at a place: it covers the first frames and a VBR header.
  static constexpr size_t kFirstRead = 16 * 1024;

  // Over an open file of `size` bytes, which the source neither owns nor
  // closes. A failed read raises run-time error 75.
  FileSource(int fd, int64_t size);

  int64_t size() const override { return size_; }

  // Asks the system for pages not read yet (POSIX_FADV_WILLNEED).
  void prefetch(int64_t pos, size_t n) override;

  // The n bytes at pos (0-based), or nullptr when they pass the end of the
  // file (or the file shrank meanwhile).
  const uint8_t* at(int64_t pos, size_t n) override;

  // Every frame of the file is going to be read: the system may read ahead
  // (the file was opened for a few places only), and the reads are large. A
  // file of up to 1 MiB is read at once, so the probes and the frame walk
  // that follow cost no further call.
  void readWhole();

  // n bytes at pos into out, of any length and past the windows (one
  // positional read); false when they pass the end of the file.
  bool read(int64_t pos, size_t n, std::string& out);

 private:
  struct Window {
    std::vector<uint8_t> bytes;
    int64_t start = 0;
    size_t filled = 0;
    uint64_t lastUse = 0;
    int64_t end() const { return start + static_cast<int64_t>(filled); }
    bool holds(int64_t pos, size_t n) const {
      return filled > 0 && pos >= start && pos + static_cast<int64_t>(n) <= end();
    }
  };

  Window* holding(int64_t pos, size_t n);
  Window& fill(int64_t pos, size_t n);
  void load(Window& w, int64_t pos, size_t n);

  int fd_;
  int64_t size_;
  std::array<Window, 2> windows_;
  size_t current_ = 0;  // the window read last
  uint64_t uses_ = 0;
  size_t readSize_;
  bool whole_ = false;
};

}  // namespace lumo::mp3
