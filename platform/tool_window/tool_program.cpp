#include "platform/tool_window/tool_program.h"

#include <QApplication>

#include "platform/ui/ui.h"
#include "platform/ui/ui_qt.h"

namespace lumo::ui {

int runWindowProgram(int argc, char** argv, const char* title,
                     const std::function<std::unique_ptr<QWidget>()>& openWindow) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(title));
  setProgramTitle(title);
  installQtBackend();
  // The window goes before the application does.
  const std::unique_ptr<QWidget> window = openWindow();
  return app.exec();
}

}  // namespace lumo::ui
