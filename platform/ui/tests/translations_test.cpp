// Qt's own dialogs speak Italian in every program: the standard buttons and
// the file picker's labels come from Qt's Italian translations.

#include "platform/ui/translations.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>

#include "platform/ui/ui_qt.h"
#include "testsupport/qt_application.h"

namespace {

TEST(QtTranslations, TheBackendMakesQtsOwnDialogsSpeakItalian) {
  lumo::testsupport::testApplication();
  lumo::ui::installQtBackend();
  EXPECT_TRUE(lumo::ui::installItalianQtTranslations()) << "loaded once, and only once";

  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                           QDialogButtonBox::No);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Annulla"));
  EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text(), QStringLiteral("&Sì"));
  EXPECT_EQ(buttons.button(QDialogButtonBox::No)->text(), QStringLiteral("&No"));

  QFileDialog picker;
  picker.setOption(QFileDialog::DontUseNativeDialog);
  EXPECT_EQ(picker.labelText(QFileDialog::LookIn), QStringLiteral("Cerca in:"));
  EXPECT_EQ(picker.labelText(QFileDialog::Reject), QStringLiteral("Annulla"));
}

}  // namespace
