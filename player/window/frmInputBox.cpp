#include "player/window/frmInputBox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/ui/text_scale.h"
#include "platform/ui/ui.h"

namespace lumo::player {

frmInputBox::frmInputBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmInputBox"));
  setWindowTitle(QStringLiteral("InputBox"));
  setModal(true);

  Label1 = new QLabel(QStringLiteral("Scrivi il segnalibro:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  txtInput = new QLineEdit(this);
  txtInput->setObjectName(QStringLiteral("txtInput"));
  Label1->setBuddy(txtInput);
  // A protected text shows a "*" for every character.
  txtInput->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
  Command2 = new QPushButton(QStringLiteral("&OK"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command1 = new QPushButton(QStringLiteral("&Annulla"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  // Enter on a button that has the focus presses it, as a reader who
  // tabbed to it expects; Enter in the text box is the box's own (see
  // eventFilter) and never reaches a button.
  Command2->setAutoDefault(true);
  Command1->setAutoDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Command2);
  buttons->addStretch();
  buttons->addWidget(Command1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(txtInput);
  layout->addLayout(buttons);
  // Wide enough for a description, never wider than the screen; a long
  // prompt goes on to a second line.
  int width = ui::scaled(360, ui::textScale());
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    width = std::min(width, screen->availableGeometry().width() * 9 / 10);
  setMinimumWidth(width);
  Label1->setWordWrap(true);

  Command2->setAccessibleName(QStringLiteral("OK"));
  Command1->setAccessibleName(QStringLiteral("Annulla"));
  txtInput->setAccessibleName(Label1->text());
  Label1->setAccessibleName(Label1->text());

  connect(Command2, &QPushButton::clicked, this, &frmInputBox::Command2_Click);
  connect(Command1, &QPushButton::clicked, this, &frmInputBox::Command1_Click);
  txtInput->installEventFilter(this);
}

void frmInputBox::Display() {
  // The text box speaks with the caption the caller gave the label.
  txtInput->setAccessibleName(Label1->text());
  Label1->setAccessibleName(Label1->text());
  exec();
}

// The box becomes the active window each time it is shown; a reader who
// switches to another program and back keeps what was typed and selected.
void frmInputBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Form_Activate();
}

void frmInputBox::Form_Activate() {
  txtInput->setEchoMode(passwordFlag_ ? QLineEdit::Password : QLineEdit::Normal);
  setWindowTitle(GetTitle());
  txtInput->setSelection(0, int(txtInput->text().size()));
  txtInput->setFocus(Qt::ActiveWindowFocusReason);
}

void frmInputBox::Command2_Click() {
  if (!txtInput->text().isEmpty()) {
    hide();
    done(QDialog::Accepted);
    return;
  }
  ui::MsgBox("Non è stato inserito nessun dato", ui::mb::OKOnly | ui::mb::Information);
}

void frmInputBox::Command1_Click() {
  txtInput->clear();
  hide();
  done(QDialog::Rejected);
}

void frmInputBox::reject() { Command1_Click(); }

namespace {

// A key pressed with Alt or Ctrl is a command (the player's Alt+8, a
// mnemonic), never text, although the platform gives it the character of
// its key. AltGr, which types "@" and "[" on an Italian keyboard, reaches
// Qt on X11 and Wayland without either modifier.
bool isCommandWithText(const QKeyEvent& key) {
  return (key.modifiers() & (Qt::AltModifier | Qt::ControlModifier)) && !key.text().isEmpty() &&
         key.text().front().isPrint();
}

}  // namespace

bool frmInputBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtInput && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (isCommandWithText(*key)) {
      // The box still does what the key means to it (Ctrl+A, Ctrl+Z), but
      // without its character.
      QKeyEvent bare(key->type(), key->key(), key->modifiers(), QString(), key->isAutoRepeat(), key->count());
      QCoreApplication::sendEvent(txtInput, &bare);
      key->setAccepted(bare.isAccepted());
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      // An empty box leaves Enter to the text box: nothing happens.
      if (txtInput->text().isEmpty()) return true;
      Command2->setFocus(Qt::OtherFocusReason);
      Command2_Click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace lumo::player
