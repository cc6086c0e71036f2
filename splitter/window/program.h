#pragma once
// LumoSplitter's identity.

#include <string>

#include "lumo_version.h"

namespace lumo::splitter {

// App.Title: the window caption, the about box and the run log's name.
inline constexpr const char* kProgramTitle = "LUMOSplitter";

// Major and minor version, each a plain integer ("1.0", "2.10").
inline std::string majorMinor() {
  return std::to_string(LUMO_VERSION_MAJOR) + "." + std::to_string(LUMO_VERSION_MINOR);
}

}  // namespace lumo::splitter
