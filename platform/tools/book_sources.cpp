#include "platform/tools/book_sources.h"

#include <filesystem>
#include <fstream>

#include "common/bookindex/bookindex.h"
#include "common/errors/errors.h"
#include "platform/shell/drives.h"
#include "platform/shell/shell.h"
#include "platform/tools/tools.h"
#include "platform/ui/ui.h"

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

std::string PickBookIndex(const std::string& mp3Folder) {
  return ShowOpenFileDialog(
      {{"Files per creazione indice Lumo (*.qv) ", "*.qv"}, {"Files marcatori creati (marker.txt)", "marker.txt"}},
      mp3Folder.empty() ? shell::homeFolder() : mp3Folder, "Carica file indice marker");
}

std::string PickMp3Folder(const std::string& indexPath) {
  std::string initial = shell::homeFolder();
  if (!indexPath.empty()) {
    // The index's folder: its path less the name a lookup of the file gives.
    initial = indexPath;
    std::error_code ec;
    const std::filesystem::path found = shell::resolvePath(initial);
    if (std::filesystem::is_regular_file(found, ec)) initial.resize(initial.size() - found.filename().string().size());
  }
  std::string chosen = BrowseForFolder(initial);
  if (chosen.empty()) return "";
  chosen = shell::withSlash(chosen);
  if (FilesMatching(chosen + "*.mp3").empty()) {
    ui::MsgBox("La cartella selezionata non contiene file mp3", ui::mb::Information);
    return "";
  }
  return chosen;
}

bool fileexists(const std::string& indexPath) {
  const std::string path = shell::resolvePath(indexPath);
  std::error_code ec;
  bool opened = !indexPath.empty() && !std::filesystem::is_directory(path, ec);
  if (opened) {
    std::ifstream in(path, std::ios::binary);
    opened = in.is_open();
  }
  if (!opened) ui::MsgBox("Il percorso selezionato precedentemente non è più attivo.", ui::mb::Critical);
  return opened;
}

}  // namespace lumo::tools
