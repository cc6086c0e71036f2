// The tool windows' shared pieces: handlers whose failures are reported in
// each program's words, the about box built in the order a program gives,
// Enter on buttons, the activation taken back after dialogs, and what a
// reader is told of a choice.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>
#include <stdexcept>

#include "common/errors/errors.h"
#include "platform/tool_window/about_box.h"
#include "platform/tool_window/tool_window.h"
#include "platform/ui/ui.h"
#include "platform/ui/ui_qt.h"
#include "testsupport/accessible_events.h"
#include "testsupport/qt_application.h"
#include "testsupport/window_fit.h"

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

  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box.parts());
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

// A main window of two buttons, set up as every tool window is.
struct TwoButtons {
  TwoButtons() {
    auto* panel = new QWidget(&window);
    auto* layout = new QVBoxLayout(panel);
    first = new QPushButton("Scegli un file", panel);
    second = new QPushButton("Esci", panel);
    field = new QLineEdit(panel);
    layout->addWidget(first);
    layout->addWidget(second);
    layout->addWidget(field);
    window.setCentralWidget(panel);
    QObject::connect(first, &QPushButton::clicked, [this] { ++firstPressed; });
    QObject::connect(second, &QPushButton::clicked, [this] { ++secondPressed; });
    lumo::ui::setUpToolWindow(&window);
    window.show();
    QApplication::setActiveWindow(&window);
  }
  QMainWindow window;
  QPushButton* first;
  QPushButton* second;
  QLineEdit* field;
  int firstPressed = 0, secondPressed = 0;
};

using ToolWindowKeys = ScriptedUi;

// Enter and the keypad's Enter press the focused button once, as Space
// does; Enter with a modifier, and Enter in a field, press none.
TEST_F(ToolWindowKeys, EnterPressesTheFocusedButtonAsSpaceDoes) {
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool onSecond, inField;
    int first, second;
  } const cases[] = {
      {Qt::Key_Return, Qt::NoModifier, false, false, 1, 0},      {Qt::Key_Return, Qt::NoModifier, true, false, 0, 1},
      {Qt::Key_Enter, Qt::KeypadModifier, true, false, 0, 1},    {Qt::Key_Space, Qt::NoModifier, true, false, 0, 1},
      {Qt::Key_Return, Qt::ControlModifier, false, false, 0, 0}, {Qt::Key_Return, Qt::AltModifier, true, false, 0, 0},
      {Qt::Key_Return, Qt::NoModifier, true, true, 0, 0},
  };
  for (const Case& c : cases) {
    TwoButtons w;
    QWidget* target = c.inField ? static_cast<QWidget*>(w.field) : c.onSecond ? w.second : w.first;
    target->setFocus();
    ASSERT_TRUE(target->hasFocus());
    QTest::keyClick(target, c.key, c.modifiers);
    EXPECT_EQ(w.firstPressed, c.first) << c.key << " " << c.modifiers;
    EXPECT_EQ(w.secondPressed, c.second) << c.key << " " << c.modifiers;
  }
}

// A message box over a tool window is a dialog: Enter answers with its
// default button, whichever of its buttons that is, and the window's own
// buttons are not pressed.
TEST_F(ToolWindowKeys, AMessageBoxsDefaultButtonKeepsEnter) {
  TwoButtons w;
  w.first->setFocus();
  lumo::ui::installQtBackend();
  struct Case {
    int style;
    lumo::ui::Answer expected;
  } const cases[] = {{lumo::ui::mb::YesNo, lumo::ui::Answer::Yes},
                     {lumo::ui::mb::YesNo | lumo::ui::mb::DefaultButton2, lumo::ui::Answer::No},
                     {lumo::ui::mb::OKCancel | lumo::ui::mb::DefaultButton2, lumo::ui::Answer::Cancel}};
  for (const Case& c : cases) {
    // Enter goes to the control of the box that has the focus, once the
    // box is open.
    QTimer poll;
    QWidget* focused = nullptr;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      poll.stop();
      focused = box->focusWidget();
      QTest::keyClick(focused != nullptr ? focused : box, Qt::Key_Return);
    });
    poll.start(10);
    EXPECT_EQ(lumo::ui::MsgBox("Interrompi?", c.style | lumo::ui::mb::Question), c.expected) << c.style;
    EXPECT_NE(focused, nullptr);
  }
  EXPECT_EQ(w.firstPressed, 0);
  EXPECT_EQ(w.secondPressed, 0);
}

// After every picker and message box, whichever closes and leaves no window
// active, the window that opened it is the active window again, with its
// focus where it was; so is a window of its own (an about box) that opened one.
TEST_F(ToolWindowKeys, TheWindowThatOpenedADialogIsActiveAgainAfterIt) {
  TwoButtons w;
  QMainWindow other;
  lumo::ui::setUpToolWindow(&other);
  other.show();
  auto dialogs = std::make_shared<lumo::testsupport::WindowedDialogs>();
  lumo::ui::setBackend(dialogs);
  const std::function<void()> openers[] = {
      [] { lumo::ui::MsgBox("La cartella selezionata non contiene file mp3", lumo::ui::mb::Information); },
      [] {
        lumo::ui::pickFolder({"Seleziona una cartella:", "/"});
      },
      [] {
        lumo::ui::pickOpenFile({"Carica file indice marker", "/", {}});
      },
  };
  for (QWidget* opener : {static_cast<QWidget*>(&w.window), static_cast<QWidget*>(&other)}) {
    for (const auto& open : openers) {
      QApplication::setActiveWindow(opener);
      if (opener == &w.window) w.second->setFocus();
      const int before = dialogs->opened;
      open();
      EXPECT_EQ(dialogs->opened, before + 1);
      EXPECT_EQ(QApplication::activeWindow(), opener);
      EXPECT_TRUE(opener->isActiveWindow());
      if (opener == &w.window) {
        EXPECT_TRUE(w.second->hasFocus());
      }
    }
  }
  lumo::ui::setBackend(ui);
}

// A choice is heard as a notification naming the field and the path, once
// for each choice, the focus staying where it was; the drive list is heard
// by what its label shows.
TEST_F(ToolWindowKeys, AChoiceAndADriveScanAreHeard) {
  lumo::ui::testing::AccessibleEventLog log;
  QMainWindow window;
  QWidget* panel = lumo::ui::makeScrollingPanel(&window, "controls");
  auto* caption = lumo::ui::makeLabel(panel, "Label6", "Percorso file MP3:");
  auto* list = new QComboBox(panel);
  list->setToolTip("Drive trovati");
  auto* button = lumo::ui::makeButton(panel, "sfogliamp3", "Scegli cartella", nullptr);
  auto* layout = new QVBoxLayout(panel);
  layout->addWidget(caption);
  layout->addWidget(list);
  layout->addWidget(button);
  QLabel* notice = lumo::ui::makeNotice(&window);
  window.show();
  QApplication::setActiveWindow(&window);
  button->setFocus();
  EXPECT_FALSE(notice->isVisible());
  log.clear();
  for (const QString& path : {QString("/libri/Pinocchio/Libro/"), QString("/libri/Cuore/Libro/")}) {
    lumo::ui::announce(notice, lumo::ui::choiceText(caption, path));
    const auto heard = log.of(QAccessible::ObjectShow, notice);
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back().role, QAccessible::Notification);
    EXPECT_EQ(heard.back().name, "Percorso file MP3: " + path);
    EXPECT_EQ(notice->text(), "Percorso file MP3: " + path) << "shown as it is heard";
    log.clear();
  }
  EXPECT_TRUE(button->hasFocus());
  EXPECT_TRUE(log.of(QAccessible::Focus).empty());

  // The scan's result is heard with the list, in place of its tooltip;
  // where the label is the list's caption, the list is labelled by it.
  using lumo::ui::ScanLabel;
  lumo::ui::showDiscCount(caption, list, "Sono stati rilevati 2 cd-mp3 del Lumo", ScanLabel::Apart);
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
  EXPECT_EQ(iface->text(QAccessible::Description), "Sono stati rilevati 2 cd-mp3 del Lumo");
  EXPECT_TRUE(iface->relations(QAccessible::Label).empty());
  lumo::ui::showDiscCount(caption, list, "Nessun drive contiene cd-MP3 del LUMO", ScanLabel::CaptionOfList);
  EXPECT_EQ(iface->text(QAccessible::Description), "Nessun drive contiene cd-MP3 del LUMO");
  const auto labels = iface->relations(QAccessible::Label);
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels[0].first->text(QAccessible::Name), "Nessun drive contiene cd-MP3 del LUMO");
  EXPECT_EQ(caption->text(), "Nessun drive contiene cd-MP3 del LUMO");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(caption)->text(QAccessible::Name), caption->text());
}

}  // namespace
