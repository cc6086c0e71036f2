#pragma once
// The helpers the production tools share that need a dialog or the desktop:
// the folder and file pickers, the documents folder, opening a file or
// address with the desktop, and the file copy with its overwrite questions.
// None of them traps errors or shows a message of its own (but for the
// copy's overwrite question): a failure shows in the result. The pure
// helpers (file matching, SanitizeFileName, EscapeQuotes) come with it from
// common/tools.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/tools/tools.h"

namespace lumo::tools {

// The folder picker, opened with selectedPath selected ("" = the picker's own
// default). Returns the chosen folder without a trailing "/" (but for the
// root "/"), or "" when cancelled or when the choice is not an existing
// folder.
std::string BrowseForFolder(const std::string& selectedPath);

// Filter pairs as the callers give them: description, then patterns joined
// by ";" ("*.txt;*.qv"). The first pair is preselected.
using FileFilters = std::vector<std::pair<std::string, std::string>>;

// The open-file dialog. Returns the chosen file's full path, or "" when
// cancelled. The chosen name need not exist.
std::string ShowOpenFileDialog(const FileFilters& Filter, const std::string& InitialDir, const std::string& Title);

// CSIDL number of the user's documents folder.
inline constexpr int32_t CSIDL_PERSONAL = 5;

// The path of a special folder, ending in "/", or "" for a folder this
// platform does not know. CSIDL_PERSONAL is the XDG documents folder when it
// exists, else the home folder.
std::string GetSpecialFolderPath(int32_t Csidl);

// Opens a file, folder, web address or "mailto:" address with the desktop.
// Returns a value greater than 32 when the opener was started, 2 for a local
// path that does not exist, 31 when no opener could be started.
int32_t OpenWithShell(const std::string& Target);

// How OpenWithShell reaches the desktop; tests install their own. The default
// starts "xdg-open Target" without waiting for it. Returns the previous hook.
using ShellOpenHook = std::function<int32_t(const std::string& target)>;
ShellOpenHook setShellOpenHook(ShellOpenHook hook);

// Progress of a running CopyFiles, reported before each file and once when
// the copy ends (finished = true).
struct CopyProgress {
  std::string file;   // name of the file about to be copied
  int fileIndex = 0;  // 1-based
  int fileCount = 0;
  uint64_t bytesDone = 0;
  uint64_t bytesTotal = 0;
  bool finished = false;
};
using CopyProgressHook = std::function<void(const CopyProgress&)>;
// Installs the process's copy progress display (a window, or a yield); returns
// the previous one. No hook: no progress is shown.
CopyProgressHook setCopyProgressHook(CopyProgressHook hook);

// Copies Source (a file, a folder, or a folder followed by a wildcard name
// such as "*.mp3", matched without regard to case) into the folder
// Destination, which is created when missing. With NoConfirm false every file
// that already exists there is first asked about (Yes replaces it, No keeps
// it, Cancel ends the copy). Each file is written under a temporary name and
// renamed into place, so no half-copied file is ever left under its name.
// True when everything asked for was copied or skipped on request; false when
// nothing matched, a file could not be copied, or the copy was cancelled.
bool CopyFiles(const std::string& Source, const std::string& Destination, bool NoConfirm);

}  // namespace lumo::tools
