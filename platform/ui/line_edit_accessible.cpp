#include "platform/ui/line_edit_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QLineEdit>
#include <QRect>
#include <QString>
#include <QValidator>
#include <QVariant>

#include <algorithm>

namespace lumo::ui {
namespace {

class LineEditAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
 public:
  explicit LineEditAccessible(QLineEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText) {
    addControllingSignal(QStringLiteral("textChanged(const QString&)"));
    addControllingSignal(QStringLiteral("returnPressed()"));
  }

  QLineEdit* edit() const { return static_cast<QLineEdit*>(widget()); }
  // A protected text (a password) is never given out, only its length as "*".
  bool shown() const { return edit()->echoMode() == QLineEdit::Normal; }

  QString text(QAccessible::Text t) const override {
    QString value;
    if (t == QAccessible::Value && shown()) {
      value = edit()->text();
    } else if (t == QAccessible::Value && edit()->echoMode() != QLineEdit::NoEcho) {
      value = QString(edit()->text().size(), u'*');
    }
    if (value.isEmpty()) value = QAccessibleWidget::text(t);
    // A field without a description is described by the hint it shows while empty.
    if (value.isEmpty() && t == QAccessible::Description) value = edit()->placeholderText();
    return value;
  }
  void setText(QAccessible::Text t, const QString& text) override {
    if (t != QAccessible::Value) {
      QAccessibleWidget::setText(t, text);
      return;
    }
    QString value = text;
    int position = 0;
    if (edit()->validator() && edit()->validator()->validate(value, position) != QValidator::Acceptable) return;
    edit()->setText(value);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = true;
    s.readOnly = edit()->isReadOnly();
    if (!shown()) s.passwordEdit = true;
    s.selectableText = true;
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface) return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  // ---- Text ----
  int characterCount() const override { return int(edit()->text().size()); }
  QString text(int startOffset, int endOffset) const override {
    if (!shown() || startOffset > endOffset) return {};
    return edit()->text().mid(startOffset, endOffset - startOffset);
  }
  // A line edit has no attributes: its whole text is one run. (An empty run
  // at the offset asked made Orca drop the last character of every value.)
  QString attributes(int offset, int* startOffset, int* endOffset) const override {
    const int count = characterCount();
    if (offset < 0 || offset >= count) {
      *startOffset = *endOffset = std::clamp(offset, 0, count);
    } else {
      *startOffset = 0;
      *endOffset = count;
    }
    return {};
  }
  int cursorPosition() const override { return edit()->cursorPosition(); }
  void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
  int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
  void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0) return;
    *startOffset = edit()->selectionStart();
    *endOffset = *startOffset + int(edit()->selectedText().size());
  }
  void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
  void removeSelection(int selectionIndex) override {
    if (selectionIndex == 0) edit()->deselect();
  }
  void setSelection(int selectionIndex, int startOffset, int endOffset) override {
    if (selectionIndex == 0) edit()->setSelection(startOffset, endOffset - startOffset);
  }
  // The box of a character, from the caret's box Qt gives the input methods
  // and the advance of the text between the caret and the character.
  QRect characterRect(int offset) const override {
    const QString ch = text(offset, offset + 1);
    if (ch.isEmpty()) return {};
    const QRect caret = edit()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QFontMetrics metrics(edit()->font());
    const QString all = edit()->text();
    const int x = caret.x() + metrics.horizontalAdvance(all.left(offset)) -
                  metrics.horizontalAdvance(all.left(edit()->cursorPosition()));
    const QRect box(x, caret.y(), metrics.horizontalAdvance(ch), metrics.height());
    return QRect(edit()->mapToGlobal(box.topLeft()), box.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
  }
  void scrollToSubstring(int startIndex, int endIndex) override {
    edit()->setCursorPosition(endIndex);
    edit()->setCursorPosition(startIndex);
  }
  // A protected text gives no words, lines or characters either.
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                           int* endOffset) const override {
    if (!readable(startOffset, endOffset)) return {};
    return QAccessibleTextInterface::textBeforeOffset(caretFor(offset), type, startOffset, endOffset);
  }
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                          int* endOffset) const override {
    if (!readable(startOffset, endOffset)) return {};
    return QAccessibleTextInterface::textAfterOffset(caretFor(offset), type, startOffset, endOffset);
  }
  QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                       int* endOffset) const override {
    if (!readable(startOffset, endOffset)) return {};
    return QAccessibleTextInterface::textAtOffset(caretFor(offset), type, startOffset, endOffset);
  }

  // ---- Editing ----
  void deleteText(int startOffset, int endOffset) override {
    edit()->setText(edit()->text().remove(startOffset, endOffset - startOffset));
  }
  void insertText(int offset, const QString& text) override { edit()->setText(edit()->text().insert(offset, text)); }
  void replaceText(int startOffset, int endOffset, const QString& text) override {
    edit()->setText(edit()->text().replace(startOffset, endOffset - startOffset, text));
  }

 private:
  // False, with no range, for a protected text.
  bool readable(int* startOffset, int* endOffset) const {
    if (shown()) return true;
    *startOffset = *endOffset = -1;
    return false;
  }
  // -2 asks about the caret's place.
  int caretFor(int offset) const { return offset == -2 ? cursorPosition() : offset; }
};

}  // namespace

QAccessibleInterface* lineEditAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String("QLineEdit")) return nullptr;
  auto* edit = qobject_cast<QLineEdit*>(object);
  if (!edit || edit->objectName() == QLatin1String("qt_spinbox_lineedit")) return nullptr;
  return new LineEditAccessible(edit);
}

// Qt keeps one entry for a factory installed twice.
void installLineEditAccessibility() { QAccessible::installFactory(lineEditAccessible); }

}  // namespace lumo::ui
