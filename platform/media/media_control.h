#pragma once
// The media player control that the player's host window embeds: the members
// and events of the Windows Media Player control that the suite uses, behind
// a small interface so that windows can be tested with a fake control.
//
// Member names follow the control's object model:
//   URL                          URL() / setURL()
//   currentPlaylist.clear        clearPlaylist()
//   controls.play/stop/pause     play() / stop() / pause()
//   controls.currentPosition     currentPosition() / setCurrentPosition()
//   currentMedia.duration        duration()
//   currentMedia.imageSource*    imageSourceWidth() / imageSourceHeight()
//   settings.rate/volume         rate() / setRate(), volume() / setVolume()
//   settings.autoStart           autoStart() / setAutoStart()
//   playState                    playState()
//   uiMode, enabled              uiMode() / setUiMode(), controlEnabled() / setControlEnabled()
//   enableContextMenu            enableContextMenu() / setEnableContextMenu()
//   versionInfo                  versionInfo()
// Events are Qt signals: PlayStateChange, OpenStateChange, KeyPress (and
// MediaError, raised when a medium cannot be opened or played).
//
// Events are always delivered from the event loop, never from inside the
// call that caused them: a caller that wants to see them yields once.

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

namespace lumo::media {

// The control's play states.
namespace ps {
inline constexpr int Undefined = 0;
inline constexpr int Stopped = 1;
inline constexpr int Paused = 2;
inline constexpr int Playing = 3;
inline constexpr int Buffering = 6;
inline constexpr int MediaEnded = 8;
inline constexpr int Transitioning = 9;
inline constexpr int Ready = 10;
}  // namespace ps

// The control's open states that this implementation reports.
namespace os {
inline constexpr int Undefined = 0;
inline constexpr int PlaylistChanging = 1;
inline constexpr int MediaChanging = 8;
inline constexpr int MediaOpening = 12;
inline constexpr int MediaOpen = 13;
}  // namespace os

class MediaControl : public QWidget {
  Q_OBJECT
 public:
  explicit MediaControl(QWidget* parent = nullptr);
  ~MediaControl() override;

  // URL: setting it opens the medium (and plays it when autoStart is on);
  // an empty URL closes the current medium.
  virtual QString URL() const = 0;
  virtual void setURL(const QString& url) = 0;
  // currentPlaylist.clear: closes the current medium; URL becomes empty.
  virtual void clearPlaylist() = 0;

  // controls. play() after a stop or the end of a medium starts again from
  // the beginning (or from a position set meanwhile).
  virtual void play() = 0;
  virtual void stop() = 0;
  virtual void pause() = 0;
  // Seconds from the start of the medium; 0 with no medium.
  virtual double currentPosition() const = 0;
  virtual void setCurrentPosition(double seconds) = 0;

  // currentMedia. With no medium (URL empty) these raise run-time error 91,
  // as reading a member of the missing currentMedia object does. While a
  // medium is still opening they read 0; audio has no image size (0).
  virtual double duration() const = 0;
  virtual int imageSourceWidth() const = 0;
  virtual int imageSourceHeight() const = 0;

  // settings. rate must lie in 0.01..100 (run-time error 5 otherwise); it
  // keeps the pitch. volume is clamped to 0..100.
  virtual double rate() const = 0;
  virtual void setRate(double rate) = 0;
  virtual int volume() const = 0;
  virtual void setVolume(int volume) = 0;
  virtual bool autoStart() const = 0;
  virtual void setAutoStart(bool on) = 0;

  virtual int playState() const = 0;
  virtual int openState() const = 0;
  // Description of the last medium that could not be opened or played.
  virtual QString lastError() const = 0;

  // uiMode ("full", "mini", "none", "invisible"), enabled and
  // enableContextMenu are kept as the control's properties; the control
  // draws the video alone in every mode.
  QString uiMode() const { return uiMode_; }
  void setUiMode(const QString& mode);
  bool controlEnabled() const { return controlEnabled_; }
  void setControlEnabled(bool on);
  bool enableContextMenu() const { return enableContextMenu_; }
  void setEnableContextMenu(bool on);

  virtual QString versionInfo() const = 0;

 signals:
  void PlayStateChange(int NewState);
  void OpenStateChange(int NewState);
  // The character code of a key typed while the control has the focus.
  void KeyPress(int KeyAscii);
  void MediaError(const QString& description);

 protected:
  // Keys that produce a character are the control's own (KeyPress); others
  // go on to the window that hosts it.
  void keyPressEvent(QKeyEvent* event) override;
  // Hooks for the fake control's call log.
  virtual void propertySet(const QString& name, const QString& value);

  // Raises an event from the event loop (queued), in the order of the calls.
  void postPlayStateChange(int state);
  void postOpenStateChange(int state);
  void postMediaError(const QString& description);

 private:
  QString uiMode_ = QStringLiteral("full");
  bool controlEnabled_ = false;
  bool enableContextMenu_ = false;
};

// Creates the control a host window embeds. Programs get the libmpv control;
// tests may install a factory of their own (FakeMediaFactory does).
using MediaControlFactory = std::function<MediaControl*(QWidget* parent)>;
MediaControl* createMediaControl(QWidget* parent);
// Installs a factory; an empty one restores the libmpv control. Returns the
// previous factory.
MediaControlFactory setMediaControlFactory(MediaControlFactory factory);

}  // namespace lumo::media
