// GetMp3Info on files written frame by frame with chosen headers.

#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "common/errors/errors.h"
#include "common/mp3/container.h"
#include "common/mp3/mp3.h"
#include "testsupport/common/cbr_frames.h"
#include "testsupport/common/mp3_frames.h"
#include "testsupport/common/test_files.h"

namespace lumo::mp3 {
namespace {

namespace fs = std::filesystem;
using testing::FrameFields;
using testing::frameLength;
using testing::frames;

const FrameFields kCbr128{};  // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, stereo: 417 bytes

int roundedSeconds(long long frameCount, int samples, int sampleRate) {
  return static_cast<int>(std::nearbyint(static_cast<double>(frameCount) * samples / sampleRate));
}

class GetMp3InfoTest : public ::testing::Test {
 protected:
  std::string write(const std::string& name, const std::string& bytes) {
    const fs::path p = dir_ / name;
    testing::writeFile(p, bytes);
    return p.string();
  }

  lumo::testsupport::TempFolder temp_{"lumo-mp3"};
  fs::path dir_ = temp_.path();
};

// A record whose every field holds a value no analysis writes, to see which
// fields a path leaves alone.
Mp3Info sentinelRecord() {
  Mp3Info r;
  r.FileSize = -7;
  r.Version = 99;
  r.Layer = 99;
  r.Bitrate = -7;
  r.Frames = -7;
  r.IsCbr = true;
  r.SampleRate = -7;
  r.ChannelModeIndex = 99;
  r.Copyright = 99;
  r.Original = 99;
  r.Duration = -7;
  r.HasTag = true;
  r.Title = "old title";
  r.Artist = "old artist";
  r.Album = "old album";
  r.Year = "1900";
  r.Comment = "old comment";
  r.Track = 99;
  r.Genre = 99;
  return r;
}

void expectSameRecord(const Mp3Info& a, const Mp3Info& b) {
  EXPECT_EQ(a.FileSize, b.FileSize);
  EXPECT_EQ(a.Version, b.Version);
  EXPECT_EQ(a.Layer, b.Layer);
  EXPECT_EQ(a.Bitrate, b.Bitrate);
  EXPECT_EQ(a.Frames, b.Frames);
  EXPECT_EQ(a.IsCbr, b.IsCbr);
  EXPECT_EQ(a.SampleRate, b.SampleRate);
  EXPECT_EQ(a.ChannelModeIndex, b.ChannelModeIndex);
  EXPECT_EQ(a.Copyright, b.Copyright);
  EXPECT_EQ(a.Original, b.Original);
  EXPECT_EQ(a.Duration, b.Duration);
  EXPECT_EQ(a.HasTag, b.HasTag);
  EXPECT_EQ(a.Title, b.Title);
  EXPECT_EQ(a.Artist, b.Artist);
  EXPECT_EQ(a.Album, b.Album);
  EXPECT_EQ(a.Year, b.Year);
  EXPECT_EQ(a.Comment, b.Comment);
  EXPECT_EQ(a.Track, b.Track);
  EXPECT_EQ(a.Genre, b.Genre);
}

TEST_F(GetMp3InfoTest, ConstantBitrateFileIsWalkedFrameByFrame) {
  FrameFields fields = kCbr128;
  fields.mode = 1;
  fields.copyright = true;
  fields.original = true;
  // 3828 frames = 99.99 s; a trailing ID3v1 tag is neither a frame nor time.
  const std::string path = write("cbr.mp3", frames(fields, 3828) + testing::id3v1Tag("T", "", "", "", "", 0));
  Mp3Info info;
  ASSERT_EQ(GetMp3Info(path, info), 1);
  EXPECT_EQ(info.FileSize, 3828 * 417 + 128);
  EXPECT_EQ(info.Version, 1);
  EXPECT_EQ(info.Layer, 3);
  EXPECT_EQ(info.SampleRate, 44100);
  EXPECT_EQ(info.ChannelModeIndex, 1);
  EXPECT_EQ(info.Copyright, 1);
  EXPECT_EQ(info.Original, 1);
  EXPECT_EQ(info.Frames, 3828);
  EXPECT_EQ(info.Duration, 100);
  EXPECT_EQ(info.Bitrate, 128);
  EXPECT_TRUE(info.IsCbr);
}

TEST_F(GetMp3InfoTest, VariableBitrateFileIsWalkedEvenWhenTheFirstTenFramesAgree) {
  FrameFields low = kCbr128;
  low.bitrate = 64;
  FrameFields high = kCbr128;
  high.bitrate = 192;
  // Twelve frames at 64 kbit/s, then 200 alternating 192/64: average
  // (12*64 + 100*192 + 100*64) / 212 = 124.4
  std::string bytes = frames(low, 12);
  for (int i = 0; i < 100; ++i) bytes += testing::frame(high) + testing::frame(low);
  const std::string path = write("vbr.mp3", bytes);
  Mp3Info info;
  ASSERT_EQ(GetMp3Info(path, info), 1);
  EXPECT_EQ(info.Frames, 212);
  EXPECT_EQ(info.Duration, roundedSeconds(212, 1152, 44100));  // 5.54 s
  EXPECT_EQ(info.Bitrate, 124);
  EXPECT_FALSE(info.IsCbr);
}

TEST_F(GetMp3InfoTest, DurationRoundsHalvesToEven) {
  // MPEG-1 Layer II at 32 kHz: 1152 samples = 0.036 s a frame;
  // MPEG-2.5 Layer III at 8 kHz: 576 samples = 0.072 s.
  const FrameFields layer2{.layer = 2, .bitrate = 64, .sampleRate = 32000};
  const FrameFields lsf8k{.version = 25, .layer = 3, .bitrate = 16, .sampleRate = 8000, .mode = 3};
  const struct {
    FrameFields fields;
    int frameCount;
    int duration;
  } cases[] = {
      {layer2, 625, 22},   // 22.5 s
      {layer2, 875, 32},   // 31.5 s
      {lsf8k, 1736, 125},  // 124.992 s
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frameCount);
    Mp3Info info;
    ASSERT_EQ(GetMp3Info(write("r.mp3", frames(c.fields, c.frameCount)), info), 1);
    EXPECT_EQ(info.Duration, c.duration);
  }
}

TEST_F(GetMp3InfoTest, MeasuresEveryVersionAndLayerWithItsOwnFrameSize) {
  const struct {
    const char* name;
    FrameFields fields;
    int version;
  } cases[] = {
      {"MPEG-1 Layer I", {.layer = 1, .bitrate = 128, .sampleRate = 48000}, 1},
      {"MPEG-1 Layer II", {.layer = 2, .bitrate = 192, .sampleRate = 44100}, 1},
      {"MPEG-2 Layer I", {.version = 2, .layer = 1, .bitrate = 64, .sampleRate = 16000}, 2},
      {"MPEG-2 Layer II", {.version = 2, .layer = 2, .bitrate = 64, .sampleRate = 24000}, 2},
      {"MPEG-2 Layer III", {.version = 2, .layer = 3, .bitrate = 64, .sampleRate = 22050, .mode = 3}, 2},
      // The record counts MPEG-2.5 as MPEG-2; only its sample rates differ.
      {"MPEG-2.5 Layer III 11 kHz", {.version = 25, .layer = 3, .bitrate = 32, .sampleRate = 11025}, 2},
      {"MPEG-2.5 Layer III 12 kHz", {.version = 25, .layer = 3, .bitrate = 24, .sampleRate = 12000}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int count = 2000;
    Mp3Info info;
    ASSERT_EQ(GetMp3Info(write("v.mp3", frames(c.fields, count)), info), 1);
    EXPECT_EQ(info.Version, c.version);
    EXPECT_EQ(info.Layer, c.fields.layer);
    EXPECT_EQ(info.SampleRate, c.fields.sampleRate);
    EXPECT_EQ(info.Frames, count);
    EXPECT_EQ(info.Duration, roundedSeconds(count, testing::samplesPerFrame(c.fields), c.fields.sampleRate));
    EXPECT_EQ(info.Bitrate, c.fields.bitrate);
    EXPECT_TRUE(info.IsCbr);
  }
}

TEST_F(GetMp3InfoTest, FramesWithoutAllSyncBitsBreakARunAndAreSteppedOverByTheWalk) {
  const std::string good = testing::frame(kCbr128);
  std::string badSecond = good;
  badSecond[1] = 0x1B;  // version, layer and protection as before, sync bits gone
  std::string badFirst = good;
  badFirst[0] = static_cast<char>(0xFE);

  // Nine frames, a broken one, nine more: no run of ten anywhere.
  for (const std::string& bad : {badSecond, badFirst}) {
    std::string bytes = frames(kCbr128, 9) + bad + frames(kCbr128, 9);
    Mp3Info info;
    EXPECT_EQ(GetMp3Info(write("nosync.mp3", bytes), info), 0);
  }
  // Thirty frames, a broken one, twenty more: a decoder skips the broken
  // frame's bytes and plays the fifty others.
  Mp3Info info;
  ASSERT_EQ(GetMp3Info(write("walk.mp3", frames(kCbr128, 30) + badSecond + frames(kCbr128, 20)), info), 1);
  EXPECT_EQ(info.Frames, 50);
}

TEST_F(GetMp3InfoTest, FramesOfAnotherSampleRateCountWithTheirOwnTime) {
  FrameFields other = kCbr128;
  other.sampleRate = 48000;
  // 400 frames of 26.1 ms and 400 of 24 ms: 20.05 s (20.9 s at one rate).
  Mp3Info info;
  ASSERT_EQ(GetMp3Info(write("mixed.mp3", frames(kCbr128, 400) + frames(other, 400)), info), 1);
  EXPECT_EQ(info.Frames, 800);
  EXPECT_EQ(info.Duration, 20);
  EXPECT_EQ(info.SampleRate, 44100);
}

TEST_F(GetMp3InfoTest, FilesOf4097BytesOrFewerAreNeverSearched) {
  const std::string stream = frames(kCbr128, 12);  // 5004 bytes
  Mp3Info info = sentinelRecord();
  EXPECT_EQ(GetMp3Info(write("short.mp3", stream.substr(0, 4097)), info), 0);
  EXPECT_EQ(info.FileSize, 4097);
  // One byte more and the first block is searched; the tenth header lies
  // at 3753, inside the file, and the truncated tenth frame still counts.
  ASSERT_EQ(GetMp3Info(write("short.mp3", stream.substr(0, 4098)), info), 1);
  EXPECT_EQ(info.Frames, 10);
}

TEST_F(GetMp3InfoTest, RunAfterALeadingId3v2TagIsFound) {
  // An ID3v2 tag whose body is full of 0xFF bytes, some followed by bytes
  // that look like a header's second byte, none starting a run.
  std::string tag = "ID3\x03";
  tag.resize(10, '\0');
  for (int i = 0; i < 6000; ++i) tag += (i % 7 == 0) ? '\xFF' : (i % 7 == 1 ? '\xFB' : 'a');
  const std::string path = write("id3v2.mp3", tag + frames(kCbr128, 500));
  Mp3Info info;
  ASSERT_EQ(GetMp3Info(path, info), 1);
  EXPECT_EQ(info.Frames, 500);
  EXPECT_TRUE(info.IsCbr);
}

TEST_F(GetMp3InfoTest, YieldsAfterEverySearchStep) {
  // Three full blocks and a partial one of zeros, with three stray 0xFF
  // bytes in the first block: 3 hits + 1 empty search, then 1 each for the
  // next two blocks; the partial block is not searched.
  std::string bytes(3 * 4096 + 100, '\0');
  bytes[10] = bytes[20] = bytes[4000] = '\xFF';
  int yields = 0;
  Mp3Info info;
  EXPECT_EQ(GetMp3Info(write("noise.mp3", bytes), info, [&yields] { ++yields; }), 0);
  EXPECT_EQ(yields, 6);
}

TEST_F(GetMp3InfoTest, UnfindableFilesReturn0AndLeaveTheRecordAlone) {
  const std::string stream = frames(kCbr128, 100);
  const std::string hidden = write(".hidden.mp3", stream);
  fs::create_directory(dir_ / "folder.mp3");
  ::mkfifo((dir_ / "pipe.mp3").c_str(), 0600);
  for (const std::string& path : {std::string(), std::string("   "), (dir_ / "missing.mp3").string(), hidden,
                                  (dir_ / "folder.mp3").string(), (dir_ / "pipe.mp3").string()}) {
    SCOPED_TRACE(path);
    Mp3Info info = sentinelRecord();
    EXPECT_EQ(GetMp3Info(path, info), 0);
    expectSameRecord(info, sentinelRecord());
  }
}

TEST_F(GetMp3InfoTest, FileWithoutARunWritesOnlyFileSize) {
  Mp3Info info = sentinelRecord();
  EXPECT_EQ(GetMp3Info(write("norun.mp3", frames(kCbr128, 9) + std::string(9000, 'x')), info), 0);
  Mp3Info expected = sentinelRecord();
  expected.FileSize = 9 * 417 + 9000;
  expectSameRecord(info, expected);
}

TEST_F(GetMp3InfoTest, OneRecordServesSeveralFiles) {
  FrameFields low = kCbr128;
  low.bitrate = 64;
  std::string vbr = frames(kCbr128, 10);
  for (int i = 0; i < 50; ++i) vbr += testing::frame(low);
  const std::string tagged =
      write("tagged.mp3", vbr + testing::id3v1Tag("Capitolo 1", "Autore", "Libro", "1999", "", 12));
  FrameFields mono = {.version = 2, .bitrate = 32, .sampleRate = 22050, .mode = 3};
  const std::string plain = write("plain.mp3", frames(mono, 400));

  Mp3Info info;
  ASSERT_EQ(GetMp3Info(tagged, info), 1);
  EXPECT_FALSE(info.IsCbr);
  EXPECT_EQ(info.Frames, 60);
  ASSERT_EQ(GetMp3Info(plain, info), 1);
  // The second file's own measures: its walk starts again from zero.
  EXPECT_EQ(info.Frames, 400);
  EXPECT_EQ(info.Duration, roundedSeconds(400, 576, 22050));
  EXPECT_EQ(info.Bitrate, 32);
  EXPECT_TRUE(info.IsCbr);
  EXPECT_EQ(info.Version, 2);
  EXPECT_EQ(info.ChannelModeIndex, 3);
  // No tag in the second file: the first file's tag fields stay.
  EXPECT_TRUE(info.HasTag);
  EXPECT_EQ(info.Title, "Capitolo 1");
  EXPECT_EQ(info.Genre, 12);
}

TEST_F(GetMp3InfoTest, ReadsId3v1FieldsCutAtNulAndTrimmed) {
  using namespace std::string_literals;
  // Comment: 28 characters, a NUL, the track byte 7 (ID3v1.1).
  const std::string comment11 = "  nota\0resto"s + std::string(28 - 12, ' ') + "\0\x07"s;
  const std::string tag11 = testing::id3v1Tag("  Titolo  \0scarto"s, "Citt\xE0"s, "Album\0"s, "2004", comment11, 101);
  Mp3Info info;
  ASSERT_EQ(GetMp3Info(write("v11.mp3", frames(kCbr128, 20) + tag11), info), 1);
  EXPECT_TRUE(info.HasTag);
  EXPECT_EQ(info.Title, "Titolo");
  EXPECT_EQ(info.Artist, "Città");  // windows-1252 text
  EXPECT_EQ(info.Album, "Album");
  EXPECT_EQ(info.Year, "2004");
  EXPECT_EQ(info.Comment, "nota");
  EXPECT_EQ(info.Track, 7);
  EXPECT_EQ(info.Genre, 101);

  // ID3v1.0: thirty characters of comment, no track.
  const std::string comment10(30, 'c');
  ASSERT_EQ(
      GetMp3Info(write("v10.mp3", frames(kCbr128, 20) + testing::id3v1Tag("A", "B", "C", "1990", comment10, 3)), info),
      1);
  EXPECT_EQ(info.Comment, comment10);
  EXPECT_EQ(info.Track, 0);
  EXPECT_EQ(info.Genre, 3);
}

// VBR tags: which header is seen where, and which counts are used.
struct VbrCase {
  const char* name;
  FrameFields fields;
  std::string tagFrame;  // the first frame
  int audioFrames;       // frames after it, all like it
  int frames, duration, bitrate;
  bool isCbr;
};

TEST_F(GetMp3InfoTest, UsesVbrHeadersOnlyWhereAndAsAnnounced) {
  using testing::vbriFrame;
  using testing::xingFrame;
  const FrameFields st = kCbr128;                                           // MPEG-1 stereo, side info ends at 36
  const FrameFields mono{.mode = 3};                                        // MPEG-1 mono: 21
  const FrameFields crc{.crc = true};                                       // protected: 36, or 38 after the CRC
  const FrameFields lsf{.version = 2, .bitrate = 64, .sampleRate = 22050};  // 21
  const FrameFields lsfMono{.version = 2, .bitrate = 64, .sampleRate = 22050, .mode = 3};  // 13
  const int n = 300;  // frames actually in each file after the tag frame
  // The header claims 5000 frames (130.6 s at 44.1 kHz) and 1,900,000 bytes:
  // 1.9e6 * 8 / 1000 / 130.61 s = 116.4 kbit/s. Where the header is used,
  // the file holds those bytes (a header is trusted only then): 4556 frames
  // of 417 bytes, 9134 of 208.
  const int full = 1900000 / frameLength(st) - 1;
  const int fullLsf = 1900000 / frameLength(lsf) - 1;
  const int walk = roundedSeconds(n, 1152, 44100);        // 8 s
  const int claimed = roundedSeconds(5000, 1152, 44100);  // 131 s
  // Xing with only a frame count: the bytes after the tag frame, 300 * 417,
  // over 5000 frames' time: 125100 * 8 / 1000 / 130.61 = 7.66.
  const VbrCase cases[] = {
      {"Xing frames and bytes", st, xingFrame(st, "Xing", 36, 3, 5000, 1900000), full, 5000, claimed, 116, false},
      {"Xing frames only", st, xingFrame(st, "Xing", 36, 1, 5000, 0), n, 5000, claimed, 8, false},
      // Bytes only: the count sits where the frame count would; the walk
      // counts the audio frames, not the tag frame.
      {"Xing bytes only", st, xingFrame(st, "Xing", 36, 2, 0, 5000), n, n, walk, 128, true},
      {"Xing without counts", st, xingFrame(st, "Xing", 36, 0, 0, 0), n, n, walk, 128, true},
      {"Xing frame count 0", st, xingFrame(st, "Xing", 36, 3, 0, 1900000), n, n, walk, 128, true},
      {"Info marks CBR", st, xingFrame(st, "Info", 36, 3, 5000, 1900000), full, 5000, claimed, 128, true},
      {"lower-case xing is no tag", st, xingFrame(st, "xing", 36, 3, 5000, 1900000), n, n + 1,
       roundedSeconds(n + 1, 1152, 44100), 128, true},
      {"VBRI", st, vbriFrame(st, 5000, 1900000), full, 5000, claimed, 116, false},
      {"Xing at the mono offset of a mono frame", mono, xingFrame(mono, "Xing", 21, 3, 5000, 1900000), full, 5000,
       claimed, 116, false},
      {"Xing at the mono offset of a stereo frame", st, xingFrame(st, "Xing", 21, 3, 5000, 1900000), n, n + 1,
       roundedSeconds(n + 1, 1152, 44100), 128, true},
      {"Xing of a CRC frame where LAME puts it", crc, xingFrame(crc, "Xing", 36, 3, 5000, 1900000), full, 5000, claimed,
       116, false},
      {"Xing of a CRC frame after the CRC", crc, xingFrame(crc, "Xing", 38, 3, 5000, 1900000), full, 5000, claimed, 116,
       false},
      {"Xing 2 bytes late without a CRC", st, xingFrame(st, "Xing", 38, 3, 5000, 1900000), n, n + 1,
       roundedSeconds(n + 1, 1152, 44100), 128, true},
      // MPEG-2 frame count 5000 * 576 / 22050 = 130.6 s as well.
      {"MPEG-2 stereo Xing at 21", lsf, xingFrame(lsf, "Xing", 21, 3, 5000, 1900000), fullLsf, 5000, claimed, 116,
       false},
      {"MPEG-2 mono Xing at 13", lsfMono, xingFrame(lsfMono, "Xing", 13, 3, 5000, 1900000), fullLsf, 5000, claimed, 116,
       false},
      {"MPEG-2 mono Xing at the MPEG-1 offset", lsfMono, xingFrame(lsfMono, "Xing", 21, 3, 5000, 1900000), n, n + 1,
       roundedSeconds(n + 1, 576, 22050), 64, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Mp3Info info;
    ASSERT_EQ(GetMp3Info(write("tag.mp3", c.tagFrame + frames(c.fields, c.audioFrames)), info), 1);
    EXPECT_EQ(info.Frames, c.frames);
    EXPECT_EQ(info.Duration, c.duration);
    EXPECT_EQ(info.Bitrate, c.bitrate);
    EXPECT_EQ(info.IsCbr, c.isCbr);
  }
}

TEST_F(GetMp3InfoTest, XingBitrateWithoutByteCountLeavesOutTheId3v1Tag) {
  // Ten audio frames behind a tag frame that counts ten frames (0.26 s).
  const std::string head = testing::xingFrame(kCbr128, "Xing", 36, 1, 10, 0);
  const std::string tag = testing::id3v1Tag("x", "", "", "", "", 0);
  Mp3Info info;
  ASSERT_EQ(GetMp3Info(write("x.mp3", head + frames(kCbr128, 10) + tag), info), 1);
  // 4170 * 8 / 1000 / (10 * 1152 / 44100) = 127.7; counting the tag: 131.6
  EXPECT_EQ(info.Bitrate, 128);
  EXPECT_EQ(info.Frames, 10);
  EXPECT_EQ(info.Duration, 0);
}

// An APE tag with its header, as writers put it before an ID3v1 tag.
std::string apeTag() {
  const std::string item = std::string("\x05\0\0\0\0\0\0\0", 8) + "Title" + '\0' + "Testo";
  auto le = [](uint32_t v) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(v >> (8 * i));
    return b;
  };
  auto block = [&](uint32_t flags) {
    return "APETAGEX" + le(2000) + le(static_cast<uint32_t>(item.size() + 32)) + le(1) + le(flags) +
           std::string(8, '\0');
  };
  return block(0xA0000000u) + item + block(0x80000000u);
}

// Lyrics3 v2: "LYRICSBEGIN", fields, six digits of their size, "LYRICS200".
std::string lyrics3Block() {
  const std::string body =
      "LYRICSBEGININD00002"
      "10"
      "LYR00005"
      "testo";
  char size[7];
  std::snprintf(size, sizeof size, "%06zu", body.size());
  return body + size + "LYRICS200";
}

TEST_F(GetMp3InfoTest, VbrHeaderIsTrustedOnlyWhenItsByteCountMatchesTheAudio) {
  using testing::xingFrame;
  const FrameFields st = kCbr128;
  const int n = 300;
  const uint32_t exact = (n + 1) * 417;                   // the tag frame and the audio, as LAME counts
  const int walk = roundedSeconds(n, 1152, 44100);        // 8 s
  const int claimed = roundedSeconds(5000, 1152, 44100);  // 131 s
  const std::string id3v1 = testing::id3v1Tag("t", "", "", "", "", 0);
  const struct {
    const char* name;
    std::string head;
    std::string tail;  // after the audio
    int duration;
  } cases[] = {
      {"exact", xingFrame(st, "Info", 36, 3, 5000, exact), "", claimed},
      {"exact before an ID3v1 tag", xingFrame(st, "Info", 36, 3, 5000, exact), id3v1, claimed},
      {"exact before APE and ID3v1 tags", xingFrame(st, "Xing", 36, 3, 5000, exact), apeTag() + id3v1, claimed},
      {"exact before Lyrics3 and ID3v1", xingFrame(st, "Info", 36, 3, 5000, exact), lyrics3Block() + id3v1, claimed},
      {"two frames over", xingFrame(st, "Info", 36, 3, 5000, exact + 2 * 417), "", claimed},
      {"two frames short", xingFrame(st, "Info", 36, 3, 5000, exact - 2 * 417), "", claimed},
      // The stream goes on after the audio the header counted (files joined).
      {"half the audio", xingFrame(st, "Info", 36, 3, 5000, exact / 2), id3v1, walk},
      // The file ends before the audio the header counted (cut or damaged).
      {"more than the file", xingFrame(st, "Xing", 36, 3, 5000, exact * 2), "", walk},
      {"VBRI counting a third", testing::vbriFrame(st, 5000, exact / 3), "", walk},
      // 10 kB after the audio that are no tag.
      {"before bytes that are no tag", xingFrame(st, "Info", 36, 3, 5000, exact), std::string(10000, 'x'), walk},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Mp3Info info;
    ASSERT_EQ(GetMp3Info(write("h.mp3", c.head + frames(st, n) + c.tail), info), 1);
    EXPECT_EQ(info.Duration, c.duration);
    EXPECT_EQ(info.Frames, c.duration == walk ? n : 5000);
  }
}

TEST_F(GetMp3InfoTest, FilesJoinedByteForByteMeasureAsTheirSum) {
  // Two files of 600 and 3000 frames, each opening with an Info frame that
  // counts only its own audio; the later file's Info frame is one more frame.
  const FrameFields st = kCbr128;
  auto file = [&](int count) {
    return testing::xingFrame(st, "Info", 36, 3, count, (count + 1) * 417) + frames(st, count);
  };
  const std::string id3v1 = testing::id3v1Tag("t", "", "", "", "", 0);
  std::string id3v2 = "ID3\x03" + std::string(1, '\0') + std::string(1, '\0') + std::string("\0\0\x08\x00", 4) +
                      std::string(1024, '\0');  // 10 + 1024 bytes
  const int sum = 600 + 1 + 3000;
  const struct {
    const char* name;
    std::string bytes;
    int frames;
  } cases[] = {
      {"plain", file(600) + file(3000), sum},
      {"the first file's ID3v1 tag between", file(600) + id3v1 + file(3000), sum},
      {"the later file's ID3v2 tag between", file(600) + id3v2 + file(3000) + id3v1, sum},
      {"both tags between", id3v2 + file(600) + id3v1 + id3v2 + file(3000) + id3v1, sum},
      // Junk after a tag is stepped over as well.
      {"ID3v1 then junk", file(600) + id3v1 + std::string(5000, '\0') + file(3000), sum},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Mp3Info info;
    ASSERT_EQ(GetMp3Info(write("joined.mp3", c.bytes), info), 1);
    EXPECT_EQ(info.Frames, c.frames);
    EXPECT_EQ(info.Duration, roundedSeconds(c.frames, 1152, 44100));
  }
}

int openFileCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

TEST_F(GetMp3InfoTest, CountsBeyond32BitsRaiseOverflowAndCloseTheFile) {
  const struct {
    const char* name;
    std::string head;
  } cases[] = {
      {"frame count 2^31", testing::xingFrame(kCbr128, "Xing", 36, 1, 0x80000000u, 0)},
      {"byte count 2^31", testing::xingFrame(kCbr128, "Xing", 36, 3, 100, 0x80000000u)},
      // The file's 125,517 bytes in 1 frame (26 ms): a bitrate beyond 16 bits.
      {"bitrate beyond 16 bits", testing::xingFrame(kCbr128, "Xing", 36, 3, 1, 301 * 417)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = write("big.mp3", c.head + frames(kCbr128, 300));
    const int before = openFileCount();
    Mp3Info info;
    try {
      GetMp3Info(path, info);
      ADD_FAILURE() << "no error";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::Overflow);
    }
    EXPECT_EQ(openFileCount(), before);
  }
}

TEST_F(GetMp3InfoTest, FilesOf2GiBOrMoreRaiseOverflow) {
  // A sparse file: its size does not fit the record's 32-bit FileSize.
  const std::string path = write("huge.mp3", frames(kCbr128, 20));
  fs::resize_file(path, uintmax_t{1} << 31);
  Mp3Info info = sentinelRecord();
  try {
    GetMp3Info(path, info);
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::Overflow);
  }
  EXPECT_EQ(info.FileSize, sentinelRecord().FileSize);
}

TEST_F(GetMp3InfoTest, LongFilesDoNotOverflowTheDuration) {
  // 9 h 6 min 8 s is the most a 16-bit count of seconds holds; MPEG-2.5 at
  // 8 kbit/s and 8 kHz (72-byte frames) makes a 10-hour file of 36 MB.
  FrameFields fields{.version = 25, .bitrate = 8, .sampleRate = 8000, .mode = 3};
  const int count = 500000;  // 36000 s
  Mp3Info info;
  ASSERT_EQ(GetMp3Info(write("long.mp3", frames(fields, count)), info), 1);
  EXPECT_EQ(info.Duration, 36000);
  EXPECT_EQ(info.Frames, count);
}

// An APE tag of its footer alone, as some taggers leave it behind an ID3v1 tag.
std::string apeFooter() {
  std::string footer = "APETAGEX";
  for (const uint32_t v : {2000u, 32u, 0u, 0u}) {
    for (int i = 0; i < 4; ++i) footer += static_cast<char>(v >> (8 * i));
  }
  return footer + std::string(8, '\0');
}

// Streams with the damage real files have, as a decoder plays them (FFmpeg
// 5.1 decoding each whole: its frames and their timestamps). Each is built
// like a damaged file met in the field: frame for frame, the same headers,
// damage and tags.
TEST_F(GetMp3InfoTest, DamagedStreamsMeasureWhatADecoderPlays) {
  const FrameFields layer2{.layer = 2, .bitrate = 32, .sampleRate = 48000, .mode = 1, .original = true};  // 96 bytes
  FrameFields layer2Loud = layer2;
  layer2Loud.bitrate = 384;  // 1152 bytes: twelve frames' room
  FrameFields layer2At32k = layer2;
  layer2At32k.sampleRate = 32000;  // 144 bytes, 36 ms
  const FrameFields lsf128{.version = 25, .bitrate = 128, .sampleRate = 8000, .mode = 3, .original = true};
  const FrameFields lsf8{.version = 25, .bitrate = 8, .sampleRate = 8000, .mode = 3, .original = true};  // 72 bytes
  const std::string tags = testing::id3v1Tag(std::string(30, 'x'), std::string(30, 'x'), std::string(30, 'x'), "xxxx",
                                             std::string(30, 'x'), 'x') +
                           apeFooter();
  std::string junk;
  for (int i = 0; i < 37; ++i) junk += static_cast<char>(0x21 + i * 7 % 0xD0);  // no byte FF
  const struct {
    const char* name;
    std::string bytes;
    double decoded;  // seconds
    int frames, duration;
    bool isCbr;
  } cases[] = {
      // One frame of another bitrate that the constant-bitrate grid hides.
      {"cbr_odd_frames", frames(layer2, 169) + testing::frame(layer2Loud) + frames(layer2, 2550) + tags, 65.28, 2720,
       65, false},
      // A stray byte between two frames; an APE footer at the end.
      {"damage_128k", frames(lsf128, 122) + "\xF6" + frames(lsf128, 165) + apeFooter(), 20.66, 287, 21, true},
      // Junk before the first frame, twelve frames at 32 kHz amid 48 kHz
      // (FFmpeg's own clock says 318.90 s there, after its resampler is set
      // up again twice; it decodes 300.02 s of samples).
      {"damage_32k", junk + frames(layer2, 8841) + frames(layer2At32k, 12) + frames(layer2, 3642) + apeFooter(), 300.02,
       12495, 300, true},
      // A frame that lost its first byte.
      {"damage_8k", frames(lsf8, 27) + testing::frame(lsf8).substr(1) + frames(lsf8, 16135) + tags, 1163.66, 16162,
       1164, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySource source(c.bytes);
    const std::optional<FrameAt> first = FindAudioStart(source);
    ASSERT_TRUE(first);
    EXPECT_NEAR(CountFrames(source, first->position, AudioEnd(source, first->position), first->header).seconds(),
                c.decoded, 0.1);
    const std::string path = write(std::string(c.name) + ".mp3", c.bytes);
    Mp3Info probed;
    Mp3Info walked;
    ASSERT_EQ(GetMp3Info(path, probed), 1);
    ASSERT_EQ(GetMp3InfoWalked(path, walked), 1);
    for (const Mp3Info* info : {&probed, &walked}) {
      EXPECT_EQ(info->Frames, c.frames);
      EXPECT_EQ(info->Duration, c.duration);
      EXPECT_EQ(info->IsCbr, c.isCbr);
    }
    EXPECT_EQ(probed.Bitrate, walked.Bitrate);
  }
}

// A file without a VBR header is read whole: at once up to a megabyte, in
// pieces of a megabyte beyond. Frames that straddle the end of a piece, one
// frame of another bitrate there or at the end, and the tags behind the
// audio are measured as a frame by frame count over the bytes in memory
// measures them.
TEST_F(GetMp3InfoTest, FilesReadWholeMeasureAsTheirFramesCountedInMemory) {
  const FrameFields louder{.bitrate = 160};       // 522 bytes among frames of 417
  const int aroundAMegabyte = 1024 * 1024 / 417;  // the frame that the first megabyte cuts
  const auto withOdd = [&](int count, int at) {
    return frames(kCbr128, at) + testing::frame(louder) + frames(kCbr128, count - at - 1);
  };
  std::string vbr;
  while (vbr.size() < 4'000'000) vbr += testing::frame(kCbr128) + testing::frame(louder);
  const std::string v1 = testing::id3v1Tag("Titolo", "", "", "", "", 3);
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"constant, just under a megabyte", frames(kCbr128, 2500)},
      {"constant, just over a megabyte", frames(kCbr128, 2520)},
      {"constant, several megabytes, and a tag", frames(kCbr128, 9000) + v1},
      {"one other frame where the first megabyte ends", withOdd(9000, aroundAMegabyte)},
      {"one other frame where the second megabyte ends", withOdd(9000, 2 * aroundAMegabyte + 1)},
      {"one other frame last", withOdd(2520, 2519)},
      {"variable, four megabytes, and a tag", vbr + v1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySource source(c.bytes);
    const std::optional<FrameAt> first = FindAudioStart(source);
    ASSERT_TRUE(first);
    const StreamCount count = CountFrames(source, first->position, AudioEnd(source, first->position), first->header);
    Mp3Info info;
    ASSERT_EQ(GetMp3Info(write("whole.mp3", c.bytes), info), 1);
    EXPECT_EQ(info.FileSize, static_cast<int32_t>(c.bytes.size()));
    EXPECT_EQ(info.Frames, count.frames);
    EXPECT_EQ(info.Duration, static_cast<int32_t>(std::nearbyint(count.seconds())));
    EXPECT_EQ(info.IsCbr, count.oneBitrate);
    EXPECT_EQ(info.Bitrate, count.oneBitrate
                                ? count.bitrate
                                : static_cast<int16_t>(std::nearbyint(static_cast<double>(count.bitrateSum) /
                                                                      static_cast<double>(count.frames))));
    const bool tagged = c.bytes.compare(c.bytes.size() - 128, 3, "TAG") == 0;
    EXPECT_EQ(info.HasTag, tagged);
    if (tagged) {
      EXPECT_EQ(info.Title, "Titolo");
    }
  }
}

TEST_F(GetMp3InfoTest, BitrateOfAConstantStreamIsItsAudiosNotItsInfoFrames) {
  // FFmpeg writes the Info frame of 32 kbit/s MPEG-2 mono audio at 56 kbit/s,
  // the smallest frame that holds the tag (182 bytes); the audio's frames are
  // 104 and 105 bytes.
  const FrameFields audio{.version = 2, .bitrate = 32, .sampleRate = 22050, .mode = 3};
  FrameFields tagFrame = audio;
  tagFrame.bitrate = 56;
  const int count = 768;
  const std::string stream = testing::paddedCbrFrames(audio, count);
  const std::string info =
      testing::xingFrame(tagFrame, "Info", 13, 3, count, static_cast<uint32_t>(stream.size() + frameLength(tagFrame)));
  const struct {
    const char* name;
    std::string bytes;
    int frames;
  } cases[] = {
      {"with its Info frame", info + stream, count},
      {"the same audio without it", stream, count},
      // An Info frame whose byte count does not fit the file is passed over:
      // the frames after it are walked.
      {"with an Info frame of a longer file", testing::xingFrame(tagFrame, "Info", 13, 3, count, 900000) + stream,
       count},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Mp3Info measured;
    ASSERT_EQ(GetMp3Info(write("info.mp3", c.bytes), measured), 1);
    EXPECT_EQ(measured.Bitrate, 32);
    EXPECT_TRUE(measured.IsCbr);
    EXPECT_EQ(measured.Frames, c.frames);
    EXPECT_EQ(measured.Duration, roundedSeconds(count, 576, 22050));  // 20.06 s
  }
}

}  // namespace
}  // namespace lumo::mp3
