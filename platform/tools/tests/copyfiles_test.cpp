#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/tools/tools.h"
#include "platform/ui/ui.h"
#include "testsupport/common/test_files.h"
#include "testsupport/test_env.h"

namespace fs = std::filesystem;
using namespace lumo::tools;
using lumo::ui::Answer;

namespace {

std::string contentOf(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every name in a folder, hidden temporary files included.
std::vector<std::string> namesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class CopyFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(src);
    std::ofstream(src / "01.mp3") << "one";
    std::ofstream(src / "02.MP3") << "two";
    std::ofstream(src / "notes.txt") << "not audio";
    fs::create_directories(src / "folder.mp3");  // a folder is no file to copy
    setCopyProgressHook([this](const CopyProgress& p) { progress.push_back(p); });
  }
  void TearDown() override { setCopyProgressHook(nullptr); }
  lumo::testsupport::TempFolder temp{"lumo-copy"};
  fs::path root = temp.path(), src = root / "Libro", dst = root / "out";
  std::vector<CopyProgress> progress;
  lumo::testsupport::ScriptedUi script;
};

}  // namespace

TEST_F(CopyFilesTest, CopiesWhatThePatternMatchesAndReportsProgress) {
  // The folder is given in another case than it has, as on the source system.
  ASSERT_TRUE(CopyFiles((root / "LIBRO").string() + "/*.mp3", dst.string() + "/", false));
  EXPECT_EQ(namesIn(dst), (std::vector<std::string>{"01.mp3", "02.MP3"}));
  EXPECT_EQ(contentOf(dst / "02.MP3"), "two");
  EXPECT_TRUE(script->shown().empty());
  ASSERT_EQ(progress.size(), 3u);
  EXPECT_EQ(progress[0].file, "01.mp3");
  EXPECT_EQ(progress[1].fileIndex, 2);
  EXPECT_EQ(progress[1].fileCount, 2);
  EXPECT_EQ(progress[1].bytesDone, 3u);
  EXPECT_TRUE(progress[2].finished);
  EXPECT_EQ(progress[2].bytesDone, 6u);
  EXPECT_EQ(progress[2].bytesTotal, 6u);
}

TEST_F(CopyFilesTest, AsksBeforeReplacingUnlessTold) {
  fs::create_directories(dst);
  std::ofstream(dst / "01.mp3") << "old";
  std::ofstream(dst / "02.MP3") << "old";
  script->queueAnswer(Answer::No);   // keep 01
  script->queueAnswer(Answer::Yes);  // replace 02
  ASSERT_TRUE(CopyFiles(src.string() + "/*.mp3", dst.string(), false));
  EXPECT_EQ(contentOf(dst / "01.mp3"), "old");
  EXPECT_EQ(contentOf(dst / "02.MP3"), "two");
  ASSERT_EQ(script->shown().size(), 2u);
  EXPECT_EQ(script->shown()[0].title, "Conferma sostituzione file");
  EXPECT_NE(script->shown()[0].text.find("\"01.mp3\""), std::string::npos);
  EXPECT_EQ(script->shown()[0].buttons(), lumo::ui::mb::YesNoCancel);

  script->clear();
  script->queueAnswer(Answer::Cancel);
  EXPECT_FALSE(CopyFiles(src.string() + "/*.mp3", dst.string(), false)) << "a cancelled copy is no success";
  EXPECT_EQ(contentOf(dst / "01.mp3"), "old");

  script->clear();
  ASSERT_TRUE(CopyFiles(src.string() + "/*.mp3", dst.string(), true));
  EXPECT_TRUE(script->shown().empty());
  EXPECT_EQ(contentOf(dst / "01.mp3"), "one");
}

TEST_F(CopyFilesTest, AFailedCopyLeavesNothingUnderAnyName) {
  // A non-empty folder stands where 02.MP3 should go: the rename into place fails.
  fs::create_directories(dst / "02.MP3" / "inside");
  EXPECT_FALSE(CopyFiles(src.string() + "/*.mp3", dst.string(), true));
  EXPECT_EQ(namesIn(dst), (std::vector<std::string>{"01.mp3", "02.MP3"}));
  EXPECT_TRUE(fs::is_directory(dst / "02.MP3")) << "no temporary file was left beside it";
}

TEST_F(CopyFilesTest, SourcesOtherThanPatterns) {
  EXPECT_FALSE(CopyFiles(src.string() + "/*.wav", dst.string(), false)) << "nothing matched";
  EXPECT_FALSE(CopyFiles((src / "none.mp3").string(), dst.string(), false));
  ASSERT_TRUE(CopyFiles((src / "notes.txt").string(), dst.string(), false));
  EXPECT_EQ(contentOf(dst / "notes.txt"), "not audio");
  ASSERT_TRUE(CopyFiles(src.string(), (root / "tree").string(), false));
  EXPECT_EQ(contentOf(root / "tree" / "Libro" / "01.mp3"), "one");
  // A file copied onto itself stays as it is.
  ASSERT_TRUE(CopyFiles(src.string() + "/*.mp3", src.string(), false));
  EXPECT_EQ(contentOf(src / "01.mp3"), "one");
  EXPECT_TRUE(script->shown().empty());
}
