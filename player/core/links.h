#pragma once
// The link side of the book page protocol: the command that an address
// the browser is about to open asks the player for, and the index-entry
// navigation of a file page (Alt+8 and Alt+7) over its index anchors.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/bookpage/bookpage.h"

namespace lumo::player::core {

// A link to a media file to play.
struct MediaLink {
  std::string name;         // the file, before PulisciUrl (see clean)
  bool fullScreen = false;  // "@NOFULL@" asks for a window
  bool fromPage = false;    // the name is the page's dictionary element's value
  bool clean = true;        // the name goes through PulisciUrl
};

struct LinkCommand {
  bookpage::LinkKind kind = bookpage::LinkKind::None;
  bookpage::KeyCommand key;  // KeyCommand: the shift state and the code's text
  MediaLink media;           // NamedMedia and Video
};
// The command of an address; kind None lets the browser navigate.
LinkCommand linkCommand(std::string_view address);

// The name of the dictionary video as the page's element gives it, made a
// file name.
std::string dictionaryVideoName(std::string value);

// ---- Index entries ------------------------------------------------------------

// The link of the page's index anchor number n ("" when the page has none).
using AnchorLink = std::function<std::string(int32_t n)>;
// Anchors are counted and positions compared as 16-bit numbers.
inline constexpr int32_t kMaxIndexAnchors = 32767;
// The position an index link names, in whole seconds; none when it names
// none, or a text that is no whole number of at most 32767 s (such an
// anchor is skipped: never a target, never the stopping point).
std::optional<int32_t> anchorSeconds(std::string_view link);

struct IndexMove {
  std::optional<int16_t> index;  // the number of the anchor last reached; none: unchanged
  std::string target;            // the link to open; "" when the command reports an end
};
// Alt+8: the first anchor after the one last reached (currentIndex) whose
// position is not before the playing position (whole seconds). At the end
// the index stays at the last anchor.
IndexMove nextIndexEntry(int16_t currentIndex, int32_t playing, const AnchorLink& link);
// Alt+7: the entry before the one being read. The entry being read is the
// one before the first anchor whose position is not before the playing
// position, or the page's last entry when the playing position lies after
// every one. In the first entry the command reports the beginning. The
// playing position is asked for only when the page has a first anchor.
IndexMove previousIndexEntry(const std::function<int32_t()>& playing, const AnchorLink& link);

// The index anchor of a place in the page's audio (whole seconds): with
// exact, the first anchor that starts there; otherwise the heading being
// read there, the last anchor that starts at or before it. 0 for none.
// Anchors whose position cannot be read are passed over.
int32_t headingAt(int32_t seconds, bool exact, const AnchorLink& link);

}  // namespace lumo::player::core
