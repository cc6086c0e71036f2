// The player object: version choice, forwarding, its events and its reports.

#include <gtest/gtest.h>

#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "common/errors/errors.h"
#include "platform/media/fake_media_control.h"
#include "platform/media/tests/test_media.h"
#include "player/engine/frmWMP9.h"
#include "player/engine/oAnaPlayer.h"
#include "player/engine/tests/engine_test_support.h"

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
  player.Stop_Player();
  player.setFileName("/b/one.mp3");
  EXPECT_FALSE(player.Duration().isValid());
  EXPECT_EQ(player.CurrentPosition(), 0) << "its file name reads empty";
  EXPECT_FALSE(player.Versione9Presente()) << "and reports nothing";
  EXPECT_EQ(dialogs.reportedLabels(), (QStringList{"oPl - Stop_Player", "oPl - Let FileName",
                                                   "oPl - Get Duration", "oPl - Get FileName"}));
  EXPECT_NE(dialogs.backend().shown()[0].text.find("Codice: 91"), std::string::npos);
  dialogs.clear();
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
            (QStringList{"currentPlaylist.clear", "URL=/b/one.mp3", "currentPlaylist.clear",
                         "URL=/b/ONE.mp3"}))
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

TEST_F(PlayerTest, VersionZeroIsAWorkingPlayerWithTheDecibelVolumeScale) {
  oAnaPlayer player;
  player.setVersione(1);
  QPointer<frmWMP9> host = player.o9();
  player.setVersione(0);
  EXPECT_EQ(player.o9(), nullptr);
  EXPECT_FALSE(host && host->isVisible());
  ASSERT_NE(player.otherPlayer(), nullptr);
  EXPECT_EQ(player.currentPlayer(), player.otherPlayer());
  EXPECT_TRUE(player.Versione9Presente());
  auto* fake = fakes.last();

  struct Case {
    int set, reads, control;
  };
  const Case cases[] = {{0, 0, 100}, {-2000, -2000, 46}, {-4000, -4000, 22},
                        {-10000, -10000, 0}, {300, 0, 100}, {-20000, -10000, 0}};
  for (const Case& c : cases) {
    player.setVolume(c.set);
    EXPECT_EQ(player.Volume(), QVariant(c.reads)) << c.set;
    EXPECT_EQ(fake->volume(), c.control) << c.set;
  }

  QSignalSpy ended(&player, &oAnaPlayer::PlayStateChange);
  player.setRate(1.5f);
  EXPECT_EQ(player.Rate(), 1.5f);
  player.setFileName("/b/one.mp3");
  QCoreApplication::processEvents();
  fake->endMedium();
  EXPECT_TRUE(ended.wait(kLimit)) << "its end of medium reaches the main window too";

  // Back to version 1 on the same object: a working host window again.
  player.setVersione(1);
  ASSERT_NE(player.o9(), nullptr);
  EXPECT_EQ(player.otherPlayer(), nullptr);
  player.setFileName("/b/two.mp3");
  EXPECT_TRUE(player.IsPlaying());
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
  EXPECT_EQ(dialogs.reportedLabels(),
            (QStringList{"oPl - AnaPlayer: Versione:", "oPl - Play_Player"}));
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
  QTemporaryDir dir;
};

TEST_F(RealPlayerTest, ReleasingThePlayerClosesItsVideoWindow) {
  const QString film = lumo::testing::makeVideo(dir.filePath("film.avi"), 320, 240, 40);
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
