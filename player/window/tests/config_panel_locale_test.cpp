// The panel's numbers in a decimal-comma locale, as an Italian reader's
// desktop writes them.

#include <QLineEdit>
#include <QTest>

#include "platform/keys/keys.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/tests/commands_fixture.h"

namespace lumo::player::testing {
namespace {

using ConfigPanelLocaleTest = CommandsTest;

TEST_F(ConfigPanelLocaleTest, RateAndSkipStepAreTypedWithADecimalComma) {
  frmBrowser& w = openOn(writeFilePage("A.htm", {}));
  press('8', keys::shift::Ctrl);
  w.TextRate->selectAll();
  QTest::keyClicks(w.TextRate, QStringLiteral("1,2"));
  EXPECT_EQ(playerSetting("Rate"), "1,2");
  EXPECT_FLOAT_EQ(w.PlayerRate(), 1.2f);

  w.TextAvantiIndietro->selectAll();
  QTest::keyClicks(w.TextAvantiIndietro, QStringLiteral("2,5"));
  EXPECT_EQ(playerSetting("AvantiIndietro"), "2,5");
  at(10);
  press('1', keys::shift::Ctrl);
  EXPECT_EQ(fake()->calls(), QStringList{"controls.currentPosition=7.5"});
  at(10);
  press('2', keys::shift::Ctrl);
  EXPECT_EQ(fake()->calls(), QStringList{"controls.currentPosition=12.5"});

  // The speed keys show and store the speed in the same format.
  w.anaPlayer()->setRate(1.0f);
  press(keys::vk::OemPlus, keys::shift::Alt);
  EXPECT_EQ(osd(), QStringLiteral("Lettura più veloce - Rate 1,1"));
  EXPECT_EQ(playerSetting("Rate"), "1,1");
  press('8', keys::shift::Ctrl);
  press('8', keys::shift::Ctrl);
  EXPECT_EQ(w.TextRate->text(), QStringLiteral("1,1"));
  EXPECT_TRUE(errorReports().empty());
}

}  // namespace
}  // namespace lumo::player::testing
