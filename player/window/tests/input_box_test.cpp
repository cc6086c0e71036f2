// The player's input box, shown modally and used as a reader would: typing,
// OK, Annulla and Enter.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "player/window/frmInputBox.h"
#include "player/window/tests/window_fixture.h"

namespace lumo::player::testing {
namespace {

class InputBoxTest : public WindowTest {
 protected:
  // Shows the box and runs the reader's steps once it is up; a box still
  // open after them is closed with Annulla. Returns whether it was open.
  bool display(frmInputBox& box, const std::function<void()>& steps) {
    bool stayedOpen = false;
    QTimer::singleShot(0, &box, [&] {
      steps();
      QApplication::processEvents();
      stayedOpen = box.isVisible();
      if (stayedOpen) QTest::mouseClick(box.Command1, Qt::LeftButton);
    });
    box.Display();
    return stayedOpen;
  }
};

TEST_F(InputBoxTest, OkAnnullaAndEnterFollowTheEmptyTextRules) {
  // OkKey and AnnullaKey: Enter on the button that has the focus, as a
  // reader who tabbed to it presses it.
  enum Action { Ok, Annulla, Enter, OkKey, AnnullaKey };
  struct Case {
    const char* typed;
    Action action;
    bool staysOpen;
    const char* text;  // what the caller reads
    bool message;      // "Non è stato inserito nessun dato"
  };
  const Case cases[] = {
      {"Capitolo 3", Ok, false, "Capitolo 3", false},
      {"", Ok, true, "", true},
      {"Capitolo 3", Annulla, false, "", false},
      {"", Annulla, false, "", false},
      {"Capitolo 3", Enter, false, "Capitolo 3", false},
      {"", Enter, true, "", false},
      {"   ", Ok, false, "   ", false},  // the caller trims it to nothing
      {"   ", Enter, false, "   ", false},
      {"Capitolo 3", OkKey, false, "Capitolo 3", false},
      {"", OkKey, true, "", true},
      {"Capitolo 3", AnnullaKey, false, "", false},
  };
  for (const Case& c : cases) {
    ui().clear();
    frmInputBox box;
    const bool open = display(box, [&] {
      QTest::keyClicks(box.txtInput, QString::fromUtf8(c.typed));
      if (c.action == Ok) QTest::mouseClick(box.Command2, Qt::LeftButton);
      if (c.action == Annulla) QTest::mouseClick(box.Command1, Qt::LeftButton);
      if (c.action == Enter) QTest::keyClick(box.txtInput, Qt::Key_Return);
      if (c.action == OkKey) QTest::keyClick(box.Command2, Qt::Key_Return);
      if (c.action == AnnullaKey) QTest::keyClick(box.Command1, Qt::Key_Return);
    });
    const std::string what = std::string("\"") + c.typed + "\" action " + std::to_string(c.action);
    EXPECT_EQ(open, c.staysOpen) << what;
    if (!c.staysOpen) {
      EXPECT_EQ(box.txtInput->text(), QString::fromUtf8(c.text)) << what;
    }
    ASSERT_EQ(shown().size(), c.message ? 1u : 0u) << what;
    if (c.message) {
      EXPECT_EQ(shown()[0].text, "Non è stato inserito nessun dato");
      EXPECT_EQ(shown()[0].icon(), ui::mb::Information);
      EXPECT_EQ(shown()[0].buttons(), ui::mb::OKOnly);
      EXPECT_EQ(shown()[0].title, "LumoPlayer");  // the program's title
    }
  }
}

TEST_F(InputBoxTest, APresetTextIsSelectedSoTypingReplacesIt) {
  frmInputBox box;
  box.Title(QStringLiteral("Aggiungi segnalibro - 01:35"));
  box.Prompt(QStringLiteral("not shown"));
  box.Default(QStringLiteral("not shown either"));
  box.txtInput->setText(QStringLiteral("Capitolo"));
  QString caption, label;
  display(box, [&] {
    caption = box.windowTitle();
    label = box.Label1->text();
    QTest::keyClicks(box.txtInput, QStringLiteral("X"));
    QTest::mouseClick(box.Command2, Qt::LeftButton);
  });
  EXPECT_EQ(caption, QStringLiteral("Aggiungi segnalibro - 01:35"));
  EXPECT_EQ(label, QStringLiteral("Scrivi il segnalibro:"));
  EXPECT_EQ(box.txtInput->text(), QStringLiteral("X"));
  EXPECT_EQ(box.Prompt(), QStringLiteral("not shown"));
  EXPECT_EQ(box.ButtonClicked(), 0);
}

TEST_F(InputBoxTest, APasswordBoxShowsStarsAndKeepsTheText) {
  frmInputBox box;
  box.PasswordProtect(true);
  QString shownText;
  display(box, [&] {
    QTest::keyClicks(box.txtInput, QStringLiteral("segreto"));
    shownText = box.txtInput->displayText();
    QTest::mouseClick(box.Command2, Qt::LeftButton);
  });
  EXPECT_EQ(shownText, QStringLiteral("*******"));
  EXPECT_EQ(box.txtInput->text(), QStringLiteral("segreto"));
}

TEST_F(InputBoxTest, ClosingTheBoxCountsAsAnnulla) {
  frmInputBox box;
  display(box, [&] {
    QTest::keyClicks(box.txtInput, QStringLiteral("Capitolo"));
    QTest::keyClick(box.txtInput, Qt::Key_Escape);
  });
  EXPECT_EQ(box.txtInput->text(), QString());
  EXPECT_FALSE(box.isVisible());
}

TEST_F(InputBoxTest, KeysWithAltOrCtrlAreNotText) {
  frmInputBox box;
  box.txtInput->setText(QStringLiteral("Primo segno"));
  QString afterCommands, afterSelectAll;
  display(box, [&] {
    box.txtInput->end(false);
    // The player's bookmark and reading commands, pressed out of habit.
    QTest::keyClick(box.txtInput, Qt::Key_8, Qt::AltModifier);
    QTest::keyClick(box.txtInput, Qt::Key_3, Qt::AltModifier);
    QTest::keyClick(box.txtInput, Qt::Key_3, Qt::ControlModifier);
    QTest::keyClick(box.txtInput, Qt::Key_5, Qt::AltModifier | Qt::ShiftModifier);
    QTest::keyClick(box.txtInput, Qt::Key_5, Qt::AltModifier | Qt::ControlModifier);
    afterCommands = box.txtInput->text();
    // The box's own editing keys still work.
    QTest::keyClick(box.txtInput, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box.txtInput, QStringLiteral("Nuovo"));
    QTest::keyClick(box.txtInput, Qt::Key_Z, Qt::AltModifier);
    afterSelectAll = box.txtInput->text();
    QTest::mouseClick(box.Command2, Qt::LeftButton);
  });
  EXPECT_EQ(afterCommands, QStringLiteral("Primo segno"));
  EXPECT_EQ(afterSelectAll, QStringLiteral("Nuovo"));
  EXPECT_EQ(box.txtInput->text(), QStringLiteral("Nuovo"));
}

}  // namespace
}  // namespace lumo::player::testing
