// The panels in the reader's style: on the picture of the bookmark list,
// its selected row reads at 4.5:1 at least in every style, and in the
// high-contrast styles the list and the panels show the sheet's colours.

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QRectF>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <map>

#include "platform/browser/webbrowser.h"
#include "platform/registry/registry.h"
#include "player/window/frmImpExp.h"
#include "player/window/frmInputBox.h"
#include "player/window/tests/window_fixture.h"

namespace lumo::player::testing {
namespace {

// WCAG 2: relative luminance and contrast ratio.
double linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double luminance(QRgb c) { return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c)); }
double contrast(QRgb a, QRgb b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour most of an area shows, and the one that stands out most from
// it (the text drawn on it).
struct AreaColours {
  QRgb background = 0;
  QRgb text = 0;
};
AreaColours coloursOf(const QImage& image, const QRect& area) {
  std::map<QRgb, int> counts;
  const QRect inside = area.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x) ++counts[image.pixel(x, y) | 0xff000000u];
  AreaColours c;
  if (counts.empty()) return c;
  c.background =
      std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
  double best = 0;
  for (const auto& [colour, n] : counts) {
    if (contrast(colour, c.background) > best) {
      best = contrast(colour, c.background);
      c.text = colour;
    }
  }
  return c;
}

// The same colour but for the shading a style gives a frame's face.
bool near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) <= 4 && std::abs(qGreen(a) - qGreen(b)) <= 4 && std::abs(qBlue(a) - qBlue(b)) <= 4;
}

class StyleColoursTest : public WindowTest {};

TEST_F(StyleColoursTest, TheSelectedBookmarkReadsAndThePanelsTakeTheStylesColours) {
  makeZivuvuBook();
  for (int n = 1; n <= 2; ++n) {
    registry::SaveSetting(kAppName, "LB01\\A.HTM", std::to_string(n), std::to_string(20 * n));
    registry::SaveSetting(kAppName, "LB01\\A.HTM", std::to_string(n) + "NOME", "Segno " + std::to_string(n));
    registry::SaveSetting(kAppName, "LB01\\A.HTM", std::to_string(n) + "NOMEAUDIO", "A.mp3");
  }
  struct Style {
    const char* number;
    std::optional<QRgb> page;  // the sheet's page colour the panels show; none: the desktop's
  } const styles[] = {{"1", std::nullopt}, {"2", qRgb(0, 0, 0)}, {"3", qRgb(0, 0, 0x66)}};
  for (const Style& s : styles) {
    SCOPED_TRACE(std::string("Style") + s.number);
    setPlayerSetting("StyleSheet", s.number);
    frmBrowser& w = openWindow();
    w.resize(900, 700);
    w.show();
    openPage(programAddress("LB01/A.htm"));
    w.fraMarcatori->show();
    w.objwb->hide();
    ASSERT_EQ(w.ListMarkers->count(), 2);
    w.ListMarkers->setCurrentRow(0);
    for (const bool focused : {true, false}) {
      SCOPED_TRACE(focused ? "the list has the focus" : "the focus elsewhere");
      if (focused) {
        w.ListMarkers->setFocus();
      } else {
        w.cmdImpExp[0]->setFocus();
      }
      QApplication::processEvents();
      const QImage list = w.ListMarkers->grab().toImage();
      const qreal ratio = list.devicePixelRatio();
      auto pixels = [ratio](QRect r) {
        return QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio).toRect().adjusted(1, 1, -1, -1);
      };
      const QRect selectedRow =
          w.ListMarkers->visualItemRect(w.ListMarkers->item(0)).translated(w.ListMarkers->viewport()->pos());
      const AreaColours selected = coloursOf(list, pixels(selectedRow));
      EXPECT_GE(contrast(selected.text, selected.background), 4.5)
          << std::hex << selected.text << " on " << selected.background;
      if (s.page) {
        const QRect other =
            w.ListMarkers->visualItemRect(w.ListMarkers->item(1)).translated(w.ListMarkers->viewport()->pos());
        const AreaColours row = coloursOf(list, pixels(other));
        EXPECT_TRUE(near(row.background, *s.page)) << std::hex << row.background;
        EXPECT_GE(contrast(row.text, row.background), 7.0);
      }
    }
    // The configuration panel and the input box in the same colours.
    if (s.page) {
      w.frmconfigurazione->show();
      w.frmconfigurazione->raise();
      QApplication::processEvents();
      const QImage panel = w.frmconfigurazione->grab().toImage();
      EXPECT_TRUE(near(coloursOf(panel, panel.rect()).background, *s.page))
          << std::hex << coloursOf(panel, panel.rect()).background;
      EXPECT_GE(contrast(coloursOf(panel, panel.rect()).text, *s.page), 7.0);
      frmInputBox box(&w);
      w.colourDialog(box);
      box.show();
      QApplication::processEvents();
      const QImage dialog = box.grab().toImage();
      EXPECT_TRUE(near(coloursOf(dialog, dialog.rect()).background, *s.page))
          << std::hex << coloursOf(dialog, dialog.rect()).background;
      box.hide();
    }
    window_.reset();
  }
}

}  // namespace
}  // namespace lumo::player::testing
