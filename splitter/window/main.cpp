// LumoSplitter: cuts a talking book's 45-minute recordings at their headings
// into small numbered, tagged parts with a new marker.txt, for CD-MP3
// players and pen drives.

#include "platform/tool_window/tool_program.h"
#include "splitter/window/form1.h"
#include "splitter/window/program.h"

int main(int argc, char** argv) {
  return lumo::ui::runWindowProgram<lumo::splitter::Form1>(argc, argv, lumo::splitter::kProgramTitle);
}
