#include "platform/keys/keys.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QLocale>

#include <array>
#include <utility>

namespace lumo::keys {
namespace {

// Keys with a code of their own.
constexpr std::array<std::pair<int, int>, 16> kNamedKeys = {{
    {Qt::Key_Escape, vk::Escape},
    {Qt::Key_Delete, vk::Delete},
    {Qt::Key_Backspace, vk::Back},
    {Qt::Key_Tab, vk::Tab},
    {Qt::Key_Backtab, vk::Tab},
    {Qt::Key_Space, vk::Space},
    {Qt::Key_PageUp, vk::Prior},
    {Qt::Key_PageDown, vk::Next},
    {Qt::Key_End, vk::End},
    {Qt::Key_Home, vk::Home},
    {Qt::Key_Left, vk::Left},
    {Qt::Key_Up, vk::Up},
    {Qt::Key_Right, vk::Right},
    {Qt::Key_Down, vk::Down},
    {Qt::Key_Insert, vk::Insert},
    {Qt::Key_Return, vk::Return},
}};

int namedKey(int key) {
  for (const auto& [qt, code] : kNamedKeys)
    if (qt == key) return code;
  return 0;
}

// Symbols that Shift gives on the digit row and on the plus and minus keys,
// for events without scan codes.
struct ShiftedSymbol {
  int key;
  int code;
};
constexpr std::array<ShiftedSymbol, 12> kShiftedUS = {{
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
    {Qt::Key_Underscore, vk::OemMinus},
    {Qt::Key_Plus, vk::OemPlus},
}};
constexpr std::array<ShiftedSymbol, 12> kShiftedIT = {{
    {Qt::Key_Exclam, '1'},
    {Qt::Key_QuoteDbl, '2'},
    {Qt::Key_sterling, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_Ampersand, '6'},
    {Qt::Key_Slash, '7'},
    {Qt::Key_ParenLeft, '8'},
    {Qt::Key_ParenRight, '9'},
    {Qt::Key_Equal, '0'},
    {Qt::Key_Underscore, vk::OemMinus},
    {Qt::Key_Asterisk, vk::OemPlus},
}};

int symbolKey(int key, bool shifted, const Keyboard& keyboard) {
  if (key == Qt::Key_Plus) return vk::OemPlus;
  if (key == Qt::Key_Minus) return vk::OemMinus;
  if (keyboard.xkbScanCodes) {
    // Not on the digit row (its keys were recognised by scan code): a
    // symbol that any layout puts on the plus or minus key.
    if (key == Qt::Key_Equal || key == Qt::Key_Asterisk) return vk::OemPlus;
    if (key == Qt::Key_Underscore) return vk::OemMinus;
    return 0;
  }
  if (!shifted) return key == Qt::Key_Equal && keyboard.layout == Layout::US ? vk::OemPlus : 0;
  const auto& table = keyboard.layout == Layout::Italian ? kShiftedIT : kShiftedUS;
  for (const ShiftedSymbol& s : table)
    if (s.key == key) return s.code;
  return 0;
}

// Keypad keys: with NumLock off its navigation keys are the same keys as
// the main ones; digits and operators are no command keys.
int keypadKey(int key) {
  switch (key) {
    case Qt::Key_Delete:
    case Qt::Key_Insert:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: return namedKey(key);
    default: return 0;
  }
}

// XKB key codes of the digit row: 10 is the key 1, ..., 18 the key 9, 19 the key 0.
constexpr quint32 kXkbDigit1 = 10;
constexpr quint32 kXkbDigit0 = 19;

}  // namespace

Keyboard currentKeyboard() {
  Keyboard keyboard;
  if (qGuiApp == nullptr) return keyboard;
  const QString platform = QGuiApplication::platformName();
  keyboard.xkbScanCodes = platform.startsWith(QLatin1String("xcb")) || platform.startsWith(QLatin1String("wayland"));
  const QInputMethod* im = QGuiApplication::inputMethod();
  const QLocale locale = im != nullptr ? im->locale() : QLocale::system();
  if (locale.language() == QLocale::Italian) keyboard.layout = Layout::Italian;
  return keyboard;
}

int virtualKeyCode(const QKeyEvent& event) { return virtualKeyCode(event, currentKeyboard()); }

int virtualKeyCode(const QKeyEvent& event, const Keyboard& keyboard) {
  const int key = event.key();
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return vk::Return;
  if (modifiers & Qt::KeypadModifier) return keypadKey(key);
  if (keyboard.xkbScanCodes) {
    const quint32 sc = event.nativeScanCode();
    if (sc >= kXkbDigit1 && sc <= kXkbDigit0) return vk::Digit0 + static_cast<int>(sc - kXkbDigit1 + 1) % 10;
  }
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return vk::Digit0 + (key - Qt::Key_0);
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return vk::LetterA + (key - Qt::Key_A);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return vk::F1 + (key - Qt::Key_F1);
  if (const int code = namedKey(key)) return code;
  return symbolKey(key, modifiers & Qt::ShiftModifier, keyboard);
}

int shiftState(Qt::KeyboardModifiers modifiers) {
  return (modifiers & Qt::ShiftModifier ? shift::Shift : 0) + (modifiers & Qt::ControlModifier ? shift::Ctrl : 0) +
         (modifiers & Qt::AltModifier ? shift::Alt : 0);
}

QtKey qtKeyFor(int keyCode, int shiftState) {
  QtKey k;
  if (shiftState & shift::Shift) k.modifiers |= Qt::ShiftModifier;
  if (shiftState & shift::Ctrl) k.modifiers |= Qt::ControlModifier;
  if (shiftState & shift::Alt) k.modifiers |= Qt::AltModifier;
  if (keyCode >= vk::Digit0 && keyCode <= vk::Digit0 + 9) {
    k.key = static_cast<Qt::Key>(Qt::Key_0 + (keyCode - vk::Digit0));
    k.text = QChar(keyCode);
  } else if (keyCode >= vk::LetterA && keyCode <= vk::LetterA + 25) {
    k.key = static_cast<Qt::Key>(Qt::Key_A + (keyCode - vk::LetterA));
    k.text = (shiftState & shift::Shift) ? QChar(keyCode) : QChar(keyCode).toLower();
  } else if (keyCode >= vk::F1 && keyCode <= vk::F1 + 23) {
    k.key = static_cast<Qt::Key>(Qt::Key_F1 + (keyCode - vk::F1));
  } else if (keyCode == vk::OemPlus) {
    k.key = Qt::Key_Plus;
    k.text = QStringLiteral("+");
  } else if (keyCode == vk::OemMinus) {
    k.key = Qt::Key_Minus;
    k.text = QStringLiteral("-");
  } else {
    for (const auto& [qt, code] : kNamedKeys) {
      if (code == keyCode) {
        k.key = static_cast<Qt::Key>(qt);
        break;
      }
    }
    if (keyCode == vk::Return) k.text = QStringLiteral("\r");
    if (keyCode == vk::Escape) k.text = QChar(27);
    if (keyCode == vk::Space) k.text = QStringLiteral(" ");
  }
  return k;
}

std::unique_ptr<QKeyEvent> makeKeyEvent(int keyCode, int shiftState, QEvent::Type type) {
  const QtKey k = qtKeyFor(keyCode, shiftState);
  return std::make_unique<QKeyEvent>(type, k.key, k.modifiers, k.text);
}

}  // namespace lumo::keys
