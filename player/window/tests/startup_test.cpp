// The main window's start-up, the splash tick that opens the first book
// page, and the exit question, over Zivuvu's pages with the fake media
// control.

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include "platform/browser/webbrowser.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/tests/window_fixture.h"

namespace lumo::player::testing {
namespace {

using ui::Answer;

class StartupTest : public WindowTest {};

TEST_F(StartupTest, NoSettingsGiveTheDefaultsAndTheTickOpensTheHomePage) {
  makeZivuvuBook();
  frmBrowser& w = openWindow();

  EXPECT_TRUE(shown().empty()) << "no question and no report at a first start";
  EXPECT_FALSE(w.chkSavePos->isChecked());
  EXPECT_EQ(w.pageLoad().styleNumber(), 1);
  EXPECT_EQ(w.TextAvantiIndietro->text(), QStringLiteral("10"));
  EXPECT_EQ(w.TextVolume->text(), QStringLiteral("100"));
  ASSERT_TRUE(w.anaPlayer());
  EXPECT_EQ(w.anaPlayer()->Versione(), 1);
  EXPECT_EQ(playerSetting("Versione"), "1") << "the switch to version 1 stores it";
  EXPECT_EQ((std::array<int, 3>{w.commandRunner().volumeLimits().max, w.commandRunner().volumeLimits().min,
                                w.commandRunner().volumeLimits().step}),
            (std::array<int, 3>{100, 0, 10}));
  EXPECT_TRUE(fake()->calls().contains(QStringLiteral("settings.volume=100")));
  EXPECT_FALSE(w.audioOff());
  EXPECT_FALSE(w.chkAudioOff->isChecked());
  EXPECT_EQ(w.homeUrl(), QString::fromStdString((program_ / "Index.htm").string()));

  // The about page is in the blank document while the splash runs.
  EXPECT_EQ(w.objwb->LocationURL(), QStringLiteral("about:blank"));
  EXPECT_NE(w.objwb->Document().body().innerHTML().find("LumoPlayer 4.1"), std::string::npos);
  EXPECT_TRUE(w.TimerSpalsh->isActive());
  EXPECT_EQ(w.TimerSpalsh->interval(), 5000);

  splashTick();
  EXPECT_FALSE(w.TimerSpalsh->isActive()) << "the splash ticks once";
  EXPECT_EQ(w.objwb->LocationURL(), programAddress("index.htm"));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Indice interattivo dell'opera"));
  EXPECT_FALSE(w.pageLoad().resumePending());
}

TEST_F(StartupTest, AStartByZivuvuShowsTheWindowMaximised) {
  for (const char* state : {"maximised", "normal"}) {
    ::setenv("LUMO_WINDOW_STATE", state, 1);
    window_.reset();
    frmBrowser& w = openWindow();
    w.showAsStarted();
    EXPECT_EQ(w.isMaximized(), std::string(state) == "maximised") << state;
    EXPECT_TRUE(w.isVisible());
  }
  ::unsetenv("LUMO_WINDOW_STATE");
}

TEST_F(StartupTest, TheAboutPageStaysAtLeast1500Milliseconds) {
  const std::pair<const char*, int> cases[] = {{"1500", 1500},   {"800", 1500}, {"1501", 1501},
                                               {"12000", 12000}, {"abc", 1500}, {"", 1500}};
  for (const auto& [stored, interval] : cases) {
    setPlayerSetting("TempoSp", stored);
    window_.reset();
    frmBrowser& w = openWindow();
    EXPECT_EQ(w.TimerSpalsh->interval(), interval) << "TempoSp \"" << stored << "\"";
  }
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(StartupTest, AnotherStoredVersionAsksTheVersionQuestion) {
  struct Case {
    const char* stored;
    Answer answer;
    int version;
    const char* storedAfter;
    int volumeMin;
  };
  const Case cases[] = {
      {"0", Answer::Yes, 1, "1", 0},  // Yes: version 1, stored by the switch
      {"2", Answer::Yes, 1, "1", 0},
      // No: the empty second slot reports its failure once, and the retry
      // loads version 1 (stored by the switch), so a player always works.
      {"0", Answer::No, 1, "1", 0},
      {"2", Answer::No, 1, "1", 0},
  };
  for (const Case& c : cases) {
    setPlayerSetting("Versione", c.stored);
    ui().clear();
    ui().queueAnswer(c.answer);
    window_.reset();
    frmBrowser& w = openWindow();
    ASSERT_FALSE(shown().empty()) << c.stored;
    EXPECT_EQ(shown()[0].text,
              "Versione 9 trovata! Per un corretto funzionamento è consigliato passare alla "
              "versione 9 (CTRL+7). Vuoi passare alla versione 9?");
    EXPECT_EQ(shown()[0].buttons(), ui::mb::YesNo);
    const std::vector<std::string> expectedReports =
        c.answer == Answer::No ? std::vector<std::string>{"oPl - AnaPlayer: Versione:"} : std::vector<std::string>{};
    EXPECT_EQ(errorReports(), expectedReports) << c.stored;
    EXPECT_EQ(w.anaPlayer()->Versione(), c.version) << c.stored;
    ASSERT_NE(w.anaPlayer()->currentPlayer(), nullptr) << c.stored;
    EXPECT_EQ(playerSetting("Versione"), c.storedAfter) << c.stored;
    EXPECT_EQ(w.commandRunner().volumeLimits().min, c.volumeMin) << c.stored;
    EXPECT_TRUE(w.TimerSpalsh->isActive());
  }
}

TEST_F(StartupTest, ASettingThatIsNoWholeNumberEndsTheLoadBeforeThePlayer) {
  const std::pair<const char*, const char*> cases[] = {
      {"SavePos", "sì"}, {"StyleSheet", "due"}, {"Versione", "uno"}, {"Versione", "99999"}};
  for (const auto& [key, stored] : cases) {
    setPlayerSetting(key, stored);
    ui().clear();
    window_.reset();
    frmBrowser& w = openWindow();
    const std::vector<std::string> reports = errorReports();
    ASSERT_FALSE(reports.empty()) << key;
    EXPECT_EQ(reports[0], "Form Load - Form Load: caricamento settings") << key << " " << stored;
    for (const ui::MessageBoxRequest& box : shown())
      EXPECT_EQ(box.text.find("Versione 9 trovata!"), std::string::npos) << key << ": no question";
    EXPECT_FALSE(w.anaPlayer()) << key;
    EXPECT_FALSE(w.TimerSpalsh->isActive()) << key << ": no book page opens by itself";
    EXPECT_NE(w.objwb->Document().body().innerHTML().find("LumoPlayer 4.1"), std::string::npos)
        << key << ": the about page stays";
    setPlayerSetting(key, key == std::string("SavePos") ? "0" : "1");
  }
}

// The reader's last page in a work folder whose name has a blank.
class ResumeTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    makeZivuvuBook("LB 01");
  }
};

TEST_F(ResumeTest, TheSavedPageReopensOnlyWhenItsFileExists) {
  const QString page = programAddress("LB 01/B.htm");
  ASSERT_TRUE(page.contains(QStringLiteral("LB%2001")));
  struct Case {
    const char* savePos;
    QString brano;
    QString opened;
  };
  const QString home = programAddress("index.htm");
  const Case cases[] = {
      {"1", page + QStringLiteral("#QENPLAYER_AUDIO_POS=20"), page + QStringLiteral("#QENPLAYER_AUDIO_POS=20")},
      {"1", page, page},
      {"1", page + QStringLiteral("?lettura=1#QENPLAYER_AUDIO_POS=20"),
       page + QStringLiteral("?lettura=1#QENPLAYER_AUDIO_POS=20")},
      {"1", QStringLiteral("about:blank"), home},
      {"1", QString(), home},
      {"1", programAddress("LB 01/Z.htm#QENPLAYER_AUDIO_POS=20"), home},  // the file was deleted
      {"0", page, home},
  };
  for (const Case& c : cases) {
    setPlayerSetting("SavePos", c.savePos);
    setPlayerSetting("Brano", c.brano.toStdString());
    setPlayerSetting("BranoPos", "42");
    window_.reset();
    frmBrowser& w = openWindow();
    splashTick();
    EXPECT_EQ(w.objwb->LocationURL(), c.opened) << c.savePos << " " << c.brano.toStdString();
    const bool resumed = c.opened != home;
    // The position of the last exit comes after the page's own, once.
    const QStringList calls = fake()->calls().filter(QStringLiteral("controls.currentPosition="));
    if (resumed) {
      ASSERT_FALSE(calls.isEmpty()) << c.brano.toStdString();
      EXPECT_EQ(calls.last(), QStringLiteral("controls.currentPosition=42"));
    } else {
      EXPECT_TRUE(calls.isEmpty()) << c.brano.toStdString();
    }
    EXPECT_FALSE(w.pageLoad().resumePending());
  }
  EXPECT_TRUE(errorReports().empty());
}

class ExitTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    makeZivuvuBook();
  }
  // Opens a file page with the audio at 12.5 s and shows the window.
  frmBrowser& readingWindow(const char* savePos) {
    setPlayerSetting("SavePos", savePos);
    frmBrowser& w = openWindow();
    splashTick();
    openPage(programAddress("LB01/A.htm", "#QENPLAYER_AUDIO_POS=0"));
    w.anaPlayer()->setCurrentPosition(12.5);
    w.show();
    return w;
  }
};

TEST_F(ExitTest, NoKeepsTheWindowAndSavesNothing) {
  frmBrowser& w = readingWindow("1");
  ui().queueAnswer(Answer::No);
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Sei sicuro di voler uscire?");
  EXPECT_EQ(shown()[0].title, "LUMO Player");
  EXPECT_EQ(shown()[0].buttons(), ui::mb::YesNo);
  EXPECT_EQ(playerSetting("Brano"), "<none>");
  EXPECT_EQ(playerSetting("BranoPos"), "<none>");
  EXPECT_TRUE(w.anaPlayer());
}

TEST_F(ExitTest, YesSavesThePageAndPositionOnlyWhenTheReaderResumes) {
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"1", programAddress("LB01/A.htm", "#QENPLAYER_AUDIO_POS=0").toStdString(), "12.5"},
      {"0", "", ""},
  };
  for (const auto& [savePos, brano, position] : cases) {
    window_.reset();
    ui().clear();
    frmBrowser& w = readingWindow(savePos);
    ui().queueAnswer(Answer::Yes);
    EXPECT_TRUE(w.close()) << savePos;
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.anaPlayer()) << "the player goes with the window";
    EXPECT_EQ(playerSetting("Brano"), brano);
    EXPECT_EQ(playerSetting("BranoPos"), position);
  }
}

}  // namespace
}  // namespace lumo::player::testing
