#pragma once
// Case-insensitive path lookup: the books and the installation were made on
// a file system that ignores case, so a name written in one case must find
// the file stored in another. The shell layer and the browser's page loader
// both look paths up through this one function.

#include <string>

namespace lumo::tools {

// The path itself when it exists; else the path with each component that
// does not exist as written replaced by an entry of its folder whose name
// matches without regard to case. When no such entry exists the rest of the
// path is kept as written (so the result names what would be created).
// "." and ".." are kept as written and mean what the file system makes of
// them (".." of a linked folder is the parent of the link's target), so a
// found path names the same file as the exact path would.
std::string resolvePath(const std::string& path);

// True when the path, resolved without regard to case, exists.
bool existsNoCase(const std::string& path);

}  // namespace lumo::tools
