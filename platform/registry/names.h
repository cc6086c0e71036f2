#pragma once
// Key and value names of the settings store: how they compare and how a key
// path splits into names.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::registry::detail {

// The form under which a name is compared and sorted: the upper case of the
// letters of windows-1252 (ASCII, Latin-1, Š Œ Ž Ÿ), everything else as it
// stands. Bytes that are not valid UTF-8 stay as they are.
std::string foldName(std::string_view name);

// The key names of a path ("" is the root, with no names); nullopt when a
// name is empty ("A\\B", "\A", "A\").
std::optional<std::vector<std::string>> splitKeyPath(std::string_view path);

}  // namespace lumo::registry::detail
