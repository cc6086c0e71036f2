// Lumofind: lists the talking books on the library discs in the CD drives,
// in the downloads folder and in the reader's own folder, and starts the one
// the reader chooses.

#include "finder/core/actions.h"
#include "finder/window/form1.h"
#include "platform/tool_window/tool_program.h"

int main(int argc, char** argv) {
  using lumo::finder::Form1;
  return lumo::ui::runWindowProgram<Form1>(argc, argv, lumo::finder::kProgramTitle, &Form1::showAsStarted);
}
