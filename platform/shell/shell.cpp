#include "platform/shell/shell.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

#include "common/tools/paths.h"

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
  // A pipe closed on exec tells the parent whether exec succeeded.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    // Double fork: the grandchild is adopted by init, so nothing waits on it.
    ::setsid();
    if (::fork() != 0) ::_exit(0);
    ::setenv("LUMO_WINDOW_STATE", style == WindowStyle::Maximised ? "maximised" : "normal", 1);
    const std::string folder = fs::path(program).parent_path().string();
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
      // Starting in another folder is harmless: the programs find their
      // folder from their own executable.
    }
    char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
    ::execv(program.c_str(), argv);
    const int error = errno;
    [[maybe_unused]] auto written = ::write(report[1], &error, sizeof error);
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 0;
  ::waitpid(child, &status, 0);
  int execError = 0;
  ssize_t n;
  do {
    n = ::read(report[0], &execError, sizeof execError);
  } while (n < 0 && errno == EINTR);
  ::close(report[0]);
  return n == 0;  // nothing written: exec succeeded
}

}  // namespace lumo::shell
