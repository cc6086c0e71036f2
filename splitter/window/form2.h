#pragma once
// The about box of LumoSplitter.

#include "platform/ui/tool_window/about_box.h"

namespace lumo::splitter {

class Form2 : public ui::AboutBox {
  Q_OBJECT
 public:
  explicit Form2(QWidget* parent = nullptr);
};

}  // namespace lumo::splitter
