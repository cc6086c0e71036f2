// What a blind reader hears of the player's window through a screen reader:
// the about page by the program's name, each new page by its title, and
// the links Tab moves to, with the heading of a page number's row.

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QTextBrowser>

#include "platform/browser/webbrowser.h"
#include "platform/ui/tests/accessible_events.h"
#include "player/window/tests/window_fixture.h"

namespace lumo::player::testing {
namespace {

class ScreenReaderTest : public WindowTest {};

TEST_F(ScreenReaderTest, TheAboutPageNewPagesAndTheLinksTabReachesAreHeard) {
  makeZivuvuBook();
  ui::testing::AccessibleEventLog log;
  frmBrowser& w = openWindow();
  w.show();
  w.activateWindow();
  w.objwb->view()->setFocus();
  QApplication::processEvents();

  QAccessibleInterface* view = QAccessible::queryAccessibleInterface(w.objwb->view());
  ASSERT_NE(view, nullptr);
  QAccessibleInterface* page = view->child(0);  // the document of the page shown
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->text(QAccessible::Name), QStringLiteral("LumoPlayer 4.1"))
      << "the about page is named by the program and its version";
  EXPECT_EQ(w.windowTitle(), QStringLiteral("QEN - MediaPlayer"));

  auto lastFocus = [&] {
    const auto focus = log.of(QAccessible::Focus);
    return focus.empty() ? ui::testing::AccessibleEventRecord{} : focus.back();
  };
  // The home page, at the splash tick: presented by its title.
  log.clear();
  splashTick();
  EXPECT_EQ(lastFocus().role, QAccessible::Document);
  EXPECT_EQ(lastFocus().name, QStringLiteral("Indice interattivo dell'opera"));

  // Tab goes from the link the page set-up chose to the first index entry.
  log.clear();
  QTest::keyClick(w.objwb->view(), Qt::Key_Tab);
  EXPECT_EQ(log.names(QAccessible::Focus), std::vector<QString>{QStringLiteral("Capitolo 1, 12")});
  EXPECT_EQ(lastFocus().role, QAccessible::Link);

  // Enter opens the file page, which is presented by its title.
  log.clear();
  QTest::keyClick(w.objwb->view(), Qt::Key_Return);
  waitFor([&] { return lastFocus().role == QAccessible::Document; }, "the file page presented");
  EXPECT_EQ(lastFocus().name, QStringLiteral("Indice del file A"));
  EXPECT_TRUE(errorReports().empty());
}

}  // namespace
}  // namespace lumo::player::testing
