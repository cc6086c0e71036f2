#include "platform/registry/names.h"

#include <cstdint>

#include "common/text/text.h"

namespace lumo::registry::detail {

std::string foldName(std::string_view name) { return text::toUpperLatin(name); }

std::optional<std::vector<std::string>> splitKeyPath(std::string_view path) {
  std::vector<std::string> names;
  if (path.empty()) return names;
  size_t start = 0;
  while (true) {
    size_t end = path.find('\\', start);
    std::string_view name = path.substr(start, end == std::string_view::npos ? path.npos : end - start);
    if (name.empty()) return std::nullopt;
    names.emplace_back(name);
    if (end == std::string_view::npos) return names;
    start = end + 1;
  }
}

}  // namespace lumo::registry::detail
