#include "platform/shell/shell.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "common/tools/paths.h"
#include "platform/shell/launch.h"

namespace fs = std::filesystem;

namespace lumo::shell {

std::string programFolder() {
  if (const char* forced = std::getenv("LUMO_PROGRAM_FOLDER"); forced && *forced) {
    std::string folder = forced;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
  }
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path().string() : exe.parent_path().string();
}

std::string homeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::string withSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string resolvePath(const std::string& path) { return tools::resolvePath(path); }

bool existsNoCase(const std::string& path) { return tools::existsNoCase(path); }

bool startProgram(const std::string& path, WindowStyle style) {
  const std::string program = resolvePath(path);
  if (::access(program.c_str(), X_OK) != 0) return false;
  LaunchRequest request;
  request.program = program;
  request.environment = currentEnvironment();
  setVariable(request.environment, "LUMO_WINDOW_STATE", style == WindowStyle::Maximised ? "maximised" : "normal");
  request.workingFolder = fs::path(program).parent_path().string();
  request.newSession = true;
  if (launchDetached(request) == 0) return true;
  if (request.workingFolder.empty()) return false;
  // Starting in another folder is harmless: the programs find their folder
  // from their own executable. So a folder that cannot be entered is no
  // reason not to start the program (a failed start ran nothing).
  request.workingFolder.clear();
  return launchDetached(request) == 0;
}

}  // namespace lumo::shell
