#pragma once
// The about box.

#include "platform/tool_window/about_box.h"

namespace lumo::converter {

// The tools' about box, with the converter's texts.
using Form2 = ui::AboutBox;

// Makes the about box of the window owner, hidden.
Form2* makeAboutBox(QWidget* owner);

}  // namespace lumo::converter
