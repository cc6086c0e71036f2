#include "player/core/keytable.h"

namespace lumo::player::core {

bool isHelpKey(int16_t keyCode) { return keyCode == vk::F1; }

std::optional<Command> commandWithoutFile(int16_t keyCode, int16_t shift, const KeyCodes& keys, bool bookmarkListOpen) {
  switch (shift) {
    case shifts::None:
      if (keyCode == vk::Escape && bookmarkListOpen) return Command::CloseBookmarkList;
      return std::nullopt;
    case shifts::All: return Command::ToggleDebug;
    case shifts::Alt:
      if (keyCode == '9') return Command::NextStyle;
      if (keyCode == '8') return Command::NextIndexEntry;
      if (keyCode == '7') return Command::PreviousIndexEntry;
      if (keyCode == keys.VolumeMeno) return Command::Slower;
      if (keyCode == keys.VolumePiu) return Command::Faster;
      return std::nullopt;
    case shifts::Ctrl:
      if (keyCode == 'I') return Command::Home;
      if (keyCode == '9') return Command::ThreeSpeedCycle;
      if (keyCode == '8') return Command::ToggleConfiguration;
      if (keyCode == '6') return Command::PreviousPage;
      if (keyCode == '7') return Command::NextPage;
      if (keyCode == '0') return Command::SwitchReader;
      return std::nullopt;
    default: return std::nullopt;
  }
}

std::optional<Command> playbackCommand(int16_t keyCode, const KeyCodes& keys) {
  if (keyCode == keys.Indietro) return Command::SkipBack;
  if (keyCode == keys.Avanti) return Command::SkipForward;
  if (keyCode == keys.Inizio) return Command::ToStart;
  if (keyCode == keys.Stop) return Command::Stop;
  if (keyCode == keys.PlayPausa) return Command::PlayPause;
  if (keyCode == keys.VolumePiu) return Command::VolumeUp;
  if (keyCode == keys.VolumeMeno) return Command::VolumeDown;
  return std::nullopt;
}

std::optional<Command> bookmarkCommand(int16_t keyCode, const KeyCodes& keys) {
  if (keyCode == keys.MarcatoriCancella) return Command::DeleteAllBookmarks;
  if (keyCode == keys.MarcatoreAggiungi) return Command::AddBookmark;
  if (keyCode == keys.MarcatoriElenco) return Command::ToggleBookmarkList;
  if (keyCode == keys.MarcatoreSuccessivo) return Command::NextBookmark;
  if (keyCode == keys.MarcatorePrecedente) return Command::PreviousBookmark;
  return std::nullopt;
}

std::vector<Command> keyCommands(int16_t keyCode, int16_t shift, const KeyCodes& keys, const KeyState& state) {
  if (isHelpKey(keyCode)) return {Command::Help};
  std::vector<Command> commands;
  if (const auto c = commandWithoutFile(keyCode, shift, keys, state.bookmarkListOpen)) commands.push_back(*c);
  if (shift == shifts::Ctrl && state.fileLoaded)
    if (const auto c = playbackCommand(keyCode, keys)) commands.push_back(*c);
  if (shift == shifts::Alt)
    if (const auto c = bookmarkCommand(keyCode, keys)) commands.push_back(*c);
  return commands;
}

const char* stepLabel(Command command) {
  switch (command) {
    case Command::NextStyle: return "Form KeyDown: Ctrl+Shift+9";
    case Command::ThreeSpeedCycle: return "Form KeyDown: Ctrl+9";
    case Command::ToggleConfiguration: return "Form KeyDown: Ctrl+8";
    case Command::SwitchReader: return "Form KeyDown: Ctrl+0";
    default: return nullptr;
  }
}

}  // namespace lumo::player::core
