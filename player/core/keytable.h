#pragma once
// The player's keyboard command map without a window: a key (its Windows
// virtual-key code) with an exact shift state (1 Shift + 2 Ctrl + 4 Alt)
// names a command. Book pages send the same pairs through their key
// command links, so this table is also the pages' command set.
//
// The window runs the three groups in this order: the commands that need
// no media file, then the playback commands (Ctrl, only with a file
// loaded), then the bookmark commands (Alt). F1 comes before all of them
// and ends the dispatch.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/keys/key_codes.h"

namespace lumo::player::core {

// The table's key codes and shift states are those key events give
// (platform/keys/key_codes.h).
namespace vk = keys::vk;
namespace shifts = keys::shift;

// The key codes of the Ctrl playback group and of the Alt bookmark group,
// which the load sets (kLoadedKeyCodes); the other keys are fixed.
struct KeyCodes {
  int16_t Indietro = 0;             // Ctrl: back by the skip step
  int16_t Avanti = 0;               // Ctrl: forward by the skip step
  int16_t Inizio = 0;               // Ctrl: to the start of the audio
  int16_t PlayPausa = 0;            // Ctrl: play or pause
  int16_t Stop = 0;                 // Ctrl: stop
  int16_t VolumePiu = 0;            // Ctrl: volume up (Alt: faster)
  int16_t VolumeMeno = 0;           // Ctrl: volume down (Alt: slower)
  int16_t MarcatorePrecedente = 0;  // Alt: previous bookmark
  int16_t MarcatoreSuccessivo = 0;  // Alt: next bookmark
  int16_t MarcatoreAggiungi = 0;    // Alt: add a bookmark
  int16_t MarcatoriCancella = 0;    // Alt: delete all bookmarks
  int16_t MarcatoriElenco = 0;      // Alt: bookmark list
};
inline constexpr KeyCodes kLoadedKeyCodes{
    .Indietro = '1',
    .Avanti = '2',
    .Inizio = '6',
    .PlayPausa = '3',
    .Stop = '4',
    .VolumePiu = vk::OemPlus,
    .VolumeMeno = vk::OemMinus,
    .MarcatorePrecedente = '1',
    .MarcatoreSuccessivo = '2',
    .MarcatoreAggiungi = '3',
    .MarcatoriCancella = '4',
    .MarcatoriElenco = '6',
};

enum class Command {
  // Without a media file.
  Help,                 // F1, with any shift state
  CloseBookmarkList,    // Esc while the list is open
  ToggleDebug,          // Ctrl+Shift+Alt with any key
  NextStyle,            // Alt+9
  NextIndexEntry,       // Alt+8
  PreviousIndexEntry,   // Alt+7
  Slower,               // Alt+minus
  Faster,               // Alt+plus
  Home,                 // Ctrl+I
  ThreeSpeedCycle,      // Ctrl+9
  ToggleConfiguration,  // Ctrl+8
  PreviousPage,         // Ctrl+6 (only when the page names one)
  NextPage,             // Ctrl+7 (likewise)
  SwitchReader,         // Ctrl+0
  // Playback of the loaded file (Ctrl).
  SkipBack,
  SkipForward,
  ToStart,
  Stop,
  PlayPause,
  VolumeUp,
  VolumeDown,
  // Bookmarks (Alt).
  DeleteAllBookmarks,
  AddBookmark,
  ToggleBookmarkList,
  NextBookmark,
  PreviousBookmark,
};

bool isHelpKey(int16_t keyCode);
// The command of the group that needs no media file, if any.
std::optional<Command> commandWithoutFile(int16_t keyCode, int16_t shift, const KeyCodes& keys, bool bookmarkListOpen);
// The playback command of a key pressed with Ctrl while a file is loaded.
std::optional<Command> playbackCommand(int16_t keyCode, const KeyCodes& keys);
// The bookmark command of a key pressed with Alt.
std::optional<Command> bookmarkCommand(int16_t keyCode, const KeyCodes& keys);

// Every command a key runs, in the window's order (Ctrl+6 with a file
// loaded is the previous page and then the rewind).
struct KeyState {
  bool bookmarkListOpen = false;
  bool fileLoaded = false;
};
std::vector<Command> keyCommands(int16_t keyCode, int16_t shift, const KeyCodes& keys, const KeyState& state);

// The step under which a failure of the command is reported
// ("Form KeyDown: Ctrl+9"); nullptr for a command that keeps the step of
// the dispatch.
const char* stepLabel(Command command);

}  // namespace lumo::player::core
