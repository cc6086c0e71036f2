#include "platform/registry/tests/test_env.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

extern char** environ;

namespace lumo::registry::testing {
namespace {

std::string readAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

LumoregRun::LumoregRun(const std::vector<std::string>& args, const std::filesystem::path& folder) {
  static std::atomic<int> counter{0};
  int n = counter++;
  out_ = folder / ("lumoreg-" + std::to_string(n) + ".out");
  err_ = folder / ("lumoreg-" + std::to_string(n) + ".err");
  std::string program = LUMO_TEST_BINARY_DIR "/tools/lumoreg/lumoreg";
  std::vector<char*> argv{program.data()};
  std::vector<std::string> copies(args);
  for (auto& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
}

ProcessResult LumoregRun::finish() {
  ProcessResult result;
  if (pid_ < 0) {
    result.err = "lumoreg could not be started";
    return result;
  }
  int status = 0;
  if (waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  pid_ = -1;
  result.out = readAll(out_);
  result.err = readAll(err_);
  return result;
}

ProcessResult runLumoreg(const std::vector<std::string>& args, const std::filesystem::path& folder) {
  return LumoregRun(args, folder).finish();
}

}  // namespace lumo::registry::testing
