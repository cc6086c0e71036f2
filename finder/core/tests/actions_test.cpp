// The actions of the page's links, with a recording launcher and scripted
// pickers and messages.

#include <gtest/gtest.h>

#include "finder/core/actions.h"
#include "finder/core/search.h"
#include "testsupport/finder_fixture.h"

using namespace lumo::finder;
using namespace lumo::finder::testing;
using lumo::registry::GetSetting;
using Lines = std::vector<std::string>;

namespace {

class ActionsTest : public FinderFixture {
 protected:
  void SetUp() override {
    FinderFixture::SetUp();
    launch.start = [this](const std::string& program) {
      started.push_back(program);
      return startWorks;
    };
    launch.explore = [this](const std::string& folder) { explored.push_back(folder); };
    disc = (root / "media" / "cd0").string() + "/";
    book(disc, "D1", "Autore", "Disco");
    suite = (root / "lumo").string();
    installSuite(suite);
  }
  void startProgramOnDisc(const std::string& name) {
    std::ofstream(disc + name) << "#!/bin/sh\n";
    fs::permissions(disc + name, fs::perms::owner_all);
  }

  Launcher launch;
  bool startWorks = true;
  Lines started, explored;
  std::string disc, suite;
};

TEST_F(ActionsTest, ADiscStartsItsOwnStartProgram) {
  startProgramOnDisc("START.EXE");  // a Joliet disc keeps the authored case
  EXPECT_EQ(StartDiscBook(disc, suite, launch), After::Unload);
  EXPECT_EQ(started, Lines{disc + "START.EXE"});
  EXPECT_EQ(GetSetting("Zivuvu", "Default", "CD"), "");
  EXPECT_TRUE(script->shown().empty());
}

TEST_F(ActionsTest, ADiscWhoseStartProgramCannotRunOpensInZivuvu) {
  // No start program, then one that cannot be started (a Windows program here).
  for (bool withProgram : {false, true}) {
    SCOPED_TRACE(withProgram);
    started.clear();
    if (withProgram) startProgramOnDisc("start.exe");
    startWorks = !withProgram;  // the disc's program fails, Zivuvu starts
    launch.start = [this](const std::string& program) {
      started.push_back(program);
      return !program.ends_with("start.exe");
    };
    EXPECT_EQ(StartDiscBook(disc, suite, launch), After::Unload);
    EXPECT_EQ(started.back(), suite + "/dazide.zev");
    EXPECT_EQ(GetSetting("Zivuvu", "Default", "CD"), disc);
  }
  EXPECT_TRUE(script->shown().empty());

  // Without the suite the disc opens in the file manager.
  EXPECT_EQ(StartDiscBook(disc, "", launch), After::Unload);
  EXPECT_EQ(explored, Lines{disc});
}

TEST_F(ActionsTest, AWindowsStartProgramIsNotRunByTheSystemStarterAndTheDiscOpensInZivuvu) {
  // A program made for Windows, executable bits and all: exec refuses it
  // here, and no shell may be tried on it instead.
  std::ofstream(disc + "start.exe", std::ios::binary) << std::string("MZ\x90\0\x03\0\0\0\x04\0\n", 11) << "exit 0\n";
  fs::permissions(disc + "start.exe", fs::perms::owner_all);
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/proc/sys/fs/binfmt_misc", ec))
    if (e.path().filename() != "register" && e.path().filename() != "status")
      GTEST_SKIP() << "this machine runs foreign programs (" << e.path() << ")";
  EXPECT_EQ(StartDiscBook(disc, suite, systemLauncher()), After::Unload);
  EXPECT_EQ(lumo::registry::GetSetting("Zivuvu", "Default", "CD"), disc);
  EXPECT_TRUE(script->shown().empty());
}

TEST_F(ActionsTest, ADiscTakenOutOfItsDriveGivesTheReadProblemMessage) {
  fs::remove(disc + "marker.txt");
  EXPECT_EQ(StartDiscBook(disc, suite, launch), After::Unload);
  EXPECT_TRUE(started.empty());
  EXPECT_EQ(messages(), Lines{"Lumofind|64|" + std::string(kReadProblem)});
}

TEST_F(ActionsTest, AFolderBookGoesToZivuvuOrToTheFileManager) {
  const std::string folder = (root / "libri" / "Un libro").string();
  book(folder, "B1", "Autore", "Libro");
  EXPECT_EQ(OpenFolderBook(folder, suite, launch), After::Unload);
  EXPECT_EQ(GetSetting("Zivuvu", "Default", "CD"), folder);
  EXPECT_EQ(started, Lines{suite + "/dazide.zev"});

  startWorks = false;
  EXPECT_EQ(OpenFolderBook(folder, suite, launch), After::Unload);
  EXPECT_EQ(messages(), Lines{"LUMO - Start|16|" + std::string(kZivuvuMoved)});

  // The suite missing: the book's folder, or its Libro folder when it has one.
  EXPECT_EQ(OpenFolderBook(folder, " ", launch), After::Unload);
  fs::create_directories(folder + "/LIBRO");
  EXPECT_EQ(OpenFolderBook(folder, "", launch), After::Unload);
  EXPECT_EQ(explored, (Lines{folder, folder + "/LIBRO"}));
  EXPECT_EQ(started.size(), 2u);
}

TEST_F(ActionsTest, TheAdditionalFolderIsChosenAndStoredWithItsSlash) {
  const std::string chosen = (root / "Libri miei").string();
  fs::create_directories(chosen);
  script->queuePath(chosen);
  EXPECT_TRUE(DefineCustomFolder(""));
  ASSERT_EQ(script->folderPicks().size(), 1u);
  EXPECT_EQ(script->folderPicks()[0].initialFolder, (root / "home").string());
  EXPECT_EQ(GetSetting(kCustomApp, kCustomSection, kCustomKey), chosen + "/");

  // Cancelled: nothing changes.
  script->queuePath("");
  EXPECT_FALSE(DefineCustomFolder(chosen + "/"));
  EXPECT_EQ(script->folderPicks()[1].initialFolder, chosen + "/");
  EXPECT_EQ(GetSetting(kCustomApp, kCustomSection, kCustomKey), chosen + "/");
}

}  // namespace
