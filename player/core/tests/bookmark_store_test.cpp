// The bookmark store over a settings store of the test's own: adding,
// finding, the renumbering and migration of a load, deleting; and that each
// change reaches the store whole or not at all.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <optional>

#include "common/errors/errors.h"
#include "platform/registry/registry.h"
#include "player/core/bookmark_store.h"
#include "testsupport/common/test_files.h"
#include "testsupport/test_env.h"

namespace lumo::player::core {
namespace {

namespace fs = std::filesystem;
using Values = std::map<std::string, std::string>;
const std::string kApp = "QEN MediaPlayer";
const std::string kPage = "LB01\\A.HTM";
const std::string kOlder = "LB01\\A.HTM#";

class BookmarkStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.emplace("lumo-bookmarks");
    dir_ = folder_->path();
    config_.emplace("XDG_CONFIG_HOME", (dir_ / "config").string());
    machine_.emplace("LUMO_MACHINE_REGISTRY", (dir_ / "machine.sqlite").string());
  }
  void TearDown() override {
    machine_.reset();
    config_.reset();
    folder_.reset();
  }

  // One bookmark as the store holds it; no position when position is null.
  static void put(const std::string& section, int n, const char* position, const std::string& name,
                  const std::string& audio = "A.mp3") {
    const std::string k = std::to_string(n);
    if (position) registry::SaveSetting(kApp, section, k, position);
    registry::SaveSetting(kApp, section, k + "NOME", name);
    registry::SaveSetting(kApp, section, k + "NOMEAUDIO", audio);
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
  static Values section(const std::string& name) {
    Values values;
    for (const auto& [key, value] : registry::GetAllSettings(kApp, name)) values[key] = value;
    return values;
  }
  static void execute(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(registry::hiveDatabaseFile(registry::Hive::CurrentUser).c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << error;
    sqlite3_free(error);
    sqlite3_close(db);
  }
  // Every write (or delete) of the value named (upper case) fails, as on a
  // full disk, until stopFailing().
  static void failChangesOf(const std::string& name, bool deleting) {
    execute(deleting ? "CREATE TRIGGER fail BEFORE DELETE ON vals WHEN OLD.name_fold = '" + name +
                           "' BEGIN SELECT RAISE(ABORT, 'disco pieno'); END;"
                     : "CREATE TRIGGER fail BEFORE INSERT ON vals WHEN NEW.name_fold = '" + name +
                           "' BEGIN SELECT RAISE(ABORT, 'disco pieno'); END;");
  }
  static void stopFailing() { execute("DROP TRIGGER IF EXISTS fail;"); }
  static void load(const BookmarkStore& store, const std::string& page = kPage) {
    std::string step;
    store.renumber(page, store.readForLoad(page), step);
  }

  BookmarkStore store_{kApp};
  std::optional<testsupport::TempFolder> folder_;
  fs::path dir_;
  std::optional<testsupport::ScopedEnv> config_;
  std::optional<testsupport::ScopedEnv> machine_;
};

TEST_F(BookmarkStoreTest, ANewBookmarkIsStoredWholeOrNotAtAll) {
  store_.add(kPage, 1, "95", "Capitolo ", " A.mp3");
  EXPECT_EQ(section(kPage), marker(1, "95", "Capitolo"));
  failChangesOf("2NOMEAUDIO", false);
  EXPECT_THROW(store_.add(kPage, 2, "100", "Paragrafo", "A.mp3"), RuntimeError);
  stopFailing();
  EXPECT_EQ(section(kPage), marker(1, "95", "Capitolo")) << "nothing of bookmark 2 stays";
}

TEST_F(BookmarkStoreTest, NumbersAndDescriptionsAreFoundAsStored) {
  put(kPage, 1, "10", "Uno");
  put(kPage, 3, "30", "Tre");
  put(kPage, 5, nullptr, "Senza posizione");
  EXPECT_EQ(store_.find(kPage, "Tre"), 3);
  EXPECT_EQ(store_.find(kPage, "tre"), 0) << "the description compares with its case";
  EXPECT_EQ(store_.find(kPage, "Senza posizione"), 5);
  EXPECT_EQ(store_.find("LB01\\B.HTM", "Uno"), 0);
  // Between loads the numbers keep their gaps: a new one goes above the highest.
  EXPECT_EQ(SectionValues(kApp, kPage).lastNumber(), 5);
  EXPECT_EQ(SectionValues(kApp, "LB01\\B.HTM").lastNumber(), 0);
  EXPECT_EQ(SectionValues(kApp, kPage).get("3nome"), "Tre") << "names ignore case";
  EXPECT_EQ(SectionValues(kApp, kPage).get("4NOME"), kMissing);
}

TEST_F(BookmarkStoreTest, ALoadListsInNumberOrderAndRenumbersWithoutGaps) {
  put(kPage, 1, "10", "Uno", "A.mp3");
  put(kPage, 3, "30", "Tre", "B.mp3");
  put(kPage, 7, "70", "Sette", "C.mp3");
  put(kPage, 5, nullptr, "Senza posizione");  // neither listed nor renumbered
  const LoadPlan plan = store_.readForLoad(kPage);
  ASSERT_EQ(plan.markers.size(), 3u);
  const std::pair<std::string, int> listed[] = {{"Uno", 1}, {"Tre", 3}, {"Sette", 7}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(plan.markers[i].description, listed[i].first);
    EXPECT_EQ(plan.markers[i].number, listed[i].second);
    EXPECT_EQ(plan.markers[i].newNumber, int(i + 1));
    EXPECT_EQ(plan.markers[i].section, kPage);
  }
  EXPECT_EQ(plan.markers[2].position, "70");
  EXPECT_FALSE(plan.migrated);
  std::string step;
  store_.renumber(kPage, plan, step);
  Values expected =
      join({marker(1, "10", "Uno", "A.mp3"), marker(2, "30", "Tre", "B.mp3"), marker(3, "70", "Sette", "C.mp3")});
  expected["5NOME"] = "Senza posizione";
  expected["5NOMEAUDIO"] = "A.mp3";
  EXPECT_EQ(section(kPage), expected);

  // Deleting a bookmark takes its three values; a later load closes the gap.
  store_.deleteNumber(kPage, 2);
  store_.deleteNumber(kPage, 4);  // no such bookmark: nothing
  load(store_);
  expected = join({marker(1, "10", "Uno", "A.mp3"), marker(2, "70", "Sette", "C.mp3")});
  expected["5NOME"] = "Senza posizione";
  expected["5NOMEAUDIO"] = "A.mp3";
  EXPECT_EQ(section(kPage), expected);
}

TEST_F(BookmarkStoreTest, AFailingRenumberingLeavesTheStoreAsItWasAndNamesItsStep) {
  struct Case {
    const char* failing;  // the value (upper case) whose change fails
    bool deleting;        // its delete fails, else its write
    const char* step;
  } const cases[] = {
      {"3", true, "Cancellazione Markers per riordino"},
      {"2", false, "Salvataggio Markers per riordino"},
      {"2NOME", false, "Salvataggio Markers2 per riordino"},
      {"2NOMEAUDIO", false, "Salvataggio Markers3 per riordino"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failing);
    if (!registry::GetAllSettings(kApp, kPage).empty()) registry::DeleteSetting(kApp, kPage);
    put(kPage, 1, "10", "Uno");
    put(kPage, 3, "30", "Tre");
    put(kPage, 7, "70", "Sette");
    const Values before = section(kPage);
    const LoadPlan plan = store_.readForLoad(kPage);
    failChangesOf(c.failing, c.deleting);
    std::string step;
    EXPECT_THROW(store_.renumber(kPage, plan, step), RuntimeError);
    stopFailing();
    EXPECT_EQ(step, c.step);
    EXPECT_EQ(section(kPage), before);
  }
}

TEST_F(BookmarkStoreTest, ALoadGivesABookmarkWithoutAudioNameTheEmptyName) {
  for (int number : {1, 3}) {
    SCOPED_TRACE(number);
    if (!registry::GetAllSettings(kApp, kPage).empty()) registry::DeleteSetting(kApp, kPage);
    put(kPage, number, "25", "Vecchio");
    registry::DeleteSetting(kApp, kPage, std::to_string(number) + "NOMEAUDIO");
    load(store_);
    EXPECT_EQ(section(kPage), marker(1, "25", "Vecchio", ""));
  }
}

TEST_F(BookmarkStoreTest, BookmarksOfTheOlderSectionMoveToThePageAfterItsOwn) {
  put(kPage, 1, "10", "Uno");
  put(kOlder, 1, "20", "Vecchio", "B.mp3");
  put(kOlder, 2, "40", "Antico", "B.mp3");
  for (int pass = 1; pass <= 2; ++pass) {
    SCOPED_TRACE(pass);
    const LoadPlan plan = store_.readForLoad(kPage);
    ASSERT_EQ(plan.markers.size(), 3u);
    EXPECT_EQ(plan.markers[1].description, "Vecchio");
    EXPECT_EQ(plan.markers[1].section, pass == 1 ? kOlder : kPage);
    EXPECT_EQ(plan.migrated, pass == 1);
    std::string step;
    store_.renumber(kPage, plan, step);
    EXPECT_EQ(section(kPage),
              join({marker(1, "10", "Uno"), marker(2, "20", "Vecchio", "B.mp3"), marker(3, "40", "Antico", "B.mp3")}));
    EXPECT_FALSE(registry::Store::open(registry::Hive::CurrentUser).keyExists(registry::settingsKeyPath(kApp, kOlder)));
  }
}

TEST_F(BookmarkStoreTest, OlderBookmarksWithoutANumberLeftStayWhereTheyAre) {
  registry::SettingsTransaction([] {
    for (int n = 1; n <= 99; ++n) put(kPage, n, "5", "Segno " + std::to_string(n));
  });
  put(kOlder, 1, "20", "Vecchio");
  put(kOlder, 2, "40", "Antico");
  const LoadPlan plan = store_.readForLoad(kPage);
  EXPECT_EQ(plan.markers.size(), 100u);
  EXPECT_EQ(plan.markers.back().description, "Vecchio");
  EXPECT_TRUE(plan.migrated);
  EXPECT_FALSE(plan.olderAllMoved);
  std::string step;
  store_.renumber(kPage, plan, step);
  EXPECT_EQ(SectionValues(kApp, kPage).description(100), "Vecchio");
  EXPECT_EQ(SectionValues(kApp, kOlder).description(2), "Antico") << "the older section stays";
}

TEST_F(BookmarkStoreTest, DeletingAllEmptiesThePageAndItsOlderSectionOnly) {
  store_.deleteAll(kPage);  // nothing stored: nothing to do, no error
  put(kPage, 1, "10", "Uno");
  put(kOlder, 4, "20", "Vecchio");
  put("LB01\\B.HTM", 1, "10", "Altra pagina");
  store_.deleteAll(kPage);
  EXPECT_TRUE(section(kPage).empty());
  EXPECT_TRUE(section(kOlder).empty());
  EXPECT_EQ(section("LB01\\B.HTM").size(), 3u);

  // A summary row names its bookmark by section and number.
  store_.deleteEntry("LB01\\B.HTM", "1");
  EXPECT_TRUE(section("LB01\\B.HTM").empty());
  put(kPage, 2, "10", "Due");
  registry::DeleteSetting(kApp, kPage, "2NOMEAUDIO");
  store_.deleteEntry(kPage, "2");  // a missing audio name is no error
  EXPECT_TRUE(section(kPage).empty());
}

TEST(BookmarkNames, AudioFileNamesLoseTheirFolder) {
  EXPECT_EQ(audioFileName("/libri/LB01/Libro/A.mp3"), "A.mp3");
  EXPECT_EQ(audioFileName("C:\\libri\\B.mp3"), "B.mp3");
  EXPECT_EQ(audioFileName("C.mp3"), "C.mp3");
  EXPECT_EQ(audioFileName(""), "");
  EXPECT_EQ(olderSection(kPage), kOlder);
  EXPECT_EQ(nomeName(7), "7NOME");
  EXPECT_EQ(nomeAudioName(7), "7NOMEAUDIO");
  EXPECT_EQ(static_cast<int32_t>(MarcatoriMode::Load), 0);
  EXPECT_EQ(static_cast<int32_t>(MarcatoriMode::DeleteAll), 1);
  EXPECT_EQ(static_cast<int32_t>(MarcatoriMode::DeleteSelected), 2);
}

}  // namespace
}  // namespace lumo::player::core
