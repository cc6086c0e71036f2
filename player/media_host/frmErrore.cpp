#include "player/media_host/frmErrore.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "platform/ui/text_scale.h"
#include "player/media_host/mdlMain.h"

namespace lumo::player {

namespace {
// A rectangle of the design in twips, grown with the reader's text.
QRect designRect(int left, int top, int width, int height) {
  return ui::scaled(TwipsRect(left, top, width, height), ui::textScale());
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QRect twips) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(twips);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}
}  // namespace

frmErrore::frmErrore(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmErrore"));
  setWindowTitle(QString::fromUtf8(kErrorTitle));
  // A fixed dialog: no minimise or maximise button.
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(designRect(0, 0, 6216, 2784).size());
  setAccessibleName(windowTitle());

  Image1 = makeLabel(this, "Image1", QString(), designRect(240, 240, 765, 675));
  Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(Image1->size()));
  Image1->setAccessibleName(QStringLiteral("Errore"));

  Label1 = makeLabel(this, "Label1", QStringLiteral("Errore!"), designRect(1200, 240, 4695, 495));
  QFont heading = Label1->font();
  heading.setPointSizeF(heading.pointSizeF() * 1.5);
  heading.setBold(true);
  Label1->setFont(heading);

  lblErrore = makeLabel(this, "lblErrore", QString(), designRect(1200, 720, 4815, 975));
  lblErrore->setWordWrap(true);
  lblErrore->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);

  Label2 = makeLabel(this, "Label2", QStringLiteral("Prg:"), designRect(120, 1800, 975, 495));
  QFont caption = Label2->font();
  caption.setPointSizeF(caption.pointSizeF() * 1.25);
  Label2->setFont(caption);

  lblFunzione = makeLabel(this, "lblFunzione", QString(), designRect(1080, 1800, 5055, 375));

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(designRect(2520, 2280, 1215, 375));
  OKButton->setDefault(true);  // Enter closes the dialog; Esc rejects it
  OKButton->setAccessibleName(QStringLiteral("OK"));
  connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
  updateAccessibleNames();
}

void frmErrore::OKButton_Click() {
  Trap(QStringLiteral("OKButton_Click"), [this] { accept(); });
}

// A screen reader hears the message and the procedure, not an empty label.
void frmErrore::updateAccessibleNames() {
  Label1->setAccessibleName(Label1->text());
  Label2->setAccessibleName(Label2->text());
  lblErrore->setAccessibleName(lblErrore->text().isEmpty() ? Label1->text() : lblErrore->text());
  lblFunzione->setAccessibleName(lblFunzione->text().isEmpty() ? Label2->text()
                                                               : Label2->text() + u' ' + lblFunzione->text());
  // The message is spoken from its label; no description repeating it.
}

void frmErrore::showEvent(QShowEvent* event) {
  updateAccessibleNames();
  // Centred on the screen, its frame included (move() places the frame).
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
  }
  OKButton->setFocus();
  QDialog::showEvent(event);
}

}  // namespace lumo::player
