#pragma once
// The progress window of a split job; it stays above every other window.

#include <QLabel>
#include <QProgressBar>
#include <QWidget>

namespace lumo::splitter {

class Form3 : public QWidget {
  Q_OBJECT
 public:
  explicit Form3(QWidget* parent = nullptr);

  QLabel* Label1;
  QProgressBar* ProgressBar1;
  QLabel* lblpercent;
  QLabel* Label2;
  QProgressBar* ProgressBar2;
  QLabel* ptps;

  void Form_Load();
};

}  // namespace lumo::splitter
