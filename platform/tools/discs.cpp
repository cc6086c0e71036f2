#include "platform/tools/discs.h"

#include <filesystem>

#include "common/bookindex/bookindex.h"
#include "common/errors/errors.h"
#include "platform/shell/drives.h"
#include "platform/shell/shell.h"

namespace lumo::tools {

namespace {

// The title of a library disc: line 3 of its marker.txt, or nothing when the
// file cannot be read that far.
bool discTitle(const std::string& root, std::string& title) {
  const std::string index = root + "marker.txt";
  if (!shell::existsNoCase(index)) return false;
  try {
    bookindex::IndexReader reader{std::filesystem::path(shell::resolvePath(index))};
    reader.fieldRead();
    reader.lineRead();
    title = reader.lineRead();
    return true;
  } catch (const RuntimeError&) {
    return false;
  }
}

}  // namespace

std::vector<LibraryDisc> libraryDiscs() {
  std::vector<LibraryDisc> discs;
  for (const std::string& root : shell::driveRoots()) {
    std::string title;
    if (shell::driveType(root) != shell::drive::CdRom || !discTitle(root, title)) continue;
    discs.push_back({root, title});
  }
  return discs;
}

}  // namespace lumo::tools
