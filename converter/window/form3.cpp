#include "converter/window/form3.h"

#include <QVBoxLayout>

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
}

}  // namespace lumo::converter
