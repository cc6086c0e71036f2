#include "platform/tools/tools.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/ui/ui.h"
#include "testsupport/common/test_files.h"
#include "testsupport/test_env.h"

namespace fs = std::filesystem;
using namespace lumo::tools;

namespace {

class ToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root / "home" / "Documenti");
    fs::create_directories(root / "config");
  }
  void writeUserDirs(const std::string& line) { std::ofstream(root / "config" / "user-dirs.dirs") << line << "\n"; }

  lumo::testsupport::TempFolder temp{"lumo-tools"};
  fs::path root = temp.path();
  lumo::testsupport::ScriptedUi script;
  lumo::testsupport::ScopedEnv homeEnv{"HOME", (root / "home").string()};
  lumo::testsupport::ScopedEnv configEnv{"XDG_CONFIG_HOME", (root / "config").string()};
  lumo::testsupport::ScopedEnv documentsEnv{"XDG_DOCUMENTS_DIR", std::nullopt};
};

}  // namespace

TEST_F(ToolsTest, BrowseForFolderOpensAtTheSelectionAndTrimsTheResult) {
  const std::string docs = (root / "home" / "Documenti").string();
  script->queuePath(docs + "/");
  script->queuePath("/");
  script->queuePath("");                           // cancelled
  script->queuePath((root / "missing").string());  // not a file-system folder
  EXPECT_EQ(BrowseForFolder("/start/here"), docs);
  EXPECT_EQ(BrowseForFolder(""), "/");
  EXPECT_EQ(BrowseForFolder(docs), "");
  EXPECT_EQ(BrowseForFolder(docs), "");
  ASSERT_EQ(script->folderPicks().size(), 4u);
  EXPECT_EQ(script->folderPicks()[0].title, "Seleziona una cartella:");
  EXPECT_EQ(script->folderPicks()[0].initialFolder, "/start/here");
  EXPECT_EQ(script->folderPicks()[1].initialFolder, "");
}

TEST_F(ToolsTest, ShowOpenFileDialogPassesTheCallersRequest) {
  const FileFilters filters = {{"Indici (*.qv) ", "*.qv"}, {"Marcatori", "marker.txt;*.txt"}};
  script->queuePath("/book/not-yet-there.qv");
  script->queuePath("");
  EXPECT_EQ(ShowOpenFileDialog(filters, "/book", "Carica"), "/book/not-yet-there.qv");
  EXPECT_EQ(ShowOpenFileDialog(filters, "/book", "Carica"), "");
  ASSERT_EQ(script->filePicks().size(), 2u);
  EXPECT_EQ(script->filePicks()[0].title, "Carica");
  EXPECT_EQ(script->filePicks()[0].initialFolder, "/book");
  EXPECT_EQ(script->filePicks()[0].filters, filters);
}

TEST_F(ToolsTest, DocumentsFolderIsTheXdgFolderElseHome) {
  const std::string home = (root / "home").string();
  writeUserDirs("XDG_DOCUMENTS_DIR=\"$HOME/Documenti\"");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_PERSONAL), home + "/Documenti/");
  writeUserDirs("XDG_DOCUMENTS_DIR=\"$HOME/Gone\"");  // configured but missing
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_PERSONAL), home + "/");
  fs::remove(root / "config" / "user-dirs.dirs");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_PERSONAL), home + "/");
  ::setenv("HOME", (home + "/").c_str(), 1);  // no second slash
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_PERSONAL), home + "/");
  EXPECT_EQ(GetSpecialFolderPath(0x1a), "") << "a folder this platform does not know";
}

TEST_F(ToolsTest, OpenWithShellGoesThroughTheHook) {
  std::vector<std::string> opened;
  const ShellOpenHook saved = setShellOpenHook([&](const std::string& t) {
    opened.push_back(t);
    return 42;
  });
  EXPECT_EQ(OpenWithShell("mailto:posta@example.org"), 42);
  EXPECT_EQ(opened, std::vector<std::string>{"mailto:posta@example.org"});
  setShellOpenHook(saved);
  // The default opener refuses a local path that does not exist, starting nothing.
  setShellOpenHook(nullptr);
  EXPECT_EQ(OpenWithShell((root / "none.html").string()), 2);
}
