// Where the reader's focus goes, and what a screen reader hears: a page
// opened at a heading puts the focus on that heading's link, which is heard
// by its name; an open panel keeps the focus while a page loads under it;
// the bookmark and file commands are heard as they act.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <functional>

#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "player/window/frmImpExp.h"
#include "player/window/frmInputBox.h"
#include "player/window/tests/commands_fixture.h"
#include "testsupport/accessible_events.h"

namespace lumo::player::testing {
namespace {

using ui::testing::AccessibleEventLog;
using ui::testing::AccessibleEventRecord;
constexpr int kAlt = keys::shift::Alt, kCtrl = keys::shift::Ctrl;

class ReaderPlaceTest : public CommandsTest {
 protected:
  frmBrowser& showWindow(frmBrowser& w) {
    w.show();
    QApplication::setActiveWindow(&w);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    w.objwb->view()->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    return w;
  }
  // The file page A.htm with index entries at these times.
  frmBrowser& openIndexPage(const std::vector<std::string>& anchors) {
    frmBrowser& w = openOn(writeFilePage("A.htm", {.anchors = anchors}));
    fake()->setDefaultMedium(200);
    return showWindow(w);
  }
  // Runs an action that loads or moves the page and waits for its set-up.
  void loading(const std::function<void()>& action) {
    int completed = 0;
    auto c = QObject::connect(window_->objwb, &browser::WebBrowser::DocumentComplete,
                              [&completed](const QString&) { ++completed; });
    action();
    waitFor([&] { return completed > 0; }, "the page set up");
    QObject::disconnect(c);
    QApplication::processEvents();
  }
  static AccessibleEventRecord lastFocus(const AccessibleEventLog& log) {
    const auto focus = log.of(QAccessible::Focus);
    return focus.empty() ? AccessibleEventRecord{} : focus.back();
  }
  // The focus events that went to the page (its document or its links).
  static std::vector<QString> pageFocus(const AccessibleEventLog& log) {
    std::vector<QString> heard;
    for (const auto& e : log.of(QAccessible::Focus))
      if (e.role == QAccessible::Document || e.role == QAccessible::Link) heard.push_back(e.name);
    return heard;
  }
  static std::vector<QString> notifications(const AccessibleEventLog& log) {
    std::vector<QString> heard;
    for (const auto& e : log.of(QAccessible::ObjectShow))
      if (e.role == QAccessible::Notification) heard.push_back(e.name);
    return heard;
  }
  // The order of the events a reader is told: "F:" focus, "N:" notification.
  static std::vector<QString> told(const AccessibleEventLog& log) {
    std::vector<QString> heard;
    for (const auto& e : log.events()) {
      if (e.type == QAccessible::Focus) heard.push_back(QStringLiteral("F:") + e.name);
      if (e.type == QAccessible::ObjectShow && e.role == QAccessible::Notification)
        heard.push_back(QStringLiteral("N:") + e.name);
    }
    return heard;
  }
  QString selectedId() const { return QString::fromStdString(window_->objwb->selectedElement().id()); }
};

// Zivuvu's own pages: an index link of the home page opens the file page
// at its heading, which the reader is then on and hears; the page's own
// start keeps the focus on its first link, heard with the page's title.
TEST_F(ReaderPlaceTest, AHomePageLinkOpensTheFilePageOnItsHeading) {
  makeZivuvuBook();
  AccessibleEventLog log;
  frmBrowser& w = showWindow(openWindow());
  splashTick();
  struct Case {
    const char* href;
    QAccessible::Role role;
    const char* heard;  // the last focus event
    const char* id;     // the link the reader is on
  } const cases[] = {
      {"LB01/A.htm#QENPLAYER_AUDIO_POS=95", QAccessible::Link, "Paragrafo <b> & c, 13", "LumoIndex_2"},
      {"LB01/B.htm#QENPLAYER_AUDIO_POS=0", QAccessible::Link, "Capitolo 2, 20", "LumoIndex_1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.href);
    openPage(w.homeUrl());
    log.clear();
    clickLink(c.href);
    EXPECT_EQ(lastFocus(log).role, c.role);
    EXPECT_EQ(lastFocus(log).name, QString::fromUtf8(c.heard));
    EXPECT_TRUE(lastFocus(log).focused);
    EXPECT_EQ(selectedId(), QString::fromUtf8(c.id));
    EXPECT_TRUE(w.objwb->view()->hasFocus());
  }
  // The next file, opened from its start (Ctrl+7): its title, and the
  // first link selected as before.
  openPage(programAddress("LB01/A.htm"));
  log.clear();
  loading([&] { press('7', kCtrl); });
  EXPECT_EQ(lastFocus(log).role, QAccessible::Document);
  EXPECT_EQ(lastFocus(log).name, QStringLiteral("Indice del file B"));
  EXPECT_EQ(selectedId(), QStringLiteral("LumoIndex_1"));
  EXPECT_TRUE(errorReports().empty());
}

// The reading resumed where the reader left the program: the page opens on
// the heading being read there, not the one its address names.
TEST_F(ReaderPlaceTest, AResumedReadingOpensOnTheHeadingBeingRead) {
  const QString page = writeFilePage("A.htm", {.anchors = {"0", "60", "120"}});
  setPlayerSetting("SavePos", "1");
  setPlayerSetting("Brano", (page + QStringLiteral("#QENPLAYER_AUDIO_POS=0")).toStdString());
  setPlayerSetting("BranoPos", "75");
  frmBrowser& w = showWindow(openWindow());
  AccessibleEventLog log;
  splashTick();
  EXPECT_EQ(lastFocus(log).role, QAccessible::Link);
  EXPECT_EQ(lastFocus(log).name, QStringLiteral("Voce 2"));
  EXPECT_EQ(selectedId(), QStringLiteral("LumoIndex_2"));
  EXPECT_TRUE(w.objwb->view()->hasFocus());
}

// Within the page: Enter on an index link, Alt+8 and Alt+7 move the
// reading and the focus to the heading; of two headings at one time, the
// one chosen.
TEST_F(ReaderPlaceTest, EnterOnAnIndexLinkAndTheIndexKeysLeaveTheFocusOnTheHeading) {
  frmBrowser& w = openIndexPage({"0", "60", "60", "120"});
  AccessibleEventLog log;
  QTextBrowser* view = w.objwb->view();
  view->moveCursor(QTextCursor::Start);
  for (int i = 0; i < 3; ++i) QTest::keyClick(view, Qt::Key_Tab);
  ASSERT_EQ(lastFocus(log).name, QStringLiteral("Voce 3"));
  log.clear();
  loading([&] { QTest::keyClick(view, Qt::Key_Return); });
  EXPECT_EQ(fake()->currentPosition(), 60);
  EXPECT_EQ(selectedId(), QStringLiteral("LumoIndex_3")) << "not the first heading at 60 s";
  EXPECT_TRUE(view->hasFocus());

  struct Step {
    int key;
    double playing;
    const char* heard;
  } const steps[] = {
      {'8', 70, "Voce 4"},  // the next entry
      {'7', 70, "Voce 2"},  // the entry before the one being read (the third)
      {'8', 60, "Voce 3"},  // the next, at the same time as the second: not the first one there
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.heard);
    at(s.playing, false);
    log.clear();
    loading([&] { press(s.key, kAlt); });
    EXPECT_EQ(lastFocus(log).role, QAccessible::Link);
    EXPECT_EQ(lastFocus(log).name, QString::fromUtf8(s.heard));
    EXPECT_EQ(selectedId(), QStringLiteral("LumoIndex_") + QString::fromUtf8(s.heard).right(1));
    EXPECT_TRUE(view->hasFocus());
  }
  EXPECT_TRUE(errorReports().empty());
}

// A bookmark recalled from the list: the page again, on the heading the
// bookmark lies in, heard before the bookmark's description.
TEST_F(ReaderPlaceTest, ARecalledBookmarkLeavesTheFocusOnItsHeading) {
  storeMarker("LB01\\A.HTM", 1, "75", "Segno", "A.mp3");
  frmBrowser& w = openIndexPage({"0", "60", "120"});
  at(5);
  press('6', kAlt);
  ASSERT_FALSE(w.fraMarcatori->isHidden());
  AccessibleEventLog log;
  press(keys::vk::Return, 0, w.ListMarkers);
  // Qt presents the view as it takes the focus; then the heading, then
  // the bookmark.
  const auto heard = told(log);
  ASSERT_GE(heard.size(), 2u);
  EXPECT_EQ(std::vector<QString>(heard.end() - 2, heard.end()),
            (std::vector<QString>{QStringLiteral("F:Voce 2"), QStringLiteral("N:Segno")}));
  EXPECT_EQ(selectedId(), QStringLiteral("LumoIndex_2"));
  EXPECT_TRUE(w.objwb->view()->hasFocus());
}

// While a panel is open, a page that loads under it (the end of the
// file opens the next page) leaves the focus in the panel; closing the
// panel gives it back to the page, on the new page's first link.
TEST_F(ReaderPlaceTest, APanelKeepsTheFocusWhileAPageLoadsUnderIt) {
  writeFilePage("B.htm", {.audio = "B.mp3", .anchors = {"0", "30"}});
  storeMarker("LB01\\A.HTM", 1, "20", "Segno", "A.mp3");
  struct Panel {
    const char* what;
    std::function<void(frmBrowser&)> open;
    std::function<QWidget*(frmBrowser&)> focus;  // where the focus is while it is open
    std::function<void(frmBrowser&)> close;
  } const panels[] = {
      {"configuration panel", [this](frmBrowser&) { press('8', kCtrl); },
       [](frmBrowser& w) -> QWidget* { return w.chkAudioOff; }, [this](frmBrowser&) { press('8', kCtrl); }},
      {"bookmark list", [this](frmBrowser&) { press('6', kAlt); },
       [](frmBrowser& w) -> QWidget* { return w.ListMarkers; },
       [this](frmBrowser& w) { press(keys::vk::Escape, 0, w.ListMarkers); }},
      {"import panel",
       [this](frmBrowser& w) {
         press('6', kAlt);
         w.cmdImpExp[1]->click();
       },
       [](frmBrowser& w) -> QWidget* { return w.File; },
       [this](frmBrowser& w) {
         w.cmdImpExp[3]->click();
         press(keys::vk::Escape, 0, w.ListMarkers);
       }},
  };
  for (const Panel& p : panels) {
    SCOPED_TRACE(p.what);
    frmBrowser& w = openIndexPage({"0"});
    p.open(w);
    QWidget* holder = p.focus(w);
    ASSERT_EQ(QApplication::focusWidget(), holder);
    AccessibleEventLog log;
    loading([&] { w.objwb->Navigate2(programAddress("LB01/B.htm")); });
    EXPECT_EQ(QApplication::focusWidget(), holder);
    EXPECT_TRUE(pageFocus(log).empty()) << pageFocus(log).front().toStdString();
    log.clear();
    p.close(w);
    QApplication::processEvents();
    EXPECT_TRUE(w.objwb->view()->hasFocus());
    EXPECT_EQ(selectedId(), QStringLiteral("LumoIndex_1"));
    EXPECT_EQ(pageFocus(log), std::vector<QString>{QStringLiteral("Pagina B.htm")});
    window_.reset();
  }
}

// The input box is a dialog of its own: a page that loads while it is
// open takes the focus neither from it nor, after it, from the page.
TEST_F(ReaderPlaceTest, TheInputBoxKeepsTheFocusWhileAPageLoads) {
  writeFilePage("B.htm", {.audio = "B.mp3", .anchors = {"0", "30"}});
  frmBrowser& w = openIndexPage({"0"});
  AccessibleEventLog log;
  QString focusInBox;  // the object name of the control that had the focus
  std::vector<QString> heardInBox;
  // The box opens inside the command and is worked from its own loop.
  QTimer timer;
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<frmInputBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    timer.stop();
    log.clear();
    loading([&] { w.objwb->Navigate2(programAddress("LB01/B.htm")); });
    if (QWidget* focus = QApplication::focusWidget()) focusInBox = focus->objectName();
    heardInBox = pageFocus(log);
    box->Command1_Click();
  });
  timer.start();
  press('3', kAlt);
  EXPECT_EQ(focusInBox, QStringLiteral("txtInput"));
  EXPECT_TRUE(heardInBox.empty()) << heardInBox.front().toStdString();
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Pagina B.htm"));
}

// What the bookmark commands and the file list did is heard: a bookmark
// added, a bookmark deleted (after the row that takes its place), a file
// chosen in the import panel's list with the arrows or Enter.
TEST_F(ReaderPlaceTest, AddingAndDeletingABookmarkAndChoosingAFileAreHeard) {
  storeMarker("LB01\\A.HTM", 1, "20", "Primo", "A.mp3");
  storeMarker("LB01\\A.HTM", 2, "40", "Secondo", "A.mp3");
  frmBrowser& w = openIndexPage({"0"});
  AccessibleEventLog log;

  at(65);
  answerInputBox(QStringLiteral("Terzo"));
  press('3', kAlt);
  EXPECT_EQ(notifications(log), std::vector<QString>{QStringLiteral("Segnalibro inserito: 01:05 - Terzo")});
  log.clear();
  answerInputBox(std::nullopt);  // Annulla: nothing added, nothing said
  press('3', kAlt);
  EXPECT_TRUE(notifications(log).empty());

  press('6', kAlt);
  w.ListMarkers->setCurrentRow(1);
  QApplication::processEvents();
  log.clear();
  press(keys::vk::Delete, 0, w.ListMarkers);
  ASSERT_EQ(rows(), (QStringList{"00:20\t - Primo", "01:05\t - Terzo"}));
  const auto heard = told(log);
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.back(), QStringLiteral("N:Segnalibro cancellato: 00:40 - Secondo")) << "said last, not cut off";
  EXPECT_NE(std::find(heard.begin(), heard.end(), QStringLiteral("F:01:05\t - Terzo")), heard.end());

  // Two files to choose from in the import panel.
  const fs::path folder = dir_ / "scelta";
  fs::create_directories(folder);
  for (const char* name : {"a.reg", "b.reg"}) writeAudio(folder / name, 1);
  w.cmdImpExp[1]->click();
  w.frmImpExp->setDirPath(QString::fromStdString(folder.string()));
  w.File->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  log.clear();
  QTest::keyClick(w.File, Qt::Key_Down);
  QTest::keyClick(w.File, Qt::Key_Down);
  EXPECT_EQ(w.TextFileName->text(), QStringLiteral("b.reg"));
  QTest::keyClick(w.File, Qt::Key_Return);
  EXPECT_EQ(w.TextFileName->text(), QStringLiteral("b.reg"));
  EXPECT_EQ(notifications(log),
            (std::vector<QString>{QStringLiteral("File selezionato: a.reg"), QStringLiteral("File selezionato: b.reg"),
                                  QStringLiteral("File selezionato: b.reg")}));
  EXPECT_FALSE(w.frmImpExp->isHidden()) << "Enter chooses the file; OK imports it";
  EXPECT_TRUE(errorReports().empty());
}

}  // namespace
}  // namespace lumo::player::testing
