#pragma once
// The about box of LumoSplitter.

#include "platform/tool_window/about_box.h"

namespace lumo::splitter {

// The tools' about box, with LumoSplitter's texts.
using Form2 = ui::AboutBox;

// Makes the about box of the window owner, hidden.
Form2* makeAboutBox(QWidget* owner);

}  // namespace lumo::splitter
