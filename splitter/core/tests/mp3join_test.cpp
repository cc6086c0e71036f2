// Joining two parts that mp3splt cut: the joined file measures as both.

#include <gtest/gtest.h>

#include <optional>

#include "common/mp3/container.h"
#include "common/mp3/mp3.h"
#include "splitter/core/mp3join.h"
#include "splitter/core/tests/audio.h"
#include "splitter/core/tests/lame_fields.h"
#include "testsupport/common/mp3_frames.h"
#include "testsupport/common/test_files.h"

namespace lumo::splitter::testing {
namespace {

class JoinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = missingTools();
    ASSERT_TRUE(missing.empty()) << missing;
    folder_.emplace("lumo-join");
    dir_ = folder_->path();
    // A 30 s recording cut by mp3splt into 10 s and 20 s parts, each with
    // its own Info header frame.
    ASSERT_TRUE(encodeTone(dir_ / "src.mp3", 30));
    const std::string cut = "mp3splt -q -d " + quote(dir_.string()) + " " + quote((dir_ / "src.mp3").string()) +
                            " 0.00 0.10 EOF -n -o 'part_@n' >/dev/null 2>&1";
    ASSERT_EQ(std::system(cut.c_str()), 0);
  }
  void TearDown() override { folder_.reset(); }

  int32_t measured(const fs::path& file) {
    mp3::Mp3Info info;
    return mp3::GetMp3Info(file.string(), info) == 1 ? info.Duration : -1;
  }

  std::optional<testsupport::TempFolder> folder_;
  fs::path dir_;
};

TEST_F(JoinTest, JoinedPartMeasuresAsBothHalvesForEveryReader) {
  const fs::path first = dir_ / "part_1.mp3", second = dir_ / "part_2.mp3";
  const std::string secondBytes = readBytes(second);
  // What a byte copy gives: another reader sees only the first half.
  std::ofstream(dir_ / "cat.mp3", std::ios::binary) << readBytes(first) << secondBytes;
  EXPECT_NEAR(readWithMutagen((dir_ / "cat.mp3").string()).length, 10, 0.5);

  ASSERT_EQ(AppendMp3(first.string(), second.string()), "");
  EXPECT_NEAR(readWithMutagen(first.string()).length, 30, 0.5);
  EXPECT_NEAR(measured(first), 30, 1);
  EXPECT_EQ(readBytes(second), secondBytes);  // the caller deletes it
  // One header frame is gone: the joined file is shorter than the byte copy.
  EXPECT_LT(fs::file_size(first), fs::file_size(dir_ / "cat.mp3"));
  EXPECT_EQ(fs::file_size(first), fs::file_size(dir_ / "cat.mp3") - 208);
}

// The part a continuation joins onto ends where its recording ended, and a
// recording may end in a frame cut short: the appended audio still counts.
TEST_F(JoinTest, AFirstPartEndingInAFrameCutShortStillMeasuresAsBoth) {
  const fs::path first = dir_ / "part_1.mp3", second = dir_ / "part_2.mp3";
  fs::resize_file(first, fs::file_size(first) - 100);
  const double firstLength = readWithMutagen(first.string()).length;
  ASSERT_EQ(AppendMp3(first.string(), second.string()), "");
  EXPECT_NEAR(readWithMutagen(first.string()).length, firstLength + 20, 0.5);
  EXPECT_NEAR(measured(first), 30, 1);
}

// The counts of a part's Xing/Info header.
struct HeaderCounts {
  int64_t frame = -1, frameEnd = -1;
  uint32_t frames = 0, bytes = 0;
};

HeaderCounts countsOf(const std::string& bytes) {
  mp3::MemorySource source(bytes);
  HeaderCounts c;
  const std::optional<mp3::FrameAt> first = mp3::FindAudioStart(source);
  if (!first) return c;
  const mp3::VbrTag tag = mp3::FindVbrTag(source, *first);
  if (tag.framesField < 0 || tag.bytesField < 0) return c;
  c.frame = first->position;
  c.frameEnd = first->end();
  c.frames = mp3::BigEndian32(source.at(tag.framesField, 4));
  c.bytes = mp3::BigEndian32(source.at(tag.bytesField, 4));
  return c;
}

TEST_F(JoinTest, AGoodJoinCountsBothPartsAndChangesNoByteOutsideTheHeaderFrame) {
  const fs::path first = dir_ / "part_1.mp3", second = dir_ / "part_2.mp3";
  const std::string a = readBytes(first), b = readBytes(second);
  const HeaderCounts ca = countsOf(a), cb = countsOf(b);
  ASSERT_GE(ca.frame, 0);
  ASSERT_GE(cb.frame, 0);
  ASSERT_EQ(AppendMp3(first.string(), second.string()), "");
  const std::string joined = readBytes(first);
  const HeaderCounts cj = countsOf(joined);
  // mp3splt counts a part's header frame among its frames; the joined
  // stream keeps one of the two.
  EXPECT_EQ(cj.frames, ca.frames + cb.frames - 1);
  EXPECT_EQ(cj.bytes, joined.size() - static_cast<size_t>(cj.frame));
  // Before the header frame: the first part's bytes; after it, the rest of
  // the first part and the second part's audio behind its own header frame.
  EXPECT_EQ(joined.substr(0, static_cast<size_t>(ca.frame)), a.substr(0, static_cast<size_t>(ca.frame)));
  EXPECT_EQ(joined.substr(static_cast<size_t>(ca.frameEnd)),
            a.substr(static_cast<size_t>(ca.frameEnd)) + b.substr(static_cast<size_t>(cb.frameEnd)));
}

// Sets the encoder delay and end padding of a part's LAME extension.
std::string withDelayAndPadding(std::string bytes, int delay, int padding) {
  mp3::MemorySource source(bytes);
  const std::optional<mp3::FrameAt> first = mp3::FindAudioStart(source);
  const mp3::VbrTag tag = mp3::FindVbrTag(source, *first);
  const auto at = static_cast<size_t>(tag.lameField);
  bytes[at + 21] = static_cast<char>(delay >> 4);
  bytes[at + 22] = static_cast<char>((delay & 0x0F) << 4 | padding >> 8);
  bytes[at + 23] = static_cast<char>(padding & 0xFF);
  return bytes;
}

// The joined stream begins as the first part and ends as the second: it
// keeps the first part's encoder delay and takes the second part's end
// padding, with the LAME check sum and music length of the joined stream.
TEST_F(JoinTest, TheJoinKeepsTheFirstPartsDelayAndTakesTheSecondPartsPadding) {
  const fs::path first = dir_ / "part_1.mp3", second = dir_ / "part_2.mp3";
  const std::string a = withDelayAndPadding(readBytes(first), 576, 0);
  const std::string b = withDelayAndPadding(readBytes(second), 0, 0x2A7);
  std::ofstream(first, std::ios::binary | std::ios::trunc) << a;
  std::ofstream(second, std::ios::binary | std::ios::trunc) << b;
  ASSERT_EQ(AppendMp3(first.string(), second.string()), "");
  const std::string joined = readBytes(first);
  const std::optional<LameFields> lame = lameFieldsOf(joined);
  ASSERT_TRUE(lame);
  EXPECT_EQ(lame->delay, 576);
  EXPECT_EQ(lame->padding, 0x2A7);
  EXPECT_EQ(lame->musicLength, joined.size());
  EXPECT_TRUE(lame->checksumHolds);
}

// A first part ending in a frame cut short, and a second part whose audio
// is no whole frame: the header still counts every byte of the first part.
TEST_F(JoinTest, AFirstPartEndingInAFrameCutShortCountsAllItsBytesWhenNothingWholeFollows) {
  const fs::path first = dir_ / "part_1.mp3", second = dir_ / "part_2.mp3";
  fs::resize_file(first, fs::file_size(first) - 100);
  const std::string a = readBytes(first), b = readBytes(second);
  const HeaderCounts ca = countsOf(a), cb = countsOf(b);
  ASSERT_GE(cb.frameEnd, 0);
  std::ofstream(second, std::ios::binary | std::ios::trunc) << b.substr(0, static_cast<size_t>(cb.frameEnd) + 100);
  ASSERT_EQ(AppendMp3(first.string(), second.string()), "");
  const std::string joined = readBytes(first);
  EXPECT_EQ(joined.size(), a.size() + 100);
  const HeaderCounts cj = countsOf(joined);
  EXPECT_EQ(cj.frames, ca.frames);
  EXPECT_EQ(cj.bytes, a.size() - static_cast<size_t>(ca.frame));
  const std::optional<LameFields> lame = lameFieldsOf(joined);
  ASSERT_TRUE(lame);
  EXPECT_EQ(lame->musicLength, a.size() - static_cast<size_t>(ca.frame));
  EXPECT_TRUE(lame->checksumHolds);
}

// A first frame of 26 bytes (MPEG-2 8 kbit/s) that a frame of its stream
// follows, with a Xing header at its place whose byte count, seek table and
// scale pass the frame's end.
std::string shortHeaderFrame() {
  const mp3::testing::FrameFields tiny{.version = 2, .bitrate = 8, .sampleRate = 22050, .mode = 3};
  std::string f = mp3::testing::frame(tiny);
  f.replace(13, 4, "Xing");
  mp3::testing::putBigEndian(f, 17, 15);
  return f + mp3::testing::frames(tiny, 40);
}

TEST_F(JoinTest, APartWhoseHeaderDoesNotFitIsNotJoinedAndBothStay) {
  const fs::path fixtures = LUMO_JOIN_FIXTURES;
  const struct {
    const char* name;
    std::string first, second;
  } cases[] = {
      {"a first frame shorter than its header", readBytes(fixtures / "join_small_xing_frame_A.mp3"),
       readBytes(fixtures / "join_small_xing_frame_B.mp3")},
      {"a bit-flipped header", readBytes(fixtures / "join_bitflip_A.mp3"), readBytes(fixtures / "join_bitflip_B.mp3")},
      {"a second part cut short", readBytes(fixtures / "join_trunc_A.mp3"), readBytes(fixtures / "join_trunc_B.mp3")},
      {"a short first frame followed by its stream", shortHeaderFrame(), readBytes(dir_ / "part_2.mp3")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.first.empty());
    const fs::path a = dir_ / "a.mp3", b = dir_ / "b.mp3";
    std::ofstream(a, std::ios::binary | std::ios::trunc) << c.first;
    std::ofstream(b, std::ios::binary | std::ios::trunc) << c.second;
    EXPECT_NE(AppendMp3(a.string(), b.string()), "");
    EXPECT_EQ(readBytes(a), c.first);
    EXPECT_EQ(readBytes(b), c.second);
  }
  // No temporary file stays behind a refused join.
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_NE(entry.path().filename().string().rfind(".lumojoin-", 0), 0u) << entry.path();
}

TEST_F(JoinTest, FailedJoinLeavesBothFilesAsTheyWere) {
  const fs::path second = dir_ / "part_2.mp3";
  const std::string before = readBytes(second);
  EXPECT_NE(AppendMp3((dir_ / "missing.mp3").string(), second.string()), "");
  EXPECT_FALSE(fs::exists(dir_ / "missing.mp3"));
  EXPECT_EQ(readBytes(second), before);
  // A folder that cannot take the temporary file.
  fs::create_directories(dir_ / "ro");
  fs::copy_file(dir_ / "part_1.mp3", dir_ / "ro" / "p.mp3");
  const std::string first = readBytes(dir_ / "ro" / "p.mp3");
  fs::permissions(dir_ / "ro", fs::perms(0555));
  // In a child, which drops root's rights when the tests run as root: 0 when
  // the join failed.
  EXPECT_EQ(
      testsupport::runInChild([&] { return AppendMp3((dir_ / "ro" / "p.mp3").string(), second.string()).empty(); }), 0);
  EXPECT_EQ(readBytes(dir_ / "ro" / "p.mp3"), first);
  fs::permissions(dir_ / "ro", fs::perms::owner_all);
}

}  // namespace
}  // namespace lumo::splitter::testing
