#pragma once
// The Qt backend of the message boxes and pickers: accessible Qt dialogs with
// the suite's Italian button captions.

#include <QString>
#include <string>
#include <utility>
#include <vector>

namespace lumo::ui {

// Installs the Qt backend for this process (call after QApplication exists),
// with Qt's Italian texts (translations.h).
// A scripted backend named by LUMO_UI_SCRIPT / LUMO_UI_LOG still wins.
void installQtBackend();

// The file picker's filter text for filter pairs (description, patterns
// "*.txt;*.qv"): "description (patterns)" joined by ";;". A description that
// already ends with its patterns in brackets, as Windows callers write it,
// is kept as it is, so the picker does not show the patterns twice.
QString qtNameFilters(const std::vector<std::pair<std::string, std::string>>& filters);

}  // namespace lumo::ui
