#pragma once
// The progress window of a split job; it stays above every other window.

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>
#include <functional>

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
  // What a screen reader is told: the window and its first state when it
  // opens, its new caption when the job stops or the program closes.
  QWidget* Annuncio = nullptr;

  void Form_Load();

  // Called for Esc: the window asks whether to stop the job.
  std::function<void()> onEscape;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
};

}  // namespace lumo::splitter
