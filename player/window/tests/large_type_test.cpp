// The reader's style sheets as the page view draws them: in every style a
// link is at least as large on screen as the text around it, measured on
// the picture of Zivuvu's pages, the help page and the view's own text.

#include <QImage>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <cstdlib>
#include <map>

#include "platform/browser/webbrowser.h"
#include "player/window/tests/window_fixture.h"

namespace lumo::player::testing {
namespace {

// The first place of text in the page view's document that is (or is not)
// inside a link; -1 when there is none.
int findText(QTextBrowser& view, const QString& text, bool inLink) {
  QTextDocument* doc = view.document();
  for (QTextCursor c = doc->find(text); !c.isNull(); c = doc->find(text, c)) {
    QTextCursor probe(doc);
    probe.setPosition(c.selectionStart() + 1);
    if (probe.charFormat().isAnchor() == inLink) return c.selectionStart();
  }
  return -1;
}

int colourDistance(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// How tall the character at `position` stands on screen: from the top of
// its ink to the baseline of its line, so a link's underline (below the
// baseline) does not count. The character is scrolled into view first.
int inkHeight(QTextBrowser& view, int position) {
  QTextCursor at(view.document());
  at.setPosition(position);
  view.setTextCursor(at);
  view.ensureCursorVisible();
  const QRect start = view.cursorRect(at);
  QTextCursor next = at;
  next.setPosition(position + 1);
  const QRect end = view.cursorRect(next);
  const QTextBlock block = view.document()->findBlock(position);
  const QTextLine line = block.layout()->lineForTextPosition(position - block.position());
  const int baseline = start.top() + static_cast<int>(line.ascent());
  const QImage image = view.viewport()->grab().toImage();
  const int left = std::max(0, start.left()), right = std::min(image.width(), std::max(end.left(), left + 1));
  const int top = std::max(0, start.top());
  // The most common colour of the character's box is what it stands on.
  std::map<QRgb, int> counts;
  for (int y = top; y < baseline && y < image.height(); ++y)
    for (int x = left; x < right; ++x) ++counts[image.pixel(x, y)];
  if (counts.empty()) return 0;
  const QRgb background =
      std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
  for (int y = top; y < baseline && y < image.height(); ++y)
    for (int x = left; x < right; ++x)
      if (colourDistance(image.pixel(x, y), background) > 150) return baseline - y;
  return 0;
}

struct Sample {
  const char* page;  // relative to the program folder
  const char* link;  // its text begins with the glyph measured
  const char* text;  // text around it, not in a link, likewise
};

// The index link of a file page (digits) beside its description, a
// command link, the home page's skip link and the help page's index.
const Sample kSamples[] = {
    {"LB01/A.htm", "12", "Capitolo 1"},
    {"LB01/A.htm", "Play", "Capitolo 1"},
    {"index.htm", "Vai direttamente", "Autore:"},
    {"Include/HELP.htm", "Come si usano", "LumoPlayer si comanda"},
};

class LargeTypeTest : public WindowTest {};

TEST_F(LargeTypeTest, EveryStyleDrawsLinksAtLeastAsLargeAsTheTextAroundThem) {
  makeZivuvuBook();
  for (const char* style : {"1", "2", "3"}) {
    SCOPED_TRACE(std::string("Style") + style);
    setPlayerSetting("StyleSheet", style);
    openWindow();
    window_->show();
    QTextBrowser& view = *window_->objwb->view();
    for (const Sample& s : kSamples) {
      SCOPED_TRACE(s.page);
      openPage(programAddress(s.page));
      const int link = findText(view, QString::fromUtf8(s.link), true);
      const int text = findText(view, QString::fromUtf8(s.text), false);
      ASSERT_GE(link, 0) << "no link " << s.link;
      ASSERT_GE(text, 0) << "no text " << s.text;
      const int linkHeight = inkHeight(view, link), textHeight = inkHeight(view, text);
      EXPECT_GE(linkHeight, textHeight - 1)
          << s.link << " " << linkHeight << " px, " << s.text << " " << textHeight << " px";
      // The high-contrast styles are the large type: capitals over 18 px.
      if (std::string(style) != "1") {
        EXPECT_GE(textHeight, 18) << s.text;
      }
    }
    window_.reset();
  }
}

}  // namespace
}  // namespace lumo::player::testing
