// The installed page builder run as a program on books made on the spot,
// with a settings store and message log of the test's own.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "common/mp3/tests/frame_writer.h"
#include "common/text/text.h"
#include "linker/tests/book_fixture.h"
#include "linker/zivuvu_run.h"
#include "platform/registry/registry.h"

using namespace lumo::linker::testing;
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
  const fs::path file = fs::path(LUMO_TEST_SOURCE_DIR) / "linker/tests/expected" / name;
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
    fs::copy_file(fs::path(LUMO_TEST_BINARY_DIR) / "linker" / "dazide.zev", app / "dazide.zev");
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
    const std::string command = "QT_QPA_PLATFORM=offscreen LUMO_UI_LOG='" + log.string() + "' '" +
                                (app / "dazide.zev").string() + "'";
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

  TempFolder tmp{"zivuvu"};
  fs::path app;
};

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
  struct Case { const char* code; const char* folder; };
  const Case cases[] = {{"", "_"},          {".", "_."},           {"..", "_.."},
                        {"../..", ".._.."}, {"a/b", "a_b"},        {"a\\b", "a_b"},
                        {"Include", "_Include"}, {"include", "_include"}};
  for (const Case& c : cases) {
    EXPECT_EQ(lumo::linker::workFolderName(c.code), c.folder) << c.code;
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
  EXPECT_EQ(messages[0],
            "Zivuvu\tcritical\t0\tLumoPlayer.exe non trovato. Ripetere l'installazione del programma.");
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
  EXPECT_NE(std::find(second.begin(), second.end(),
                      "<meta name=\"QENPLAYER_AUDIO_PREVHTML\" content=\".._.._fuori.htm\">"),
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
