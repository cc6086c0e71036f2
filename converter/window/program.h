#pragma once
// The converter program's identity.

#include <string>

#include "lumo_version.h"

namespace lumo::converter {

inline constexpr const char* kProgramTitle = "LumoDarivaziduduza";

// Major, minor and revision joined by ".".
inline std::string programVersion() {
  return std::to_string(LUMO_VERSION_MAJOR) + "." + std::to_string(LUMO_VERSION_MINOR) + "." +
         std::to_string(LUMO_VERSION_PATCH);
}

}  // namespace lumo::converter
