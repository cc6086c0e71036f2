#include "platform/ui/notification.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace lumo::ui {
namespace {

constexpr const char* kNotificationProperty = "lumoNotification";

// A notification speaks as one message: its role and its name. Its children
// (the label that draws the text) are not presented apart, or a reader would
// say every message twice.
class NotificationAccessible : public QAccessibleWidget {
 public:
  explicit NotificationAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Notification) {}
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

QAccessibleInterface* notificationFactory(const QString&, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget && widget->property(kNotificationProperty).toBool()) {
    return new NotificationAccessible(widget);
  }
  return nullptr;
}

}  // namespace

void makeNotification(QWidget* region) {
  static const bool installed = [] {
    QAccessible::installFactory(notificationFactory);
    return true;
  }();
  (void)installed;
  region->setProperty(kNotificationProperty, true);
  // An interface made before (a name set while a reader listens) is
  // dropped, so the next question gets the notification's.
  QAccessibleInterface* existing = QAccessible::queryAccessibleInterface(region);
  if (existing && !dynamic_cast<NotificationAccessible*>(existing)) {
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(existing));
  }
}

void announce(QWidget* region, const QString& text) {
  region->setAccessibleName(text);
  if (region->isVisible()) {
    // Already showing an earlier message: tell the reader it shows anew.
    QAccessibleEvent shown(region, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
  } else {
    region->show();  // Qt raises the show event itself
  }
  region->raise();
}

void answerScreenReader(int milliseconds) {
  if (!QAccessible::isActive()) return;
  QEventLoop wait;
  QTimer::singleShot(milliseconds, &wait, &QEventLoop::quit);
  wait.exec();
}

}  // namespace lumo::ui
