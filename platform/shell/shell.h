#pragma once
// The shell layer: where the program lives, case-insensitive path lookup
// (the books and the installation were made on a file system that ignores
// case) and starting other programs of the suite.

#include <filesystem>
#include <string>

namespace lumo::shell {

// The folder of the running executable (its "program folder"), without a
// trailing "/". LUMO_PROGRAM_FOLDER overrides it (tests of in-process code).
std::string programFolder();

// A folder with its trailing "/", so a file name can be appended to it; an
// empty text stays empty (the current folder).
std::string withSlash(std::string folder);

// The user's home folder (HOME, else the password database).
std::string homeFolder();

// The path looked up without regard to case (tools::resolvePath in
// common/tools/paths.h, which has the rules).
std::string resolvePath(const std::string& path);

// True when the path, resolved without regard to case, exists.
bool existsNoCase(const std::string& path);

enum class WindowStyle { Normal, Maximised };

// Starts a program without arguments and without waiting for it. The window
// style reaches the program as LUMO_WINDOW_STATE ("maximised" or "normal"),
// which the suite's programs honour when they show their main window.
// The program starts in its own folder, in a session of its own. Returns
// false when the program could not be started (missing, not executable);
// the child is detached and reaped when it ends, so no zombie is left behind.
bool startProgram(const std::string& path, WindowStyle style);

}  // namespace lumo::shell
