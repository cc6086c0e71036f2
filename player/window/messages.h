#pragma once
// The texts of the player's messages that a summary page may replace with
// its own (a book in another language): the page's meta tags name them by
// key.

#include <QString>
#include <array>

namespace lumo::player {

// The nine message texts that a summary page may replace.
struct MessageTexts {
  QString MARKNONE = QStringLiteral("Non ci sono marcatori presenti.");
  QString DELMARK = QStringLiteral("Sei sicuro di voler cancellare tutti i marcatori?");
  QString USCITA = QStringLiteral("Sei sicuro di voler uscire?");
  QString SOSTFILE = QStringLiteral("Si vuole sostituire il file @FILE@?");
  QString EXPORTOK = QStringLiteral("Export effettuato correttamente nel file @FILE@");
  QString EXPORTKO = QStringLiteral("Export del file @FILE@ fallito!");
  QString RIPRISTINOOK = QStringLiteral("Ripristino effettuato @FILE@");
  QString MARKEXIST = QStringLiteral("Il nome del marcatore è già stato inserito!");
  QString ERRORE = QStringLiteral("ERRORE: @POS@. Codice: @NUMBER@ - @DESCRIPTION@");

  // The text of a key ("USCITA"); nullptr for an unknown key.
  QString* byKey(const QString& key);
  // The keys in the order a summary page replaces them.
  static const std::array<const char*, 9>& replacementOrder();
};

}  // namespace lumo::player
