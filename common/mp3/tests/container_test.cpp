// The MP3 container reader: the ID3v2 tags at a file's start, the first
// frame behind them, the VBR header's fields inside the first frame, and the
// probes that tell a constant-bitrate stream without a VBR header.

#include "common/mp3/container.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "common/mp3/mp3.h"
#include "testsupport/common/cbr_frames.h"
#include "testsupport/common/lame_fixture.h"
#include "testsupport/common/mp3_frames.h"
#include "testsupport/common/test_files.h"

namespace lumo::mp3 {
namespace {

namespace fs = std::filesystem;
using testing::FrameFields;
using testing::frames;

std::string syncsafe(uint32_t v) {
  return {static_cast<char>(v >> 21 & 0x7F), static_cast<char>(v >> 14 & 0x7F), static_cast<char>(v >> 7 & 0x7F),
          static_cast<char>(v & 0x7F)};
}

// An ID3v2 tag of the version with a body of `body` bytes that holds bytes
// FF FB (a frame header's first two bytes) and, when footer, the flag that
// announces a footer and the footer itself (written for every version, so
// that a reader counting it where the version has none lands in it).
std::string id3v2(int version, uint32_t body, bool footer) {
  std::string tag =
      std::string("ID3") + static_cast<char>(version) + '\0' + static_cast<char>(footer ? 0x10 : 0) + syncsafe(body);
  for (uint32_t i = 0; i < body; ++i) tag += (i % 5 == 0) ? '\xFF' : (i % 5 == 1 ? '\xFB' : 'x');
  if (footer) tag += std::string("3DI") + static_cast<char>(version) + '\0' + '\x10' + syncsafe(body);
  return tag;
}

TEST(Mp3Container, FindsTheAudioBehindTheTagsOfEveryVersion) {
  const std::string audio = frames(FrameFields{}, 20);
  const struct {
    const char* name;
    std::string lead;
    int64_t tagsEnd;  // where the tags end
    int64_t audioAt;  // where the first frame is
  } cases[] = {
      {"no tag", "", 0, 0},
      {"v2.2", id3v2(2, 300, false), 310, 310},
      {"v2.3", id3v2(3, 300, false), 310, 310},
      {"v2.4", id3v2(4, 300, false), 310, 310},
      // The footer flag means a footer only in version 4; in 2 and 3 the ten
      // bytes are no tag and no audio, and the frame search steps over them.
      {"v2.2 with the flag", id3v2(2, 300, true), 310, 320},
      {"v2.3 with the flag", id3v2(3, 300, true), 310, 320},
      {"v2.4 with a footer", id3v2(4, 300, true), 320, 320},
      {"three tags in a row", id3v2(3, 100, false) + id3v2(4, 50, true) + id3v2(2, 7, false), 110 + 70 + 17,
       110 + 70 + 17},
      // Junk with stray headers that no second header follows.
      {"junk before the first frame", std::string("\xFF\xFB\x90\x00junk\xFF\xFB", 10) + std::string(500, 'j'), 0, 510},
      {"a tag and junk", id3v2(3, 40, false) + std::string(33, '\xFF'), 50, 83},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = c.lead + audio;
    MemorySource source(bytes);
    EXPECT_EQ(SkipId3v2Tags(source), c.tagsEnd);
    const std::optional<FrameAt> first = FindAudioStart(source);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->position, c.audioAt);
    EXPECT_EQ(first->header.Bitrate, 128);
  }
  // A tag whose size passes the end, and a lone frame, which is no stream.
  const std::string cut = id3v2(3, 300, false).substr(0, 100);
  MemorySource cutSource(cut);
  EXPECT_EQ(SkipId3v2Tags(cutSource), 100);
  EXPECT_FALSE(FindAudioStart(cutSource));
  const std::string lone = testing::frame(FrameFields{});
  MemorySource loneSource(lone);
  EXPECT_FALSE(FindAudioStart(loneSource));
}

TEST(Mp3Container, VbrFieldsAreGivenOnlyInsideTheFrame) {
  const FrameFields st{};                                                              // 417 bytes, header at 36
  const FrameFields tiny{.version = 2, .bitrate = 8, .sampleRate = 22050, .mode = 3};  // 26 bytes, header at 13
  const std::string full = testing::xingFrame(st, "Xing", 36, 15, 100, 5000);
  // 13 + 8 = 21: the frame count fits, the byte count and the table do not.
  std::string shortFrame = testing::frame(tiny);
  shortFrame.replace(13, 4, "Xing");
  testing::putBigEndian(shortFrame, 17, 7);
  testing::putBigEndian(shortFrame, 21, 1);
  std::string lame = full;
  lame.replace(36 + 8 + 4 + 4 + 100 + 4, 4, "LAME");
  const struct {
    const char* name;
    std::string bytes;
    VbrTag::Kind kind;
    bool whole;
    int64_t frames, bytesAt, toc, lameAt;
  } cases[] = {
      {"all fields", full, VbrTag::Xing, true, 44, 48, 52, -1},
      {"all fields and LAME", lame, VbrTag::Xing, true, 44, 48, 52, 156},
      {"Info, counts only", testing::xingFrame(st, "Info", 36, 3, 1, 2), VbrTag::Info, true, 44, 48, -1, -1},
      {"a frame shorter than its header", shortFrame + frames(tiny, 3), VbrTag::Xing, false, 21, -1, -1, -1},
      {"a file cut inside the header", full.substr(0, 60), VbrTag::Xing, false, 44, 48, -1, -1},
      {"VBRI", testing::vbriFrame(st, 10, 20), VbrTag::Vbri, true, 50, 46, -1, -1},
      {"VBRI cut short", testing::vbriFrame(st, 10, 20).substr(0, 50), VbrTag::Vbri, false, -1, -1, -1, -1},
      {"none", testing::frame(st), VbrTag::None, true, -1, -1, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySource source(c.bytes);
    const std::optional<FrameAt> first = FrameHeaderAt(source, 0);
    ASSERT_TRUE(first);
    const VbrTag tag = FindVbrTag(source, *first);
    EXPECT_EQ(tag.kind, c.kind);
    EXPECT_EQ(tag.whole, c.whole);
    EXPECT_EQ(tag.framesField, c.frames);
    EXPECT_EQ(tag.bytesField, c.bytesAt);
    EXPECT_EQ(tag.tocField, c.toc);
    EXPECT_EQ(tag.lameField, c.lameAt);
  }
  // The tag writer compares the word without regard to case.
  const std::string lower = testing::xingFrame(st, "xing", 36, 3, 1, 2);
  MemorySource source(lower);
  EXPECT_EQ(FindVbrTag(source, *FrameHeaderAt(source, 0)).kind, VbrTag::None);
  EXPECT_EQ(FindVbrTag(source, *FrameHeaderAt(source, 0), TagWordCase::Any).kind, VbrTag::Xing);
}

// The walk stops at the first bytes that are no whole frame, and at its end.
TEST(Mp3Container, WalksWholeFramesUpToWhatIsNoFrame) {
  const FrameFields st{};  // 417 bytes
  const std::string run = frames(st, 4);
  const struct {
    const char* name;
    std::string bytes;
    int64_t from, end;
    int frames;
    int64_t stop;
  } cases[] = {
      {"a run to the file's end", run, 0, 1 << 20, 4, 4 * 417},
      {"an ID3v1 tag behind", run + "TAG" + std::string(125, ' '), 0, 1 << 20, 4, 4 * 417},
      {"the last frame cut short", run.substr(0, 4 * 417 - 1), 0, 1 << 20, 3, 3 * 417},
      {"damage in the middle", run.substr(0, 2 * 417) + "junk" + run, 0, 1 << 20, 2, 2 * 417},
      {"an end inside a frame", run, 417, 3 * 417 + 10, 2, 3 * 417},
      {"no frame where it starts", "junk" + run, 0, 1 << 20, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySource source(c.bytes);
    int count = 0;
    int64_t next = c.from;
    const int64_t stop = WalkFrames(source, c.from, c.end, [&](const FrameAt& frame) {
      EXPECT_EQ(frame.position, next);
      next = frame.end();
      ++count;
    });
    EXPECT_EQ(count, c.frames);
    EXPECT_EQ(stop, c.stop);
  }
}

// What lies between frames: the count goes on behind it as a decoder's does.
TEST(Mp3Container, CountsTheFramesADecoderPlays) {
  const FrameFields st{};  // 417 bytes, 26.1 ms
  FrameFields at48 = st;
  at48.sampleRate = 48000;  // 384 bytes, 24 ms
  FrameFields low = st;
  low.bitrate = 64;
  const std::string run = frames(st, 20);
  const std::string frame = testing::frame(st);
  std::string apeWithHeader = "APETAGEX" + std::string("\xD0\x07\0\0\x30\0\0\0\0\0\0\0\0\0\0\xA0", 16) +
                              std::string(8, '\0') + std::string(16, 'a');  // its size: 16 of items, the footer
  apeWithHeader += "APETAGEX" + std::string("\xD0\x07\0\0\x30\0\0\0\0\0\0\0\0\0\0\x80", 16) + std::string(8, '\0');
  const struct {
    const char* name;
    std::string bytes;
    int frames;
    double seconds;
    bool oneBitrate;
  } cases[] = {
      {"junk between", run + "junk" + run, 40, 40 * 1152 / 44100.0, true},
      {"zeros between", run + std::string(5000, '\0') + run, 40, 40 * 1152 / 44100.0, true},
      // Bytes FF FB in the tag body are headers no frame confirms.
      {"an ID3v2 tag between", run + id3v2(3, 3000, false) + run, 40, 40 * 1152 / 44100.0, true},
      {"ID3v1 and APE tags between", run + testing::id3v1Tag("t", "", "", "", "", 0) + apeWithHeader + run, 40,
       40 * 1152 / 44100.0, true},
      // Its first byte lost, a frame is no frame; the next one is found.
      {"a frame that lost its first byte", run + frame.substr(1) + run, 40, 40 * 1152 / 44100.0, true},
      // A lost byte inside a frame: the frame counts, the next header lies a
      // byte before where it ends, and that frame is lost to the search.
      {"a frame that lost a body byte", run + frame.substr(0, 416) + run, 40, 40 * 1152 / 44100.0, true},
      {"one frame of another bitrate", run + testing::frame(low) + run, 41, 41 * 1152 / 44100.0, false},
      {"frames of another sample rate", run + frames(at48, 5) + run, 45, 40 * 1152 / 44100.0 + 5 * 0.024, true},
      {"one frame of another sample rate", run + testing::frame(at48) + run, 41, 40 * 1152 / 44100.0 + 0.024, true},
      // A lone header of another stream amid junk is no frame.
      {"a lone header of another stream in junk", run + "junk" + testing::frame(at48).substr(0, 10) + "junk" + run, 40,
       40 * 1152 / 44100.0, true},
      {"the last frame cut short", run + frame.substr(0, 200), 21, 21 * 1152 / 44100.0, true},
      {"nothing after the damage", run + std::string(3000, 'x'), 20, 20 * 1152 / 44100.0, true},
      {"one header after the damage", run + "junk" + frame + "junk", 20, 20 * 1152 / 44100.0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySource source(c.bytes);
    const StreamCount count = CountFrames(source, 0, source.size(), FrameHeaderAt(source, 0)->header);
    EXPECT_EQ(count.frames, c.frames);
    EXPECT_NEAR(count.seconds(), c.seconds, 1e-9);
    EXPECT_EQ(count.oneBitrate, c.oneBitrate);
  }
}

// The tags at the end, in the orders writers leave them, are no audio.
TEST(Mp3Container, AudioEndsBeforeTheTrailingTags) {
  const std::string run = frames(FrameFields{}, 20);
  const std::string v1 = testing::id3v1Tag("t", "", "", "", "", 0);
  std::string apeFooter = "APETAGEX" + std::string("\xD0\x07\0\0\x20\0\0\0\0\0\0\0\0\0\0\0", 16) + std::string(8, '\0');
  const struct {
    const char* name;
    std::string tail;
  } cases[] = {
      {"none", ""},
      {"ID3v1", v1},
      {"APE footer", apeFooter},
      {"ID3v1 then APE", v1 + apeFooter},
      {"APE then ID3v1", apeFooter + v1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = run + c.tail;
    MemorySource source(bytes);
    EXPECT_EQ(AudioEnd(source, 0), static_cast<int64_t>(run.size()));
  }
}

// The frames of a stream counted one by one from its first frame.
int64_t walkedFrames(const std::string& bytes, int64_t from) {
  int64_t count = 0;
  MemorySource source(bytes);
  for (std::optional<FrameAt> f = FrameHeaderAt(source, from); f; f = FrameHeaderAt(source, f->end())) ++count;
  return count;
}

class ConstantBitrateProbeTest : public ::testing::Test {
 protected:
  std::string lame(const std::string& name, double seconds, const std::string& options, int rate = 44100) {
    const fs::path file = folder_.path() / name;
    EXPECT_TRUE(testsupport::EncodeLameTone(file, {seconds, options, rate, 1}));
    return testsupport::readBytes(file);
  }
  testsupport::TempFolder folder_{"lumo-mp3-probe"};
};

TEST_F(ConstantBitrateProbeTest, TellsConstantBitrateOnlyWhenEveryProbeAgrees) {
  const FrameFields cbr48{.bitrate = 128, .sampleRate = 48000};  // 384 bytes, never padded
  const FrameFields low{.bitrate = 64};
  const FrameFields lsfMono{.version = 2, .bitrate = 32, .sampleRate = 22050, .mode = 3};
  // lame without its Info header: 44.1 kHz pads frames to hold 208.98 bytes
  // on average, 22.05 kHz MPEG-2 104.49.
  const std::string padded = lame("padded.mp3", 60, "-t --cbr -b 64");
  const std::string padded22 = lame("padded22.mp3", 120, "-t --cbr -b 32 --resample 22.05", 22050);
  const std::string other = lame("other.mp3", 60, "-t --cbr -b 96");
  const std::string vbr = lame("vbr.mp3", 60, "-t -V 5");
  std::string sameFirst = frames(cbr48, 700);  // VBR whose first 700 frames share one bitrate
  for (int i = 0; i < 300; ++i) sameFirst += testing::frame(FrameFields{.bitrate = 192, .sampleRate = 48000});
  std::string freeFormat = frames(cbr48, 1000);
  for (size_t at = 384 * 500; at < freeFormat.size(); at += 384) freeFormat[at + 2] &= 0x0F;  // bitrate index 0
  std::string damaged = frames(cbr48, 1000);
  std::fill(damaged.begin() + 384 * 495, damaged.begin() + 384 * 505, '\0');
  std::string lastCut = padded.substr(0, padded.size() - 100);
  // Damage the grid of a constant bitrate hides between the probes (which
  // look at a sixth of the audio and its multiples): one frame of twelve
  // frames' length (the probes see the stream on the grid again after it),
  // frames of another sample rate that fill whole frames of the stream, and
  // a byte lost in a frame and one of junk a few frames later.
  const FrameFields layer2{.layer = 2, .bitrate = 32, .sampleRate = 48000};  // 96 bytes
  FrameFields layer2Loud = layer2;
  layer2Loud.bitrate = 384;  // 1152 bytes
  FrameFields layer2At32k = layer2;
  layer2At32k.sampleRate = 32000;  // 144 bytes: 3 of them fill 4.5 frames
  const std::string oddFrame = frames(layer2, 700) + testing::frame(layer2Loud) + frames(layer2, 2300);
  const std::string otherRate = frames(layer2, 700) + frames(layer2At32k, 12) + frames(layer2, 2300);
  std::string lostByte = frames(cbr48, 1000);
  lostByte.erase(384 * 250 + 100, 1);
  lostByte.insert(384 * 255, 1, 'x');
  const std::string v1 = testing::id3v1Tag("a", "", "", "", "", 0);

  const struct {
    const char* name;
    std::string bytes;
    bool constant;
  } cases[] = {
      {"CBR without padding", frames(cbr48, 1000), true},
      {"CBR with padding", padded, true},
      {"MPEG-2 CBR with padding", padded22, true},
      {"CBR and an ID3v1 tag", padded + v1, true},
      {"CBR padded as encoders pad", testing::paddedCbrFrames(lsfMono, 5000), true},
      {"too short to probe", frames(cbr48, 500), false},
      {"VBR", vbr, false},
      {"VBR whose first frames share one bitrate", sameFirst, false},
      {"free format from the middle on", freeFormat, false},
      {"damaged where a probe looks", damaged, false},
      {"the last frame cut short", lastCut, false},
      {"zeros behind the audio", frames(cbr48, 1000) + std::string(1000, '\0'), false},
      {"two bitrates joined", padded + other, false},
      {"one bitrate joined over a tag", padded + v1 + padded, false},
      {"CBR and VBR joined", padded + vbr, false},
      {"another stream behind", frames(low, 1500) + frames(cbr48, 1000), false},
      {"one frame of another bitrate between the probes", oddFrame, false},
      {"frames of another sample rate between the probes", otherRate, false},
      {"a byte lost between the probes", lostByte, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySource source(c.bytes);
    const std::optional<FrameAt> first = FindAudioStart(source);
    ASSERT_TRUE(first);
    const bool v1Tag = c.bytes.compare(c.bytes.size() - 128, 3, "TAG") == 0;
    const int64_t audioEnd = source.size() - (v1Tag ? 128 : 0);
    const std::optional<int64_t> count = ConstantBitrateFrames(source, *first, audioEnd);
    EXPECT_EQ(count.has_value(), c.constant);
    // Told or walked, the analysis counts the frames one by one would.
    const fs::path file = folder_.path() / "case.mp3";
    testsupport::writeBytes(file, c.bytes);
    Mp3Info info;
    ASSERT_EQ(GetMp3Info(file.string(), info), 1);
    if (c.constant) {
      EXPECT_EQ(*count, walkedFrames(c.bytes, first->position));
      EXPECT_EQ(info.Frames, *count);
      EXPECT_TRUE(info.IsCbr);
    }
    // Told from the probes or walked, the measure is the walk's.
    Mp3Info walked;
    ASSERT_EQ(GetMp3InfoWalked(file.string(), walked), 1);
    EXPECT_EQ(info.Frames, walked.Frames);
    EXPECT_EQ(info.Duration, walked.Duration);
    EXPECT_EQ(info.IsCbr, walked.IsCbr);
    EXPECT_EQ(info.Bitrate, walked.Bitrate);
  }
}

}  // namespace
}  // namespace lumo::mp3
