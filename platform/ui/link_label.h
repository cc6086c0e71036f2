#pragma once
// A focusable link for the about boxes.

#include <QLabel>

namespace lumo::ui {

// A label that acts as a link: clicked by the mouse, or by Enter or Space
// once it has the keyboard focus.
class LinkLabel : public QLabel {
  Q_OBJECT
 public:
  explicit LinkLabel(const QString& text, QWidget* parent = nullptr);
 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace lumo::ui
