#include "player/media_host/frmWMP9.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/keys/keys.h"
#include "platform/media/media_control.h"
#include "platform/ui/ui.h"
#include "player/media_host/mdlMain.h"

namespace lumo::player {

namespace ps = media::ps;

namespace {

QString label(const char* member) { return QStringLiteral("oWMP9 - ") + QLatin1String(member); }

// A variant converted to a 32-bit number as VB's CLng does: numbers rounded
// halves to even, texts read in the user's number format, Empty as 0.
int32_t toLong(const QVariant& value) {
  if (!value.isValid() || value.isNull()) return 0;
  if (value.typeId() == QMetaType::Bool) return value.toBool() ? -1 : 0;
  if (value.typeId() == QMetaType::QString) {
    const QString text = value.toString().trimmed();
    bool ok = false;
    double number = QLocale::system().toDouble(text, &ok);
    if (!ok) number = QLocale::c().toDouble(text, &ok);
    if (!ok) throw RuntimeError(err::TypeMismatch);
    return text::toInt32(number);
  }
  bool ok = false;
  const double number = value.toDouble(&ok);
  if (!ok) throw RuntimeError(err::TypeMismatch);
  return text::toInt32(number);
}

QRect screenPixels() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

frmWMP9::frmWMP9() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmWMP9"));
  setWindowTitle(QStringLiteral("MediaPlayer"));
  setAccessibleName(windowTitle());

  WMP = media::createMediaControl(this);
  WMP->setObjectName(QStringLiteral("WMP"));
  WMP->setAccessibleName(QStringLiteral("MediaPlayer"));
  // Design settings of the control.
  WMP->setRate(1.0);
  WMP->setAutoStart(true);
  WMP->setVolume(50);
  WMP->setUiMode(QStringLiteral("full"));
  WMP->setControlEnabled(false);
  WMP->setEnableContextMenu(false);

  TimerNextAction = new QTimer(this);
  TimerNextAction->setObjectName(QStringLiteral("TimerNextAction"));
  TimerNextAction->setInterval(1);
  TimerNextAction->setProperty("Tag", QString());

  // A debugging aid, never shown to the reader.
  Command1 = new QPushButton(QStringLiteral("Command1"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setAccessibleName(QStringLiteral("Command1"));
  Command1->hide();

  connect(TimerNextAction, &QTimer::timeout, this, [this] { TimerNextAction_Timer(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(WMP, &media::MediaControl::PlayStateChange, this, [this](int state) { WMP_PlayStateChange(state); });
  connect(WMP, &media::MediaControl::OpenStateChange, this, [this](int state) { WMP_OpenStateChange(state); });
  connect(WMP, &media::MediaControl::KeyPress, this, [this](int key) { WMP_KeyPress(key); });
}

frmWMP9::~frmWMP9() = default;

void frmWMP9::Load() { Form_Load(); }

void frmWMP9::Unload() {
  TimerNextAction->stop();
  skipOnError([this] {
    WMP->stop();
    WMP->setURL(QString());
  });
  hide();
  disconnect(this, nullptr, nullptr, nullptr);
  WMP->disconnect(this);
  // Deferred: an unload may come from inside one of this window's handlers.
  deleteLater();
}

// --- window -------------------------------------------------------------

void frmWMP9::Form_Load() {
  Trap(label("Form_Load"), [this] {
    setGeometry(screenPixels());
    Form_Resize();  // a hidden window gets no resize event of its own
    WMP->setUiMode(QStringLiteral("mini"));
    WMP->setEnableContextMenu(true);
  });
}

void frmWMP9::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

void frmWMP9::Form_Resize() {
  Trap(label("Form_Resize"), [this] {
    // A 10-twip margin around the control.
    const int width = this->width() * kTwipsPerPixel;
    const int height = this->height() * kTwipsPerPixel;
    WMP->setGeometry(TwipsRect(10, 10, width - 20, height - 20));
  });
}

void frmWMP9::keyPressEvent(QKeyEvent* event) {
  Form_KeyDown(keys::virtualKeyCode(*event), keys::shiftState(event->modifiers()));
}

void frmWMP9::Form_KeyDown(int KeyCode, int /*Shift*/) {
  Trap(label("Form_KeyDown"), [this, KeyCode] {
    if (KeyCode == keys::vk::Escape) WMP->stop();
  });
}

void frmWMP9::closeEvent(QCloseEvent* event) {
  // Closed by the window manager: the player stays, the video stops.
  event->ignore();
  skipOnError([this] { WMP->stop(); });
  hide();
}

void frmWMP9::Command1_Click() {
  Trap(label("Command1_Click"), [this] {
    ui::MsgBox(WMP->URL().toStdString());
    WMP->play();
  });
}

void frmWMP9::TimerNextAction_Timer() {
  Trap(label("TimerNextAction_Timer"), [this] {
    TimerNextAction->stop();
    const QString tag = TimerNextAction->property("Tag").toString();
    if (tag == QLatin1String("8")) emit PlayStateChange(tag.toInt());
  });
}

// --- control events -----------------------------------------------------

void frmWMP9::WMP_PlayStateChange(int NewState) {
  Trap(label("WMP_PlayStateChange"), [this, NewState] {
    switch (NewState) {
      case ps::Stopped:
        if (isVisible()) {
          setWindowState(Qt::WindowNoState);
          hide();
        }
        break;
      case ps::Playing:
        if (IsVideo(FileName())) showVideo();
        break;
      case ps::MediaEnded:
        TimerNextAction->setProperty("Tag", QStringLiteral("8"));
        DoEvents();
        TimerNextAction->start();
        break;
      default: break;
    }
  });
}

void frmWMP9::showVideo() {
  if (FullScreen_) {
    setWindowState(Qt::WindowMaximized);
    WMP->setControlEnabled(false);
  } else {
    setWindowState(Qt::WindowNoState);
    const QRect screen = screenPixels();
    const QRect twips = VideoWindowTwips(screen.size(), WMP->imageSourceWidth(), WMP->imageSourceHeight());
    setGeometry(TwipsRect(twips.x(), twips.y(), twips.width(), twips.height()).translated(screen.topLeft()));
    Form_Resize();
    WMP->setControlEnabled(true);
  }
  setVisible(true);
}

QRect frmWMP9::VideoWindowTwips(QSize screenPixels, int imageWidth, int imageHeight) {
  const int height = PixelsToTwipsY(imageHeight);
  const int width = PixelsToTwipsX(imageWidth);
  const int top = PixelsToTwipsY(screenPixels.height()) - (height + PixelsToTwipsY(50));
  const int left = PixelsToTwipsX(screenPixels.width()) - (width + PixelsToTwipsX(20));
  return QRect(left, top, width, height);
}

void frmWMP9::WMP_OpenStateChange(int /*NewState*/) {
  Trap(label("WMP_OpenStateChange"), [] {});
}

void frmWMP9::WMP_KeyPress(int KeyAscii) {
  Trap(label("WMP_KeyPress"), [this, KeyAscii] { Form_KeyDown(KeyAscii, 0); });
}

// --- members ------------------------------------------------------------

bool frmWMP9::IsVideo(const QString& name) {
  const QString upper = name.toUpper();
  return upper.contains(QLatin1String(".WMV")) || upper.contains(QLatin1String(".M1V")) ||
         upper.contains(QLatin1String(".AVI"));
}

float frmWMP9::Rate() {
  float result = 0;
  Trap(label("Get Rate"), [&] { result = static_cast<float>(WMP->rate()); });
  return result;
}

void frmWMP9::setRate(float vNewValue) {
  Trap(label("Let Rate"), [&] { WMP->setRate(vNewValue); });
}

bool frmWMP9::AutoStart() {
  bool result = false;
  Trap(label("Get AutoStart"), [&] { result = AutoStart_; });
  return result;
}

void frmWMP9::setAutoStart(bool value) {
  Trap(label("Let AutoStart"), [&] {
    AutoStart_ = value;
    WMP->setAutoStart(value);
  });
}

void frmWMP9::setFullScreen(bool value) {
  Trap(label("Let FullScreen"), [&] {
    FullScreen_ = value;
    WMP->setUiMode(value ? QStringLiteral("none") : QStringLiteral("mini"));
  });
}

bool frmWMP9::FullScreen() {
  bool result = false;
  Trap(label("Get FullScreen"), [&] { result = FullScreen_; });
  return result;
}

bool frmWMP9::AudioOff() {
  bool result = false;
  Trap(label("Get AudioOff"), [&] { result = AudioOff_; });
  return result;
}

void frmWMP9::setAudioOff(bool vNewValue) {
  Trap(label("Let AudioOff"), [&] {
    AudioOff_ = vNewValue;
    if (vNewValue) Stop_Player();
  });
}

QString frmWMP9::FileName() {
  QString result;
  Trap(label("Get FileName"), [&] { result = WMP->URL(); });
  return result;
}

void frmWMP9::setFileName(const QString& vNewValue) {
  Trap(label("Let FileName"), [&] {
    WMP->clearPlaylist();
    DoEvents();
    WMP->setURL(vNewValue);  // with auto-start on, this starts playback too
    // With the reader switched off an audio file is loaded and stopped at
    // once; a video always plays.
    if (!IsVideo(FileName()) && AudioOff_) Stop_Player();
  });
}

void frmWMP9::Stop_Player() {
  Trap(label("Stop_Player"), [&] {
    // A medium that is still opening or paused is stopped too: otherwise an
    // audio file loaded with the reader off would start once open.
    const int state = WMP->playState();
    if (state == ps::Playing || state == ps::Paused || state == ps::Buffering || state == ps::Transitioning)
      WMP->stop();
    DoEvents();
    TimerNextAction->stop();  // cancels an end-of-media report still pending
  });
}

void frmWMP9::Play_Player() {
  QString step;
  Trap([&] { return label("Play_Player - Posizione: ") + step; },
       [&] {
         if (!IsVideo(FileName()) && AudioOff_) return;
         step = QStringLiteral(" isPlaying ");
         if (IsPlaying()) return;
         step = QStringLiteral(" FileName ");
         if (FileName().isEmpty()) return;
         DoEvents();
         step = QStringLiteral(" WMP.Controls.play ");
         WMP->play();
       });
}

double frmWMP9::CurrentPosition() {
  double result = 0;
  Trap(label("Get CurrentPosition"), [&] { result = WMP->currentPosition(); });
  return result;
}

void frmWMP9::setCurrentPosition(double vNewValue) {
  Trap(label("Let CurrentPosition"), [&] { WMP->setCurrentPosition(vNewValue); });
}

QVariant frmWMP9::Duration() {
  QVariant result;
  Trap(label("Get Duration"), [&] { result = QVariant(WMP->duration()); });
  return result;
}

void frmWMP9::StopPlay() {
  Trap(label("StopPlay"), [&] {
    if (WMP->playState() == ps::Playing)
      WMP->pause();
    else
      WMP->play();
  });
}

QVariant frmWMP9::Volume() {
  QVariant result;
  Trap(label("Get Volume"), [&] { result = QVariant(static_cast<int32_t>(WMP->volume())); });
  return result;
}

void frmWMP9::setVolume(const QVariant& vNewValue) {
  Trap(label("Let Volume"), [&] { WMP->setVolume(toLong(vNewValue)); });
}

bool frmWMP9::IsPlaying() {
  bool result = false;
  Trap(label("IsPlaying"), [&] { result = WMP->playState() == ps::Playing; });
  return result;
}

void frmWMP9::Pause_Player() {
  Trap(label("Pause_Player"), [&] { WMP->pause(); });
}

}  // namespace lumo::player
