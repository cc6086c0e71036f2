#include "platform/browser/htmldocument.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/browser/urls.h"

namespace lumo::browser {
namespace {

const std::string kFixtures = std::string(LUMO_TEST_SOURCE_DIR) + "/platform/browser/tests/fixtures";
const std::string kBook = kFixtures + "/book";

std::shared_ptr<HtmlDocument> loadFixture(const std::string& name) {
  const std::string path = kBook + "/" + name;
  return HtmlDocument::fromBytes(text::readFileBytes(path), url::fileAddress(path));
}

struct CharsetCase {
  const char* what;
  std::string bytes;
  const char* expected;  // a substring of the decoded text
};

TEST(HtmlCharset, DeclaredThenUtf8ThenWindows1252) {
  const std::string httpEquiv = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">";
  const CharsetCase cases[] = {
      {"declared cp1252", httpEquiv + "<p>Perch\xE9 \x80</p>", "Perch\xC3\xA9 \xE2\x82\xAC"},
      // Declared cp1252 wins even where the bytes happen to be valid UTF-8.
      {"declared cp1252, UTF-8 look", httpEquiv + "<p>\xC3\xA8</p>", "\xC3\x83\xC2\xA8"},
      {"meta charset", "<META CHARSET=windows-1252><p>citt\xE0</p>", "citt\xC3\xA0"},
      {"latin-1 is read as cp1252", "<meta charset='ISO-8859-1'><p>\x80</p>", "\xE2\x82\xAC"},
      {"declared UTF-8", "<meta charset=\"utf-8\"><p>caff\xC3\xA8</p>", "caff\xC3\xA8"},
      {"declared UTF-8 with a stray byte", "<meta charset=utf-8><p>caff\xE8 \xC3\xA0</p>", "caff\xC3\xA8 \xC3\xA0"},
      {"other declared charset", "<meta charset=iso-8859-15><p>\xA4</p>", "\xE2\x82\xAC"},
      {"undeclared valid UTF-8", "<p>Citt\xC3\xA0</p>", "Citt\xC3\xA0"},
      {"undeclared windows-1252", "<p>Citt\xE0 \x93x\x94</p>", "Citt\xC3\xA0 \xE2\x80\x9Cx\xE2\x80\x9D"},
      {"UTF-8 byte order mark", "\xEF\xBB\xBF<p>\xC3\xA8</p>", "<p>\xC3\xA8</p>"},
  };
  for (const auto& c : cases) {
    const std::string decoded = decodeHtmlBytes(c.bytes);
    EXPECT_NE(decoded.find(c.expected), std::string::npos) << c.what << ": " << decoded;
    EXPECT_TRUE(text::isValidUtf8(decoded)) << c.what;
  }
}

TEST(HtmlDocument, ReadsTheBuildersWindows1252PageWithMetaTagsAndNamedElements) {
  const auto doc = loadFixture("A.htm");
  EXPECT_EQ(doc->title(), "Indice del file Perch\xC3\xA9");
  EXPECT_EQ(doc->All("QENPLAYER_AUDIO").content(), "Capitolo 1.mp3");
  EXPECT_EQ(doc->All("QENPLAYER_AUDIO_NEXTHTML_1").getAttribute("CONTENT"), "B.htm");
  // An index anchor is found by its name; its href comes out absolute.
  const HtmlElement index = doc->All("LumoIndex_1");
  ASSERT_TRUE(index);
  EXPECT_EQ(index.href(), url::fileAddress(kBook + "/A.htm") + "#QENPLAYER_AUDIO_POS=95");
  EXPECT_EQ(index.innerText(), "12");
  EXPECT_EQ(doc->All("lumoindex_1"), index);  // any case when no exact match

  // A missing tag is a null handle; using it is run-time error 91.
  const HtmlElement missing = doc->All("QENPLAYER_AUDIO_PREVHTML");
  EXPECT_FALSE(missing);
  try {
    (void)missing.content();
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::ObjectNotSet);
  }

  EXPECT_EQ(doc->getElementsByTagName("A").size(), 9u);
  EXPECT_EQ(doc->links().size(), 8u);  // "subito" is an anchor, not a link
  EXPECT_EQ(doc->body().All(0).getAttribute("class"), "imgbg");
  EXPECT_EQ(doc->body().All(1).getAttribute("class"), "VerticeBasso");
  EXPECT_TRUE(doc->body().All(500).isNull());
  // "<! ... >" is a comment, not text of the page.
  EXPECT_EQ(doc->body().innerText().find("TABELLA"), std::string::npos);
  EXPECT_NE(doc->body().innerText().find("Citt\xC3\xA0 e caff\xC3\xA8"), std::string::npos);
}

TEST(HtmlDocument, InnerHtmlReplacesTheBodyAndOldHandlesStayUsable) {
  const auto doc = HtmlDocument::blank();
  int changes = 0;
  doc->setChangeHandler([&] { ++changes; });
  EXPECT_EQ(doc->body().innerHTML(), "");

  doc->body().setInnerHTML(
      "<BODY><P align=center><IMG border=0 src=\"/x/avvio.jpg\" alt=\"Logo\"></P>"
      "<H1><b>LumoPlayer 4.1</b></H1><p class=testo>Societ\xC3\xA0</Body>");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(doc->body().innerHTML(),
            "<p align=\"center\"><img border=\"0\" src=\"/x/avvio.jpg\" alt=\"Logo\"></p>"
            "<h1><b>LumoPlayer 4.1</b></h1><p class=\"testo\">Societ\xC3\xA0</p>");
  const HtmlElement heading = doc->getElementsByTagName("h1").at(0);

  doc->body().setInnerHTML("plain <i>text</i>");
  EXPECT_EQ(doc->body().innerHTML(), "plain <i>text</i>");
  EXPECT_EQ(heading.innerText(), "LumoPlayer 4.1");  // detached, still readable
  EXPECT_TRUE(doc->getElementsByTagName("h1").empty());

  doc->body().setInnerHTML("");
  EXPECT_EQ(doc->body().innerHTML(), "");
  EXPECT_EQ(changes, 3);
}

TEST(HtmlDocument, StyleSheetsKeepCascadeOrderAndRenderInlined) {
  const auto doc = loadFixture("A.htm");
  const std::string sheet1 = url::fileAddress(kFixtures + "/Book/Include/Style1.css");
  ASSERT_EQ(doc->styleSheetCount(), 1);
  EXPECT_EQ(doc->styleSheets()[0].href, sheet1);

  // As a page load does with the reader's sheet: at 1, then at 0.
  const std::string sheet2 = "file://" + kBook + "/INCLUDE/STYLE2.CSS";
  const std::string sheet3 = "file://" + kBook + "/include/style3.css";
  EXPECT_EQ(doc->createStyleSheet(sheet2, 1), 1);
  EXPECT_EQ(doc->createStyleSheet(sheet3, 0), 0);
  EXPECT_EQ(doc->createStyleSheet("", 99), 3);  // an empty sheet, at the end
  const auto sheets = doc->styleSheets();
  ASSERT_EQ(sheets.size(), 4u);
  EXPECT_EQ(sheets[0].href, sheet3);
  EXPECT_EQ(sheets[1].href, sheet1);
  EXPECT_EQ(sheets[2].href, sheet2);
  EXPECT_EQ(sheets[3].owner.tagName(), "style");

  // The view gets every sheet's CSS (files found in any case) in that order.
  const std::string html = doc->renderHtml();
  const size_t c3 = html.find("#778899"), c1 = html.find("#112233"), c2 = html.find("#445566");
  ASSERT_NE(c3, std::string::npos);
  ASSERT_NE(c1, std::string::npos);
  ASSERT_NE(c2, std::string::npos);
  EXPECT_LT(c3, c1);
  EXPECT_LT(c1, c2);
  EXPECT_EQ(html.find("<link"), std::string::npos);

  // A page without sheets gets its first one in the head.
  const auto blank = HtmlDocument::fromHtml("<p>x</p>", "about:blank");
  EXPECT_EQ(blank->createStyleSheet(sheet2, 1), 0);
  EXPECT_NE(blank->renderHtml().find("<head><style>p { color: #445566 }"), std::string::npos);
}

TEST(HtmlDocument, ASheetThePageAlreadyLinksIsNotAddedAgain) {
  const std::string own = url::fileAddress(kFixtures + "/Book/Include/Style1.css");
  const std::string reader = "file://" + kBook + "/INCLUDE/STYLE2.CSS";
  const std::string other = "file://" + kBook + "/include/style3.css";
  const struct {
    const char* name;
    std::vector<std::pair<std::string, int>> calls;  // href and index, in turn
    std::vector<std::string> sheets;                 // the collection afterwards
    std::vector<int> positions;                      // each call's result
    int changes;
  } cases[] = {
      // A page load links the reader's sheet at 1, then at 0: after the page's
      // own sheet, once; later loads of the same page change nothing.
      {"page load", {{reader, 1}, {reader, 0}}, {own, reader}, {1, 1}, 1},
      {"three loads",
       {{reader, 1}, {reader, 0}, {reader, 1}, {reader, 0}, {reader, 1}, {reader, 0}},
       {own, reader},
       {1, 1, 1, 1, 1, 1},
       1},
      {"the page's own sheet again", {{own, 0}, {own, 1}, {own, -1}}, {own}, {0, 0, 0}, 0},
      // Asked for later in the cascade, the sheet moves there: the cascade is
      // that of a second link.
      {"moved later", {{reader, 0}, {other, -1}, {reader, -1}}, {own, other, reader}, {0, 2, 2}, 3},
      {"earlier stays", {{other, -1}, {reader, -1}, {reader, 0}}, {own, other, reader}, {1, 2, 2}, 2},
      {"a relative address is the same sheet", {{"../Book/Include/Style1.css", -1}}, {own}, {0}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto doc = loadFixture("A.htm");
    int changes = 0;
    doc->setChangeHandler([&] { ++changes; });
    std::vector<int> positions;
    for (const auto& [href, index] : c.calls) positions.push_back(doc->createStyleSheet(href, index));
    std::vector<std::string> sheets;
    for (const StyleSheet& sheet : doc->styleSheets()) sheets.push_back(sheet.href);
    EXPECT_EQ(sheets, c.sheets);
    EXPECT_EQ(positions, c.positions);
    EXPECT_EQ(changes, c.changes);
  }
  // Empty <style> sheets are separate sheets each time.
  const auto doc = HtmlDocument::blank();
  doc->createStyleSheet();
  doc->createStyleSheet();
  EXPECT_EQ(doc->styleSheetCount(), 2);
}

TEST(HtmlDocument, RenderingNumbersLinksAndDropsScripts) {
  const auto doc = HtmlDocument::fromHtml(
      "<a href=\"#a\">one</a><script>document.write('x')</script><a name=n></a>"
      "<a href=\"b.htm\">two</a>",
      "file:///lumo/A.htm");
  const std::string html = doc->renderHtml();
  EXPECT_NE(html.find("href=\"lumo-link:0\">one"), std::string::npos) << html;
  EXPECT_NE(html.find("href=\"lumo-link:1\">two"), std::string::npos) << html;
  EXPECT_EQ(html.find("document.write"), std::string::npos);
  // The tree itself is untouched.
  EXPECT_EQ(doc->links().at(1).getAttribute("href"), "b.htm");
  EXPECT_EQ(doc->links().size(), 2u);
}

}  // namespace
}  // namespace lumo::browser
