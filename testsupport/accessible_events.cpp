#include "testsupport/accessible_events.h"

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <stdexcept>

namespace lumo::ui::testing {
namespace {

std::vector<AccessibleEventRecord>& recorded() {
  static std::vector<AccessibleEventRecord> list;
  return list;
}

void record(QAccessibleEvent* event) {
  AccessibleEventRecord r;
  r.type = event->type();
  r.object = event->object();
  r.child = event->child();
  if (QAccessibleInterface* iface = event->accessibleInterface(); iface && iface->isValid()) {
    r.role = iface->role();
    r.name = iface->text(QAccessible::Name);
    r.description = iface->text(QAccessible::Description);
    r.focused = iface->state().focused;
  }
  recorded().push_back(r);
}

QPlatformAccessibility* platformAccessibility() {
  QPlatformIntegration* integration = QGuiApplicationPrivate::platformIntegration();
  QPlatformAccessibility* accessibility = integration ? integration->accessibility() : nullptr;
  if (!accessibility) throw std::runtime_error("this Qt platform has no accessibility");
  return accessibility;
}

}  // namespace

AccessibleEventLog::AccessibleEventLog() {
  recorded().clear();
  QAccessible::installUpdateHandler(record);
  platformAccessibility()->setActive(true);
}

AccessibleEventLog::~AccessibleEventLog() {
  platformAccessibility()->setActive(false);
  QAccessible::installUpdateHandler(nullptr);
  recorded().clear();
}

const std::vector<AccessibleEventRecord>& AccessibleEventLog::events() const { return recorded(); }

std::vector<AccessibleEventRecord> AccessibleEventLog::of(QAccessible::Event type) const {
  std::vector<AccessibleEventRecord> out;
  for (const auto& r : recorded()) {
    if (r.type == type) out.push_back(r);
  }
  return out;
}

std::vector<AccessibleEventRecord> AccessibleEventLog::of(QAccessible::Event type, const QObject* object) const {
  std::vector<AccessibleEventRecord> out;
  for (const auto& r : recorded()) {
    if (r.type == type && r.object == object) out.push_back(r);
  }
  return out;
}

std::vector<QString> AccessibleEventLog::names(QAccessible::Event type) const {
  std::vector<QString> out;
  for (const auto& r : of(type)) out.push_back(r.name);
  return out;
}

void AccessibleEventLog::clear() { recorded().clear(); }

}  // namespace lumo::ui::testing
