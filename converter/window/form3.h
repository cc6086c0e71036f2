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
};

}  // namespace lumo::converter
