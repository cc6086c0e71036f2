#include "testsupport/fake_media_control.h"

#include <algorithm>
#include <cmath>

#include "common/errors/errors.h"

namespace lumo::media {

namespace {
QString boolText(bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); }
}  // namespace

FakeMediaControl::FakeMediaControl(QWidget* parent) : MediaControl(parent) {}

void FakeMediaControl::setMedium(const QString& url, double duration, int width, int height) {
  media_[url] = Medium{duration, width, height};
}

void FakeMediaControl::setDefaultMedium(double duration, int width, int height) {
  defaultMedium_ = Medium{duration, width, height};
}

void FakeMediaControl::failUrl(const QString& url, const QString& description) { failing_[url] = description; }

const FakeMediaControl::Medium& FakeMediaControl::medium() const {
  auto it = media_.constFind(url_);
  return it == media_.constEnd() ? defaultMedium_ : *it;
}

void FakeMediaControl::setURL(const QString& url) {
  calls_ << QStringLiteral("URL=") + url;
  url_ = url;
  position_ = 0;
  lastError_.clear();
  open_ = false;
  if (url.isEmpty()) {
    if (state_ != ps::Undefined) setState(ps::Stopped);
    return;
  }
  setState(ps::Transitioning);
  open();
  if (open_) setState(autoStart_ ? ps::Playing : ps::Ready);
}

void FakeMediaControl::open() {
  auto failure = failing_.constFind(url_);
  if (failure != failing_.constEnd()) {
    lastError_ = *failure;
    openState_ = os::Undefined;
    setState(ps::Ready);
    postMediaError(lastError_);
    return;
  }
  open_ = true;
  openState_ = os::MediaOpen;
  postOpenStateChange(os::MediaOpen);
}

void FakeMediaControl::clearPlaylist() {
  calls_ << QStringLiteral("currentPlaylist.clear");
  url_.clear();
  open_ = false;
  position_ = 0;
  if (state_ != ps::Undefined) setState(ps::Stopped);
}

void FakeMediaControl::play() {
  calls_ << QStringLiteral("controls.play");
  if (url_.isEmpty()) return;
  if (!open_) open();
  if (open_) setState(ps::Playing);
}

void FakeMediaControl::stop() {
  calls_ << QStringLiteral("controls.stop");
  position_ = 0;
  if (state_ != ps::Undefined) setState(ps::Stopped);
}

void FakeMediaControl::pause() {
  calls_ << QStringLiteral("controls.pause");
  if (state_ == ps::Playing) setState(ps::Paused);
}

void FakeMediaControl::setCurrentPosition(double seconds) {
  calls_ << QStringLiteral("controls.currentPosition=") + QString::number(seconds);
  if (!std::isfinite(seconds)) throw RuntimeError(err::InvalidCall);
  position_ = std::max(0.0, seconds);
  if (open_) position_ = std::min(position_, medium().duration);
}

double FakeMediaControl::duration() const {
  if (url_.isEmpty()) throw RuntimeError(err::ObjectNotSet);
  return open_ ? medium().duration : 0.0;
}

int FakeMediaControl::imageSourceWidth() const {
  if (url_.isEmpty()) throw RuntimeError(err::ObjectNotSet);
  return open_ ? medium().width : 0;
}

int FakeMediaControl::imageSourceHeight() const {
  if (url_.isEmpty()) throw RuntimeError(err::ObjectNotSet);
  return open_ ? medium().height : 0;
}

void FakeMediaControl::setRate(double rate) {
  calls_ << QStringLiteral("settings.rate=") + QString::number(rate);
  if (!(rate >= 0.01 && rate <= 100.0)) throw RuntimeError(err::InvalidCall);
  rate_ = rate;
}

void FakeMediaControl::setVolume(int volume) {
  calls_ << QStringLiteral("settings.volume=") + QString::number(volume);
  volume_ = std::clamp(volume, 0, 100);
}

void FakeMediaControl::setAutoStart(bool on) {
  calls_ << QStringLiteral("settings.autoStart=") + boolText(on);
  autoStart_ = on;
}

void FakeMediaControl::propertySet(const QString& name, const QString& value) { calls_ << name + u'=' + value; }

void FakeMediaControl::endMedium() {
  if (state_ != ps::Playing && state_ != ps::Paused) return;
  setState(ps::MediaEnded);
  position_ = 0;
  setState(ps::Stopped);
}

void FakeMediaControl::advance(double seconds) {
  if (state_ != ps::Playing) return;
  position_ += seconds * rate_;
  if (position_ >= medium().duration) endMedium();
}

void FakeMediaControl::setState(int state) {
  if (state == state_) return;
  state_ = state;
  postPlayStateChange(state);
}

FakeMediaFactory::FakeMediaFactory() {
  previous_ = setMediaControlFactory([this](QWidget* parent) -> MediaControl* {
    auto* control = new FakeMediaControl(parent);
    created_.emplace_back(control);
    return control;
  });
}

FakeMediaFactory::~FakeMediaFactory() { setMediaControlFactory(std::move(previous_)); }

FakeMediaControl* FakeMediaFactory::last() const { return created_.empty() ? nullptr : created_.back().data(); }

}  // namespace lumo::media
