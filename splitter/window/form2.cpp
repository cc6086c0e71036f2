#include "splitter/window/form2.h"

#include "common/organisation.h"
#include "splitter/window/program.h"

namespace lumo::splitter {
namespace {

// The web address as the about box has always shown it: backslashes after
// the scheme.
QString shownWebAddress() {
  QString web = QString::fromUtf8(organisation::WebAddress);
  const qsizetype scheme = web.indexOf("://");
  if (scheme >= 0) web = web.left(scheme + 1) + web.mid(scheme + 1).replace('/', '\\');
  return web;
}

ui::AboutBox::Content content() {
  namespace org = lumo::organisation;
  using Part = ui::AboutBox::Part;
  ui::AboutBox::Content c;
  c.windowTitle = QString::fromUtf8(org::Name) + " - LumoSplitter";
  c.title = QString::fromUtf8(kProgramTitle) + " " + QString::fromStdString(majorMinor());
  c.description = QString::fromUtf8(
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
      "Buon ascolto!");
  c.address = QString::fromUtf8(org::Name) + "\n" + QString::fromUtf8(org::PostalAddress) + "\nTel. " +
              QString::fromUtf8(org::Telephone) + " - Fax " + QString::fromUtf8(org::Fax);
  c.web = shownWebAddress();
  c.order = {Part::Image1, Part::Image2, Part::Title,     Part::Address, Part::Description,
             Part::Web,    Part::Mail,   Part::Copyright, Part::Exit};
  c.designSize = {520, 560};
  return c;
}

}  // namespace

Form2* makeAboutBox(QWidget* owner) { return Form2::makeHidden(content(), "Form2", owner); }

}  // namespace lumo::splitter
