#pragma once
// Qt's own texts (the standard buttons of dialogs, the file and folder
// pickers, the menus of text boxes) in Italian, the language of the suite,
// whatever the desktop's language: Qt's Italian translations (Debian's
// qt6-translations-l10n) are loaded into the application.

namespace lumo::ui {

// Loads Qt's Italian translations once per process (call after the
// QApplication exists; installQtBackend calls it). False when they are not
// installed: Qt's texts then stay in English.
bool installItalianQtTranslations();

}  // namespace lumo::ui
