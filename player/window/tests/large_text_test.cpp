// The player's panels and dialogs at twice the desktop's text size: each
// grows with the text, and its controls stay inside it, apart and whole.

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include "platform/browser/page_accessible.h"
#include "platform/browser/webbrowser.h"
#include "platform/ui/text_scale.h"
#include "player/media_host/frmErrore.h"
#include "player/window/frmImpExp.h"
#include "player/window/frmInputBox.h"
#include "player/window/tests/window_fixture.h"
#include "testsupport/text_size.h"

namespace lumo::player::testing {
namespace {

using testsupport::expectControlsFit;

class LargeTextTest : public WindowTest {
 protected:
  void TearDown() override {
    window_.reset();
    WindowTest::TearDown();
  }
};

TEST_F(LargeTextTest, TheTextScaleIsOneAtTheDesignSizeAndFollowsALargerFont) {
  QFont design = QApplication::font();
  design.setPointSizeF(ui::kDesignPointSize);
  EXPECT_DOUBLE_EQ(ui::textScale(design), 1.0);
  QFont small = design;
  small.setPointSizeF(7);
  EXPECT_DOUBLE_EQ(ui::textScale(small), 1.0) << "the design is the smallest layout";
  QFont large = design;
  large.setPointSizeF(2 * ui::kDesignPointSize);
  EXPECT_NEAR(ui::textScale(large), 2.0, 0.2);
  EXPECT_EQ(ui::scaled(QRect(10, 20, 30, 40), 1.0), QRect(10, 20, 30, 40));
  EXPECT_EQ(ui::scaled(QRect(10, 20, 30, 40), 2.0), QRect(20, 40, 60, 80));
}

TEST_F(LargeTextTest, ThePanelsOfTheMainWindowGrowWithTheTextAndHoldTheirControls) {
  int designWidth = 0;
  {
    frmBrowser& w = openWindow();
    designWidth = w.frmconfigurazione->width();
    window_.reset();
  }
  const testsupport::ScopedTextSize twice(2.0);
  frmBrowser& w = openWindow();
  w.resize(1000, 750);
  w.show();
  QApplication::processEvents();
  EXPECT_GE(w.frmconfigurazione->width(), designWidth * 3 / 2) << "the configuration panel grew";

  w.frmconfigurazione->show();
  expectControlsFit(*w.frmconfigurazione);
  EXPECT_TRUE(w.rect().contains(w.frmconfigurazione->geometry()));
  w.frmconfigurazione->hide();

  w.fraMarcatori->show();
  expectControlsFit(*w.fraMarcatori);
  for (const bool forExport : {true, false}) {
    SCOPED_TRACE(forExport ? "export" : "import");
    w.cmdImpExp_Click(forExport ? 0 : 1);
    ASSERT_TRUE(w.frmImpExp->isVisible());
    expectControlsFit(*w.frmImpExp);
    w.cmdImpExp_Click(3);  // Annulla
  }
}

TEST_F(LargeTextTest, TheInputBoxAndTheErrorDialogHoldTheirTextsAtTwiceTheSize) {
  const testsupport::ScopedTextSize twice(2.0);
  frmInputBox box;
  box.Label1->setText(QStringLiteral("Il segnalibro esiste già, scrivi un altro nome:"));
  box.show();
  QApplication::processEvents();
  expectControlsFit(box);
  box.hide();

  frmErrore error;
  error.lblErrore->setText(QStringLiteral("Impossibile trovare il file."));
  error.lblFunzione->setText(QStringLiteral("MarcatoriRichiama"));
  error.show();
  QApplication::processEvents();
  expectControlsFit(error);
  error.hide();
}

// The table of the page view that holds a text, or nullptr.
QTextTable* tableWith(QTextDocument* document, const QString& text) {
  const QTextCursor found = document->find(text);
  return found.isNull() ? nullptr : found.currentTable();
}

// A 1280 x 1024 screen at twice the scale is 640 x 512 to the windows: the
// player's pages wrap to that width in every style, the command tables'
// cells going to further rows, words whole; a wider window has them in one
// row again.
TEST_F(LargeTextTest, ThePagesWrapToTheWidthOfAWindowOnAScreenAtTwiceTheScale) {
  makeZivuvuBook();
  for (const char* style : {"1", "2", "3"}) {
    SCOPED_TRACE(std::string("Style") + style);
    setPlayerSetting("StyleSheet", style);
    frmBrowser& w = openWindow();
    w.resize(640, 512);
    w.show();
    QTextBrowser* view = w.objwb->view();
    for (const char* page : {"LB01/A.htm", "index.htm", "Include/HELP.htm"}) {
      SCOPED_TRACE(page);
      openPage(programAddress(page));
      QApplication::processEvents();
      EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0) << "the page scrolls sideways";
      EXPECT_LE(view->document()->idealWidth(), view->document()->textWidth());
    }
    openPage(programAddress("LB01/A.htm"));
    EXPECT_NE(tableWith(view->document(), QStringLiteral("Inserisci")), nullptr) << "a command link stays one word";
    QTextTable* commands = tableWith(view->document(), QStringLiteral("COMANDI"));
    ASSERT_NE(commands, nullptr);
    if (std::string(style) != "1") {
      EXPECT_GT(commands->rows(), 1) << "the large type needs more rows";
    }
    EXPECT_EQ(w.objwb->links().size(), w.objwb->accessibility()->links().size()) << "every link is still there";
    // Wider: the cells in one row again, once the view has its new width.
    w.resize(2400, 1000);
    waitFor([&] { return tableWith(view->document(), QStringLiteral("COMANDI"))->rows() == 1; }, "one row");
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
    w.resize(640, 512);
    waitFor(
        [&] {
          return view->horizontalScrollBar()->maximum() == 0 &&
                 view->document()->idealWidth() <= view->document()->textWidth();
        },
        "the page fitted again");
    window_.reset();
  }
}

// The input box at twice the text size stays within the screen, its prompt
// on more lines, shown whole.
TEST_F(LargeTextTest, TheInputBoxAtTwiceTheTextSizeStaysWithinTheScreen) {
  const testsupport::ScopedTextSize twice(2.0);
  frmInputBox box;
  box.Label1->setText(QStringLiteral("Il segnalibro inserito esiste già, modifica la descrizione:"));
  box.show();
  QApplication::processEvents();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(box.frameGeometry().width(), screen.width());
  EXPECT_GE(box.Label1->height(), box.Label1->heightForWidth(box.Label1->width())) << "the prompt is cut off";
  expectControlsFit(box);
  box.hide();
}

// The player's dialogs fit a 1280 x 1024 screen at twice the scale (640 x
// 512 to the windows).
TEST_F(LargeTextTest, TheDialogsFitAScreenOf1280By1024AtTwiceTheScale) {
  frmInputBox box;
  box.Label1->setText(QStringLiteral("Il segnalibro inserito esiste già, modifica la descrizione:"));
  box.show();
  QApplication::processEvents();
  EXPECT_LE(box.width(), 640);
  EXPECT_LE(box.height(), 512);
  box.hide();
  frmErrore error;
  EXPECT_LE(error.width(), 640);
  EXPECT_LE(error.height(), 512);
}

}  // namespace
}  // namespace lumo::player::testing
