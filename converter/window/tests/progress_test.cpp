// The converter's progress window as a screen reader hears it.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <string>
#include <vector>

#include "converter/window/form3.h"
#include "testsupport/accessible_events.h"

namespace {

// The window is shown for every conversion and hidden at its end: each
// showing says, once, what the window is and what it does.
TEST(ConverterProgressWindow, EveryShowingIsAnnouncedOnce) {
  lumo::ui::testing::AccessibleEventLog log;
  lumo::converter::Form3 w;
  for (int run = 0; run < 2; ++run) {
    w.show();
    QApplication::processEvents();
    w.hide();
    QApplication::processEvents();
  }
  std::vector<std::string> heard;
  for (const auto& e : log.of(QAccessible::ObjectShow, w.Annuncio)) {
    EXPECT_EQ(e.role, QAccessible::Notification) << e.name.toStdString();
    heard.push_back(e.name.toStdString());
  }
  const std::string said = "Elaborazione in corso... Elaborazione dei dati in corso... Attendere";
  EXPECT_EQ(heard, (std::vector<std::string>{said, said}));
}

}  // namespace
