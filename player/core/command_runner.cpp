#include "player/core/command_runner.h"

namespace lumo::player::core {

void CommandRunner::key(int16_t keyCode, int16_t shift, KeyDispatch& dispatch) {
  if (isHelpKey(keyCode)) {
    dispatch.ran = true;
    host_.help();
    return;
  }
  if (const auto command = commandWithoutFile(keyCode, shift, keys_, host_.bookmarkListOpen())) {
    if (const char* label = stepLabel(*command)) dispatch.step = label;
    dispatch.ran = run(*command) || dispatch.ran;
  }
  if (shift == shifts::Ctrl && host_.fileLoaded())
    if (const auto command = playbackCommand(keyCode, keys_)) dispatch.ran = run(*command) || dispatch.ran;
  if (shift == shifts::Alt)
    if (const auto command = bookmarkCommand(keyCode, keys_)) dispatch.ran = run(*command) || dispatch.ran;
}

void CommandRunner::link(std::string_view address, bool& cancel) {
  const LinkCommand link = linkCommand(address);
  switch (link.kind) {
    case bookpage::LinkKind::Reload:
      host_.reloadAudio();
      cancel = true;
      break;
    case bookpage::LinkKind::Stop:
    case bookpage::LinkKind::Pause:
    case bookpage::LinkKind::Play:
      host_.linkPlayback(link.kind);
      cancel = true;
      host_.announcePlayback(link.kind);
      break;
    case bookpage::LinkKind::KeyCommand:
      host_.keyLink(link.key.codeText, link.key.shift);
      cancel = true;
      break;
    case bookpage::LinkKind::NamedMedia:
    case bookpage::LinkKind::Video:
      host_.mediaLink(link.media);
      cancel = true;
      break;
    case bookpage::LinkKind::None: break;
  }
}

}  // namespace lumo::player::core
