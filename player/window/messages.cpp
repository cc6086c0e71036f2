#include "player/window/messages.h"

namespace lumo::player {

QString* MessageTexts::byKey(const QString& key) {
  if (key == QLatin1String("MARKNONE")) return &MARKNONE;
  if (key == QLatin1String("DELMARK")) return &DELMARK;
  if (key == QLatin1String("USCITA")) return &USCITA;
  if (key == QLatin1String("SOSTFILE")) return &SOSTFILE;
  if (key == QLatin1String("EXPORTOK")) return &EXPORTOK;
  if (key == QLatin1String("EXPORTKO")) return &EXPORTKO;
  if (key == QLatin1String("RIPRISTINOOK")) return &RIPRISTINOOK;
  if (key == QLatin1String("MARKEXIST")) return &MARKEXIST;
  if (key == QLatin1String("ERRORE")) return &ERRORE;
  return nullptr;
}

const std::array<const char*, 9>& MessageTexts::replacementOrder() {
  static const std::array<const char*, 9> order{"DELMARK",   "MARKNONE",     "ERRORE",   "EXPORTOK", "EXPORTKO",
                                                "MARKEXIST", "RIPRISTINOOK", "SOSTFILE", "USCITA"};
  return order;
}

}  // namespace lumo::player
