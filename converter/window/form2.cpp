#include "converter/window/form2.h"

#include "common/organisation.h"
#include "converter/window/program.h"

namespace lumo::converter {
namespace {

ui::AboutBox::Content content() {
  namespace org = lumo::organisation;
  using Part = ui::AboutBox::Part;
  ui::AboutBox::Content c;
  c.windowTitle = QString::fromUtf8("Informazioni su ") + QString::fromUtf8(kProgramTitle);
  c.title = QString::fromUtf8(kProgramTitle) + " " + QString::fromUtf8(programVersion().c_str());
  c.description = QString::fromUtf8(
      "LumoDarivAziduduza è un software che consente di convertire lo standard di indicizzazione Lumo in standard "
      "internazionale Daisy 2.02.\n"
      "Sfruttando l'indicizzazione creata per LumoPlayer già comprensiva di tutti i dati utili, verranno composti i "
      "nuovi file di indicizzazione sfruttando la pagina di inizio e la descrizione a cui fa riferimento.\n"
      "Il software creerà audilibri Daisy riconoscendo fino a 2 livelli di indicizzazione.\n"
      "Questo vantaggio consente all'utente che fruisce del prodotto con un lettore daisy di sfruttare gli "
      "audiolibri del Lumo. ");
  c.address = QString::fromUtf8(org::Name) + "\n" + QString::fromUtf8(org::PostalAddress) + " - Tel. " +
              QString::fromUtf8(org::Telephone);
  c.web = QString::fromUtf8(org::WebAddress);
  c.imageName = QString::fromUtf8(kProgramTitle);
  c.order = {Part::Title,     Part::Image1, Part::Description, Part::Address,
             Part::Copyright, Part::Web,    Part::Mail,        Part::Exit};
  return c;
}

}  // namespace

Form2* makeAboutBox(QWidget* owner) { return Form2::makeHidden(content(), "Form2", owner); }

}  // namespace lumo::converter
