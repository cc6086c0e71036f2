// A book from Zivuvu's pages to the player's speakers: the real window,
// the real browser layer and the real libmpv media layer on null outputs.
// The reader opens the home page, follows an index link into a file page
// at a position, listens, and at the end of the audio the next page opens
// and plays.

#include "common/text/text.h"
#include "platform/browser/webbrowser.h"
#include "platform/registry/registry.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/tests/window_fixture.h"
#include "testsupport/test_media.h"
#include "zivuvu/core/zivuvu_run.h"

namespace lumo::player::testing {
namespace {

class EndToEndTest : public WindowTest {
 protected:
  EndToEndTest() { realMedia_ = true; }

  // A book of two short recordings, A (12 s, an entry at 9 s) and B (3 s),
  // made into pages.
  void makeBook() {
    const fs::path book =
        makeBookPages("Libro breve",
                      {"LB02", "Autore", "Libro breve", "Editore", "Roma 2024", "Lettore", "2", "A,2,B", "Inizio",
                       "0,1", "Secondo paragrafo", "9,2", "B,1,", "Capitolo 2", "0,3"},
                      {{"A.mp3", 12}, {"B.mp3", 3}});
    audioA_ = QString::fromStdString((book / "Libro" / "A.mp3").string());
    audioB_ = QString::fromStdString((book / "Libro" / "B.mp3").string());
  }
  QString audioA_, audioB_;
};

TEST_F(EndToEndTest, HomePageThenAFilePageAtAPositionThenTheNextPageAtTheEnd) {
  makeBook();
  frmBrowser& w = openWindow();
  ASSERT_TRUE(w.anaPlayer());

  splashTick();
  EXPECT_EQ(w.objwb->LocationURL(), programAddress("index.htm"));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Indice interattivo dell'opera"));

  clickLink("LB02/A.htm#QENPLAYER_AUDIO_POS=9");
  EXPECT_EQ(w.objwb->LocationURL(), programAddress("LB02/A.htm", "#QENPLAYER_AUDIO_POS=9"));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Indice del file A"));
  EXPECT_EQ(w.anaPlayer()->FileName(), audioA_);
  // Playing from the index entry's position on: the first position past
  // the start is already past 9 s.
  waitFor([&] { return w.anaPlayer()->IsPlaying() && w.anaPlayer()->CurrentPosition() > 0.5; }, "A to play", 4000);
  const double from = w.anaPlayer()->CurrentPosition();
  // A seek lands on an MP3 frame boundary: within one frame (26 ms) of 9 s.
  EXPECT_GE(from, 9.0 - 0.03);
  waitFor([&] { return w.anaPlayer()->CurrentPosition() > from || !w.anaPlayer()->IsPlaying(); },
          "the position to move on", 4000);

  // The address changes when the navigation starts, the caption when the
  // page has completed: wait for both.
  waitFor([&] { return w.objwb->LocationURL() == programAddress("LB02/B.htm"); }, "the next page at the end of A",
          4000);
  waitFor([&] { return w.windowTitle() == QStringLiteral("Indice del file B"); }, "the caption of the next page", 4000);
  waitFor([&] { return w.anaPlayer()->FileName() == audioB_ && w.anaPlayer()->IsPlaying(); }, "B to play", 4000);
  EXPECT_LT(w.anaPlayer()->CurrentPosition(), 2.5) << "the next page starts at its beginning";
  EXPECT_TRUE(errorReports().empty()) << (errorReports().empty() ? "" : errorReports()[0]);
}

}  // namespace
}  // namespace lumo::player::testing
