// LumoPlayer: reads the book's pages aloud, driven from the keyboard. The
// program ends when its main window closes.

#include <QApplication>
#include <clocale>

#include "platform/ui/ui.h"
#include "platform/ui/ui_qt.h"
#include "player/window/frmBrowser.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // libmpv reads its numbers in the C format; the player's own numbers
  // follow the user's regional format through QLocale.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("LumoPlayer"));
  lumo::ui::setProgramTitle("LumoPlayer");
  lumo::ui::installQtBackend();

  lumo::player::frmBrowser window;
  window.showAsStarted();
  return QApplication::exec();
}
