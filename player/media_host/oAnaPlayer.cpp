#include "player/media_host/oAnaPlayer.h"

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/media/media_control.h"
#include "player/media_host/frmWMP9.h"
#include "player/media_host/mdlMain.h"

namespace lumo::player {

namespace {
QString label(const char* member) { return QStringLiteral("oPl - ") + QLatin1String(member); }
}  // namespace

oAnaPlayer::oAnaPlayer(QObject* parent) : QObject(parent) {}

oAnaPlayer::~oAnaPlayer() {
  // Every error ignored, nothing reported.
  current_.clear();
  release(other_);
  release(o9_);
}

void oAnaPlayer::release(QPointer<frmWMP9>& window) {
  if (window) skipOnError([&] { window->Unload(); });
  window.clear();
}

frmWMP9& oAnaPlayer::player() const {
  if (!current_) throw RuntimeError(err::ObjectNotSet);
  return *current_;
}

frmWMP9& oAnaPlayer::versionPlayer() const {
  frmWMP9* chosen = Versione_ == 1 ? o9_.data() : other_.data();
  if (!chosen) throw RuntimeError(err::ObjectNotSet);
  return *chosen;
}

void oAnaPlayer::setVersione(int16_t vNewValue) {
  Versione_ = vNewValue;  // kept also when what follows fails
  if (vNewValue == 1)
    Trap(QStringLiteral("oPl - AnaPlayer: Versione:"), [this] { loadHostWindow(); });
  else if (vNewValue == 0)
    Trap(QStringLiteral("oPl - AnaPlayer: Versione:"), [this] { loadOtherPlayer(); });
}

void oAnaPlayer::loadHostWindow() {
  current_.clear();
  release(other_);
  // Set a second time, the version gets a new host window: so a fallback to
  // version 1 always ends with a fresh, working player.
  release(o9_);
  auto* window = new frmWMP9();
  o9_ = window;
  // Signal to signal: the end of a medium reaches the main window on the
  // call stack of the host window's timer tick.
  connect(window, &frmWMP9::PlayStateChange, this, &oAnaPlayer::PlayStateChange);
  window->Load();
  current_ = window;
}

void oAnaPlayer::loadOtherPlayer() {
  current_.clear();
  release(o9_);
  // No second player exists: loading the empty slot fails, and the object
  // stays without a current player until it is replaced.
  if (!other_) throw RuntimeError(err::ObjectNotSet);
  current_ = other_;
}

float oAnaPlayer::Rate() {
  float result = 0;
  Trap(label("Get Rate"), [&] {
    if (Versione_ == 0 || Versione_ == 1) result = versionPlayer().Rate();
  });
  return result;
}

void oAnaPlayer::setRate(float vNewValue) {
  Trap(label("Let Rate"), [&] {
    if (Versione_ == 0 || Versione_ == 1) versionPlayer().setRate(vNewValue);
  });
}

bool oAnaPlayer::AutoStart() {
  bool result = false;
  Trap(label("Get AutoStart"), [&] {
    if (Versione_ == 0 || Versione_ == 1) result = versionPlayer().AutoStart();
  });
  return result;
}

void oAnaPlayer::setAutoStart(bool value) {
  Trap(label("Let AutoStart"), [&] { player().setAutoStart(value); });
}

void oAnaPlayer::setFullScreen(bool value) {
  Trap(label("Let FullScreen"), [&] { player().setFullScreen(value); });
}

bool oAnaPlayer::FullScreen() {
  bool result = false;
  Trap(label("Get FullScreen"), [&] { result = player().FullScreen(); });
  return result;
}

bool oAnaPlayer::AudioOff() {
  bool result = false;
  Trap(label("Get AudioOff"), [&] { result = player().AudioOff(); });
  return result;
}

void oAnaPlayer::setAudioOff(bool vNewValue) {
  Trap(label("Let AudioOff"), [&] {
    AudioOff_ = vNewValue;
    player().setAudioOff(vNewValue);
    if (vNewValue) player().Stop_Player();
  });
}

QString oAnaPlayer::FileName() {
  QString result;
  Trap(label("Get FileName"), [&] { result = player().FileName(); });
  return result;
}

void oAnaPlayer::setFileName(const QString& vNewValue) {
  Trap(label("Let FileName"), [&] {
    // Announced while the old file is still loaded; the comparison counts case.
    if (player().FileName() != vNewValue) emit PlayFileChange(vNewValue);
    player().setFileName(vNewValue);
  });
}

void oAnaPlayer::Stop_Player() {
  Trap(label("Stop_Player"), [&] { player().Stop_Player(); });
}

void oAnaPlayer::Play_Player() {
  Trap(label("Play_Player"), [&] { player().Play_Player(); });
}

double oAnaPlayer::CurrentPosition() {
  double result = 0;
  Trap(label("Get CurrentPosition"), [&] {
    if (FileName().isEmpty()) return;
    result = player().CurrentPosition();
  });
  return result;
}

void oAnaPlayer::setCurrentPosition(double vNewValue) {
  Trap(label("Let CurrentPosition"), [&] { player().setCurrentPosition(vNewValue); });
}

QVariant oAnaPlayer::Duration() {
  QVariant result;
  Trap(label("Get Duration"), [&] {
    if (text::trim(player().FileName().toStdString()).empty())
      result = QVariant::fromValue<qint16>(0);
    else
      result = player().Duration();
  });
  return result;
}

void oAnaPlayer::StopPlay() {
  Trap(label("StopPlay"), [&] { player().StopPlay(); });
}

QVariant oAnaPlayer::Volume() {
  QVariant result;
  Trap(label("Get Volume"), [&] { result = player().Volume(); });
  return result;
}

void oAnaPlayer::setVolume(const QVariant& vNewValue) {
  Trap(label("Let Volume"), [&] { player().setVolume(vNewValue); });
}

bool oAnaPlayer::IsPlaying() {
  bool result = false;
  Trap(label("IsPlaying"), [&] { result = player().IsPlaying(); });
  return result;
}

void oAnaPlayer::Pause_Player() {
  Trap(label("Pause_Player"), [&] { player().Pause_Player(); });
}

bool oAnaPlayer::Versione9Presente() {
  bool result = false;
  skipOnError([&] {
    const QString version = player().WMP->versionInfo();
    (void)version;
    result = true;
  });
  return result;
}

}  // namespace lumo::player
