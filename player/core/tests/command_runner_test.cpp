// The command runner without a window: a fake host records what each key
// and each link asks of it, and fails where a case tells it to.

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/bookpage/bookpage.h"
#include "player/core/command_runner.h"

namespace lumo::player::core {
namespace {

using C = Command;
using bookpage::LinkKind;

class FakeHost : public CommandHost {
 public:
  bool listOpen = false;
  bool loaded = true;
  std::optional<Command> failing;       // this command throws
  std::optional<Command> findsNothing;  // this command has nothing to do
  bool failHelp = false, failLoaded = false, failPlayback = false;
  std::vector<Command> ran;
  std::vector<std::string> calls;  // everything else, in order
  int loadedAsked = 0;

  bool bookmarkListOpen() override { return listOpen; }
  bool fileLoaded() override {
    ++loadedAsked;
    if (failLoaded) throw std::runtime_error("no player");
    return loaded;
  }
  void help() override {
    ran.push_back(C::Help);
    if (failHelp) throw std::runtime_error("help");
  }
  bool run(Command command) override {
    ran.push_back(command);
    if (failing == command) throw std::runtime_error("command");
    return findsNothing != command;
  }
  void reloadAudio() override { calls.push_back("reload"); }
  void linkPlayback(LinkKind kind) override {
    calls.push_back("playback " + std::to_string(int(kind)));
    if (failPlayback) throw std::runtime_error("playback");
  }
  void announcePlayback(LinkKind kind) override { calls.push_back("announce " + std::to_string(int(kind))); }
  void keyLink(std::string_view codeText, int16_t shift) override {
    calls.push_back("key " + std::string(codeText) + " " + std::to_string(shift));
  }
  void mediaLink(const MediaLink& link) override { calls.push_back("media " + link.name); }
};

// Every key with every shift state, in each state of the window, runs the
// key table's commands in the table's order, and asks whether a file is
// loaded only for Ctrl: a window without a player still runs the others.
TEST(CommandRunner, EveryKeyRunsTheTableCommandsInOrder) {
  for (const bool listOpen : {false, true}) {
    for (const bool loaded : {false, true}) {
      for (int16_t code = 0; code < 256; ++code) {
        for (int16_t shift = 0; shift <= shifts::All; ++shift) {
          FakeHost host;
          host.listOpen = listOpen;
          host.loaded = loaded;
          CommandRunner runner(host);
          runner.keys() = kLoadedKeyCodes;
          KeyDispatch dispatch;
          runner.key(code, shift, dispatch);
          const auto expected = keyCommands(code, shift, kLoadedKeyCodes, {listOpen, loaded});
          ASSERT_EQ(host.ran, expected) << "key " << code << " shift " << shift;
          ASSERT_EQ(dispatch.ran, !expected.empty()) << "key " << code << " shift " << shift;
          ASSERT_EQ(host.loadedAsked, shift == shifts::Ctrl && !isHelpKey(code) ? 1 : 0)
              << "key " << code << " shift " << shift;
        }
      }
    }
  }
}

// A command that fails reaches the caller, which reports it under the step
// reached; whether the key ran a command decides whether it goes on to the
// control that has the focus.
TEST(CommandRunner, AFailingCommandLeavesTheStepReachedAndWhetherOneRan) {
  struct Case {
    const char* what;
    int16_t code, shift;
    std::optional<Command> failing, findsNothing;
    bool failHelp, failLoaded, loaded;
    bool throws;
    std::string step;
    bool ran;
  } const cases[] = {
      {"a labelled command",
       '9',
       shifts::Ctrl,
       C::ThreeSpeedCycle,
       {},
       false,
       false,
       true,
       true,
       "Form KeyDown: Ctrl+9",
       false},
      {"the rewind after the page",
       '6',
       shifts::Ctrl,
       C::ToStart,
       {},
       false,
       false,
       true,
       true,
       "Form KeyDown: inizializzazione",
       true},
      {"the help page", vk::F1, shifts::None, {}, {}, true, false, true, true, "Form KeyDown: inizializzazione", true},
      {"no player, a Ctrl key of the table",
       '1',
       shifts::Ctrl,
       {},
       {},
       false,
       true,
       true,
       true,
       "Form KeyDown: inizializzazione",
       false},
      {"no player, after the home page",
       'I',
       shifts::Ctrl,
       {},
       {},
       false,
       true,
       true,
       true,
       "Form KeyDown: inizializzazione",
       true},
      {"a page key on a page that names none",
       '6',
       shifts::Ctrl,
       {},
       C::PreviousPage,
       false,
       false,
       false,
       false,
       "Form KeyDown: inizializzazione",
       false},
  };
  for (const Case& c : cases) {
    FakeHost host;
    host.failing = c.failing;
    host.findsNothing = c.findsNothing;
    host.failHelp = c.failHelp;
    host.failLoaded = c.failLoaded;
    host.loaded = c.loaded;
    CommandRunner runner(host);
    runner.keys() = kLoadedKeyCodes;
    KeyDispatch dispatch;
    bool threw = false;
    try {
      runner.key(c.code, c.shift, dispatch);
    } catch (const std::runtime_error&) {
      threw = true;
    }
    EXPECT_EQ(threw, c.throws) << c.what;
    EXPECT_EQ(dispatch.step, c.step) << c.what;
    EXPECT_EQ(dispatch.ran, c.ran) << c.what;
  }
}

TEST(CommandRunner, KeysNeedTheCodesTheLoadSet) {
  FakeHost host;
  CommandRunner runner(host);
  KeyDispatch before;
  runner.key('3', shifts::Ctrl, before);  // play or pause, once the load set the codes
  EXPECT_TRUE(host.ran.empty());
  runner.keys() = kLoadedKeyCodes;
  KeyDispatch after;
  runner.key('3', shifts::Ctrl, after);
  EXPECT_EQ(host.ran, std::vector<Command>{C::PlayPause});
}

// A link keyword runs its command and then cancels the navigation; a
// command that fails before that lets the browser open the address.
TEST(CommandRunner, LinkKeywordsRunTheirCommandAndCancelTheNavigation) {
  struct Case {
    std::string address;
    bool failPlayback;
    std::vector<std::string> calls;
    bool cancel;
  } const cases[] = {
      {"javascript:location.reload()", false, {"reload"}, true},
      {"file:///l/A.htm#QENP_STOP#", false, {"playback 2", "announce 2"}, true},
      {"file:///l/A.htm#QENP_PAUSE#", false, {"playback 3", "announce 3"}, true},
      {"file:///l/A.htm#QENP_PLAY#", false, {"playback 4", "announce 4"}, true},
      {"file:///l/A.htm#QENP_PLAY#", true, {"playback 4"}, false},
      {"file:///l/A.htm#QENP_KEYCMD##KEYALT##KEYCTRL#51", false, {"key 51 6"}, true},
      {"@VIDEO_PERS@@NOFULL@clip.wmv", false, {"media clip.wmv"}, true},
      {"file:///l/B.htm#QENPLAYER_AUDIO_POS=95", false, {}, false},
  };
  for (const Case& c : cases) {
    FakeHost host;
    host.failPlayback = c.failPlayback;
    CommandRunner runner(host);
    bool cancel = false;
    try {
      runner.link(c.address, cancel);
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(host.calls, c.calls) << c.address;
    EXPECT_EQ(cancel, c.cancel) << c.address;
    EXPECT_TRUE(host.ran.empty()) << c.address << ": a key link goes through the host";
  }
}

}  // namespace
}  // namespace lumo::player::core
