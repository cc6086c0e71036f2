#pragma once
// Writes MPEG audio frames with chosen headers (zero-filled bodies) and
// VBR tag frames: the one MP3 writer of the tests and benchmarks (the MP3
// analysis, the ID3 tags, the books of Zivuvu and the converter).

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace lumo::mp3::testing {

struct FrameFields {
  int version = 1;  // 1, 2 or 25
  int layer = 3;
  int bitrate = 128;  // kbit/s
  int sampleRate = 44100;
  bool padding = false;
  int mode = 0;           // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  int modeExtension = 0;  // 0 to 3, for joint stereo
  bool crc = false;
  bool copyright = false;
  bool original = false;
};

inline int bitrateIndex(const FrameFields& s) {
  static constexpr int kV1[3][15] = {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
  static constexpr int kV2L1[15] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256};
  static constexpr int kV2L23[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
  const int* table = s.version == 1 ? kV1[s.layer - 1] : (s.layer == 1 ? kV2L1 : kV2L23);
  for (int i = 1; i < 15; ++i)
    if (table[i] == s.bitrate) return i;
  throw std::invalid_argument("no such bitrate");
}

inline int sampleRateIndex(const FrameFields& s) {
  const int base = s.version == 1 ? 1 : (s.version == 2 ? 2 : 4);
  const int rates[3] = {44100, 48000, 32000};
  for (int i = 0; i < 3; ++i)
    if (rates[i] / base == s.sampleRate) return i;
  throw std::invalid_argument("no such sample rate");
}

inline std::array<uint8_t, 4> headerBytes(const FrameFields& s) {
  const int versionBits = s.version == 1 ? 3 : (s.version == 2 ? 2 : 0);
  std::array<uint8_t, 4> b{};
  b[0] = 0xFF;
  b[1] = static_cast<uint8_t>(0xE0 | versionBits << 3 | (4 - s.layer) << 1 | (s.crc ? 0 : 1));
  b[2] = static_cast<uint8_t>(bitrateIndex(s) << 4 | sampleRateIndex(s) << 2 | (s.padding ? 2 : 0));
  b[3] = static_cast<uint8_t>(s.mode << 6 | s.modeExtension << 4 | (s.copyright ? 8 : 0) | (s.original ? 4 : 0));
  return b;
}

inline int samplesPerFrame(const FrameFields& s) {
  if (s.layer == 1) return 384;
  return (s.layer == 3 && s.version != 1) ? 576 : 1152;
}

inline int frameLength(const FrameFields& s) {
  const int pad = s.padding ? 1 : 0;
  if (s.layer == 1) return (12 * s.bitrate * 1000 / s.sampleRate + pad) * 4;
  const int factor = samplesPerFrame(s) / 8;
  return factor * s.bitrate * 1000 / s.sampleRate + pad;
}

// One frame: its header and a zero-filled body.
inline std::string frame(const FrameFields& s) {
  std::string f(static_cast<size_t>(frameLength(s)), '\0');
  const auto h = headerBytes(s);
  for (int i = 0; i < 4; ++i) f[i] = static_cast<char>(h[i]);
  return f;
}

inline std::string frames(const FrameFields& s, int count) {
  const std::string one = frame(s);
  std::string all;
  all.reserve(one.size() * static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) all += one;
  return all;
}

inline void putBigEndian(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

// A tag frame: a frame of fields s with a Xing or Info tag at offset bytes
// from its start; flags say which counts follow (1 frames, 2 bytes).
inline std::string xingFrame(const FrameFields& s, const std::string& id, int offset, uint32_t flags,
                             uint32_t frameCount, uint32_t byteCount) {
  std::string f = frame(s);
  f.replace(static_cast<size_t>(offset), 4, id);
  putBigEndian(f, static_cast<size_t>(offset) + 4, flags);
  size_t field = static_cast<size_t>(offset) + 8;
  if (flags & 1) putBigEndian(f, field, frameCount), field += 4;
  if (flags & 2) putBigEndian(f, field, byteCount);
  return f;
}

// A frame with a Fraunhofer VBRI tag 36 bytes after its start.
inline std::string vbriFrame(const FrameFields& s, uint32_t frameCount, uint32_t byteCount) {
  std::string f = frame(s);
  f.replace(36, 4, "VBRI");
  f[41] = 1;  // version 1
  putBigEndian(f, 46, byteCount);
  putBigEndian(f, 50, frameCount);
  return f;
}

// A 128-byte ID3v1 tag from its raw fields (each cut or NUL-padded to size).
inline std::string id3v1Tag(const std::string& title, const std::string& artist, const std::string& album,
                            const std::string& year, const std::string& comment30, uint8_t genre) {
  std::string t = "TAG";
  auto put = [&t](const std::string& v, size_t n) {
    std::string f = v.substr(0, n);
    f.resize(n, '\0');
    t += f;
  };
  put(title, 30);
  put(artist, 30);
  put(album, 30);
  put(year, 4);
  put(comment30, 30);
  t += static_cast<char>(genre);
  return t;
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The frames of the synthetic books: MPEG-1 Layer III, 128 kbit/s, 44.1 kHz,
// joint stereo, original; 417 bytes and 1152 samples a frame.
inline FrameFields bookFrame() {
  FrameFields f;
  f.mode = 1;
  f.modeExtension = 2;
  f.original = true;
  return f;
}

// An MP3 file of whole book frames that plays `seconds` (to the nearest frame).
inline void writeMp3Seconds(const std::filesystem::path& file, int seconds) {
  writeFile(file, frames(bookFrame(), static_cast<int>(seconds * 44100.0 / 1152.0 + 0.5)));
}

// An MP3 file of exactly seconds * 16000 bytes (128 kbit/s), book frames
// every 417 bytes and zeros after the last whole one.
inline void writeMp3Bytes(const std::filesystem::path& file, int seconds) {
  const size_t size = static_cast<size_t>(seconds) * 16000;
  std::string data = frames(bookFrame(), static_cast<int>(size / 417));
  data.resize(size, '\0');
  writeFile(file, data);
}

}  // namespace lumo::mp3::testing
