#include "common/mp3/vbr_write.h"

#include <algorithm>
#include <array>

namespace lumo::mp3 {

void PutBigEndian32(std::string& b, int64_t at, uint64_t v) {
  const auto value = static_cast<uint32_t>(std::min<uint64_t>(v, UINT32_MAX));
  const auto p = static_cast<size_t>(at);
  for (size_t i = 0; i < 4; ++i) b[p + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
}

uint16_t LameCrc16(const char* data, size_t n, uint16_t crc) {
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

void FillSeekTable(std::string& b, int64_t toc, const std::vector<size_t>& frames, size_t streamStart,
                   uint64_t streamBytes) {
  if (frames.empty() || streamBytes == 0) return;
  for (size_t i = 0; i < 100; ++i) {
    const size_t frame = frames[std::min(frames.size() - 1, i * frames.size() / 100)];
    b[static_cast<size_t>(toc) + i] =
        static_cast<char>(std::min<uint64_t>(255, uint64_t{frame - streamStart} * 256 / streamBytes));
  }
}

void SealLameTag(std::string& b, const FrameAt& headerFrame, int64_t lame, size_t musicEnd, uint64_t streamBytes) {
  const auto l = static_cast<size_t>(lame);
  const auto start = static_cast<size_t>(headerFrame.position);
  const auto frameEnd = static_cast<size_t>(headerFrame.end());
  PutBigEndian32(b, lame + 28, streamBytes);
  const uint16_t music = LameCrc16(b.data() + frameEnd, musicEnd > frameEnd ? musicEnd - frameEnd : 0);
  b[l + 32] = static_cast<char>(music >> 8);
  b[l + 33] = static_cast<char>(music & 0xFF);
  const uint16_t crc = LameCrc16(b.data() + start, l + 34 - start);
  b[l + 34] = static_cast<char>(crc >> 8);
  b[l + 35] = static_cast<char>(crc & 0xFF);
}

std::string MakeXingFrame(const uint8_t* audio) {
  Mp3FrameHeader like;
  if (!ParseFrameHeader(audio, like) || like.Layer != 3) return {};
  // "Xing", its flags, the frame count, the byte count and the seek table.
  constexpr int32_t kXingLength = 4 + 4 + 4 + 4 + 100;
  for (int index = 1; index <= 14; ++index) {
    // No CRC; the audio's sample rate, no padding, no private bit.
    const std::array<uint8_t, 4> bytes = {audio[0], static_cast<uint8_t>(audio[1] | 0x01),
                                          static_cast<uint8_t>((index << 4) | (audio[2] & 0x0C)), audio[3]};
    Mp3FrameHeader header;
    if (!ParseFrameHeader(bytes.data(), header)) continue;
    const int32_t tag = SideInfoEnd(header);
    if (header.FrameLength < tag + kXingLength) continue;
    std::string frame(static_cast<size_t>(header.FrameLength), '\0');
    frame.replace(0, 4, reinterpret_cast<const char*>(bytes.data()), 4);
    frame.replace(static_cast<size_t>(tag), 4, "Xing");
    PutBigEndian32(frame, tag + 4, 0x0007);  // frames, bytes, seek table
    return frame;
  }
  return {};
}

}  // namespace lumo::mp3
