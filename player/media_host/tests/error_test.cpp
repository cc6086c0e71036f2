// The error reporter, the trap convention and the error dialog.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "common/errors/errors.h"
#include "player/media_host/frmErrore.h"
#include "player/media_host/mdlMain.h"
#include "player/media_host/tests/media_host_fixture.h"

namespace lumo::player {
namespace {

using testing::ScriptedDialogs;

TEST(ShowErrorTest, ReportsTheLabelAndTheMessageOrThePendingError) {
  ScriptedDialogs dialogs;
  struct Case {
    int number;
    const char* description;
    QString message;
    QString expectedText;
  };
  const Case cases[] = {
      {5, "X", QString(), "X\r\nCodice: 5"},
      {53, "Impossibile trovare il file", "Versione non supportata!", "Versione non supportata!"},
      {0, "", QString(), "\r\nCodice: 0"},  // no error pending
  };
  for (const Case& c : cases) {
    Err().Number = c.number;
    Err().Description = QString::fromUtf8(c.description);
    ShowError("oWMP9 - Get Rate", c.message);
  }
  const auto& shown = dialogs.backend().shown();
  ASSERT_EQ(shown.size(), std::size(cases)) << "one report each, one after the other";
  for (size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(shown[i].title, "LUMO Player - Segnalazioni");
    EXPECT_EQ(QString::fromStdString(shown[i].text),
              "Errore!\r\n" + cases[i].expectedText + "\r\nPrg: oWMP9 - Get Rate");
    EXPECT_EQ(shown[i].icon(), ui::mb::Critical);
  }
  EXPECT_EQ(Err().Number, 0) << "the reporter reads the pending error, it does not clear it";
}

TEST(TrapTest, ReportsAnyFailureOnceAndReturnsNormally) {
  ScriptedDialogs dialogs;
  int result = 0;
  EXPECT_TRUE(Trap("ok", [&] { result = 1; }));
  EXPECT_FALSE(Trap("oPl - Get Duration", [&] {
    result = 2;
    throw RuntimeError(err::ObjectNotSet);
  }));
  EXPECT_EQ(result, 2) << "what was assigned before the failure stays";
  EXPECT_EQ(Err().Number, err::ObjectNotSet);
  EXPECT_FALSE(Trap("other", [] { throw std::runtime_error("out of range"); }));
  EXPECT_EQ(Err().Number, err::InvalidCall);
  EXPECT_FALSE(Trap("anything", [] { throw 42; }));
  QString step;
  EXPECT_FALSE(Trap([&] { return "Playaudio - " + step; },
                    [&] {
                      step = "2";
                      throw RuntimeError(err::Overflow);
                    }));
  EXPECT_EQ(dialogs.reportedLabels(), (QStringList{"oPl - Get Duration", "other", "anything", "Playaudio - 2"}));
  EXPECT_EQ(QString::fromStdString(dialogs.backend().shown()[0].text),
            ErrorReportText("oPl - Get Duration",
                            "Variabile oggetto o variabile del blocco With non impostata\r\n"
                            "Codice: 91"));
  EXPECT_EQ(QString::fromStdString(dialogs.backend().shown()[1].text),
            ErrorReportText("other", "out of range\r\nCodice: 5"));

  EXPECT_FALSE(skipOnError([] { throw RuntimeError(err::Overflow); }));
  EXPECT_EQ(dialogs.backend().shown().size(), 4u) << "ignored errors report nothing";
}

TEST(PixelsToTwipsTest, MultipliesByTheTwipsPerPixel) {
  const std::pair<int32_t, int32_t> cases[] = {{20, 300}, {50, 750}, {0, 0}, {-3, -45}};
  for (auto [pixels, twips] : cases) {
    EXPECT_EQ(PixelsToTwipsX(pixels), twips) << pixels;
    EXPECT_EQ(PixelsToTwipsY(pixels), twips) << pixels;
  }
  try {
    PixelsToTwipsX(200'000'000);
    ADD_FAILURE() << "no overflow";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::Overflow);
  }
  // Rectangles that meet in twips meet in pixels.
  EXPECT_EQ(TwipsRect(10, 10, 15360 - 20, 11520 - 20), QRect(1, 1, 1022, 766));
  EXPECT_EQ(TwipsRect(10260, 7170, 4800, 3600), QRect(684, 478, 320, 240));
}

// --- the dialog itself ----------------------------------------------------

template <class T>
T* child(QWidget& parent, const char* name) {
  T* found = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

TEST(frmErroreTest, HasItsDesignControlsEmptyUntilFilled) {
  frmErrore dialog;
  EXPECT_EQ(dialog.windowTitle(), "LUMO Player - Segnalazioni");
  EXPECT_EQ(dialog.size(), QSize(414, 186)) << "6216 by 2784 twips";
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "a fixed dialog";
  struct Expected {
    const char* name;
    QString text;
    QRect geometry;
  };
  const Expected labels[] = {
      {"Label1", "Errore!", TwipsRect(1200, 240, 4695, 495)},
      {"lblErrore", "", TwipsRect(1200, 720, 4815, 975)},
      {"Label2", "Prg:", TwipsRect(120, 1800, 975, 495)},
      {"lblFunzione", "", TwipsRect(1080, 1800, 5055, 375)},
  };
  for (const Expected& e : labels) {
    QLabel* label = child<QLabel>(dialog, e.name);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), e.text) << e.name;
    EXPECT_EQ(label->geometry(), e.geometry) << e.name;
    EXPECT_FALSE(label->accessibleName().isEmpty()) << e.name;
  }
  EXPECT_NE(child<QLabel>(dialog, "Image1"), nullptr);
  QPushButton* ok = child<QPushButton>(dialog, "OKButton");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_EQ(ok->accessibleName(), "OK");
  EXPECT_GT(child<QLabel>(dialog, "Label1")->font().pointSizeF(), dialog.font().pointSizeF());
}

// Runs the dialog modally and acts on it once it is up.
int runModal(frmErrore& dialog, const std::function<void(frmErrore&)>& act) {
  QTimer::singleShot(0, &dialog, [&] { act(dialog); });
  return dialog.exec();
}

TEST(frmErroreTest, OkEnterAndEscCloseIt) {
  const std::pair<const char*, std::function<void(frmErrore&)>> closers[] = {
      {"click OK", [](frmErrore& d) { QTest::mouseClick(d.OKButton, Qt::LeftButton); }},
      {"Enter", [](frmErrore& d) { QTest::keyClick(&d, Qt::Key_Return); }},
      {"Esc", [](frmErrore& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
  };
  for (const auto& [name, close] : closers) {
    frmErrore dialog;
    runModal(dialog, close);
    EXPECT_FALSE(dialog.isVisible()) << name;
  }
}

// Dialogs that are not scripted: the error reporter shows its own form.
class LiveBackend : public ui::Backend {
 public:
  int boxes = 0;
  ui::Answer messageBox(const ui::MessageBoxRequest&) override {
    ++boxes;
    return ui::Answer::OK;
  }
  std::string pickFolder(const ui::FolderPickRequest&) override { return {}; }
  std::string pickOpenFile(const ui::FilePickRequest&) override { return {}; }
};

TEST(frmErroreTest, ShowErrorShowsTheDialogModallyUntilItIsClosed) {
  auto live = std::make_shared<LiveBackend>();
  auto previous = ui::setBackend(live);
  QStringList seen;
  // Two reports: each dialog is new, and filled before it shows.
  for (int i = 0; i < 2; ++i) {
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<frmErrore*>(QApplication::activeModalWidget());
      if (!dialog) return;
      seen << dialog->lblFunzione->text() << dialog->lblErrore->text() << dialog->lblErrore->accessibleName();
      EXPECT_EQ(dialog->parentWidget(), nullptr) << "no owner window";
      EXPECT_TRUE(dialog->accessibleDescription().isEmpty()) << "the message is spoken once, from its label";
      const QPoint offset = dialog->geometry().center() - QGuiApplication::primaryScreen()->geometry().center();
      EXPECT_LE(offset.manhattanLength(), 2) << "centred on the screen";
      QTest::keyClick(dialog, Qt::Key_Return);
    });
    Err().Number = 76;
    Err().Description = "Impossibile trovare il percorso";
    ShowError(QStringLiteral("Form Load - %1").arg(i), QString());
  }
  ui::setBackend(previous);
  EXPECT_EQ(live->boxes, 0);
  const QString message = "Impossibile trovare il percorso\r\nCodice: 76";
  EXPECT_EQ(seen, (QStringList{"Form Load - 0", message, message, "Form Load - 1", message, message}));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace lumo::player
