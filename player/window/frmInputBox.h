#pragma once
// The player's own modal text-entry box, used for the description of a
// bookmark. It asks for one line of text and refuses to close through OK
// while the text is empty; the caller reads txtInput after Display().
// A box is made for each use, so every use starts from the design values.

#include <QDialog>
#include <QString>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace lumo::player {

class frmInputBox : public QDialog {
  Q_OBJECT
 public:
  explicit frmInputBox(QWidget* parent = nullptr);

  // Shows the box modally; returns once OK or Annulla has hidden it.
  void Display();

  int16_t ButtonClicked() const { return buttonValue_; }
  bool PasswordProtect() const { return passwordFlag_; }
  void PasswordProtect(bool bProtect) { passwordFlag_ = bProtect; }
  // Prompt and Default only keep their text: the box shows Label1's caption
  // and txtInput's text.
  QString Prompt() const { return promptText_; }
  void Prompt(const QString& strPrompt) { promptText_ = strPrompt; }
  void Title(const QString& strTitle) { titleText_ = strTitle; }
  QString Default() const { return defaultText_; }
  void Default(const QString& strDefault) { defaultText_ = strDefault; }

  QLabel* Label1;
  QLineEdit* txtInput;
  QPushButton* Command2;  // "&OK"
  QPushButton* Command1;  // "&Annulla"

  void Command2_Click();
  void Command1_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Closing from the window frame or with Esc counts as Annulla, so the
  // caller never reads a text the reader did not confirm.
  void reject() override;

 private:
  void Form_Activate();
  QString GetTitle() const { return titleText_; }

  int16_t buttonValue_ = 0;
  bool passwordFlag_ = false;
  QString promptText_;
  QString titleText_;
  QString defaultText_;
};

}  // namespace lumo::player
