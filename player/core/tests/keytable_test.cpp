// The key table: which command a key with its exact shift state names,
// with and without a loaded file and an open bookmark list; and that every
// key command link Zivuvu writes names a command of it.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>

#include "common/bookpage/bookpage.h"
#include "player/core/keytable.h"
#include "player/core/links.h"
#include "zivuvu/core/zivuvu_pages.h"

namespace lumo::player::core {
namespace {

using C = Command;
using Commands = std::vector<Command>;

TEST(KeyTable, EachKeyNeedsItsExactShiftStateAndTheFileItActsOn) {
  struct Case {
    const char* what;
    int16_t code, shift;
    KeyState state;
    Commands commands;
  };
  const KeyState file{false, true}, noFile{false, false}, listOpen{true, true};
  const Case cases[] = {
      {"F1 alone", vk::F1, shifts::None, file, {C::Help}},
      {"F1 with every modifier", vk::F1, shifts::All, file, {C::Help}},
      {"Esc with the list open", vk::Escape, shifts::None, listOpen, {C::CloseBookmarkList}},
      {"Esc with the list closed", vk::Escape, shifts::None, file, {}},
      {"Ctrl+Shift+Alt and a letter", 'A', shifts::All, file, {C::ToggleDebug}},
      {"Ctrl+Shift+Alt and a digit", '5', shifts::All, noFile, {C::ToggleDebug}},
      {"Alt+9", '9', shifts::Alt, noFile, {C::NextStyle}},
      {"Alt+8", '8', shifts::Alt, noFile, {C::NextIndexEntry}},
      {"Alt+7", '7', shifts::Alt, noFile, {C::PreviousIndexEntry}},
      {"Alt+minus", vk::OemMinus, shifts::Alt, noFile, {C::Slower}},
      {"Alt+plus", vk::OemPlus, shifts::Alt, noFile, {C::Faster}},
      {"Ctrl+I", 'I', shifts::Ctrl, noFile, {C::Home}},
      {"Ctrl+9", '9', shifts::Ctrl, noFile, {C::ThreeSpeedCycle}},
      {"Ctrl+8", '8', shifts::Ctrl, noFile, {C::ToggleConfiguration}},
      {"Ctrl+7", '7', shifts::Ctrl, file, {C::NextPage}},
      {"Ctrl+0", '0', shifts::Ctrl, noFile, {C::SwitchReader}},
      {"Ctrl+6 without a file", '6', shifts::Ctrl, noFile, {C::PreviousPage}},
      {"Ctrl+6 with a file: the page, then the rewind", '6', shifts::Ctrl, file, {C::PreviousPage, C::ToStart}},
      {"Ctrl+1", '1', shifts::Ctrl, file, {C::SkipBack}},
      {"Ctrl+2", '2', shifts::Ctrl, file, {C::SkipForward}},
      {"Ctrl+4", '4', shifts::Ctrl, file, {C::Stop}},
      {"Ctrl+3", '3', shifts::Ctrl, file, {C::PlayPause}},
      {"Ctrl+plus", vk::OemPlus, shifts::Ctrl, file, {C::VolumeUp}},
      {"Ctrl+minus", vk::OemMinus, shifts::Ctrl, file, {C::VolumeDown}},
      {"Ctrl+1 without a file", '1', shifts::Ctrl, noFile, {}},
      {"Ctrl+plus without a file", vk::OemPlus, shifts::Ctrl, noFile, {}},
      {"Alt+4", '4', shifts::Alt, noFile, {C::DeleteAllBookmarks}},
      {"Alt+3", '3', shifts::Alt, noFile, {C::AddBookmark}},
      {"Alt+6", '6', shifts::Alt, noFile, {C::ToggleBookmarkList}},
      {"Alt+2", '2', shifts::Alt, noFile, {C::NextBookmark}},
      {"Alt+1", '1', shifts::Alt, file, {C::PreviousBookmark}},
      {"Ctrl+Shift+1", '1', shifts::Ctrl | shifts::Shift, file, {}},
      {"Ctrl+Alt+1", '1', shifts::Ctrl | shifts::Alt, file, {}},
      {"Shift+3", '3', shifts::Shift, file, {}},
      {"a plain digit", '3', shifts::None, file, {}},
      {"a keypad key (code 0) with Ctrl", 0, shifts::Ctrl, file, {}},
      {"Alt+5", '5', shifts::Alt, file, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(keyCommands(c.code, c.shift, kLoadedKeyCodes, c.state), c.commands) << c.what;
}

TEST(KeyTable, ThePlaybackAndBookmarkGroupsFollowTheLoadedKeyCodes) {
  KeyCodes keys = kLoadedKeyCodes;
  keys.PlayPausa = 'P';
  keys.MarcatoreAggiungi = 'M';
  const KeyState file{false, true};
  EXPECT_EQ(keyCommands('P', shifts::Ctrl, keys, file), Commands{C::PlayPause});
  EXPECT_EQ(keyCommands('3', shifts::Ctrl, keys, file), Commands{});
  EXPECT_EQ(keyCommands('M', shifts::Alt, keys, file), Commands{C::AddBookmark});
  // Before the load every code of the two groups is 0: no key names them.
  EXPECT_EQ(keyCommands('3', shifts::Ctrl, KeyCodes{}, file), Commands{});
}

TEST(KeyTable, FourCommandsReportUnderTheirOwnStep) {
  EXPECT_STREQ(stepLabel(C::NextStyle), "Form KeyDown: Ctrl+Shift+9");
  EXPECT_STREQ(stepLabel(C::ThreeSpeedCycle), "Form KeyDown: Ctrl+9");
  EXPECT_STREQ(stepLabel(C::ToggleConfiguration), "Form KeyDown: Ctrl+8");
  EXPECT_STREQ(stepLabel(C::SwitchReader), "Form KeyDown: Ctrl+0");
  EXPECT_EQ(stepLabel(C::SkipBack), nullptr);
}

// Zivuvu's pages, read as the player reads them: each key command link
// runs the command its title announces.
TEST(KeyTable, EveryKeyCommandLinkOfZivuvusPagesRunsTheCommandItsTitleNames) {
  zivuvu::FilePage page;
  page.name = "A";
  page.audioPath = "/libri/A.mp3";
  zivuvu::HomePage home;
  home.workFolder = "LB01";
  home.firstFile = "A";
  const std::map<std::string, Commands> byTitle = {
      {"(CTRL+3)", {C::PlayPause}},
      {"(CTRL+TASTO[+])", {C::VolumeUp}},
      {"(CTRL+TASTO[-])", {C::VolumeDown}},
      {"(CTRL+9)", {C::ThreeSpeedCycle}},
      {"(ALT+TASTO[+])", {C::Faster}},
      {"(ALT+TASTO[-])", {C::Slower}},
      {"(CTRL+1)", {C::SkipBack}},
      {"(CTRL+2)", {C::SkipForward}},
      {"(ALT+7)", {C::PreviousIndexEntry}},
      {"(ALT+8)", {C::NextIndexEntry}},
      {"(CTRL+6)", {C::PreviousPage, C::ToStart}},
      {"(CTRL+7)", {C::NextPage}},
      {"(CTRL+I)", {C::Home}},
      {"(ALT+6)", {C::ToggleBookmarkList}},
      {"(ALT+3)", {C::AddBookmark}},
      {"(ALT+4)", {C::DeleteAllBookmarks}},
      {"(ALT+1)", {C::PreviousBookmark}},
      {"(ALT+2)", {C::NextBookmark}},
      {"(CTRL+8)", {C::ToggleConfiguration}},
      {"(ALT+9)", {C::NextStyle}},
  };
  static const std::regex link(
      R"re((?:HREF|href)="([^"]*)" (?:onClick="[^"]*" )?title="[^"]*(\([A-Z0-9+\[\]-]+\))")re");
  std::set<std::string> seen;
  for (const auto& lines : {zivuvu::filePageLines(page), zivuvu::homePageLines(home)}) {
    for (const std::string& line : lines) {
      std::smatch m;
      if (!std::regex_search(line, m, link)) continue;
      const LinkCommand command = linkCommand(m[1].str());
      const std::string title = m[2];
      SCOPED_TRACE(title);
      if (command.kind == bookpage::LinkKind::Stop) {
        EXPECT_EQ(title, "(CTRL+4)");
        seen.insert(title);
        continue;
      }
      if (command.kind != bookpage::LinkKind::KeyCommand) {
        // Help (F1) and exit (ALT+F4) open as addresses.
        EXPECT_TRUE(title == "(F1)" || title == "(ALT+F4)");
        seen.insert(title);
        continue;
      }
      ASSERT_EQ(byTitle.count(title), 1u);
      const auto code = static_cast<int16_t>(std::stoi(command.key.codeText));
      EXPECT_EQ(keyCommands(code, command.key.shift, kLoadedKeyCodes, {false, true}), byTitle.at(title));
      seen.insert(title);
    }
  }
  // Every command of the map has its link, and so have stop, help and exit.
  EXPECT_EQ(seen.size(), byTitle.size() + 3);
}

}  // namespace
}  // namespace lumo::player::core
