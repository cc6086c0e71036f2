#pragma once
// A media control for tests of the windows that drive one: the same members
// and events as the libmpv control, no real playback and no real time.
// It records every command and setting in call order, opens any URL at once
// (unless told to fail it), and ends the medium when the test says so.
// Like the real control it raises its events from the event loop: a test
// processes pending events to see them.

#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <vector>

#include "platform/media/media_control.h"

namespace lumo::media {

class FakeMediaControl : public MediaControl {
  Q_OBJECT
 public:
  explicit FakeMediaControl(QWidget* parent = nullptr);

  // The calls made so far, in order, in the control's own terms:
  // "URL=<url>", "currentPlaylist.clear", "controls.play", "controls.stop",
  // "controls.pause", "controls.currentPosition=<seconds>",
  // "settings.rate=<rate>", "settings.volume=<volume>",
  // "settings.autoStart=true|false", "uiMode=<mode>", "enabled=true|false",
  // "enableContextMenu=true|false". Reads are not recorded.
  const QStringList& calls() const { return calls_; }
  void clearCalls() { calls_.clear(); }

  // Media the fake pretends to open: duration and image size per URL
  // (exact text), else the defaults (60 s, no image).
  void setMedium(const QString& url, double duration, int width = 0, int height = 0);
  void setDefaultMedium(double duration, int width = 0, int height = 0);
  // Opening this URL fails (MediaError, then state 10).
  void failUrl(const QString& url, const QString& description = QStringLiteral("loading failed"));

  // The medium plays to its end now: PlayStateChange 8, then 1; position 0.
  // Does nothing unless the medium is playing or paused.
  void endMedium();
  // Moves the position as if the medium had played for the given time; at
  // the end of the medium it ends it.
  void advance(double seconds);

  QString URL() const override { return url_; }
  void setURL(const QString& url) override;
  void clearPlaylist() override;
  void play() override;
  void stop() override;
  void pause() override;
  double currentPosition() const override { return position_; }
  void setCurrentPosition(double seconds) override;
  double duration() const override;
  int imageSourceWidth() const override;
  int imageSourceHeight() const override;
  double rate() const override { return rate_; }
  void setRate(double rate) override;
  int volume() const override { return volume_; }
  void setVolume(int volume) override;
  bool autoStart() const override { return autoStart_; }
  void setAutoStart(bool on) override;
  int playState() const override { return state_; }
  int openState() const override { return openState_; }
  QString lastError() const override { return lastError_; }
  QString versionInfo() const override { return QStringLiteral("fake 1.0"); }

 protected:
  void propertySet(const QString& name, const QString& value) override;

 private:
  struct Medium {
    double duration = 60;
    int width = 0;
    int height = 0;
  };
  const Medium& medium() const;
  void setState(int state);
  void open();

  QStringList calls_;
  QMap<QString, Medium> media_;
  Medium defaultMedium_;
  QMap<QString, QString> failing_;
  QString url_;
  bool open_ = false;
  int state_ = ps::Undefined;
  int openState_ = os::Undefined;
  double position_ = 0;
  double rate_ = 1.0;
  int volume_ = 50;
  bool autoStart_ = true;
  QString lastError_;
};

// Installs a factory that makes FakeMediaControls for as long as it lives,
// and keeps track of the ones it made.
class FakeMediaFactory {
 public:
  FakeMediaFactory();
  ~FakeMediaFactory();
  FakeMediaFactory(const FakeMediaFactory&) = delete;
  FakeMediaFactory& operator=(const FakeMediaFactory&) = delete;

  // The controls made so far (null where one was destroyed), oldest first.
  const std::vector<QPointer<FakeMediaControl>>& created() const { return created_; }
  // The newest one, or null.
  FakeMediaControl* last() const;

 private:
  std::vector<QPointer<FakeMediaControl>> created_;
  MediaControlFactory previous_;
};

}  // namespace lumo::media
