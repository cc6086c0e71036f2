#pragma once
// The folder of a fuzz target's run: made once under /tmp with the target's
// name, and removed with all it holds when the run ends.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace lumo::testing {

inline const char* fuzzWorkFolder(const char* target) {
  static const std::string folder = [target] {
    std::string name = std::string("/tmp/") + target + "-XXXXXX";
    if (::mkdtemp(name.data()) == nullptr) std::abort();
    return name;
  }();
  // Registered once the folder's name is made, so that it runs before the
  // name is destroyed at exit.
  static const bool removedAtExit = [] {
    return std::atexit([] {
             std::error_code ec;
             std::filesystem::remove_all(folder, ec);
           }) == 0;
  }();
  (void)removedAtExit;
  return folder.c_str();
}

}  // namespace lumo::testing
