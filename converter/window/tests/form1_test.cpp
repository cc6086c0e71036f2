// The converter's windows, offscreen, driven as a producer drives them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QImage>
#include <QMenuBar>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "common/errors/errors.h"
#include "common/organisation.h"
#include "converter/window/form1.h"
#include "converter/window/form2.h"
#include "converter/window/form3.h"
#include "converter/window/program.h"
#include "platform/registry/registry.h"
#include "platform/tool_window/tool_window.h"
#include "platform/tools/tools.h"
#include "platform/ui/text_scale.h"
#include "platform/ui/ui.h"
#include "testsupport/accessible_events.h"
#include "testsupport/common/test_files.h"
#include "testsupport/converter_book.h"
#include "testsupport/picker_steps.h"
#include "testsupport/test_env.h"
#include "testsupport/text_size.h"
#include "testsupport/window_fit.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

namespace fs = std::filesystem;
using namespace lumo::converter;
using namespace lumo::converter::testing;
using lumo::ui::Answer;
using lumo::ui::q;

namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* d : {"home", "config", "prog", "mnt"}) fs::create_directories(root / d);
    mounts({});
    lumo::ui::setProgramTitle("LumoDarivaziduduza");
    // The settings store stays open for the whole process: start each test
    // without the setting rather than rely on the fresh folder alone.
    lumo::skipOnError([] { lumo::registry::DeleteSetting("daisyconv", "Default", "expath"); });
    previousOpen = lumo::tools::setShellOpenHook([this](const std::string& t) {
      opened.push_back(t);
      return 42;
    });
  }
  void TearDown() override { lumo::tools::setShellOpenHook(previousOpen); }

  // A mount table of the given "device mountpoint type" lines.
  void mounts(const std::vector<std::string>& lines) {
    std::ofstream table(root / "mounts");
    table << "/dev/vda1 / ext4 rw 0 0\n";
    for (const auto& l : lines) table << l << " ro 0 0\n";
    ::setenv("LUMO_MOUNTS", (root / "mounts").c_str(), 1);
  }

  // A library disc: marker.txt at its root (named as given), audio in Libro.
  fs::path disc(const std::string& name, const std::string& title, const std::string& indexName = "marker.txt") {
    const fs::path r = root / "mnt" / name;
    TestBook b;
    b.title = title;
    b.files = {{"01", 3, {{"Capitolo primo", 0, "1"}}}};
    writeBook(b, r, r / "Libro");
    if (indexName != "marker.txt") fs::rename(r / "marker.txt", r / indexName);
    return r;
  }

  std::unique_ptr<Form1> open() {
    auto w = std::make_unique<Form1>();
    w->show();
    return w;
  }

  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& m : script->shown()) out.push_back(m.text);
    return out;
  }

  // The window's controls and menus take input (they do not during a run).
  static bool takesInput(Form1& w) { return w.centralWidget()->isEnabled() && w.menuBar()->isEnabled(); }

  QStringList entries(const Form1& w) const {
    QStringList out;
    for (int i = 0; i < w.Combo1->count(); ++i) out << w.Combo1->itemText(i);
    return out;
  }

  lumo::testsupport::TempFolder temp{"lumo-form1"};
  fs::path root = temp.path();
  lumo::testsupport::ScopedEnv homeEnv{"HOME", (root / "home").string()};
  lumo::testsupport::ScopedEnv configEnv{"XDG_CONFIG_HOME", (root / "config").string()};
  lumo::testsupport::ScopedEnv programEnv{"LUMO_PROGRAM_FOLDER", (root / "prog").string()};
  lumo::testsupport::ScopedEnv mountsEnv{"LUMO_MOUNTS", std::nullopt};
  lumo::testsupport::ScriptedUi script;
  lumo::tools::ShellOpenHook previousOpen;
  std::vector<std::string> opened;
};

}  // namespace

TEST_F(WindowTest, ListsTheLibraryDiscsInTheCdDrives) {
  const fs::path d = disc("cdrom0", "Pinocchio");
  const fs::path e = disc("cd e", "Cuore", "MARKER.TXT");
  const fs::path fixed = disc("data", "Not a disc");
  fs::create_directories(root / "mnt" / "empty");
  const fs::path shortIndex = root / "mnt" / "short";
  fs::create_directories(shortIndex);
  lumo::text::writeTextFile(shortIndex / "marker.txt", {"LB9", "Autore"});  // no title line
  mounts({"/dev/sr0 " + d.string() + " iso9660", "/dev/sdb1 " + (root / "mnt" / "cd\\040e").string() + " udf",
          "/dev/sdc1 " + fixed.string() + " ext4", "/dev/sr1 " + (root / "mnt" / "empty").string() + " iso9660",
          "/dev/sr2 " + shortIndex.string() + " iso9660"});
  auto w = open();
  EXPECT_EQ(entries(*w), (QStringList{q(d.string() + "/ Pinocchio"), q(e.string() + "/ Cuore"), "Personalizza"}));
  EXPECT_EQ(w->Label10->text(), "Sono stati rilevati 2 cd-mp3 del Lumo");
  EXPECT_EQ(w->Combo1->currentIndex(), 0);
  EXPECT_EQ(w->txtmarker->text(), q(d.string() + "/marker.txt"));
  EXPECT_EQ(w->txtmp3->text(), q(d.string() + "/Libro/"));
  EXPECT_TRUE(w->Converti->isEnabled());
  EXPECT_TRUE(w->Conv->isEnabled());
  EXPECT_FALSE(w->sfogliamarker->isEnabled());
  EXPECT_FALSE(w->sfogliamp3->isEnabled());

  // Down twice to "Personalizza", from the keyboard.
  w->Combo1->setFocus();
  QTest::keyClick(w->Combo1, Qt::Key_Down);
  EXPECT_EQ(w->txtmarker->text(), q(e.string() + "/marker.txt"));
  QTest::keyClick(w->Combo1, Qt::Key_Down);
  EXPECT_EQ(w->Combo1->currentText(), "Personalizza");
  EXPECT_TRUE(w->txtmarker->text().isEmpty());
  EXPECT_TRUE(w->txtmp3->text().isEmpty());
  EXPECT_FALSE(w->Converti->isEnabled());
  EXPECT_FALSE(w->Conv->isEnabled());
  EXPECT_TRUE(w->sfogliamarker->isEnabled());

  // An index path of 81 characters is shown smaller; a disc brings size 9 back.
  const std::string longPath = "/" + std::string(69, 'x') + "/marker.txt";
  script->queuePath(longPath);
  QTest::mouseClick(w->sfogliamarker, Qt::LeftButton);
  ASSERT_EQ(w->txtmarker->text().size(), 81);
  EXPECT_EQ(w->txtmarker->font().pointSize(), 8);
  EXPECT_FALSE(w->Converti->isEnabled()) << "no MP3 folder yet";
  QTest::keyClick(w->Combo1, Qt::Key_Up);
  EXPECT_EQ(w->txtmarker->font().pointSize(), 9);
  EXPECT_EQ(w->txtmp3->font().pointSize(), 9);

  // A new disc appears: the list follows.
  fs::remove_all(d);
  mounts({"/dev/sdb1 " + (root / "mnt" / "cd\\040e").string() + " udf"});
  QTest::mouseClick(w->Command2, Qt::LeftButton);
  EXPECT_EQ(entries(*w), (QStringList{q(e.string() + "/ Cuore"), "Personalizza"}));
  EXPECT_EQ(w->Label10->text(), "Sono stati rilevati 1 cd-mp3 del Lumo");
}

TEST_F(WindowTest, WithoutDiscsTheWindowOpensOnPersonalizza) {
  auto w = open();
  EXPECT_EQ(entries(*w), QStringList{"Personalizza"});
  EXPECT_EQ(w->Label10->text(), "Nessun drive contiene cd MP3 del L.U.M.O.");
  EXPECT_FALSE(w->Converti->isEnabled());
  EXPECT_TRUE(w->sfogliamarker->isEnabled());
  EXPECT_TRUE(w->sfogliamp3->isEnabled());
  EXPECT_EQ(w->windowTitle(), q("LumoDarivaziduduza " + programVersion() + " Convertitore Daisy per audiolibri Lumo"));
  for (QLineEdit* box : {w->Text1, w->Text2, w->Text3, w->Text4}) EXPECT_EQ(box->text(), "0");
  EXPECT_EQ(w->Text5->text(), "1");
}

TEST_F(WindowTest, PickingTheIndexAndTheMp3FolderByHand) {
  TestBook b;
  b.files = {{"01", 3, {{"Uno", 0, "1"}}}};
  writeBook(b, root / "book", root / "book" / "Audio");
  fs::create_directories(root / "book" / "Vuota");
  auto w = open();

  script->queuePath("");  // cancelled: nothing changes
  QTest::mouseClick(w->sfogliamarker, Qt::LeftButton);
  EXPECT_TRUE(w->txtmarker->text().isEmpty());
  ASSERT_EQ(script->filePicks().size(), 1u);
  const auto& pick = script->filePicks()[0];
  EXPECT_EQ(pick.title, "Carica file indice marker");
  EXPECT_EQ(pick.initialFolder, (root / "home").string()) << "no MP3 folder yet: the home folder";
  EXPECT_EQ(pick.filters, (lumo::tools::FileFilters{{"Files per creazione indice Lumo (*.qv) ", "*.qv"},
                                                    {"Files marcatori creati (marker.txt)", "marker.txt"}}));

  script->queuePath((root / "book" / "MARKER.txt").string());
  QTest::mouseClick(w->sfogliamarker, Qt::LeftButton);
  EXPECT_EQ(w->txtmarker->text(), q((root / "book" / "MARKER.txt").string()));
  EXPECT_FALSE(w->Converti->isEnabled());

  script->queuePath((root / "book" / "Vuota").string());
  QTest::mouseClick(w->sfogliamp3, Qt::LeftButton);
  ASSERT_EQ(texts(), std::vector<std::string>{"La cartella selezionata non contiene file mp3"});
  EXPECT_EQ(script->shown()[0].icon(), lumo::ui::mb::Information);
  EXPECT_TRUE(w->txtmp3->text().isEmpty());
  ASSERT_EQ(script->folderPicks().size(), 1u);
  EXPECT_EQ(script->folderPicks()[0].initialFolder, (root / "book").string() + "/") << "the index's folder";

  script->queuePath((root / "book" / "Audio").string());
  QTest::mouseClick(w->sfogliamp3, Qt::LeftButton);
  EXPECT_EQ(w->txtmp3->text(), q((root / "book" / "Audio").string() + "/"));
  EXPECT_TRUE(w->Converti->isEnabled());
  EXPECT_TRUE(w->Conv->isEnabled());
}

TEST_F(WindowTest, TheExportFolderIsRememberedWithItsSlash) {
  {
    auto w = open();
    EXPECT_EQ(w->txtselected->text(), q((root / "home").string() + "/MyLUMO/DAISY/")) << "no documents folder";
    fs::create_directories(root / "export");
    script->queuePath((root / "export").string());
    QTest::mouseClick(w->sfoglia, Qt::LeftButton);
    ASSERT_EQ(script->folderPicks().size(), 1u);
    EXPECT_EQ(script->folderPicks()[0].initialFolder, (root / "home").string() + "/MyLUMO/DAISY/");
    EXPECT_EQ(w->txtselected->text(), q((root / "export").string() + "/MyLUMO/DAISY/"));
    EXPECT_EQ(w->exportBase(), (root / "export").string() + "/");
  }
  EXPECT_EQ(lumo::registry::GetSetting("daisyconv", "Default", "expath"), (root / "export").string() + "/");
  auto again = open();
  EXPECT_EQ(again->txtselected->text(), q((root / "export").string() + "/MyLUMO/DAISY/"));

  // Double click (or Enter) opens the folder only when it exists.
  QTest::mouseDClick(again->txtselected, Qt::LeftButton);
  EXPECT_TRUE(opened.empty());
  fs::create_directories(root / "export" / "MyLUMO" / "DAISY");
  QTest::mouseDClick(again->txtselected, Qt::LeftButton);
  again->txtselected->setFocus();
  QTest::keyClick(again->txtselected, Qt::Key_Return);
  EXPECT_EQ(opened, (std::vector<std::string>(2, (root / "export").string() + "/MyLUMO/DAISY/")));
}

TEST_F(WindowTest, ConvertingFromTheWindow) {
  TestBook b;
  b.files = {{"01", 10, {{"Uno", 0, "1"}, {"Par. 1.1", 4, "2"}}}, {"02", 5, {{"Segue", 0, "3"}}}};
  const fs::path d = root / "mnt" / "disc";
  writeBook(b, d, d / "Libro");
  mounts({"/dev/sr0 " + d.string() + " iso9660"});
  auto w = open();

  script->queueAnswer(Answer::OK);
  QTest::mouseClick(w->Converti, Qt::LeftButton);
  ASSERT_EQ(texts().size(), 1u) << "the completion message";
  EXPECT_EQ(texts()[0].rfind("Conversione completata.\n", 0), 0u);
  EXPECT_TRUE(takesInput(*w));
  EXPECT_FALSE(w->progress()->isVisible());
  const QAbstractItemModel* m = w->lv->model();
  ASSERT_EQ(m->rowCount(), 3);
  ASSERT_EQ(m->columnCount(), 9);
  EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "Livello");
  EXPECT_EQ(m->headerData(8, Qt::Horizontal).toString(), "Elapsed");
  EXPECT_EQ(m->index(1, 0).data().toString(), "2");
  EXPECT_EQ(m->index(2, 0).data().toString(), "0");
  EXPECT_EQ(m->index(1, 6).data().toString(), "2");
  EXPECT_EQ(w->Text1->text(), "3");
  EXPECT_EQ(w->Text2->text(), "15");
  EXPECT_EQ(w->Text5->text(), "2");

  // File > Ultimo Log Tabella opens the report now that it exists.
  w->logtab->trigger();
  EXPECT_EQ(opened, std::vector<std::string>{(root / "prog").string() + "/lumodaisylog.html"});

  // Again, keeping the audio already copied; then again, copying it anew.
  script->clear();
  script->queueAnswer(Answer::No);
  w->Conv->trigger();
  ASSERT_EQ(script->shown().size(), 2u);
  EXPECT_EQ(script->shown()[0].title, "File mp3 esistenti");
  EXPECT_EQ(w->lv->model()->rowCount(), 3);
  script->clear();
  script->queueAnswer(Answer::Yes);
  w->Conv->trigger();
  ASSERT_EQ(script->shown().size(), 2u);
  EXPECT_EQ(script->shown()[1].text.rfind("Conversione completata.", 0), 0u);
  EXPECT_TRUE(takesInput(*w));

  // A missing MP3 file: the two messages, and the window usable again.
  fs::remove(d / "Libro" / "02.mp3");
  script->clear();
  script->queueAnswer(Answer::Yes);
  QTest::mouseClick(w->Converti, Qt::LeftButton);
  EXPECT_EQ(texts(), (std::vector<std::string>{"La cartella contiene già file mp3.\nÉ necessario ricopiarli?",
                                               "Path: " + d.string() + "/Libro/02.mp3\nFile mp3 non trovato!",
                                               "Path del file mp3 in esame non trovato!"}));
  EXPECT_TRUE(takesInput(*w));
  EXPECT_FALSE(w->progress()->isVisible());

  // An index that is gone: the message of fileexists.
  fs::remove(d / "marker.txt");
  script->clear();
  EXPECT_FALSE(w->fileexists());
  QTest::mouseClick(w->Converti, Qt::LeftButton);
  EXPECT_EQ(texts(), (std::vector<std::string>(2, "Il percorso selezionato precedentemente non è più attivo.")));
  EXPECT_EQ(script->shown()[1].icon(), lumo::ui::mb::Critical);
  EXPECT_TRUE(takesInput(*w));
}

// Answers like the script and notes, at each question, which windows take input.
class WatchingBackend : public lumo::ui::ScriptedBackend {
 public:
  std::function<void()> onMessage;
  Answer messageBox(const lumo::ui::MessageBoxRequest& request) override {
    if (onMessage) onMessage();
    return ScriptedBackend::messageBox(request);
  }
};

TEST_F(WindowTest, DuringARunOnlyTheMainWindowIsDisabled) {
  TestBook b;
  b.files = {{"01", 3, {{"Uno", 0, "1"}}}};
  const fs::path d = root / "mnt" / "disc";
  writeBook(b, d, d / "Libro");
  mounts({"/dev/sr0 " + d.string() + " iso9660"});
  auto watching = std::make_shared<WatchingBackend>();
  lumo::ui::setBackend(watching);
  auto w = open();
  w->info->trigger();
  struct Seen {
    bool mainTakesInput, progressShown, progressTakesInput, aboutTakesInput, openAfterClose;
  };
  std::vector<Seen> seen;
  watching->onMessage = [&] {
    const bool input = takesInput(*w) && w->Converti->isEnabled() && w->txtselected->isEnabled();
    const bool progressShown = w->progress()->isVisible();
    if (progressShown) w->close();  // the window's close box, while the run goes on
    seen.push_back(
        {input, progressShown, w->progress()->isEnabled(), w->about()->Command1->isEnabled(), w->isVisible()});
  };
  QTest::mouseClick(w->Converti, Qt::LeftButton);  // first run: only the completion
  watching->queueAnswer(Answer::Yes);
  QTest::mouseClick(w->Converti, Qt::LeftButton);  // second run: the question, then the completion
  ASSERT_EQ(seen.size(), 3u);
  const Seen& question = seen[1];
  EXPECT_FALSE(question.mainTakesInput);
  EXPECT_TRUE(question.progressShown);
  EXPECT_TRUE(question.progressTakesInput) << "the progress window is not drawn disabled";
  EXPECT_TRUE(question.aboutTakesInput) << "the about box stays usable beside the run";
  EXPECT_TRUE(question.openAfterClose) << "a running conversion keeps its window";
  EXPECT_TRUE(seen[2].mainTakesInput) << "the completion comes with the window usable again";
  EXPECT_FALSE(seen[2].progressShown);
  lumo::ui::setBackend(script.shared());
}

TEST_F(WindowTest, TheReportMenuBeforeAnyConversion) {
  auto w = open();
  w->logtab->trigger();
  ASSERT_EQ(texts(), std::vector<std::string>{"Il file lumodaisylog.html non è stato ancora creato"});
  EXPECT_EQ(script->shown()[0].icon(), lumo::ui::mb::Information);
  EXPECT_TRUE(opened.empty());
}

TEST_F(WindowTest, TheAboutBoxAndClosing) {
  auto w = open();
  w->info->trigger();
  Form2* about = w->about();
  ASSERT_TRUE(about->isVisible());
  EXPECT_FALSE(about->isModal());
  EXPECT_EQ(about->lblTitolo->text(), q("LumoDarivaziduduza " + programVersion()));
  EXPECT_TRUE(about->Label1->text().startsWith(QString::fromUtf8("LumoDarivAziduduza è un software")));
  EXPECT_EQ(about->Label1->text().count('\n'), 3);
  EXPECT_TRUE(about->Label2->text().startsWith(QString::fromUtf8(lumo::organisation::Name) + "\n"));
  EXPECT_EQ(about->Label5->text(), "Posta elettronica");
  QTest::mouseClick(about->Label4, Qt::LeftButton);
  // The link Tab reaches shows that it has the focus.
  about->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(about));
  QApplication::processEvents();
  ASSERT_TRUE(about->isActiveWindow());
  about->Command1->setFocus();
  const QImage unfocused = about->Label5->grab().toImage();
  QTest::keyClick(about->Command1, Qt::Key_Tab, Qt::ShiftModifier);  // from Esci back to the link
  ASSERT_TRUE(about->Label5->hasFocus());
  EXPECT_NE(about->Label5->grab().toImage(), unfocused);
  QTest::keyClick(about->Label5, Qt::Key_Return);
  EXPECT_EQ(opened, (std::vector<std::string>{lumo::organisation::WebAddress,
                                              std::string("mailto:") + lumo::organisation::Email}));
  QTest::mouseClick(about->Command1, Qt::LeftButton);
  EXPECT_FALSE(about->isVisible());

  w->info->trigger();
  w->Esci->trigger();
  EXPECT_FALSE(w->isVisible());
  EXPECT_FALSE(about->isVisible()) << "the about box goes with the main window";
}

TEST_F(WindowTest, EveryControlIsNamedForScreenReaders) {
  auto w = open();
  const std::pair<const char*, const char*> controls[] = {
      {"Label1", "LUMODaisy Converter"},
      {"Combo1", "Seleziona il drive"},
      {"Command2", "Aggiorna lista drive"},
      {"txtmarker", "Percorso file indice marker:"},
      {"sfogliamarker", "Scegli un file"},
      {"txtmp3", "Percorso file MP3:"},
      {"sfogliamp3", "Scegli una cartella"},
      {"txtselected", "Percorso di esportazione:"},
      {"sfoglia", "Scegli un altro percorso"},
      {"Check2", "Genera un numero di pagina solo all'inizio di ogni file"},
      {"Check1", "Apri la cartella di esportazione al termine del lavoro"},
      {"Converti", "Converti"},
      {"Command1", "Esci"},
      {"Frame1", "Analisi Audiolibro"},
      {"Text1", "Pagine normali:"},
      {"Text2", "Durata totale dell'opera (in secondi):"},
      {"Text3", "Dimensione totale occupata (in Kb):"},
      {"Text4", "Pagine speciali:"},
      {"Text5", "Livelli:"},
      {"lv", "Tabella di conversione"},
  };
  for (const auto& [name, accessible] : controls) {
    const QWidget* c = w->findChild<QWidget*>(name);
    ASSERT_NE(c, nullptr) << name;
    EXPECT_EQ(c->accessibleName(), QString::fromUtf8(accessible)) << name;
  }
  EXPECT_EQ(w->sfogliamp3->text(), "&Scegli una cartella");
  EXPECT_EQ(w->sfogliamarker->toolTip(), "Personalizza il percorso del file marker");
  EXPECT_EQ(w->Command1->toolTip(), "Chiude il software");
  EXPECT_EQ(w->Label5->buddy(), w->txtmarker);
  for (const char* action : {"Conv", "logtab", "Esci", "info"}) EXPECT_NE(w->findChild<QAction*>(action), nullptr);
  EXPECT_EQ(w->mnuFile->title(), "&File");
  EXPECT_EQ(w->mnuInformazioni->title(), "&Informazioni");
  EXPECT_EQ(w->logtab->text(), "Ultimo Log Tabella");
  EXPECT_EQ(w->progress()->windowTitle(), "Elaborazione in corso...");
  EXPECT_EQ(w->progress()->Label1->text(), "Elaborazione dei dati in corso... Attendere");
}

// At twice the desktop's text size the window and its texts grow, and
// every control stays inside it, apart from the others and whole.
TEST_F(WindowTest, AtTwiceTheTextSizeEveryControlStaysWholeAndApart) {
  const lumo::testsupport::ScopedTextSize twice(2.0);
  auto w = open();
  QApplication::processEvents();
  lumo::testsupport::expectControlsFit(*w->findChild<QWidget*>("controls"));
  lumo::testsupport::expectControlsFit(*w->Frame1);
  EXPECT_EQ(w->txtmarker->font().pointSizeF(), QApplication::font().pointSizeF()) << "the paths at the text size";
}

// Enter presses the focused button as Space does; after each picker and
// message box, each a window of its own that leaves no window active, the
// window is active again with the focus where it was; a choice is heard as
// a notification naming the field and the path.
TEST_F(WindowTest, EnterPressesButtonsAndEachChoiceIsHeardInTheActiveWindow) {
  TestBook b;
  b.files = {{"01", 3, {{"Uno", 0, "1"}}}};
  writeBook(b, root / "book", root / "book" / "Audio");
  fs::create_directories(root / "book" / "Vuota");
  fs::create_directories(root / "export");
  auto dialogs = std::make_shared<lumo::testsupport::WindowedDialogs>();
  lumo::ui::setBackend(dialogs);
  lumo::ui::testing::AccessibleEventLog log;
  auto w = open();
  QApplication::setActiveWindow(w.get());
  lumo::testsupport::expectPickersWorkByEnter(
      *w, w->notice(), *dialogs, log,
      {
          {w->sfogliamarker, (root / "book" / "marker.txt").string(),
           q("Percorso file indice marker: " + (root / "book" / "marker.txt").string())},
          {w->sfogliamp3, (root / "book" / "Vuota").string(), ""},  // refused, with a message box
          {w->sfogliamp3, (root / "book" / "Audio").string(),
           q("Percorso file MP3: " + (root / "book" / "Audio").string() + "/")},
          {w->sfoglia, (root / "export").string(),
           q("Percorso di esportazione: " + (root / "export").string() + "/MyLUMO/DAISY/")},
          {w->sfoglia, "", ""},  // cancelled
      });
  EXPECT_EQ(dialogs->shown().size(), 1u);
  EXPECT_TRUE(w->Converti->isEnabled());

  // The about box takes Enter on its button too.
  w->info->trigger();
  QApplication::setActiveWindow(w->about());
  w->about()->Command1->setFocus();
  QTest::keyClick(w->about()->Command1, Qt::Key_Return);
  EXPECT_FALSE(w->about()->isVisible());
  lumo::ui::setBackend(script.shared());
}

// The scan's result is heard with the drive list; a new scan is heard at
// once, the focus staying on the button.
TEST_F(WindowTest, TheDriveScanIsHeardWithTheDriveList) {
  auto w = open();
  QApplication::setActiveWindow(w.get());
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w->Combo1);
  EXPECT_EQ(list->text(QAccessible::Description), "Nessun drive contiene cd MP3 del L.U.M.O.")
      << "no longer the tooltip";
  EXPECT_EQ(w->Combo1->toolTip(), "Seleziona il drive") << "the tooltip stays";
  const fs::path d = disc("cdrom0", "Pinocchio");
  mounts({"/dev/sr0 " + d.string() + " iso9660"});
  lumo::ui::testing::AccessibleEventLog log;
  w->Command2->setFocus();
  QTest::keyClick(w->Command2, Qt::Key_Return);
  EXPECT_EQ(list->text(QAccessible::Description), "Sono stati rilevati 1 cd-mp3 del Lumo");
  ASSERT_EQ(log.of(QAccessible::ObjectShow, w->notice()).size(), 1u);
  EXPECT_EQ(log.of(QAccessible::ObjectShow, w->notice())[0].name, "Sono stati rilevati 1 cd-mp3 del Lumo");
}

// At an 18 point text (and, run again so, at twice the scale on a
// 1280x1024 screen) the window and its about box open inside the screen's
// free area with their title bars on it, scroll what they cannot hold and
// show every text whole; the check boxes grow with the text.
TEST_F(WindowTest, AtALargeTextTheWindowsFitTheScreen) {
  const lumo::testsupport::ScopedPointSize large(lumo::testsupport::readerPointSize());
  auto w = open();
  w->info->trigger();
  for (QWidget* window : {static_cast<QWidget*>(w.get()), static_cast<QWidget*>(w->about())}) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QApplication::processEvents();
    lumo::testsupport::expectFitsScreen(*window);
    lumo::testsupport::saveGrab(*window, "converter-" + window->objectName());
  }
  const int mark = w->Check1->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, w->Check1);
  // As much larger as the text is (twice at 18 points; a scale grows both alike).
  const double text = lumo::ui::textScale(w->Check1->font());
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

// A conversion started from the keyboard (the focus stays on Converti) keeps
// a screen reader with the progress window: the events of the controls as
// they are locked all come before the window's announcement, the focus moves
// nowhere in the main window, and while the window shows the main window
// tells only of the rows added to its table.
TEST_F(WindowTest, ARunAnnouncesItsProgressWindowAfterTheLockedControls) {
  TestBook b;
  b.files = {{"01", 10, {{"Uno", 0, "1"}, {"Par. 1.1", 4, "2"}}},
             {"02", 5, {{"Segue", 0, "3"}}},
             {"03", 5, {{"Tre", 0, "4"}}}};
  const fs::path d = root / "mnt" / "disc";
  writeBook(b, d, d / "Libro");
  mounts({"/dev/sr0 " + d.string() + " iso9660"});
  auto w = open();
  w->Converti->setFocus();
  lumo::ui::testing::AccessibleEventLog log;
  w->Converti->click();
  ASSERT_EQ(texts().size(), 1u);
  EXPECT_EQ(texts()[0].rfind("Conversione completata.", 0), 0u);

  const auto& events = log.events();
  const auto isMain = [&](const lumo::ui::testing::AccessibleEventRecord& e) {
    const auto* widget = qobject_cast<const QWidget*>(e.object.data());
    return widget != nullptr && widget->window() == w.get();
  };
  const auto at = [&](QAccessible::Event type, const QObject* object) {
    for (size_t i = 0; i < events.size(); ++i)
      if (events[i].type == type && events[i].object == object) return i;
    return events.size();
  };
  const size_t announced = at(QAccessible::ObjectShow, w->progress()->Annuncio);
  const size_t hidden = at(QAccessible::ObjectHide, w->progress());
  ASSERT_LT(announced, hidden);
  EXPECT_EQ(log.of(QAccessible::ObjectShow, w->progress()->Annuncio).size(), 1u);
  size_t locked = 0;
  for (size_t i = 0; i < hidden; ++i) {
    const auto& e = events[i];
    // The window itself goes inactive as the progress window opens.
    if (!isMain(e) || e.object == w.get()) continue;
    const std::string what = e.object->objectName().toStdString() + " " + std::to_string(int(e.type));
    EXPECT_NE(e.type, QAccessible::Focus) << what;
    if (e.type == QAccessible::StateChanged) {
      ++locked;
      EXPECT_LT(i, announced) << what;
    } else if (i > announced) {
      EXPECT_EQ(e.type, QAccessible::TableModelChanged) << what;
    }
  }
  EXPECT_GT(locked, 10u) << "the controls were locked";
  // After the run each result is written once (Text4, no special pages, not
  // at all): set again unchanged, a field would be told again.
  std::vector<std::string> results;
  for (size_t i = hidden; i < events.size(); ++i)
    if (isMain(events[i]) && events[i].type == QAccessible::TextUpdated)
      results.push_back(events[i].object->objectName().toStdString());
  EXPECT_EQ(results, (std::vector<std::string>{"Text1", "Text2", "Text3", "Text5"}));
}
