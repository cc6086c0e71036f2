#pragma once
// The window that hosts the media player control and turns it into the
// player operations of oAnaPlayer: load, play, stop, pause or resume,
// position, duration, speed, volume, auto-start, full screen and the
// reader's switch-off (AudioOff). Hidden while audio plays; shown while a
// video plays, maximised or at the video's size in the bottom right corner.
// The end of a medium is reported from a 1 ms one-shot timer, never from
// inside the control's own event.
//
// Every member traps its errors and reports them through ShowError with the
// label "oWMP9 - " and its name; a read that fails returns its type's empty
// value.

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVariant>
#include <QWidget>

class QPushButton;
class QTimer;

namespace lumo::media {
class MediaControl;
}

namespace lumo::player {

class frmWMP9 : public QWidget {
  Q_OBJECT
 public:
  // Creates the window and its control with their design settings (not
  // loaded, not shown). Raises the control's run-time error when the media
  // player cannot be created.
  frmWMP9();
  ~frmWMP9() override;

  // Loads the window (Form_Load): placed over the whole screen, hidden.
  void Load();
  // Unloads it: playback stops, the window hides, its events stop and the
  // window is destroyed once control returns to the event loop.
  void Unload();

  float Rate();
  void setRate(float vNewValue);
  bool AutoStart();
  void setAutoStart(bool value);
  void setFullScreen(bool value);
  bool FullScreen();
  bool AudioOff();
  void setAudioOff(bool vNewValue);
  QString FileName();
  void setFileName(const QString& vNewValue);
  void Stop_Player();
  void Play_Player();
  double CurrentPosition();
  void setCurrentPosition(double vNewValue);
  QVariant Duration();  // a double (seconds), or empty after a failure
  void StopPlay();      // pause or resume
  QVariant Volume();    // a 32-bit integer, 0 to 100
  void setVolume(const QVariant& vNewValue);
  bool IsPlaying();
  void Pause_Player();

  // A file is a video when its name, upper-cased, contains ".WMV", ".M1V"
  // or ".AVI" anywhere.
  static bool IsVideo(const QString& name);
  // The video window at the video's own size, in twips, on a screen of the
  // given size in pixels: its bottom edge 50 pixels above the bottom of the
  // screen, its right edge 20 pixels from the right.
  static QRect VideoWindowTwips(QSize screenPixels, int imageWidth, int imageHeight);

  // The controls, named as in the window's design.
  media::MediaControl* WMP = nullptr;
  QTimer* TimerNextAction = nullptr;  // its "Tag" property holds the pending state
  QPushButton* Command1 = nullptr;

 signals:
  // Raised only with 8 (media ended), from the timer's tick.
  void PlayStateChange(int NewMode);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Form_Load();
  void Form_Resize();
  void Form_KeyDown(int KeyCode, int Shift);
  void Command1_Click();
  void TimerNextAction_Timer();
  void WMP_PlayStateChange(int NewState);
  void WMP_OpenStateChange(int NewState);
  void WMP_KeyPress(int KeyAscii);
  void showVideo();

  bool AudioOff_ = false;
  bool FullScreen_ = false;
  bool AutoStart_ = false;
};

}  // namespace lumo::player
