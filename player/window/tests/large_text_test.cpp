// The player's panels and dialogs at twice the desktop's text size: each
// grows with the text, and its controls stay inside it, apart and whole.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

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

}  // namespace
}  // namespace lumo::player::testing
