#pragma once
// One MPEG audio frame header decoded from its four bytes: the MP3 analysis
// and the ID3 tag writer (which finds where the audio starts) share it; the
// tests use it to check frame lengths and validity directly.

#include <cstdint>

namespace lumo::mp3 {

struct Mp3FrameHeader {
  uint8_t Version = 0;      // 1 MPEG-1, 2 MPEG-2, 25 MPEG-2.5
  uint8_t Layer = 0;        // 1, 2 or 3
  uint8_t Protection = 0;   // the header's protection bit: 0 means a 16-bit CRC follows
  int16_t Bitrate = 0;      // kbit/s
  int32_t SampleRate = 0;   // Hz
  uint8_t ChannelMode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  uint8_t Copyright = 0;
  uint8_t Original = 0;
  int32_t FrameLength = 0;      // bytes, header and padding included
  int32_t SamplesPerFrame = 0;  // 384, 576 or 1152

  bool hasCrc() const { return Protection == 0; }
};

// Decodes the four header bytes at b. False when they are no valid header:
// missing frame-sync bits, reserved version, reserved layer, free-format or
// forbidden bitrate, reserved sample rate.
bool ParseFrameHeader(const uint8_t* b, Mp3FrameHeader& header);

// Bytes from the start of the frame to the end of its side information when
// no CRC follows the header (header 4 + side information 32/17 for MPEG-1
// stereo/mono, 17/9 for MPEG-2 and 2.5). Meaningful for Layer III.
int32_t SideInfoEnd(const Mp3FrameHeader& header);

}  // namespace lumo::mp3
