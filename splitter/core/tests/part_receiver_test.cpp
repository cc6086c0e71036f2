// The parts of an engine run taken through FIFOs and written behind their
// tag, with a writer in the test in the engine's place.

#include "splitter/core/part_receiver.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include "testsupport/common/mp3_frames.h"
#include "testsupport/common/test_files.h"

namespace lumo::splitter {
namespace {

namespace fs = std::filesystem;
using mp3::testing::FrameFields;

id3::TypeTagV2 tagOf(const std::string& title, const std::string& track) {
  id3::TypeTagV2 tag;
  tag.Valide(true);
  tag.Titre(title);
  tag.Album("Pinocchio");
  tag.Piste(track);
  tag.Genre("28");
  return tag;
}

// Writes bytes into the file at path as mp3splt does: opened for reading
// and writing, in pieces of 4 KiB, then closed.
void engineWrites(const fs::path& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
  ASSERT_GE(fd, 0) << path;
  for (size_t at = 0; at < bytes.size(); at += 4096) {
    const size_t n = std::min<size_t>(4096, bytes.size() - at);
    ASSERT_EQ(::write(fd, bytes.data() + at, n), static_cast<ssize_t>(n));
  }
  ::close(fd);
}

// What the tag writer makes of the engine's part.
std::string tagWriterResult(const fs::path& folder, const id3::TypeTagV2& tag, const std::string& bytes) {
  const fs::path copy = folder / "copy.bin";
  testsupport::writeBytes(copy, bytes);
  tag.WriteTag(copy.string());
  std::string result = testsupport::readBytes(copy);
  fs::remove(copy);
  return result;
}

TEST(PartReceiverTest, EachPartIsWhatTheTagWriterMakesOfItOrTheEnginesBytesAlone) {
  const testsupport::TempFolder temp("lumo-part-receiver");
  const fs::path folder = temp.path() / "run";
  fs::create_directories(folder);
  const FrameFields fields;
  // Larger than a pipe holds and than one read: a Xing header whose byte
  // count the tag changes, then 2,000 frames.
  const std::string vbr = mp3::testing::xingFrame(fields, "Xing", 36, 3, 2001, 1) + mp3::testing::frames(fields, 2000);
  struct Case {
    const char* what;
    std::string bytes;
    bool tagged;  // false: the engine's bytes, for the tag writer to decide on
  };
  const Case cases[] = {
      {"a part with a Xing header", vbr, true},
      {"a part without a header", mp3::testing::frames(fields, 20), true},
      {"data in front of the first frame", "junk" + mp3::testing::frames(fields, 20), false},
      {"no audio", std::string(5000, 'a'), false},
      {"an empty part", "", false},
  };
  std::vector<PartToReceive> parts;
  for (size_t k = 0; k < std::size(cases); ++k)
    parts.push_back({"CAP_" + std::to_string(k + 1) + ".mp3", tagOf(cases[k].what, std::to_string(k + 1))});
  parts.push_back({"CAP_9.mp3", tagOf("never written", "9")});
  PartReceiver receiver(folder.string(), parts);
  ASSERT_TRUE(receiver.active());
  for (size_t k = 0; k < std::size(cases); ++k) engineWrites(folder / parts[k].name, cases[k].bytes);
  receiver.finish();

  EXPECT_EQ(receiver.failure(), "");
  for (size_t k = 0; k < std::size(cases); ++k) {
    SCOPED_TRACE(cases[k].what);
    const fs::path part = folder / parts[k].name;
    ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(part)));
    EXPECT_EQ(receiver.tagged(part.string()), cases[k].tagged);
    const std::string expected =
        cases[k].tagged ? tagWriterResult(temp.path(), parts[k].tag, cases[k].bytes) : cases[k].bytes;
    EXPECT_TRUE(testsupport::readBytes(part) == expected);
    if (cases[k].tagged) {
      EXPECT_NE(expected, cases[k].bytes);
    }
  }
  // A part the engine never wrote is no file; nothing else is left.
  EXPECT_FALSE(fs::is_regular_file(fs::symlink_status(folder / "CAP_9.mp3")));
  size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    EXPECT_TRUE(entry.path().filename().string().starts_with("CAP_")) << entry.path();
    ++entries;
  }
  EXPECT_LE(entries, std::size(cases) + 1);
}

// Where a FIFO cannot be made (here a name that is already taken), nothing
// is set up, what it made is removed and the file there stays as it was.
TEST(PartReceiverTest, AFolderThatTakesNoFifoIsLeftToTheEngine) {
  const testsupport::TempFolder temp("lumo-part-receiver-taken");
  const fs::path folder = temp.path();
  testsupport::writeBytes(folder / "CAP_2.mp3", "already here");
  {
    PartReceiver receiver(
        folder.string(),
        {{"CAP_1.mp3", tagOf("Primo", "1")}, {"CAP_2.mp3", tagOf("Secondo", "2")}, {"CAP_3.mp3", tagOf("Terzo", "3")}});
    EXPECT_FALSE(receiver.active());
    receiver.finish();
    EXPECT_FALSE(receiver.tagged((folder / "CAP_2.mp3").string()));
  }
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"CAP_2.mp3"});
  EXPECT_EQ(testsupport::readBytes(folder / "CAP_2.mp3"), "already here");
}

}  // namespace
}  // namespace lumo::splitter
