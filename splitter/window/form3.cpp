#include "splitter/window/form3.h"

#include <QGridLayout>
#include <QShowEvent>

#include "platform/ui/notification.h"
#include "platform/ui/text_scale.h"

namespace lumo::splitter {

Form3::Form3(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowTitleHint) {
  setObjectName("Form3");
  setWindowTitle(QString::fromUtf8("Elaborazione in corso..."));
  auto label = [this](const char* name, const char* text) {
    auto* l = new QLabel(QString::fromUtf8(text), this);
    l->setObjectName(name);
    l->setAccessibleName(l->text());
    return l;
  };
  auto bar = [this](const char* name, const char* tip, QLabel* caption) {
    auto* b = new QProgressBar(this);
    b->setObjectName(name);
    b->setToolTip(QString::fromUtf8(tip));
    b->setAccessibleName(caption->text());
    b->setTextVisible(false);
    b->setRange(0, 1);
    b->setValue(0);
    return b;
  };
  Label1 = label("Label1", "Taglio per indice");
  ProgressBar1 = bar("ProgressBar1", "Barra progressione taglio secondo l'indice ", Label1);
  lblpercent = label("lblpercent", "0%");
  Label2 = label("Label2", "Taglio supplementare");
  ProgressBar2 = bar("ProgressBar2", "Barra progressione taglio personalizzato", Label2);
  ptps = label("ptps", "0%");
  auto* grid = new QGridLayout(this);
  grid->addWidget(Label1, 0, 0, 1, 2);
  grid->addWidget(ProgressBar1, 1, 0);
  grid->addWidget(lblpercent, 1, 1);
  grid->addWidget(Label2, 2, 0, 1, 2);
  grid->addWidget(ProgressBar2, 3, 0);
  grid->addWidget(ptps, 3, 1);
  // Heard, not seen: the window's own labels show the same.
  Annuncio = new QWidget(this);
  Annuncio->setObjectName("Annuncio");
  Annuncio->setFixedSize(1, 1);
  ui::makeNotification(Annuncio);
  Annuncio->hide();
  ui::resizeForText(*this, {420, 140});
  setAccessibleName(windowTitle());
  // It takes the keys while the job runs, so that Esc reaches it.
  setFocusPolicy(Qt::StrongFocus);
  Form_Load();
}

void Form3::Form_Load() {
  // Above all windows, without moving or resizing it.
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void Form3::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && onEscape) {
    onEscape();
    return;
  }
  QWidget::keyPressEvent(event);
}

void Form3::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) ui::announce(Annuncio, windowTitle() + " " + Label1->text() + " " + lblpercent->text());
}

void Form3::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // "Attendere il termine del ciclo...": the stop request was taken.
  if (event->type() == QEvent::WindowTitleChange && Annuncio && isVisible()) ui::announce(Annuncio, windowTitle());
}

}  // namespace lumo::splitter
