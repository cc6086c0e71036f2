#pragma once
// The player object that the main window drives. It chooses the player by
// the number Versione, forwards every player operation to the current
// player, raises PlayFileChange before a new file is loaded, and passes the
// host window's end-of-media event on as its own PlayStateChange.
//
// Version 1 is the media player host window frmWMP9. Version 0 names a
// second player slot that no player fills: choosing it unloads the host
// window and fails (error 91, reported as "oPl - AnaPlayer: Versione:"),
// leaving no current player. Choosing version 1 again, on the same object
// or a new one, always loads a new, working host window.
//
// Create the object and set Versione at once, before any other member.
// Every member but Versione9Presente, Get Versione and the destructor traps
// its errors and reports them with the label "oPl - " and its name; a member
// called while there is no current player fails (error 91) into its report.
// Releasing the object closes its host window.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <cstdint>

#include "player/media_host/frmWMP9.h"

namespace lumo::player {

class oAnaPlayer : public QObject {
  Q_OBJECT
 public:
  explicit oAnaPlayer(QObject* parent = nullptr);
  ~oAnaPlayer() override;  // Class_Terminate

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
  double CurrentPosition();  // 0 while FileName is empty
  void setCurrentPosition(double vNewValue);
  QVariant Duration();  // a double, or the 16-bit integer 0 with no file name
  void StopPlay();
  QVariant Volume();
  void setVolume(const QVariant& vNewValue);
  bool IsPlaying();
  void Pause_Player();
  bool Versione9Presente();
  int16_t Versione() const { return Versione_; }
  void setVersione(int16_t vNewValue);

  // The host window of version 1, the (always empty) slot of version 0, and
  // the player the members forward to (null when there is none).
  frmWMP9* o9() const { return o9_.data(); }
  frmWMP9* otherPlayer() const { return other_.data(); }
  frmWMP9* currentPlayer() const { return current_.data(); }

 signals:
  void PlayStateChange(int NewMode);
  void PlayFileChange(const QString& NewFile);

 private:
  frmWMP9& player() const;         // the current player, or run-time error 91
  frmWMP9& versionPlayer() const;  // the player that Versione names
  void loadHostWindow();
  void loadOtherPlayer();
  static void release(QPointer<frmWMP9>& window);

  int16_t Versione_ = 0;
  QPointer<frmWMP9> o9_;
  QPointer<frmWMP9> other_;
  QPointer<frmWMP9> current_;
  bool AudioOff_ = false;
};

}  // namespace lumo::player
