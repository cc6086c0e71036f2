#pragma once
// Small pure helpers the production tools share: the wildcard file lookup
// and two string helpers for file names and HTML attributes. The helpers
// that need a dialog or the desktop (pickers, OpenWithShell, CopyFiles) are
// in platform/tools/tools.h.

#include <string>
#include <vector>

namespace lumo::tools {

// The regular files of a folder whose names match a wildcard pattern (the
// folder followed by the pattern, as in "/book/Libro/*.mp3"), without regard
// to case, in name order. A path without wildcard names at most that file.
std::vector<std::string> FilesMatching(const std::string& folderAndPattern);

// True when a file name holds a wildcard ("*" or "?").
bool hasWildcard(const std::string& name);

// Replaces each of \ / : * ? " < > | . , by "-", in Text itself and in the
// result.
std::string SanitizeFileName(std::string& Text);

// Replaces each double quote by "&quot;", in Text itself and in the result.
std::string EscapeQuotes(std::string& Text);

}  // namespace lumo::tools
