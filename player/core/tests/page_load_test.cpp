// The page set-up's decisions without a window: which media file of a page
// plays and when another page opens instead, where it starts, the fragment
// a reload keeps for exactly one navigation, and the state that a new page
// starts again.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/bookpage/bookpage.h"
#include "player/core/page_load.h"

namespace lumo::player::core {
namespace {

using Metas = std::map<std::string, std::string>;

PageMeta metasOf(const Metas& metas) {
  return [metas](const std::string& name) {
    const auto it = metas.find(name);
    return it == metas.end() ? std::string() : it->second;
  };
}

TEST(PageLoad, TheEndOfAMediumMovesThroughThePageThenToTheNextPage) {
  // Media files 0 and 1; after the second the page names the next page.
  const PageMeta page = metasOf(
      {{bookpage::audioMeta(0), "uno.mp3"}, {bookpage::audioMeta(1), "due.mp3"}, {bookpage::nextPageMeta(2), "B.htm"}});
  struct Step {
    const char* what;
    bool next, prev;
    int32_t index;
    std::string tag, nextPage;
  } const steps[] = {
      {"a start takes the first", false, false, 0, bookpage::audioMeta(0), ""},
      {"the next one", true, false, 1, bookpage::audioMeta(1), ""},
      {"past the last: the next page", true, false, 2, bookpage::audioMeta(2), "B.htm"},
      {"back from there", false, true, 1, bookpage::audioMeta(1), ""},
      {"back to the first", false, true, 0, bookpage::audioMeta(0), ""},
      {"never before the first", false, true, 0, bookpage::audioMeta(0), ""},
      {"forward again", true, false, 1, bookpage::audioMeta(1), ""},
      {"a new start: the first again", false, false, 0, bookpage::audioMeta(0), ""},
  };
  PageLoad load;
  for (const Step& s : steps) {
    const AudioChoice choice = load.chooseAudio(s.next, s.prev, page);
    EXPECT_EQ(load.audioIndex(), s.index) << s.what;
    EXPECT_EQ(choice.tag, s.tag) << s.what;
    EXPECT_EQ(choice.nextPage, s.nextPage) << s.what;
  }

  // A page that names neither: no page to open, the window does nothing.
  PageLoad last;
  const PageMeta single = metasOf({{bookpage::audioMeta(0), "uno.mp3"}});
  last.chooseAudio(false, false, single);
  const AudioChoice end = last.chooseAudio(true, false, single);
  EXPECT_EQ(end.nextPage, "");
  EXPECT_EQ(last.audioIndex(), 1);
}

TEST(PageLoad, AReloadKeepsItsFragmentForOneNavigationAndOnlyForTheFirstMedium) {
  const PageMeta page = metasOf({{bookpage::audioMeta(0), "uno.mp3"},
                                 {bookpage::audioMeta(1), "due.mp3"},
                                 {bookpage::positionMeta(0), "3"},
                                 {bookpage::positionMeta(1), "7"}});
  PageLoad load;
  EXPECT_EQ(load.reloadKeepingFragment("file:///l/A.htm#QENPLAYER_AUDIO_POS=95"), "file:///l/A.htm");
  load.navigationStarts();  // the reload itself
  EXPECT_EQ(load.pendingFragment(), "QENPLAYER_AUDIO_POS=95");
  load.chooseAudio(false, false, page);
  EXPECT_EQ(load.startPosition("file:///l/A.htm", false, page), "95");
  // The page's next medium starts where its own meta says.
  load.chooseAudio(true, false, page);
  EXPECT_EQ(load.startPosition("", true, page), "7");

  // A second reload of the address without its fragment keeps it again.
  EXPECT_EQ(load.reloadKeepingFragment("file:///l/A.htm"), "file:///l/A.htm");
  load.navigationStarts();
  EXPECT_EQ(load.pendingFragment(), "QENPLAYER_AUDIO_POS=95");
  // Any navigation after that one drops it.
  load.navigationStarts();
  EXPECT_EQ(load.pendingFragment(), "");
  load.chooseAudio(false, false, page);
  EXPECT_EQ(load.startPosition("file:///l/A.htm", false, page), "3");
  EXPECT_EQ(load.startPosition("file:///l/A.htm#QENPLAYER_AUDIO_POS=40", false, page), "40");

  // A reload of a page that had no fragment keeps nothing.
  PageLoad plain;
  EXPECT_EQ(plain.reloadKeepingFragment("file:///l/A.htm"), "file:///l/A.htm");
  plain.setPendingFragment("QENPLAYER_AUDIO_POS=5");  // as a link's fragment would be
  plain.navigationStarts();
  EXPECT_EQ(plain.pendingFragment(), "");
}

TEST(PageLoad, OnlyAnotherPageStartsItsIndexEntriesAgainAndTheResumeIsTakenOnce) {
  PageLoad load;
  load.pageShown("A.htm");
  load.setCurrentIndex(2);
  load.pageShown("A.htm#QENPLAYER_AUDIO_POS=30");  // the same page, another place
  EXPECT_EQ(load.currentPage(), "A.htm");
  EXPECT_EQ(load.currentIndex(), 2);
  load.pageShown("B.htm");
  EXPECT_EQ(load.currentPage(), "B.htm");
  EXPECT_EQ(load.currentIndex(), 0);

  EXPECT_FALSE(load.takeResume());
  load.setResumePending(true);
  EXPECT_TRUE(load.takeResume());
  EXPECT_FALSE(load.takeResume()) << "the position of the exit is applied once";
}

}  // namespace
}  // namespace lumo::player::core
