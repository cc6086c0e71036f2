#pragma once
// The about box of LumoSplitter.

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "platform/ui/link_label.h"

namespace lumo::splitter {

class Form2 : public QWidget {
  Q_OBJECT
 public:
  explicit Form2(QWidget* parent = nullptr);

  QLabel* Image1;
  QLabel* Image2;
  QLabel* lblTitolo;
  QLabel* Label2;
  QLabel* Label1;
  ui::LinkLabel* Label4;
  ui::LinkLabel* Label5;
  QLabel* Label3;
  QPushButton* Command1;

  void Form_Load();
  void Command1_Click();
  void Label4_Click();
  void Label5_Click();
};

}  // namespace lumo::splitter
