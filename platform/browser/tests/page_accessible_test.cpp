// What a screen reader is told of the page view: the page as a document
// named by its title, its text, its links as children, the accessible focus
// following Tab and Shift+Tab, and each new page presented by its title.

#include "platform/browser/page_accessible.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTextBrowser>

#include <algorithm>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "platform/browser/urls.h"
#include "platform/browser/webbrowser.h"
#include "testsupport/accessible_events.h"
#include "testsupport/common/test_files.h"
#include "testsupport/qt_application.h"

void PrintTo(const QString& s, std::ostream* os);

namespace lumo::browser {
namespace {

// An index page as the page builder writes them: a table of headings with
// their page numbers, then command links.
const char* kIndexPage = R"html(<html><head><title> Indice del file cap01</title></head><body>
<p align="center">Indice del file cap01 - Durata 0:40 (mm:ss)</p>
<table>
<tr><th>Riferimento</th><th>Pagina di inizio</th></tr>
<tr><td>Capitolo primo</td><td class="cel"><a name="LumoIndex_1" href="#QENPLAYER_AUDIO_POS=0">1</a></td></tr>
<tr><td>Primo paragrafo</td><td class="cel"><a name="LumoIndex_2" href="#QENPLAYER_AUDIO_POS=15">2</a></td></tr>
</table>
<table><tr><th>COMANDI</th>
<td><a href="#QENP_KEYCMD##KEYCTRL#51" title=" Avvia la riproduzione
 (CTRL+3)">Play/Pausa</a></td>
<td><a href="cap02.htm">File +</a></td>
<td><a href="#indice" title="Vai all'indice"><img src="su.gif" alt=""></a></td></tr></table>
</body></html>)html";

class PageAccessibilityTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { lumo::testsupport::testApplication(); }

  void SetUp() override {
    index = write("cap01.htm", kIndexPage);
    next = write("cap02.htm",
                 "<html><head><title>Indice del file cap02</title></head><body>"
                 "<p><a href=\"cap01.htm\">File -</a></p></body></html>");
    browser.resize(800, 600);
    browser.show();
    browser.activateWindow();
    browser.view()->setFocus();
    QApplication::processEvents();
  }

  QString write(const std::string& name, const std::string& html) {
    const std::string path = dir / name;
    std::ofstream(path) << html;
    return QString::fromStdString(url::fileAddress(path));
  }

  void open(const QString& address) {
    browser.Navigate2(address);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    ASSERT_EQ(browser.ReadyState(), WebBrowser::READYSTATE_COMPLETE);
  }

  QAccessibleInterface* view() const { return QAccessible::queryAccessibleInterface(browser.view()); }
  // The document of the page shown: the view's one child.
  QAccessibleInterface* page() const { return view() ? view()->child(0) : nullptr; }

  std::vector<QString> focusNames() const {
    std::vector<QString> names;
    for (const auto& e : log.of(QAccessible::Focus)) names.push_back(e.name);
    return names;
  }

  testsupport::TempFolder dir{"lumo-browser-page"};
  QString index, next;
  ui::testing::AccessibleEventLog log;
  WebBrowser browser;
};

TEST_F(PageAccessibilityTest, ThePageIsADocumentWithItsTextAndItsLinksAsChildren) {
  open(index);
  ASSERT_EQ(view()->childCount(), 1);
  QAccessibleInterface* view = page();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->parent(), this->view());
  EXPECT_EQ(view->role(), QAccessible::Document);
  EXPECT_EQ(view->text(QAccessible::Name), QStringLiteral("Indice del file cap01"));
  ASSERT_NE(view->textInterface(), nullptr);
  const QString text = view->textInterface()->text(0, view->textInterface()->characterCount());
  EXPECT_TRUE(text.contains(QStringLiteral("Durata 0:40"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Primo paragrafo"))) << text.toStdString();

  struct Expected {
    QString name, description, value;
  };
  // A page number is named with its row's heading; other links by their
  // text. The title describes a link; the address is only its value, never
  // what the reader hears on every move.
  const std::vector<Expected> expected{
      {QStringLiteral("Capitolo primo, 1"), QString(), index + QStringLiteral("#QENPLAYER_AUDIO_POS=0")},
      {QStringLiteral("Primo paragrafo, 2"), QString(), index + QStringLiteral("#QENPLAYER_AUDIO_POS=15")},
      {QStringLiteral("Play/Pausa"), QStringLiteral("Avvia la riproduzione (CTRL+3)"),
       index + QStringLiteral("#QENP_KEYCMD##KEYCTRL#51")},
      {QStringLiteral("File +"), QString(), next},
      {QStringLiteral("Vai all'indice"), QString(), index + QStringLiteral("#indice")},
  };
  ASSERT_EQ(view->childCount(), static_cast<int>(expected.size()));
  for (int i = 0; i < view->childCount(); ++i) {
    QAccessibleInterface* link = view->child(i);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->role(), QAccessible::Link);
    EXPECT_EQ(link->text(QAccessible::Name), expected[static_cast<size_t>(i)].name);
    EXPECT_EQ(link->text(QAccessible::Description), expected[static_cast<size_t>(i)].description);
    EXPECT_EQ(link->text(QAccessible::Value), expected[static_cast<size_t>(i)].value);
    EXPECT_EQ(link->parent(), view);
    EXPECT_EQ(view->indexOfChild(link), i);
    EXPECT_FALSE(link->rect().isEmpty());
    EXPECT_EQ(view->childAt(link->rect().center().x(), link->rect().center().y()), link);
  }
}

TEST_F(PageAccessibilityTest, TabAndShiftTabMoveTheAccessibleFocusFromLinkToLink) {
  open(index);
  log.clear();
  ASSERT_TRUE(browser.view()->hasFocus());
  QTest::keyClick(browser.view(), Qt::Key_Tab);

  QTest::keyClick(browser.view(), Qt::Key_Tab);
  QTest::keyClick(browser.view(), Qt::Key_Tab);
  QTest::keyClick(browser.view(), Qt::Key_Backtab);
  EXPECT_EQ(focusNames(),
            (std::vector<QString>{QStringLiteral("Capitolo primo, 1"), QStringLiteral("Primo paragrafo, 2"),
                                  QStringLiteral("Play/Pausa"), QStringLiteral("Primo paragrafo, 2")}));
  for (const auto& e : log.of(QAccessible::Focus)) {
    EXPECT_EQ(e.role, QAccessible::Link);
    EXPECT_TRUE(e.focused) << e.name.toStdString();
    // The title describes a link; without one there is no description.
    EXPECT_EQ(e.description,
              e.name == QStringLiteral("Play/Pausa") ? QStringLiteral("Avvia la riproduzione (CTRL+3)") : QString())
        << e.name.toStdString();
  }
  // The page says which of its links has the focus.
  QAccessibleInterface* focused = page()->focusChild();
  ASSERT_NE(focused, nullptr);
  EXPECT_EQ(focused->text(QAccessible::Name), QStringLiteral("Primo paragrafo, 2"));
  EXPECT_EQ(view()->focusChild(), focused);
  EXPECT_FALSE(page()->state().focused);

  // A change of the page shown (a style sheet added) keeps the link.
  browser.Document().createStyleSheet("", 0);
  QApplication::processEvents();
  ASSERT_NE(page()->focusChild(), nullptr);
  EXPECT_EQ(page()->focusChild()->text(QAccessible::Name), QStringLiteral("Primo paragrafo, 2"));
}

TEST_F(PageAccessibilityTest, ANewPageIsPresentedByItsTitle) {
  open(index);
  QTest::keyClick(browser.view(), Qt::Key_Tab);
  QAccessibleInterface* before = page();
  log.clear();
  // The page's set-up gives a link the focus while the page completes; the
  // reader first hears the new page, by its title.
  QObject::connect(&browser, &WebBrowser::DocumentComplete, &browser,
                   [this] { browser.Document().body().All(0).focus(); });
  open(next);
  const auto focus = log.of(QAccessible::Focus);
  ASSERT_FALSE(focus.empty());
  EXPECT_EQ(focus.back().role, QAccessible::Document);
  EXPECT_EQ(focus.back().name, QStringLiteral("Indice del file cap02"));
  EXPECT_TRUE(focus.back().focused);
  EXPECT_NE(page(), before) << "every page is a document of its own";
  EXPECT_TRUE(page()->state().focused);
  EXPECT_EQ(page()->childCount(), 1);
  EXPECT_EQ(page()->child(0)->text(QAccessible::Name), QStringLiteral("File -"));

  // The view given the focus again (a panel closed) gives the reader the page.
  browser.view()->clearFocus();
  log.clear();
  browser.view()->setFocus();
  QApplication::processEvents();
  ASSERT_FALSE(log.of(QAccessible::Focus).empty());
  EXPECT_EQ(log.of(QAccessible::Focus).back().name, QStringLiteral("Indice del file cap02"));
  EXPECT_EQ(log.of(QAccessible::Focus).back().role, QAccessible::Document);
}

// The reader leaves the page for a panel of the window and comes back: the
// view, which drops a link's selection when it loses the focus, is on the
// same link again and the reader hears it.
TEST_F(PageAccessibilityTest, ComingBackToThePageIsComingBackToTheLink) {
  open(index);
  QLineEdit panel(&browser);
  panel.show();
  QTest::keyClick(browser.view(), Qt::Key_Tab);
  QTest::keyClick(browser.view(), Qt::Key_Tab);
  ASSERT_EQ(page()->focusChild()->text(QAccessible::Name), QStringLiteral("Primo paragrafo, 2"));
  panel.setFocus(Qt::OtherFocusReason);
  QApplication::processEvents();
  log.clear();
  browser.view()->setFocus(Qt::OtherFocusReason);
  QApplication::processEvents();
  EXPECT_EQ(browser.view()->textCursor().selectedText(), QStringLiteral("2"));
  ASSERT_FALSE(log.of(QAccessible::Focus).empty());
  EXPECT_EQ(log.of(QAccessible::Focus).back().name, QStringLiteral("Primo paragrafo, 2"));
  // Tab goes on from there.
  log.clear();
  QTest::keyClick(browser.view(), Qt::Key_Tab);
  EXPECT_EQ(focusNames(), std::vector<QString>{QStringLiteral("Play/Pausa")});
}

}  // namespace
}  // namespace lumo::browser

namespace lumo::browser {
namespace {

// A page opened at one of its links: the set-up presents that link, which
// the reader hears by its name when the load ends (not the page's title);
// within the page, at once. A link presented while the view has no focus
// is where the reader comes back to.
TEST_F(PageAccessibilityTest, APresentedLinkIsHeardByItsNameAndIsWhereTheReaderComesBack) {
  QObject::connect(&browser, &WebBrowser::DocumentComplete, &browser,
                   [this] { browser.presentLink(browser.Document().All("LumoIndex_2"), true); });
  log.clear();
  open(index);
  auto last = [this] {
    const auto focus = log.of(QAccessible::Focus);
    return focus.empty() ? ui::testing::AccessibleEventRecord{} : focus.back();
  };
  EXPECT_EQ(last().role, QAccessible::Link);
  EXPECT_EQ(last().name, QStringLiteral("Primo paragrafo, 2"));
  EXPECT_TRUE(last().focused);
  EXPECT_EQ(browser.selectedElement().name(), "LumoIndex_2");
  QObject::disconnect(&browser, &WebBrowser::DocumentComplete, &browser, nullptr);

  // Within the page, the view without the focus: nothing is said until the
  // reader comes back, to that link.
  QLineEdit elsewhere(&browser);
  elsewhere.show();
  elsewhere.setFocus();
  QApplication::processEvents();
  log.clear();
  ASSERT_TRUE(browser.presentLink(browser.Document().All("LumoIndex_1"), false));
  EXPECT_TRUE(log.of(QAccessible::Focus).empty());
  EXPECT_TRUE(elsewhere.hasFocus());
  browser.view()->setFocus();
  QApplication::processEvents();
  const auto heard = focusNames();
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.back(), QStringLiteral("Capitolo primo, 1"));
  EXPECT_EQ(std::count(heard.begin(), heard.end(), heard.back()), 1) << "once";
  EXPECT_EQ(browser.selectedElement().name(), "LumoIndex_1");
  EXPECT_FALSE(browser.presentLink(HtmlElement{}, true));
}

}  // namespace
}  // namespace lumo::browser
