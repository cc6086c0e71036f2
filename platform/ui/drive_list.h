#pragma once
// The drive list of the production tools' main windows (the converter, the
// splitter): the library discs found, then the entry for a book picked by hand.

#include <QComboBox>
#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

namespace lumo::ui {

// Centres a window, with its frame, on the screen's available area; its
// title bar stays on the screen.
void centreOnScreen(QWidget* window);

// Fills the list with one entry per disc (its text, its root as the entry's
// data), then lastEntry, and selects the first entry, all without raising the
// list's change signals. Returns the number of discs.
int fillDriveList(QComboBox* list, const std::vector<std::pair<QString, QString>>& discs, const QString& lastEntry);

}  // namespace lumo::ui
