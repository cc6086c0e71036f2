// LumoDarivaziduduza: converts a talking book of the library (its index and
// MP3 files, or a library disc) into a DAISY 2.02 fileset.

#include "converter/window/form1.h"
#include "converter/window/program.h"
#include "platform/tool_window/tool_program.h"

int main(int argc, char** argv) {
  return lumo::ui::runWindowProgram<lumo::converter::Form1>(argc, argv, lumo::converter::kProgramTitle);
}
