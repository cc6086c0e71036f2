// A reading session driven from the keyboard alone: the real window shown
// on the offscreen platform, real key events sent to whatever has the
// focus, the real browser layer and the real libmpv media layer on null
// outputs. The reader opens a file page, skips, pauses and resumes, adds a
// bookmark, recalls it from the list, switches the reader off, sets the
// resume option and exits; the next start finds the page and the position.

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <cmath>

#include "common/text/text.h"
#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "platform/registry/registry.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/frmInputBox.h"
#include "player/window/tests/commands_fixture.h"
#include "testsupport/test_media.h"
#include "zivuvu/core/zivuvu_run.h"

namespace lumo::player::testing {
namespace {

constexpr int kCtrl = keys::shift::Ctrl, kAlt = keys::shift::Alt;

class CommandsEndToEndTest : public CommandsTest {
 protected:
  CommandsEndToEndTest() { realMedia_ = true; }

  // Zivuvu's pages of a book of one 40 s recording with entries at 0, 15
  // and 30 s.
  void makeBook() {
    const fs::path book = makeBookPages("Libro lungo",
                                        {"LB07", "Autore", "Libro lungo", "Editore", "Roma 2024", "Lettore", "1",
                                         "A,3,", "Inizio", "0,1", "Secondo", "15,2", "Terzo", "30,3"},
                                        {{"A.mp3", 40}});
    audio_ = QString::fromStdString((book / "Libro" / "A.mp3").string());
  }

  frmBrowser& start() {
    frmBrowser& w = openWindow();
    w.show();
    QApplication::setActiveWindow(&w);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    return w;
  }

  // A key as the keyboard gives it, to the widget that has the focus.
  void key(int code, int shift) {
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr) target = window_->objwb->view();
    const keys::QtKey k = keys::qtKeyFor(code, shift);
    QTest::keyClick(target, k.key, k.modifiers);
    QApplication::processEvents();
  }

  // Types a description into the next input box and confirms it with Enter.
  void typeIntoInputBox(const QString& text) {
    auto* timer = new QTimer;
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [timer, text] {
      auto* box = qobject_cast<frmInputBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      timer->stop();
      timer->deleteLater();
      QTest::keyClicks(box->txtInput, text);
      QTest::keyClick(box->txtInput, Qt::Key_Return);
    });
    timer->start();
  }

  bool playing() const { return window_->anaPlayer()->IsPlaying(); }
  double position() const { return window_->anaPlayer()->CurrentPosition(); }
  QString audio_;
};

TEST_F(CommandsEndToEndTest, AReadingSessionFromTheKeyboardResumesWhereTheReaderLeft) {
  makeBook();
  frmBrowser& w = start();
  splashTick();
  clickLink("LB07/A.htm#QENPLAYER_AUDIO_POS=0");
  const QString page = w.objwb->LocationURL();
  EXPECT_EQ(page, programAddress("LB07/A.htm", "#QENPLAYER_AUDIO_POS=0"));
  waitFor([&] { return playing() && position() > 0.2; }, "the page's audio to play", 4000);

  // Ctrl+2: forward by the skip step of 10 s.
  const double before = position();
  key('2', kCtrl);
  EXPECT_TRUE(w.lblOSD->text().startsWith(QStringLiteral("AVANTI 00:1"))) << w.lblOSD->text().toStdString();
  EXPECT_GE(position(), before + 9.5);

  // Ctrl+3 twice: pause, the message stays; then reading goes on.
  key('3', kCtrl);
  EXPECT_FALSE(playing());
  EXPECT_TRUE(w.lblOSD->text().startsWith(QStringLiteral("PAUSA ")));
  EXPECT_TRUE(w.lblOSD->text().endsWith(QStringLiteral(" premere ctrl+3")));
  EXPECT_FALSE(w.TimerOSD->isActive());
  key('3', kCtrl);
  EXPECT_TRUE(playing());
  EXPECT_TRUE(w.lblOSD->text().startsWith(QStringLiteral("PLAY ")));

  // Alt+3 and a description typed into the box.
  typeIntoInputBox(QStringLiteral("Capitolo uno"));
  key('3', kAlt);
  // The desktop gives the window back its activation when the box closes.
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  EXPECT_EQ(QApplication::focusWidget(), w.objwb->view());
  ASSERT_EQ(w.ListMarkers->count(), 1);
  const auto values = sectionValues("LB07\\A.HTM");
  ASSERT_EQ(values.count("1"), 1u);
  const int marked = std::stoi(values.at("1"));
  EXPECT_GE(marked, 10);
  EXPECT_EQ(values.at("1NOME"), "Capitolo uno");
  EXPECT_EQ(values.at("1NOMEAUDIO"), "A.mp3");
  waitFor([&] { return playing(); }, "reading to go on after the bookmark", 4000);

  // Alt+6 opens the list in place of the page, with the focus in it; Enter
  // recalls the bookmark.
  key('6', kAlt);
  EXPECT_FALSE(w.fraMarcatori->isHidden());
  EXPECT_TRUE(w.objwb->isHidden());
  EXPECT_EQ(QApplication::focusWidget(), w.ListMarkers);
  EXPECT_FALSE(playing());
  key(keys::vk::Return, 0);
  EXPECT_TRUE(w.fraMarcatori->isHidden());
  EXPECT_EQ(w.lblOSD->text(), QStringLiteral("Capitolo uno"));
  waitFor([&] { return playing(); }, "the bookmark to play", 4000);
  EXPECT_NEAR(position(), marked, 1.5);

  // Ctrl+0 switches the reader off; Alt+2 still moves to the bookmark.
  key('0', kCtrl);
  EXPECT_EQ(w.lblOSD->text(), QStringLiteral("Lettura disattivata"));
  EXPECT_FALSE(playing());
  key('2', kAlt);
  EXPECT_FALSE(playing());
  waitFor([&] { return std::fabs(position() - marked) < 0.5; }, "the bookmark's position", 4000);

  // Ctrl+8, Tab to "Riparti dal punto di uscita", Space, Ctrl+8.
  key('8', kCtrl);
  ASSERT_FALSE(w.frmconfigurazione->isHidden());
  EXPECT_EQ(QApplication::focusWidget(), w.chkAudioOff);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), w.chkSavePos);
  QTest::keyClick(w.chkSavePos, Qt::Key_Space);
  EXPECT_TRUE(w.chkSavePos->isChecked());
  key('8', kCtrl);
  EXPECT_TRUE(w.frmconfigurazione->isHidden());

  // Exit, answering Yes.
  const double left = position();
  ui().queueAnswer(ui::Answer::Yes);
  w.close();
  EXPECT_EQ(playerSetting("Brano"), page.toStdString());
  EXPECT_NEAR(std::stod(playerSetting("BranoPos")), left, 0.01);
  EXPECT_EQ(playerSetting("SavePos"), "1");
  EXPECT_EQ(playerSetting("AudioOff"), "True");
  EXPECT_TRUE(errorReports().empty()) << errorReports()[0];

  // The next start opens the page again at that position, the reader
  // still off, and lists the bookmark.
  window_.reset();
  frmBrowser& again = start();
  EXPECT_TRUE(again.chkSavePos->isChecked());
  EXPECT_TRUE(again.audioOff());
  splashTick();
  EXPECT_EQ(again.objwb->LocationURL(), page);
  waitFor([&] { return again.anaPlayer()->FileName() == audio_; }, "the page's audio", 4000);
  waitFor([&] { return std::fabs(again.anaPlayer()->CurrentPosition() - left) < 0.5; }, "the position of the exit",
          4000);
  EXPECT_FALSE(again.anaPlayer()->IsPlaying());
  ASSERT_EQ(again.ListMarkers->count(), 1);
  EXPECT_TRUE(again.ListMarkers->item(0)->text().endsWith(QStringLiteral(" - Capitolo uno")));
  EXPECT_TRUE(errorReports().empty()) << errorReports()[0];
}

}  // namespace
}  // namespace lumo::player::testing
