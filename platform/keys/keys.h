#pragma once
// Key events as the player's key commands see them: the Windows virtual-key
// code of the key and the shift state (1 Shift + 2 Ctrl + 4 Alt).
//
// A digit key of the main keyboard is its digit (48-57) with or without
// Shift, whatever symbol the layout puts on it (Shift+3 is "£" on an
// Italian keyboard, "#" on a US one). The main keyboard's plus key is 187
// and its minus key 189, also when Shift gives "*" or "_" on them. The
// numeric keypad's digits and operators are no command keys: they give 0.

#include <QEvent>
#include <QKeyEvent>
#include <QString>

#include <memory>

namespace lumo::keys {

// Virtual-key codes the suite uses.
namespace vk {
inline constexpr int Back = 8;
inline constexpr int Tab = 9;
inline constexpr int Return = 13;
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int Prior = 33;  // Page Up
inline constexpr int Next = 34;   // Page Down
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Insert = 45;
inline constexpr int Delete = 46;
inline constexpr int Digit0 = 48;   // to 57
inline constexpr int LetterA = 65;  // to 90
inline constexpr int F1 = 112;      // to F24, 135
inline constexpr int OemPlus = 187;
inline constexpr int OemMinus = 189;
}  // namespace vk

// Shift state bits.
namespace shift {
inline constexpr int Shift = 1;
inline constexpr int Ctrl = 2;
inline constexpr int Alt = 4;
}  // namespace shift

// What the mapping knows of the keyboard. With scan codes of the XKB kind
// (X11 and Wayland: the evdev code + 8) the digit row is recognised by its
// keys, whatever the layout; without them (offscreen, synthetic events) the
// shifted symbols are mapped back through the layout's table.
enum class Layout { US, Italian };
struct Keyboard {
  Layout layout = Layout::US;
  bool xkbScanCodes = false;
};

// The keyboard of this session: Italian when the input locale is Italian.
Keyboard currentKeyboard();

int virtualKeyCode(const QKeyEvent& event);
int virtualKeyCode(const QKeyEvent& event, const Keyboard& keyboard);
int shiftState(Qt::KeyboardModifiers modifiers);

// The other way, for tests and for commands sent as keys: the Qt key and
// modifiers of a virtual-key code and shift state, and a key event made of
// them, which virtualKeyCode() maps back to the same code.
struct QtKey {
  Qt::Key key = Qt::Key_unknown;
  Qt::KeyboardModifiers modifiers;
  QString text;
};
QtKey qtKeyFor(int keyCode, int shiftState);
std::unique_ptr<QKeyEvent> makeKeyEvent(int keyCode, int shiftState, QEvent::Type type = QEvent::KeyPress);

}  // namespace lumo::keys
