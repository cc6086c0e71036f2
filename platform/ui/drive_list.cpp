#include "platform/ui/drive_list.h"

#include <QSignalBlocker>
#include <algorithm>

#include "platform/ui/text_scale.h"

namespace lumo::ui {

// Centred in the area windows may take, frame and title bar included; a
// window larger than that area keeps its title bar at the area's top left
// rather than above the screen.
void centreOnScreen(QWidget* window) {
  const QRect area = availableArea(*window);
  if (!area.isValid()) return;
  const QMargins frame = frameAllowance(*window);
  const QSize outer = window->size().grownBy(frame);
  window->move(area.x() + std::max(0, (area.width() - outer.width()) / 2),
               area.y() + std::max(0, (area.height() - outer.height()) / 2));
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
