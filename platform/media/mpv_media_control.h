#pragma once
// The media player control on libmpv. mpv runs its own threads; its events
// are drained on the Qt thread (the wakeup callback queues a call), and the
// control's own events are raised from there. A video is drawn into this
// widget's native window (mpv's "wid" option).

#include <QElapsedTimer>
#include <QString>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/media/media_control.h"

struct mpv_handle;
struct mpv_event;

namespace lumo::media {

class MpvMediaControl : public MediaControl {
  Q_OBJECT
 public:
  // Starts a libmpv instance; raises run-time error 429 when libmpv cannot
  // be created or initialised. Extra mpv options come from the environment
  // variable LUMO_MPV_OPTIONS ("ao=null,vo=null").
  explicit MpvMediaControl(QWidget* parent = nullptr);
  ~MpvMediaControl() override;

  QString URL() const override { return url_; }
  void setURL(const QString& url) override;
  void clearPlaylist() override;
  void play() override;
  void stop() override;
  void pause() override;
  double currentPosition() const override;
  void setCurrentPosition(double seconds) override;
  double duration() const override;
  int imageSourceWidth() const override;
  int imageSourceHeight() const override;
  double rate() const override { return rate_; }
  void setRate(double rate) override;
  int volume() const override { return volume_; }
  void setVolume(int volume) override;
  bool autoStart() const override { return autoStart_; }
  void setAutoStart(bool on) override { autoStart_ = on; }
  int playState() const override { return state_; }
  int openState() const override { return openState_; }
  QString lastError() const override { return lastError_; }
  QString versionInfo() const override;

  // An mpv property as text, for diagnostics ("" when it has none).
  QString mpvProperty(const char* name) const;

  // "key=value,key=value" as LUMO_MPV_OPTIONS holds it; blank entries are
  // skipped, an entry without "=" sets the option to "yes".
  static std::vector<std::pair<std::string, std::string>> parseOptions(const QString& text);

 private:
  Q_INVOKABLE void drainEvents();
  void handleEvent(const mpv_event& event);
  void onFileLoaded();
  void onEndFile(const mpv_event& event);
  void onEofReached();
  void onPlaybackRestart();

  void open();  // loads url_ into mpv with the state in target_
  void closeMedium();
  void seek(double seconds);
  void setPause(bool on);
  bool flagProperty(const char* name) const;
  double doubleProperty(const char* name) const;
  long long intProperty(const char* name) const;
  int command(const std::vector<QByteArray>& args);
  void setState(int state);
  void setOpenState(int state);
  void requireMedium() const;

  mpv_handle* mpv_ = nullptr;
  QString url_;
  int state_ = ps::Undefined;
  int openState_ = os::Undefined;
  int target_ = ps::Playing;  // the state the medium enters once it is open
  long long entry_ = -1;      // mpv playlist entry of the current medium
  long long startedEntry_ = -1;
  bool open_ = false;                      // the current medium is open in mpv
  std::optional<double> pendingPosition_;  // a seek not completed yet
  // Rewound by a stop or the end of the medium, and not moved since: the
  // position reads 0 exactly (mpv may land a few samples after the start).
  bool rewound_ = false;
  QElapsedTimer seekClock_;  // since the newest seek
  bool autoStart_ = true;
  double rate_ = 1.0;
  int volume_ = 50;
  QString lastError_;
};

}  // namespace lumo::media
