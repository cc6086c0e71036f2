// Frame header decoding: validity, versions and frame lengths, checked
// against lengths worked out by hand from the header fields.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "common/mp3/frame_header.h"

namespace lumo::mp3 {
namespace {

struct ValidCase {
  const char* name;
  std::array<uint8_t, 4> bytes;
  int version, layer, bitrate, sampleRate, frameLength, samples, mode;
};

TEST(ParseFrameHeader, DecodesVersionsLayersAndFrameLengths) {
  const ValidCase cases[] = {
      // 144 * 128000 / 44100 = 417.96
      {"MPEG-1 L3 128k 44.1k", {0xFF, 0xFB, 0x90, 0x00}, 1, 3, 128, 44100, 417, 1152, 0},
      {"MPEG-1 L3 padded mono", {0xFF, 0xFB, 0x92, 0xC0}, 1, 3, 128, 44100, 418, 1152, 3},
      // 72 * 64000 / 22050 = 208.98
      {"MPEG-2 L3 64k 22.05k", {0xFF, 0xF3, 0x80, 0x40}, 2, 3, 64, 22050, 208, 576, 1},
      // 72 * 16000 / 8000 = 144
      {"MPEG-2.5 L3 16k 8k", {0xFF, 0xE3, 0x28, 0xC0}, 25, 3, 16, 8000, 144, 576, 3},
      // 72 * 8000 / 11025 = 52.24, padded
      {"MPEG-2.5 L3 8k 11.025k", {0xFF, 0xE3, 0x12, 0x80}, 25, 3, 8, 11025, 53, 576, 2},
      // (12 * 32000 / 32000 + 1) * 4
      {"MPEG-1 L1 32k 32k padded", {0xFF, 0xFF, 0x1A, 0x00}, 1, 1, 32, 32000, 52, 384, 0},
      // (12 * 256000 / 24000) * 4 = 128 * 4
      {"MPEG-2 L1 256k 24k", {0xFF, 0xF7, 0xE4, 0x00}, 2, 1, 256, 24000, 512, 384, 0},
      // 144 * 384000 / 48000
      {"MPEG-1 L2 384k 48k", {0xFF, 0xFD, 0xE4, 0x00}, 1, 2, 384, 48000, 1152, 1152, 0},
      // MPEG-2 Layer II keeps 1152 samples: 144 * 160000 / 16000
      {"MPEG-2 L2 160k 16k", {0xFF, 0xF5, 0xE8, 0x00}, 2, 2, 160, 16000, 1440, 1152, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Mp3FrameHeader h;
    ASSERT_TRUE(ParseFrameHeader(c.bytes.data(), h));
    EXPECT_EQ(h.Version, c.version);
    EXPECT_EQ(h.Layer, c.layer);
    EXPECT_EQ(h.Bitrate, c.bitrate);
    EXPECT_EQ(h.SampleRate, c.sampleRate);
    EXPECT_EQ(h.FrameLength, c.frameLength);
    EXPECT_EQ(h.SamplesPerFrame, c.samples);
    EXPECT_EQ(h.ChannelMode, c.mode);
  }
}

TEST(ParseFrameHeader, ReadsProtectionCopyrightAndOriginalBits) {
  const uint8_t protectedCopy[4] = {0xFF, 0xFA, 0x90, 0x0C};
  Mp3FrameHeader h;
  ASSERT_TRUE(ParseFrameHeader(protectedCopy, h));
  EXPECT_TRUE(h.hasCrc());
  EXPECT_EQ(h.Copyright, 1);
  EXPECT_EQ(h.Original, 1);
  const uint8_t plain[4] = {0xFF, 0xFB, 0x90, 0x00};
  ASSERT_TRUE(ParseFrameHeader(plain, h));
  EXPECT_FALSE(h.hasCrc());
  EXPECT_EQ(h.Copyright, 0);
  EXPECT_EQ(h.Original, 0);
}

TEST(ParseFrameHeader, RejectsBrokenSyncAndReservedFields) {
  const struct {
    const char* name;
    std::array<uint8_t, 4> bytes;
  } cases[] = {
      {"first byte not 0xFF", {0xFE, 0xFB, 0x90, 0x00}},
      {"top bits of second byte not all set", {0xFF, 0xDB, 0x90, 0x00}},
      {"second byte 0x1B", {0xFF, 0x1B, 0x90, 0x00}},
      {"reserved version 01", {0xFF, 0xEB, 0x90, 0x00}},
      {"reserved layer 00", {0xFF, 0xF9, 0x90, 0x00}},
      {"free-format bitrate", {0xFF, 0xFB, 0x00, 0x00}},
      {"forbidden bitrate 15", {0xFF, 0xFB, 0xF0, 0x00}},
      {"reserved sample rate", {0xFF, 0xFB, 0x9C, 0x00}},
      {"MPEG-2.5 reserved sample rate", {0xFF, 0xE3, 0x2C, 0x00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Mp3FrameHeader h;
    EXPECT_FALSE(ParseFrameHeader(c.bytes.data(), h));
  }
}

TEST(SideInfoEnd, DependsOnVersionAndMono) {
  const struct {
    std::array<uint8_t, 4> bytes;
    int expected;
  } cases[] = {
      {{0xFF, 0xFB, 0x90, 0x00}, 36},  // MPEG-1 stereo
      {{0xFF, 0xFB, 0x90, 0x80}, 36},  // MPEG-1 dual channel
      {{0xFF, 0xFB, 0x90, 0xC0}, 21},  // MPEG-1 mono
      {{0xFF, 0xF3, 0x80, 0x40}, 21},  // MPEG-2 joint stereo
      {{0xFF, 0xF3, 0x80, 0xC0}, 13},  // MPEG-2 mono
      {{0xFF, 0xE3, 0x28, 0xC0}, 13},  // MPEG-2.5 mono
  };
  for (const auto& c : cases) {
    Mp3FrameHeader h;
    ASSERT_TRUE(ParseFrameHeader(c.bytes.data(), h));
    EXPECT_EQ(SideInfoEnd(h), c.expected);
  }
}

}  // namespace
}  // namespace lumo::mp3
