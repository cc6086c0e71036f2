// LumoSplitter: cuts a talking book's 45-minute recordings at their headings
// into small numbered, tagged parts with a new marker.txt, for CD-MP3
// players and pen drives.

#include <QApplication>

#include "platform/ui/ui.h"
#include "platform/ui/ui_qt.h"
#include "splitter/window/form1.h"
#include "splitter/window/program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(lumo::splitter::kProgramTitle));
  lumo::ui::setProgramTitle(lumo::splitter::kProgramTitle);
  lumo::ui::installQtBackend();
  lumo::splitter::Form1 window;
  window.show();
  return app.exec();
}
