// The bookmark list: Enter and Delete in it on an ordinary page and on the
// summary page, the recall of a bookmark (also across pages and from a book
// that moved to another mount point), and the second in which the page's
// own audio start waits.

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "platform/registry/registry.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/tests/commands_fixture.h"
#include "testsupport/accessible_events.h"

namespace lumo::player::testing {
namespace {

constexpr int kEnter = keys::vk::Return, kDelete = keys::vk::Delete;
const std::string kPageSection = "LB01\\A.HTM";

class MarkerListTest : public CommandsTest {
 protected:
  // The page A.htm with bookmarks 1, 2 and 3 (at 10, 20 and 30 s) on A.mp3.
  frmBrowser& openPageWithThreeMarkers() {
    for (int n = 1; n <= 3; ++n)
      storeMarker(kPageSection, n, std::to_string(10 * n), "Segno " + std::to_string(n), "A.mp3");
    return openOn(writeFilePage("A.htm", {}));
  }
  void openList() {
    press('6', keys::shift::Alt);
    ASSERT_FALSE(window_->fraMarcatori->isHidden());
  }
  QStringList positionCalls() const { return fake()->calls().filter(QStringLiteral("controls.currentPosition=")); }
  void writeSummaryPage() {
    writePage(program_ / "Index.htm", "<html><head><title>Sommario</title></head><body>sommario</body></html>");
  }
};

TEST_F(MarkerListTest, EnterRecallsTheChosenBookmarkAndClosesTheList) {
  frmBrowser& w = openPageWithThreeMarkers();
  openList();
  w.ListMarkers->setCurrentRow(1);
  EXPECT_EQ(w.ListMarkers->toolTip(), QStringLiteral("00:20\t - Segno 2"));
  fake()->clearCalls();
  press(kEnter, 0, w.ListMarkers);
  EXPECT_EQ(w.currentMarker(), 2);
  EXPECT_EQ(w.anaPlayer()->FileName(), libroFile("A.mp3"));
  EXPECT_EQ(positionCalls().last(), QStringLiteral("controls.currentPosition=20"));
  EXPECT_EQ(osd(), QStringLiteral("Segno 2"));
  EXPECT_EQ(fake()->playState(), media::ps::Playing);
  EXPECT_TRUE(w.fraMarcatori->isHidden());
  EXPECT_FALSE(w.objwb->isHidden());
  // The file came from the program's Libro folder: the page's own audio
  // start waits for one second.
  EXPECT_TRUE(w.pageLoad().autoPlayHeld());
  EXPECT_TRUE(w.TimerDisableState->isActive());
  EXPECT_FALSE(w.Playaudio(w.objwb->LocationURL(), false, false));
  w.TimerDisableState_Timer();
  EXPECT_FALSE(w.pageLoad().autoPlayHeld());
  EXPECT_TRUE(errorReports().empty());

  // Enter with a shift key held is nothing.
  openList();
  fake()->clearCalls();
  press(kEnter, keys::shift::Shift, w.ListMarkers);
  EXPECT_TRUE(positionCalls().isEmpty());
  EXPECT_FALSE(w.fraMarcatori->isHidden());
}

TEST_F(MarkerListTest, DeleteOnAPageDeletesTheBookmarkAndNumbersTheRestFromOne) {
  frmBrowser& w = openPageWithThreeMarkers();
  openList();
  w.ListMarkers->setCurrentRow(1);
  press(kDelete, 0, w.ListMarkers);
  EXPECT_EQ(rows(), (QStringList{QStringLiteral("00:10\t - Segno 1"), QStringLiteral("00:30\t - Segno 3")}));
  EXPECT_EQ(sectionValues(kPageSection), (std::map<std::string, std::string>{{"1", "10"},
                                                                             {"1NOME", "Segno 1"},
                                                                             {"1NOMEAUDIO", "A.mp3"},
                                                                             {"2", "30"},
                                                                             {"2NOME", "Segno 3"},
                                                                             {"2NOMEAUDIO", "A.mp3"}}));
  // Delete with a shift key held deletes too.
  w.ListMarkers->setCurrentRow(0);
  press(kDelete, keys::shift::Ctrl, w.ListMarkers);
  EXPECT_EQ(rows(), QStringList{QStringLiteral("00:30\t - Segno 3")});
  EXPECT_FALSE(w.fraMarcatori->isHidden()) << "the list stays open";
  EXPECT_TRUE(errorReports().empty());
}

// After Delete the reader hears the bookmark now selected, the one that
// took the deleted one's place, and at last that the list is empty.
TEST_F(MarkerListTest, DeleteIsConfirmedByWhatIsNowSelected) {
  frmBrowser& w = openPageWithThreeMarkers();
  w.show();
  QApplication::setActiveWindow(&w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  openList();
  ASSERT_TRUE(w.ListMarkers->hasFocus());
  ui::testing::AccessibleEventLog log;
  auto heard = [&] {
    QApplication::processEvents();
    const auto focus = log.of(QAccessible::Focus);
    log.clear();
    return focus.empty() ? QString() : focus.back().name;
  };
  struct Step {
    int row;            // the row deleted
    const char* heard;  // what the reader hears then
    int selected;       // the row selected after
  } const steps[] = {
      {1, "00:30\t - Segno 3", 1},   // the next one took its place
      {1, "00:10\t - Segno 1", 0},   // the last one went: the one before
      {0, "Elenco Segnalibri", -1},  // nothing left
  };
  for (const Step& s : steps) {
    w.ListMarkers->setCurrentRow(s.row);
    heard();
    press(kDelete, 0, w.ListMarkers);
    EXPECT_EQ(heard(), QString::fromUtf8(s.heard)) << "deleting row " << s.row;
    EXPECT_EQ(w.ListMarkers->currentRow(), s.selected);
  }
  EXPECT_EQ(w.ListMarkers->count(), 0);
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(MarkerListTest, OnTheSummaryPageDeleteRemovesThatPageBookmark) {
  writeFilePage("A.htm", {});
  writeFilePage("B.htm", {.audio = "B.mp3"});
  storeMarker("LB01\\A.htm", 12, "42", "Qui", "A.mp3");
  storeMarker("LB01\\B.htm", 1, "5", "Là", "B.mp3");
  storeMarker("LB01\\B.htm", 2, "7", "Oltre", "B.mp3");
  writeSummaryPage();
  frmBrowser& w = openOn(programAddress("Index.htm"));
  ASSERT_EQ(rows().size(), 3);
  // Loading renumbered bookmark 12 as 1; the row names it by its new number.
  EXPECT_EQ(w.lstapp->item(0)->text(), QStringLiteral("LB01\\A.htm*1"));
  openList();
  w.ListMarkers->setCurrentRow(1);
  press(kDelete, 0, w.ListMarkers);
  EXPECT_EQ(rows(), (QStringList{QStringLiteral("00:42 - Qui"), QStringLiteral("00:07 - Oltre")}));
  EXPECT_EQ(w.lstapp->count(), 2);
  EXPECT_EQ(w.ListMarkers->currentRow(), 1) << "the next bookmark takes the deleted one's place";
  EXPECT_EQ(sectionValues("LB01\\B.htm"),
            (std::map<std::string, std::string>{{"2", "7"}, {"2NOME", "Oltre"}, {"2NOMEAUDIO", "B.mp3"}}));
  EXPECT_EQ(sectionValues("LB01\\A.htm").size(), 3u);
  EXPECT_TRUE(errorReports().empty());

  // A bookmark no longer in the store: reported, and the rows stay.
  registry::DeleteSetting(kAppName, "LB01\\A.htm");
  w.ListMarkers->setCurrentRow(0);
  press(kDelete, 0, w.ListMarkers);
  EXPECT_EQ(errorReports(), std::vector<std::string>{"ListMarkers_KeyDown"});
  EXPECT_EQ(rows().size(), 2);
}

TEST_F(MarkerListTest, ABookmarkChosenOnTheSummaryPageIsRecalledOnItsOwnPage) {
  writeFilePage("A.htm", {.audio = "A.mp3"});
  writeAudio(program_ / "LB01" / "capitolo.mp3", 1);
  storeMarker("LB01\\A.htm", 1, "42", "Qui", "capitolo.mp3");
  writeSummaryPage();
  frmBrowser& w = openOn(programAddress("Index.htm"));
  ASSERT_TRUE(w.anaPlayer()->FileName().isEmpty());
  openList();
  w.ListMarkers->setCurrentRow(0);
  int pending = -1;
  auto watch = QObject::connect(w.objwb, &browser::WebBrowser::BeforeNavigate2,
                                [&](const QString&, bool&) { pending = w.pageLoad().pendingMarker(); });
  press(kEnter, 0, w.ListMarkers);
  EXPECT_TRUE(w.fraMarcatori->isHidden());
  // The page opens with the bookmark pending; its set-up recalls it there.
  waitFor([&] { return w.objwb->LocationURL() == programAddress("LB01/A.htm"); }, "the page");
  waitFor([&] { return w.pageLoad().pendingMarker() == 0 && pending >= 0; }, "the recall");
  QObject::disconnect(watch);
  EXPECT_EQ(pending, 1);
  const QString bookmarkAudio = QString::fromStdString((program_ / "LB01" / "capitolo.mp3").string());
  EXPECT_EQ(w.anaPlayer()->FileName(), bookmarkAudio);
  EXPECT_EQ(positionCalls().last(), QStringLiteral("controls.currentPosition=42"));
  EXPECT_EQ(osd(), QStringLiteral("Qui"));
  EXPECT_TRUE(w.pageLoad().autoPlayHeld());
  // The page's audio start, which a page set-up would run now, does nothing.
  fake()->clearCalls();
  w.objwb_DocumentComplete(w.objwb->LocationURL());
  EXPECT_EQ(w.anaPlayer()->FileName(), bookmarkAudio);
  EXPECT_FALSE(fake()->calls().contains("URL=" + libroFile("A.mp3")));
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(MarkerListTest, ABookFoundOnAnotherMountPointIsRecalledFromThere) {
  // The page names its audio on the disc mounted at cdrom; the bookmark's
  // file is neither beside the page nor in the program's Libro folder.
  const fs::path cdrom = dir_ / "cdrom", usb = dir_ / "usb";
  mountTable({"/dev/sda1 / ext4", "/dev/sr0 " + cdrom.string() + " iso9660", "/dev/sdb1 " + usb.string() + " vfat"});
  writeAudio(cdrom / "Libro" / "intro.mp3", 1);
  const QString page = writePage(program_ / "LB01" / "A.htm", "<html><head><meta name=\"QENPLAYER_AUDIO\" content=\"" +
                                                                  (cdrom / "Libro" / "intro.mp3").string() +
                                                                  "\"></head><body>a</body></html>");
  storeMarker(kPageSection, 1, "33", "Lontano", "cap1.mp3");
  struct Case {
    const char* what;
    fs::path file;
  } const cases[] = {
      {"the book's folder on the disc of the page's audio", cdrom / "lb01" / "cap1.mp3"},
      {"the Libro folder on the disc of the page's audio", cdrom / "Libro" / "cap1.mp3"},
      {"the book's folder on another mount point", usb / "LB01" / "cap1.mp3"},
      {"the Libro folder on another mount point", usb / "libro" / "cap1.mp3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeAudio(c.file, 1);
    frmBrowser& w = openOn(page);
    ASSERT_FALSE(w.anaPlayer()->FileName().isEmpty());
    openList();
    w.ListMarkers->setCurrentRow(0);
    press(kEnter, 0, w.ListMarkers);
    EXPECT_EQ(w.anaPlayer()->FileName(), QString::fromStdString(c.file.string()));
    EXPECT_EQ(positionCalls().last(), QStringLiteral("controls.currentPosition=33"));
    EXPECT_EQ(osd(), QStringLiteral("Lontano"));
    fs::remove(c.file);
  }
  // Nowhere at all: the file playing stays, moved to the position.
  frmBrowser& w = openOn(page);
  openList();
  w.ListMarkers->setCurrentRow(0);
  press(kEnter, 0, w.ListMarkers);
  EXPECT_EQ(w.anaPlayer()->FileName(), QString::fromStdString((cdrom / "Libro" / "intro.mp3").string()));
  EXPECT_EQ(positionCalls().last(), QStringLiteral("controls.currentPosition=33"));
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(MarkerListTest, ARecallNeedsAFileAndTheListAnOldBookmarkMovesThePositionOnly) {
  // No audio loaded on an ordinary page: a double-click does nothing and
  // the list stays open.
  storeMarker("LB01\\MUTA.HTM", 1, "12", "Muta", "A.mp3");
  frmBrowser& w = openOn(writeFilePage("muta.htm", {.audio = ""}));
  ASSERT_EQ(rows().size(), 1);
  openList();
  fake()->clearCalls();
  w.ListMarkers_DblClick();
  EXPECT_TRUE(fake()->calls().isEmpty());
  EXPECT_FALSE(w.fraMarcatori->isHidden());
  press(keys::vk::Escape, 0, w.ListMarkers);

  // A bookmark stored without an audio name: the page's load gives it the
  // empty name, so no file is found and the file playing plays from the
  // bookmark, with its description on screen.
  storeMarker(kPageSection, 1, "25", "Vecchio", std::nullopt);
  openPage(writeFilePage("A.htm", {}));
  ASSERT_EQ(sectionValues(kPageSection)["1NOMEAUDIO"], "");
  openList();
  w.ListMarkers->setCurrentRow(0);
  fake()->clearCalls();
  press(kEnter, 0, w.ListMarkers);
  EXPECT_EQ(w.anaPlayer()->FileName(), libroFile("A.mp3"));
  EXPECT_EQ(positionCalls(), QStringList{QStringLiteral("controls.currentPosition=25")});
  EXPECT_EQ(osd(), QStringLiteral("Vecchio"));
  EXPECT_EQ(fake()->playState(), media::ps::Playing);

  // Its audio value missing altogether: only the position of the file
  // playing moves, without a message.
  registry::DeleteSetting(kAppName, kPageSection, "1NOMEAUDIO");
  openList();
  w.ListMarkers->setCurrentRow(0);
  w.frmOSD->hide();
  fake()->clearCalls();
  press(kEnter, 0, w.ListMarkers);
  EXPECT_EQ(fake()->calls(), (QStringList{"controls.stop", "controls.currentPosition=25"}));
  EXPECT_EQ(osd(), QString());
  EXPECT_TRUE(w.fraMarcatori->isHidden());
  EXPECT_TRUE(errorReports().empty());
}

}  // namespace
}  // namespace lumo::player::testing
