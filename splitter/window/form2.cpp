#include "splitter/window/form2.h"

#include <QVBoxLayout>

#include "common/organisation.h"
#include "platform/tools/tools.h"
#include "platform/ui/text_scale.h"
#include "splitter/window/program.h"

namespace lumo::splitter {

Form2::Form2(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form2");
  setWindowTitle(QString::fromUtf8(organisation::Name) + " - LumoSplitter");
  setAccessibleName(windowTitle());
  auto make = [this](const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
  };
  Image1 = make("Image1");
  Image2 = make("Image2");
  lblTitolo = make("lblTitolo");
  QFont big = ui::designFont(lblTitolo->font(), ui::kDesignPointSize + 4);
  big.setBold(true);
  lblTitolo->setFont(big);
  Label2 = make("Label2");
  Label1 = make("Label1");
  Label4 = new ui::LinkLabel(QString::fromUtf8("Sito web"), this);
  Label4->setObjectName("Label4");
  Label5 = new ui::LinkLabel(QString::fromUtf8("Indirizzo di posta elettronica"), this);
  Label5->setObjectName("Label5");
  Label3 = make("Label3");
  Label3->setText(QString::fromUtf8(organisation::Copyright));
  Command1 = new QPushButton(QString::fromUtf8("Esci"), this);
  Command1->setObjectName("Command1");
  Command1->setAccessibleName(Command1->text());

  auto* layout = new QVBoxLayout(this);
  for (QWidget* w :
       std::initializer_list<QWidget*>{Image1, Image2, lblTitolo, Label2, Label1, Label4, Label5, Label3, Command1})
    layout->addWidget(w);

  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Label4, &ui::LinkLabel::clicked, this, [this] { Label4_Click(); });
  connect(Label5, &ui::LinkLabel::clicked, this, [this] { Label5_Click(); });
  ui::resizeForText(*this, {520, 560});
  Form_Load();
}

void Form2::Form_Load() {
  namespace org = lumo::organisation;
  Label2->setText(QString::fromUtf8(org::Name) + "\n" + QString::fromUtf8(org::PostalAddress) + "\nTel. " +
                  QString::fromUtf8(org::Telephone) + " - Fax " + QString::fromUtf8(org::Fax));
  Label1->setText(QString::fromUtf8(
      "LumoSplitter è un software che consente di tagliare i file mp3 lunghi 45 minuti in tante piccole parti.\n"
      "Sfruttando l'indicizzazione creata per LumoPlayer ogni file può essere tagliato in parti diverse e rinominato "
      "con un numero progressivo, la pagina di inizio e la descrizione a cui fa riferimento ed è possibile unire "
      "l'inizio di un file che risulta essere una continuazione con il precedente formando così una struttura "
      "completa del libro.\n"
      "Questo vantaggio consente all'utente che fruisce del prodotto con un lettore cd-mp3 di ritrovare ugualmente "
      "capitoli, paragrafi, parti già precedentemente indicizzate. \n"
      "É anche possibile scegliere di spezzare ulteriormente i file scegliendone la durata. Il software cercherà in "
      "un range la prima pausa utile e formerà dei file della durata prescelta, funzionalità utile ad esempio per "
      "le pen drive.\n"
      "Al termine del taglio al file potranno essere applicate le informazioni TAG ID3v2 utili per la gestione "
      "delle nuove tracce audio.\n"
      "Buon ascolto!"));
  // The web address as the about box has always shown it: backslashes
  // after the scheme.
  QString web = QString::fromUtf8(org::WebAddress);
  const qsizetype scheme = web.indexOf("://");
  if (scheme >= 0) web = web.left(scheme + 1) + web.mid(scheme + 1).replace('/', '\\');
  Label4->setText(web);
  Label5->setText(QString::fromUtf8("Posta elettronica"));
  lblTitolo->setText(QString::fromUtf8(kProgramTitle) + " " + QString::fromStdString(majorMinor()));
  for (QLabel* l : std::initializer_list<QLabel*>{lblTitolo, Label1, Label2, Label3, Label4, Label5})
    l->setAccessibleName(l->text());
}

void Form2::Command1_Click() { close(); }

void Form2::Label4_Click() { tools::OpenWithShell(organisation::WebAddress); }

void Form2::Label5_Click() { tools::OpenWithShell(std::string("mailto:") + organisation::Email); }

}  // namespace lumo::splitter
