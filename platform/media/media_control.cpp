#include "platform/media/media_control.h"

#include <QKeyEvent>
#include <QMetaObject>

#include "platform/media/mpv_media_control.h"

namespace lumo::media {

MediaControl::MediaControl(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }

MediaControl::~MediaControl() = default;

void MediaControl::setUiMode(const QString& mode) {
  uiMode_ = mode;
  propertySet(QStringLiteral("uiMode"), mode);
}

void MediaControl::setControlEnabled(bool on) {
  controlEnabled_ = on;
  propertySet(QStringLiteral("enabled"), on ? QStringLiteral("true") : QStringLiteral("false"));
}

void MediaControl::setEnableContextMenu(bool on) {
  enableContextMenu_ = on;
  propertySet(QStringLiteral("enableContextMenu"), on ? QStringLiteral("true") : QStringLiteral("false"));
}

void MediaControl::propertySet(const QString&, const QString&) {}

void MediaControl::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  if (text.isEmpty()) {
    QWidget::keyPressEvent(event);  // passes it on to the host window
    return;
  }
  event->accept();
  emit KeyPress(text.at(0).unicode());
}

void MediaControl::postPlayStateChange(int state) {
  QMetaObject::invokeMethod(
      this, [this, state] { emit PlayStateChange(state); }, Qt::QueuedConnection);
}

void MediaControl::postOpenStateChange(int state) {
  QMetaObject::invokeMethod(
      this, [this, state] { emit OpenStateChange(state); }, Qt::QueuedConnection);
}

void MediaControl::postMediaError(const QString& description) {
  QMetaObject::invokeMethod(
      this, [this, description] { emit MediaError(description); }, Qt::QueuedConnection);
}

namespace {
MediaControlFactory& factorySlot() {
  static MediaControlFactory factory;
  return factory;
}
}  // namespace

MediaControl* createMediaControl(QWidget* parent) {
  if (const auto& factory = factorySlot()) return factory(parent);
  return new MpvMediaControl(parent);
}

MediaControlFactory setMediaControlFactory(MediaControlFactory factory) {
  MediaControlFactory previous = std::move(factorySlot());
  factorySlot() = std::move(factory);
  return previous;
}

}  // namespace lumo::media
