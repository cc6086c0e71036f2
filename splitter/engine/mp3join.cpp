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
#include <optional>
#include <string_view>
#include <vector>

#include "common/errors/errors.h"
#include "common/mp3/container.h"
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

bool frameAt(const Bytes& b, size_t at, mp3::Mp3FrameHeader& h) {
  return at + 4 <= b.size() && mp3::ParseFrameHeader(reinterpret_cast<const uint8_t*>(b.data() + at), h) &&
         h.FrameLength > 4;
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

// The first part's first frame and its VBR header, all of whose fields lie
// inside that frame.
struct HeaderFrame {
  mp3::FrameAt frame;
  mp3::VbrTag tag;
};

// Sets the counts of the first frame's Xing/Info header to those of the
// joined stream. `prevSize` is where the appended audio begins; `nextLame`
// the LAME extension of the second part's dropped header (its end padding
// becomes the joined stream's), empty when it had none. Every byte written
// lies inside the first frame.
void fixHeader(Bytes& out, const HeaderFrame& first, size_t prevSize, std::string_view nextLame) {
  const mp3::VbrTag& tag = first.tag;
  const auto start = static_cast<size_t>(first.frame.position);
  const auto frameEnd = static_cast<size_t>(first.frame.end());
  // The first part's frames and the appended ones are walked apart: the
  // first part may end in something that is no whole frame (its recording
  // ended in a frame cut short), and the appended audio still counts.
  std::vector<size_t> frames = walkFrames(out, start, prevSize);
  const std::vector<size_t> appended = walkFrames(out, prevSize, out.size());
  frames.insert(frames.end(), appended.begin(), appended.end());
  if (frames.empty()) return;
  mp3::Mp3FrameHeader last;
  frameAt(out, frames.back(), last);
  const size_t streamEnd = frames.back() + static_cast<size_t>(last.FrameLength);
  const uint64_t bytes = std::max(streamEnd, prevSize) - start;
  if (tag.framesField >= 0) {
    // Keep the first header's own way of counting (with or without itself):
    // it gains the frames that were appended.
    const auto at = static_cast<size_t>(tag.framesField);
    const uint64_t count = uint64_t{be32(out, at)} + appended.size();
    putBe32(out, at, static_cast<uint32_t>(std::min<uint64_t>(count, UINT32_MAX)));
  }
  if (tag.bytesField >= 0)
    putBe32(out, static_cast<size_t>(tag.bytesField), static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX)));
  if (tag.tocField >= 0) {
    // The seek table: for each percent of the playing time, the position of
    // its frame as a share of 256 of the stream's bytes.
    for (size_t i = 0; i < 100; ++i) {
      const size_t frame = frames[std::min(frames.size() - 1, i * frames.size() / 100)];
      out[static_cast<size_t>(tag.tocField) + i] =
          static_cast<char>(std::min<uint64_t>(255, (frame - start) * 256 / bytes));
    }
  }
  if (tag.lameField < 0) return;
  const auto lame = static_cast<size_t>(tag.lameField);
  // Encoder delay stays the first part's; the end padding is the second's.
  if (!nextLame.empty()) {
    out[lame + 22] = static_cast<char>((out[lame + 22] & 0xF0) | (nextLame[22] & 0x0F));
    out[lame + 23] = nextLame[23];
  }
  putBe32(out, lame + 28, static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX)));
  const uint16_t music = crc16(out.data() + frameEnd, streamEnd > frameEnd ? streamEnd - frameEnd : 0);
  out[lame + 32] = static_cast<char>(music >> 8);
  out[lame + 33] = static_cast<char>(music & 0xFF);
  const uint16_t crc = crc16(out.data() + start, lame + 34 - start);
  out[lame + 34] = static_cast<char>(crc >> 8);
  out[lame + 35] = static_cast<char>(crc & 0xFF);
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

// Where the first part's header frame is, or why the join cannot be made:
// its audio must begin right behind its ID3v2 tags (bytes in front of the
// first frame, such as a damaged header frame, would stay in front of the
// joined stream for readers to take for its header), and a VBR header there
// must lie whole inside its frame to be rewritten.
std::string firstHeader(const Bytes& first, const std::string& name, std::optional<HeaderFrame>& header) {
  mp3::MemorySource source(first);
  const std::optional<mp3::FrameAt> frame = mp3::FindAudioStart(source);
  if (!frame) return "nessun frame MP3 in " + name;
  if (frame->position != mp3::SkipId3v2Tags(source)) return "il primo frame di " + name + " è danneggiato";
  const mp3::VbrTag tag = mp3::FindVbrTag(source, *frame);
  if (!tag.whole) return "l'intestazione VBR di " + name + " non è contenuta nel suo primo frame";
  if (tag.kind != mp3::VbrTag::None) header = HeaderFrame{*frame, tag};
  return {};
}

// Where the second part's audio to append begins (behind its own header
// frame, which is dropped), and that header's LAME extension, if any.
std::string secondAudio(const Bytes& second, const std::string& name, size_t& from, std::string_view& lame) {
  mp3::MemorySource source(second);
  const std::optional<mp3::FrameAt> frame = mp3::FindAudioStart(source);
  if (!frame) return "nessun frame MP3 in " + name;
  from = static_cast<size_t>(frame->position);
  const mp3::VbrTag tag = mp3::FindVbrTag(source, *frame);
  if (tag.kind == mp3::VbrTag::None) return {};
  if (frame->end() > source.size()) return "il file " + name + " è troncato";
  if (tag.lameField >= 0) lame = std::string_view(second).substr(static_cast<size_t>(tag.lameField), 36);
  from = static_cast<size_t>(frame->end());
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
  std::optional<HeaderFrame> header;
  size_t from = 0;
  std::string_view nextLame;
  if (std::string why = firstHeader(first, previous, header); !why.empty()) return why;
  if (std::string why = secondAudio(second, next, from, nextLame); !why.empty()) return why;
  Bytes out;
  out.reserve(first.size() + second.size() - from);
  out.append(first);
  const size_t prevSize = out.size();
  out.append(second, from);
  if (header) fixHeader(out, *header, prevSize, nextLame);
  return writeReplacing(previous, out);
}

}  // namespace lumo::splitter
