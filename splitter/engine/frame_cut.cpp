#include "splitter/engine/frame_cut.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/errors/errors.h"
#include "common/mp3/frame_header.h"
#include "common/text/text.h"

namespace lumo::splitter {
namespace {

uint32_t be32(const std::string& b, size_t at) {
  return (uint32_t{static_cast<uint8_t>(b[at])} << 24) | (uint32_t{static_cast<uint8_t>(b[at + 1])} << 16) |
         (uint32_t{static_cast<uint8_t>(b[at + 2])} << 8) | uint32_t{static_cast<uint8_t>(b[at + 3])};
}

void putBe32(std::string& b, size_t at, uint64_t v) {
  const uint32_t value = static_cast<uint32_t>(std::min<uint64_t>(v, UINT32_MAX));
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
}

// CRC-16 as LAME computes the check sums of its header (0x8005, reflected).
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

// Where the audio begins: after every ID3v2 tag at the start of the file.
size_t audioStart(const std::string& b) {
  size_t at = 0;
  while (at + 10 <= b.size() && std::memcmp(b.data() + at, "ID3", 3) == 0) {
    const auto* p = reinterpret_cast<const uint8_t*>(b.data() + at);
    if ((p[6] | p[7] | p[8] | p[9]) & 0x80) break;
    const size_t size = (size_t{p[6]} << 21) | (size_t{p[7]} << 14) | (size_t{p[8]} << 7) | p[9];
    at += 10 + size + ((p[3] == 4 && (p[5] & 0x10)) ? 10 : 0);
  }
  return std::min(at, b.size());
}

// The offset of the "Xing"/"Info" word of a frame, or 0 when it has none;
// the word and its flags lie inside the frame.
size_t xingWord(const std::string& b, size_t frame, const mp3::Mp3FrameHeader& h) {
  const size_t at = frame + static_cast<size_t>(mp3::SideInfoEnd(h)) + (h.hasCrc() ? 2 : 0);
  if (at + 8 > frame + static_cast<size_t>(h.FrameLength)) return 0;
  if (std::memcmp(b.data() + at, "Xing", 4) == 0 || std::memcmp(b.data() + at, "Info", 4) == 0) return at;
  return 0;
}

bool isVbri(const std::string& b, size_t frame, const mp3::Mp3FrameHeader& h) {
  return 40 <= static_cast<size_t>(h.FrameLength) && std::memcmp(b.data() + frame + 36, "VBRI", 4) == 0;
}

// Sets the header frame `h` (a copy of the part's, at the start of `out`)
// to describe the piece that follows it in `out`.
void fixPieceHeader(std::string& out, size_t headerLength, const std::vector<size_t>& frameOffsets, bool first,
                    bool last) {
  mp3::Mp3FrameHeader h;
  if (!mp3::ParseFrameHeader(reinterpret_cast<const uint8_t*>(out.data()), h)) return;
  const size_t xing = xingWord(out, 0, h);
  if (xing == 0) return;
  const uint32_t flags = be32(out, xing + 4);
  size_t at = xing + 8;
  const auto fits = [&](size_t n) { return at + n <= headerLength; };
  if ((flags & 1) && fits(4)) {
    putBe32(out, at, frameOffsets.size());
    at += 4;
  }
  if ((flags & 2) && fits(4)) {
    putBe32(out, at, out.size());
    at += 4;
  }
  if ((flags & 4) && fits(100)) {
    // Per percent of the playing time, where its frame lies in 256ths of the bytes.
    for (size_t i = 0; i < 100 && !frameOffsets.empty(); ++i) {
      const size_t frame = frameOffsets[i * frameOffsets.size() / 100];
      out[at + i] = static_cast<char>(std::min<uint64_t>(255, uint64_t{frame} * 256 / out.size()));
    }
    at += 100;
  }
  if (flags & 8) at += 4;
  if (!fits(36) || (std::memcmp(out.data() + at, "LAME", 4) != 0 && std::memcmp(out.data() + at, "Lav", 3) != 0))
    return;
  const size_t lame = at;
  // The encoder delay belongs to the recording's start, the end padding to its end.
  if (!first) {
    out[lame + 21] = 0;
    out[lame + 22] = static_cast<char>(out[lame + 22] & 0x0F);
  }
  if (!last) {
    out[lame + 22] = static_cast<char>(out[lame + 22] & 0xF0);
    out[lame + 23] = 0;
  }
  putBe32(out, lame + 28, out.size());
  const uint16_t music = crc16(out.data() + headerLength, out.size() - headerLength);
  out[lame + 32] = static_cast<char>(music >> 8);
  out[lame + 33] = static_cast<char>(music & 0xFF);
  const uint16_t tag = crc16(out.data(), lame + 34);
  out[lame + 34] = static_cast<char>(tag >> 8);
  out[lame + 35] = static_cast<char>(tag & 0xFF);
}

}  // namespace

FrameMap mapFrames(const std::string& path) {
  FrameMap map;
  map.bytes = text::readFileBytes(path);
  const std::string& b = map.bytes;
  mp3::Mp3FrameHeader h;
  bool firstFrame = true;
  for (size_t at = audioStart(b); at + 4 <= b.size();) {
    if (!mp3::ParseFrameHeader(reinterpret_cast<const uint8_t*>(b.data() + at), h) || h.FrameLength <= 4 ||
        at + static_cast<size_t>(h.FrameLength) > b.size())
      break;
    const size_t length = static_cast<size_t>(h.FrameLength);
    if (firstFrame && (xingWord(b, at, h) != 0 || isVbri(b, at, h))) {
      map.hasHeader = true;
      map.headerFrame = at;
      map.headerLength = length;
    } else {
      map.offsets.push_back(at);
      map.lengths.push_back(length);
      map.samplesPerFrame = h.SamplesPerFrame;
      map.sampleRate = h.SampleRate;
    }
    firstFrame = false;
    at += length;
  }
  return map;
}

std::vector<size_t> pieceStarts(size_t partFrames, const std::vector<size_t>& pieceFrames) {
  std::vector<size_t> starts;
  size_t fromEnd = 0;
  for (size_t k = pieceFrames.size(); k-- > 0;) {
    if (pieceFrames[k] == 0) continue;
    fromEnd += pieceFrames[k];
    if (fromEnd >= partFrames) break;  // the first piece's start is the part's
    starts.insert(starts.begin(), partFrames - fromEnd);
  }
  if (partFrames == 0) return {};
  starts.insert(starts.begin(), 0);
  return starts;
}

std::string writePiece(const FrameMap& part, const std::vector<size_t>& starts, size_t k, const std::string& path) {
  const size_t from = starts[k];
  const size_t to = k + 1 < starts.size() ? starts[k + 1] : part.audioFrames();
  if (from >= to || to > part.audioFrames()) return "parte vuota";
  const size_t begin = part.offsets[from];
  const size_t end = part.offsets[to - 1] + part.lengths[to - 1];
  std::string out;
  // A VBRI header is not rewritten: such a piece has none.
  const bool xing = part.hasHeader && [&] {
    mp3::Mp3FrameHeader h;
    return mp3::ParseFrameHeader(reinterpret_cast<const uint8_t*>(part.bytes.data() + part.headerFrame), h) &&
           xingWord(part.bytes, part.headerFrame, h) != 0;
  }();
  if (xing) out.append(part.bytes, part.headerFrame, part.headerLength);
  const size_t headerLength = out.size();
  out.append(part.bytes, begin, end - begin);
  if (xing) {
    std::vector<size_t> offsets;
    offsets.reserve(to - from);
    for (size_t f = from; f < to; ++f) offsets.push_back(part.offsets[f] - begin + headerLength);
    fixPieceHeader(out, headerLength, offsets, k == 0, k + 1 == starts.size());
  }
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) return "impossibile scrivere " + path + " (" + ioErrorCause(errno) + ")";
  if (std::fwrite(out.data(), 1, out.size(), file.get()) != out.size() || std::fflush(file.get()) != 0)
    return "impossibile scrivere " + path + " (" + ioErrorCause(errno) + ")";
  if (std::fclose(file.release()) != 0) return "impossibile scrivere " + path + " (" + ioErrorCause(errno) + ")";
  return {};
}

}  // namespace lumo::splitter
