#include "platform/keys/keys.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

namespace lumo::keys {
namespace {

constexpr Keyboard kUS{Layout::US, false};
constexpr Keyboard kIT{Layout::Italian, false};
constexpr Keyboard kXkbUS{Layout::US, true};
constexpr Keyboard kXkbIT{Layout::Italian, true};

constexpr auto S = Qt::ShiftModifier;
constexpr auto C = Qt::ControlModifier;
constexpr auto A = Qt::AltModifier;
constexpr auto K = Qt::KeypadModifier;

struct KeyCase {
  const char* what;
  int key;
  Qt::KeyboardModifiers modifiers;
  quint32 scanCode;
  Keyboard keyboard;
  int code;
  int shift;
};

TEST(Keys, KeyEventsGiveTheVirtualKeyCodeAndShiftStateOfTheCommands) {
  const KeyCase cases[] = {
      {"Ctrl+3", Qt::Key_3, C, 0, kUS, 51, 2},
      {"Alt+9", Qt::Key_9, A, 0, kIT, 57, 4},
      {"Ctrl+Shift+Alt+0", Qt::Key_0, S | C | A, 0, kUS, 48, 7},
      // Shift on the digit row: the layout's symbol maps back to the digit.
      {"US Ctrl+Shift+3", Qt::Key_NumberSign, S | C, 0, kUS, 51, 3},
      {"IT Ctrl+Shift+3", Qt::Key_sterling, S | C, 0, kIT, 51, 3},
      {"US Shift+7", Qt::Key_Ampersand, S, 0, kUS, 55, 1},
      {"IT Shift+6", Qt::Key_Ampersand, S, 0, kIT, 54, 1},
      {"US Shift+0", Qt::Key_ParenRight, S, 0, kUS, 48, 1},
      {"IT Shift+0", Qt::Key_Equal, S, 0, kIT, 48, 1},
      {"IT Shift+7", Qt::Key_Slash, S, 0, kIT, 55, 1},
      // With XKB scan codes the digit row is known by its keys in any layout.
      {"xkb IT Shift+3", Qt::Key_sterling, S | C, 12, kXkbIT, 51, 3},
      {"xkb US Shift+8", Qt::Key_Asterisk, S, 17, kXkbUS, 56, 1},
      {"xkb key 0", Qt::Key_ParenRight, S, 19, kXkbUS, 48, 1},
      {"xkb AZERTY &", Qt::Key_Ampersand, Qt::NoModifier, 10, kXkbUS, 49, 0},
      // The plus and minus keys of the main keyboard, in both states.
      {"Ctrl+plus", Qt::Key_Plus, C, 0, kIT, 187, 2},
      {"Alt+minus", Qt::Key_Minus, A, 0, kUS, 189, 4},
      {"US = key", Qt::Key_Equal, C, 0, kUS, 187, 2},
      {"US Shift+= is +", Qt::Key_Plus, S | C, 0, kUS, 187, 3},
      {"IT Shift+plus is *", Qt::Key_Asterisk, S | A, 0, kIT, 187, 5},
      {"xkb IT Shift+plus is *", Qt::Key_Asterisk, S, 35, kXkbIT, 187, 1},
      {"Shift+minus is _", Qt::Key_Underscore, S, 0, kIT, 189, 1},
      // The numeric keypad gives no command keys, but for Enter.
      {"keypad plus", Qt::Key_Plus, C | K, 86, kXkbIT, 0, 2},
      {"keypad minus", Qt::Key_Minus, A | K, 0, kUS, 0, 4},
      {"keypad 3", Qt::Key_3, C | K, 89, kXkbUS, 0, 2},
      {"keypad *", Qt::Key_Asterisk, S | K, 0, kUS, 0, 1},
      {"keypad Enter", Qt::Key_Enter, K, 104, kXkbUS, 13, 0},
      {"keypad Del, NumLock off", Qt::Key_Delete, K, 91, kXkbUS, 46, 0},
      // The other keys the player uses.
      {"Return", Qt::Key_Return, Qt::NoModifier, 0, kUS, 13, 0},
      {"Esc", Qt::Key_Escape, Qt::NoModifier, 0, kUS, 27, 0},
      {"Delete", Qt::Key_Delete, Qt::NoModifier, 0, kUS, 46, 0},
      {"F1 with Ctrl", Qt::Key_F1, C, 0, kUS, 112, 2},
      {"Ctrl+I", Qt::Key_I, C, 0, kIT, 73, 2},
      {"Ctrl+Shift+Z", Qt::Key_Z, S | C, 0, kUS, 90, 3},
      {"a letter with accent", Qt::Key_Egrave, Qt::NoModifier, 0, kIT, 0, 0},
      {"a lone symbol", Qt::Key_NumberSign, Qt::NoModifier, 0, kUS, 0, 0},
  };
  for (const KeyCase& c : cases) {
    const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, c.scanCode, 0, 0);
    EXPECT_EQ(virtualKeyCode(event, c.keyboard), c.code) << c.what;
    EXPECT_EQ(shiftState(event.modifiers()), c.shift) << c.what;
  }
}

TEST(Keys, MadeKeyEventsMapBackToTheirCodeAndShiftState) {
  const int codes[] = {48, 51, 57, 65, 73, 90, 112, 13, 27, 46, 187, 189, 9, 37};
  for (int code : codes) {
    for (int shift = 0; shift <= 7; ++shift) {
      const auto event = makeKeyEvent(code, shift);
      for (const Keyboard& keyboard : {kUS, kIT}) {
        EXPECT_EQ(virtualKeyCode(*event, keyboard), code) << code << " shift " << shift;
      }
      EXPECT_EQ(shiftState(event->modifiers()), shift) << code << " shift " << shift;
    }
  }
  EXPECT_EQ(makeKeyEvent(57, 0)->text(), "9");
  EXPECT_EQ(makeKeyEvent(65, 0)->text(), "a");
  EXPECT_EQ(makeKeyEvent(51, 2, QEvent::KeyRelease)->type(), QEvent::KeyRelease);
  EXPECT_EQ(qtKeyFor(999, 0).key, Qt::Key_unknown);
}

}  // namespace
}  // namespace lumo::keys
