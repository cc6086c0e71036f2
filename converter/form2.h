#pragma once
// The about box.

#include "platform/ui/tool_window/about_box.h"

namespace lumo::converter {

class Form2 : public ui::AboutBox {
  Q_OBJECT
 public:
  explicit Form2(QWidget* parent = nullptr);
};

}  // namespace lumo::converter
