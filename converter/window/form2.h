#pragma once
// The about box.

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "platform/ui/link_label.h"

namespace lumo::converter {

class Form2 : public QWidget {
  Q_OBJECT
 public:
  explicit Form2(QWidget* parent = nullptr);

  QLabel* lblTitolo;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  ui::LinkLabel* Label4;
  ui::LinkLabel* Label5;
  QLabel* Image1;
  QPushButton* Command1;

  void Form_Load();
  void Command1_Click();
  void Label4_Click();
  void Label5_Click();
};

}  // namespace lumo::converter
