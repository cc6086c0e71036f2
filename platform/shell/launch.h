#pragma once
// The one way the suite starts another program: posix_spawn with everything
// the child needs (program, arguments, environment, working folder) made
// ready beforehand in the caller. The programs run Qt and mpv threads, so
// nothing may run in the child between its creation and the exec that could
// take a lock another thread held at that moment (setenv, malloc,
// std::filesystem); posix_spawn runs only what the C library makes safe.

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace lumo::shell {

// An environment as "NAME=value" entries.
using Environment = std::vector<std::string>;

// A copy of the running process's environment.
Environment currentEnvironment();

// Sets name to value in env, replacing an entry of that name or adding one.
void setVariable(Environment& env, std::string_view name, std::string_view value);

// Removes every entry of that name from env.
void removeVariable(Environment& env, std::string_view name);

struct LaunchRequest {
  // The program's path; with searchPath a name without "/" is looked up in
  // the PATH of the running process, as the shell would.
  std::string program;
  bool searchPath = false;
  // The arguments after argv[0], which is the program as given.
  std::vector<std::string> arguments;
  // The child's whole environment.
  Environment environment;
  // The folder the child starts in; "" keeps the caller's.
  std::string workingFolder;
  // The child leads a session of its own (no controlling terminal, not in
  // the caller's process group), as a program started from the desktop.
  bool newSession = false;
};

// Starts the program. Returns 0 and the child's id in pid, or the errno of
// the failure (a missing program, one that may not be run, a working folder
// that cannot be entered); no child is left behind on failure. The caller
// waits for the child.
int launch(const LaunchRequest& request, pid_t& pid);

// Starts the program without waiting for it: a small thread reaps the child
// when it ends, so no zombie is left behind. Returns 0 or the errno of the
// failure; pid, when given, receives the child's id.
int launchDetached(const LaunchRequest& request, pid_t* pid = nullptr);

}  // namespace lumo::shell
