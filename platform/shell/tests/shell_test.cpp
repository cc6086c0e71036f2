#include "platform/shell/shell.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "testsupport/common/test_files.h"
#include "testsupport/test_env.h"

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

namespace {

// Waits (about a minute at most) for a file the started program writes
// last, under a name it renames into place, and returns its text.
std::string waitForFile(const fs::path& file) {
  for (int i = 0; i < 6000 && !fs::exists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return lumo::testsupport::readBytes(file);
}

}  // namespace

TEST_F(ShellTest, StartProgramRunsInItsFolderWithTheWindowStateAndIsReaped) {
  const lumo::testsupport::ScopedEnv inherited("LUMO_SHELL_INHERITED", "yes");
  const lumo::testsupport::ScopedEnv state("LUMO_WINDOW_STATE", "parent's");
  const fs::path folder = root / "Programs";
  fs::create_directories(folder);
  const fs::path out = root / "report";
  lumo::testsupport::writeBytes(folder / "prog",
                                "#!/bin/sh\nprintf '%s %s %s %s\\n' \"$$\" \"$LUMO_WINDOW_STATE\" "
                                "\"$LUMO_SHELL_INHERITED\" \"$(pwd -P)\" > '" +
                                    out.string() + ".part'\nmv '" + out.string() + ".part' '" + out.string() + "'\n");
  fs::permissions(folder / "prog", fs::perms::owner_all);
  ASSERT_TRUE(startProgram((root / "programs" / "PROG").string(), WindowStyle::Normal));
  std::istringstream report(waitForFile(out));
  pid_t pid = 0;
  std::string windowState, inheritedValue, workingFolder;
  report >> pid >> windowState >> inheritedValue >> workingFolder;
  EXPECT_EQ(windowState, "normal");
  EXPECT_EQ(inheritedValue, "yes");
  EXPECT_EQ(workingFolder, fs::canonical(folder).string());
  EXPECT_TRUE(lumo::testsupport::reaped(pid));
  // Only the child's environment carries the state.
  EXPECT_STREQ(std::getenv("LUMO_WINDOW_STATE"), "parent's");
  // Not executable: not started.
  fs::permissions(folder / "prog", fs::perms::owner_read);
  EXPECT_FALSE(startProgram((folder / "prog").string(), WindowStyle::Normal));
}

// A program started while another thread holds the environment's lock (the
// programs run Qt and mpv threads) starts every time.
TEST_F(ShellTest, StartProgramWorksRepeatedlyWhileAnotherThreadSetsTheEnvironment) {
  const lumo::testsupport::ScopedEnv busyVariable("LUMO_SHELL_BUSY", "0");
  std::atomic<bool> stop{false};
  std::thread busy([&stop] {
    for (unsigned i = 0; !stop; ++i) ::setenv("LUMO_SHELL_BUSY", i % 2 ? "1" : "0", 1);
  });
  const fs::path script = root / "prog";
  fs::create_directories(root / "runs");
  std::ofstream(script) << "#!/bin/sh\nmktemp '" << (root / "runs").string() << "/run.XXXXXX' > /dev/null\n";
  fs::permissions(script, fs::perms::owner_all);
  int started = 0;
  for (int i = 0; i < 100; ++i) started += startProgram(script.string(), WindowStyle::Maximised) ? 1 : 0;
  stop = true;
  busy.join();
  EXPECT_EQ(started, 100);
  size_t ran = 0;
  for (int i = 0; i < 6000 && ran < 100; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::error_code ec;
    ran = 0;
    for (auto it = fs::directory_iterator(root / "runs", ec); !ec && it != fs::directory_iterator(); ++it) ++ran;
  }
  EXPECT_EQ(ran, 100u);
}

TEST(ProgramFolder, IsTheExecutablesFolderUnlessOverridden) {
  EXPECT_TRUE(fs::exists(fs::path(programFolder()) / "lumo_shell_tests"));
  ::setenv("LUMO_PROGRAM_FOLDER", "/opt/lumo/", 1);
  EXPECT_EQ(programFolder(), "/opt/lumo");
  ::unsetenv("LUMO_PROGRAM_FOLDER");
}
