#pragma once
// Files and processes for tests: a temporary folder, whole-file reads and
// writes, tools on the PATH, shell commands with their output, and running a
// piece of code in a child process as a user without privileges (so that
// read-only files and folders are read-only also when the tests run as
// root), optionally with a limit on the size of the files it writes.

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>

#include "common/errors/errors.h"

namespace lumo::testsupport {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& stem = "lumo-splitter") {
    std::string pattern = (fs::temp_directory_path() / (stem + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    // Reachable by the unprivileged user of runUnprivileged.
    fs::permissions(path_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
  }
  // A detached program of a test (a fake player) may still be writing into
  // the folder: removal is tried again for about a second rather than given up.
  ~TempFolder() {
    if (kept_) return;
    for (int attempt = 0; attempt < 50; ++attempt) {
      std::error_code ec;
      fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
      for (auto& e : fs::recursive_directory_iterator(path_, ec))
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
      fs::remove_all(path_, ec);
      if (!ec) return;
      ::usleep(20000);
    }
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  // Leaves the folder in place at the end (the files of a failed test, to
  // look at).
  void keep() { kept_ = true; }

 private:
  fs::path path_;
  bool kept_ = false;
};

inline std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

inline bool haveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// The output of a shell command line, and its exit status.
inline int runCommand(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    if (output) output->append(buffer, n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// True once the process is gone from the process table (a zombie still
// answers kill 0); gives up after about a minute.
inline bool reaped(pid_t pid) {
  for (int i = 0; i < 6000; ++i) {
    if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Runs body in a child process and returns its result (0 to 255): the
// number of a lumo::RuntimeError it raises (modulo 256), 254 for another
// exception. When the tests run as root the child first becomes the user
// "nobody", so that permissions apply; fileSizeLimit, when not 0, limits the
// size of the files the child writes (as a full disk would).
inline int runInChild(const std::function<int()>& body, rlim_t fileSizeLimit = 0) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(253);
    if (fileSizeLimit != 0) {
      std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
      const rlimit limit{fileSizeLimit, fileSizeLimit};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(252);
    }
    int code = 0;
    try {
      code = body();
    } catch (const lumo::RuntimeError& e) {
      code = e.number() % 256;
    } catch (...) {
      code = 254;
    }
    ::_exit(code);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace lumo::testsupport
