#include "common/mp3/frame_header.h"

namespace lumo::mp3 {

namespace {

// kbit/s by bitrate index; entry 0 (free format) and 15 (forbidden) are 0.
constexpr int16_t kBitrateMpeg1[3][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},      // Layer III
};
// MPEG-2 and MPEG-2.5 share these: one table for Layer I, one for II and III.
constexpr int16_t kBitrateMpeg2Layer1[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0};
constexpr int16_t kBitrateMpeg2Layer23[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};

int16_t LookupBitrate(int index, int version, int layer) {
  if (version == 1) return kBitrateMpeg1[layer - 1][index];
  return layer == 1 ? kBitrateMpeg2Layer1[index] : kBitrateMpeg2Layer23[index];
}

int32_t LookupSampleRate(int index, int version) {
  constexpr int32_t kMpeg1[4] = {44100, 48000, 32000, 0};
  if (index == 3) return 0;
  switch (version) {
    case 1: return kMpeg1[index];
    case 2: return kMpeg1[index] / 2;
    default: return kMpeg1[index] / 4;  // MPEG-2.5: 11025, 12000, 8000
  }
}

}  // namespace

bool ParseFrameHeader(const uint8_t* b, Mp3FrameHeader& h) {
  // All 11 frame-sync bits, so that stray 0xFF bytes in tags or damaged data
  // do not pass for frames.
  if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;

  switch ((b[1] >> 3) & 3) {
    case 3: h.Version = 1; break;
    case 2: h.Version = 2; break;
    case 0: h.Version = 25; break;
    default: return false;  // 01 is reserved
  }
  const int layerBits = (b[1] >> 1) & 3;
  if (layerBits == 0) return false;
  h.Layer = static_cast<uint8_t>(4 - layerBits);
  h.Protection = b[1] & 1;

  h.Bitrate = LookupBitrate(b[2] >> 4, h.Version, h.Layer);
  if (h.Bitrate == 0) return false;
  h.SampleRate = LookupSampleRate((b[2] >> 2) & 3, h.Version);
  if (h.SampleRate == 0) return false;

  const int32_t padding = (b[2] >> 1) & 1;
  h.ChannelMode = static_cast<uint8_t>(b[3] >> 6);
  h.Copyright = (b[3] >> 3) & 1;
  h.Original = (b[3] >> 2) & 1;

  const int32_t bitsPerSecond = h.Bitrate * 1000;
  if (h.Layer == 1) {
    h.SamplesPerFrame = 384;
    h.FrameLength = (12 * bitsPerSecond / h.SampleRate + padding) * 4;
  } else if (h.Layer == 2 || h.Version == 1) {
    h.SamplesPerFrame = 1152;
    h.FrameLength = 144 * bitsPerSecond / h.SampleRate + padding;
  } else {
    // MPEG-2 and 2.5 Layer III frames carry one granule: half the samples.
    h.SamplesPerFrame = 576;
    h.FrameLength = 72 * bitsPerSecond / h.SampleRate + padding;
  }
  return true;
}

int32_t SideInfoEnd(const Mp3FrameHeader& h) {
  const bool mono = h.ChannelMode == 3;
  if (h.Version == 1) return mono ? 4 + 17 : 4 + 32;
  return mono ? 4 + 9 : 4 + 17;
}

}  // namespace lumo::mp3
