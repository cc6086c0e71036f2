#pragma once
// One run of the page builder: reads the book named by Zivuvu\Default\CD,
// writes one page per MP3 file into a work folder named after the book code
// and the home page index.htm into the program folder, then starts the
// player. Only the pages of one book are kept: each run deletes the work
// folder of the run before.

#include <functional>
#include <string>

#include "common/mp3/mp3.h"

namespace lumo::zivuvu {

inline constexpr const char* kApp = "Zivuvu";
inline constexpr const char* kSection = "Default";
inline constexpr const char* kIndexMissing = "File marker.txt non trovato. Inserire il cd";
inline constexpr const char* kPlayerMissing = "LumoPlayer.exe non trovato. Ripetere l'installazione del programma.";
// Failures the run tells the reader about; each names what failed and why.
inline constexpr const char* kSettingsUnreadable = "Impossibile leggere le impostazioni di LUMO.";
inline constexpr const char* kSettingsUnsaved = "Impossibile salvare le impostazioni di LUMO.";
inline constexpr const char* kIndexIncomplete =
    "Il file marker.txt è incompleto: il libro contiene solo i file e gli indici scritti prima della sua fine.";
inline constexpr const char* kPagesNotWritten = "Non è stato possibile scrivere queste pagine del libro:";
inline constexpr const char* kHomeNotWritten = "Non è stato possibile scrivere la pagina iniziale del libro:";
inline constexpr const char* kFolderNotMade = "Impossibile creare la cartella ";
inline constexpr const char* kPlayerNotStarted = "LumoPlayer non è stato avviato.";

struct RunOptions {
  std::string appFolder;  // the installation folder, without a trailing "/"
  mp3::YieldFn yield;     // called during the MP3 frame search
  // Starts the player; false when it could not be started.
  std::function<bool(const std::string& playerPath)> startPlayer;
};

enum class RunOutcome {
  PagesWritten,    // every page and the home page written, the player started
  PartlyWritten,   // the home page of what could be written, after a message
  IndexMissing,    // no index, or no header: nothing written
  SettingsFailed,  // the settings store could not be read or written
  NotWritten,      // no home page of this book could be written: no player
};

RunOutcome ZivuvuRun(const RunOptions& options);

// The name of the work folder for a book code: the code itself when it is a
// plain folder name; otherwise a name that stays inside the installation
// folder and never names an entry of the installation folder: every "/"
// and "\" becomes "_", and a name that is empty, only dots, or the name of
// a program, "index.htm" or "Include" in any case gets a "_" in front.
std::string workFolderName(const std::string& code);

}  // namespace lumo::zivuvu
