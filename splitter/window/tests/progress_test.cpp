// The splitter's progress window as a screen reader hears it.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <string>
#include <vector>

#include "splitter/window/form3.h"
#include "testsupport/accessible_events.h"

namespace {

using lumo::splitter::Form3;

// What the window's notification said, in order.
std::vector<std::string> heard(const lumo::ui::testing::AccessibleEventLog& log, const Form3& w) {
  std::vector<std::string> names;
  for (const auto& e : log.of(QAccessible::ObjectShow, w.Annuncio)) {
    EXPECT_EQ(e.role, QAccessible::Notification) << e.name.toStdString();
    names.push_back(e.name.toStdString());
  }
  return names;
}

// The window says what it is and where the job starts when it opens, and
// each caption the job or the closing program gives it afterwards (the stop
// taken, the program closing) is heard at once; nothing is said before it
// opens, and no window text changes for it.
TEST(SplitterProgressWindow, ItsOpeningAndEveryNewCaptionAreAnnounced) {
  lumo::ui::testing::AccessibleEventLog log;
  Form3 w;
  w.setWindowTitle(QString::fromUtf8("Elaborazione in corso..."));  // before it shows: nothing to say yet
  EXPECT_TRUE(heard(log, w).empty());
  w.show();
  QApplication::processEvents();
  EXPECT_EQ(heard(log, w), std::vector<std::string>{"Elaborazione in corso... Taglio per indice 0%"});

  for (const char* caption : {"Attendere il termine del ciclo...", "Applicazione in fase di chiusura. Attendere..."})
    w.setWindowTitle(QString::fromUtf8(caption));
  EXPECT_EQ(heard(log, w), (std::vector<std::string>{"Elaborazione in corso... Taglio per indice 0%",
                                                     "Attendere il termine del ciclo...",
                                                     "Applicazione in fase di chiusura. Attendere..."}));
  // The notification is a message of its own: one name, no child that repeats it.
  QAccessibleInterface* notice = QAccessible::queryAccessibleInterface(w.Annuncio);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->childCount(), 0);
  EXPECT_EQ(w.Label1->text(), QString::fromUtf8("Taglio per indice"));
  EXPECT_EQ(w.lblpercent->text(), QString::fromUtf8("0%"));
}

}  // namespace
