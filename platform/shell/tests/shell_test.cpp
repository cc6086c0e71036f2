#include "platform/shell/shell.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "testsupport/test_files.h"

namespace fs = std::filesystem;
using namespace lumo::shell;

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root / "Book" / "Libro");
    std::ofstream(root / "Book" / "Marker.TXT") << "x";
  }
  lumo::testsupport::TempFolder temp{"lumo-shell"};
  fs::path root = temp.path();
};

TEST_F(ShellTest, ResolvesEachComponentWithoutRegardToCase) {
  const std::string r = root.string();
  EXPECT_EQ(resolvePath(r + "/book/marker.txt"), r + "/Book/Marker.TXT");
  EXPECT_EQ(resolvePath(r + "/BOOK/libro/"), r + "/Book/Libro/");
  // A missing tail is kept as written after the part that matched.
  EXPECT_EQ(resolvePath(r + "/book/New/x.htm"), r + "/Book/New/x.htm");
  EXPECT_TRUE(existsNoCase(r + "/BOOK/MARKER.txt"));
  EXPECT_FALSE(existsNoCase(r + "/BOOK/other.txt"));
}

TEST_F(ShellTest, StartProgramReportsMissingAndRunsDetached) {
  EXPECT_FALSE(startProgram((root / "nothing").string(), WindowStyle::Maximised));
  const fs::path script = root / "prog";
  const fs::path out = root / "state";
  std::ofstream(script) << "#!/bin/sh\necho \"$LUMO_WINDOW_STATE\" > '" << out.string() << "'\n";
  fs::permissions(script, fs::perms::owner_all);
  EXPECT_TRUE(startProgram((root / "PROG").string(), WindowStyle::Maximised));
  for (int i = 0; i < 200 && !fs::exists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::string state;
  std::ifstream(out) >> state;
  EXPECT_EQ(state, "maximised");
}

TEST(ProgramFolder, IsTheExecutablesFolderUnlessOverridden) {
  EXPECT_TRUE(fs::exists(fs::path(programFolder()) / "lumo_shell_tests"));
  ::setenv("LUMO_PROGRAM_FOLDER", "/opt/lumo/", 1);
  EXPECT_EQ(programFolder(), "/opt/lumo");
  ::unsetenv("LUMO_PROGRAM_FOLDER");
}
