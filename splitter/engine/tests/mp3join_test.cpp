// Joining two parts that mp3splt cut: the joined file measures as both.

#include <gtest/gtest.h>

#include <optional>

#include "common/mp3/mp3.h"
#include "splitter/engine/mp3join.h"
#include "splitter/engine/tests/audio.h"
#include "testsupport/test_files.h"

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
  fs::permissions(dir_ / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  if (::access((dir_ / "ro").c_str(), W_OK) != 0) {  // root writes anywhere
    EXPECT_NE(AppendMp3((dir_ / "ro" / "p.mp3").string(), second.string()), "");
    EXPECT_EQ(readBytes(dir_ / "ro" / "p.mp3"), first);
  }
  fs::permissions(dir_ / "ro", fs::perms::owner_all);
}

}  // namespace
}  // namespace lumo::splitter::testing
