#include "common/tools/paths.h"

#include <filesystem>
#include <system_error>

#include "common/text/text.h"

namespace fs = std::filesystem;

namespace lumo::tools {
namespace {

// The entry of folder whose name equals name without regard to case.
bool findNoCase(const fs::path& folder, const std::string& name, fs::path& found) {
  std::error_code ec;
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (text::iequals(entry, name)) {
      found = folder / entry;
      return true;
    }
  }
  return false;
}

}  // namespace

std::string resolvePath(const std::string& path) {
  std::error_code ec;
  if (path.empty() || fs::exists(fs::symlink_status(path, ec))) return path;
  const fs::path p(path);
  fs::path result = p.root_path();
  bool matching = true;
  // A trailing "/" is an empty last component, so the result keeps it.
  for (const fs::path& part : p.relative_path()) {
    const std::string name = part.string();
    fs::path next = result / part;
    if (matching && !fs::exists(fs::symlink_status(next, ec))) {
      fs::path found;
      if (name != "." && name != ".." && findNoCase(result, name, found))
        next = found;
      else
        matching = false;
    }
    result = next;
  }
  return result.string();
}

bool existsNoCase(const std::string& path) {
  std::error_code ec;
  return fs::exists(resolvePath(path), ec);
}

}  // namespace lumo::tools
