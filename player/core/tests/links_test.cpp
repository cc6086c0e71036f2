// The link keywords as commands, and the index-entry navigation over a
// page's anchors.

#include <gtest/gtest.h>

#include <map>

#include "player/core/links.h"

namespace lumo::player::core {
namespace {

using bookpage::LinkKind;

TEST(LinkCommand, KeyCommandsAndMediaLinksCarryWhatThePlayerNeeds) {
  const LinkCommand keys = linkCommand("file:///l/A.htm#QENP_KEYCMD##KEYSHIFT##KEYALT##KEYCTRL#65");
  EXPECT_EQ(keys.kind, LinkKind::KeyCommand);
  EXPECT_EQ(keys.key.shift, 7);
  EXPECT_EQ(keys.key.codeText, "65");

  struct Case {
    const char* url;
    LinkKind kind;
    MediaLink media;
  } const cases[] = {
      {"file:///l/A.htm#VIDEO_PERS#clip.wmv", LinkKind::NamedMedia, {"file:///l/A.htmclip.wmv", true, false, true}},
      // "@NOFULL@" is no part of the name, whichever delimiter the link uses.
      {"@VIDEO_PERS@@NOFULL@clip.wmv", LinkKind::NamedMedia, {"clip.wmv", false, false, true}},
      {"#VIDEO_PERS#@NOFULL@clip.wmv", LinkKind::NamedMedia, {"clip.wmv", false, false, true}},
      {"file:///l/video/film.WMV", LinkKind::Video, {"file:///l/video/film.WMV", true, false, true}},
      {"file:///l/@NOFULL@film.avi", LinkKind::Video, {"file:///l/film.avi", false, false, true}},
      // The dictionary's video is named by the page, played in a window.
      {"file:///l/A.htm#PLAYVIDEODIZIONARIO", LinkKind::Video, {"", false, true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const LinkCommand command = linkCommand(c.url);
    EXPECT_EQ(command.kind, c.kind);
    EXPECT_EQ(command.media.name, c.media.name);
    EXPECT_EQ(command.media.fullScreen, c.media.fullScreen);
    EXPECT_EQ(command.media.fromPage, c.media.fromPage);
    EXPECT_EQ(command.media.clean, c.media.clean);
  }
  EXPECT_EQ(dictionaryVideoName("/video/@NOFULL@segno.avi"), "/video/segno.avi");
  EXPECT_EQ(linkCommand("file:///l/A.htm#QENPLAYER_AUDIO_POS=95").kind, LinkKind::None);
}

// A page whose anchors LumoIndex_1, 2, ... link to these positions.
AnchorLink anchors(std::vector<std::string> positions) {
  return [positions](int32_t n) -> std::string {
    if (n < 1 || n > static_cast<int32_t>(positions.size())) return {};
    return "file:///l/A.htm#QENPLAYER_AUDIO_POS=" + positions[size_t(n - 1)];
  };
}

struct IndexCase {
  const char* what;
  std::vector<std::string> positions;
  int16_t current;  // Alt+8 starts from the anchor last reached
  int32_t playing;
  bool next;
  std::optional<int16_t> index;
  const char* target;  // the position of the anchor opened; nullptr for an end
};

TEST(IndexEntries, TheKeysMoveToTheEntryAfterAndTheEntryBeforeTheOneBeingRead) {
  const std::vector<std::string> page = {"0", "60", "120"};
  const IndexCase cases[] = {
      {"Alt+8 within an entry", page, 0, 70, true, 3, "120"},
      {"Alt+8 at an entry's start", page, 0, 60, true, 2, "60"},
      {"Alt+8 from the entry last reached", page, 2, 10, true, 3, "120"},
      {"Alt+8 after the last: the index stays there", page, 0, 130, true, 3, nullptr},
      {"Alt+8 without anchors", {}, 0, 30, true, 0, nullptr},
      {"Alt+7 in the second entry", page, 0, 70, false, 1, "0"},
      {"Alt+7 in the first entry", page, 0, 30, false, 2, nullptr},
      {"Alt+7 at the start", page, 0, 0, false, 1, nullptr},
      {"Alt+7 in the last entry: the entry before it", page, 0, 130, false, 2, "60"},
      {"Alt+7 with one entry", {"0"}, 0, 50, false, 2, nullptr},
      {"Alt+7 without anchors: the index stays", {}, 5, 30, false, std::nullopt, nullptr},
  };
  for (const IndexCase& c : cases) {
    SCOPED_TRACE(c.what);
    const IndexMove move = c.next ? nextIndexEntry(c.current, c.playing, anchors(c.positions))
                                  : previousIndexEntry([&] { return c.playing; }, anchors(c.positions));
    EXPECT_EQ(move.index, c.index);
    EXPECT_EQ(move.target, c.target ? "file:///l/A.htm#QENPLAYER_AUDIO_POS=" + std::string(c.target) : std::string());
  }
}

TEST(IndexEntries, AnAnchorWithoutAPositionWithin16BitsIsSkipped) {
  const std::vector<std::string> odd = {"0", "abc", "40000", "12.5", "120"};
  const std::vector<std::string> edge = {"0", "32768", "32767"};
  const IndexCase cases[] = {
      {"Alt+8 past unreadable anchors", odd, 0, 70, true, 5, "120"},
      {"Alt+7 counts only readable anchors", odd, 0, 130, false, 1, "0"},
      {"32767 s is a target", edge, 0, 100, true, 3, "32767"},
      {"32768 s is skipped, also as the stopping point", edge, 0, 32768, true, 3, nullptr},
      {"Alt+7 at 32767 s: 32768 s is no entry", edge, 0, 32767, false, 3, nullptr},
      {"Alt+7 after 32767 s", edge, 0, 40000, false, 1, "0"},
  };
  for (const IndexCase& c : cases) {
    SCOPED_TRACE(c.what);
    const IndexMove move = c.next ? nextIndexEntry(c.current, c.playing, anchors(c.positions))
                                  : previousIndexEntry([&] { return c.playing; }, anchors(c.positions));
    EXPECT_EQ(move.index, c.index);
    EXPECT_EQ(move.target, c.target ? "file:///l/A.htm#QENPLAYER_AUDIO_POS=" + std::string(c.target) : std::string());
  }
  EXPECT_EQ(anchorSeconds("#QENPLAYER_AUDIO_POS=32767"), 32767);
  EXPECT_EQ(anchorSeconds("#QENPLAYER_AUDIO_POS=32768"), std::nullopt);
}

TEST(IndexEntries, Alt7AsksForThePlayingPositionOnlyOnAPageWithAnchors) {
  bool asked = false;
  const IndexMove move = previousIndexEntry(
      [&] {
        asked = true;
        return 0;
      },
      anchors({}));
  EXPECT_FALSE(asked);
  EXPECT_FALSE(move.index);
}

// The heading a page is opened at: the anchor an index link's position
// names, or the one a bookmark's position lies in.
TEST(IndexEntries, TheHeadingOfAPlaceIsTheAnchorAtItOrTheOneBeingReadThere) {
  const std::vector<std::string> page = {"0", "15", "15", "x", "60"};
  struct Case {
    const char* what;
    int32_t seconds;
    bool exact;
    int32_t heading;
  } const cases[] = {
      {"an index link's position", 60, true, 5},         {"two headings at one time: the first", 15, true, 2},
      {"a time no heading starts at", 30, true, 0},      {"a bookmark within a heading", 30, false, 3},
      {"a bookmark at a heading's start", 60, false, 5}, {"a bookmark after the last heading", 900, false, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(headingAt(c.seconds, c.exact, anchors(page)), c.heading);
  }
  EXPECT_EQ(headingAt(5, false, anchors({"10", "20"})), 0) << "before the first heading";
  EXPECT_EQ(headingAt(0, true, anchors({})), 0) << "a page without anchors";
}

}  // namespace
}  // namespace lumo::player::core
