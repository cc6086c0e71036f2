#include "platform/browser/webbrowser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/browser/urls.h"
#include "testsupport/common/test_files.h"
#include "testsupport/qt_application.h"

// Readable failures.
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace lumo::browser {
namespace {

const std::string kBook = std::string(LUMO_TEST_SOURCE_DIR) + "/platform/browser/tests/fixtures/book";
const QString kPageA = QString::fromStdString(url::fileAddress(kBook + "/A.htm"));
const QString kPageB = QString::fromStdString(url::fileAddress(kBook + "/B.htm"));

// A browser with every event written down, as "Before <url>", "Title <t>",
// "Complete <url>", "Error <url>", "Closing".
class Browser : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { lumo::testsupport::testApplication(); }

  void SetUp() override {
    browser.resize(800, 600);
    browser.setExternalOpener([this](const QUrl& u) { opened.push_back(u); });
    QObject::connect(&browser, &WebBrowser::BeforeNavigate2, [this](const QString& u, bool& cancel) {
      events.push_back("Before " + u);
      if (onBefore) onBefore(u, cancel);
    });
    QObject::connect(&browser, &WebBrowser::TitleChange, [this](const QString& t) { events.push_back("Title " + t); });
    QObject::connect(&browser, &WebBrowser::DocumentComplete,
                     [this](const QString& u) { events.push_back("Complete " + u); });
    QObject::connect(&browser, &WebBrowser::NavigateError, [this](const QString& u, int status, bool& cancel) {
      events.push_back("Error " + u);
      errorStatus = status;
      cancel = cancelErrors;
    });
    QObject::connect(&browser, &WebBrowser::WindowClosing, [this](bool child, bool& cancel) {
      events.push_back(child ? "Closing child" : "Closing");
      cancel = cancelClosing;
    });
    browser.show();
  }

  // Delivers what the control queued (its DocumentComplete).
  void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }

  void openPageA() {
    browser.Navigate2(kPageA);
    settle();
    ASSERT_EQ(browser.ReadyState(), WebBrowser::READYSTATE_COMPLETE);
    events.clear();
  }

  // The text cursor selecting a visible text of the view.
  QTextCursor find(const QString& visible) {
    QTextCursor c = browser.view()->document()->find(visible);
    EXPECT_FALSE(c.isNull()) << visible.toStdString();
    return c;
  }

  void clickOn(const QString& label) {
    const QTextCursor c = find(label);
    QTextCursor a(browser.view()->document()), b(browser.view()->document());
    a.setPosition(c.selectionStart());
    b.setPosition(c.selectionEnd());
    const QRect ra = browser.view()->cursorRect(a), rb = browser.view()->cursorRect(b);
    const QPoint point((ra.left() + rb.left()) / 2, ra.center().y());
    ASSERT_FALSE(browser.view()->anchorAt(point).isEmpty()) << label.toStdString();
    QTest::mouseClick(browser.view()->viewport(), Qt::LeftButton, {}, point);
  }

  QString colourOf(const QString& visible) {
    QTextCursor c = find(visible);
    c.setPosition(c.selectionStart() + 1);
    return c.charFormat().foreground().color().name();
  }

  void cancelEveryNavigation() {
    onBefore = [](const QString&, bool& cancel) { cancel = true; };
  }

  WebBrowser browser;
  std::vector<QString> events;
  std::vector<QUrl> opened;
  std::function<void(const QString&, bool&)> onBefore;
  bool cancelErrors = false;
  bool cancelClosing = false;
  int errorStatus = 0;
};

using Events = std::vector<QString>;

TEST_F(Browser, LoadsALocalPageAndCompletesOnlyAfterNavigate2Returns) {
  EXPECT_EQ(browser.ReadyState(), WebBrowser::READYSTATE_UNINITIALIZED);
  EXPECT_THROW(browser.Document(), RuntimeError);

  browser.Navigate2(QString::fromStdString(kBook + "/A.htm"));  // a plain path
  EXPECT_EQ(events, Events{"Before " + kPageA});
  EXPECT_NE(browser.ReadyState(), WebBrowser::READYSTATE_COMPLETE);
  EXPECT_EQ(browser.LocationURL(), kPageA);

  settle();
  const QString title = QString::fromUtf8("Indice del file Perché");
  EXPECT_EQ(events, (Events{"Before " + kPageA, "Title " + title, "Complete " + kPageA}));
  EXPECT_EQ(browser.ReadyState(), WebBrowser::READYSTATE_COMPLETE);
  EXPECT_EQ(browser.LocationName(), "A.htm");
  EXPECT_EQ(browser.Document().All("QENPLAYER_AUDIO").content(), "Capitolo 1.mp3");
  // Read as windows-1252, shown with the page's own sheet (found in any case).
  EXPECT_TRUE(browser.view()->toPlainText().contains(QString::fromUtf8("Città e caffè")));
  EXPECT_FALSE(browser.view()->toPlainText().contains("TABELLA"));
  EXPECT_EQ(colourOf("Indice del file"), "#112233");
  EXPECT_EQ(browser.view()->accessibleName(), title);
}

TEST_F(Browser, EveryLinkRaisesBeforeNavigate2WithItsAbsoluteAddressFirst) {
  openPageA();
  cancelEveryNavigation();
  const QString folder = QString::fromStdString(url::fileAddress(kBook));
  const std::pair<QString, QString> cases[] = {
      {"Play/Pausa", kPageA + "#QENP_KEYCMD##KEYCTRL#51"},
      {QString::fromUtf8("Vai all'indice"), kPageA + "#subito"},
      {"12", kPageA + "#QENPLAYER_AUDIO_POS=95"},
      {"Pagina B", kPageB},
      {"Pagina mancante", folder + "/Manca.htm"},
      {"Sito", "http://www.example.org/lumo"},
      {"Cartella", folder + "/Include/"},
  };
  for (const auto& [label, address] : cases) {
    events.clear();
    clickOn(label);
    settle();
    EXPECT_EQ(events, Events{"Before " + address}) << label.toStdString();
    EXPECT_EQ(browser.LocationURL(), kPageA);
  }
  EXPECT_TRUE(opened.empty());  // cancelled links do not reach the desktop
}

TEST_F(Browser, TabThenEnterActivatesTheLinksInOrder) {
  openPageA();
  cancelEveryNavigation();
  browser.view()->setFocus();
  const QString expected[] = {kPageA + "#QENPLAYER_AUDIO_POS=95", kPageA + "#QENP_KEYCMD##KEYCTRL#51",
                              kPageA + "#subito"};
  for (const QString& address : expected) {
    events.clear();
    QTest::keyClick(browser.view(), Qt::Key_Tab);
    QTest::keyClick(browser.view(), Qt::Key_Return);
    EXPECT_EQ(events, Events{"Before " + address});
  }
}

// A link that also names an anchor (its id or name) is still one link to
// Tab: the view draws the focus over all of its text, not its first letter.
TEST_F(Browser, TabSelectsAllOfALinkThatAlsoNamesAnAnchor) {
  browser.Navigate2(
      QString::fromUtf8("about:<html><body><p><a id=\"/libri/Uno\" href=\"#2\">Libro dimostrativo</a></p>"
                        "<p><a name=\"qui\" href=\"#0\">Ridefinisci cartella</a> <a href=\"#1\">Senza nome</a></p>"
                        "<p><a href=\"#qui\">Torna</a></p></body></html>"));
  settle();
  cancelEveryNavigation();
  browser.view()->setFocus();
  for (const char* text : {"Libro dimostrativo", "Ridefinisci cartella", "Senza nome", "Torna"}) {
    QTest::keyClick(browser.view(), Qt::Key_Tab);
    EXPECT_EQ(browser.view()->textCursor().selectedText(), QString::fromUtf8(text));
  }
  // The anchor it names is still there for a link to it.
  onBefore = nullptr;
  events.clear();
  QTest::keyClick(browser.view(), Qt::Key_Return);
  settle();
  EXPECT_EQ(browser.LocationURL(), QStringLiteral("about:blank#qui"));
  EXPECT_EQ(browser.ReadyState(), WebBrowser::READYSTATE_COMPLETE);
}

TEST_F(Browser, AFragmentLinkMovesWithinThePageAndStillCompletes) {
  openPageA();
  const auto document = browser.document();

  clickOn(QString::fromUtf8("Vai all'indice"));
  EXPECT_EQ(browser.LocationURL(), kPageA + "#subito");
  settle();
  EXPECT_EQ(events, (Events{"Before " + kPageA + "#subito", "Complete " + kPageA + "#subito"}));
  EXPECT_EQ(browser.document(), document);  // not reloaded
  EXPECT_TRUE(browser.view()->textCursor().block().text().contains("Indice del file"));

  events.clear();
  clickOn("Play/Pausa");
  settle();
  const QString keyCommand = kPageA + "#QENP_KEYCMD##KEYCTRL#51";
  EXPECT_EQ(events, (Events{"Before " + keyCommand, "Complete " + keyCommand}));
  EXPECT_EQ(browser.LocationName(), "A.htm");

  // The same page without a fragment is loaded again (a style change does that).
  events.clear();
  browser.Navigate2(kPageA);
  settle();
  EXPECT_NE(browser.document(), document);
  EXPECT_EQ(events.back(), "Complete " + kPageA);
}

TEST_F(Browser, FollowsLinksToOtherPages) {
  openPageA();
  clickOn("Pagina B");
  settle();
  EXPECT_EQ(events, (Events{"Before " + kPageB, "Title Pagina B", "Complete " + kPageB}));
  EXPECT_EQ(browser.LocationName(), "B.htm");
  EXPECT_TRUE(browser.view()->toPlainText().contains(QString::fromUtf8("Perché")));  // UTF-8 page

  events.clear();
  clickOn("Torna");
  settle();
  EXPECT_EQ(events.back(), "Complete " + kPageA + "#subito");
  EXPECT_EQ(browser.Document().title(), "Indice del file Perch\xC3\xA9");
}

TEST_F(Browser, AMissingPageRaisesNavigateError) {
  openPageA();
  const QString missing = QString::fromStdString(url::fileAddress(kBook + "/Manca.htm"));

  cancelErrors = true;
  clickOn("Pagina mancante");
  settle();
  EXPECT_EQ(events, (Events{"Before " + missing, "Error " + missing}));
  EXPECT_EQ(errorStatus, WebBrowser::INET_E_RESOURCE_NOT_FOUND);
  EXPECT_EQ(browser.LocationURL(), kPageA);
  EXPECT_EQ(browser.ReadyState(), WebBrowser::READYSTATE_COMPLETE);

  events.clear();
  cancelErrors = false;
  browser.Navigate2(missing);
  settle();
  const QString title = WebBrowser::kErrorPageTitle;
  EXPECT_EQ(events, (Events{"Before " + missing, "Error " + missing, "Title " + title, "Complete " + missing}));
  EXPECT_EQ(browser.LocationURL(), missing);
  EXPECT_TRUE(browser.view()->toPlainText().contains(title));
}

TEST_F(Browser, AWindowCloseLinkRaisesWindowClosingInsteadOfNavigating) {
  openPageA();
  cancelClosing = true;
  clickOn("Esci");
  settle();
  EXPECT_EQ(events, Events{"Closing"});
  EXPECT_TRUE(browser.isVisible());

  cancelClosing = false;
  clickOn("Esci");
  EXPECT_FALSE(browser.isVisible());
}

TEST_F(Browser, WebMailAndNewWindowLinksGoToTheDesktop) {
  openPageA();
  clickOn("Sito");
  clickOn("Cartella");
  browser.Navigate2("mailto:info@example.org");
  settle();
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_EQ(opened[0], QUrl("http://www.example.org/lumo"));
  EXPECT_EQ(opened[1], QUrl::fromLocalFile(QString::fromStdString(kBook + "/include")));
  EXPECT_EQ(opened[2], QUrl("mailto:info@example.org"));
  EXPECT_EQ(browser.LocationURL(), kPageA);
  EXPECT_EQ(events.size(), 3u);  // three BeforeNavigate2, no page completed
}

TEST_F(Browser, BlankAndInlinePagesTakeBodyMarkup) {
  browser.Navigate2("about:blank");
  settle();
  ASSERT_EQ(browser.ReadyState(), WebBrowser::READYSTATE_COMPLETE);
  EXPECT_EQ(events.back(), "Complete about:blank");
  EXPECT_EQ(browser.Document().body().innerHTML(), "");

  browser.Document().body().setInnerHTML(
      "<BODY><h1><b>LumoPlayer 4.1</b></h1><p class=\"testo\"><a href=\"http://www.example.org\">"
      "Sito</a></p></Body>");
  EXPECT_TRUE(browser.view()->toPlainText().contains("LumoPlayer 4.1"));
  EXPECT_EQ(browser.Document().body().innerHTML(),
            "<h1><b>LumoPlayer 4.1</b></h1><p class=\"testo\"><a href=\"http://www.example.org\">"
            "Sito</a></p>");
  events.clear();
  clickOn("Sito");
  EXPECT_EQ(events, Events{"Before http://www.example.org"});

  const QString wait = QString::fromUtf8(
      "about: <html><body><h1>Attendere... sto ricercando gli audiolibri nelle unità</h1></body></html>");
  browser.Navigate2(wait);
  settle();
  EXPECT_EQ(browser.LocationURL(), wait);
  EXPECT_TRUE(browser.view()->toPlainText().contains(QString::fromUtf8("nelle unità")));
}

TEST_F(Browser, CreatedStyleSheetsCascadeAndTheFocusedLinkStays) {
  openPageA();
  HtmlDocument& doc = browser.Document();
  doc.body().All(1).focus();  // the first link after it: the index entry "12"
  EXPECT_TRUE(browser.view()->textCursor().hasSelection());

  const std::string style = "file://" + kBook + "/INCLUDE/STYLE";
  doc.createStyleSheet(style + "2.CSS", 1);
  EXPECT_EQ(colourOf("Indice del file"), "#445566");
  doc.createStyleSheet(style + "3.CSS", 0);  // first in the cascade: loses
  EXPECT_EQ(colourOf("Indice del file"), "#445566");
  EXPECT_EQ(doc.styleSheetCount(), 3);

  cancelEveryNavigation();
  QTest::keyClick(browser.view(), Qt::Key_Return);
  EXPECT_EQ(events, Events{"Before " + kPageA + "#QENPLAYER_AUDIO_POS=95"});
}

TEST_F(Browser, MovesWithinThePageRenderNothingAgain) {
  // As the player does at every completed navigation: the reader's sheet
  // at 1, then at 0.
  const std::string reader = "file://" + kBook + "/INCLUDE/STYLE2.CSS";
  QObject::connect(&browser, &WebBrowser::DocumentComplete, [&] {
    HtmlDocument& doc = browser.Document();
    if (doc.styleSheetCount() >= 1) doc.createStyleSheet(reader, 1);
    doc.createStyleSheet(reader, 0);
  });
  openPageA();
  ASSERT_EQ(browser.Document().styleSheetCount(), 2);
  EXPECT_EQ(colourOf("Indice del file"), "#445566");
  QSignalSpy renders(browser.view()->document(), &QTextDocument::contentsChanged);
  for (int i = 0; i < 40; ++i) {
    browser.Navigate2(kPageA + (i % 2 ? "#subito" : "#LumoIndex_1"));
    settle();
  }
  EXPECT_EQ(events.size(), 80u);  // every move still completes
  EXPECT_EQ(events.back(), "Complete " + kPageA + "#subito");
  EXPECT_EQ(renders.count(), 0);
  EXPECT_EQ(browser.Document().styleSheetCount(), 2);
  EXPECT_EQ(colourOf("Indice del file"), "#445566");

  // Loading the page again builds it anew, with the sheet once.
  browser.Navigate2(kPageA);
  settle();
  EXPECT_GT(renders.count(), 0);
  EXPECT_EQ(browser.Document().styleSheetCount(), 2);
}

// The view knows no ":focus": the link Tab selects is drawn in the colours
// of the sheets' a:focus rule, the last sheet in the cascade winning.
TEST_F(Browser, TheFocusedLinkIsDrawnInTheColoursOfTheFocusRule) {
  browser.Navigate2(
      QStringLiteral("about:<style>body{background-color:#000066;color:#FFFF00} a{color:#FFFF00}"
                     " a:focus{color:#000000;background-color:#FF0000}</style>"
                     "<p><a href=\"#uno\">Primo collegamento</a> <a href=\"#due\">Secondo</a></p>"
                     "<style>a:focus{background-color:#FFFFFF}</style>"));
  settle();
  browser.view()->setFocus();
  QTest::keyClick(browser.view(), Qt::Key_Tab);
  const QTextCursor selected = browser.view()->textCursor();
  ASSERT_EQ(selected.selectedText(), QStringLiteral("Primo collegamento"));
  EXPECT_EQ(browser.view()->palette().color(QPalette::Active, QPalette::Highlight).name(), "#ffffff");
  EXPECT_EQ(browser.view()->palette().color(QPalette::Active, QPalette::HighlightedText).name(), "#000000");

  // On screen: behind the focused link the rule's white, not the page's navy.
  QTextCursor a(browser.view()->document()), b(browser.view()->document());
  a.setPosition(selected.selectionStart());
  b.setPosition(selected.selectionEnd());
  const QRect link = browser.view()->cursorRect(a).united(browser.view()->cursorRect(b));
  const QImage shot = browser.view()->viewport()->grab().toImage();
  int white = 0, navy = 0;
  for (int y = link.top(); y <= link.bottom(); ++y) {
    for (int x = link.left(); x <= link.right(); ++x) {
      const QString c = QColor(shot.pixel(x, y)).name();
      white += c == "#ffffff";
      navy += c == "#000066";
    }
  }
  EXPECT_GT(white, link.width() * link.height() / 3) << "navy pixels: " << navy;
  EXPECT_LT(navy, white / 10);
}

TEST_F(Browser, AClickHookRunsBeforeTheLinkAndCanStopIt) {
  openPageA();
  HtmlDocument& doc = browser.Document();
  HtmlElement link;
  for (const HtmlElement& a : doc.links())
    if (a.innerText() == "Pagina B") link = a;
  bool follow = false;
  int calls = 0;
  doc.setClickHook(link, [&](const HtmlElement& clicked) {
    ++calls;
    EXPECT_EQ(clicked, link);
    return follow;
  });
  cancelEveryNavigation();
  clickOn("Pagina B");
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(events.empty());

  follow = true;
  clickOn("Pagina B");
  EXPECT_EQ(events, Events{"Before " + kPageB});
}

TEST_F(Browser, AHandlerMayNavigateElsewhereFromInsideBeforeNavigate2) {
  openPageA();
  // As a key command link does: the handler cancels it and opens a page itself.
  onBefore = [this](const QString& u, bool& cancel) {
    if (!u.contains("#QENP_KEYCMD#")) return;
    cancel = true;
    browser.Navigate2(kPageB);
  };
  clickOn("Play/Pausa");
  settle();
  EXPECT_EQ(events, (Events{"Before " + kPageA + "#QENP_KEYCMD##KEYCTRL#51", "Before " + kPageB, "Title Pagina B",
                            "Complete " + kPageB}));
  EXPECT_EQ(browser.LocationURL(), kPageB);
}

}  // namespace
}  // namespace lumo::browser

namespace lumo::browser {
namespace {

// A table whose words do not fit side by side: the view lays its cells out
// in more rows, in their order, words whole, and in one row again when
// there is room; the page itself does not change.
TEST_F(Browser, ATableTooWideForTheViewGoesOnInMoreRows) {
  testsupport::TempFolder dir("lumo-browser-wide");
  std::string cells;
  for (int i = 1; i <= 8; ++i)
    cells += "<td><a href=\"#c" + std::to_string(i) + "\">Comando" + std::to_string(i) + "</a></td>";
  const std::string page = (dir.path() / "wide.htm").string();
  std::ofstream(page) << "<html><head><style>td { font-size: 30pt; }</style></head><body><table><tr><th>COMANDI</th>" +
                             cells +
                             "</tr></table><table><tr><td colspan=\"2\">Stretto</td></tr></table></body></html>";
  const std::string before = text::readFileBytes(page);
  browser.resize(400, 600);
  browser.Navigate2(QString::fromStdString(url::fileAddress(page)));
  settle();
  QTextDocument* document = browser.view()->document();
  auto commands = [&] { return document->find(QStringLiteral("COMANDI")).currentTable(); };
  ASSERT_NE(commands(), nullptr);
  EXPECT_LE(document->idealWidth(), document->textWidth());
  EXPECT_GT(commands()->rows(), 1);
  for (int i = 1; i <= 8; ++i) EXPECT_FALSE(document->find(QStringLiteral("Comando%1").arg(i)).isNull()) << i;
  EXPECT_EQ(browser.links().size(), 8u);
  EXPECT_EQ(text::readFileBytes(page), before);
  // The cells keep their order: each link follows the one before it.
  int at = 0;
  for (int i = 1; i <= 8; ++i) {
    const QTextCursor c = document->find(QStringLiteral("Comando%1").arg(i));
    EXPECT_GT(c.selectionStart(), at) << i;
    at = c.selectionStart();
  }
  browser.resize(4000, 600);
  for (int i = 0; i < 50 && commands()->rows() != 1; ++i) settle();
  EXPECT_EQ(commands()->rows(), 1);
}

TEST(HtmlDocumentRows, ARowLimitSplitsTheTablesRowsButNotOnesWithSpans) {
  const auto doc = HtmlDocument::fromHtml(
      "<table><tr><td>1</td><td>2</td><td>3</td><td>4</td><td>5</td></tr></table>"
      "<table><tr><td rowspan=\"2\">a</td><td>b</td><td>c</td></tr><tr><td>d</td><td>e</td></tr></table>",
      "about:blank");
  // Read back: the first table's five cells in rows of two, the second's
  // two rows as they were.
  const auto rendered = HtmlDocument::fromHtml(doc->renderHtml({{0, 2}, {1, 1}}), "about:blank");
  const auto tables = rendered->getElementsByTagName("table");
  ASSERT_EQ(tables.size(), 2u);
  std::vector<size_t> cellsPerRow;
  for (const HtmlElement& row : tables[0].getElementsByTagName("tr"))
    cellsPerRow.push_back(row.getElementsByTagName("td").size());
  EXPECT_EQ(cellsPerRow, (std::vector<size_t>{2, 2, 1}));
  EXPECT_EQ(tables[0].innerText(), doc->getElementsByTagName("table")[0].innerText()) << "the cells in their order";
  EXPECT_EQ(tables[1].getElementsByTagName("tr").size(), 2u);
  EXPECT_EQ(doc->renderHtml({}), doc->renderHtml());
}

}  // namespace
}  // namespace lumo::browser
