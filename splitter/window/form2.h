#pragma once
// The about box of LumoSplitter.

#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace lumo::splitter {

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

class Form2 : public QWidget {
  Q_OBJECT
 public:
  explicit Form2(QWidget* parent = nullptr);

  QLabel* Image1;
  QLabel* Image2;
  QLabel* lblTitolo;
  QLabel* Label2;
  QLabel* Label1;
  LinkLabel* Label4;
  LinkLabel* Label5;
  QLabel* Label3;
  QPushButton* Command1;

  void Form_Load();
  void Command1_Click();
  void Label4_Click();
  void Label5_Click();
};

}  // namespace lumo::splitter
