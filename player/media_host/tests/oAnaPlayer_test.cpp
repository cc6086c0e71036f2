// The player object: version choice, forwarding, its events and its reports.

#include <gtest/gtest.h>

#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>

#include "common/errors/errors.h"
#include "player/media_host/frmWMP9.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/media_host/tests/media_host_fixture.h"
#include "testsupport/common/test_files.h"
#include "testsupport/fake_media_control.h"
#include "testsupport/test_media.h"

namespace lumo::player {
namespace {

namespace ps = media::ps;
using testing::ScriptedDialogs;

constexpr int kLimit = 20000;

class PlayerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(dialogs.reportedLabels(), QStringList());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // A player of version 1 on a fake control.
  std::unique_ptr<oAnaPlayer> fakePlayer() {
    auto player = std::make_unique<oAnaPlayer>();
    player->setVersione(1);
    return player;
  }
  ScriptedDialogs dialogs;
  media::FakeMediaFactory fakes;
};

TEST_F(PlayerTest, WithoutAPlayerEveryMemberReportsItsOwnFailure) {
  oAnaPlayer player;
  EXPECT_EQ(player.Versione(), 0);
  EXPECT_EQ(player.currentPlayer(), nullptr);
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"oPl - Get Rate", [&] { EXPECT_EQ(player.Rate(), 0.0f); }},
      {"oPl - Let Rate", [&] { player.setRate(1.2f); }},
      {"oPl - Get AutoStart", [&] { EXPECT_FALSE(player.AutoStart()); }},
      {"oPl - Let AutoStart", [&] { player.setAutoStart(true); }},
      {"oPl - Let FullScreen", [&] { player.setFullScreen(true); }},
      {"oPl - Get FullScreen", [&] { EXPECT_FALSE(player.FullScreen()); }},
      {"oPl - Get AudioOff", [&] { EXPECT_FALSE(player.AudioOff()); }},
      {"oPl - Let AudioOff", [&] { player.setAudioOff(true); }},
      {"oPl - Get FileName", [&] { EXPECT_EQ(player.FileName(), QString()); }},
      {"oPl - Let FileName", [&] { player.setFileName("/b/one.mp3"); }},
      {"oPl - Stop_Player", [&] { player.Stop_Player(); }},
      {"oPl - Play_Player", [&] { player.Play_Player(); }},
      // Its own FileName reads empty (and reports why): the position is 0.
      {"oPl - Get FileName", [&] { EXPECT_EQ(player.CurrentPosition(), 0); }},
      {"oPl - Let CurrentPosition", [&] { player.setCurrentPosition(3); }},
      {"oPl - Get Duration", [&] { EXPECT_FALSE(player.Duration().isValid()); }},
      {"oPl - StopPlay", [&] { player.StopPlay(); }},
      {"oPl - Get Volume", [&] { EXPECT_FALSE(player.Volume().isValid()); }},
      {"oPl - Let Volume", [&] { player.setVolume(40); }},
      {"oPl - IsPlaying", [&] { EXPECT_FALSE(player.IsPlaying()); }},
      {"oPl - Pause_Player", [&] { player.Pause_Player(); }},
  };
  for (const auto& [expected, call] : cases) {
    dialogs.clear();
    call();
    EXPECT_EQ(dialogs.reportedLabels(), QStringList{expected}) << expected;
    for (const auto& shown : dialogs.backend().shown())
      EXPECT_NE(shown.text.find("Codice: 91"), std::string::npos) << expected;
  }
  dialogs.clear();
  EXPECT_FALSE(player.Versione9Presente());
  EXPECT_EQ(dialogs.reportedLabels(), QStringList()) << "the probe reports nothing";
}

TEST_F(PlayerTest, VersionOneLoadsTheHostWindowHidden) {
  auto player = fakePlayer();
  ASSERT_NE(player->o9(), nullptr);
  EXPECT_EQ(player->currentPlayer(), player->o9());
  EXPECT_FALSE(player->o9()->isVisible());
  EXPECT_EQ(player->o9()->WMP->uiMode(), "mini") << "its load ran";
  EXPECT_TRUE(player->Versione9Presente());

  // Another number is kept, and leaves the player as it is.
  frmWMP9* host = player->o9();
  player->setRate(1.2f);
  player->setVersione(5);
  EXPECT_EQ(player->Versione(), 5);
  EXPECT_EQ(player->currentPlayer(), host);
  EXPECT_EQ(player->Rate(), 0.0f) << "no rate for another version";
  player->setRate(2.0f);
  EXPECT_EQ(host->Rate(), 1.2f);
  player->setVolume(30);
  EXPECT_EQ(player->Volume(), QVariant(30)) << "the rest still forwards";
}

TEST_F(PlayerTest, PlayFileChangeOnlyForADifferentNameCaseCounting) {
  auto player = fakePlayer();
  QStringList announced;
  QObject::connect(player.get(), &oAnaPlayer::PlayFileChange, [&](const QString& name) {
    announced << name + " while " + player->FileName();  // the old file is still loaded
  });
  player->setFileName("/b/one.mp3");
  fakes.last()->clearCalls();
  player->setFileName("/b/one.mp3");
  player->setFileName("/b/ONE.mp3");
  EXPECT_EQ(announced, (QStringList{"/b/one.mp3 while ", "/b/ONE.mp3 while /b/one.mp3"}));
  EXPECT_EQ(fakes.last()->calls(),
            (QStringList{"currentPlaylist.clear", "URL=/b/one.mp3", "currentPlaylist.clear", "URL=/b/ONE.mp3"}))
      << "the same name is loaded again";
}

TEST_F(PlayerTest, PositionAndDurationWithoutAFile) {
  auto player = fakePlayer();
  auto* fake = fakes.last();
  fake->setCurrentPosition(7);  // a position the control would report
  EXPECT_EQ(player->CurrentPosition(), 0) << "answered without asking the host";
  player->setFileName("   ");
  const QVariant blank = player->Duration();
  EXPECT_EQ(blank.typeId(), QMetaType::Short);
  EXPECT_EQ(blank.toInt(), 0);

  fake->setMedium("/b/one.mp3", 95.5);
  player->setFileName("/b/one.mp3");
  player->setCurrentPosition(12);
  EXPECT_EQ(player->CurrentPosition(), 12);
  EXPECT_EQ(player->Duration(), QVariant(95.5));
}

TEST_F(PlayerTest, AudioOffStopsAndSwitchingItBackDoesNotPlay) {
  auto player = fakePlayer();
  auto* fake = fakes.last();
  player->setFileName("/b/one.mp3");
  ASSERT_TRUE(player->IsPlaying());
  player->setAudioOff(true);
  EXPECT_FALSE(player->IsPlaying());
  EXPECT_TRUE(player->AudioOff());
  player->setAudioOff(false);
  QCoreApplication::processEvents();
  EXPECT_FALSE(player->IsPlaying());
  EXPECT_FALSE(fake->calls().contains("controls.play"));
  player->Play_Player();
  EXPECT_TRUE(player->IsPlaying());
}

TEST_F(PlayerTest, TheEndOfAMediumIsPassedOnOnce) {
  auto player = fakePlayer();
  QSignalSpy ended(player.get(), &oAnaPlayer::PlayStateChange);
  player->setFileName("/b/one.mp3");
  QCoreApplication::processEvents();
  fakes.last()->endMedium();
  ASSERT_TRUE(ended.wait(kLimit));
  QTest::qWait(50);
  ASSERT_EQ(ended.count(), 1);
  EXPECT_EQ(ended.at(0).at(0).toInt(), ps::MediaEnded);
}

TEST_F(PlayerTest, VersionZeroLeavesNoPlayerAndVersionOneBringsAWorkingOneBack) {
  oAnaPlayer player;
  player.setVersione(1);
  QPointer<frmWMP9> host = player.o9();
  QPointer<media::FakeMediaControl> hostControl = fakes.last();
  player.setFileName("/b/one.mp3");
  ASSERT_TRUE(player.IsPlaying());

  player.setVersione(0);
  EXPECT_EQ(player.Versione(), 0);
  EXPECT_EQ(player.o9(), nullptr);
  EXPECT_EQ(player.otherPlayer(), nullptr) << "nothing fills the second slot";
  EXPECT_EQ(player.currentPlayer(), nullptr);
  ASSERT_TRUE(hostControl);
  EXPECT_EQ(hostControl->playState(), ps::Stopped) << "the host window was unloaded";
  EXPECT_FALSE(host && host->isVisible());
  EXPECT_FALSE(player.Versione9Presente());
  // Every later member fails into its own report.
  player.setVolume(30);
  EXPECT_EQ(player.Rate(), 0.0f);
  player.Play_Player();
  EXPECT_EQ(dialogs.reportedLabels(),
            (QStringList{"oPl - AnaPlayer: Versione:", "oPl - Let Volume", "oPl - Get Rate", "oPl - Play_Player"}));
  EXPECT_NE(dialogs.backend().shown()[0].text.find("Codice: 91"), std::string::npos);
  dialogs.clear();

  // The main window's fallback: version 1 again on the same object.
  player.setVersione(1);
  ASSERT_NE(player.currentPlayer(), nullptr);
  EXPECT_EQ(player.currentPlayer(), player.o9());
  EXPECT_EQ(player.Rate(), 1.0f);
  QSignalSpy ended(&player, &oAnaPlayer::PlayStateChange);
  player.setFileName("/b/two.mp3");
  EXPECT_TRUE(player.IsPlaying());
  QCoreApplication::processEvents();
  fakes.last()->endMedium();
  EXPECT_TRUE(ended.wait(kLimit)) << "the new host window's end of medium is passed on";
}

TEST_F(PlayerTest, VersionOneSetAgainReplacesTheHostWindow) {
  auto player = fakePlayer();
  QPointer<frmWMP9> first = player->o9();
  QPointer<media::FakeMediaControl> firstControl = fakes.last();
  player->setFileName("/b/one.mp3");
  player->setVersione(1);
  ASSERT_NE(player->o9(), nullptr);
  EXPECT_NE(player->o9(), first.data());
  EXPECT_EQ(fakes.created().size(), 2u);
  ASSERT_TRUE(firstControl);
  EXPECT_EQ(firstControl->playState(), ps::Stopped) << "the old window was unloaded";
  QSignalSpy ended(player.get(), &oAnaPlayer::PlayStateChange);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(first.isNull());
  player->setFileName("/b/one.mp3");
  QCoreApplication::processEvents();
  fakes.last()->endMedium();
  ASSERT_TRUE(ended.wait(kLimit));
  QTest::qWait(20);
  EXPECT_EQ(ended.count(), 1) << "only the new window's events arrive";
}

TEST_F(PlayerTest, AFailedCreationIsReportedOnceAndTheFallbackWorks) {
  auto previous = media::setMediaControlFactory([](QWidget*) -> media::MediaControl* {
    throw RuntimeError(429, "Il componente ActiveX non può creare l'oggetto");
  });
  oAnaPlayer player;
  player.setVersione(1);
  media::setMediaControlFactory(previous);
  EXPECT_EQ(player.Versione(), 1) << "kept although the creation failed";
  EXPECT_EQ(player.currentPlayer(), nullptr);
  EXPECT_FALSE(player.Versione9Presente());
  player.Play_Player();
  EXPECT_EQ(dialogs.reportedLabels(), (QStringList{"oPl - AnaPlayer: Versione:", "oPl - Play_Player"}));
  EXPECT_NE(dialogs.backend().shown()[0].text.find("Codice: 429"), std::string::npos);
  dialogs.clear();

  player.setVersione(1);  // the main window's fallback sets the version again
  ASSERT_NE(player.currentPlayer(), nullptr);
  player.setFileName("/b/one.mp3");
  EXPECT_TRUE(player.IsPlaying());
}

// On the real control: releasing the object closes a video window.
class RealPlayerTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(dialogs.reportedLabels(), QStringList()); }
  ScriptedDialogs dialogs;
  lumo::testsupport::TempFolder dir{"lumo-media-host-player"};
};

TEST_F(RealPlayerTest, ReleasingThePlayerClosesItsVideoWindow) {
  const QString film = lumo::testing::makeVideo(QString::fromStdString(dir / "film.avi"), 320, 240, 40);
  auto player = std::make_unique<oAnaPlayer>();
  player->setVersione(1);
  player->setFullScreen(false);
  player->setAutoStart(true);
  player->setFileName(film);
  QPointer<frmWMP9> host = player->o9();
  ASSERT_TRUE(QTest::qWaitFor([&] { return host->isVisible(); }, kLimit));
  EXPECT_NEAR(player->Duration().toDouble(), 4.0, 0.2);
  player.reset();
  EXPECT_FALSE(host && host->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(host.isNull());
}

}  // namespace
}  // namespace lumo::player
