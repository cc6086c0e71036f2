#pragma once
// Hive files for tests: an empty hive made byte by byte (the smallest file
// hivex opens), filled through hivex.

#include <filesystem>

#include "platform/registry/hive.h"

namespace lumo::registry::testing {

// A hive with only its root key (named "lumo") and one security cell.
void writeEmptyHive(const std::filesystem::path& file);

// A hive whose root key holds the values and subkeys of root (whose own
// name is not used). Text values are stored as Windows stores them, in
// UTF-16 with a final NUL.
void writeHive(const std::filesystem::path& file, const HiveKey& root);

}  // namespace lumo::registry::testing
