// The libmpv control with null outputs, on media made by the test.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <cmath>
#include <memory>

#include "common/errors/errors.h"
#include "platform/media/mpv_media_control.h"
#include "testsupport/common/test_files.h"
#include "testsupport/test_media.h"

namespace lumo::media {
namespace {

using lumo::testing::makeTone;
using lumo::testing::makeVideo;
using lumo::testing::ScopedEnv;

constexpr int kLimit = 20000;  // ms; a generous limit, never a measurement

QList<int> states(const QSignalSpy& spy) {
  QList<int> list;
  for (const auto& args : spy) list << args.at(0).toInt();
  return list;
}

bool waitForState(MediaControl& control, int state) {
  return QTest::qWaitFor([&] { return control.playState() == state; }, kLimit);
}

// Media shared by the tests of this file.
class MpvControlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new lumo::testsupport::TempFolder("lumo-media");
    tone3_ = makeTone(QString::fromStdString(*dir_ / "tone3.mp3"), 3);
    tone30_ = makeTone(QString::fromStdString(*dir_ / "tone30.wav"), 30);
    video_ = makeVideo(QString::fromStdString(*dir_ / "film.avi"), 320, 240, 20);
  }
  static void TearDownTestSuite() { delete dir_; }

  static lumo::testsupport::TempFolder* dir_;
  static QString tone3_, tone30_, video_;
};
lumo::testsupport::TempFolder* MpvControlTest::dir_ = nullptr;
QString MpvControlTest::tone3_, MpvControlTest::tone30_, MpvControlTest::video_;

TEST(MpvOptionsTest, ParsesCommaSeparatedPairs) {
  using Options = std::vector<std::pair<std::string, std::string>>;
  struct Case {
    const char* text;
    Options expected;
  };
  const Case cases[] = {
      {"ao=null,vo=null", {{"ao", "null"}, {"vo", "null"}}},
      {" ao = null , ,ao-null-untimed", {{"ao", "null"}, {"ao-null-untimed", "yes"}}},
      {"", {}},
      {"af=lavfi=[volume=2]", {{"af", "lavfi=[volume=2]"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(MpvMediaControl::parseOptions(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(MpvOptionsTest, OptionsFromTheEnvironmentReachMpvAndBadOnesAreSkipped) {
  ScopedEnv options("LUMO_MPV_OPTIONS", "ao=null,vo=null,ao-null-untimed,no-such-option=1");
  MpvMediaControl control;
  EXPECT_EQ(control.mpvProperty("options/ao"), "null");
  EXPECT_EQ(control.mpvProperty("options/vo"), "null");
  EXPECT_EQ(control.mpvProperty("options/ao-null-untimed"), "yes");
}

TEST_F(MpvControlTest, OpensAndPlaysWithAutoStartReportingOnTheQtThread) {
  MpvMediaControl control;
  QSignalSpy spy(&control, &MediaControl::PlayStateChange);
  bool offThread = false;
  QObject::connect(&control, &MediaControl::PlayStateChange,
                   [&] { offThread = offThread || QThread::currentThread() != qApp->thread(); });
  EXPECT_EQ(control.playState(), ps::Undefined);
  EXPECT_TRUE(control.versionInfo().startsWith("mpv")) << control.versionInfo().toStdString();

  control.setURL(tone30_);
  EXPECT_EQ(control.URL(), tone30_);
  EXPECT_EQ(spy.count(), 0) << "events come from the event loop, not from inside the call";
  ASSERT_TRUE(waitForState(control, ps::Playing));
  EXPECT_TRUE(QTest::qWaitFor([&] { return spy.count() >= 2; }, kLimit));
  EXPECT_EQ(states(spy), (QList<int>{ps::Transitioning, ps::Playing}));
  EXPECT_FALSE(offThread);
  EXPECT_NEAR(control.duration(), 30.0, 0.1);
  EXPECT_EQ(control.imageSourceWidth(), 0);
  EXPECT_EQ(control.imageSourceHeight(), 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return control.currentPosition() > 0; }, kLimit));
}

TEST_F(MpvControlTest, WithoutAutoStartAMediumOpensReadyAndPlaysOnRequest) {
  MpvMediaControl control;
  control.setAutoStart(false);
  control.setURL(tone30_);
  ASSERT_TRUE(waitForState(control, ps::Ready));
  EXPECT_NEAR(control.duration(), 30.0, 0.1);
  QTest::qWait(200);
  EXPECT_NEAR(control.currentPosition(), 0.0, 0.05) << "a medium not started stays at its start";
  control.play();
  EXPECT_EQ(control.playState(), ps::Playing);
  EXPECT_TRUE(QTest::qWaitFor([&] { return control.currentPosition() > 0; }, kLimit));
}

TEST_F(MpvControlTest, PauseHoldsThePositionAndPlayResumesFromIt) {
  MpvMediaControl control;
  control.setURL(tone30_);
  ASSERT_TRUE(waitForState(control, ps::Playing));
  ASSERT_TRUE(QTest::qWaitFor([&] { return control.currentPosition() > 0.3; }, kLimit));
  control.pause();
  EXPECT_EQ(control.playState(), ps::Paused);
  QTest::qWait(100);
  const double held = control.currentPosition();
  QTest::qWait(300);
  EXPECT_NEAR(control.currentPosition(), held, 0.05);
  control.play();
  EXPECT_EQ(control.playState(), ps::Playing);
  EXPECT_TRUE(QTest::qWaitFor([&] { return control.currentPosition() > held + 0.2; }, kLimit));
  EXPECT_GE(held, 0.3) << "resumed from where it paused";
}

TEST_F(MpvControlTest, SeekMovesThePositionInEveryState) {
  MpvMediaControl control;
  control.setAutoStart(false);
  control.setURL(tone30_);
  control.setCurrentPosition(12);  // before the medium is open
  EXPECT_DOUBLE_EQ(control.currentPosition(), 12);
  ASSERT_TRUE(waitForState(control, ps::Ready));
  QTest::qWait(200);
  EXPECT_NEAR(control.currentPosition(), 12, 0.1);

  control.setCurrentPosition(20);  // open, not playing
  EXPECT_DOUBLE_EQ(control.currentPosition(), 20) << "a seek reads back at once";
  QTest::qWait(200);
  EXPECT_NEAR(control.currentPosition(), 20, 0.1);

  control.play();
  control.setCurrentPosition(5);  // playing
  EXPECT_DOUBLE_EQ(control.currentPosition(), 5);
  EXPECT_TRUE(QTest::qWaitFor([&] { return control.currentPosition() > 5.1; }, kLimit));
  EXPECT_LT(control.currentPosition(), 20);

  control.setCurrentPosition(-3);
  EXPECT_DOUBLE_EQ(control.currentPosition(), 0);
  EXPECT_THROW(control.setCurrentPosition(NAN), RuntimeError);
}

TEST_F(MpvControlTest, StopRewindsAndPlayStartsAgainFromTheBeginning) {
  MpvMediaControl control;
  control.setURL(tone30_);
  ASSERT_TRUE(waitForState(control, ps::Playing));
  control.setCurrentPosition(15);
  control.stop();
  EXPECT_EQ(control.playState(), ps::Stopped);
  EXPECT_EQ(control.currentPosition(), 0);
  QTest::qWait(200);
  EXPECT_EQ(control.currentPosition(), 0) << "a rewound medium reads exactly 0";
  EXPECT_NEAR(control.duration(), 30.0, 0.1) << "a stopped medium stays open";
  control.play();
  ASSERT_TRUE(waitForState(control, ps::Playing));
  EXPECT_TRUE(QTest::qWaitFor([&] { return control.currentPosition() > 0; }, kLimit));
  EXPECT_LT(control.currentPosition(), 10);

  // Stopped, then moved, then played: it plays from where it was moved to.
  control.stop();
  control.setCurrentPosition(7);
  EXPECT_DOUBLE_EQ(control.currentPosition(), 7);
  control.play();
  EXPECT_TRUE(QTest::qWaitFor([&] { return control.currentPosition() > 7.1; }, kLimit));
  EXPECT_LT(control.currentPosition(), 20);
}

TEST_F(MpvControlTest, TheEndOfAMediumReportsEndedThenStoppedAndPlayRestartsIt) {
  ScopedEnv untimed("LUMO_MPV_OPTIONS", lumo::testing::untimedMpvOptions());
  MpvMediaControl control;
  QSignalSpy spy(&control, &MediaControl::PlayStateChange);
  control.setURL(tone3_);
  ASSERT_TRUE(QTest::qWaitFor([&] { return states(spy).contains(ps::Stopped); }, kLimit));
  QTest::qWait(100);
  EXPECT_EQ(states(spy), (QList<int>{ps::Transitioning, ps::Playing, ps::MediaEnded, ps::Stopped}));
  EXPECT_EQ(control.playState(), ps::Stopped);
  EXPECT_EQ(control.currentPosition(), 0);
  EXPECT_NEAR(control.duration(), 3.0, 0.2);

  spy.clear();
  control.play();
  ASSERT_TRUE(QTest::qWaitFor([&] { return states(spy).contains(ps::Stopped); }, kLimit));
  EXPECT_EQ(states(spy), (QList<int>{ps::Playing, ps::MediaEnded, ps::Stopped}));
}

TEST_F(MpvControlTest, SeekingPastTheEndEndsTheMedium) {
  MpvMediaControl control;
  QSignalSpy spy(&control, &MediaControl::PlayStateChange);
  control.setURL(tone30_);
  ASSERT_TRUE(waitForState(control, ps::Playing));
  control.setCurrentPosition(500);
  ASSERT_TRUE(QTest::qWaitFor([&] { return states(spy).contains(ps::Stopped); }, kLimit));
  EXPECT_EQ(states(spy).count(ps::MediaEnded), 1);
}

TEST_F(MpvControlTest, RateKeepsThePitchAndRejectsImpossibleSpeeds) {
  MpvMediaControl control;
  control.setRate(1.4);
  EXPECT_DOUBLE_EQ(control.rate(), 1.4);
  control.setURL(tone30_);
  ASSERT_TRUE(waitForState(control, ps::Playing));
  EXPECT_DOUBLE_EQ(control.rate(), 1.4) << "the speed lasts across media";
  EXPECT_DOUBLE_EQ(control.mpvProperty("speed").toDouble(), 1.4);
  EXPECT_EQ(control.mpvProperty("audio-pitch-correction"), "yes");
  for (double bad : {0.0, -1.0, 200.0, double(NAN)}) {
    try {
      control.setRate(bad);
      ADD_FAILURE() << "accepted the rate " << bad;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::InvalidCall);
    }
  }
  EXPECT_DOUBLE_EQ(control.rate(), 1.4);
}

TEST_F(MpvControlTest, VolumeRunsFromZeroToOneHundred) {
  MpvMediaControl control;
  EXPECT_EQ(control.volume(), 50);
  const std::pair<int, int> cases[] = {{30, 30}, {0, 0}, {100, 100}, {-5, 0}, {150, 100}};
  for (auto [set, expected] : cases) {
    control.setVolume(set);
    EXPECT_EQ(control.volume(), expected) << set;
    EXPECT_DOUBLE_EQ(control.mpvProperty("volume").toDouble(), expected) << set;
  }
}

TEST_F(MpvControlTest, AMissingOrUnreadableFileIsReportedNotPlayed) {
  QFile garbage(QString::fromStdString(*dir_ / "garbage.mp3"));
  ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
  garbage.write(QByteArray(4000, '\x01'));
  garbage.close();
  for (const QString& name : {QString::fromStdString(*dir_ / "missing.mp3"), garbage.fileName()}) {
    SCOPED_TRACE(name.toStdString());
    MpvMediaControl control;
    QSignalSpy states(&control, &MediaControl::PlayStateChange);
    QSignalSpy errors(&control, &MediaControl::MediaError);
    control.setURL(name);
    ASSERT_TRUE(errors.wait(kLimit));
    EXPECT_EQ(control.playState(), ps::Ready);
    EXPECT_FALSE(control.lastError().isEmpty());
    EXPECT_EQ(control.duration(), 0);
    control.play();  // tries again, fails again
    ASSERT_TRUE(QTest::qWaitFor([&] { return errors.count() == 2; }, kLimit));
    for (const auto& args : states) EXPECT_NE(args.at(0).toInt(), ps::Playing);
  }
}

TEST_F(MpvControlTest, WithoutAMediumTheMediaMembersFailAndControlsDoNothing) {
  MpvMediaControl control;
  EXPECT_EQ(control.currentPosition(), 0);
  for (auto read : {+[](MediaControl& c) { c.duration(); }, +[](MediaControl& c) { c.imageSourceWidth(); },
                    +[](MediaControl& c) { c.imageSourceHeight(); }}) {
    try {
      read(control);
      ADD_FAILURE() << "read a member of no medium";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::ObjectNotSet);
    }
  }
  control.play();
  control.pause();
  control.stop();
  QTest::qWait(50);
  EXPECT_EQ(control.playState(), ps::Undefined);
}

TEST_F(MpvControlTest, AVideoReportsItsImageSize) {
  MpvMediaControl control;
  control.setURL(video_);
  ASSERT_TRUE(waitForState(control, ps::Playing));
  EXPECT_EQ(control.imageSourceWidth(), 320);
  EXPECT_EQ(control.imageSourceHeight(), 240);
  EXPECT_NEAR(control.duration(), 2.0, 0.2);
}

TEST_F(MpvControlTest, ANewUrlReplacesTheMediumAndClearClosesIt) {
  MpvMediaControl control;
  control.setURL(tone30_);
  control.setURL(tone3_);  // before the first one has opened
  ASSERT_TRUE(waitForState(control, ps::Playing));
  QTest::qWait(200);
  EXPECT_NEAR(control.duration(), 3.0, 0.2);
  EXPECT_EQ(control.playState(), ps::Playing);

  QSignalSpy spy(&control, &MediaControl::PlayStateChange);
  control.clearPlaylist();
  EXPECT_EQ(control.URL(), QString());
  EXPECT_EQ(control.playState(), ps::Stopped);
  QTest::qWait(200);
  EXPECT_EQ(states(spy), QList<int>{ps::Stopped});
  control.play();
  EXPECT_EQ(control.playState(), ps::Stopped) << "nothing to play";
}

TEST_F(MpvControlTest, DestroyingAPlayingControlIsSafe) {
  for (int i = 0; i < 3; ++i) {
    auto control = std::make_unique<MpvMediaControl>();
    control->setURL(tone30_);
    if (i > 0) {
      EXPECT_TRUE(waitForState(*control, ps::Playing));
    }
    control.reset();
    QTest::qWait(20);  // queued events of the dead control must not arrive
  }
}

}  // namespace
}  // namespace lumo::media
