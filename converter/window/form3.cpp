#include "converter/window/form3.h"

#include <QHideEvent>
#include <QShowEvent>
#include <QVBoxLayout>

#include "platform/ui/notification.h"

namespace lumo::converter {

Form3::Form3(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowTitleHint) {
  setObjectName("Form3");
  setWindowTitle(QString::fromUtf8("Elaborazione in corso..."));
  Label1 = new QLabel(QString::fromUtf8("Elaborazione dei dati in corso... Attendere"), this);
  Label1->setObjectName("Label1");
  Label1->setAccessibleName(Label1->text());
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  setAccessibleName(windowTitle());
  // Heard, not seen: the label shows the same.
  Annuncio = new QWidget(this);
  Annuncio->setObjectName("Annuncio");
  Annuncio->setFixedSize(1, 1);
  ui::makeNotification(Annuncio);
  Annuncio->hide();
}

void Form3::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Each conversion shows the window again, and each is announced.
  if (!event->spontaneous()) ui::announce(Annuncio, windowTitle() + " " + Label1->text());
}

void Form3::hideEvent(QHideEvent* event) {
  // Hidden with the window, it is announced anew when the window shows again.
  if (!event->spontaneous()) Annuncio->hide();
  QWidget::hideEvent(event);
}

}  // namespace lumo::converter
