#pragma once
// The player's error dialog: the failed procedure's label and the error's
// text. OK, Enter and Esc close it.

#include <QDialog>

class QLabel;
class QPushButton;

namespace lumo::player {

class frmErrore : public QDialog {
  Q_OBJECT
 public:
  explicit frmErrore(QWidget* parent = nullptr);

  QLabel* Image1;
  QLabel* Label1;
  QLabel* lblErrore;
  QLabel* Label2;
  QLabel* lblFunzione;
  QPushButton* OKButton;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void OKButton_Click();
  void updateAccessibleNames();
};

}  // namespace lumo::player
