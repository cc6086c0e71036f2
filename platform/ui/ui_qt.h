#pragma once
// The Qt backend of the message boxes and pickers: accessible Qt dialogs with
// the suite's Italian button captions.

namespace lumo::ui {

// Installs the Qt backend for this process (call after QApplication exists),
// with Qt's Italian texts (translations.h).
// A scripted backend named by LUMO_UI_SCRIPT / LUMO_UI_LOG still wins.
void installQtBackend();

}  // namespace lumo::ui
