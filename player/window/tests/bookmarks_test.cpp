// The bookmark store of a page of Zivuvu's: adding, the rename dialog,
// the renumbering and migration at each load, deleting; and that every
// change that belongs together reaches the settings store whole or not at
// all.

#include <sqlite3.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <optional>

#include "platform/registry/registry.h"
#include "player/window/frmInputBox.h"
#include "player/window/tests/window_fixture.h"

namespace lumo::player::testing {
namespace {

using Values = std::map<std::string, std::string>;
const std::string kPage = "LB01\\A.HTM";
const std::string kOlder = "LB01\\A.HTM#";

// Answers the input boxes that come up, in order: a text is typed over
// the box's text and confirmed with OK; nullopt presses Annulla.
class InputBoxAnswers {
 public:
  struct Seen {
    QString title, label, preset;
  };
  explicit InputBoxAnswers(std::vector<std::optional<QString>> answers) : answers_(std::move(answers)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
    timer_.start(1);
  }
  std::vector<Seen> seen;

 private:
  void answer() {
    auto* box = qobject_cast<frmInputBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || answers_.empty()) return;
    seen.push_back({box->windowTitle(), box->Label1->text(), box->txtInput->text()});
    const std::optional<QString> text = answers_.front();
    answers_.erase(answers_.begin());
    if (text) {
      box->txtInput->setText(*text);
      box->Command2_Click();
    } else {
      box->Command1_Click();
    }
  }
  std::vector<std::optional<QString>> answers_;
  QTimer timer_;
};

class BookmarkTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    makeZivuvuBook();
    openWindow();
    splashTick();
    page_ = programAddress("LB01/A.htm");
    openPage(page_);
    ui().clear();
  }

  // One bookmark as the store holds it; no position when position is null.
  static void store(const std::string& section, int n, const char* position, const std::string& name,
                    const std::string& audio = "A.mp3") {
    const std::string k = std::to_string(n);
    if (position) registry::SaveSetting(kAppName, section, k, position);
    registry::SaveSetting(kAppName, section, k + "NOME", name);
    registry::SaveSetting(kAppName, section, k + "NOMEAUDIO", audio);
  }
  static Values marker(int n, const std::string& position, const std::string& name,
                       const std::string& audio = "A.mp3") {
    const std::string k = std::to_string(n);
    return {{k, position}, {k + "NOME", name}, {k + "NOMEAUDIO", audio}};
  }
  static Values join(std::initializer_list<Values> parts) {
    Values all;
    for (const Values& part : parts) all.insert(part.begin(), part.end());
    return all;
  }
  // Shows the page again: its set-up loads the bookmarks.
  void reload() { openPage(page_); }
  QStringList rows() const {
    QStringList list;
    for (int i = 0; i < window_->ListMarkers->count(); ++i) list << window_->ListMarkers->item(i)->text();
    return list;
  }
  static void execute(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(registry::hiveDatabaseFile(registry::Hive::CurrentUser).c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << error;
    sqlite3_free(error);
    sqlite3_close(db);
  }
  // Makes every write of the value named (upper case) fail, as a full
  // disk would, from here on.
  static void failWritesOf(const std::string& name) {
    execute("CREATE TRIGGER fail_insert BEFORE INSERT ON vals WHEN NEW.name_fold = '" + name +
            "' BEGIN SELECT RAISE(ABORT, 'disco pieno'); END;");
  }
  // The same for deleting the value named.
  static void failDeletesOf(const std::string& name) {
    execute("CREATE TRIGGER fail_delete BEFORE DELETE ON vals WHEN OLD.name_fold = '" + name +
            "' BEGIN SELECT RAISE(ABORT, 'disco pieno'); END;");
  }
  // Removes the page's section, when there is one.
  static void clearPage() {
    if (!registry::GetAllSettings(kAppName, kPage).empty()) registry::DeleteSetting(kAppName, kPage);
  }
  static void stopFailing() { execute("DROP TRIGGER IF EXISTS fail_insert; DROP TRIGGER IF EXISTS fail_delete;"); }
  void add(const QString& description, int16_t position) {
    QString text = description;
    window_->AddMarcatore(text, position);
    added_ = text;
  }

  QString page_;
  QString added_;  // the description as AddMarcatore left it
};

TEST_F(BookmarkTest, AddingStoresTheThreeValuesWholeOrNotAtAll) {
  add(QStringLiteral("Capitolo"), 95);
  EXPECT_EQ(sectionValues(kPage), marker(1, "95", "Capitolo"));
  EXPECT_EQ(rows(), QStringList{QStringLiteral("01:35\t - Capitolo")});
  ASSERT_EQ(window_->markers().Count(), 1);
  EXPECT_EQ(window_->markers().Item(1), 95.0);
  EXPECT_TRUE(shown().empty());

  failWritesOf("2NOMEAUDIO");
  add(QStringLiteral("Paragrafo"), 100);
  EXPECT_EQ(errorReports(), std::vector<std::string>{"AddMarcatore - Il nome del marcatore è già stato inserito!"});
  EXPECT_EQ(sectionValues(kPage), marker(1, "95", "Capitolo")) << "nothing of bookmark 2 stays";
  EXPECT_EQ(rows().size(), 1) << "the list shows only what is stored";
  EXPECT_EQ(window_->markers().Count(), 1);
}

TEST_F(BookmarkTest, ANewBookmarkTakesTheNumberAboveTheHighestAndTheHundredAndFirstIsRefused) {
  store(kPage, 1, "10", "Uno");
  store(kPage, 3, "30", "Tre");
  // Between loads the numbers keep their gaps.
  add(QStringLiteral("Quattro"), 40);
  EXPECT_EQ(sectionValues(kPage), join({marker(1, "10", "Uno"), marker(3, "30", "Tre"), marker(4, "40", "Quattro")}));

  registry::DeleteSetting(kAppName, kPage);
  registry::SettingsTransaction([] {
    for (int n = 1; n <= 100; ++n) store(kPage, n, "5", "Segnalibro " + std::to_string(n));
  });
  reload();
  ASSERT_EQ(rows().size(), 100);
  ui().clear();
  add(QStringLiteral("Uno di troppo"), 50);
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, kMarkersFull);
  EXPECT_EQ(shown()[0].icon(), ui::mb::Exclamation);
  EXPECT_EQ(sectionValues(kPage).count("101NOME"), 0u);
  EXPECT_EQ(rows().size(), 100);
}

TEST_F(BookmarkTest, ADescriptionAlreadyOnThePageOpensTheRenameDialog) {
  struct Case {
    std::vector<std::optional<QString>> answers;
    bool report;         // the MARKEXIST report
    const char* stored;  // the new bookmark 3, if any
  };
  const Case cases[] = {
      {{std::nullopt}, false, nullptr},                                          // Annulla: no bookmark, no message
      {{QStringLiteral("   ")}, false, nullptr},                                 // blanks: the same
      {{QStringLiteral(" Capitolo ")}, true, nullptr},                           // unchanged
      {{QStringLiteral("Paragrafo"), QStringLiteral("Nuovo")}, false, "Nuovo"},  // another one's: again
      {{QStringLiteral(" Nuovo ")}, false, "Nuovo"},
  };
  for (const Case& c : cases) {
    registry::SettingsTransaction([] {
      for (const auto& [name, value] : registry::GetAllSettings(kAppName, kPage))
        registry::DeleteSetting(kAppName, kPage, name);
    });
    store(kPage, 1, "10", "Paragrafo");
    store(kPage, 2, "20", "Capitolo");
    reload();
    ui().clear();
    InputBoxAnswers answers(c.answers);
    add(QStringLiteral("Capitolo"), 30);

    ASSERT_EQ(answers.seen.size(), c.answers.size());
    EXPECT_EQ(answers.seen[0].title,
              QStringLiteral("Attenzione! Segnalibro già esistente, cambia il testo della descrizione"));
    EXPECT_EQ(answers.seen[0].label, QStringLiteral("Il segnalibro inserito esiste già, modifica la descrizione:"));
    EXPECT_EQ(answers.seen[0].preset, QStringLiteral("Capitolo"));
    if (c.answers.size() > 1) {
      EXPECT_EQ(answers.seen[1].preset, QStringLiteral("Paragrafo"));
    }

    EXPECT_EQ(errorReports().size(), c.report ? 1u : 0u);
    if (!c.report) {
      EXPECT_TRUE(shown().empty());
    }
    const Values expected =
        c.stored ? join({marker(1, "10", "Paragrafo"), marker(2, "20", "Capitolo"), marker(3, "30", c.stored)})
                 : join({marker(1, "10", "Paragrafo"), marker(2, "20", "Capitolo")});
    EXPECT_EQ(sectionValues(kPage), expected);
    EXPECT_EQ(rows().size(), c.stored ? 3 : 2);
    if (c.stored) {
      EXPECT_EQ(added_, QString::fromUtf8(c.stored));
    }
  }
}

TEST_F(BookmarkTest, ALoadListsInNumberOrderAndRenumbersWithoutGaps) {
  store(kPage, 1, "10", "Uno", "A.mp3");
  store(kPage, 3, "30", "Tre", "B.mp3");
  store(kPage, 7, "70", "Sette", "C.mp3");
  store(kPage, 5, nullptr, "Senza posizione");  // neither listed nor renumbered
  reload();
  EXPECT_EQ(rows(), (QStringList{QStringLiteral("00:10\t - Uno"), QStringLiteral("00:30\t - Tre"),
                                 QStringLiteral("01:10\t - Sette")}));
  Values expected =
      join({marker(1, "10", "Uno", "A.mp3"), marker(2, "30", "Tre", "B.mp3"), marker(3, "70", "Sette", "C.mp3")});
  expected["5NOME"] = "Senza posizione";
  expected["5NOMEAUDIO"] = "A.mp3";
  EXPECT_EQ(sectionValues(kPage), expected);
  ASSERT_EQ(window_->markers().Count(), 3);
  EXPECT_EQ(window_->markers().Item(3), 70.0);
  EXPECT_EQ(window_->markers().Key(3), QStringLiteral("Sette"));
  EXPECT_EQ(window_->markersIndex().Item(3), QString::fromStdString(kPage));

  // The row's bookmark is found by its description.
  QString row = rows()[2], section;
  EXPECT_EQ(window_->MarcatoreCerca(row, section), 3);
  EXPECT_EQ(row, QStringLiteral("Sette"));
  EXPECT_EQ(section, QString::fromStdString(kPage));
  QString unknown = QStringLiteral("00:01\t - Nessuno");
  EXPECT_EQ(window_->MarcatoreCerca(unknown, section), 0);

  // Deleting the selected row's bookmark renumbers the rest.
  window_->ListMarkers->setCurrentRow(1);
  QString none;
  window_->Marcatori(MarcatoriMode::DeleteSelected, rows()[1], none, 0);
  EXPECT_EQ(rows(), (QStringList{QStringLiteral("00:10\t - Uno"), QStringLiteral("01:10\t - Sette")}));
  expected = join({marker(1, "10", "Uno", "A.mp3"), marker(2, "70", "Sette", "C.mp3")});
  expected["5NOME"] = "Senza posizione";
  expected["5NOMEAUDIO"] = "A.mp3";
  EXPECT_EQ(sectionValues(kPage), expected);
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(BookmarkTest, AFailingRenumberingLeavesTheStoreAsItWas) {
  struct Case {
    const char* failing;  // the value (upper case) whose change fails
    bool deleting;        // its delete fails, else its write
    const char* step;     // the step the report names
  };
  const Case cases[] = {
      {"3", true, "Cancellazione Markers per riordino"},
      {"2", false, "Salvataggio Markers per riordino"},
      {"2NOME", false, "Salvataggio Markers2 per riordino"},
      {"2NOMEAUDIO", false, "Salvataggio Markers3 per riordino"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failing);
    clearPage();
    store(kPage, 1, "10", "Uno");
    store(kPage, 3, "30", "Tre");
    store(kPage, 7, "70", "Sette");
    const Values before = sectionValues(kPage);
    c.deleting ? failDeletesOf(c.failing) : failWritesOf(c.failing);
    ui().clear();
    reload();
    stopFailing();
    EXPECT_EQ(errorReports(), std::vector<std::string>{std::string("Marcatori Mode = 0 --> ") + c.step});
    EXPECT_EQ(sectionValues(kPage), before);
    EXPECT_EQ(rows().size(), 3) << "the stored bookmarks are still listed";
  }
}

TEST_F(BookmarkTest, ALoadGivesABookmarkWithoutAudioNameTheEmptyName) {
  struct Case {
    int number;  // the bookmark's number before the load; it is the page's only one
  };
  for (const Case c : {Case{1}, Case{3}}) {
    SCOPED_TRACE(c.number);
    clearPage();
    store(kPage, c.number, "25", "Vecchio");
    registry::DeleteSetting(kAppName, kPage, std::to_string(c.number) + "NOMEAUDIO");
    reload();
    EXPECT_EQ(sectionValues(kPage), marker(1, "25", "Vecchio", ""));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("00:25\t - Vecchio")});
  }
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(BookmarkTest, BookmarksOfTheOlderSectionMoveToThePage) {
  store(kPage, 1, "10", "Uno");
  store(kOlder, 1, "20", "Vecchio", "B.mp3");
  store(kOlder, 2, "40", "Antico", "B.mp3");
  for (int load = 1; load <= 2; ++load) {
    reload();
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("00:10\t - Uno"), QStringLiteral("00:20\t - Vecchio"),
                                   QStringLiteral("00:40\t - Antico")}))
        << "load " << load;
    EXPECT_EQ(sectionValues(kPage),
              join({marker(1, "10", "Uno"), marker(2, "20", "Vecchio", "B.mp3"), marker(3, "40", "Antico", "B.mp3")}));
    EXPECT_FALSE(
        registry::Store::open(registry::Hive::CurrentUser).keyExists(registry::settingsKeyPath(kAppName, kOlder)));
  }
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(BookmarkTest, DeleteAllEmptiesThePageAndItsOlderSection) {
  store(kPage, 1, "10", "Uno");
  store(kOlder, 4, "20", "Vecchio");
  store("LB01\\B.HTM", 1, "10", "Altra pagina");
  QString section;
  window_->Marcatori(MarcatoriMode::DeleteAll, QString(), section, 0);
  window_->ClearMarcatori();
  EXPECT_EQ(section, QString::fromStdString(kPage));
  EXPECT_TRUE(sectionValues(kPage).empty());
  EXPECT_TRUE(sectionValues(kOlder).empty());
  EXPECT_EQ(sectionValues("LB01\\B.HTM").size(), 3u);
  EXPECT_TRUE(rows().isEmpty());
  EXPECT_EQ(window_->markers().Count(), 0);
  EXPECT_EQ(window_->currentMarker(), 0);
  EXPECT_TRUE(errorReports().empty());
}

}  // namespace
}  // namespace lumo::player::testing
