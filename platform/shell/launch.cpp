#include "platform/shell/launch.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>
#include <thread>

extern char** environ;

namespace lumo::shell {
namespace {

bool hasName(const std::string& entry, std::string_view name) {
  return entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 && entry[name.size()] == '=';
}

// The pointer arrays posix_spawn takes, over strings that outlive the call.
std::vector<char*> pointersTo(const std::vector<std::string>& texts, const std::string* first = nullptr) {
  std::vector<char*> pointers;
  pointers.reserve(texts.size() + 2);
  if (first) pointers.push_back(const_cast<char*>(first->c_str()));
  for (const std::string& text : texts) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// Owns the spawn attributes and file actions for the length of one call.
class SpawnSetup {
 public:
  SpawnSetup() {
    attrOk_ = ::posix_spawnattr_init(&attr_) == 0;
    actionsOk_ = ::posix_spawn_file_actions_init(&actions_) == 0;
  }
  ~SpawnSetup() {
    if (actionsOk_) ::posix_spawn_file_actions_destroy(&actions_);
    if (attrOk_) ::posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // 0 or the errno of the first step that failed.
  int prepare(const LaunchRequest& request) {
    if (!attrOk_ || !actionsOk_) return ENOMEM;
    // The child starts with no signal blocked and every signal at its
    // default, whatever the calling thread or the libraries changed.
    sigset_t none;
    sigset_t all;
    ::sigemptyset(&none);
    ::sigfillset(&all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (request.newSession) flags |= POSIX_SPAWN_SETSID;
    if (int e = ::posix_spawnattr_setsigmask(&attr_, &none)) return e;
    if (int e = ::posix_spawnattr_setsigdefault(&attr_, &all)) return e;
    if (int e = ::posix_spawnattr_setflags(&attr_, flags)) return e;
    if (!request.workingFolder.empty())
      if (int e = ::posix_spawn_file_actions_addchdir_np(&actions_, request.workingFolder.c_str())) return e;
    return 0;
  }
  const posix_spawnattr_t* attr() const { return &attr_; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }

 private:
  posix_spawnattr_t attr_{};
  posix_spawn_file_actions_t actions_{};
  bool attrOk_ = false;
  bool actionsOk_ = false;
};

}  // namespace

Environment currentEnvironment() {
  Environment env;
  for (char** entry = environ; entry && *entry; ++entry) env.emplace_back(*entry);
  return env;
}

void setVariable(Environment& env, std::string_view name, std::string_view value) {
  std::string entry;
  entry.reserve(name.size() + 1 + value.size());
  entry.append(name).append("=").append(value);
  bool replaced = false;
  for (auto it = env.begin(); it != env.end();) {
    if (!hasName(*it, name)) {
      ++it;
    } else if (!replaced) {
      *it++ = entry;
      replaced = true;
    } else {
      it = env.erase(it);  // a duplicate would leave the child a choice
    }
  }
  if (!replaced) env.push_back(std::move(entry));
}

void removeVariable(Environment& env, std::string_view name) {
  std::erase_if(env, [name](const std::string& entry) { return hasName(entry, name); });
}

int launch(const LaunchRequest& request, pid_t& pid) {
  pid = 0;
  if (request.program.empty()) return ENOENT;
  SpawnSetup setup;
  if (int e = setup.prepare(request)) return e;
  std::vector<char*> argv = pointersTo(request.arguments, &request.program);
  std::vector<char*> envp = pointersTo(request.environment);
  pid_t child = 0;
  // The C library reports a failed exec (or chdir) in the child as the
  // return value, after it has reaped that child itself.
  const int error =
      request.searchPath
          ? ::posix_spawnp(&child, request.program.c_str(), setup.actions(), setup.attr(), argv.data(), envp.data())
          : ::posix_spawn(&child, request.program.c_str(), setup.actions(), setup.attr(), argv.data(), envp.data());
  if (error != 0) return error;
  pid = child;
  return 0;
}

int launchDetached(const LaunchRequest& request, pid_t* pid) {
  pid_t child = 0;
  if (int e = launch(request, child)) return e;
  if (pid) *pid = child;
  try {
    std::thread([child] {
      while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the program runs all the same and its entry stays
    // in the process table until this process ends.
  }
  return 0;
}

}  // namespace lumo::shell
