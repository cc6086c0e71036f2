// LumoDarivaziduduza: converts a talking book of the library (its index and
// MP3 files, or a library disc) into a DAISY 2.02 fileset.

#include <QApplication>

#include "converter/window/form1.h"
#include "converter/window/program.h"
#include "platform/ui/ui.h"
#include "platform/ui/ui_qt.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(lumo::converter::kProgramTitle));
  lumo::ui::setProgramTitle(lumo::converter::kProgramTitle);
  lumo::ui::installQtBackend();
  lumo::converter::Form1 window;
  window.show();
  return app.exec();
}
