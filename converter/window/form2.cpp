#include "converter/window/form2.h"

#include <QVBoxLayout>

#include "common/organisation.h"
#include "converter/window/program.h"
#include "platform/tools/tools.h"
#include "platform/ui/text_scale.h"

namespace lumo::converter {

Form2::Form2(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form2");
  setWindowTitle(QString::fromUtf8("Informazioni su ") + QString::fromUtf8(kProgramTitle));
  setAccessibleName(windowTitle());
  auto make = [this](const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
  };
  lblTitolo = make("lblTitolo");
  QFont big = ui::designFont(lblTitolo->font(), ui::kDesignPointSize + 4);
  big.setBold(true);
  lblTitolo->setFont(big);
  Image1 = make("Image1");
  Label1 = make("Label1");
  Label2 = make("Label2");
  Label3 = make("Label3");
  Label4 = new ui::LinkLabel(QString(), this);
  Label4->setObjectName("Label4");
  Label5 = new ui::LinkLabel(QString(), this);
  Label5->setObjectName("Label5");
  Command1 = new QPushButton(QString::fromUtf8("Esci"), this);
  Command1->setObjectName("Command1");
  Command1->setAccessibleName(Command1->text());

  auto* layout = new QVBoxLayout(this);
  for (QWidget* w : {static_cast<QWidget*>(lblTitolo), static_cast<QWidget*>(Image1), static_cast<QWidget*>(Label1),
                     static_cast<QWidget*>(Label2), static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label4),
                     static_cast<QWidget*>(Label5), static_cast<QWidget*>(Command1)})
    layout->addWidget(w);

  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Label4, &ui::LinkLabel::clicked, this, [this] { Label4_Click(); });
  connect(Label5, &ui::LinkLabel::clicked, this, [this] { Label5_Click(); });
  Form_Load();
}

void Form2::Form_Load() {
  namespace org = lumo::organisation;
  Label2->setText(QString::fromUtf8(org::Name) + "\n" + QString::fromUtf8(org::PostalAddress) + " - Tel. " +
                  QString::fromUtf8(org::Telephone));
  Label1->setText(QString::fromUtf8(
      "LumoDarivAziduduza è un software che consente di convertire lo standard di indicizzazione Lumo in standard "
      "internazionale Daisy 2.02.\n"
      "Sfruttando l'indicizzazione creata per LumoPlayer già comprensiva di tutti i dati utili, verranno composti i "
      "nuovi file di indicizzazione sfruttando la pagina di inizio e la descrizione a cui fa riferimento.\n"
      "Il software creerà audilibri Daisy riconoscendo fino a 2 livelli di indicizzazione.\n"
      "Questo vantaggio consente all'utente che fruisce del prodotto con un lettore daisy di sfruttare gli "
      "audiolibri del Lumo. "));
  Label3->setText(QString::fromUtf8(org::Copyright));
  Label4->setText(QString::fromUtf8(org::WebAddress));
  Label5->setText(QString::fromUtf8("Posta elettronica"));
  lblTitolo->setText(QString::fromUtf8(kProgramTitle) + " " + QString::fromUtf8(programVersion().c_str()));
  for (QLabel* l : {lblTitolo, Label1, Label2, Label3, static_cast<QLabel*>(Label4), static_cast<QLabel*>(Label5)})
    l->setAccessibleName(l->text());
  Image1->setAccessibleName(QString::fromUtf8(kProgramTitle));
}

void Form2::Command1_Click() { close(); }

void Form2::Label4_Click() { tools::OpenWithShell(lumo::organisation::WebAddress); }

void Form2::Label5_Click() { tools::OpenWithShell(std::string("mailto:") + lumo::organisation::Email); }

}  // namespace lumo::converter
