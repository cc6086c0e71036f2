#pragma once
// How the split job runs its engine, mp3splt: a program and its argument
// list (never a shell command line), waited for while the window keeps
// handling its events.

#include <functional>
#include <string>
#include <vector>

namespace lumo::splitter {

struct EngineResult {
  bool started = false;  // false: the program could not be run at all
  int exitCode = -1;     // meaningful when started and not crashed
  bool crashed = false;
  std::string output;  // what it wrote to stdout
  std::string errors;  // what it wrote to stderr
};

// Runs program with args, calling yield when it starts and about every 10 ms
// until it ends.
using EngineRunner = std::function<EngineResult(const std::string& program, const std::vector<std::string>& args,
                                                const std::function<void()>& yield)>;

// The error lines of mp3splt's own output ("error: ..."), joined by "; ",
// or a description of how the run ended when it wrote none.
std::string engineErrorText(const EngineResult& result);

}  // namespace lumo::splitter
