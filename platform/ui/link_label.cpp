#include "platform/ui/link_label.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace lumo::ui {

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(event);
}

// A label draws no focus of its own: the link that Tab reached shows it
// with the style's focus frame, as a button does.
void LinkLabel::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  QStylePainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.backgroundColor = palette().color(backgroundRole());
  painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
    emit clicked();
    return;
  }
  QLabel::keyPressEvent(event);
}

}  // namespace lumo::ui
