#include "platform/tools/tools.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/shell/launch.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"

namespace fs = std::filesystem;

namespace lumo::tools {
namespace {

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool isDirectory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

// Starts xdg-open detached; the launcher reaps it so no zombie is left.
int32_t openWithXdgOpen(const std::string& target) {
  if (!target.empty() && target.front() == '/' && !shell::existsNoCase(target)) return 2;
  const std::string resolved = (!target.empty() && target.front() == '/') ? shell::resolvePath(target) : target;
  shell::LaunchRequest request;
  request.program = "xdg-open";
  request.searchPath = true;
  request.arguments = {resolved};
  request.environment = shell::currentEnvironment();
  return shell::launchDetached(request) == 0 ? 42 : 31;
}

ShellOpenHook& shellOpenHook() {
  static ShellOpenHook hook = openWithXdgOpen;
  return hook;
}

// The folder named by XDG_DOCUMENTS_DIR in the environment or in
// $XDG_CONFIG_HOME/user-dirs.dirs, with $HOME expanded; "" when unset.
std::string xdgDocumentsDir(const std::string& home) {
  auto expand = [&home](std::string value) {
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    return value;
  };
  if (const char* env = std::getenv("XDG_DOCUMENTS_DIR"); env && *env) return expand(env);
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const fs::path dirs = (config && *config ? fs::path(config) : fs::path(home) / ".config") / "user-dirs.dirs";
  std::ifstream in(dirs);
  const std::string key = "XDG_DOCUMENTS_DIR=";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return expand(value);
  }
  return {};
}

}  // namespace

std::string BrowseForFolder(const std::string& selectedPath) {
  ui::FolderPickRequest request{"Seleziona una cartella:", selectedPath};
  const std::string chosen = ui::pickFolder(request);
  if (chosen.empty() || !isDirectory(chosen)) return {};
  return withoutTrailingSlash(chosen);
}

std::string ShowOpenFileDialog(const FileFilters& Filter, const std::string& InitialDir, const std::string& Title) {
  ui::FilePickRequest request{Title, InitialDir, Filter};
  return ui::pickOpenFile(request);
}

std::string GetSpecialFolderPath(int32_t Csidl) {
  if (Csidl != CSIDL_PERSONAL) return {};
  const std::string home = shell::homeFolder();
  std::string folder = xdgDocumentsDir(home);
  if (folder.empty() || !isDirectory(folder)) folder = home;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

int32_t OpenWithShell(const std::string& Target) {
  const ShellOpenHook hook = shellOpenHook();
  return hook ? hook(Target) : 31;
}

ShellOpenHook setShellOpenHook(ShellOpenHook hook) {
  ShellOpenHook previous = std::move(shellOpenHook());
  shellOpenHook() = hook ? std::move(hook) : ShellOpenHook(openWithXdgOpen);
  return previous;
}

}  // namespace lumo::tools
