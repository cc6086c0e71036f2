// The on-screen display with its timer, the stored reading speed, and the
// layout that hides the display.

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>

#include "platform/browser/webbrowser.h"
#include "player/window/tests/window_fixture.h"
#include "testsupport/accessible_events.h"

namespace lumo::player::testing {
namespace {

class OsdTest : public WindowTest {};

TEST_F(OsdTest, AMessageStaysUntilTheTimerOfANonPersistentOneHidesIt) {
  frmBrowser& w = openWindow();
  w.show();
  EXPECT_FALSE(w.frmOSD->isVisible());

  w.OSD(QStringLiteral("AVANTI 00:10"), false);
  w.OSD(QStringLiteral("AVANTI 00:20"), false);
  EXPECT_TRUE(w.frmOSD->isVisible());
  EXPECT_EQ(w.lblOSD->text(), QStringLiteral("AVANTI 00:20")) << "the same frame, the new text";
  EXPECT_TRUE(w.TimerOSD->isActive());
  EXPECT_EQ(w.TimerOSD->interval(), 1500);
  w.TimerOSD_Timer();
  EXPECT_FALSE(w.frmOSD->isVisible());
  EXPECT_FALSE(w.TimerOSD->isActive());

  // A persistent message stops the running timer: nothing hides it.
  w.OSD(QStringLiteral("STOP 00:20"), false);
  w.OSD(QStringLiteral("PAUSA 00:20 premere ctrl+3"), true);
  EXPECT_TRUE(w.frmOSD->isVisible());
  EXPECT_FALSE(w.TimerOSD->isActive());
  // A later message runs its own 1500 ms and then hides the display.
  w.OSD(QStringLiteral("PLAY 00:21"), false);
  EXPECT_TRUE(w.TimerOSD->isActive());
  w.TimerOSD_Timer();
  EXPECT_FALSE(w.frmOSD->isVisible());
  EXPECT_TRUE(errorReports().empty());
}

// A blind reader hears each confirmation: every message raises the event
// that screen readers speak for a notification that appears (also when an
// earlier message still shows), carrying the message as its name; the focus
// stays on the page.
TEST_F(OsdTest, EveryMessageIsAnnouncedOnceToScreenReaders) {
  ui::testing::AccessibleEventLog log;
  frmBrowser& w = openWindow();
  w.show();
  w.activateWindow();
  QApplication::processEvents();
  QWidget* focus = QApplication::focusWidget();
  log.clear();

  w.OSD(QStringLiteral("AVANTI 00:10"), false);
  w.OSD(QStringLiteral("AVANTI 00:20"), false);  // while the first still shows
  w.OSD(QStringLiteral("PAUSA 00:20 premere ctrl+3"), true);
  w.TimerOSD_Timer();
  w.Form_KeyDown(56, 4);  // Alt+8 on a page without index entries
  const std::vector<QString> expected{QStringLiteral("AVANTI 00:10"), QStringLiteral("AVANTI 00:20"),
                                      QStringLiteral("PAUSA 00:20 premere ctrl+3"),
                                      QStringLiteral("Indice avanti - Raggiunta la fine ")};
  std::vector<QString> heard;
  for (const auto& e : log.of(QAccessible::ObjectShow, w.frmOSD)) {
    EXPECT_EQ(e.role, QAccessible::Notification) << e.name.toStdString();
    heard.push_back(e.name);
  }
  EXPECT_EQ(heard, expected);
  EXPECT_EQ(QApplication::focusWidget(), focus) << "the focus stays where it was";

  // The reader presents the notification as one message: no child repeats it.
  QAccessibleInterface* osd = QAccessible::queryAccessibleInterface(w.frmOSD);
  ASSERT_NE(osd, nullptr);
  EXPECT_EQ(osd->role(), QAccessible::Notification);
  EXPECT_EQ(osd->childCount(), 0);
  EXPECT_EQ(osd->text(QAccessible::Name), expected.back());
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(OsdTest, TheLayoutPlacesThePanelsAndHidesTheDisplay) {
  frmBrowser& w = openWindow();
  w.show();
  w.resize(900, 600);  // 13500 by 9000 twips
  QApplication::processEvents();
  w.OSD(QStringLiteral("PAUSA"), true);
  w.resize(600, 450);  // 9000 by 6750 twips
  QApplication::processEvents();
  EXPECT_EQ(w.objwb->geometry(), QRect(7, 7, 580, 410));  // 100, 100, W - 300, H - 600
  EXPECT_EQ(w.fraMarcatori->geometry(), w.objwb->geometry());
  EXPECT_EQ(w.frmconfigurazione->geometry().center(), w.rect().center());
  EXPECT_EQ(w.frmOSD->width(), w.width());
  EXPECT_FALSE(w.frmOSD->isVisible()) << "every resize hides the display";

  // A minimised window keeps its layout.
  const QRect before = w.objwb->geometry();
  w.showMinimized();
  w.Form_Resize();
  EXPECT_EQ(w.objwb->geometry(), before);
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(OsdTest, TheRateIsReadFromItsSettingAtEveryUse) {
  frmBrowser& w = openWindow();
  EXPECT_FLOAT_EQ(w.PlayerRate(), 1.0f) << "no stored rate";
  w.PlayerRate(1.4f);
  EXPECT_EQ(playerSetting("Rate"), "1.4");
  EXPECT_FLOAT_EQ(w.PlayerRate(), 1.4f);
  setPlayerSetting("Rate", "0.7");
  EXPECT_FLOAT_EQ(w.PlayerRate(), 0.7f) << "not kept in memory";
  EXPECT_TRUE(errorReports().empty());
}

}  // namespace
}  // namespace lumo::player::testing
