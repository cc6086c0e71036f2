// The media player host window, on the real libmpv control with null
// outputs and on media made by the test (the fake control where a test must
// see the calls made to the control).

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "common/errors/errors.h"
#include "platform/media/media_control.h"
#include "player/media_host/frmWMP9.h"
#include "player/media_host/tests/media_host_fixture.h"
#include "testsupport/common/test_files.h"
#include "testsupport/fake_media_control.h"
#include "testsupport/test_media.h"

namespace lumo::player {
namespace {

namespace ps = media::ps;
using lumo::testing::ScopedEnv;
using testing::ScriptedDialogs;

constexpr int kLimit = 20000;  // ms; a generous limit, never a measurement

// Media shared by the tests of the media host.
class Media {
 public:
  static Media& get() {
    static Media media;
    return media;
  }
  QString tone3, tone30, film, audioInVideoFolder;

 private:
  Media() {
    tone3 = lumo::testing::makeTone(QString::fromStdString(dir_ / "tone3.mp3"), 3);
    tone30 = lumo::testing::makeTone(QString::fromStdString(dir_ / "book.wav"), 30);
    film = lumo::testing::makeVideo(QString::fromStdString(dir_ / "film.AVI"), 320, 240, 40);
    // An audio file whose name holds ".avi" in a folder name.
    audioInVideoFolder = lumo::testing::makeTone(QString::fromStdString(dir_ / "video.avi.d/track.mp3"), 30);
  }
  lumo::testsupport::TempFolder dir_{"lumo-media-host-media"};
};

// Every test answers dialogs from a script and expects no error report
// unless it says so.
class HostTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(dialogs.reportedLabels(), QStringList()); }
  std::unique_ptr<frmWMP9> loaded() {
    auto window = std::make_unique<frmWMP9>();
    window->Load();
    return window;
  }
  bool waitPlaying(frmWMP9& w) {
    return QTest::qWaitFor([&] { return w.IsPlaying(); }, kLimit);
  }
  bool waitOpen(frmWMP9& w) {
    return QTest::qWaitFor([&] { return w.WMP->openState() == media::os::MediaOpen; }, kLimit);
  }
  ScriptedDialogs dialogs;
  Media& media = Media::get();
};

TEST_F(HostTest, LoadsHiddenOverTheWholeScreenWithItsDesign) {
  auto w = loaded();
  EXPECT_EQ(w->objectName(), "frmWMP9");
  EXPECT_EQ(w->windowTitle(), "MediaPlayer");
  EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(w->geometry(), QRect(0, 0, 1024, 768));
  EXPECT_EQ(w->WMP->geometry(), QRect(1, 1, 1022, 766)) << "a 10-twip margin";
  for (QWidget* control : std::initializer_list<QWidget*>{w->WMP, w->Command1}) {
    EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
  }
  EXPECT_EQ(w->WMP->objectName(), "WMP");
  EXPECT_EQ(w->Command1->objectName(), "Command1");
  EXPECT_EQ(w->TimerNextAction->objectName(), "TimerNextAction");
  EXPECT_EQ(w->TimerNextAction->interval(), 1);
  EXPECT_FALSE(w->TimerNextAction->isActive());
  EXPECT_EQ(w->WMP->uiMode(), "mini");
  EXPECT_TRUE(w->WMP->enableContextMenu());
  EXPECT_FALSE(w->WMP->controlEnabled());
  EXPECT_TRUE(w->WMP->autoStart());
  EXPECT_FALSE(w->AutoStart()) << "the window's own flag, not the control's";
  EXPECT_FALSE(w->FullScreen());
  EXPECT_FALSE(w->AudioOff());
  EXPECT_EQ(w->Volume(), QVariant(50));
  EXPECT_EQ(w->Rate(), 1.0f);
  EXPECT_EQ(w->FileName(), QString());
}

TEST_F(HostTest, PlaysAudioHiddenAndControlsIt) {
  auto w = loaded();
  w->setAutoStart(true);
  w->setFileName(media.tone30);
  ASSERT_TRUE(waitPlaying(*w));
  EXPECT_FALSE(w->isVisible()) << "audio leaves the window hidden";
  EXPECT_EQ(w->FileName(), media.tone30);
  const QVariant duration = w->Duration();
  EXPECT_EQ(duration.typeId(), QMetaType::Double);
  EXPECT_NEAR(duration.toDouble(), 30.0, 0.1);

  w->setCurrentPosition(10);
  EXPECT_NEAR(w->CurrentPosition(), 10, 0.5);
  w->StopPlay();
  EXPECT_FALSE(w->IsPlaying());
  EXPECT_EQ(w->WMP->playState(), ps::Paused);
  w->StopPlay();
  EXPECT_TRUE(w->IsPlaying());
  w->Pause_Player();
  EXPECT_EQ(w->WMP->playState(), ps::Paused);
  w->Stop_Player();
  EXPECT_EQ(w->WMP->playState(), ps::Stopped) << "a paused medium stops too";
  EXPECT_EQ(w->CurrentPosition(), 0);
  w->Play_Player();
  ASSERT_TRUE(waitPlaying(*w));
  EXPECT_LT(w->CurrentPosition(), 9) << "starts again from the beginning";

  w->setRate(1.4f);
  EXPECT_EQ(w->Rate(), 1.4f);
  EXPECT_DOUBLE_EQ(w->WMP->rate(), double(1.4f));
}

TEST_F(HostTest, WithoutAutoStartAFileWaitsForPlayPlayer) {
  auto w = loaded();
  w->setAutoStart(false);
  EXPECT_FALSE(w->WMP->autoStart());
  w->setFileName(media.tone30);
  ASSERT_TRUE(waitOpen(*w));
  QCoreApplication::processEvents();
  EXPECT_EQ(w->WMP->playState(), ps::Ready);
  EXPECT_FALSE(w->IsPlaying());
  w->setCurrentPosition(20);
  w->Play_Player();
  ASSERT_TRUE(waitPlaying(*w));
  EXPECT_TRUE(QTest::qWaitFor([&] { return w->CurrentPosition() > 20.1; }, kLimit));
  EXPECT_LT(w->CurrentPosition(), 29) << "plays on from the position set";
}

TEST_F(HostTest, VolumeTakesNumbersAndNumericTexts) {
  auto w = loaded();
  struct Case {
    QVariant set;
    int expected;
  };
  const Case cases[] = {{30, 30}, {QStringLiteral("70"), 70}, {2.5, 2}, {3.5, 4}, {0, 0}, {100, 100}, {150, 100}};
  for (const Case& c : cases) {
    w->setVolume(c.set);
    const QVariant volume = w->Volume();
    EXPECT_EQ(volume.typeId(), QMetaType::Int);
    EXPECT_EQ(volume.toInt(), c.expected) << c.set.toString().toStdString();
  }
  // A value that cannot be converted is reported and changes nothing.
  w->setVolume(QStringLiteral("forte"));
  w->setVolume(1e12);
  EXPECT_EQ(w->Volume(), QVariant(100));
  ASSERT_EQ(dialogs.reportedLabels(), (QStringList{"oWMP9 - Let Volume", "oWMP9 - Let Volume"}));
  EXPECT_NE(dialogs.backend().shown()[0].text.find("Codice: 13"), std::string::npos);
  EXPECT_NE(dialogs.backend().shown()[1].text.find("Codice: 6"), std::string::npos);
  dialogs.clear();
}

TEST_F(HostTest, FailuresAreReportedWithTheMembersLabelAndReadAsEmpty) {
  auto w = loaded();
  EXPECT_FALSE(w->Duration().isValid()) << "no current medium";
  w->setRate(0);
  EXPECT_EQ(w->Rate(), 1.0f);
  EXPECT_EQ(dialogs.reportedLabels(), (QStringList{"oWMP9 - Get Duration", "oWMP9 - Let Rate"}));
  dialogs.clear();

  // A missing file is the control's business: no report, nothing plays.
  QSignalSpy errors(w->WMP, &media::MediaControl::MediaError);
  w->setFileName(media.tone30 + ".missing");
  ASSERT_TRUE(errors.wait(kLimit));
  EXPECT_FALSE(w->IsPlaying());
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(w->Duration(), QVariant(0.0));
}

// A control whose play fails, to see the step that Play_Player names.
class FailingPlay : public media::FakeMediaControl {
 public:
  using FakeMediaControl::FakeMediaControl;
  void play() override { throw RuntimeError(err::InvalidCall); }
};

TEST_F(HostTest, PlayPlayerNamesTheStepItReached) {
  auto previous =
      media::setMediaControlFactory([](QWidget* parent) -> media::MediaControl* { return new FailingPlay(parent); });
  auto w = loaded();
  media::setMediaControlFactory(previous);
  w->setAutoStart(false);
  w->setFileName("/b/one.mp3");
  w->Play_Player();
  EXPECT_EQ(dialogs.reportedLabels(), QStringList{"oWMP9 - Play_Player - Posizione:  WMP.Controls.play "});
  dialogs.clear();
}

// A control that fails every call once it is broken.
class BrokenControl : public media::FakeMediaControl {
 public:
  using FakeMediaControl::FakeMediaControl;
  bool broken = false;
  QString URL() const override { return check(), FakeMediaControl::URL(); }
  void setURL(const QString& url) override { check(), FakeMediaControl::setURL(url); }
  void clearPlaylist() override { check(), FakeMediaControl::clearPlaylist(); }
  void play() override { check(), FakeMediaControl::play(); }
  void stop() override { check(), FakeMediaControl::stop(); }
  void pause() override { check(), FakeMediaControl::pause(); }
  double currentPosition() const override { return check(), 0.0; }
  void setCurrentPosition(double s) override { check(), FakeMediaControl::setCurrentPosition(s); }
  double duration() const override { return check(), FakeMediaControl::duration(); }
  double rate() const override { return check(), FakeMediaControl::rate(); }
  void setRate(double rate) override { check(), FakeMediaControl::setRate(rate); }
  int volume() const override { return check(), FakeMediaControl::volume(); }
  void setVolume(int volume) override { check(), FakeMediaControl::setVolume(volume); }
  void setAutoStart(bool on) override { check(), FakeMediaControl::setAutoStart(on); }
  int playState() const override { return check(), FakeMediaControl::playState(); }

 protected:
  void propertySet(const QString& name, const QString& value) override {
    check(), FakeMediaControl::propertySet(name, value);
  }

 private:
  void check() const {
    if (broken) throw RuntimeError(err::InvalidCall);
  }
};

TEST_F(HostTest, EveryFailureIsReportedOnceByTheMemberInWhichItHappened) {
  BrokenControl* control = nullptr;
  auto previous = media::setMediaControlFactory(
      [&](QWidget* parent) -> media::MediaControl* { return control = new BrokenControl(parent); });
  auto w = std::make_unique<frmWMP9>();
  media::setMediaControlFactory(previous);
  control->broken = true;
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"oWMP9 - Form_Load", [&] { w->Load(); }},
      {"oWMP9 - Get Rate", [&] { EXPECT_EQ(w->Rate(), 0.0f); }},
      {"oWMP9 - Let Rate", [&] { w->setRate(1.2f); }},
      {"oWMP9 - Let AutoStart", [&] { w->setAutoStart(true); }},
      {"oWMP9 - Let FullScreen", [&] { w->setFullScreen(true); }},
      // Let AudioOff calls Stop_Player, which reports its own failure.
      {"oWMP9 - Stop_Player", [&] { w->setAudioOff(true); }},
      {"oWMP9 - Get FileName", [&] { EXPECT_EQ(w->FileName(), QString()); }},
      {"oWMP9 - Let FileName", [&] { w->setFileName("/b/one.mp3"); }},
      {"oWMP9 - Stop_Player", [&] { w->Stop_Player(); }},
      {"oWMP9 - Get CurrentPosition", [&] { EXPECT_EQ(w->CurrentPosition(), 0); }},
      {"oWMP9 - Let CurrentPosition", [&] { w->setCurrentPosition(3); }},
      {"oWMP9 - Get Duration", [&] { EXPECT_FALSE(w->Duration().isValid()); }},
      {"oWMP9 - StopPlay", [&] { w->StopPlay(); }},
      {"oWMP9 - Get Volume", [&] { EXPECT_FALSE(w->Volume().isValid()); }},
      {"oWMP9 - Let Volume", [&] { w->setVolume(40); }},
      {"oWMP9 - IsPlaying", [&] { EXPECT_FALSE(w->IsPlaying()); }},
      {"oWMP9 - Pause_Player", [&] { w->Pause_Player(); }},
      {"oWMP9 - Form_KeyDown", [&] { QTest::keyClick(w.get(), Qt::Key_Escape); }},
      // The control's key goes on to Form_KeyDown, whose trap reports it.
      {"oWMP9 - Form_KeyDown", [&] { QTest::keyClick(w->WMP, Qt::Key_Escape); }},
      {"oWMP9 - Command1_Click", [&] { w->Command1->click(); }},
  };
  for (const auto& [expected, call] : cases) {
    dialogs.clear();
    call();
    EXPECT_EQ(dialogs.reportedLabels(), QStringList{expected}) << expected;
  }
  dialogs.clear();
  control->broken = false;
}

TEST_F(HostTest, PlayPlayerDoesNothingWhilePlayingOrWithoutAFile) {
  media::FakeMediaFactory fakes;
  auto w = loaded();
  auto* fake = fakes.last();
  fake->clearCalls();
  w->Play_Player();  // no file
  w->setFileName("/b/one.mp3");
  QCoreApplication::processEvents();
  ASSERT_TRUE(w->IsPlaying());
  w->Play_Player();  // already playing
  EXPECT_EQ(fake->calls(), (QStringList{"currentPlaylist.clear", "URL=/b/one.mp3"}));
}

TEST_F(HostTest, AMediumThatEndsRaisesEightOnceFromTheTimerTick) {
  ScopedEnv untimed("LUMO_MPV_OPTIONS", lumo::testing::untimedMpvOptions());
  auto w = loaded();
  QStringList order;
  // Connected after the window's own handler: runs once that has returned.
  QObject::connect(w->WMP, &media::MediaControl::PlayStateChange, [&](int state) {
    if (state == ps::MediaEnded) order << "control 8 handled";
  });
  QObject::connect(w.get(), &frmWMP9::PlayStateChange,
                   [&](int mode) { order << QStringLiteral("window %1").arg(mode); });
  w->setFileName(media.tone3);
  ASSERT_TRUE(QTest::qWaitFor([&] { return order.contains("window 8"); }, kLimit));
  QTest::qWait(100);
  EXPECT_EQ(order, (QStringList{"control 8 handled", "window 8"}));
  EXPECT_EQ(w->TimerNextAction->property("Tag").toString(), "8") << "the Tag is not cleared";
  EXPECT_FALSE(w->TimerNextAction->isActive());
  EXPECT_EQ(w->WMP->playState(), ps::Stopped);

  // Played again, it ends again.
  order.clear();
  w->Play_Player();
  ASSERT_TRUE(QTest::qWaitFor([&] { return order.contains("window 8"); }, kLimit));
  EXPECT_EQ(order, (QStringList{"control 8 handled", "window 8"}));
}

TEST_F(HostTest, StopPlayerBetweenTheEndAndTheTickCancelsTheReport) {
  ScopedEnv untimed("LUMO_MPV_OPTIONS", lumo::testing::untimedMpvOptions());
  auto w = loaded();
  QSignalSpy reports(w.get(), &frmWMP9::PlayStateChange);
  bool armed = false;
  QObject::connect(w->WMP, &media::MediaControl::PlayStateChange, [&](int state) {
    if (state != ps::MediaEnded) return;
    armed = w->TimerNextAction->isActive();
    w->Stop_Player();
  });
  w->setFileName(media.tone3);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->WMP->playState() == ps::Stopped; }, kLimit));
  QTest::qWait(200);
  EXPECT_TRUE(armed);
  EXPECT_EQ(reports.count(), 0);
}

// On the fake control every step can be taken one at a time.
TEST_F(HostTest, TheControlsEndArmsTheTimerWhoseOneTickRaisesEight) {
  media::FakeMediaFactory fakes;
  auto w = loaded();
  auto* fake = fakes.last();
  QSignalSpy reports(w.get(), &frmWMP9::PlayStateChange);
  const auto endAndHandle = [&] {
    w->setFileName("/b/one.mp3");
    QCoreApplication::processEvents();
    ASSERT_TRUE(w->IsPlaying());
    fake->endMedium();
    // The control's events only (posted), no timer tick yet.
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(fake->playState(), ps::Stopped);
  };

  endAndHandle();
  EXPECT_TRUE(w->TimerNextAction->isActive()) << "armed by the control's state 8";
  EXPECT_EQ(w->TimerNextAction->property("Tag").toString(), "8");
  EXPECT_EQ(reports.count(), 0) << "nothing raised from inside the control's event";
  ASSERT_TRUE(QTest::qWaitFor([&] { return reports.count() > 0; }, kLimit));
  EXPECT_FALSE(w->TimerNextAction->isActive()) << "one tick, so one report";
  ASSERT_EQ(reports.count(), 1);
  EXPECT_EQ(reports.at(0).at(0).toInt(), ps::MediaEnded);

  // Stop_Player between the control's event and the tick cancels the report.
  reports.clear();
  endAndHandle();
  ASSERT_TRUE(w->TimerNextAction->isActive());
  w->Stop_Player();
  EXPECT_FALSE(w->TimerNextAction->isActive());

  // A tick with any other Tag raises nothing.
  w->TimerNextAction->setProperty("Tag", QStringLiteral("3"));
  w->TimerNextAction->start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->TimerNextAction->isActive(); }, kLimit));
  QCoreApplication::processEvents();
  EXPECT_EQ(reports.count(), 0);
}

TEST(IsVideoTest, LooksForTheExtensionAnywhereInTheName) {
  const std::pair<const char*, bool> cases[] = {
      {"film.avi", true},  {"FILM.WMV", true},  {"clip.m1v", true}, {"c:\\video.avi.d\\track.mp3", true},
      {"book.mp3", false}, {"song.wma", false}, {"avi", false},     {"", false},
  };
  for (auto [name, video] : cases) EXPECT_EQ(frmWMP9::IsVideo(name), video) << name;
}

TEST_F(HostTest, AudioOffLoadsAudioStoppedButVideosStillPlay) {
  auto w = loaded();
  w->setAudioOff(true);
  w->setFileName(media.tone30);
  EXPECT_EQ(w->FileName(), media.tone30);
  ASSERT_TRUE(waitOpen(*w));
  QCoreApplication::processEvents();
  EXPECT_EQ(w->WMP->playState(), ps::Stopped) << "loaded and stopped at once";
  EXPECT_NEAR(w->Duration().toDouble(), 30.0, 0.1);
  w->Play_Player();
  QCoreApplication::processEvents();
  EXPECT_EQ(w->WMP->playState(), ps::Stopped) << "play does nothing while the reader is off";
  EXPECT_EQ(w->CurrentPosition(), 0);
  EXPECT_FALSE(w->isVisible());

  for (const QString& video : {media.film, media.audioInVideoFolder}) {
    SCOPED_TRACE(video.toStdString());
    w->setFileName(video);
    ASSERT_TRUE(waitPlaying(*w));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->isVisible(); }, kLimit));
    w->Stop_Player();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, kLimit));
  }
}

TEST(VideoWindowTest, SitsAtTheVideosSizeInTheBottomRightCorner) {
  EXPECT_EQ(frmWMP9::VideoWindowTwips(QSize(1024, 768), 320, 240), QRect(10260, 7170, 4800, 3600));
  EXPECT_EQ(frmWMP9::VideoWindowTwips(QSize(800, 600), 640, 480), QRect(2100, 1050, 9600, 7200));
}

TEST_F(HostTest, AVideoShowsAtItsSizeOrMaximisedAndEscStopsIt) {
  ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1024, 768));
  auto w = loaded();
  w->setFullScreen(false);
  EXPECT_EQ(w->WMP->uiMode(), "mini");
  w->setFileName(media.film);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->isVisible(); }, kLimit));
  EXPECT_EQ(w->geometry(), QRect(684, 478, 320, 240)) << "10260, 7170, 4800 by 3600 twips";
  EXPECT_TRUE(w->WMP->controlEnabled());
  EXPECT_EQ(w->windowState() & Qt::WindowMaximized, 0);
  QTest::keyClick(w.get(), Qt::Key_Escape);  // Esc in the window
  EXPECT_EQ(w->WMP->playState(), ps::Stopped);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, kLimit));

  w->setFullScreen(true);
  EXPECT_EQ(w->WMP->uiMode(), "none");
  w->Play_Player();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->isVisible(); }, kLimit));
  EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);
  EXPECT_FALSE(w->WMP->controlEnabled());
  QTest::keyClick(w->WMP, Qt::Key_Escape);  // Esc in the control
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, kLimit));
  EXPECT_EQ(w->windowState() & Qt::WindowMaximized, 0);
}

TEST_F(HostTest, UnloadHidesAtOnceAndDestroysLater) {
  auto* w = new frmWMP9();
  w->Load();
  QPointer<frmWMP9> guard(w);
  w->setFileName(media.film);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->isVisible(); }, kLimit));
  w->Unload();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(w->WMP->playState(), ps::Stopped);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
}

}  // namespace
}  // namespace lumo::player
