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

#include "platform/keys/key_codes.h"

namespace lumo::keys {

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
