// LumoSplitter's windows, offscreen, driven as a producer drives them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "common/errors/errors.h"
#include "common/organisation.h"
#include "platform/registry/registry.h"
#include "platform/tool_window/tool_window.h"
#include "platform/tools/tools.h"
#include "platform/ui/text_scale.h"
#include "platform/ui/ui.h"
#include "splitter/core/tests/audio.h"
#include "splitter/window/form1.h"
#include "splitter/window/form2.h"
#include "splitter/window/form3.h"
#include "splitter/window/program.h"
#include "testsupport/accessible_events.h"
#include "testsupport/common/test_files.h"
#include "testsupport/picker_steps.h"
#include "testsupport/test_env.h"
#include "testsupport/text_size.h"
#include "testsupport/window_fit.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

namespace fs = std::filesystem;
using namespace lumo::splitter;
using namespace lumo::splitter::testing;
using lumo::ui::Answer;
using lumo::ui::q;

namespace {

// Runs step at the first turn of the event loop at which the job's progress
// window is on screen.
void whenProgressShows(Form1& window, std::function<void()> step) {
  QTimer::singleShot(0, &window, [&window, step = std::move(step)]() mutable {
    if (window.progress() && window.progress()->isVisible())
      step();
    else
      whenProgressShows(window, std::move(step));
  });
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.emplace(std::string("lumo_splitter_form1_") +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    root = folder_->path();
    for (const char* d : {"home", "config", "prog", "mnt"}) fs::create_directories(root / d);
    setEnv("HOME", (root / "home").string());
    setEnv("XDG_CONFIG_HOME", (root / "config").string());
    setEnv("LUMO_PROGRAM_FOLDER", (root / "prog").string());
    std::string engine = capture("command -v mp3splt");
    while (!engine.empty() && engine.back() == '\n') engine.pop_back();
    ASSERT_FALSE(engine.empty()) << "mp3splt is not installed";
    fs::create_symlink(engine, root / "prog" / "mp3splt");
    setEnv("LUMO_MOUNTS", (root / "mounts").string());
    mounts({});
    lumo::ui::setProgramTitle(kProgramTitle);
    lumo::skipOnError([] { lumo::registry::DeleteSetting("split", "Default", "expath"); });
    previousOpen = lumo::tools::setShellOpenHook([this](const std::string& t) {
      opened.push_back(t);
      return 42;
    });
  }
  void TearDown() override {
    lumo::tools::setShellOpenHook(previousOpen);
    while (!env_.empty()) env_.pop_back();
    folder_.reset();
  }

  // A mount table of the given "device mountpoint type" lines.
  void mounts(const std::vector<std::string>& lines) {
    std::ofstream table(root / "mounts");
    table << "/dev/vda1 / ext4 rw 0 0\n";
    for (const auto& l : lines) table << l << " ro 0 0\n";
  }

  // A library disc (or any folder): marker.txt at its root, one file in Libro.
  fs::path disc(const std::string& name, const std::string& title) {
    const fs::path r = root / "mnt" / name;
    fs::create_directories(r / "Libro");
    TestBook b;
    b.title = title;
    b.files = {{"01", {{"Capitolo primo", 0, "1"}}}};
    writeIndex(b, r / "marker.txt");
    std::ofstream(r / "Libro" / "01.mp3") << "x";
    return r;
  }

  std::unique_ptr<Form1> open() {
    auto w = std::make_unique<Form1>();
    w->show();
    QApplication::processEvents();
    return w;
  }

  // The window with a book of one or two 12-second chapters of tone, its
  // index and MP3 folder picked by hand ("book/marker.txt", "book/Libro").
  std::unique_ptr<Form1> openPickedBook(int chapters) {
    const fs::path book = root / "book";
    fs::create_directories(book / "Libro");
    TestBook index;
    index.files = {{"CAP1", {{"Capitolo primo", 0, "1"}, {"Paragrafo", 6, "2"}}}};
    if (chapters == 2) index.files.push_back({"CAP2", {{"Capitolo secondo", 0, "3"}}});
    for (const auto& file : index.files) EXPECT_TRUE(encodeTone(book / "Libro" / (file.name + ".mp3"), 12));
    writeIndex(index, book / "marker.txt");
    auto w = open();
    script->queuePath((book / "marker.txt").string());
    QTest::mouseClick(w->sfogliamarker, Qt::LeftButton);
    script->queuePath((book / "Libro").string());
    QTest::mouseClick(w->sfogliamp3, Qt::LeftButton);
    return w;
  }

  QStringList entries(const Form1& w) const {
    QStringList out;
    for (int i = 0; i < w.drivelist->count(); ++i) out << w.drivelist->itemText(i);
    return out;
  }

  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& m : script->shown()) out.push_back(m.text);
    return out;
  }

  fs::path root;
  lumo::testsupport::ScriptedUi script;
  lumo::tools::ShellOpenHook previousOpen;
  std::vector<std::string> opened;

 private:
  void setEnv(const char* name, const std::string& value) {
    env_.push_back(std::make_unique<lumo::testsupport::ScopedEnv>(name, value));
  }
  std::optional<lumo::testsupport::TempFolder> folder_;
  std::vector<std::unique_ptr<lumo::testsupport::ScopedEnv>> env_;
};

TEST_F(WindowTest, ListsTheLibraryDiscsOfTheCdDrivesAndNothingElse) {
  const fs::path d = disc("cdrom0", "Pinocchio");
  const fs::path e = disc("cdrom1", "Cuore");
  const fs::path fixed = disc("data", "Not a disc");
  fs::create_directories(root / "mnt" / "empty");
  mounts({"/dev/sr0 " + d.string() + " iso9660", "/dev/sr1 " + e.string() + " udf",
          "/dev/sdc1 " + fixed.string() + " ext4", "/dev/sr2 " + (root / "mnt" / "empty").string() + " iso9660"});
  auto w = open();
  EXPECT_EQ(entries(*w), (QStringList{q(d.string() + "/ Pinocchio"), q(e.string() + "/ Cuore"), "Personalizza"}));
  EXPECT_EQ(w->Lblspy->text(), "Sono stati rilevati  2 cd-mp3 del LUMO");
  EXPECT_EQ(w->drivelist->currentIndex(), 0);
  EXPECT_EQ(w->txtmarker->text(), q(d.string() + "/marker.txt"));
  EXPECT_EQ(w->txtmp3->text(), q(d.string() + "/Libro/"));
  EXPECT_TRUE(w->vai->isEnabled());
  EXPECT_TRUE(w->Taglia->isEnabled());
  EXPECT_FALSE(w->sfogliamarker->isEnabled());
  EXPECT_FALSE(w->sfogliamp3->isEnabled());

  // "Personalizza" from the keyboard empties both paths.
  w->drivelist->setFocus();
  QTest::keyClick(w->drivelist, Qt::Key_End);
  EXPECT_EQ(w->drivelist->currentText(), "Personalizza");
  EXPECT_TRUE(w->txtmarker->text().isEmpty());
  EXPECT_TRUE(w->txtmp3->text().isEmpty());
  EXPECT_FALSE(w->vai->isEnabled());
  EXPECT_TRUE(w->sfogliamarker->isEnabled());

  // No disc left: only "Personalizza"; a refresh selects the first entry again.
  mounts({"/dev/sdc1 " + fixed.string() + " ext4"});
  QTest::mouseClick(w->Command2, Qt::LeftButton);
  EXPECT_EQ(entries(*w), QStringList{"Personalizza"});
  EXPECT_EQ(w->Lblspy->text(), "Nessun drive contiene cd-MP3 del LUMO");
  EXPECT_FALSE(w->vai->isEnabled());
  EXPECT_FALSE(w->Taglia->isEnabled());
  EXPECT_TRUE(w->sfogliamarker->isEnabled());
  EXPECT_TRUE(w->sfogliamp3->isEnabled());
  EXPECT_TRUE(w->drivelist->hasFocus());
}

TEST_F(WindowTest, PickersFillThePathsAndEnableTheCut) {
  const fs::path book = disc("book", "Pinocchio");
  fs::create_directories(root / "home" / "vuota");
  auto w = open();
  ASSERT_EQ(w->drivelist->currentText(), "Personalizza");
  EXPECT_EQ(w->txtSelected->text(), q((root / "home").string() + "/MyLUMO/"));

  script->queuePath((book / "marker.txt").string());
  QTest::mouseClick(w->sfogliamarker, Qt::LeftButton);
  ASSERT_EQ(script->filePicks().size(), 1u);
  EXPECT_EQ(script->filePicks()[0].title, "Carica file indice marker");
  EXPECT_EQ(script->filePicks()[0].filters.size(), 2u);
  EXPECT_EQ(w->txtmarker->text(), q((book / "marker.txt").string()));
  EXPECT_FALSE(w->vai->isEnabled());

  // A folder without MP3 files is refused.
  script->queuePath((root / "home" / "vuota").string());
  QTest::mouseClick(w->sfogliamp3, Qt::LeftButton);
  EXPECT_EQ(script->folderPicks().back().initialFolder, book.string() + "/");
  EXPECT_EQ(texts(), std::vector<std::string>{"La cartella selezionata non contiene file mp3"});
  EXPECT_TRUE(w->txtmp3->text().isEmpty());
  script->queuePath((book / "Libro").string());
  QTest::mouseClick(w->sfogliamp3, Qt::LeftButton);
  EXPECT_EQ(w->txtmp3->text(), q((book / "Libro").string() + "/"));
  EXPECT_TRUE(w->vai->isEnabled());
  EXPECT_TRUE(w->Taglia->isEnabled());

  // The export folder always gets "MyLUMO/", and is kept for the next start.
  fs::create_directories(root / "home" / "MyLUMO");
  script->queuePath((root / "home" / "MyLUMO").string());
  QTest::mouseClick(w->sfoglia, Qt::LeftButton);
  EXPECT_EQ(w->txtSelected->text(), q((root / "home").string() + "/MyLUMO/MyLUMO/"));
  EXPECT_EQ(lumo::registry::GetSetting("split", "Default", "expath", ""), (root / "home").string() + "/MyLUMO/MyLUMO/");
  QTest::mouseClick(w->sfoglia, Qt::LeftButton);  // cancelled
  EXPECT_EQ(w->txtSelected->text(), q((root / "home").string() + "/MyLUMO/MyLUMO/"));
  auto again = open();
  EXPECT_EQ(again->txtSelected->text(), q((root / "home").string() + "/MyLUMO/MyLUMO/"));
}

TEST_F(WindowTest, NumericFieldsTakeDigitsDefaultsAndValuesInRange) {
  auto w = open();
  EXPECT_EQ(w->windowTitle(), q(std::string(kProgramTitle) + " " + majorMinor() + " Taglio file mp3 per audiolibri"));
  EXPECT_TRUE(w->tid3->isChecked());
  EXPECT_TRUE(w->Checkunion->isChecked());
  EXPECT_TRUE(w->Check1->isChecked());
  EXPECT_FALSE(w->Check2->isChecked());
  EXPECT_TRUE(w->optExample[3]->isChecked());
  EXPECT_FALSE(w->durfile->isEnabled());
  EXPECT_TRUE(w->picgruppo[1]->isHidden());
  EXPECT_EQ(w->vai->text(), "&TAGLIA");

  // The length-cut switch: the silence settings appear and the values reset.
  w->th->setText("50");
  QTest::mouseClick(w->Check2, Qt::LeftButton);
  EXPECT_TRUE(w->Check2->isChecked());
  EXPECT_FALSE(w->picgruppo[1]->isHidden());
  EXPECT_TRUE(w->durfile->isEnabled());
  EXPECT_FALSE(w->Checkunion->isChecked());
  EXPECT_FALSE(w->Checkunion->isEnabled());
  EXPECT_EQ(w->durfile->text(), "5");
  EXPECT_EQ(w->th->text(), "35");
  EXPECT_EQ(w->thsec->text(), "3");

  // Typing: digits, comma and full stop only; a minus or a letter (also one
  // of an Italian keyboard's own keys) does nothing.
  w->durfile->setFocus();
  w->durfile->clear();
  QTest::keyClicks(w->durfile, "-a2");
  for (const char* letter : {"è", "€"}) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8(letter));
    QApplication::sendEvent(w->durfile, &press);
  }
  QTest::keyClicks(w->durfile, "x,");
  EXPECT_EQ(w->durfile->text(), "2,");
  w->th->setFocus();  // "2," is 2: accepted
  EXPECT_EQ(w->durfile->text(), "2,");
  // Delete takes out the character after the cursor; the desktop sends it
  // with the text "\x7f".
  w->th->setFocus();
  w->th->setText("35");
  w->th->setCursorPosition(0);
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7f)));
  QApplication::sendEvent(w->th, &del);
  EXPECT_EQ(w->th->text(), "5");

  struct Case {
    QLineEdit* field;
    const char* typed;
    bool accepted;
    const char* message;
  };
  const Case cases[] = {
      {w->durfile, "30", true, ""},
      {w->durfile, "31", false, "Inserire un valore compreso tra 1 e 30 secondi."},
      {w->durfile, "0", false, "Inserire un valore compreso tra 1 e 30 secondi."},
      {w->th, "0", true, ""},
      {w->th, "96", true, ""},
      {w->th, "97", false, "Inserire un valore compreso tra 0 e 96 decibel."},
      {w->thsec, "10", true, ""},
      {w->thsec, "11", false, "Inserire un valore compreso tra 1 e 10 secondi."},
      {w->thsec, "0", false, "Inserire un valore compreso tra 1 e 10 secondi."},
      {w->thsec, ",", false, "Inserire un valore compreso tra 1 e 10 secondi."},
  };
  for (const Case& c : cases) {
    script->clear();
    c.field->setFocus();
    c.field->setText(c.typed);
    w->Command1->setFocus();  // leaves the field
    QApplication::processEvents();
    if (c.accepted) {
      EXPECT_TRUE(script->shown().empty()) << c.typed;
      EXPECT_EQ(c.field->text(), c.typed);
    } else {
      ASSERT_EQ(script->shown().size(), 1u) << c.typed;
      EXPECT_EQ(script->shown()[0].text, c.message);
      EXPECT_EQ(script->shown()[0].icon(), lumo::ui::mb::Information);
      EXPECT_TRUE(c.field->text().isEmpty()) << c.typed;
      EXPECT_TRUE(c.field->hasFocus()) << c.typed;
    }
  }
  // Left empty, each field takes its default.
  for (auto [field, value] : {std::pair{w->durfile, "5"}, std::pair{w->th, "35"}, std::pair{w->thsec, "3"}}) {
    field->setFocus();
    field->clear();
    w->Command1->setFocus();
    EXPECT_EQ(field->text(), value);
  }

  // Unchecking keeps the values and checks Checkunion again.
  w->durfile->setText("7");
  QTest::mouseClick(w->Check2, Qt::LeftButton);
  EXPECT_TRUE(w->picgruppo[1]->isHidden());
  EXPECT_FALSE(w->durfile->isEnabled());
  EXPECT_TRUE(w->Checkunion->isChecked());
  EXPECT_TRUE(w->Checkunion->isEnabled());
  EXPECT_EQ(w->durfile->text(), "7");
}

// Going to another window (the about box, another program) is not leaving
// the field: what is being typed there stays, unchecked, until the user
// moves on inside the window.
TEST_F(WindowTest, AnotherWindowTakingTheFocusLeavesTheNumericFieldAsTyped) {
  auto w = open();
  QTest::mouseClick(w->Check2, Qt::LeftButton);
  QApplication::setActiveWindow(w.get());
  script->clear();
  for (const char* typed : {"97", ""}) {
    w->th->setFocus();
    w->th->setText(typed);
    ASSERT_TRUE(w->th->hasFocus());
    w->info_Click();
    QApplication::setActiveWindow(w->about());
    QApplication::processEvents();
    EXPECT_TRUE(script->shown().empty()) << typed;
    EXPECT_EQ(w->th->text(), typed);
    w->about()->close();
    QApplication::setActiveWindow(w.get());
    QApplication::processEvents();
  }
  w->th->setText("97");
  w->th->setFocus();
  w->Command1->setFocus();
  ASSERT_EQ(script->shown().size(), 1u);
  EXPECT_EQ(script->shown()[0].text, "Inserire un valore compreso tra 0 e 96 decibel.");
}

// On a desktop whose numbers have a decimal comma the fields take the same
// values as anywhere else.
TEST_F(WindowTest, NumericFieldsTakeDecimalsInAnItalianLocale) {
  ASSERT_TRUE(lumo::testsupport::haveTool("localedef")) << "localedef is needed (Debian package libc-bin)";
  lumo::testsupport::TempFolder folder("lumo-splitter-window-locale");
  const std::string locales = folder / "locales";
  fs::create_directory(locales);
  ASSERT_EQ(lumo::testsupport::runCommand("localedef -i it_IT -f UTF-8 '" + locales + "/it_IT.UTF-8' 2>&1"), 0)
      << "the Italian locale sources are needed (Debian package locales)";
  lumo::testsupport::ScopedEnv locpath("LOCPATH", locales);
  ASSERT_NE(std::setlocale(LC_NUMERIC, "it_IT.UTF-8"), nullptr);
  auto w = open();
  QTest::mouseClick(w->Check2, Qt::LeftButton);
  script->clear();
  for (QLineEdit* field : {w->durfile, w->th, w->thsec}) {
    for (const char* typed : {"2,", "2."}) {
      field->setFocus();
      field->setText(typed);
      w->Command1->setFocus();
      EXPECT_EQ(field->text(), typed);
    }
  }
  // The length takes what its check reads, typed key by key.
  for (const char* typed : {"2,5", "12,5", "29,75"}) {
    w->durfile->setFocus();
    w->durfile->clear();
    QTest::keyClicks(w->durfile, typed);
    w->Command1->setFocus();
    EXPECT_EQ(w->durfile->text(), typed);
  }
  EXPECT_TRUE(texts().empty()) << ::testing::PrintToString(texts());
  std::setlocale(LC_NUMERIC, "C");
}

// Tab goes through the controls in the order they are shown: the length,
// then the silence settings under it, then the naming options.
TEST_F(WindowTest, TabFollowsTheLengthCutSettingsInTheirOrderOnScreen) {
  auto w = open();
  QApplication::setActiveWindow(w.get());
  QTest::mouseClick(w->Check2, Qt::LeftButton);
  w->Check2->setFocus();
  std::vector<QWidget*> reached;
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    reached.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(reached[0], w->durfile);
  EXPECT_EQ(reached[1], w->th);
  EXPECT_EQ(reached[2], w->thsec);
  EXPECT_TRUE(reached[3] == w->optExample[2] || reached[3] == w->optExample[3])
      << (reached[3] ? reached[3]->objectName().toStdString() : "none");
}

TEST_F(WindowTest, WithoutItsEngineTheWindowSaysSoAndCloses) {
  fs::remove(root / "prog" / "mp3splt");
  fs::create_symlink(root / "prog" / "nowhere", root / "prog" / "mp3splt");  // a dangling link is no engine
  auto w = open();
  QApplication::processEvents();
  EXPECT_EQ(texts(), std::vector<std::string>{"Manca il motore di taglio in questa stessa cartella."});
  EXPECT_EQ(script->shown()[0].icon(), lumo::ui::mb::Critical);
  EXPECT_FALSE(w->isVisible());
}

TEST_F(WindowTest, ClosingDuringAJobStopsItAndClosesWhenItEnds) {
  const std::string missing = missingTools();
  ASSERT_TRUE(missing.empty()) << missing;
  auto w = openPickedBook(2);
  ASSERT_TRUE(w->vai->isEnabled());

  QString captionWhileRunning, progressCaption;
  bool disabled = false;
  QTimer::singleShot(0, w.get(), [&] {
    captionWhileRunning = w->vai->text();
    w->close();  // the user closes the window while the job yields
    disabled = !w->centralWidget()->isEnabled();
    if (w->progress()) progressCaption = w->progress()->windowTitle();
  });
  QTest::mouseClick(w->vai, Qt::LeftButton);
  EXPECT_EQ(captionWhileRunning, "INTERROMPI");
  EXPECT_TRUE(disabled);
  EXPECT_EQ(progressCaption, "Applicazione in fase di chiusura. Attendere...");
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(w->progress(), nullptr);
  const fs::path parts = root / "home" / "MyLUMO" / "(LB001) Pinocchio" / "File per indice";
  EXPECT_EQ(mp3Names(parts), (std::vector<std::string>{"001_p1_Capitolo primo.mp3", "002_p2_Paragrafo.mp3"}));
  EXPECT_FALSE(fs::exists(parts / "marker.txt"));
  EXPECT_EQ(w->vai->text(), "&TAGLIA");
}

// The drive list refreshed (or "Personalizza" chosen) while a job runs
// leaves its stop button usable; the choice counts once the job has ended.
TEST_F(WindowTest, RefreshingTheDriveListDuringAJobKeepsTheStopButton) {
  const std::string missing = missingTools();
  ASSERT_TRUE(missing.empty()) << missing;
  auto w = openPickedBook(1);
  ASSERT_TRUE(w->vai->isEnabled());
  bool stopUsable = false;
  QTimer::singleShot(0, w.get(), [&] {
    w->Command2_Click();  // the list holds only "Personalizza": its paths are emptied
    stopUsable = w->vai->isEnabled() && w->Taglia->isEnabled() && w->vai->text() == "INTERROMPI";
  });
  QTest::mouseClick(w->vai, Qt::LeftButton);
  EXPECT_TRUE(stopUsable);
  EXPECT_EQ(w->vai->text(), "&TAGLIA");
  EXPECT_FALSE(w->vai->isEnabled());
  EXPECT_FALSE(w->Taglia->isEnabled());
}

TEST_F(WindowTest, ABookPickedByHandIsCutIntoItsPartsFromTheWindow) {
  const std::string missing = missingTools();
  ASSERT_TRUE(missing.empty()) << missing;
  auto w = openPickedBook(1);
  w->optExample[2]->setChecked(true);
  QTest::mouseClick(w->vai, Qt::LeftButton);
  const fs::path parts = root / "home" / "MyLUMO" / "(LB001) Pinocchio" / "File per indice";
  EXPECT_EQ(mp3Names(parts), (std::vector<std::string>{"001_p1.mp3", "002_p2.mp3"}));
  EXPECT_TRUE(fs::exists(parts / "marker.txt"));
  EXPECT_EQ(
      texts().back(),
      "Sono stati eseguiti tutti i tagli ai file mp3. \nVerrai indirizzato sulla cartella contenente il risultato.");
  EXPECT_EQ(opened, std::vector<std::string>{parts.string()});
  EXPECT_EQ(w->lv->model()->rowCount(), 1);
  EXPECT_EQ(w->lv->model()->index(0, 5).data().toString(), "OK");
  // After the job the button keeps its accelerator, Alt+T.
  EXPECT_EQ(w->vai->text(), "&TAGLIA");
  EXPECT_EQ(w->vai->accessibleName(), "TAGLIA");
  EXPECT_EQ(QKeySequence::mnemonic(w->vai->text()), QKeySequence(Qt::ALT | Qt::Key_T));

  // Opening the folders and the log.
  opened.clear();
  QTest::mouseDClick(w->txtSelected, Qt::LeftButton);
  EXPECT_EQ(opened, std::vector<std::string>{(root / "home" / "MyLUMO").string() + "/"});
  opened.clear();
  w->flog->trigger();
  EXPECT_EQ(opened, std::vector<std::string>{(root / "prog" / "LUMOSplitter.log").string()});
  fs::remove(root / "prog" / "LUMOSplitter.log");
  script->clear();
  w->flog->trigger();
  EXPECT_EQ(texts(), std::vector<std::string>{"Il file log non è stato ancora creato"});
}

// While a job runs, Esc in the progress window asks the stop question and
// nothing the job has read can be changed; afterwards all is as before.
TEST_F(WindowTest, EscInTheProgressWindowAsksToStopAndTheControlsWaitForTheJob) {
  const std::string missing = missingTools();
  ASSERT_TRUE(missing.empty()) << missing;
  auto w = openPickedBook(2);
  QWidget* const controls[] = {w->drivelist,   w->Command2, w->sfogliamarker, w->sfogliamp3,    w->sfoglia,
                               w->txtSelected, w->tid3,     w->Check2,        w->optExample[2], w->th};
  std::vector<bool> before;
  for (QWidget* c : controls) before.push_back(c->isEnabled());
  std::vector<bool> during;
  QString progressCaption;
  lumo::ui::testing::AccessibleEventLog log;
  // With a screen reader the job waits for it around the window's opening:
  // the key comes once the window is on screen.
  whenProgressShows(*w, [&] {
    for (QWidget* c : controls) during.push_back(c->isEnabled());
    ASSERT_NE(w->progress(), nullptr);
    script->queueAnswer(lumo::ui::Answer::Yes);
    QTest::keyClick(w->progress(), Qt::Key_Escape);
    if (w->progress()) progressCaption = w->progress()->windowTitle();
  });
  QTest::mouseClick(w->vai, Qt::LeftButton);
  EXPECT_EQ(during, std::vector<bool>(std::size(controls), false));
  ASSERT_FALSE(script->shown().empty());
  EXPECT_EQ(script->shown().front().title, "Interrompi?");
  EXPECT_EQ(texts().front(),
            "Lumosplitter sta lavorando.\nDesiseri ugualmente fermare il ciclo di lavoro?\n"
            "Verrai ugualmente indirizzato nella cartella di esportazione");
  EXPECT_EQ(progressCaption, "Attendere il termine del ciclo...");
  // Heard: the window opening, the stop taken, and at the end that the job stopped.
  const std::vector<QString> shown = log.names(QAccessible::ObjectShow);
  EXPECT_NE(std::find(shown.begin(), shown.end(), "Elaborazione in corso... Taglio per indice 0%"), shown.end());
  EXPECT_NE(std::find(shown.begin(), shown.end(), "Attendere il termine del ciclo..."), shown.end());
  EXPECT_EQ(texts().back(), "Sequenza di taglio interrotta dall'utente.");
  // Stopped after the first file: its parts, no new index.
  const fs::path parts = root / "home" / "MyLUMO" / "(LB001) Pinocchio" / "File per indice";
  EXPECT_EQ(mp3Names(parts), (std::vector<std::string>{"001_p1_Capitolo primo.mp3", "002_p2_Paragrafo.mp3"}));
  EXPECT_FALSE(fs::exists(parts / "marker.txt"));
  std::vector<bool> after;
  for (QWidget* c : controls) after.push_back(c->isEnabled());
  EXPECT_EQ(after, before);
  EXPECT_EQ(w->vai->text(), "&TAGLIA");
  EXPECT_EQ(w->sfoglia->text(), "Scegli percorso");
}

// A job started from the keyboard, with the length cut on, keeps a screen
// reader in the progress window: the focus goes straight to the stop button
// (it does not pass through the fields as they are locked), and the list of
// the source files moves its selection once, at the end, without telling of
// a focus there.
TEST_F(WindowTest, AJobRaisesNoFocusEventsOutsideTheStopButton) {
  const std::string missing = missingTools();
  ASSERT_TRUE(missing.empty()) << missing;
  auto w = openPickedBook(2);
  QTest::mouseClick(w->Check2, Qt::LeftButton);
  ASSERT_TRUE(w->durfile->isEnabled());
  w->Check2->setFocus();
  lumo::ui::testing::AccessibleEventLog log;
  w->vai->click();  // as Alt+T does: the focus stays on the check box
  ASSERT_FALSE(script->shown().empty());
  // The last row added, the file in hand, is the one selected.
  const int rows = w->lv->model()->rowCount();
  ASSERT_GT(rows, 1);
  EXPECT_EQ(w->lv->selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(w->lv->selectionModel()->selectedRows().value(0).row(), rows - 1);
  std::vector<std::string> focused;
  for (const auto& e : log.of(QAccessible::Focus))
    focused.push_back(e.object ? e.object->objectName().toStdString() : std::string("(gone)"));
  EXPECT_EQ(focused, std::vector<std::string>{"vai"});
  // The list's selection moves once, when the job ends, not at every file.
  size_t selections = 0;
  for (QAccessible::Event type : {QAccessible::Selection, QAccessible::SelectionAdd, QAccessible::SelectionRemove})
    selections += log.of(type, w->lv).size();
  EXPECT_EQ(selections, 1u);
}

TEST_F(WindowTest, AboutBoxAndProgressWindow) {
  auto w = open();
  w->info->trigger();
  Form2* about = w->about();
  ASSERT_TRUE(about->isVisible());
  EXPECT_EQ(about->lblTitolo->text(), q(std::string(kProgramTitle) + " " + majorMinor()));
  EXPECT_TRUE(about->Label1->text().startsWith(
      QString::fromUtf8("LumoSplitter è un software che consente di tagliare i file mp3 lunghi 45 minuti")));
  EXPECT_TRUE(about->Label1->text().endsWith("Buon ascolto!"));
  EXPECT_EQ(about->Label1->text().count('\n'), 5);
  EXPECT_EQ(about->Label5->text(), "Posta elettronica");
  // The links are reached with Tab and show that they have the focus.
  about->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(about));
  QApplication::processEvents();
  ASSERT_TRUE(about->isActiveWindow());
  about->Command1->setFocus();
  const QImage unfocused = about->Label5->grab().toImage();
  QTest::keyClick(about->Command1, Qt::Key_Tab, Qt::ShiftModifier);
  ASSERT_TRUE(about->Label5->hasFocus()) << (QApplication::focusWidget()
                                                 ? QApplication::focusWidget()->objectName().toStdString()
                                                 : "none");
  EXPECT_NE(about->Label5->grab().toImage(), unfocused);
  QTest::keyClick(about->Label5, Qt::Key_Space);
  about->Label4_Click();
  EXPECT_EQ(opened, (std::vector<std::string>{std::string("mailto:") + lumo::organisation::Email,
                                              lumo::organisation::WebAddress}));
  QTest::mouseClick(about->Command1, Qt::LeftButton);
  EXPECT_FALSE(about->isVisible());

  Form3 progress;
  EXPECT_EQ(progress.windowTitle(), "Elaborazione in corso...");
  EXPECT_TRUE(progress.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(progress.lblpercent->text(), "0%");
  EXPECT_EQ(progress.ptps->text(), "0%");
  EXPECT_EQ(progress.ProgressBar1->toolTip(), "Barra progressione taglio secondo l'indice ");
}

// At twice the desktop's text size the window and its texts grow, and
// every control stays inside it, apart from the others and whole.
TEST_F(WindowTest, AtTwiceTheTextSizeEveryControlStaysWholeAndApart) {
  const lumo::testsupport::ScopedTextSize twice(2.0);
  auto w = open();
  w->Check2->setChecked(true);  // the silence settings shown as well
  QApplication::processEvents();
  lumo::testsupport::expectControlsFit(*w->findChild<QWidget*>("controls"));
  for (QFrame* group : w->picgruppo)
    if (group->isVisible()) lumo::testsupport::expectControlsFit(*group);
}

}  // namespace

// Enter presses the focused button as Space does; after each picker and
// message box, each a window of its own that leaves no window active, the
// window is active again with the focus where it was; a choice is heard as
// a notification naming the field and the path.
TEST_F(WindowTest, EnterPressesButtonsAndEachChoiceIsHeardInTheActiveWindow) {
  const fs::path book = disc("book", "Pinocchio");
  fs::create_directories(root / "home" / "vuota");
  fs::create_directories(root / "export");
  auto dialogs = std::make_shared<lumo::testsupport::WindowedDialogs>();
  lumo::ui::setBackend(dialogs);
  lumo::ui::testing::AccessibleEventLog log;
  auto w = open();
  QApplication::setActiveWindow(w.get());
  lumo::testsupport::expectPickersWorkByEnter(
      *w, w->notice(), *dialogs, log,
      {
          {w->sfogliamarker, (book / "marker.txt").string(),
           q("Percorso file indice marker: " + (book / "marker.txt").string())},
          {w->sfogliamp3, (root / "home" / "vuota").string(), ""},  // refused, with a message box
          {w->sfogliamp3, (book / "Libro").string(), q("Percorso file MP3: " + (book / "Libro").string() + "/")},
          {w->sfoglia, (root / "export").string(),
           q("Percorso di esportazione (viene aggiunto il suffisso Mylumo): " + (root / "export").string() +
             "/MyLUMO/")},
          {w->sfoglia, "", ""},  // cancelled
      });
  EXPECT_EQ(dialogs->shown().size(), 1u);
  EXPECT_TRUE(w->vai->isEnabled());

  // A range check's message box gives the activation back too.
  w->Check2->click();
  w->durfile->setFocus();
  w->durfile->setText("31");
  w->th->setFocus();
  EXPECT_EQ(dialogs->shown().size(), 2u);
  EXPECT_TRUE(w->isActiveWindow());
  EXPECT_TRUE(w->durfile->hasFocus());

  // The about box takes Enter on its button too.
  w->info->trigger();
  QApplication::setActiveWindow(w->about());
  w->about()->Command1->setFocus();
  QTest::keyClick(w->about()->Command1, Qt::Key_Return);
  EXPECT_FALSE(w->about()->isVisible());
  lumo::ui::setBackend(script.shared());
}

// The drive list is labelled by its caption, the scan's result, which is
// its description too: without a disc it no longer says "Drive trovati"
// (its tooltip); a new scan is heard as the focus comes to the list.
TEST_F(WindowTest, TheDriveListIsHeardByWhatItsLabelShows) {
  auto w = open();
  QApplication::setActiveWindow(w.get());
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w->drivelist);
  const auto labels = list->relations(QAccessible::Label);
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels[0].first->text(QAccessible::Name), "Nessun drive contiene cd-MP3 del LUMO");
  EXPECT_EQ(list->text(QAccessible::Description), "Nessun drive contiene cd-MP3 del LUMO");
  EXPECT_EQ(w->drivelist->toolTip(), "Drive trovati") << "the tooltip stays";
  const fs::path d = disc("cdrom0", "Pinocchio");
  mounts({"/dev/sr0 " + d.string() + " iso9660"});
  lumo::ui::testing::AccessibleEventLog log;
  w->Command2->setFocus();
  QTest::keyClick(w->Command2, Qt::Key_Return);
  bool heard = false;
  for (const auto& e : log.of(QAccessible::Focus, w->drivelist))
    heard = heard || e.description == "Sono stati rilevati  1 cd-mp3 del LUMO";
  EXPECT_TRUE(heard);
}

// At an 18 point text (and, run again so, at twice the scale on a
// 1280x1024 screen) the window and its about box open inside the screen's
// free area with their title bars on it, scroll what they cannot hold and
// show every text and table header whole; the check boxes and option
// buttons grow with the text.
TEST_F(WindowTest, AtALargeTextTheWindowsFitTheScreen) {
  const lumo::testsupport::ScopedPointSize large(lumo::testsupport::readerPointSize());
  auto w = open();
  w->Check2->click();  // the silence settings shown as well
  w->info->trigger();
  for (QWidget* window : {static_cast<QWidget*>(w.get()), static_cast<QWidget*>(w->about())}) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QApplication::processEvents();
    lumo::testsupport::expectFitsScreen(*window);
    lumo::testsupport::saveGrab(*window, "splitter-" + window->objectName());
  }
  const int mark = w->tid3->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, w->tid3);
  // As much larger as the text is (twice at 18 points; a scale grows both alike).
  const double text = lumo::ui::textScale(w->tid3->font());
  EXPECT_GE(mark, 0.9 * text * QApplication::style()->pixelMetric(QStyle::PM_IndicatorHeight));
  if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
    EXPECT_GE(text, 1.9);
  }
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
