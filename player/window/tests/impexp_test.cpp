// The settings export and import panel, driven as a reader drives it: the
// bookmark panel's buttons, the lists, the name box and the keyboard, with
// every message answered from the script.

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <sstream>

#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "platform/registry/hive.h"
#include "platform/registry/regfile.h"
#include "platform/registry/registry.h"
#include "player/window/frmImpExp.h"
#include "player/window/tests/commands_fixture.h"
#include "testsupport/accessible_events.h"
#include "testsupport/hive_fixture.h"

namespace lumo::player::testing {
namespace {

constexpr int kAlt = 4;
const char* kPage = "LB01\\A.HTM";

std::string readBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
void writeBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Every key of the player's tree with its values: equal dumps, equal trees.
std::string dumpTree(registry::Store& store, const std::string& path) {
  std::string out = "[" + path + "]\n";
  for (const registry::Value& v : store.values(path))
    out += v.name + "|" + std::to_string(int(v.type)) + "|" + v.data + "\n";
  for (const std::string& name : store.subkeys(path)) out += dumpTree(store, path + "\\" + name);
  return out;
}

class ImpExpTest : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    fs::create_directories(home());
    fs::create_directories(dir_ / "usb" / "Backup");
    home_ = std::make_unique<lumo::testing::ScopedEnv>("HOME", QByteArray::fromStdString(home().string()));
    mountTable({"/dev/sda1 / ext4", "/dev/sdb1 " + (dir_ / "usb").string() + " vfat"});
  }
  void TearDown() override {
    CommandsTest::TearDown();
    home_.reset();
  }

  fs::path home() const { return dir_ / "home"; }
  registry::Store& store() { return registry::Store::open(registry::Hive::CurrentUser); }
  std::string tree() { return dumpTree(store(), frmImpExp::settingsTree()); }

  // The page A.htm with two bookmarks, its list open.
  frmBrowser& openListWithBookmarks() {
    storeMarker(kPage, 1, "30", "Inizio «capitolo»", "A.mp3");
    storeMarker(kPage, 2, "75", "Citazione \"Dante\" C:\\x", "A.mp3");
    frmBrowser& w = openOn(writeFilePage("A.htm", {}));
    w.show();
    QApplication::setActiveWindow(&w);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    fake()->setDefaultMedium(200);
    at(40);
    press('6', kAlt);
    return w;
  }
  frmImpExp& panel() { return *window_->frmImpExp; }
  QStringList fileRows() const {
    QStringList list;
    for (int i = 0; i < window_->File->count(); ++i) list << window_->File->item(i)->text();
    return list;
  }
  // Chooses a file of the file list as a click does.
  void chooseFile(const QString& name) {
    const auto items = window_->File->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << name.toStdString() << " in " << fileRows().join(",").toStdString();
    window_->File->scrollToItem(items[0]);
    QTest::mouseClick(window_->File->viewport(), Qt::LeftButton, {}, window_->File->visualItemRect(items[0]).center());
  }
  // Opens the panel, goes to a folder, and for an export types the name.
  void exportAs(const fs::path& folder, const QString& name) {
    window_->cmdImpExp[0]->click();
    panel().setDirPath(QString::fromStdString(folder.string()));
    window_->TextFileName->setText(name);
    window_->cmdImpExp[2]->click();
  }
  bool panelClosed() const {
    return window_->frmImpExp->isHidden() && !window_->ListMarkers->isHidden() && !window_->cmdImpExp[0]->isHidden() &&
           !window_->cmdImpExp[1]->isHidden() && !window_->cmdImpExp[4]->isHidden();
  }

 private:
  std::unique_ptr<lumo::testing::ScopedEnv> home_;
};

TEST_F(ImpExpTest, AnExportWritesTheWholeTreeUnderTheNameWithREG) {
  frmBrowser& w = openListWithBookmarks();
  setPlayerSetting("Volume", "70");
  struct Case {
    QString typed;
    const char* file;
  } const cases[] = {{"backup", "backup.REG"}, {"backup.txt", "backup.REG"}, {"a.b.c", "a.REG"}, {"", ".REG"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    fs::remove(home() / c.file);
    ui().clear();
    w.cmdImpExp[0]->click();
    EXPECT_EQ(w.frmImpExp->title(), QStringLiteral("   Esportazione Marcatori   "));
    EXPECT_TRUE(w.ListMarkers->isHidden());
    EXPECT_TRUE(w.cmdImpExp[0]->isHidden());
    EXPECT_FALSE(w.TextFileName->isHidden());
    EXPECT_EQ(panel().FilePattern(), QStringLiteral("*.reg"));
    EXPECT_EQ(panel().DirPath(), QString::fromStdString(home().string()));
    EXPECT_EQ(QApplication::focusWidget(), w.TextFileName);
    // Typed, then Enter in the name box, as a reader does.
    QTest::keyClicks(w.TextFileName, c.typed);
    press(keys::vk::Return, 0, w.TextFileName);

    const fs::path written = home() / c.file;
    ASSERT_TRUE(fs::exists(written));
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].text, "Export effettuato correttamente nel file " + written.string());
    EXPECT_EQ(shown()[0].style, ui::mb::OKOnly);
    EXPECT_EQ(shown()[0].title, "LumoPlayer");  // the program's title
    EXPECT_TRUE(w.TextFileName->text().isEmpty());
    EXPECT_TRUE(panelClosed());
    EXPECT_EQ(QApplication::focusWidget(), w.ListMarkers);
    // The file list has been read again.
    EXPECT_TRUE(fileRows().contains(QString::fromUtf8(c.file)));
  }
  // The file is the tree's own export, and it reads back.
  const std::string bytes = readBytes(home() / "backup.REG");
  EXPECT_EQ(
      bytes.rfind("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\QEN MediaPlayer]\r\n", 0),
      0u);
  EXPECT_NE(bytes.find("\"2NOME\"=\"Citazione \\\"Dante\\\" C:\\\\x\""), std::string::npos);
  EXPECT_NE(bytes.find("\"1NOME\"=\"Inizio \xAB"
                       "capitolo\xBB\""),
            std::string::npos);
  EXPECT_NE(bytes.find("\"Volume\"=\"70\""), std::string::npos);
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(ImpExpTest, AnExistingFileIsReplacedOnlyOnYes) {
  frmBrowser& w = openListWithBookmarks();
  struct Case {
    ui::Answer answer;
    bool replaced;
  } const cases[] = {{ui::Answer::Yes, true}, {ui::Answer::No, false}, {ui::Answer::Cancel, false}};
  const fs::path file = home() / "backup.REG";
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.answer));
    writeBytes(file, "old");
    fs::permissions(file, fs::perms::owner_read);  // read-only
    ui().clear();
    ui().queueAnswer(c.answer);
    exportAs(home(), QStringLiteral("backup"));
    ASSERT_GE(shown().size(), 1u);
    EXPECT_EQ(shown()[0].text, "Si vuole sostituire il file backup?");
    EXPECT_EQ(shown()[0].title, "Esportazione Marcatori LUMO");
    EXPECT_EQ(shown()[0].buttons(), ui::mb::YesNoCancel);
    EXPECT_EQ(readBytes(file) != "old", c.replaced);
    EXPECT_EQ(shown().size(), c.replaced ? 2u : 1u);
    // Abandoned: the name stays for another try; the panel closes either way.
    EXPECT_EQ(w.TextFileName->text(), c.replaced ? QString() : QStringLiteral("backup"));
    EXPECT_TRUE(panelClosed());
    fs::permissions(file, fs::perms::owner_all);
  }
}

TEST_F(ImpExpTest, AnExportThatCannotBeWrittenSaysSoAndLeavesTheOldFile) {
  openListWithBookmarks();
  // The export name is taken by a folder: replacing it fails.
  fs::create_directory(home() / "taken.REG");
  ui().queueAnswer(ui::Answer::Yes);
  exportAs(home(), QStringLiteral("taken"));
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[1].text, "Export del file " + (home() / "taken.REG").string() + " fallito!");
  EXPECT_TRUE(fs::is_directory(home() / "taken.REG"));
}

TEST_F(ImpExpTest, TheDriveListGoesToAMountRootAndTheFolderListOpensFolders) {
  frmBrowser& w = openListWithBookmarks();
  w.cmdImpExp[0]->click();
  const QString usb = QString::fromStdString((dir_ / "usb").string());
  ASSERT_EQ(w.Drive->count(), 2);
  EXPECT_EQ(w.Drive->itemText(1), usb + "/");
  EXPECT_EQ(w.Drive->currentText(), QStringLiteral("/"));  // the drive of the home folder
  w.Drive->setCurrentIndex(1);
  EXPECT_EQ(panel().DirPath(), usb);
  EXPECT_EQ(panel().FilePath(), usb);
  // The folder list: the folders down to this one, then its subfolders;
  // Enter on one opens it.
  const auto backup = w.Dir->findItems(QStringLiteral("Backup"), Qt::MatchEndsWith);
  ASSERT_EQ(backup.size(), 1);
  w.Dir->setCurrentItem(backup[0]);
  press(keys::vk::Return, 0, w.Dir);
  EXPECT_EQ(panel().DirPath(), usb + "/Backup");
  EXPECT_FALSE(w.frmImpExp->isHidden());
  w.TextFileName->setText(QStringLiteral("libro"));
  w.cmdImpExp[2]->click();
  EXPECT_TRUE(fs::exists(dir_ / "usb" / "Backup" / "libro.REG"));

  // A drive root keeps its one "/": the file named at the root of "/".
  w.cmdImpExp[1]->click();
  w.Drive->setCurrentIndex(0);
  EXPECT_EQ(panel().DirPath(), QStringLiteral("/"));
  ui().clear();
  w.TextFileName->setText(QStringLiteral("lumo-missing-test.qen"));
  w.cmdImpExp[2]->click();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_NE(shown()[0].text.find("file /lumo-missing-test.qen "), std::string::npos) << shown()[0].text;

  // A mount that cannot be read leaves the folder list where it was.
  w.cmdImpExp[1]->click();
  const QString before = panel().DirPath();
  fs::remove_all(dir_ / "usb");
  w.Drive->setCurrentIndex(1);
  EXPECT_EQ(panel().DirPath(), before);
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(ImpExpTest, AnExportImportedBackGivesTheReaderTheirBookmarks) {
  frmBrowser& w = openListWithBookmarks();
  const QStringList bookmarks = rows();
  ASSERT_EQ(bookmarks.size(), 2);
  setPlayerSetting("AudioOff", "False");
  exportAs(home(), QStringLiteral("segnalibri"));
  const std::string exported = tree();
  // (The import keeps the reader's switch-off state: it is in the file too.)

  // Every bookmark deleted, then the empty list opened: the panel comes
  // all the same, after its message.
  press(keys::vk::Escape, 0, w.ListMarkers);
  ui().queueAnswer(ui::Answer::Yes);
  press('4', kAlt);
  EXPECT_TRUE(rows().isEmpty());
  ui().clear();
  press('6', kAlt);
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Non ci sono marcatori presenti.");
  ASSERT_FALSE(w.fraMarcatori->isHidden());

  // Import: the hidden name box is filled by the file chosen in the list.
  ui().clear();
  w.cmdImpExp[1]->click();
  EXPECT_EQ(w.frmImpExp->title(), QStringLiteral("   Importazione Marcatori   "));
  EXPECT_TRUE(w.TextFileName->isHidden());
  EXPECT_TRUE(w.lblNomeFile->isHidden());
  EXPECT_EQ(w.File->y(), w.Dir->y());
  EXPECT_EQ(panel().FilePattern(), QStringLiteral("*.qen;*.reg"));
  EXPECT_EQ(QApplication::focusWidget(), w.File);
  EXPECT_TRUE(fileRows().contains(QStringLiteral("segnalibri.REG")));
  chooseFile(QStringLiteral("segnalibri.REG"));
  EXPECT_EQ(w.TextFileName->text(), QStringLiteral("segnalibri.REG"));
  w.cmdImpExp[2]->click();

  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Ripristino effettuato " + (home() / "segnalibri.REG").string());
  EXPECT_EQ(rows(), bookmarks);
  EXPECT_EQ(tree(), exported);
  EXPECT_TRUE(panelClosed());
  // The backup holds the tree as it was before the import.
  ASSERT_TRUE(fs::exists(home() / "QENPlayer_Backup.reg"));
  const std::string backup = readBytes(home() / "QENPlayer_Backup.reg");
  EXPECT_EQ(backup.find("Inizio"), std::string::npos);
  EXPECT_NE(backup.find("[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\QEN MediaPlayer\\Player]"),
            std::string::npos);
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(ImpExpTest, ARegFileIsImportedInAnyCaseAndKeysOfOtherProgramsAreSkipped) {
  frmBrowser& w = openListWithBookmarks();
  registry::SaveSetting("Lumofind", "Default", "Path", "/opt/lumo");
  writeBytes(home() / "Altro.Reg",
             "REGEDIT4\r\n\r\n"
             "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\QEN MediaPlayer\\LB01\\A.HTM]\r\n"
             "\"3\"=\"120\"\r\n\"3NOME\"=\"Importato \xE8\"\r\n\"3NOMEAUDIO\"=\"A.mp3\"\r\n\r\n"
             "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Lumofind\\Default]\r\n"
             "\"Path\"=\"/tmp/altrove\"\r\n");
  w.SetAudioOff(true);
  w.cmdImpExp[1]->click();
  chooseFile(QStringLiteral("Altro.Reg"));
  w.cmdImpExp[2]->click();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Ripristino effettuato " + (home() / "Altro.Reg").string() +
                                 "\r\nQueste chiavi del file non riguardano LumoPlayer e non sono state "
                                 "importate:\r\nHKEY_CURRENT_USER\\Software\\VB and VBA Program "
                                 "Settings\\Lumofind\\Default");
  EXPECT_EQ(registry::GetSetting("Lumofind", "Default", "Path"), "/opt/lumo");
  EXPECT_EQ(rows().size(), 3);
  EXPECT_TRUE(rows().last().endsWith(QStringLiteral(" - Importato è")));
  EXPECT_EQ(playerSetting("AudioOff"), "True");
}

TEST_F(ImpExpTest, AHiveFileReplacesTheWholeTree) {
  frmBrowser& w = openListWithBookmarks();
  using registry::HiveKey;
  using registry::Value;
  using registry::ValueType;
  HiveKey saved{
      "QEN MediaPlayer",
      {},
      {HiveKey{"Player", {Value{"Volume", ValueType::String, "55"}}, {}},
       HiveKey{"LB01",
               {},
               {HiveKey{"A.HTM",
                        {Value{"1", ValueType::String, "10"}, Value{"1NOME", ValueType::String, "Dal disco di Windows"},
                         Value{"1NOMEAUDIO", ValueType::String, "A.mp3"}},
                        {}}}}}};
  registry::testing::writeHive(home() / "Libro.qen", saved);
  w.cmdImpExp[1]->click();
  chooseFile(QStringLiteral("Libro.qen"));
  // A double click on the file is OK.
  QTest::mouseClick(w.File->viewport(), Qt::LeftButton, {}, w.File->visualItemRect(w.File->currentItem()).center());
  QTest::mouseDClick(w.File->viewport(), Qt::LeftButton, {}, w.File->visualItemRect(w.File->currentItem()).center());
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Ripristino effettuato " + (home() / "Libro.qen").string());
  EXPECT_EQ(rows(), QStringList{"00:10\t - Dal disco di Windows"});
  EXPECT_EQ(playerSetting("Volume"), "55");
  EXPECT_EQ(playerSetting("AudioOff"), "False");
}

TEST_F(ImpExpTest, AnImportThatCannotBeReadChangesNothing) {
  frmBrowser& w = openListWithBookmarks();
  const QStringList bookmarks = rows();
  writeBytes(home() / "rotto.reg", "REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\nnonsense\r\n");
  writeBytes(home() / "rotto.qen", "regf and nothing else");
  writeBytes(home() / "estraneo.reg", "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"a\"=\"1\"\r\n");
  struct Case {
    QString file;  // "" chooses none
    std::string message;
  } const cases[] = {
      {"", "Nessun file scelto: nessuna impostazione è stata importata."},
      {"rotto.reg", "Importazione dal file " + (home() / "rotto.reg").string() +
                        " non riuscita: la riga 3 non è comprensibile: nonsense. Nessuna impostazione è "
                        "stata cambiata."},
      {"rotto.qen", "Importazione dal file " + (home() / "rotto.qen").string() +
                        " non riuscita: il file non è un file di registro leggibile. Nessuna impostazione "
                        "è stata cambiata."},
      {"estraneo.reg", "Il file " + (home() / "estraneo.reg").string() +
                           " non contiene impostazioni di LumoPlayer: nessuna impostazione è stata "
                           "importata.\r\nQueste chiavi del file non riguardano LumoPlayer e non sono "
                           "state importate:\r\nHKEY_CURRENT_USER\\Software\\Other"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.toStdString());
    const std::string before = tree();
    fs::remove(home() / "QENPlayer_Backup.reg");
    ui().clear();
    w.cmdImpExp[1]->click();
    if (!c.file.isEmpty()) chooseFile(c.file);
    w.cmdImpExp[2]->click();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].text, c.message);
    EXPECT_EQ(shown()[0].icon(), ui::mb::Exclamation);
    EXPECT_EQ(tree(), before);
    EXPECT_EQ(rows(), bookmarks);
    EXPECT_TRUE(fs::exists(home() / "QENPlayer_Backup.reg"));
    EXPECT_TRUE(panelClosed());
  }
  EXPECT_FALSE(store().keyExists("Software\\Other"));
}

TEST_F(ImpExpTest, OnTheSummaryPageTheListShowsTheImportedBookmarksOfEveryPage) {
  writeFilePage("A.htm", {});
  writeFilePage("B.htm", {.audio = "B.mp3"});
  storeMarker("LB01\\A.htm", 1, "42", "Qui", "A.mp3");
  storeMarker("LB01\\B.htm", 1, "5", "Là", "B.mp3");
  writePage(program_ / "Index.htm", "<html><head><title>Sommario</title></head><body>s</body></html>");
  frmBrowser& w = openOn(programAddress("Index.htm"));
  const QStringList all = rows();
  ASSERT_EQ(all.size(), 2);
  press('6', kAlt);
  exportAs(home(), QStringLiteral("tutto"));
  registry::DeleteSetting(kAppName, "LB01");
  w.cmdImpExp[1]->click();
  panel().setDirPath(QString::fromStdString(home().string()));
  w.TextFileName->setText(QStringLiteral("tutto.REG"));
  w.cmdImpExp[2]->click();
  EXPECT_EQ(rows(), all);
  EXPECT_EQ(w.lstapp->count(), 2);
}

TEST_F(ImpExpTest, ImportingTheBackupRestoresItRatherThanItsOwnCopy) {
  frmBrowser& w = openListWithBookmarks();
  const QStringList original = rows();
  // An import writes the backup of the tree as it is (the two bookmarks)...
  writeBytes(home() / "vuoto.reg",
             "REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\Software\\VB and VBA Program "
             "Settings\\QEN MediaPlayer\\LB01]\r\n");
  w.cmdImpExp[1]->click();
  chooseFile(QStringLiteral("vuoto.reg"));
  w.cmdImpExp[2]->click();
  EXPECT_TRUE(rows().isEmpty());
  // ...and importing that backup brings them back.
  w.cmdImpExp[1]->click();
  chooseFile(QStringLiteral("QENPlayer_Backup.reg"));
  w.cmdImpExp[2]->click();
  EXPECT_EQ(rows(), original);
}

TEST_F(ImpExpTest, AnnullaEscAndChiudiLeaveTheRightPanelShown) {
  frmBrowser& w = openListWithBookmarks();
  EXPECT_TRUE(w.commandRunner().paused().wasPlaying);
  // Annulla: back to the list, nothing written.
  w.cmdImpExp[0]->click();
  w.TextFileName->setText(QStringLiteral("x"));
  w.cmdImpExp[3]->click();
  EXPECT_TRUE(panelClosed());
  EXPECT_FALSE(fs::exists(home() / "x.REG"));
  // Esc in the file panel closes the bookmark panel and resumes; the next
  // list opens on the list, not on the file panel.
  w.cmdImpExp[1]->click();
  press(keys::vk::Escape, 0, w.File);
  EXPECT_TRUE(w.fraMarcatori->isHidden());
  EXPECT_EQ(fake()->playState(), media::ps::Playing);
  at(50);
  press('6', kAlt);
  EXPECT_TRUE(panelClosed());
  // "Chiudi" with nothing paused only shows the page again.
  press(keys::vk::Escape, 0, w.ListMarkers);
  at(50, false);
  press('6', kAlt);
  EXPECT_FALSE(w.commandRunner().paused().wasPlaying);
  fake()->clearCalls();
  w.cmdImpExp[4]->click();
  EXPECT_TRUE(w.fraMarcatori->isHidden());
  EXPECT_FALSE(w.objwb->isHidden());
  EXPECT_TRUE(fake()->calls().isEmpty());
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(ImpExpTest, EveryControlHasANameAndIsReachedWithTab) {
  frmBrowser& w = openListWithBookmarks();
  w.cmdImpExp[0]->click();
  QWidget* start = QApplication::focusWidget();
  ASSERT_EQ(start, w.TextFileName);
  QList<QWidget*> order{start};
  for (int i = 0; i < 5; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order << QApplication::focusWidget();
  }
  EXPECT_EQ(order, (QList<QWidget*>{w.TextFileName, w.File, w.Dir, w.Drive, w.cmdImpExp[2], w.cmdImpExp[3]}));
  for (QWidget* c : order) EXPECT_FALSE(c->accessibleName().isEmpty()) << c->objectName().toStdString();
  EXPECT_EQ(w.lblNomeFile->buddy(), w.TextFileName);
  // Passing through the file list keeps the name typed; arrows in it
  // choose a file.
  w.cmdImpExp[3]->click();
  exportAs(home(), QStringLiteral("uno"));
  exportAs(home(), QStringLiteral("due"));
  w.cmdImpExp[0]->click();
  w.TextFileName->setText(QStringLiteral("tre"));
  QTest::keyClick(w.TextFileName, Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), w.File);
  EXPECT_EQ(w.TextFileName->text(), QStringLiteral("tre"));
  w.File->setCurrentRow(0);
  QTest::keyClick(w.File, Qt::Key_Down);
  EXPECT_EQ(w.TextFileName->text(), QStringLiteral("uno.REG"));
}

// A folder that holds one file: the list gets the focus on that file's row,
// so no arrow can move to it; an arrow or Space chooses it all the same.
TEST_F(ImpExpTest, TheOnlyFileOfAFolderIsChosenFromTheKeyboard) {
  frmBrowser& w = openListWithBookmarks();
  const fs::path stick = home() / "chiavetta";
  fs::create_directories(stick);
  exportAs(stick, QStringLiteral("solo"));
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_Space}) {
    SCOPED_TRACE(QKeySequence(key).toString().toStdString());
    w.cmdImpExp[1]->click();
    panel().setDirPath(QString::fromStdString(stick.string()));
    ASSERT_EQ(fileRows(), QStringList{"solo.REG"});
    w.File->setFocus(Qt::TabFocusReason);
    w.TextFileName->clear();
    // The row Qt makes current when the list gets the focus, not selected.
    w.File->selectionModel()->setCurrentIndex(w.File->model()->index(0, 0), QItemSelectionModel::Clear);
    QTest::keyClick(w.File, key);
    EXPECT_EQ(w.TextFileName->text(), QStringLiteral("solo.REG"));
    ui().clear();
    w.cmdImpExp[2]->click();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].text.rfind("Nessun file scelto", 0), std::string::npos) << shown()[0].text;
  }
}

// Entering the file list, and the folder list, the reader hears the item
// the keys act on, also the only file of a folder.
TEST_F(ImpExpTest, EnteringAListNamesItsCurrentItem) {
  frmBrowser& w = openListWithBookmarks();
  const fs::path stick = home() / "chiavetta";
  fs::create_directories(stick);
  exportAs(stick, QStringLiteral("solo"));
  w.cmdImpExp[1]->click();
  panel().setDirPath(QString::fromStdString(stick.string()));
  ASSERT_EQ(fileRows(), QStringList{"solo.REG"});
  w.Dir->setFocus(Qt::TabFocusReason);
  ui::testing::AccessibleEventLog log;
  auto heard = [&] {
    QApplication::processEvents();
    const auto focus = log.of(QAccessible::Focus);
    log.clear();
    return focus.empty() ? ui::testing::AccessibleEventRecord{} : focus.back();
  };
  heard();
  QTest::keyClick(w.Dir, Qt::Key_Backtab);
  ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.File));
  const auto entered = heard();
  EXPECT_EQ(entered.object.data(), static_cast<QObject*>(w.File));
  EXPECT_EQ(entered.child, 0);
  EXPECT_EQ(entered.name, QStringLiteral("solo.REG"));
  EXPECT_TRUE(w.TextFileName->text().isEmpty()) << "entering the list chooses nothing";
  QTest::keyClick(w.File, Qt::Key_Down);
  EXPECT_EQ(w.TextFileName->text(), QStringLiteral("solo.REG"));
  QTest::keyClick(w.File, Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.Dir));
  const auto folder = heard();
  EXPECT_EQ(folder.object.data(), static_cast<QObject*>(w.Dir));
  EXPECT_EQ(folder.name.trimmed(), QStringLiteral("chiavetta")) << "the folder the lists show";
}

TEST_F(ImpExpTest, TheDebugFrameExportsToProvatxtWithoutAMessage) {
  frmBrowser& w = openListWithBookmarks();
  ui().clear();
  w.Command1->click();
  EXPECT_TRUE(shown().empty());
  const std::string bytes = readBytes(home() / "provatxt.reg");
  EXPECT_EQ(bytes.rfind("REGEDIT4\r\n", 0), 0u);
  EXPECT_NE(bytes.find("\"1\"=\"30\""), std::string::npos);
}

}  // namespace
}  // namespace lumo::player::testing
