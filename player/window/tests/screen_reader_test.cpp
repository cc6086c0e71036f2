// What a blind reader hears of the player's window through a screen reader:
// the about page by the program's name, each new page by its title, and
// the links Tab moves to, with the heading of a page number's row.

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <algorithm>

#include "platform/browser/webbrowser.h"
#include "player/window/tests/window_fixture.h"
#include "testsupport/accessible_events.h"

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

  // Enter opens the file page at that entry's heading: the reader is on
  // its link, in the page named by its title.
  log.clear();
  QTest::keyClick(w.objwb->view(), Qt::Key_Return);
  waitFor([&] { return w.windowTitle() == QStringLiteral("Indice del file A"); }, "the file page");
  EXPECT_EQ(lastFocus().role, QAccessible::Link);
  EXPECT_EQ(lastFocus().name, QStringLiteral("Capitolo 1, 12"));
  QAccessibleInterface* filePage = QAccessible::queryAccessibleInterface(w.objwb->view())->child(0);
  ASSERT_NE(filePage, nullptr);
  EXPECT_EQ(filePage->text(QAccessible::Name), QStringLiteral("Indice del file A"));
  EXPECT_TRUE(errorReports().empty());
}

// Every link of the page shown, reached with Tab from the page's start: a
// link is heard by its name and its title, never by its address.
TEST_F(ScreenReaderTest, ALinkIsHeardByItsNameAndTitleNeverItsAddress) {
  makeZivuvuBook();
  ui::testing::AccessibleEventLog log;
  frmBrowser& w = openWindow();
  w.show();
  w.activateWindow();
  w.objwb->view()->setFocus();
  splashTick();
  QTextBrowser* view = w.objwb->view();
  // The links that have a description, as "name: description".
  auto walk = [&](const char* pageName, std::vector<QString>& described) {
    QAccessibleInterface* page = QAccessible::queryAccessibleInterface(view)->child(0);
    ASSERT_NE(page, nullptr);
    ASSERT_GT(page->childCount(), 3) << pageName;
    view->moveCursor(QTextCursor::Start);
    log.clear();
    for (int i = 0; i < page->childCount(); ++i) QTest::keyClick(view, Qt::Key_Tab);
    const auto focus = log.of(QAccessible::Focus);
    // A link at the very start of the page is passed by the first Tab.
    ASSERT_GE(focus.size() + 1, static_cast<size_t>(page->childCount())) << pageName;
    for (const auto& e : focus) EXPECT_EQ(e.role, QAccessible::Link) << pageName << ": " << e.name.toStdString();
    for (int i = 0; i < page->childCount(); ++i) {
      QAccessibleInterface* link = page->child(i);
      const QString address = link->text(QAccessible::Value);
      EXPECT_FALSE(address.isEmpty()) << pageName << " " << i;
      const QString description = link->text(QAccessible::Description);
      EXPECT_FALSE(description.contains(QStringLiteral("file:"))) << pageName << ": " << description.toStdString();
      EXPECT_FALSE(description.contains(QStringLiteral("#QENP"))) << pageName << ": " << description.toStdString();
    }
    for (const auto& e : focus) EXPECT_FALSE(e.description.contains(QStringLiteral("file:"))) << pageName;
    // The command links are described by their titles.
    for (const auto& e : focus)
      if (!e.description.isEmpty()) described.push_back(e.name + QStringLiteral(": ") + e.description);
    EXPECT_FALSE(described.empty()) << pageName;
  };
  std::vector<QString> home, file;
  walk("home page", home);
  EXPECT_NE(std::find(home.begin(), home.end(), QStringLiteral("Esci: Esci da LumoPlayer (ALT+F4)")), home.end());

  // The first index entry, pressed through its accessible action, opens
  // the file page: its command links too.
  QAccessibleInterface* first = QAccessible::queryAccessibleInterface(view)->child(0)->child(0);
  QAccessibleInterface* entry = nullptr;
  for (int i = 0; entry == nullptr && i < first->parent()->childCount(); ++i) {
    QAccessibleInterface* link = first->parent()->child(i);
    if (link->text(QAccessible::Name) == QStringLiteral("Capitolo 1, 12")) entry = link;
  }
  ASSERT_NE(entry, nullptr);
  ASSERT_NE(entry->actionInterface(), nullptr);
  log.clear();
  entry->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  waitFor(
      [&] {
        const auto focus = log.of(QAccessible::Focus);
        return !focus.empty() && focus.back().name == QStringLiteral("Capitolo 1, 12") &&
               w.windowTitle() == QStringLiteral("Indice del file A");
      },
      "the file page presented on its heading");
  walk("file page", file);
  EXPECT_NE(
      std::find_if(file.begin(), file.end(), [](const QString& d) { return d.contains(QStringLiteral("CTRL+3")); }),
      file.end());
  EXPECT_TRUE(errorReports().empty());
}

}  // namespace
}  // namespace lumo::player::testing
