// The tool windows' shared pieces: handlers whose failures are reported in
// each program's words, and the about box built in the order a program gives.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <stdexcept>

#include "common/errors/errors.h"
#include "platform/ui/tool_window/about_box.h"
#include "platform/ui/tool_window/tool_window.h"
#include "platform/ui/ui.h"
#include "testsupport/qt_application.h"

namespace {

using lumo::RuntimeError;
using lumo::ui::ErrorFormat;

class ScriptedUi : public ::testing::Test {
 protected:
  void SetUp() override {
    lumo::testsupport::testApplication();
    lumo::ui::setBackend(ui);
  }
  void TearDown() override { lumo::ui::setBackend(nullptr); }

  std::shared_ptr<lumo::ui::ScriptedBackend> ui = std::make_shared<lumo::ui::ScriptedBackend>();
};

using GuardedHandler = ScriptedUi;

TEST_F(GuardedHandler, AFailureIsShownInTheProgramsWordsAndGoesNoFurther) {
  const ErrorFormat converter{"Errore #: ", "Errore: "};
  const ErrorFormat splitter{"Errore # ", "Errore "};
  const ErrorFormat finder{"", ""};
  struct Case {
    ErrorFormat format;
    std::function<void()> fail;
    std::string shown;
  } const cases[] = {
      {converter, [] { throw RuntimeError(lumo::err::FileNotFound); },
       "Errore 53: " + lumo::errorDescription(lumo::err::FileNotFound)},
      {splitter, [] { throw RuntimeError(76, "Impossibile trovare il percorso"); },
       "Errore 76 Impossibile trovare il percorso"},
      {converter, [] { throw std::runtime_error("disco pieno"); }, "Errore: disco pieno"},
      {splitter, [] { throw std::logic_error("disco pieno"); }, "Errore disco pieno"},
      // Only the format's "#" is the number: one in the description stays.
      {finder, [] { throw RuntimeError(75, "Il file # non si apre"); }, "Il file # non si apre"},
      {finder, [] { throw std::runtime_error("pagina non scritta"); }, "pagina non scritta"},
  };
  for (const Case& c : cases) {
    ui->clear();
    EXPECT_NO_THROW(lumo::ui::guarded(c.format, c.fail));
    ASSERT_EQ(ui->shown().size(), 1u) << c.shown;
    EXPECT_EQ(ui->shown()[0].text, c.shown);
    EXPECT_EQ(ui->shown()[0].icon(), lumo::ui::mb::Critical) << c.shown;
  }
  ui->clear();
  bool ran = false;
  lumo::ui::guarded(converter, [&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_TRUE(ui->shown().empty()) << "a handler that succeeds shows nothing";
}

// A window whose handler fails on its first call.
class FailingWindow : public QWidget {
 public:
  int calls = 0;
  void handler() {
    if (++calls == 1) throw RuntimeError(lumo::err::PermissionDenied, "Permesso negato");
  }
};

TEST_F(GuardedHandler, ASignalsHandlerThatThrowsIsReportedAndTheWindowGoesOn) {
  FailingWindow window;
  auto* button = new QPushButton("Converti", &window);
  lumo::ui::onGuarded(&window, ErrorFormat{"Errore # ", "Errore "}, button, &QPushButton::clicked,
                      &FailingWindow::handler);
  button->click();
  ASSERT_EQ(ui->shown().size(), 1u);
  EXPECT_EQ(ui->shown()[0].text, "Errore 70 Permesso negato");
  button->click();
  EXPECT_EQ(window.calls, 2) << "the connection survives the failure";
  EXPECT_EQ(ui->shown().size(), 1u);
}

using AboutBoxTest = ScriptedUi;

// Tab and a screen reader follow the parts in the order the program gives,
// which differs between the programs; a part not listed is not made.
TEST_F(AboutBoxTest, PartsFollowTheGivenOrder) {
  using Part = lumo::ui::AboutBox::Part;
  lumo::ui::AboutBox::Content content;
  content.windowTitle = "Informazioni su Prova";
  content.title = "Prova 1.2";
  content.description = "Descrizione";
  content.address = "Indirizzo";
  content.web = "http:\\\\esempio";
  content.order = {Part::Mail, Part::Title, Part::Exit, Part::Web, Part::Description};
  lumo::ui::AboutBox box(content, nullptr);

  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&box);
  ASSERT_NE(iface, nullptr);
  QStringList spoken;
  for (int i = 0; i < iface->childCount(); ++i) spoken << iface->child(i)->text(QAccessible::Name);
  EXPECT_EQ(spoken, (QStringList{"Posta elettronica", "Prova 1.2", "Esci", "http:\\\\esempio", "Descrizione"}));
  EXPECT_EQ(box.windowTitle(), "Informazioni su Prova");
  EXPECT_EQ(box.Image1, nullptr);
  EXPECT_EQ(box.Label2, nullptr);
  EXPECT_EQ(box.Label3, nullptr);

  box.present();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  box.Command1->setFocus();
  QTest::keyClick(box.Command1, Qt::Key_Tab);
  EXPECT_TRUE(box.Label4->hasFocus()) << "Tab goes on in the given order";
  QTest::mouseClick(box.Command1, Qt::LeftButton);
  EXPECT_FALSE(box.isVisible());
}

}  // namespace
