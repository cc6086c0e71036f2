// Lumofind: lists the talking books on the library discs in the CD drives,
// in the downloads folder and in the reader's own folder, and starts the one
// the reader chooses.

#include <QApplication>

#include "finder/core/actions.h"
#include "finder/window/form1.h"
#include "platform/ui/ui.h"
#include "platform/ui/ui_qt.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(lumo::finder::kProgramTitle));
  lumo::ui::setProgramTitle(lumo::finder::kProgramTitle);
  lumo::ui::installQtBackend();
  lumo::finder::Form1 window;
  window.showAsStarted();
  return app.exec();
}
