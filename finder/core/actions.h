#pragma once
// What the links of the found-books page start: a library disc, a folder
// book, or the choice of the additional folder. Starting a book ends the
// finder; the caller unloads its window when told to.

#include <functional>
#include <string>

namespace lumo::finder {

inline constexpr const char* kProgramTitle = "Lumofind";
inline constexpr const char* kReadProblem =
    "Si è verificato un problema di lettura, probabilmente il drive è stato aperto.";
inline constexpr const char* kZivuvuMoved =
    "Il programma Dazide.zev è stato spostato o rinominato; reinstallare il software.";
inline constexpr const char* kZivuvuMovedTitle = "LUMO - Start";

// How the actions reach other programs; tests record them.
struct Launcher {
  // Starts a program maximised with the focus, without waiting; false when
  // it could not be started.
  std::function<bool(const std::string& program)> start;
  // Opens a folder with the desktop's file manager (Explorer).
  std::function<void(const std::string& folder)> explore;
};

// The launcher of the running program: the shell layer's starter and the
// desktop opener of the tool helpers.
Launcher systemLauncher();

enum class After { Stay, Unload };

// A disc book ("#1", root with its trailing "/"). The disc's own start
// program "start.exe" (found without regard to case) is started when it can
// be; otherwise the disc is opened as a folder book, so the reader still
// reaches the book. A disc that no longer holds its index was taken out of
// its drive: the read-problem message. Path is the installation folder of
// the search ("" when the suite is missing).
After StartDiscBook(const std::string& root, const std::string& Path, const Launcher& launch);

// A folder book ("#2", its folder without a trailing "/"): handed to Zivuvu
// through Zivuvu\Default\CD, or opened in the file manager (its Libro
// subfolder when it has one) when the suite is missing.
After OpenFolderBook(const std::string& folder, const std::string& Path, const Launcher& launch);

// "#0": the folder picker, opened at folder (the home folder when folder is
// empty). True when a folder was chosen: it is stored with a trailing "/"
// in lumofind\fcustom\path, and the caller searches again.
bool DefineCustomFolder(const std::string& folder);

}  // namespace lumo::finder
