#include "platform/ui/drive_list.h"

#include <QScreen>
#include <QSignalBlocker>

namespace lumo::ui {

void centreOnScreen(QWidget* window) {
  if (const QScreen* screen = window->screen()) {
    const QRect area = screen->geometry();
    window->move(area.x() + (area.width() - window->width()) / 2, area.y() + (area.height() - window->height()) / 2);
  }
}

int fillDriveList(QComboBox* list, const std::vector<std::pair<QString, QString>>& discs, const QString& lastEntry) {
  const QSignalBlocker block(list);
  list->clear();
  for (const auto& [text, root] : discs) list->addItem(text, root);
  list->addItem(lastEntry);
  list->setCurrentIndex(0);
  return static_cast<int>(discs.size());
}

}  // namespace lumo::ui
