#pragma once
// The progress window shown while a conversion runs.

#include <QLabel>
#include <QWidget>

namespace lumo::converter {

class Form3 : public QWidget {
  Q_OBJECT
 public:
  explicit Form3(QWidget* parent = nullptr);
  QLabel* Label1;
  // What a screen reader is told when the window opens: its caption and its text.
  QWidget* Annuncio = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
};

}  // namespace lumo::converter
