// What a screen reader hears of a message box: its title as the window's
// name and its text once, from the text itself, never again as the box's
// description.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>

#include "platform/ui/ui.h"
#include "platform/ui/ui_qt.h"
#include "testsupport/accessible_events.h"
#include "testsupport/qt_application.h"

namespace {

// How many objects of the tree carry the text as their name or description:
// each is one more time the reader speaks it.
int timesSpoken(QAccessibleInterface* iface, const QString& text) {
  if (iface == nullptr) return 0;
  int n = 0;
  if (iface->text(QAccessible::Name) == text) ++n;
  if (iface->text(QAccessible::Description) == text) ++n;
  for (int i = 0; i < iface->childCount(); ++i) n += timesSpoken(iface->child(i), text);
  return n;
}

TEST(QtMessageBox, TheTextIsSpokenOnceAndTheTitleNamesTheBox) {
  lumo::testsupport::testApplication();
  lumo::ui::testing::AccessibleEventLog log;
  lumo::ui::installQtBackend();
  struct Case {
    int style;
    const char* text;
  } const cases[] = {
      {lumo::ui::mb::YesNo | lumo::ui::mb::Question, "Sei sicuro di voler uscire?"},
      {lumo::ui::mb::Information, "Non è stato inserito nessun dato"},
      {lumo::ui::mb::Critical, "Riga uno\nriga due"},
  };
  for (const Case& c : cases) {
    const QString text = QString::fromUtf8(c.text);
    int spoken = -1;
    QString name, description;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr) << c.text;
      QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
      name = iface->text(QAccessible::Name);
      description = iface->text(QAccessible::Description);
      spoken = timesSpoken(iface, text);
      box->buttons().front()->click();
    });
    lumo::ui::MsgBox(c.text, c.style, "LumoPlayer");
    EXPECT_EQ(name, QStringLiteral("LumoPlayer")) << c.text;
    EXPECT_NE(description, text) << c.text;
    EXPECT_EQ(spoken, 1) << c.text;
  }
  lumo::ui::setBackend(nullptr);
}

}  // namespace
