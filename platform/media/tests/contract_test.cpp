// The rules every media control keeps, run over the libmpv control and over
// the fake that window tests drive, so the fake cannot drift from the real
// control.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <functional>
#include <memory>

#include "common/errors/errors.h"
#include "platform/media/mpv_media_control.h"
#include "testsupport/common/test_files.h"
#include "testsupport/fake_media_control.h"
#include "testsupport/test_media.h"

namespace lumo::media {
namespace {

constexpr int kLimit = 20000;  // ms; a generous limit, never a measurement

QList<int> states(const QSignalSpy& spy) {
  QList<int> list;
  for (const auto& args : spy) list << args.at(0).toInt();
  return list;
}

// One control under test: how to make it, a medium it can play (a 3 s
// tone), a URL it cannot open, and how to let a playing medium reach its end.
struct Subject {
  const char* name;
  std::function<std::unique_ptr<MediaControl>()> make;
  std::function<QString(MediaControl&)> playable;
  std::function<QString(MediaControl&)> missing;
  std::function<void(MediaControl&)> runToEnd;
};

const lumo::testsupport::TempFolder& mediaDir() {
  static const lumo::testsupport::TempFolder dir("lumo-media-contract");
  return dir;
}

const QString& tone() {
  static const QString path = lumo::testing::makeTone(QString::fromStdString(mediaDir() / "tone3.mp3"), 3);
  return path;
}

FakeMediaControl& fake(MediaControl& control) { return static_cast<FakeMediaControl&>(control); }

Subject mpvSubject() {
  return {"Mpv", [] { return std::make_unique<MpvMediaControl>(); }, [](MediaControl&) { return tone(); },
          [](MediaControl&) { return QString::fromStdString(mediaDir() / "missing.mp3"); },
          [](MediaControl& control) {
            // Past the end is the end: no need to wait the tone out.
            control.setCurrentPosition(500);
          }};
}

Subject fakeSubject() {
  return {"Fake", [] { return std::make_unique<FakeMediaControl>(); },
          [](MediaControl& control) {
            fake(control).setMedium("/book/tone3.mp3", 3);
            return QStringLiteral("/book/tone3.mp3");
          },
          [](MediaControl& control) {
            fake(control).failUrl("/book/missing.mp3");
            return QStringLiteral("/book/missing.mp3");
          },
          [](MediaControl& control) { fake(control).endMedium(); }};
}

void PrintTo(const Subject& s, std::ostream* os) { *os << s.name; }

class MediaContractTest : public ::testing::TestWithParam<Subject> {
 protected:
  // Opens the subject's playable medium and waits until it plays.
  void startPlaying(MediaControl& control) {
    control.setURL(GetParam().playable(control));
    ASSERT_TRUE(QTest::qWaitFor([&] { return control.playState() == ps::Playing; }, kLimit));
  }
};

TEST_P(MediaContractTest, WithoutAMediumTheMediaMembersFailAndControlsDoNothing) {
  auto control = GetParam().make();
  EXPECT_EQ(control->currentPosition(), 0);
  for (auto read : {+[](MediaControl& c) { c.duration(); }, +[](MediaControl& c) { c.imageSourceWidth(); },
                    +[](MediaControl& c) { c.imageSourceHeight(); }}) {
    try {
      read(*control);
      ADD_FAILURE() << "read a member of no medium";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::ObjectNotSet);
    }
  }
  control->play();
  control->pause();
  control->stop();
  QTest::qWait(50);
  EXPECT_EQ(control->playState(), ps::Undefined);
}

TEST_P(MediaContractTest, AnImpossibleRateFailsAndKeepsTheRate) {
  auto control = GetParam().make();
  control->setRate(1.4);
  for (double bad : {0.0, -1.0, 200.0, double(NAN)}) {
    try {
      control->setRate(bad);
      ADD_FAILURE() << "accepted the rate " << bad;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::InvalidCall) << bad;
    }
  }
  EXPECT_DOUBLE_EQ(control->rate(), 1.4);
}

TEST_P(MediaContractTest, TheVolumeIsClampedToZeroToOneHundred) {
  auto control = GetParam().make();
  EXPECT_EQ(control->volume(), 50);
  const std::pair<int, int> cases[] = {{30, 30}, {0, 0}, {100, 100}, {-5, 0}, {150, 100}};
  for (auto [set, expected] : cases) {
    control->setVolume(set);
    EXPECT_EQ(control->volume(), expected) << set;
  }
}

TEST_P(MediaContractTest, AMissingFileRaisesMediaErrorAndReadyAndNothingPlays) {
  auto control = GetParam().make();
  QSignalSpy played(control.get(), &MediaControl::PlayStateChange);
  QSignalSpy errors(control.get(), &MediaControl::MediaError);
  control->setURL(GetParam().missing(*control));
  EXPECT_EQ(errors.count(), 0) << "raised from the event loop, not from inside setURL";
  ASSERT_TRUE(QTest::qWaitFor([&] { return errors.count() == 1; }, kLimit));
  EXPECT_EQ(control->playState(), ps::Ready);
  EXPECT_FALSE(control->lastError().isEmpty());
  for (const auto& args : played) EXPECT_NE(args.at(0).toInt(), ps::Playing);
}

TEST_P(MediaContractTest, TheEndOfAMediumReportsEndedThenStoppedAtPositionZero) {
  auto control = GetParam().make();
  startPlaying(*control);
  QSignalSpy spy(control.get(), &MediaControl::PlayStateChange);
  GetParam().runToEnd(*control);
  ASSERT_TRUE(QTest::qWaitFor([&] { return states(spy).contains(ps::Stopped); }, kLimit));
  EXPECT_EQ(states(spy).count(ps::MediaEnded), 1);
  EXPECT_EQ(states(spy).indexOf(ps::MediaEnded), states(spy).indexOf(ps::Stopped) - 1) << "8, then 1";
  EXPECT_EQ(control->playState(), ps::Stopped);
  EXPECT_EQ(control->currentPosition(), 0);
  control->play();
  EXPECT_TRUE(QTest::qWaitFor([&] { return control->playState() == ps::Playing; }, kLimit))
      << "play after the end starts the medium again";
}

TEST_P(MediaContractTest, AfterAStopThePositionReadsZero) {
  auto control = GetParam().make();
  startPlaying(*control);
  control->setCurrentPosition(1.5);
  control->stop();
  ASSERT_TRUE(QTest::qWaitFor([&] { return control->playState() == ps::Stopped; }, kLimit));
  EXPECT_EQ(control->currentPosition(), 0);
}

INSTANTIATE_TEST_SUITE_P(Controls, MediaContractTest, ::testing::Values(mpvSubject(), fakeSubject()),
                         [](const ::testing::TestParamInfo<Subject>& c) { return std::string(c.param.name); });

}  // namespace
}  // namespace lumo::media
