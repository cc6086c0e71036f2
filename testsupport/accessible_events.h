#pragma once
// What a screen reader would be told: switches Qt's accessibility on in a
// test process (the offscreen platform has no reader to do it) and records
// every accessible event the windows raise, with what the event's object
// says of itself at that moment.

#include <QAccessible>
#include <QPointer>
#include <QString>
#include <vector>

namespace lumo::ui::testing {

struct AccessibleEventRecord {
  QAccessible::Event type = QAccessible::InvalidEvent;
  QPointer<QObject> object;  // the widget that raised it
  int child = -1;            // the child of the widget's interface, or -1
  QAccessible::Role role = QAccessible::NoRole;
  QString name;
  QString description;
  bool focused = false;  // the interface's focused state
};

class AccessibleEventLog {
 public:
  AccessibleEventLog();
  ~AccessibleEventLog();
  AccessibleEventLog(const AccessibleEventLog&) = delete;
  AccessibleEventLog& operator=(const AccessibleEventLog&) = delete;

  const std::vector<AccessibleEventRecord>& events() const;
  // The events of one type, in order; of them, those raised by one object.
  std::vector<AccessibleEventRecord> of(QAccessible::Event type) const;
  std::vector<AccessibleEventRecord> of(QAccessible::Event type, const QObject* object) const;
  // The names carried by the events of one type, in order.
  std::vector<QString> names(QAccessible::Event type) const;
  void clear();
};

}  // namespace lumo::ui::testing
