// The numbers the player stores as text, in a decimal-comma locale (this
// executable runs with LC_NUMERIC=it_IT.UTF-8).

#include <QTimer>

#include "platform/browser/webbrowser.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/tests/window_fixture.h"

namespace lumo::player::testing {
namespace {

class DecimalCommaTest : public WindowTest {};

TEST_F(DecimalCommaTest, TheRateIsStoredAndReadWithADecimalComma) {
  frmBrowser& w = openWindow();
  w.PlayerRate(1.4f);
  EXPECT_EQ(playerSetting("Rate"), "1,4");
  EXPECT_FLOAT_EQ(w.PlayerRate(), 1.4f);
  setPlayerSetting("Rate", "0,7");
  EXPECT_FLOAT_EQ(w.PlayerRate(), 0.7f);
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(DecimalCommaTest, AStoredRateThatIsNoSingleNumberIsReportedAndReadsAsZero) {
  frmBrowser& w = openWindow();
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"abc", "Tipo non corrispondente", "Codice: 13"},
      {"1.4", "Tipo non corrispondente", "Codice: 13"},  // not this locale's format
      {"1e39", "Overflow", "Codice: 6"},                 // beyond single precision
  };
  for (const auto& [stored, description, code] : cases) {
    ui().clear();
    setPlayerSetting("Rate", stored);
    EXPECT_EQ(w.PlayerRate(), 0.0f) << stored;
    EXPECT_EQ(errorReports(), std::vector<std::string>{"PlayerRate"}) << stored;
    ASSERT_EQ(shown().size(), 1u) << stored;
    EXPECT_NE(shown()[0].text.find(description), std::string::npos) << shown()[0].text;
    EXPECT_NE(shown()[0].text.find(code), std::string::npos) << shown()[0].text;
  }
}

TEST_F(DecimalCommaTest, TheExitPositionGoesAndComesBackWithADecimalComma) {
  makeZivuvuBook();
  setPlayerSetting("SavePos", "1");
  {
    frmBrowser& w = openWindow();
    splashTick();
    openPage(programAddress("LB01/A.htm", "#QENPLAYER_AUDIO_POS=95"));
    w.anaPlayer()->setCurrentPosition(12.5);
    w.show();
    ui().queueAnswer(ui::Answer::Yes);
    ASSERT_TRUE(w.close());
  }
  EXPECT_EQ(playerSetting("BranoPos"), "12,5");

  window_.reset();
  frmBrowser& w = openWindow();
  splashTick();
  EXPECT_EQ(w.objwb->LocationURL(), programAddress("LB01/A.htm", "#QENPLAYER_AUDIO_POS=95"));
  const QStringList positions = fake()->calls().filter(QStringLiteral("controls.currentPosition="));
  EXPECT_EQ(positions, (QStringList{QStringLiteral("controls.currentPosition=95"),
                                    QStringLiteral("controls.currentPosition=12.5")}));
  EXPECT_TRUE(errorReports().empty());
}

}  // namespace
}  // namespace lumo::player::testing
