// The configuration panel, the player switch and the debug frame, worked
// as the reader works them: typing into the boxes, clicking the boxes and
// buttons.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <cstdlib>

#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/tests/commands_fixture.h"

namespace lumo::player::testing {
namespace {

class ConfigPanelTest : public CommandsTest {
 protected:
  frmBrowser& openPanel() {
    frmBrowser& w = openOn(writeFilePage("A.htm", {}));
    press('8', keys::shift::Ctrl);
    EXPECT_FALSE(w.frmconfigurazione->isHidden());
    return w;
  }
  // Selects a box's text and types over it, key by key.
  static void typeOver(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClicks(box, text);
  }
};

TEST_F(ConfigPanelTest, TheSkipBoxStoresEveryNumberAndNeverStaysEmpty) {
  frmBrowser& w = openPanel();
  QStringList stored;
  QObject::connect(w.TextAvantiIndietro, &QLineEdit::textChanged,
                   [&] { stored << QString::fromStdString(playerSetting("AvantiIndietro")); });
  typeOver(w.TextAvantiIndietro, QStringLiteral("15"));
  EXPECT_EQ(stored, (QStringList{"1", "15"}));
  // Deleting all of the text puts the stored step back at once.
  w.TextAvantiIndietro->selectAll();
  QTest::keyClick(w.TextAvantiIndietro, Qt::Key_Backspace);
  EXPECT_EQ(w.TextAvantiIndietro->text(), QStringLiteral("15"));
  for (const char* noStep : {"x", "inf", "nan"}) {
    typeOver(w.TextAvantiIndietro, QString::fromLatin1(noStep));
    EXPECT_EQ(w.TextAvantiIndietro->text(), QStringLiteral("15")) << noStep;
    EXPECT_EQ(playerSetting("AvantiIndietro"), "15") << noStep;
  }

  // The step the skip keys use.
  at(40);
  press('1', keys::shift::Ctrl);
  EXPECT_EQ(fake()->calls(), QStringList{"controls.currentPosition=25"});
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(ConfigPanelTest, AStoredStepThatIsNoNumberGivesWayToTheFirstStep) {
  setPlayerSetting("AvantiIndietro", "dieci");
  frmBrowser& w = openPanel();
  w.TextAvantiIndietro->clear();
  EXPECT_EQ(w.TextAvantiIndietro->text(), QStringLiteral("10"));
  EXPECT_EQ(playerSetting("AvantiIndietro"), "10");
}

TEST_F(ConfigPanelTest, TheRateBoxStoresTheSpeedForTheNextAudioOnly) {
  frmBrowser& w = openPanel();
  at(10);
  typeOver(w.TextRate, QStringLiteral("1.2"));
  EXPECT_EQ(playerSetting("Rate"), "1.2");
  EXPECT_FLOAT_EQ(w.PlayerRate(), 1.2f);
  EXPECT_TRUE(fake()->calls().filter(QStringLiteral("settings.rate")).isEmpty()) << "the file playing keeps its speed";
  EXPECT_TRUE(errorReports().empty());
  // Text that is no number is reported at each change; the rate stays.
  typeOver(w.TextRate, QStringLiteral("x"));
  EXPECT_EQ(errorReports(), std::vector<std::string>{"TextRate_Change"});
  EXPECT_EQ(playerSetting("Rate"), "1.2");
  // So is a number beyond single precision: it would be stored as "inf"
  // and fail every later start of an audio.
  for (const char* text : {"1e39", "-1e39"}) {
    ui().clear();
    w.TextRate->setText(QString::fromUtf8(text));
    EXPECT_EQ(errorReports(), std::vector<std::string>{"TextRate_Change"}) << text;
    ASSERT_EQ(shown().size(), 1u) << text;
    EXPECT_NE(shown()[0].text.find("Codice: 6"), std::string::npos) << shown()[0].text;
    EXPECT_EQ(playerSetting("Rate"), "1.2") << text;
  }
  // The next audio starts at the stored speed.
  openPage(writeFilePage("B.htm", {.audio = "B.mp3"}));
  EXPECT_TRUE(fake()->calls().contains(QStringLiteral("settings.rate=1.2")));
}

TEST_F(ConfigPanelTest, TheVolumeBoxIsStoredAsTyped) {
  frmBrowser& w = openPanel();
  at(10);
  typeOver(w.TextVolume, QStringLiteral("forte"));
  EXPECT_EQ(playerSetting("Volume"), "forte");
  EXPECT_TRUE(fake()->calls().isEmpty()) << "the player's volume stays";
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(ConfigPanelTest, TheCheckBoxesSwitchTheReaderAndTheResume) {
  frmBrowser& w = openPanel();
  at(20);
  w.chkAudioOff->click();
  EXPECT_TRUE(w.audioOff());
  EXPECT_NE(fake()->playState(), media::ps::Playing);
  w.chkAudioOff->click();
  EXPECT_FALSE(w.audioOff());
  EXPECT_NE(fake()->playState(), media::ps::Playing) << "switching on starts nothing";
  EXPECT_EQ(playerSetting("AudioOff"), "<none>") << "only Ctrl+0 stores the switch";

  w.chkSavePos->click();
  EXPECT_EQ(playerSetting("SavePos"), "1");
  w.chkSavePos->click();
  EXPECT_EQ(playerSetting("SavePos"), "0");

  w.cmdSetupClose->click();
  EXPECT_TRUE(w.frmconfigurazione->isHidden());
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(ConfigPanelTest, ChiudiAnswersTheKeysOfAFocusedButton) {
  frmBrowser& w = openPanel();
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
    if (w.frmconfigurazione->isHidden()) press('8', keys::shift::Ctrl);
    ASSERT_FALSE(w.frmconfigurazione->isHidden());
    QTest::keyClick(w.cmdSetupClose, key);
    EXPECT_TRUE(w.frmconfigurazione->isHidden()) << "key " << key;
  }
  EXPECT_TRUE(errorReports().empty());
}

// While the panel is open Tab goes round its controls, never to the page
// under it; closing it gives the focus back where it was: the page's link,
// or the bookmark list.
TEST_F(ConfigPanelTest, TabStaysInThePanelAndClosingItGivesTheFocusBack) {
  frmBrowser& w = openOn(writeFilePage("A.htm", {.body = "<p><a href=\"B.htm\">File +</a></p>"}));
  w.show();
  QApplication::setActiveWindow(&w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  QTextBrowser* view = w.objwb->view();
  view->setFocus();
  view->moveCursor(QTextCursor::Start);
  QTest::keyClick(view, Qt::Key_Tab);
  const QString link = view->textCursor().selectedText();
  ASSERT_FALSE(link.isEmpty());

  press('8', keys::shift::Ctrl);
  ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.chkAudioOff));
  const QList<QWidget*> ring{w.chkAudioOff, w.chkSavePos,         w.TextRate,
                             w.TextVolume,  w.TextAvantiIndietro, w.cmdSetupClose};
  for (int i = 1; i <= 2 * ring.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(w.frmconfigurazione->isAncestorOf(QApplication::focusWidget())) << "Tab " << i;
  }
  EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.chkAudioOff)) << "round the panel twice";
  QTest::keyClick(w.chkAudioOff, Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.cmdSetupClose));
  QTest::keyClick(w.cmdSetupClose, Qt::Key_Space);  // "Chiudi"
  ASSERT_TRUE(w.frmconfigurazione->isHidden());
  EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(view));
  EXPECT_EQ(view->textCursor().selectedText(), link) << "on the link where the reader was";

  // Opened over the bookmark list, and closed with its own key.
  press('6', keys::shift::Alt);
  ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.ListMarkers));
  press('8', keys::shift::Ctrl);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  press('8', keys::shift::Ctrl, QApplication::focusWidget());
  ASSERT_TRUE(w.frmconfigurazione->isHidden());
  EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.ListMarkers));
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(ConfigPanelTest, SetPlayerReplacesThePlayerAndStartsTheFileAgain) {
  frmBrowser& w = openOn(writeFilePage("A.htm", {}));
  fake()->setDefaultMedium(600);
  at(300);
  media::FakeMediaControl* before = fake();
  w.SetPlayer(1);
  ASSERT_NE(fake(), before);
  EXPECT_EQ(w.anaPlayer()->Versione(), 1);
  EXPECT_EQ(w.anaPlayer()->FileName(), libroFile("A.mp3"));
  EXPECT_EQ(fake()->playState(), media::ps::Playing);
  EXPECT_EQ(fake()->currentPosition(), 0) << "from its start";
  EXPECT_EQ(playerSetting("Versione"), "1");
  EXPECT_EQ(w.commandRunner().volumeLimits().max, 100);
  EXPECT_EQ(w.commandRunner().volumeLimits().min, 0);
  EXPECT_EQ(w.commandRunner().volumeLimits().step, 10);
  EXPECT_TRUE(errorReports().empty());

  // An index with no player: the switch's own report, and the previous
  // version on the new object.
  w.SetPlayer(7);
  ASSERT_FALSE(shown().empty());
  EXPECT_NE(shown().back().text.find("Versione Media Player non supportata! Verrà reimpostata la "
                                     "versione precedente!"),
            std::string::npos);
  EXPECT_EQ(errorReports().back(), "SetPlayer");
  EXPECT_EQ(w.anaPlayer()->Versione(), 1);
  EXPECT_EQ(playerSetting("Versione"), "1");

  // The empty second slot: its own report, the switch's report, and the
  // previous version back on a working player.
  ui().clear();
  w.SetPlayer(0);
  EXPECT_EQ(errorReports(), (std::vector<std::string>{"oPl - AnaPlayer: Versione:", "SetPlayer"}));
  EXPECT_EQ(w.anaPlayer()->Versione(), 1);
  EXPECT_NE(w.anaPlayer()->currentPlayer(), nullptr);
  EXPECT_EQ(playerSetting("Versione"), "1");
}

// The panels stand over the page: a partially sighted reader must see
// the panel's own face, not the page's text running through it.
TEST_F(ConfigPanelTest, ThePanelsCoverThePageUnderThem) {
  frmBrowser& w = openOn(writeFilePage("A.htm", {}));
  w.resize(900, 600);
  QApplication::processEvents();
  press('8', keys::shift::Ctrl);
  press('D', keys::shift::Ctrl | keys::shift::Shift | keys::shift::Alt);
  for (QGroupBox* panel : {w.frmconfigurazione, w.fraDebug}) {
    ASSERT_FALSE(panel->isHidden()) << panel->objectName().toStdString();
    panel->raise();
    // On screen, the window shows the panel as the panel alone looks.
    const QImage onScreen = w.grab().toImage();
    const QImage alone = panel->grab().toImage();
    const QRect r = panel->geometry();
    // Spots just inside the panel's right edge, where it has no controls.
    for (int y : {r.height() / 3, r.height() / 2}) {
      const QPoint spot(r.width() - 5, y);
      EXPECT_EQ(onScreen.pixelColor(r.topLeft() + spot).name().toStdString(),
                alone.pixelColor(spot).name().toStdString())
          << panel->objectName().toStdString() << " at y " << y;
    }
  }
}

// Partially sighted readers read the captions: each one shows whole in the
// fonts of this machine, inside its panel, and beside the box it names.
TEST_F(ConfigPanelTest, EveryCaptionOfThePanelsShowsWhole) {
  frmBrowser& w = openPanel();
  press('D', keys::shift::Ctrl | keys::shift::Shift | keys::shift::Alt);
  w.resize(900, 600);
  w.Form_Resize();
  for (QGroupBox* panel : {w.frmconfigurazione, w.fraDebug}) {
    const std::string where = panel->objectName().toStdString();
    ASSERT_FALSE(panel->isHidden()) << where;
    int captions = 0;
    for (QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const std::string name = where + "/" + child->objectName().toStdString();
      EXPECT_TRUE(panel->rect().contains(child->geometry())) << name << " runs outside its panel";
      QString text;
      if (auto* label = qobject_cast<QLabel*>(child)) {
        text = label->text();
        // A caption beside its box ends before the box.
        if (QWidget* buddy = label->buddy(); buddy && buddy->y() == child->y()) {
          EXPECT_LE(child->geometry().right(), buddy->x()) << name << " runs over its box";
        }
      } else if (auto* button = qobject_cast<QAbstractButton*>(child)) {
        text = button->text();
      } else {
        continue;
      }
      ++captions;
      EXPECT_GE(child->width(), child->fontMetrics().horizontalAdvance(text)) << name;
      // Check boxes and buttons also need room for their box or frame.
      EXPECT_GE(child->width(), child->sizeHint().width()) << name << " \"" << text.toStdString() << "\"";
    }
    EXPECT_GE(captions, 6) << where;
  }
  // The wider panel still stands in the middle of the window.
  const QRect r = w.frmconfigurazione->geometry();
  EXPECT_LE(std::abs(r.center().x() - w.width() / 2), 1);
  EXPECT_LE(std::abs(r.center().y() - w.height() / 2), 1);
}

TEST_F(ConfigPanelTest, TheDebugFrameShowsThePlayerFileAndGoesToAnAddress) {
  frmBrowser& w = openOn(writeFilePage("A.htm", {}));
  press('D', keys::shift::Ctrl | keys::shift::Shift | keys::shift::Alt);
  ASSERT_FALSE(w.fraDebug->isHidden());
  at(5, false);
  w.cmdDebug[1]->click();
  EXPECT_EQ(fake()->calls(), QStringList{"controls.play"});
  EXPECT_EQ(w.TxtDebFilename->text(), libroFile("A.mp3"));
  w.cmdFileAudio->click();
  EXPECT_EQ(w.TextAudio->text(), libroFile("A.mp3"));
  const QString other = writeFilePage("B.htm", {.audio = "B.mp3"});
  w.TextURL->setText(other);
  w.cmdGO->click();
  EXPECT_EQ(w.objwb->LocationURL(), other);
  EXPECT_EQ(w.TextURL->text(), other) << "every address the browser opens shows there";
  EXPECT_TRUE(errorReports().empty());
}

}  // namespace
}  // namespace lumo::player::testing
