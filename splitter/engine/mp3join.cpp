#include "splitter/engine/mp3join.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

#include "common/errors/errors.h"
#include "common/mp3/frame_header.h"
#include "common/text/text.h"

namespace fs = std::filesystem;

namespace lumo::splitter {
namespace {

using Bytes = std::string;

uint32_t be32(const Bytes& b, size_t at) {
  return (uint32_t{static_cast<uint8_t>(b[at])} << 24) | (uint32_t{static_cast<uint8_t>(b[at + 1])} << 16) |
         (uint32_t{static_cast<uint8_t>(b[at + 2])} << 8) | uint32_t{static_cast<uint8_t>(b[at + 3])};
}

void putBe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
}

// Where the audio begins: after every ID3v2 tag at the start of the file.
size_t audioStart(const Bytes& b) {
  size_t at = 0;
  while (at + 10 <= b.size() && std::memcmp(b.data() + at, "ID3", 3) == 0) {
    const auto* p = reinterpret_cast<const uint8_t*>(b.data() + at);
    if ((p[6] | p[7] | p[8] | p[9]) & 0x80) break;  // no syncsafe size: not a tag
    const size_t size = (size_t{p[6]} << 21) | (size_t{p[7]} << 14) | (size_t{p[8]} << 7) | p[9];
    at += 10 + size + ((p[5] & 0x10) ? 10 : 0);
  }
  return std::min(at, b.size());
}

bool frameAt(const Bytes& b, size_t at, mp3::Mp3FrameHeader& h) {
  return at + 4 <= b.size() && mp3::ParseFrameHeader(reinterpret_cast<const uint8_t*>(b.data() + at), h) &&
         h.FrameLength > 4;
}

// The Xing/Info header of the frame at `frame`: the offset of its "Xing" or
// "Info" word, or 0 when the frame has none.
size_t xingOffset(const Bytes& b, size_t frame, const mp3::Mp3FrameHeader& h) {
  const size_t base = frame + static_cast<size_t>(mp3::SideInfoEnd(h));
  for (size_t at : {base, base + 2}) {
    if (at + 8 > frame + static_cast<size_t>(h.FrameLength) || at + 8 > b.size()) continue;
    if (std::memcmp(b.data() + at, "Xing", 4) == 0 || std::memcmp(b.data() + at, "Info", 4) == 0) return at;
  }
  return 0;
}

bool isHeaderFrame(const Bytes& b, size_t frame, const mp3::Mp3FrameHeader& h) {
  if (xingOffset(b, frame, h) != 0) return true;
  return frame + 40 <= b.size() && std::memcmp(b.data() + frame + 36, "VBRI", 4) == 0;
}

// Where the LAME extension of a Xing/Info header begins (its encoder
// string), or 0 when it has none.
size_t lameOffset(const Bytes& b, size_t xing, size_t frameEnd) {
  const uint32_t flags = be32(b, xing + 4);
  size_t at = xing + 8;
  if (flags & 1) at += 4;
  if (flags & 2) at += 4;
  if (flags & 4) at += 100;
  if (flags & 8) at += 4;
  if (at + 36 > frameEnd) return 0;
  // LAME and the encoders that copy its layout (FFmpeg's "Lavc"/"Lavf").
  if (std::memcmp(b.data() + at, "LAME", 4) == 0 || std::memcmp(b.data() + at, "Lav", 3) == 0) return at;
  return 0;
}

// CRC-16 as LAME computes its check sums (polynomial 0x8005, reflected).
uint16_t crc16(const char* data, size_t n, uint16_t crc = 0) {
  static const std::array<uint16_t, 256> table = [] {
    std::array<uint16_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
      t[i] = static_cast<uint16_t>(c);
    }
    return t;
  }();
  for (size_t i = 0; i < n; ++i)
    crc = static_cast<uint16_t>((crc >> 8) ^ table[(crc ^ static_cast<uint8_t>(data[i])) & 0xFF]);
  return crc;
}

// The frames of the stream that begins at `from`, up to the first byte that
// is no frame (trailing tags, damage, a last frame cut short) or `end`.
std::vector<size_t> walkFrames(const Bytes& b, size_t from, size_t end) {
  std::vector<size_t> frames;
  mp3::Mp3FrameHeader h;
  for (size_t at = from; frameAt(b, at, h) && at + static_cast<size_t>(h.FrameLength) <= end;
       at += static_cast<size_t>(h.FrameLength))
    frames.push_back(at);
  return frames;
}

// Sets the counts of the first frame's Xing/Info header (when it has one)
// to those of the joined stream. `prevSize` is where the appended audio
// begins, `nextLame` the LAME extension of the dropped header of the second
// part (its end padding becomes the joined stream's), if any.
void fixHeader(Bytes& out, size_t start, size_t prevSize, const Bytes& next, size_t nextLame) {
  mp3::Mp3FrameHeader h;
  if (!frameAt(out, start, h)) return;
  const size_t xing = xingOffset(out, start, h);
  if (xing == 0) return;
  const size_t frameEnd = start + static_cast<size_t>(h.FrameLength);
  const uint32_t flags = be32(out, xing + 4);
  // The first part's frames and the appended ones are walked apart: the
  // first part may end in something that is no whole frame (its recording
  // ended in a frame cut short), and the appended audio still counts.
  std::vector<size_t> frames = walkFrames(out, start, prevSize);
  const std::vector<size_t> appended = walkFrames(out, prevSize, out.size());
  frames.insert(frames.end(), appended.begin(), appended.end());
  if (frames.empty()) return;
  const size_t streamEnd = frames.back() + [&] {
    mp3::Mp3FrameHeader last;
    frameAt(out, frames.back(), last);
    return static_cast<size_t>(last.FrameLength);
  }();
  const uint64_t bytes = std::max(streamEnd, prevSize) - start;
  size_t at = xing + 8;
  if (flags & 1) {
    // Keep the first header's own way of counting (with or without itself):
    // it gains the frames that were appended.
    const uint64_t count = uint64_t{be32(out, at)} + appended.size();
    putBe32(out, at, static_cast<uint32_t>(std::min<uint64_t>(count, UINT32_MAX)));
    at += 4;
  }
  if (flags & 2) {
    putBe32(out, at, static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX)));
    at += 4;
  }
  if (flags & 4) {
    // The seek table: for each percent of the playing time, the position of
    // its frame as a share of 256 of the stream's bytes.
    for (size_t i = 0; i < 100; ++i) {
      const size_t frame = frames[std::min(frames.size() - 1, i * frames.size() / 100)];
      out[at + i] = static_cast<char>(std::min<uint64_t>(255, (frame - start) * 256 / bytes));
    }
    at += 100;
  }
  const size_t lame = lameOffset(out, xing, frameEnd);
  if (lame == 0) return;
  // Encoder delay stays the first part's; the end padding is the second's.
  if (nextLame != 0) {
    out[lame + 22] = static_cast<char>((out[lame + 22] & 0xF0) | (next[nextLame + 22] & 0x0F));
    out[lame + 23] = next[nextLame + 23];
  }
  putBe32(out, lame + 28, static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX)));
  const uint16_t music = crc16(out.data() + frameEnd, streamEnd > frameEnd ? streamEnd - frameEnd : 0);
  out[lame + 32] = static_cast<char>(music >> 8);
  out[lame + 33] = static_cast<char>(music & 0xFF);
  const uint16_t tag = crc16(out.data() + start, lame + 34 - start);
  out[lame + 34] = static_cast<char>(tag >> 8);
  out[lame + 35] = static_cast<char>(tag & 0xFF);
}

std::string writeReplacing(const fs::path& target, const Bytes& data) {
  const std::string temp = (target.parent_path() / ".lumojoin-XXXXXX").string();
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return "impossibile creare il file temporaneo (" + ioErrorCause(errno) + ")";
  size_t done = 0;
  int error = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    done += static_cast<size_t>(n);
  }
  struct stat st {};
  if (error == 0 && ::stat(target.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(name.data(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(name.data());
    return "impossibile scrivere " + target.string() + " (" + ioErrorCause(error) + ")";
  }
  return {};
}

}  // namespace

std::string AppendMp3(const std::string& previous, const std::string& next) {
  Bytes first, second;
  try {
    first = text::readFileBytes(previous);
    second = text::readFileBytes(next);
  } catch (const RuntimeError& e) {
    return e.description();
  }
  const size_t start = audioStart(first);
  size_t from = audioStart(second);
  size_t nextLame = 0;
  mp3::Mp3FrameHeader h;
  if (frameAt(second, from, h) && isHeaderFrame(second, from, h)) {
    const size_t xing = xingOffset(second, from, h);
    if (xing != 0) nextLame = lameOffset(second, xing, from + static_cast<size_t>(h.FrameLength));
    if (nextLame != 0) nextLame -= from;  // kept relative to the dropped frame
    from += static_cast<size_t>(h.FrameLength);
  }
  const Bytes dropped = nextLame != 0 ? second.substr(audioStart(second), static_cast<size_t>(h.FrameLength)) : Bytes();
  Bytes out;
  out.reserve(first.size() + second.size() - std::min(from, second.size()));
  out.append(first);
  const size_t prevSize = out.size();
  out.append(second, std::min(from, second.size()));
  fixHeader(out, start, prevSize, dropped, nextLame);
  return writeReplacing(previous, out);
}

}  // namespace lumo::splitter
