// The keyboard command map: keys sent to the page view as the keyboard
// sends them, with the fake media control playing the page's audio.

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextBrowser>
#include <QTimer>
#include <functional>

#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "platform/registry/registry.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/tests/commands_fixture.h"

namespace lumo::player::testing {
namespace {

constexpr int kCtrl = 2, kAlt = 4, kShift = 1;
constexpr int kPlus = keys::vk::OemPlus, kMinus = keys::vk::OemMinus;

class KeymapTest : public CommandsTest {
 protected:
  // A page whose audio plays, with index anchors at 0, 60 and 120 s.
  frmBrowser& openPlayingPage() {
    frmBrowser& w = openOn(writeFilePage("A.htm", {.anchors = {"0", "60", "120"}}));
    fake()->setDefaultMedium(200);
    return w;
  }
  QStringList positionCalls() const { return fake()->calls().filter(QStringLiteral("controls.currentPosition=")); }
};

struct KeyCase {
  const char* what;
  double position;
  bool playing;
  int volume;  // -1: as it is
  int code;
  int shift;
  QStringList calls;  // every call the command makes on the media control
  QString message;    // "" for none
  bool stays;         // the message stays until another one replaces it
};

TEST_F(KeymapTest, PlaybackKeysActOnTheLoadedFileWithTheirExactShiftState) {
  openPlayingPage();
  const QStringList none;
  const KeyCase cases[] = {
      {"Ctrl+1 back by the step", 25, true, -1, '1', kCtrl, {"controls.currentPosition=15"}, "INDIETRO 00:15", false},
      {"Ctrl+2 forward by the step", 25, true, -1, '2', kCtrl, {"controls.currentPosition=35"}, "AVANTI 00:35", false},
      {"Ctrl+1 while paused only tells the time", 25, false, -1, '1', kCtrl, none, "INDIETRO 00:25", false},
      {"Ctrl+2 while paused only tells the time", 25, false, -1, '2', kCtrl, none, "AVANTI 00:25", false},
      {"Ctrl+6 to the start", 40, true, -1, '6', kCtrl, {"controls.currentPosition=0"}, "INIZIO 00:00", false},
      {"Ctrl+4 stops at the start",
       40,
       true,
       -1,
       '4',
       kCtrl,
       {"controls.stop", "controls.currentPosition=0"},
       "STOP 00:00",
       false},
      {"Ctrl+3 pauses; the message stays",
       65,
       true,
       -1,
       '3',
       kCtrl,
       {"controls.pause"},
       "PAUSA 01:05 premere ctrl+3",
       true},
      {"Ctrl+3 resumes", 65, false, -1, '3', kCtrl, {"controls.play"}, "PLAY 01:05", false},
      {"Ctrl+plus up to the maximum", 30, true, 95, kPlus, kCtrl, {"settings.volume=100"}, "Volume - 100", false},
      {"Ctrl+plus at the maximum", 30, true, 100, kPlus, kCtrl, {"settings.volume=100"}, "Volume - 100", false},
      {"Ctrl+minus by the step", 30, true, 50, kMinus, kCtrl, {"settings.volume=40"}, "Volume - 40", false},
      {"Ctrl+minus down to the minimum", 30, true, 5, kMinus, kCtrl, {"settings.volume=0"}, "Volume - 0", false},
      {"Ctrl+Shift+1 is no command", 25, true, -1, '1', kCtrl | kShift, none, "", false},
      {"Ctrl+Alt+1 is no command", 25, true, -1, '1', kCtrl | kAlt, none, "", false},
      {"Shift+3 is no command", 25, true, -1, '3', kShift, none, "", false},
      {"a plain digit is no command", 25, true, -1, '3', 0, none, "", false},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.volume >= 0) fake()->setVolume(c.volume);
    at(c.position, c.playing);
    press(c.code, c.shift);
    EXPECT_EQ(fake()->calls(), c.calls);
    EXPECT_EQ(osd(), c.message);
    if (!c.message.isEmpty()) {
      EXPECT_EQ(osdStays(), c.stays);
    }
  }
  // The volume keys write the panel's box, whose handler stores the volume.
  EXPECT_EQ(window_->TextVolume->text(), QStringLiteral("0"));
  EXPECT_EQ(playerSetting("Volume"), "0");
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(KeymapTest, WithoutAMediaFileOnlyThePlaybackKeysDoNothing) {
  frmBrowser& w = openOn(writeFilePage("vuota.htm", {.audio = "", .anchors = {"0", "60"}}));
  ASSERT_TRUE(w.anaPlayer()->FileName().isEmpty());
  for (int code : {int('1'), int('2'), int('3'), int('4'), kPlus, kMinus}) {
    SCOPED_TRACE(code);
    fake()->clearCalls();
    press(code, kCtrl);
    EXPECT_TRUE(fake()->calls().isEmpty());
    EXPECT_EQ(osd(), QString());
  }
  // The other commands need no file.
  press('8', kAlt);
  EXPECT_EQ(osd(), QStringLiteral("Indice avanti - Indice 1"));
  press('0', kCtrl);
  EXPECT_EQ(osd(), QStringLiteral("Lettura disattivata"));
  press('4', kAlt);
  ASSERT_FALSE(shown().empty());
  EXPECT_EQ(shown().back().title, "Cancellazione Marcatori");
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(KeymapTest, TheKeypadsKeysAreNoCommands) {
  openPlayingPage();
  fake()->setVolume(50);
  at(30);
  QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, QStringLiteral("+"));
  QApplication::sendEvent(window_->objwb->view(), &plus);
  QKeyEvent three(QEvent::KeyPress, Qt::Key_3, Qt::ControlModifier | Qt::KeypadModifier, QStringLiteral("3"));
  QApplication::sendEvent(window_->objwb->view(), &three);
  EXPECT_TRUE(fake()->calls().isEmpty());
  EXPECT_EQ(osd(), QString());
}

TEST_F(KeymapTest, TheSkipStepLoadsTheNeighbourAudioAtTheEdgesOfAFile) {
  writeAudio(program_ / "LB01" / "uno.mp3", 1);
  writeAudio(program_ / "LB01" / "due.mp3", 1);
  const QString two = writePage(program_ / "LB01" / "due.htm",
                                "<html><head><meta name=\"QENPLAYER_AUDIO\" content=\"uno.mp3\">"
                                "<meta name=\"QENPLAYER_AUDIO_1\" content=\"due.mp3\">"
                                "</head><body>due</body></html>");
  frmBrowser& w = openOn(two);
  const QString uno = QString::fromStdString((program_ / "LB01" / "uno.mp3").string());
  const QString due = QString::fromStdString((program_ / "LB01" / "due.mp3").string());

  // In the page's first audio there is none before it: back to its start.
  at(8);
  press('1', kCtrl);
  EXPECT_EQ(positionCalls(), QStringList{"controls.currentPosition=0"});
  EXPECT_EQ(w.anaPlayer()->FileName(), uno);
  EXPECT_EQ(osd(), QStringLiteral("INDIETRO 00:00"));

  // In the second audio, within the step of its start: the end part of the
  // first one.
  fake()->endMedium();
  waitFor([&] { return w.anaPlayer()->FileName() == due; }, "the second audio");
  at(8);
  press('1', kCtrl);
  EXPECT_EQ(w.anaPlayer()->FileName(), uno);
  EXPECT_EQ(positionCalls().last(), QStringLiteral("controls.currentPosition=50"));
  EXPECT_EQ(osd(), QStringLiteral("INDIETRO 00:50"));

  // A step longer than the position: the previous audio rather than before 0.
  fake()->endMedium();
  waitFor([&] { return w.anaPlayer()->FileName() == due; }, "the second audio again");
  w.TextAvantiIndietro->setText(QStringLiteral("30"));
  at(25);
  press('1', kCtrl);
  EXPECT_EQ(w.anaPlayer()->FileName(), uno);
  EXPECT_EQ(positionCalls().last(), QStringLiteral("controls.currentPosition=30"));

  // Within the last step of the last audio, with no page after it: the
  // last three seconds, still playing.
  fake()->endMedium();
  waitFor([&] { return w.anaPlayer()->FileName() == due; }, "the second audio once more");
  w.TextAvantiIndietro->setText(QStringLiteral("10"));
  at(55);
  press('2', kCtrl);
  EXPECT_EQ(positionCalls().last(), QStringLiteral("controls.currentPosition=57"));
  EXPECT_EQ(fake()->playState(), media::ps::Playing);
  EXPECT_EQ(osd(), QStringLiteral("AVANTI 00:57"));
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(KeymapTest, TheSkipKeysReadTheStepOnlyWhenTheyMoveAndReportTheirOwnFailure) {
  frmBrowser& w = openPlayingPage();
  {
    // A step the keys cannot use, whatever the panel's own handler does
    // with such a text.
    const QSignalBlocker quiet(w.TextAvantiIndietro);
    w.TextAvantiIndietro->setText(QStringLiteral("dieci"));
  }
  struct Case {
    int key;
    bool playing;
    const char* message;  // "" for none
    std::vector<std::string> reports;
  } const cases[] = {
      // Paused: the step is not needed, the time is told.
      {'1', false, "INDIETRO 00:25", {}},
      {'2', false, "AVANTI 00:25", {}},
      // Playing: the step is needed; each key reports under its own label
      // and ends without its message.
      {'1', true, "", {"Form_KeyDown Indietro - Form KeyDown: inizializzazione"}},
      {'2', true, "", {"Form_KeyDown Avanti - Form KeyDown: inizializzazione"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("Ctrl+") + char(c.key) + (c.playing ? " playing" : " paused"));
    ui().clear();
    at(25, c.playing);
    press(c.key, kCtrl);
    EXPECT_EQ(osd(), QString::fromUtf8(c.message));
    EXPECT_TRUE(positionCalls().isEmpty());
    EXPECT_EQ(errorReports(), c.reports);
  }
}

TEST_F(KeymapTest, ForwardAtTheEndOfAPageOpensTheNextPage) {
  const QString next = writeFilePage("B.htm", {.audio = "B.mp3"});
  frmBrowser& w = openOn(writeFilePage("A.htm", {.next = "B.htm"}));
  at(55);
  press('2', kCtrl);
  waitFor([&] { return w.objwb->LocationURL() == next; }, "the next page");
  waitFor([&] { return w.anaPlayer()->FileName() == libroFile("B.mp3"); }, "its audio");
}

TEST_F(KeymapTest, SpeedKeysStepAndWrapInSinglePrecisionAndAreStored) {
  frmBrowser& w = openPlayingPage();
  auto pressTimes = [&](int code, int shift, int times) {
    for (int i = 0; i < times; ++i) press(code, shift);
    return osd();
  };
  // Faster from 1 reaches 2 after ten steps; the next one wraps to 0.5.
  EXPECT_EQ(pressTimes(kPlus, kAlt, 1), QStringLiteral("Lettura più veloce - Rate 1.1"));
  EXPECT_EQ(playerSetting("Rate"), "1.1");
  EXPECT_EQ(pressTimes(kPlus, kAlt, 9), QStringLiteral("Lettura più veloce - Rate 2"));
  EXPECT_EQ(pressTimes(kPlus, kAlt, 1), QStringLiteral("Lettura più veloce - Rate 0.5"));
  EXPECT_EQ(playerSetting("Rate"), "0.5");

  // Slower from 1: the single reached near 0.6 lies just below it, so the
  // fifth step wraps to 2.
  w.anaPlayer()->setRate(1.0f);
  EXPECT_EQ(pressTimes(kMinus, kAlt, 3), QStringLiteral("Lettura più lenta - Rate 0.6999999"));
  EXPECT_EQ(pressTimes(kMinus, kAlt, 1), QStringLiteral("Lettura più lenta - Rate 0.5999999"));
  EXPECT_EQ(pressTimes(kMinus, kAlt, 1), QStringLiteral("Lettura più lenta - Rate 2"));
  EXPECT_EQ(w.anaPlayer()->Rate(), 2.0f);

  // The three speeds of Ctrl+9; a speed near 1.4 reached by steps is not 1.4.
  w.anaPlayer()->setRate(1.0f);
  EXPECT_EQ(pressTimes('9', kCtrl, 1), QStringLiteral("Lettura veloce - Rate 1.4"));
  EXPECT_EQ(pressTimes('9', kCtrl, 1), QStringLiteral("Lettura lenta - Rate 0.7"));
  EXPECT_EQ(pressTimes('9', kCtrl, 1), QStringLiteral("Lettura normale - Rate 1"));
  EXPECT_EQ(playerSetting("Rate"), "1");
  pressTimes(kPlus, kAlt, 4);
  EXPECT_EQ(osd(), QStringLiteral("Lettura più veloce - Rate 1.4"));
  EXPECT_EQ(pressTimes('9', kCtrl, 1), QStringLiteral("Lettura normale - Rate 1"));
  EXPECT_TRUE(errorReports().empty());
}

// Which entry each key reaches is the core's (player/core/tests); here the
// window opens it and tells it.
TEST_F(KeymapTest, IndexKeysOpenTheEntryTheyMoveTo) {
  frmBrowser& w = openPlayingPage();
  const QString page = w.objwb->LocationURL();
  at(70);
  press('8', kAlt);
  EXPECT_EQ(osd(), QStringLiteral("Indice avanti - Indice 3"));
  waitFor([&] { return w.objwb->LocationURL() == page + "#QENPLAYER_AUDIO_POS=120"; }, "the entry");

  // A page of another name starts its entries again.
  const QString other = writeFilePage("B.htm", {.anchors = {"0", "60", "120"}});
  openPage(other);
  at(130);
  press('7', kAlt);
  EXPECT_EQ(osd(), QStringLiteral("Indice indietro - Indice 2"));
  waitFor([&] { return w.objwb->LocationURL() == other + "#QENPLAYER_AUDIO_POS=60"; }, "the entry before the last");

  // The ends are told and the page stays.
  const QString none = writeFilePage("nessuna.htm", {});
  openPage(none);
  at(30);
  press('8', kAlt);
  EXPECT_EQ(osd(), QStringLiteral("Indice avanti - Raggiunta la fine "));
  press('7', kAlt);
  EXPECT_EQ(osd(), QStringLiteral("Indice indietro - Raggiunto l'inizio "));
  QApplication::processEvents();
  EXPECT_EQ(w.objwb->LocationURL(), none);
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(KeymapTest, StyleKeyCyclesTheInstalledSheetsAndReloadsAtTheFragment) {
  frmBrowser& w = openOn(writeFilePage("A.htm", {.anchors = {"0", "60"}}));
  const QString atEntry = w.objwb->LocationURL() + QStringLiteral("#QENPLAYER_AUDIO_POS=60");
  openPage(atEntry);
  at(80);
  for (const char* expected : {"2", "3", "1", "2"}) {
    SCOPED_TRACE(expected);
    int completed = 0;
    auto counting = QObject::connect(w.objwb, &browser::WebBrowser::DocumentComplete,
                                     [&completed](const QString&) { ++completed; });
    fake()->clearCalls();
    press('9', kAlt);
    waitFor([&] { return completed > 0; }, "the page again");
    QObject::disconnect(counting);
    EXPECT_EQ(osd(), QStringLiteral("Stile ") + QLatin1String(expected));
    EXPECT_EQ(playerSetting("StyleSheet"), expected);
    // The page's audio starts again at the fragment's position.
    EXPECT_TRUE(positionCalls().contains(QStringLiteral("controls.currentPosition=60")))
        << fake()->calls().join(' ').toStdString();
    bool linked = false;
    for (const auto& sheet : w.objwb->Document().styleSheets())
      linked =
          linked || QString::fromStdString(sheet.href)
                        .endsWith(QStringLiteral("/Style%1.css").arg(QLatin1String(expected)), Qt::CaseInsensitive);
    EXPECT_TRUE(linked);
  }
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(KeymapTest, PageKeysOpenThePagesTheMetaTagsName) {
  const QString prev = writeFilePage("P.htm", {.audio = "P.mp3"});
  const QString next = writeFilePage("N.htm", {.audio = "N.mp3"});
  const QString page = writeFilePage("A.htm", {.prev = "P.htm", .next = "N.htm"});

  // Without a file only the page's command runs.
  frmBrowser& w = openOn(writeFilePage("S.htm", {.audio = "", .prev = "P.htm"}));
  ASSERT_TRUE(w.anaPlayer()->FileName().isEmpty());
  press('6', kCtrl);
  EXPECT_EQ(osd(), QStringLiteral("File precedente"));
  waitFor([&] { return w.objwb->LocationURL() == prev; }, "the previous page");

  openPage(page);
  press('7', kCtrl);
  EXPECT_EQ(osd(), QStringLiteral("File successivo"));
  waitFor([&] { return w.objwb->LocationURL() == next; }, "the next page");

  // Ctrl+6 with a file loaded: the previous page, and the rewind of the
  // file playing, whose message replaces the page's.
  openPage(page);
  at(40);
  press('6', kCtrl);
  EXPECT_EQ(osd(), QStringLiteral("INIZIO 00:00"));
  EXPECT_TRUE(fake()->calls().contains(QStringLiteral("controls.currentPosition=0")));
  waitFor([&] { return w.objwb->LocationURL() == prev; }, "the previous page again");

  // A page without the meta tags: nothing.
  openPage(writeFilePage("X.htm", {.audio = ""}));
  w.frmOSD->hide();
  press('7', kCtrl);
  EXPECT_EQ(osd(), QString());
}

TEST_F(KeymapTest, HelpHomeReaderAndPanelKeys) {
  frmBrowser& w = openPlayingPage();
  const QString page = w.objwb->LocationURL();
  // F1 with any shift state opens the help page, and nothing else runs.
  press(keys::vk::F1, kCtrl | kShift | kAlt);
  EXPECT_TRUE(w.objwb->LocationURL().endsWith(QStringLiteral("/Include/HELP.htm")))
      << w.objwb->LocationURL().toStdString();
  EXPECT_TRUE(w.fraDebug->isHidden());
  openPage(page);

  press(keys::vk::LetterA + ('I' - 'A'), kCtrl);
  EXPECT_EQ(w.objwb->LocationURL(), programAddress("Index.htm"));
  openPage(page);

  at(20);
  press('0', kCtrl);
  EXPECT_EQ(osd(), QStringLiteral("Lettura disattivata"));
  EXPECT_TRUE(w.audioOff());
  EXPECT_TRUE(w.chkAudioOff->isChecked());
  EXPECT_EQ(playerSetting("AudioOff"), "True");
  EXPECT_NE(fake()->playState(), media::ps::Playing);
  press('0', kCtrl);
  EXPECT_EQ(osd(), QStringLiteral("Lettura attiva"));
  EXPECT_EQ(playerSetting("AudioOff"), "False");
  EXPECT_NE(fake()->playState(), media::ps::Playing) << "switching on does not start playback";

  setPlayerSetting("Rate", "1.3");
  press('8', kCtrl);
  EXPECT_EQ(osd(), QStringLiteral("Pannello configurazione"));
  EXPECT_FALSE(w.frmconfigurazione->isHidden());
  EXPECT_EQ(w.TextRate->text(), QStringLiteral("1.3"));
  press('8', kCtrl, w.TextRate);
  EXPECT_TRUE(w.frmconfigurazione->isHidden());

  // Ctrl+Shift+Alt with any key but F1 shows and hides the debug frame.
  press('5', kCtrl | kShift | kAlt);
  EXPECT_FALSE(w.fraDebug->isHidden());
  press(keys::vk::LetterA, kCtrl | kShift | kAlt);
  EXPECT_TRUE(w.fraDebug->isHidden());
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(KeymapTest, BookmarkKeysWithAnEmptyListSayThereAreNone) {
  frmBrowser& w = openPlayingPage();
  struct Case {
    int key;
    const char* title;
  } const cases[] = {{'1', "Marcatore Precedente"},
                     {'2', "Marcatore Successivo"},
                     {'4', "Cancellazione Marcatori"},
                     {'6', "Elenco Marcatori"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    ui().clear();
    at(30);
    press(c.key, kAlt);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].text, "Non ci sono marcatori presenti.");
    EXPECT_EQ(shown()[0].title, c.title);
    EXPECT_EQ(shown()[0].style, ui::mb::OKOnly);
  }
  // The list paused playback and opens all the same, empty, so that its
  // export and import buttons can be reached; Esc resumes.
  EXPECT_EQ(fake()->calls(), (QStringList{"controls.pause"}));
  EXPECT_TRUE(w.objwb->isHidden());
  EXPECT_FALSE(w.fraMarcatori->isHidden());
  EXPECT_TRUE(w.commandRunner().paused().wasPlaying);
  press(keys::vk::Escape, 0, w.ListMarkers);
  EXPECT_FALSE(w.objwb->isHidden());
  EXPECT_EQ(fake()->playState(), media::ps::Playing);
}

TEST_F(KeymapTest, AddBookmarkAsksForADescriptionAndResumes) {
  frmBrowser& w = openPlayingPage();
  at(65);
  QString title;
  answerInputBox(QStringLiteral("  Capitolo primo  "), &title);
  press('3', kAlt);
  EXPECT_EQ(title, QStringLiteral("Scrivi il segnalibro 01:05 (mm:ss)"));
  EXPECT_EQ(rows(), QStringList{QStringLiteral("01:05\t - Capitolo primo")});
  EXPECT_EQ(sectionValues("LB01\\A.HTM"),
            (std::map<std::string, std::string>{{"1", "65"}, {"1NOME", "Capitolo primo"}, {"1NOMEAUDIO", "A.mp3"}}));
  // Paused for the question, then the same file again at the same place.
  EXPECT_EQ(fake()->calls().first(), QStringLiteral("controls.pause"));
  EXPECT_TRUE(fake()->calls().contains(QStringLiteral("controls.currentPosition=65")));
  EXPECT_EQ(fake()->playState(), media::ps::Playing);
  EXPECT_TRUE(w.commandRunner().paused().wasPlaying);

  // Cancelled: nothing added, and reading goes on.
  at(70);
  answerInputBox(std::nullopt);
  press('3', kAlt);
  EXPECT_EQ(rows().size(), 1);
  EXPECT_EQ(fake()->playState(), media::ps::Playing);

  // The summary page takes no bookmarks.
  writePage(program_ / "Index.htm", "<html><head><title>Sommario</title></head><body>s</body></html>");
  openPage(programAddress("Index.htm"));
  ui().clear();
  press('3', kAlt);
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Non è possibile inserire segnalibri nella pagina del sommario.");
  EXPECT_EQ(shown()[0].title, "LumoPlayer");  // the program's title
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(KeymapTest, NextAndPreviousBookmarkKeysRecallInListOrder) {
  for (int n = 1; n <= 3; ++n)
    storeMarker("LB01\\A.HTM", n, std::to_string(10 * n), "Segno " + std::to_string(n), "A.mp3");
  frmBrowser& w = openPlayingPage();
  ASSERT_EQ(rows().size(), 3);
  struct Step {
    int key;
    const char* message;
    int position;
  } const steps[] = {
      {'2', "Segno 1", 10}, {'2', "Segno 2", 20}, {'2', "Segno 3", 30}, {'2', "Segno 3", 30},
      {'1', "Segno 2", 20}, {'1', "Segno 1", 10}, {'1', "Segno 1", 10},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.message);
    at(100);
    press(s.key, kAlt);
    EXPECT_EQ(osd(), QString::fromUtf8(s.message));
    EXPECT_EQ(positionCalls().last(), "controls.currentPosition=" + QString::number(s.position));
  }
  // With none chosen yet, Alt+1 takes the first too.
  openPage(w.objwb->LocationURL());
  press('1', kAlt);
  EXPECT_EQ(osd(), QStringLiteral("Segno 1"));
}

TEST_F(KeymapTest, DeleteAllBookmarksAsksFirst) {
  storeMarker("LB01\\A.HTM", 1, "10", "Uno", "A.mp3");
  storeMarker("LB01\\A.HTM", 2, "20", "Due", "A.mp3");
  openPlayingPage();
  ui().queueAnswer(ui::Answer::No);
  press('4', kAlt);
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Sei sicuro di voler cancellare tutti i marcatori?");
  EXPECT_EQ(shown()[0].title, "MediaPlayer");
  EXPECT_EQ(shown()[0].buttons(), ui::mb::YesNo);
  EXPECT_EQ(rows().size(), 2);
  ui().queueAnswer(ui::Answer::Yes);
  press('4', kAlt);
  EXPECT_TRUE(rows().isEmpty());
  EXPECT_TRUE(sectionValues("LB01\\A.HTM").empty());
}

TEST_F(KeymapTest, TheBookmarkListOpensClosesAndEscResumesWhereReadingStopped) {
  storeMarker("LB01\\A.HTM", 1, "10", "Uno", "A.mp3");
  frmBrowser& w = openPlayingPage();
  at(45);
  press('6', kAlt);
  EXPECT_TRUE(w.objwb->isHidden());
  EXPECT_FALSE(w.fraMarcatori->isHidden());
  EXPECT_EQ(fake()->calls(), QStringList{"controls.pause"});
  EXPECT_EQ(w.ListMarkers->currentRow(), 0);

  // Alt+6 again: the page, and playback goes on.
  fake()->clearCalls();
  press('6', kAlt, w.ListMarkers);
  EXPECT_FALSE(w.objwb->isHidden());
  EXPECT_TRUE(w.fraMarcatori->isHidden());
  EXPECT_EQ(fake()->calls(), QStringList{"controls.play"});
  EXPECT_FALSE(w.commandRunner().paused().wasPlaying);

  // Esc: the same file again at the position where the list paused it.
  press('6', kAlt);
  fake()->clearCalls();
  press(keys::vk::Escape, 0, w.ListMarkers);
  EXPECT_FALSE(w.objwb->isHidden());
  EXPECT_TRUE(w.fraMarcatori->isHidden());
  EXPECT_TRUE(fake()->calls().contains("URL=" + libroFile("A.mp3")));
  EXPECT_TRUE(fake()->calls().contains(QStringLiteral("controls.currentPosition=45")));
  EXPECT_EQ(fake()->playState(), media::ps::Playing);
  // Esc with the list closed is no command.
  fake()->clearCalls();
  press(keys::vk::Escape, 0);
  EXPECT_TRUE(fake()->calls().isEmpty());

  // "Chiudi" closes the list as Esc does.
  at(45);
  press('6', kAlt);
  fake()->clearCalls();
  w.cmdImpExp[4]->click();
  EXPECT_TRUE(w.fraMarcatori->isHidden());
  EXPECT_FALSE(w.objwb->isHidden());
  EXPECT_TRUE(fake()->calls().contains(QStringLiteral("controls.currentPosition=45")));
  EXPECT_EQ(fake()->playState(), media::ps::Playing);
}

}  // namespace
}  // namespace lumo::player::testing
