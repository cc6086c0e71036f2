// The message boxes at twice the desktop's text size: the question, its
// icon and its buttons grow with the text and stay whole and apart.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/ui/ui.h"
#include "platform/ui/ui_qt.h"
#include "testsupport/qt_application.h"
#include "testsupport/text_size.h"

namespace {

// Checks the box the backend shows, then answers it with its default button.
void inspectShownBox(QSize& shownSize, int& fontHeight) {
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr) << "no message box shown";
    shownSize = box->size();
    fontHeight = box->fontMetrics().height();
    lumo::testsupport::expectControlsFit(*box);
    if (auto* buttons = box->findChild<QDialogButtonBox*>()) lumo::testsupport::expectControlsFit(*buttons);
    box->defaultButton()->click();
  });
}

TEST(QtMessageBoxes, GrowWithTheDesktopTextAndKeepTheirTextsWhole) {
  lumo::testsupport::testApplication();
  lumo::ui::installQtBackend();
  QSize normal, large;
  int normalText = 0, largeText = 0;
  inspectShownBox(normal, normalText);
  lumo::ui::MsgBox("Sei sicuro di voler uscire?", lumo::ui::mb::YesNo | lumo::ui::mb::Question, "LUMO Player");
  {
    const lumo::testsupport::ScopedTextSize twice(2.0);
    inspectShownBox(large, largeText);
    EXPECT_EQ(
        lumo::ui::MsgBox("Sei sicuro di voler uscire?", lumo::ui::mb::YesNo | lumo::ui::mb::Question, "LUMO Player"),
        lumo::ui::Answer::Yes);
  }
  EXPECT_GE(largeText, normalText * 3 / 2);
  EXPECT_GT(large.width(), normal.width());
  EXPECT_GT(large.height(), normal.height());
}

}  // namespace
