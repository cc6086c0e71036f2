// The fake control that window tests drive, and the key handling that every
// control shares.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include "common/errors/errors.h"
#include "testsupport/fake_media_control.h"

namespace lumo::media {
namespace {

QList<int> states(const QSignalSpy& spy) {
  QList<int> list;
  for (const auto& args : spy) list << args.at(0).toInt();
  return list;
}

TEST(FakeMediaControlTest, RecordsCallsAndRaisesTheControlsEventsFromTheEventLoop) {
  FakeMediaControl fake;
  fake.setMedium("/b/one.mp3", 90);
  QSignalSpy spy(&fake, &MediaControl::PlayStateChange);
  fake.setUiMode("mini");
  fake.setAutoStart(true);
  fake.clearPlaylist();
  fake.setURL("/b/one.mp3");
  fake.setCurrentPosition(12.5);
  fake.setRate(1.4);
  fake.setVolume(70);
  EXPECT_EQ(fake.calls(),
            (QStringList{"uiMode=mini", "settings.autoStart=true", "currentPlaylist.clear", "URL=/b/one.mp3",
                         "controls.currentPosition=12.5", "settings.rate=1.4", "settings.volume=70"}));
  EXPECT_EQ(fake.playState(), ps::Playing);
  EXPECT_EQ(fake.duration(), 90);
  EXPECT_EQ(fake.currentPosition(), 12.5);
  EXPECT_EQ(spy.count(), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(states(spy), (QList<int>{ps::Transitioning, ps::Playing}));

  spy.clear();
  fake.advance(10);
  EXPECT_DOUBLE_EQ(fake.currentPosition(), 26.5) << "advances at its rate";
  fake.endMedium();
  QCoreApplication::processEvents();
  EXPECT_EQ(states(spy), (QList<int>{ps::MediaEnded, ps::Stopped}));
  EXPECT_EQ(fake.currentPosition(), 0);
  fake.endMedium();  // nothing plays any more
  QCoreApplication::processEvents();
  EXPECT_EQ(spy.count(), 2);
}

TEST(FakeMediaControlTest, FollowsTheRealControlsRules) {
  FakeMediaControl fake;
  EXPECT_THROW(fake.duration(), RuntimeError) << "no medium";
  EXPECT_THROW(fake.setRate(0), RuntimeError);
  fake.setVolume(140);
  EXPECT_EQ(fake.volume(), 100);

  fake.failUrl("/b/bad.mp3");
  QSignalSpy errors(&fake, &MediaControl::MediaError);
  fake.setURL("/b/bad.mp3");
  QCoreApplication::processEvents();
  EXPECT_EQ(errors.count(), 1);
  EXPECT_EQ(fake.playState(), ps::Ready);

  fake.setAutoStart(false);
  fake.setDefaultMedium(30, 320, 240);
  fake.setURL("/b/film.avi");
  EXPECT_EQ(fake.playState(), ps::Ready);
  EXPECT_EQ(fake.imageSourceWidth(), 320);
  fake.play();
  fake.advance(31);
  EXPECT_EQ(fake.playState(), ps::Stopped) << "played past its end";
}

TEST(FakeMediaControlTest, TheFactoryMakesFakesWhileItLives) {
  {
    FakeMediaFactory factory;
    QWidget host;
    MediaControl* control = createMediaControl(&host);
    EXPECT_EQ(control, factory.last());
    EXPECT_EQ(control->parentWidget(), &host);
  }
  MediaControl* real = createMediaControl(nullptr);
  EXPECT_EQ(qobject_cast<FakeMediaControl*>(real), nullptr);
  delete real;
}

// A host that records the keys its control passes on.
class KeyHost : public QWidget {
 public:
  QList<int> keys;

 protected:
  void keyPressEvent(QKeyEvent* event) override { keys << event->key(); }
};

TEST(MediaControlKeysTest, CharacterKeysAreTheControlsOthersGoToItsHost) {
  KeyHost host;
  auto* control = new FakeMediaControl(&host);
  QSignalSpy spy(control, &MediaControl::KeyPress);
  QTest::keyClick(control, Qt::Key_Escape);
  QTest::keyClick(control, Qt::Key_A);
  QTest::keyClick(control, Qt::Key_F1);
  ASSERT_EQ(spy.count(), 2);
  EXPECT_EQ(spy.at(0).at(0).toInt(), 27);
  EXPECT_EQ(spy.at(1).at(0).toInt(), 'a');
  EXPECT_EQ(host.keys, QList<int>{Qt::Key_F1});
}

}  // namespace
}  // namespace lumo::media
