#pragma once
// A private world for each test of the player's window: its own settings
// store, its own program folder holding a copy of the installed Include
// folder, scripted message boxes, and (unless a test asks for the real one)
// the fake media control.

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/ui.h"
#include "player/window/frmBrowser.h"
#include "testsupport/common/test_files.h"
#include "testsupport/fake_media_control.h"
#include "testsupport/test_env.h"

namespace lumo::player::testing {

namespace fs = std::filesystem;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The player's settings (application "QEN MediaPlayer", section "Player").
  void setPlayerSetting(const std::string& key, const std::string& value);
  std::string playerSetting(const std::string& key, const std::string& defaultValue = "<none>");

  // Creates the window (its load and initialisation run); the splash
  // timer's tick is left to the test.
  frmBrowser& openWindow();
  // The splash tick, and the wait until the page it opens has been set up.
  void splashTick();
  // Opens a page in the window and waits until the page set-up has run.
  void openPage(const QString& address);
  // Activates a link of the page shown, as a click does, and waits until
  // the page it leads to has been set up.
  void clickLink(const std::string& href);
  // Processes events until the condition holds; fails the test when it
  // still does not hold after many rounds.
  void waitFor(const std::function<bool()>& condition, const char* what, int rounds = 2000);

  // Zivuvu's pages of a three-file book (A, B, C; markers at 0, 95 and 30 s
  // in A; C.mp3 missing) in the work folder "code" of the program folder.
  // Returns the book folder.
  fs::path makeZivuvuBook(const std::string& code = "LB01");
  // The file address of a file of the program folder, followed by rest.
  QString programAddress(const std::string& relative, const std::string& rest = {}) const;
  // The player's media file, as the media control was last given it.
  QString mediaUrl() const;

  // Writes a page (UTF-8) and returns its file address.
  QString writePage(const fs::path& file, const std::string& html);
  // Runs Zivuvu on a book folder: its pages land in the program folder.
  void writePagesOf(const fs::path& book);
  // A book folder named `name` under the test's folder with this
  // marker.txt and, in its Libro folder, a tone MP3 of each (file, seconds);
  // Zivuvu then writes its pages into the program folder. Returns the book.
  fs::path makeBookPages(const std::string& name, const std::vector<std::string>& marker,
                         const std::vector<std::pair<std::string, double>>& tones);
  // A small audio file of synthetic MP3 frames.
  void writeAudio(const fs::path& file, int seconds = 5);

  // The fake control of the player's host window, newest first.
  media::FakeMediaControl* fake() const;
  // The values of a settings section of the player's application, by name.
  std::map<std::string, std::string> sectionValues(const std::string& section) const;

  // The error reports and message boxes shown so far.
  std::vector<ui::MessageBoxRequest> shown() const { return (*ui_)->shown(); }
  std::vector<std::string> errorReports() const;  // the "Prg:" labels
  ui::ScriptedBackend& ui() { return **ui_; }

  // When set before SetUp, the real libmpv control plays.
  bool realMedia_ = false;
  fs::path dir_;
  fs::path program_;  // LUMO_PROGRAM_FOLDER, with Include
  std::unique_ptr<frmBrowser> window_;

 private:
  std::optional<testsupport::TempFolder> folder_;
  std::vector<std::unique_ptr<testsupport::ScopedEnv>> env_;
  void setEnv(const char* name, const std::string& value);
  std::optional<testsupport::ScriptedUi> ui_;
  std::unique_ptr<media::FakeMediaFactory> factory_;
};

}  // namespace lumo::player::testing
