#include "finder/core/actions.h"

#include <filesystem>
#include <system_error>

#include "common/text/text.h"
#include "finder/core/search.h"
#include "platform/registry/registry.h"
#include "platform/shell/shell.h"
#include "platform/tools/tools.h"
#include "platform/ui/ui.h"

namespace fs = std::filesystem;

namespace lumo::finder {
namespace {

bool isFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

}  // namespace

Launcher systemLauncher() {
  Launcher launch;
  launch.start = [](const std::string& program) { return shell::startProgram(program, shell::WindowStyle::Maximised); };
  launch.explore = [](const std::string& folder) { tools::OpenWithShell(folder); };
  return launch;
}

After StartDiscBook(const std::string& root, const std::string& Path, const Launcher& launch) {
  const std::string program = shell::resolvePath(shell::withSlash(root) + "start.exe");
  std::error_code ec;
  if (fs::is_regular_file(program, ec) && launch.start(program)) return After::Unload;
  if (!shell::existsNoCase(shell::withSlash(root) + "marker.txt")) {
    ui::MsgBox(kReadProblem, ui::mb::Information, kProgramTitle);
    return After::Unload;
  }
  return OpenFolderBook(root, Path, launch);
}

After OpenFolderBook(const std::string& folder, const std::string& Path, const Launcher& launch) {
  if (text::trim(Path).empty()) {
    const std::string libro = shell::resolvePath(shell::withSlash(folder) + "Libro");
    launch.explore(isFolder(libro) ? libro : folder);
    return After::Unload;
  }
  registry::SaveSetting("Zivuvu", "Default", "CD", folder);
  if (!launch.start(Path + "/dazide.zev")) ui::MsgBox(kZivuvuMoved, ui::mb::Critical, kZivuvuMovedTitle);
  return After::Unload;
}

bool DefineCustomFolder(const std::string& folder) {
  std::string chosen = tools::BrowseForFolder(folder.empty() ? shell::homeFolder() : folder);
  if (chosen.empty()) return false;
  chosen = shell::withSlash(chosen);
  registry::SaveSetting(kCustomApp, kCustomSection, kCustomKey, chosen);
  return true;
}

}  // namespace lumo::finder
