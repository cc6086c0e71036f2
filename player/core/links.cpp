#include "player/core/links.h"

#include <vector>

namespace lumo::player::core {

namespace bp = lumo::bookpage;

namespace {

bool contains(std::string_view text, std::string_view what) { return text.find(what) != std::string_view::npos; }

}  // namespace

LinkCommand linkCommand(std::string_view address) {
  LinkCommand command;
  command.kind = bp::linkKind(address);
  if (command.kind == bp::LinkKind::KeyCommand) {
    command.key = *bp::parseKeyCommand(address);
  } else if (command.kind == bp::LinkKind::NamedMedia) {
    // Between "@" delimiters when the link has them, else "#"; the window
    // option is no part of the file's name.
    const std::string d = contains(address, bp::kNamedMediaAt) ? "@" : "#";
    std::string name = bp::replaceAll(std::string(address), d + std::string(bp::kNamedMedia) + d, "");
    name = bp::replaceAll(name, bp::kNoFullScreen, "");
    command.media = {bp::replaceAll(name, d, ""), !contains(address, bp::kNoFullScreen), false, true};
  } else if (command.kind == bp::LinkKind::Video) {
    if (contains(address, bp::kDictionaryVideo)) {
      command.media = {{}, false, true, false};
    } else {
      command.media = {bp::replaceAll(std::string(address), bp::kNoFullScreen, ""),
                       !contains(address, bp::kNoFullScreen), false, true};
    }
  }
  return command;
}

std::string dictionaryVideoName(std::string value) { return bp::replaceAll(std::move(value), bp::kNoFullScreen, ""); }

std::optional<int32_t> anchorSeconds(std::string_view link) {
  const std::optional<int64_t> seconds = bp::indexLinkSeconds(link);
  if (!seconds || *seconds > 32767) return std::nullopt;
  return static_cast<int32_t>(*seconds);
}

IndexMove nextIndexEntry(int16_t currentIndex, int32_t playing, const AnchorLink& linkOf) {
  int32_t n = currentIndex + 1;
  for (; n <= kMaxIndexAnchors; ++n) {
    const std::string link = linkOf(n);
    if (link.empty()) break;
    const std::optional<int32_t> position = anchorSeconds(link);
    if (position && *position >= playing) return {static_cast<int16_t>(n), link};
  }
  return {static_cast<int16_t>(n - 1), {}};
}

int32_t headingAt(int32_t seconds, bool exact, const AnchorLink& linkOf) {
  int32_t heading = 0;
  for (int32_t n = 1; n <= kMaxIndexAnchors; ++n) {
    const std::string link = linkOf(n);
    if (link.empty()) break;
    const std::optional<int32_t> position = anchorSeconds(link);
    if (!position) continue;
    if (exact) {
      if (*position == seconds) return n;
      continue;
    }
    if (*position > seconds) break;
    heading = n;
  }
  return heading;
}

IndexMove previousIndexEntry(const std::function<int32_t()>& playingPosition, const AnchorLink& linkOf) {
  if (linkOf(1).empty()) return {std::nullopt, {}};
  const int32_t playing = playingPosition();
  struct Entry {
    int32_t number;
    std::string link;
  };
  std::vector<Entry> entries;  // the entries with a readable position, in order
  bool found = false;
  int32_t n = 1;
  for (; n <= kMaxIndexAnchors; ++n) {
    std::string link = linkOf(n);
    if (link.empty()) break;
    const std::optional<int32_t> position = anchorSeconds(link);
    if (!position) continue;
    entries.push_back({n, std::move(link)});
    if (*position >= playing) {
      found = true;
      break;
    }
  }
  // The entry where the search stopped; past the end, the one after the last.
  const size_t stop = found ? entries.size() - 1 : entries.size();
  if (stop < 2) return {static_cast<int16_t>(found ? entries.back().number : n), {}};
  const Entry& target = entries[stop - 2];
  return {static_cast<int16_t>(target.number), target.link};
}

}  // namespace lumo::player::core
