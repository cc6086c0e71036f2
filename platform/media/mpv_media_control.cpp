#include "platform/media/mpv_media_control.h"

#include <mpv/client.h>

#include <QByteArray>
#include <QMetaObject>
#include <QStringList>
#include <clocale>
#include <cmath>
#include <cstdio>

#include "common/errors/errors.h"

namespace lumo::media {

namespace {

// VB's "ActiveX component can't create object": the control is not there.
constexpr int kCannotCreateControl = 429;
const char* const kCannotCreateText = "Il componente ActiveX non può creare l'oggetto";

constexpr unsigned long long kEofReached = 1;
constexpr unsigned long long kPausedForCache = 2;

// A completed seek lands within this many seconds of its target.
constexpr double kSeekTolerance = 1.0;

void wakeup(void* context) {
  // Called on one of mpv's threads: hand over to the Qt thread.
  QMetaObject::invokeMethod(static_cast<QObject*>(context), "drainEvents", Qt::QueuedConnection);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> MpvMediaControl::parseOptions(const QString& text) {
  std::vector<std::pair<std::string, std::string>> options;
  for (const QString& item : text.split(u',', Qt::SkipEmptyParts)) {
    const QString entry = item.trimmed();
    if (entry.isEmpty()) continue;
    const qsizetype eq = entry.indexOf(u'=');
    if (eq < 0)
      options.emplace_back(entry.toStdString(), "yes");
    else
      options.emplace_back(entry.left(eq).trimmed().toStdString(), entry.mid(eq + 1).trimmed().toStdString());
  }
  return options;
}

MpvMediaControl::MpvMediaControl(QWidget* parent) : MediaControl(parent) {
  // libmpv refuses to start unless numbers are formatted the C way; the
  // suite's regional numbers go through QLocale, not through LC_NUMERIC.
  std::setlocale(LC_NUMERIC, "C");
  mpv_ = mpv_create();
  if (!mpv_) throw RuntimeError(kCannotCreateControl, kCannotCreateText);

  // The video is drawn into this widget's own native window.
  setAttribute(Qt::WA_DontCreateNativeAncestors);
  setAttribute(Qt::WA_NativeWindow);
  setAttribute(Qt::WA_OpaquePaintEvent);
  const QByteArray wid = QByteArray::number(static_cast<qulonglong>(winId()));

  const std::vector<std::pair<const char*, QByteArray>> defaults = {
      {"idle", "yes"},
      {"keep-open", "yes"},  // a medium that ends stays open, so play restarts it
      {"keep-open-pause", "yes"},
      {"audio-pitch-correction", "yes"},  // speed changes keep the pitch
      {"hr-seek", "yes"},
      {"volume-max", "100"},
      {"audio-display", "no"},  // cover art of an MP3 is no video
      {"input-default-bindings", "no"},
      {"input-vo-keyboard", "no"},  // keys belong to the Qt windows
      {"input-cursor", "no"},
      {"osc", "no"},
      {"osd-level", "0"},
      {"ytdl", "no"},
      {"load-scripts", "no"},
      {"resume-playback", "no"},
      {"save-position-on-quit", "no"},
      {"sub-auto", "no"},
      {"audio-file-auto", "no"},
      {"force-window", "no"},
      {"wid", wid},
  };
  for (const auto& [name, value] : defaults) mpv_set_option_string(mpv_, name, value.constData());
  for (const auto& [name, value] : parseOptions(qEnvironmentVariable("LUMO_MPV_OPTIONS"))) {
    if (mpv_set_option_string(mpv_, name.c_str(), value.c_str()) < 0)
      std::fprintf(stderr, "LUMO_MPV_OPTIONS: option %s=%s ignored\n", name.c_str(), value.c_str());
  }
  if (mpv_initialize(mpv_) < 0) {
    mpv_terminate_destroy(mpv_);
    mpv_ = nullptr;
    throw RuntimeError(kCannotCreateControl, kCannotCreateText);
  }
  mpv_observe_property(mpv_, kEofReached, "eof-reached", MPV_FORMAT_FLAG);
  mpv_observe_property(mpv_, kPausedForCache, "paused-for-cache", MPV_FORMAT_FLAG);
  double volume = volume_;
  mpv_set_property(mpv_, "volume", MPV_FORMAT_DOUBLE, &volume);
  mpv_set_wakeup_callback(mpv_, &wakeup, this);
}

MpvMediaControl::~MpvMediaControl() {
  if (!mpv_) return;
  // After this returns no wakeup call is running or will come.
  mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
  mpv_terminate_destroy(mpv_);
}

// --- URL and playlist ---------------------------------------------------

void MpvMediaControl::setURL(const QString& url) {
  if (url.isEmpty()) {
    closeMedium();
    url_.clear();
    return;
  }
  url_ = url;
  lastError_.clear();
  pendingPosition_.reset();
  target_ = autoStart_ ? ps::Playing : ps::Ready;
  open();
}

void MpvMediaControl::clearPlaylist() {
  setOpenState(os::PlaylistChanging);
  closeMedium();
  url_.clear();
}

void MpvMediaControl::open() {
  open_ = false;
  rewound_ = false;
  setPause(target_ != ps::Playing);
  mpv_node result{};
  const QByteArray path = url_.toUtf8();
  const char* args[] = {"loadfile", path.constData(), "replace", nullptr};
  if (mpv_command_ret(mpv_, args, &result) < 0) {
    entry_ = -1;
    lastError_ = QStringLiteral("Impossibile aprire ") + url_;
    setState(ps::Ready);
    postMediaError(lastError_);
    return;
  }
  entry_ = -1;
  if (result.format == MPV_FORMAT_NODE_MAP) {
    for (int i = 0; i < result.u.list->num; ++i) {
      if (std::string_view(result.u.list->keys[i]) == "playlist_entry_id") entry_ = result.u.list->values[i].u.int64;
    }
  }
  mpv_free_node_contents(&result);
  if (entry_ < 0) entry_ = intProperty("playlist/0/id");
  setOpenState(os::MediaChanging);
  setState(ps::Transitioning);
}

void MpvMediaControl::closeMedium() {
  if (entry_ >= 0) command({"stop"});
  entry_ = -1;
  open_ = false;
  rewound_ = false;
  pendingPosition_.reset();
  if (state_ != ps::Undefined && state_ != ps::Stopped) setState(ps::Stopped);
}

// --- controls -----------------------------------------------------------

void MpvMediaControl::play() {
  if (url_.isEmpty()) return;
  target_ = ps::Playing;
  if (entry_ < 0) {  // closed after a failure or at the end: open it again
    open();
    return;
  }
  setPause(false);
  rewound_ = false;
  if (!open_) return;  // still opening: it starts once open
  // At the end of a medium mpv stays on its last frame; play starts over.
  if (!pendingPosition_ && flagProperty("eof-reached")) seek(0);
  setState(ps::Playing);
}

void MpvMediaControl::stop() {
  target_ = ps::Stopped;
  if (open_) {
    setPause(true);
    seek(0);
    rewound_ = true;
  } else if (entry_ >= 0) {
    setPause(true);  // still opening: it stays at its start once open
    pendingPosition_.reset();
  }
  if (state_ != ps::Undefined && state_ != ps::Stopped) setState(ps::Stopped);
}

void MpvMediaControl::pause() {
  if (entry_ < 0) return;
  if (!open_) {
    target_ = ps::Paused;
    setPause(true);
    return;
  }
  if (state_ == ps::Playing || state_ == ps::Buffering) {
    target_ = ps::Paused;
    setPause(true);
    setState(ps::Paused);
  }
}

double MpvMediaControl::currentPosition() const {
  if (rewound_) return 0;
  if (pendingPosition_) return *pendingPosition_;
  if (!open_) return 0;
  // mpv may report a little below 0 around the start of a medium.
  return std::max(0.0, doubleProperty("time-pos"));
}

void MpvMediaControl::setCurrentPosition(double seconds) {
  if (!std::isfinite(seconds)) throw RuntimeError(err::InvalidCall);
  seconds = std::max(0.0, seconds);
  rewound_ = false;
  if (open_) {
    const double length = doubleProperty("duration");
    if (length > 0 && seconds > length) seconds = length;
    seek(seconds);
  } else {
    pendingPosition_ = seconds;  // applied once the medium is open
  }
}

void MpvMediaControl::seek(double seconds) {
  pendingPosition_ = seconds;
  seekClock_.start();
  const QByteArray target = QByteArray::number(seconds, 'f', 3);
  command({"seek", target, "absolute+exact"});
}

// --- currentMedia -------------------------------------------------------

void MpvMediaControl::requireMedium() const {
  if (url_.isEmpty()) throw RuntimeError(err::ObjectNotSet);
}

double MpvMediaControl::duration() const {
  requireMedium();
  return open_ ? doubleProperty("duration") : 0.0;
}

int MpvMediaControl::imageSourceWidth() const {
  requireMedium();
  return open_ ? static_cast<int>(intProperty("width")) : 0;
}

int MpvMediaControl::imageSourceHeight() const {
  requireMedium();
  return open_ ? static_cast<int>(intProperty("height")) : 0;
}

// --- settings -----------------------------------------------------------

void MpvMediaControl::setRate(double rate) {
  if (!(rate >= 0.01 && rate <= 100.0)) throw RuntimeError(err::InvalidCall);
  rate_ = rate;
  mpv_set_property(mpv_, "speed", MPV_FORMAT_DOUBLE, &rate);
}

void MpvMediaControl::setVolume(int volume) {
  volume_ = std::clamp(volume, 0, 100);
  double value = volume_;
  mpv_set_property(mpv_, "volume", MPV_FORMAT_DOUBLE, &value);
}

QString MpvMediaControl::versionInfo() const {
  char* version = mpv_get_property_string(mpv_, "mpv-version");
  if (!version) return QStringLiteral("mpv");
  QString text = QString::fromUtf8(version);
  mpv_free(version);
  return text;
}

QString MpvMediaControl::mpvProperty(const char* name) const {
  char* value = mpv_get_property_string(mpv_, name);
  if (!value) return {};
  QString text = QString::fromUtf8(value);
  mpv_free(value);
  return text;
}

// --- mpv events ---------------------------------------------------------

void MpvMediaControl::drainEvents() {
  if (!mpv_) return;
  for (;;) {
    const mpv_event* event = mpv_wait_event(mpv_, 0);
    if (event->event_id == MPV_EVENT_NONE) break;
    handleEvent(*event);
  }
}

void MpvMediaControl::handleEvent(const mpv_event& event) {
  switch (event.event_id) {
    case MPV_EVENT_START_FILE:
      startedEntry_ = static_cast<const mpv_event_start_file*>(event.data)->playlist_entry_id;
      if (startedEntry_ == entry_) setOpenState(os::MediaOpening);
      break;
    case MPV_EVENT_FILE_LOADED: onFileLoaded(); break;
    case MPV_EVENT_END_FILE: onEndFile(event); break;
    case MPV_EVENT_PLAYBACK_RESTART: onPlaybackRestart(); break;
    case MPV_EVENT_PROPERTY_CHANGE: {
      const auto* property = static_cast<const mpv_event_property*>(event.data);
      if (property->format != MPV_FORMAT_FLAG) break;
      const bool on = *static_cast<const int*>(property->data) != 0;
      if (event.reply_userdata == kEofReached && on) {
        onEofReached();
      } else if (event.reply_userdata == kPausedForCache && open_) {
        if (on && state_ == ps::Playing) setState(ps::Buffering);
        if (!on && state_ == ps::Buffering) setState(ps::Playing);
      }
      break;
    }
    default: break;
  }
}

void MpvMediaControl::onFileLoaded() {
  // Events of a medium that was replaced meanwhile are stale.
  if (startedEntry_ != entry_ || entry_ < 0 || open_) return;
  open_ = true;
  setOpenState(os::MediaOpen);
  if (pendingPosition_) seek(*pendingPosition_);
  setState(target_);
}

void MpvMediaControl::onEndFile(const mpv_event& event) {
  const auto* end = static_cast<const mpv_event_end_file*>(event.data);
  if (end->playlist_entry_id != entry_ || entry_ < 0) return;
  if (end->reason == MPV_END_FILE_REASON_ERROR) {
    entry_ = -1;
    open_ = false;
    pendingPosition_.reset();
    lastError_ = QString::fromUtf8(mpv_error_string(end->error));
    setOpenState(os::Undefined);
    setState(ps::Ready);
    postMediaError(lastError_);
  } else if (end->reason == MPV_END_FILE_REASON_EOF) {
    // Only without keep-open; the next play opens the medium again.
    const bool wasRunning = open_ && state_ != ps::Stopped;
    entry_ = -1;
    open_ = false;
    pendingPosition_.reset();
    if (wasRunning) setState(ps::MediaEnded);
    setState(ps::Stopped);
  }
}

void MpvMediaControl::onEofReached() {
  if (!open_) return;
  if (state_ != ps::Playing && state_ != ps::Paused && state_ != ps::Buffering) return;
  // A seek back issued after mpv reached the end cancels it.
  if (!flagProperty("eof-reached")) return;
  target_ = ps::Stopped;
  setPause(true);
  setState(ps::MediaEnded);
  seek(0);
  rewound_ = true;
  setState(ps::Stopped);
}

void MpvMediaControl::onPlaybackRestart() {
  if (!pendingPosition_ || !open_) return;
  // The restart of an older seek lands far from the newest target; the
  // newest one lands near it, plus what has played since it was issued.
  const double played = rate_ * static_cast<double>(seekClock_.elapsed()) / 1000.0;
  if (std::abs(doubleProperty("time-pos") - *pendingPosition_) < kSeekTolerance + played) pendingPosition_.reset();
}

// --- helpers ------------------------------------------------------------

void MpvMediaControl::setPause(bool on) {
  int flag = on ? 1 : 0;
  mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &flag);
}

bool MpvMediaControl::flagProperty(const char* name) const {
  int flag = 0;
  if (mpv_get_property(mpv_, name, MPV_FORMAT_FLAG, &flag) < 0) return false;
  return flag != 0;
}

double MpvMediaControl::doubleProperty(const char* name) const {
  double value = 0;
  if (mpv_get_property(mpv_, name, MPV_FORMAT_DOUBLE, &value) < 0) return 0;
  return value;
}

long long MpvMediaControl::intProperty(const char* name) const {
  int64_t value = 0;
  if (mpv_get_property(mpv_, name, MPV_FORMAT_INT64, &value) < 0) return 0;
  return value;
}

int MpvMediaControl::command(const std::vector<QByteArray>& args) {
  std::vector<const char*> argv;
  for (const QByteArray& arg : args) argv.push_back(arg.constData());
  argv.push_back(nullptr);
  return mpv_command(mpv_, argv.data());
}

void MpvMediaControl::setState(int state) {
  if (state == state_) return;
  state_ = state;
  postPlayStateChange(state);
}

void MpvMediaControl::setOpenState(int state) {
  if (state == openState_) return;
  openState_ = state;
  postOpenStateChange(state);
}

}  // namespace lumo::media
