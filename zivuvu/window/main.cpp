// Zivuvu: turns the book chosen in the settings into the player's pages,
// starts the player and ends. It shows no window of its own, only its
// messages.

#include <QApplication>
#include <QElapsedTimer>

#include "platform/shell/shell.h"
#include "platform/ui/ui.h"
#include "platform/ui/ui_qt.h"
#include "zivuvu/core/zivuvu_run.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  lumo::ui::setProgramTitle("Zivuvu");
  lumo::ui::installQtBackend();

  QElapsedTimer sinceYield;
  sinceYield.start();
  lumo::zivuvu::RunOptions options;
  options.appFolder = lumo::shell::programFolder();
  options.yield = [&sinceYield] {
    if (sinceYield.elapsed() >= 20) {
      QApplication::processEvents();
      sinceYield.restart();
    }
  };
  options.startPlayer = [](const std::string& player) {
    return lumo::shell::startProgram(player, lumo::shell::WindowStyle::Maximised);
  };
  lumo::zivuvu::ZivuvuRun(options);
  return 0;
}
