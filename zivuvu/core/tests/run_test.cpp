// The installed page builder run as a program on books made on the spot,
// with a settings store and message log of the test's own.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <thread>

#include "common/text/text.h"
#include "platform/registry/registry.h"
#include "testsupport/book_fixture.h"
#include "testsupport/common/mp3_frames.h"
#include "testsupport/private_mounts.h"
#include "zivuvu/core/zivuvu_run.h"

using namespace lumo::testsupport::book;
using lumo::registry::GetSetting;
using lumo::registry::SaveSetting;

namespace {

std::vector<std::string> linesOf(const fs::path& file) {
  const std::string text = lumo::text::cp1252ToUtf8(lumo::text::readFileBytes(file));
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
    lines.push_back(text.substr(start, p - start));
  EXPECT_EQ(start, text.size()) << "every line must end with CR LF: " << file;
  return lines;
}

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += to.size()) s.replace(p, from.size(), to);
  return s;
}

// The expected layout of a page, with @CD@ standing for the book folder.
std::vector<std::string> expectedLines(const std::string& name, const std::string& cd) {
  const fs::path file = fs::path(LUMO_TEST_SOURCE_DIR) / "zivuvu/core/tests/expected" / name;
  std::vector<std::string> lines;
  for (const auto& line : linesOf(file)) lines.push_back(replaceAll(line, "@CD@", cd));
  return lines;
}

void expectSameLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected,
                     const std::string& what) {
  for (size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
    const std::string a = i < actual.size() ? actual[i] : "<missing>";
    const std::string e = i < expected.size() ? expected[i] : "<missing>";
    ASSERT_EQ(a, e) << what << " line " << i + 1;
  }
}

class ZivuvuRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = tmp.path / "lumo";
    fs::create_directories(app / "Include");
    std::ofstream(app / "Include" / "Style1.css") << "body {}";
    fs::copy_file(LUMO_ZIVUVU_PROGRAM, app / "dazide.zev");
    ::setenv("XDG_CONFIG_HOME", (tmp.path / "config").c_str(), 1);
    ::setenv("LUMO_MACHINE_REGISTRY", (tmp.path / "machine.sqlite").c_str(), 1);
  }

  void installFakePlayer() {
    const fs::path player = app / "LumoPlayer";
    std::ofstream(player) << "#!/bin/sh\necho \"$LUMO_WINDOW_STATE\" > '" << (tmp.path / "player-started").string()
                          << "'\n";
    fs::permissions(player, fs::perms::owner_all);
  }

  // Runs the installed program; returns the messages it showed.
  std::vector<std::string> run(const fs::path& bookFolder) {
    SaveSetting("Zivuvu", "Default", "CD", bookFolder.string());
    const fs::path log = tmp.path / "messages.log";
    fs::remove(log);
    const std::string command =
        "QT_QPA_PLATFORM=offscreen LUMO_UI_LOG='" + log.string() + "' '" + (app / "dazide.zev").string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::vector<std::string> messages;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) messages.push_back(line);
    return messages;
  }

  bool playerStartedMaximised() {
    const fs::path flag = tmp.path / "player-started";
    for (int i = 0; i < 500 && !fs::exists(flag); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::string state;
    std::ifstream(flag) >> state;
    return state == "maximised";
  }

  // Whether the player was started: it starts detached, so give it time.
  bool playerStarted() {
    const fs::path flag = tmp.path / "player-started";
    for (int i = 0; i < 30 && !fs::exists(flag); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(flag);
  }

  // Runs the installed program in a private mount namespace after the setup
  // lines (a read-only or full folder); the installation folder is copied to
  // `after` once the program ended. Settings go through lumoreg, so that
  // the store of a test that uses another one is never opened here.
  std::vector<std::string> runConfined(const std::string& setup, const fs::path& bookFolder, const fs::path& after,
                                       const std::string& environment = {}) {
    using lumo::testsupport::shellQuoted;
    const fs::path log = tmp.path / "messages.log";
    fs::remove(log);
    fs::remove(tmp.path / "player-started");
    const std::string lumoreg = shellQuoted(LUMO_TEST_BINARY_DIR "/tools/lumoreg/lumoreg");
    const std::string script =
        environment + lumoreg + " set Zivuvu Default CD " + shellQuoted(bookFolder.string()) + " || exit 94\n" + setup +
        "QT_QPA_PLATFORM=offscreen LUMO_UI_LOG=" + shellQuoted(log.string()) + " " +
        shellQuoted((app / "dazide.zev").string()) + " || exit 95\nmkdir -p " + shellQuoted(after.string()) +
        " && cp -a " + shellQuoted(app.string()) + "/. " + shellQuoted(after.string()) + "/ || exit 96\n";
    EXPECT_EQ(lumo::testsupport::runWithPrivateMounts(script), 0);
    std::vector<std::string> messages;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) messages.push_back(line);
    return messages;
  }

  TempFolder tmp{"zivuvu"};
  fs::path app;
};

// Every file and folder below root, with its size, but for those below the
// paths allowed to change.
std::map<std::string, uintmax_t> entriesBut(const fs::path& root, const std::vector<fs::path>& allowed) {
  std::map<std::string, uintmax_t> entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const bool skip = std::any_of(allowed.begin(), allowed.end(), [&](const fs::path& a) {
      const std::string p = it->path().string(), a2 = a.string();
      return p == a2 || p.starts_with(a2 + "/");
    });
    if (skip) {
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    entries[it->path().string()] = it->is_regular_file() ? it->file_size() : 0;
  }
  return entries;
}

std::string joined(const std::vector<std::string>& messages) {
  std::string all;
  for (const auto& m : messages) all += m + "\n";
  return all;
}

}  // namespace

TEST_F(ZivuvuRunTest, WritesEveryPageAsLaidOutAndStartsThePlayer) {
  installFakePlayer();
  const fs::path book = tmp.path / "books" / "Il libro";
  makeBook(book, "\"LB01\"", /*libro=*/true);
  EXPECT_TRUE(run(book).empty());
  EXPECT_TRUE(playerStartedMaximised());
  const std::string cd = book.string() + "/";
  for (const char* page : {"A.htm", "B.htm", "C.htm"})
    expectSameLines(linesOf(app / "LB01" / page), expectedLines(page, cd), page);
  expectSameLines(linesOf(app / "index.htm"), expectedLines("index.htm", cd), "index.htm");
  EXPECT_EQ(GetSetting("Zivuvu", "Default", "Dirwork"), "LB01");
}

TEST_F(ZivuvuRunTest, WithoutLibroThePagesNameTheBookFolder) {
  installFakePlayer();
  const fs::path book = tmp.path / "flat";
  makeBook(book, "FL02", /*libro=*/false);
  run(book);
  const std::string cd = book.string() + "/";
  const auto a = linesOf(app / "FL02" / "A.htm");
  EXPECT_EQ(a[5], "<meta name=\"QENPLAYER_AUDIO\" content=\"" + cd + "A.mp3\" >");
  EXPECT_NE(std::find(a.begin(), a.end(), " - Durata 2:05 (mm:ss)"), a.end());  // measured beside marker.txt
  const auto home = linesOf(app / "index.htm");
  EXPECT_NE(std::find(home.begin(), home.end(),
                      "<td width=\"10%\" align=\"center\"><a href= \"" + cd +
                          "\" target=\"_blank\" title=\"Accedi alla cartella dei file mp3\">MP3</a></td>"),
            home.end());
}

TEST_F(ZivuvuRunTest, NextRunDeletesOnlyThePreviousWorkFolder) {
  installFakePlayer();
  makeBook(tmp.path / "one", "K1", true);
  makeBook(tmp.path / "two", "K2", true);
  run(tmp.path / "one");
  ASSERT_TRUE(fs::exists(app / "K1" / "A.htm"));
  run(tmp.path / "two");
  EXPECT_FALSE(fs::exists(app / "K1"));
  EXPECT_TRUE(fs::exists(app / "K2" / "C.htm"));

  // A folder the previous run's folder still holds keeps it, and what lies in it.
  fs::create_directories(app / "K2" / "keep");
  run(tmp.path / "one");
  EXPECT_FALSE(fs::exists(app / "K2" / "A.htm"));
  EXPECT_TRUE(fs::exists(app / "K2" / "keep"));
  EXPECT_TRUE(fs::exists(app / "K1" / "A.htm"));
}

TEST_F(ZivuvuRunTest, UnsafeBookCodesStayInsideTheirOwnWorkFolder) {
  installFakePlayer();
  std::ofstream(tmp.path / "outside.txt") << "producer's file";
  std::ofstream(app / "Include" / "HELP.htm") << "help";
  struct Case {
    const char* code;
    const char* folder;
  };
  const Case cases[] = {{"", "_"},      {".", "_."},     {"..", "_.."},           {"../..", ".._.."},
                        {"a/b", "a_b"}, {"a\\b", "a_b"}, {"Include", "_Include"}, {"include", "_include"}};
  for (const Case& c : cases) {
    EXPECT_EQ(lumo::zivuvu::workFolderName(c.code), c.folder) << c.code;
    makeBook(tmp.path / "bad", c.code, true);
    run(tmp.path / "bad");
    EXPECT_TRUE(fs::exists(app / c.folder / "A.htm")) << c.code;
  }
  // Two more runs clean up after each of them; nothing outside was touched.
  makeBook(tmp.path / "good", "OK1", true);
  run(tmp.path / "good");
  run(tmp.path / "good");
  EXPECT_TRUE(fs::exists(tmp.path / "outside.txt"));
  EXPECT_TRUE(fs::exists(app / "Include" / "HELP.htm"));
  EXPECT_TRUE(fs::exists(app / "Include" / "Style1.css"));
  EXPECT_TRUE(fs::exists(app / "dazide.zev"));
  // A tampered previous-run value is made safe the same way before anything is deleted.
  SaveSetting("Zivuvu", "Default", "Dirwork", "..");
  run(tmp.path / "good");
  EXPECT_TRUE(fs::exists(app / "dazide.zev"));
  EXPECT_TRUE(fs::exists(tmp.path / "outside.txt"));
}

TEST_F(ZivuvuRunTest, MissingIndexShowsTheMessageAndWritesNothing) {
  installFakePlayer();
  fs::create_directories(tmp.path / "empty");
  const auto messages = run(tmp.path / "empty");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Zivuvu\tinformation\t0\tFile marker.txt non trovato. Inserire il cd");
  EXPECT_FALSE(fs::exists(app / "index.htm"));
  EXPECT_FALSE(fs::exists(tmp.path / "player-started"));
}

TEST_F(ZivuvuRunTest, MissingPlayerIsReportedAfterThePagesAreWritten) {
  makeBook(tmp.path / "book", "NP1", true);
  const auto messages = run(tmp.path / "book");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Zivuvu\tcritical\t0\tLumoPlayer.exe non trovato. Ripetere l'installazione del programma.");
  EXPECT_TRUE(fs::exists(app / "NP1" / "C.htm"));
  EXPECT_TRUE(fs::exists(app / "index.htm"));
}

TEST_F(ZivuvuRunTest, AFirstFileNamedInizioIsAPreviousPageLikeAnyOther) {
  installFakePlayer();
  const fs::path book = tmp.path / "inizio";
  fs::create_directories(book / "Libro");
  lumo::text::writeTextFile(book / "marker.txt", {"IN1", "a", "t", "p", "l", "n", "2", "inizio,1,dopo", "Uno", "0,1",
                                                  "dopo,1,", "Due", "0,2"});
  run(book);
  const auto second = linesOf(app / "IN1" / "dopo.htm");
  EXPECT_NE(std::find(second.begin(), second.end(), "<meta name=\"QENPLAYER_AUDIO_PREVHTML\" content=\"inizio.htm\">"),
            second.end());
  const auto home = linesOf(app / "index.htm");
  EXPECT_NE(std::find(home.begin(), home.end(),
                      "<td width=\"15%\" align=\"center\"><a href=\"IN1/inizio.htm#QENPLAYER_AUDIO_POS=0\" "
                      "title=\"Ascolta il libro dall'inizio\">Inizio Libro</a></td>"),
            home.end());
}

TEST_F(ZivuvuRunTest, FileNamesWithPathCharactersKeepTheirPagesInTheWorkFolder) {
  installFakePlayer();
  const fs::path book = tmp.path / "names";
  fs::create_directories(book / "Libro");
  lumo::text::writeTextFile(book / "marker.txt", {"PC1", "a", "t", "p", "l", "n", "2", "../../fuori,1,a/b", "Uno",
                                                  "0,1", "a/b,1,", "Due", "0,2"});
  run(book);
  EXPECT_FALSE(fs::exists(tmp.path / "fuori.htm"));
  const auto first = linesOf(app / "PC1" / ".._.._fuori.htm");
  const auto second = linesOf(app / "PC1" / "a_b.htm");
  EXPECT_NE(std::find(first.begin(), first.end(), "<meta name=\"QENPLAYER_AUDIO_NEXTHTML_1\" content=\"a_b.htm\">"),
            first.end());
  EXPECT_NE(
      std::find(second.begin(), second.end(), "<meta name=\"QENPLAYER_AUDIO_PREVHTML\" content=\".._.._fuori.htm\">"),
      second.end());
  // The texts still show the name as the index gives it.
  EXPECT_NE(std::find(second.begin(), second.end(), "<title> Indice del file a/b</title>"), second.end());
  const auto home = linesOf(app / "index.htm");
  EXPECT_NE(std::find(home.begin(), home.end(),
                      "<td class=\"cel\" width=\"15%\"><a href=\"PC1/a_b.htm#QENPLAYER_AUDIO_POS=0\">2</a></td>"),
            home.end());
  EXPECT_NE(std::find(home.begin(), home.end(),
                      "<td width=\"15%\" align=\"center\"><a href=\"PC1/.._.._fuori.htm#QENPLAYER_AUDIO_POS=0\" "
                      "title=\"Ascolta il libro dall'inizio\">Inizio Libro</a></td>"),
            home.end());
}

TEST_F(ZivuvuRunTest, PagesNameTheBookFolderAsItIsOnDisk) {
  installFakePlayer();
  makeBook(tmp.path / "books" / "Il libro", "CS1", /*libro=*/true);
  run(tmp.path / "BOOKS" / "IL LIBRO");
  const std::string cd = (tmp.path / "books" / "Il libro").string() + "/";
  const auto a = linesOf(app / "CS1" / "A.htm");
  EXPECT_EQ(a[5], "<meta name=\"QENPLAYER_AUDIO\" content=\"" + cd + "Libro/A.mp3\" >");
  const auto home = linesOf(app / "index.htm");
  EXPECT_NE(std::find(home.begin(), home.end(),
                      "<td width=\"10%\" align=\"center\"><a href= \"" + cd +
                          "Libro/\" target=\"_blank\" title=\"Accedi alla cartella dei file mp3\">MP3</a></td>"),
            home.end());
}

// The files are measured ahead on threads while the pages are written: each
// page still names its own file's playing time (or none, for a file that is
// missing), and the home page their sum.
TEST_F(ZivuvuRunTest, EachPageNamesItsOwnFilesPlayingTime) {
  installFakePlayer();
  const fs::path book = tmp.path / "many";
  fs::create_directories(book / "Libro");
  const int count = 90;
  std::vector<std::string> index = {"MANY", "a", "t", "p", "l", "n", std::to_string(count)};
  std::vector<int> seconds;  // 0: not measured
  int total = 0;
  for (int f = 0; f < count; ++f) {
    const std::string name = "f" + std::to_string(f);
    seconds.push_back(f % 8 == 5 ? 0 : f * 7 % 13 + 1);
    if (seconds.back() > 0) lumo::mp3::testing::writeMp3Seconds(book / "Libro" / (name + ".mp3"), seconds.back());
    total += seconds.back();
    index.push_back(name + ",1," + (f + 1 < count ? "f" + std::to_string(f + 1) : ""));
    index.insert(index.end(), {"Parte", "0,1"});
  }
  lumo::text::writeTextFile(book / "marker.txt", index);
  EXPECT_TRUE(run(book).empty());
  for (int f = 0; f < count; ++f) {
    SCOPED_TRACE(f);
    const auto page = linesOf(app / "MANY" / ("f" + std::to_string(f) + ".htm"));
    const auto duration =
        std::find_if(page.begin(), page.end(), [](const std::string& line) { return line.starts_with(" - Durata "); });
    if (seconds[f] == 0) {
      EXPECT_EQ(duration, page.end());
    } else {
      ASSERT_NE(duration, page.end());
      EXPECT_EQ(*duration,
                " - Durata 0:" + std::string(seconds[f] < 10 ? "0" : "") + std::to_string(seconds[f]) + " (mm:ss)");
    }
  }
  char hms[32];
  std::snprintf(hms, sizeof hms, "%d:%02d:%02d", total / 3600, total / 60 % 60, total % 60);
  const auto home = linesOf(app / "index.htm");
  EXPECT_NE(std::find(home.begin(), home.end(), "<td width=\"85%\">" + std::string(hms) + " (hh:mm:ss)</td>"),
            home.end());
}

TEST_F(ZivuvuRunTest, ATotalBeyond32BitsLosesOnlyTheShareThatDoesNotFit) {
  installFakePlayer();
  const fs::path book = tmp.path / "endless";
  fs::create_directories(book / "Libro");
  // Each file's VBR header claims 2^31-1 frames of 1152 samples at 8 kHz:
  // 309237645 s. Six of them fit the total; the seventh would pass 2^31.
  using namespace lumo::mp3::testing;
  const FrameFields fields{.version = 25, .layer = 2, .bitrate = 8, .sampleRate = 8000};
  const std::string mp3 = xingFrame(fields, "Xing", 21, 1, 0x7FFFFFFFu, 0) + frames(fields, 40);
  std::vector<std::string> index = {"BIG", "a", "t", "p", "l", "n", "7"};
  for (int f = 1; f <= 7; ++f) {
    writeFile(book / "Libro" / ("f" + std::to_string(f) + ".mp3"), mp3);
    index.push_back("f" + std::to_string(f) + ",1," + (f < 7 ? "f" + std::to_string(f + 1) : ""));
    index.insert(index.end(), {"Parte", "0,1"});
  }
  lumo::text::writeTextFile(book / "marker.txt", index);
  run(book);
  const auto last = linesOf(app / "BIG" / "f7.htm");
  EXPECT_NE(std::find(last.begin(), last.end(), " - Durata 5153960:45 (mm:ss)"), last.end());
  const auto home = linesOf(app / "index.htm");
  EXPECT_NE(std::find(home.begin(), home.end(), "<td width=\"85%\">515396:04:30 (hh:mm:ss)</td>"), home.end());
}

// Damaged indexes: each run says what went wrong, writes nothing outside
// its work folder and the home page, and starts the player only on a home
// page of the book asked for.
TEST_F(ZivuvuRunTest, DamagedIndexesAreToldAndNeverMakeUpAPage) {
  installFakePlayer();
  const std::string longName(300, 'x');
  const std::string longCode = std::string(200, 'z') + "\x01\x02" + std::string(100, 'z');  // a garbage first line
  const std::string incomplete = std::string("Zivuvu\texclamation\t0\t") + lumo::zivuvu::kIndexIncomplete;
  struct Case {
    const char* what;
    std::vector<std::string> index;
    std::string folder;                // the work folder, "" when none can be made
    std::vector<std::string> pages;    // the pages written, in home page order
    std::vector<std::string> message;  // each line of the one message shown ("" for none)
    bool playerStarted;
  };
  const Case cases[] = {
      {"32767 files declared, the first with 32767 markers, then nothing",
       {"TR1", "a", "t", "p", "l", "n", "32767", "A,32767,"},
       "TR1",
       {"A"},
       {incomplete},
       true},
      {"the index ends inside a marker",
       {"TR2", "a", "t", "p", "l", "n", "2", "A,3,B", "Uno", "0,1", "Due"},
       "TR2",
       {"A"},
       {incomplete},
       true},
      {"the index ends inside a file record",
       {"TR3", "a", "t", "p", "l", "n", "3", "A,1,B", "Uno", "0,1", "B,1"},
       "TR3",
       {"A"},
       {incomplete},
       true},
      {"a file name no page can have",
       {"LN1", "a", "t", "p", "l", "n", "2", longName + ",1,B", "Uno", "0,1", "B,1,", "Due", "0,2"},
       "LN1",
       {"B"},
       {std::string("Zivuvu\texclamation\t0\t") + lumo::zivuvu::kPagesNotWritten,
        "Errore di accesso al percorso/file: " + (app / "LN1" / (longName + ".htm")).string() + " (nome troppo lungo)"},
       true},
      {"a book code no folder can have",
       {longCode, "a", "t", "p", "l", "n", "1", "A,1,", "Uno", "0,1"},
       "",
       {},
       {"Zivuvu\tcritical\t0\t" + std::string(lumo::zivuvu::kFolderNotMade) + (app / longCode).string() +
            " (nome troppo lungo).",
        lumo::zivuvu::kPlayerNotStarted},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(tmp.path / "player-started");
    fs::remove(app / "index.htm");
    SaveSetting("Zivuvu", "Default", "Dirwork", "");
    const fs::path book = tmp.path / "damaged";
    fs::remove_all(book);
    fs::create_directories(book / "Libro");
    lumo::text::writeTextFile(book / "marker.txt", c.index);
    const std::vector<fs::path> allowed = {app / "index.htm", tmp.path / "config", tmp.path / "messages.log",
                                           tmp.path / "player-started", app / c.folder};
    const auto before = entriesBut(tmp.path, allowed);
    const auto messages = run(book);
    std::string expected;
    for (const auto& line : c.message) expected += (expected.empty() ? "" : "\\n") + line;
    ASSERT_EQ(messages.size(), 1u) << joined(messages);
    EXPECT_EQ(messages[0], expected);
    EXPECT_EQ(entriesBut(tmp.path, allowed), before) << "something outside the work folder changed";
    EXPECT_EQ(playerStarted(), c.playerStarted);
    if (c.folder.empty()) {
      EXPECT_FALSE(fs::exists(app / "index.htm"));
      EXPECT_EQ(GetSetting("Zivuvu", "Default", "Dirwork"), "") << "Dirwork names only a folder that exists";
      continue;
    }
    EXPECT_EQ(GetSetting("Zivuvu", "Default", "Dirwork"), c.folder);
    std::vector<std::string> pages;
    for (const auto& entry : fs::directory_iterator(app / c.folder)) pages.push_back(entry.path().stem().string());
    EXPECT_EQ(pages, c.pages);
    // The home page links to those pages, and to no other.
    const auto home = linesOf(app / "index.htm");
    std::vector<std::string> linked;
    for (const auto& line : home)
      for (size_t p = line.find("href=\"" + c.folder + "/"); p != std::string::npos;
           p = line.find("href=\"" + c.folder + "/", p + 1)) {
        const size_t from = p + 7 + c.folder.size(), to = line.find(".htm", from);
        const std::string page = line.substr(from, to - from);
        if (linked.empty() || linked.back() != page) linked.push_back(page);
      }
    EXPECT_EQ(linked, c.pages);
  }
  // The second case keeps the marker it read, and invents neither the
  // second marker nor the second file.
  SaveSetting("Zivuvu", "Default", "Dirwork", "");
  lumo::text::writeTextFile(tmp.path / "damaged" / "marker.txt", cases[1].index);
  run(tmp.path / "damaged");
  const auto a = linesOf(app / "TR2" / "A.htm");
  EXPECT_EQ(
      std::count_if(a.begin(), a.end(), [](const std::string& l) { return l.find("LumoIndex_") != std::string::npos; }),
      1);
  EXPECT_NE(joined(a).find("Uno"), std::string::npos);
  EXPECT_EQ(joined(a).find("Due"), std::string::npos);

  // A page whose next page could not be written names no next page.
  SaveSetting("Zivuvu", "Default", "Dirwork", "");
  lumo::text::writeTextFile(
      tmp.path / "damaged" / "marker.txt",
      {"LN2", "a", "t", "p", "l", "n", "2", "A,1," + longName, "Uno", "0,1", longName + ",1,", "Due", "0,2"});
  ASSERT_EQ(run(tmp.path / "damaged").size(), 1u);
  const std::string page = joined(linesOf(app / "LN2" / "A.htm"));
  EXPECT_EQ(page.find("QENPLAYER_AUDIO_NEXTHTML"), std::string::npos) << page;
}

TEST_F(ZivuvuRunTest, ABookCodeNamingAnInstallationEntryGetsItsOwnFolder) {
  for (const char* code : {"LumoPlayer", "lumoplayer", "DAZIDE.ZEV", "Index.htm", "lumofind", "LumoSplitter",
                           "lumodarivaziduduza", "MP3SPLT", "LumoReg", "zivuvu", "Include"})
    EXPECT_EQ(lumo::zivuvu::workFolderName(code), std::string("_") + code);
  EXPECT_EQ(lumo::zivuvu::workFolderName("LumoPlayer2"), "LumoPlayer2");
  // The player's lookup still finds the program, not a folder of pages.
  installFakePlayer();
  makeBook(tmp.path / "book", "lumoplayer", true);
  EXPECT_TRUE(run(tmp.path / "book").empty());
  EXPECT_TRUE(playerStartedMaximised());
  EXPECT_TRUE(fs::exists(app / "_lumoplayer" / "A.htm"));
  EXPECT_TRUE(fs::is_regular_file(app / "LumoPlayer"));
}

// The installation folder read-only or on a full disk: the reader is told
// which folder and why, the player is not started on a home page of another
// book, and Zivuvu\Default\Dirwork names only a work folder that exists.
TEST_F(ZivuvuRunTest, AFolderThatCannotBeWrittenIsReportedAndThePlayerNotStarted) {
  if (lumo::testsupport::privateMountsCommand().empty())
    GTEST_SKIP() << "needs a private mount namespace (unshare -m as root, unshare -rm otherwise) for a read-only "
                    "folder and a full file system";
  installFakePlayer();
  makeBook(tmp.path / "old", "OLD1", true);
  ASSERT_TRUE(run(tmp.path / "old").empty());
  ASSERT_TRUE(playerStartedMaximised());
  const std::string oldHome = lumo::text::readFileBytes(app / "index.htm");

  // Read-only: nothing changes, the old book stays whole.
  makeBook(tmp.path / "new", "NEW1", true);
  auto messages = runConfined(lumo::testsupport::readOnlyFolder(app), tmp.path / "new", tmp.path / "after-ro");
  ASSERT_EQ(messages.size(), 1u) << joined(messages);
  EXPECT_EQ(messages[0], "Zivuvu\tcritical\t0\t" + std::string(lumo::zivuvu::kFolderNotMade) + (app / "NEW1").string() +
                             " (disco di sola lettura).\\n" + lumo::zivuvu::kPlayerNotStarted);
  EXPECT_FALSE(playerStarted());
  EXPECT_EQ(GetSetting("Zivuvu", "Default", "Dirwork"), "OLD1");
  EXPECT_EQ(lumo::text::readFileBytes(app / "index.htm"), oldHome);
  EXPECT_TRUE(fs::exists(app / "OLD1" / "C.htm"));

  // Full: the pages that fit are written, the rest are named; no home page
  // of the book before is left to open.
  const fs::path many = tmp.path / "many";
  fs::create_directories(many / "Libro");
  std::vector<std::string> index = {"NEW2", "a", "t", "p", "l", "n", "12"};
  for (int f = 1; f <= 12; ++f) {
    index.push_back("f" + std::to_string(f) + ",1," + (f < 12 ? "f" + std::to_string(f + 1) : ""));
    index.insert(index.end(), {"Capitolo " + std::to_string(f), "0," + std::to_string(f)});
  }
  lumo::text::writeTextFile(many / "marker.txt", index);
  const fs::path after = tmp.path / "after-full";
  messages = runConfined(lumo::testsupport::nearlyFullFolder(app, 3 * 8192), many, after);
  ASSERT_EQ(messages.size(), 1u) << joined(messages);
  const std::string& text = messages[0];
  EXPECT_TRUE(text.starts_with(std::string("Zivuvu\tcritical\t0\t") + lumo::zivuvu::kPagesNotWritten)) << text;
  EXPECT_NE(text.find("Errore di accesso al percorso/file: " + (app / "NEW2" / "f12.htm").string() + " (disco pieno)"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(std::string(lumo::zivuvu::kHomeNotWritten) +
                      "\\nErrore di accesso al percorso/file: " + (app / "index.htm").string() + " (disco pieno)"),
            std::string::npos)
      << text;
  EXPECT_TRUE(text.ends_with(lumo::zivuvu::kPlayerNotStarted)) << text;
  EXPECT_FALSE(playerStarted());
  EXPECT_FALSE(fs::exists(after / "index.htm")) << "the old book's home page links to pages that are gone";
  EXPECT_TRUE(fs::exists(after / "NEW2" / "f1.htm"));
  EXPECT_FALSE(fs::exists(after / "NEW2" / "f12.htm"));
  EXPECT_EQ(GetSetting("Zivuvu", "Default", "Dirwork"), "NEW2") << "its folder exists, so the next run cleans it";
  for (const auto& entry : fs::directory_iterator(after / "NEW2"))
    EXPECT_FALSE(entry.path().filename().string().starts_with(".lumo")) << "a temporary file was left behind";
}

// The settings store on a full disk or in a folder without room is read as
// usual; what cannot be saved is reported as a store failure, never as a
// missing CD.
TEST_F(ZivuvuRunTest, SettingsStoreFailuresAreReportedAsSuch) {
  installFakePlayer();
  // A store that cannot even be made: a part of its path is a file.
  std::ofstream(tmp.path / "plain-file") << "x";
  makeBook(tmp.path / "book", "ST1", true);
  const std::string command = "XDG_CONFIG_HOME='" + (tmp.path / "plain-file").string() +
                              "' QT_QPA_PLATFORM=offscreen LUMO_UI_LOG='" + (tmp.path / "messages.log").string() +
                              "' '" + (app / "dazide.zev").string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::ifstream log(tmp.path / "messages.log");
  std::string line;
  std::getline(log, line);
  EXPECT_TRUE(line.starts_with(
      std::string("Zivuvu\tcritical\t0\t") + lumo::zivuvu::kSettingsUnreadable +
      "\\nErrore di accesso al percorso/file: " + (tmp.path / "plain-file" / "lumo" / "registry.sqlite").string()))
      << line;
  EXPECT_FALSE(playerStarted());

  if (lumo::testsupport::privateMountsCommand().empty())
    GTEST_SKIP() << "needs a private mount namespace (unshare -m as root, unshare -rm otherwise) for a full disk";
  // A store of its own on a full disk: the same book again needs no change of
  // the store and is built; another book cannot be recorded, so nothing of
  // it is written.
  const fs::path store = tmp.path / "full-config";
  const std::string environment = "export XDG_CONFIG_HOME=" + lumo::testsupport::shellQuoted(store.string()) + "\n";
  const std::string lumoreg = lumo::testsupport::shellQuoted(LUMO_TEST_BINARY_DIR "/tools/lumoreg/lumoreg");
  ASSERT_EQ(lumo::testsupport::runWithPrivateMounts(environment + lumoreg + " set Zivuvu Default Dirwork ST1"), 0);
  const std::string full = lumo::testsupport::nearlyFullFolder(store / "lumo", 0);
  auto messages = runConfined(full, tmp.path / "book", tmp.path / "after-same", environment);
  EXPECT_TRUE(messages.empty()) << joined(messages);
  EXPECT_TRUE(playerStartedMaximised());
  EXPECT_TRUE(fs::exists(tmp.path / "after-same" / "ST1" / "A.htm"));

  makeBook(tmp.path / "other", "ST2", true);
  messages = runConfined(full, tmp.path / "other", tmp.path / "after-other", environment);
  ASSERT_EQ(messages.size(), 1u) << joined(messages);
  EXPECT_TRUE(messages[0].starts_with(
      std::string("Zivuvu\tcritical\t0\t") + lumo::zivuvu::kSettingsUnsaved +
      "\\nErrore di accesso al percorso/file: " + (store / "lumo" / "registry.sqlite").string()))
      << messages[0];
  EXPECT_FALSE(playerStarted());
  EXPECT_FALSE(fs::exists(tmp.path / "after-other" / "ST2"));
  EXPECT_TRUE(fs::exists(tmp.path / "after-other" / "ST1" / "A.htm")) << "the book before stays whole";
}
