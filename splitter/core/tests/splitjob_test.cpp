// The split job on real MP3 files cut by the real mp3splt.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <map>

#include "common/bookindex/bookindex.h"
#include "common/errors/errors.h"
#include "common/mp3/mp3.h"
#include "platform/registry/registry.h"
#include "splitter/core/frame_cut.h"
#include "splitter/core/tests/job_fixture.h"
#include "splitter/id3/tag_v2.h"
#include "testsupport/common/test_files.h"
#include "zivuvu/core/zivuvu_pages.h"
#include "zivuvu/core/zivuvu_run.h"

namespace lumo::splitter::testing {
namespace {

int32_t measured(const fs::path& file) {
  mp3::Mp3Info info;
  if (mp3::GetMp3Info(file.string(), info) != 1) return -1;
  return info.Duration;
}

// Lets the unprivileged user of runInChild (when the tests run as root)
// read and write everything a job of the test touches.
void openToAll(const fs::path& folder) {
  std::error_code ec;
  fs::permissions(folder, fs::perms::all, ec);
  for (const auto& entry : fs::recursive_directory_iterator(folder, ec)) {
    // Never through a link: the engine link leads to the installed program.
    if (entry.is_symlink(ec)) continue;
    fs::permissions(entry.path(), entry.is_directory(ec) ? fs::perms::all : fs::perms(0666), ec);
  }
}

bool hasPrivateFolders(const fs::path& folder) {
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
    if (entry.path().filename().string().starts_with(".lumo")) return true;
  return false;
}

TestBook threeFileBook() {
  TestBook book;
  book.files = {
      {"CAP1",
       {{"Capitolo primo", 0, "1"},
        {"Il grillo parlante", 10, "5"},
        {"Senza pagina", 20, "-"},
        {"Capitolo secondo", 30, "9"}}},
      {"CAP2", {{"segue capitolo secondo", 0, "11"}}},
      {"CAP3", {{"Capitolo terzo", 0, "12"}, {"La fata", 10, ""}, {"Capitolo quarto", 20, "20"}}},
  };
  return book;
}

TEST_F(JobTest, ThreeFileBookGivesSevenNumberedPartsWithTheContinuationJoined) {
  makeBook(threeFileBook(), {"t40", "t12", "t30"});
  job_.StartOrStop();

  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  const std::vector<std::string> expected = {"001_p1_Capitolo primo.mp3",  "002_p5_Il grillo parlante.mp3",
                                             "003_Senza pagina.mp3",       "004_p9_Capitolo secondo.mp3",
                                             "005_p12_Capitolo terzo.mp3", "006_p_La fata.mp3",
                                             "007_p20_Capitolo quarto.mp3"};
  EXPECT_EQ(mp3Names(indexDir()), expected);
  // The continuation (12 s) is inside part 004 (10 s), which measures as
  // both together, for the suite's analysis and for another reader.
  EXPECT_NEAR(measured(indexDir() / expected[3]), 22, 1);
  EXPECT_NEAR(readWithMutagen((indexDir() / expected[3]).string()).length, 22, 0.5);
  for (size_t p : {0, 1, 2, 4, 5, 6}) EXPECT_NEAR(measured(indexDir() / expected[p]), 10, 1) << expected[p];
  // Each part's tag, read back by another reader: its heading, the book's
  // title and its number (the joined part keeps the tag of its first half).
  const char* titles[] = {"Capitolo primo", "Il grillo parlante", "Senza pagina", "Capitolo secondo", "Capitolo terzo",
                          "La fata",        "Capitolo quarto"};
  for (size_t p = 0; p < expected.size(); ++p) {
    const Mutagen m = readWithMutagen((indexDir() / expected[p]).string());
    EXPECT_EQ(m.title, titles[p]) << expected[p];
    EXPECT_EQ(m.album, "Pinocchio") << expected[p];
    EXPECT_EQ(m.track, "00" + std::to_string(p + 1)) << expected[p];
  }

  EXPECT_EQ(readBytes(indexDir() / "marker.txt"),
            "LB001\r\nCarlo Collodi\r\nPinocchio\r\nEditore\r\nFirenze 1883\r\nAnna Rossi\r\n 7 \r\n"
            "001_p1_Capitolo primo,1,002_p5_Il grillo parlante\r\nCapitolo primo\r\n0,1\r\n"
            "002_p5_Il grillo parlante,1,003_Senza pagina\r\nIl grillo parlante\r\n0,5\r\n"
            "003_Senza pagina,1,004_p9_Capitolo secondo\r\nSenza pagina\r\n0,-\r\n"
            "004_p9_Capitolo secondo,1,005_p12_Capitolo terzo\r\nCapitolo secondo\r\n0,9\r\n"
            "005_p12_Capitolo terzo,1,006_p_La fata\r\nCapitolo terzo\r\n0,12\r\n"
            "006_p_La fata,1,007_p20_Capitolo quarto\r\nLa fata\r\n0,\r\n"
            "007_p20_Capitolo quarto,1,\r\nCapitolo quarto\r\n0,20\r\n");

  // The book's readers (the page builder, the converter) take the new index:
  // every file it names is there.
  const bookindex::BookIndex read = bookindex::readBookIndex(indexDir() / "marker.txt");
  ASSERT_EQ(read.files.size(), 7u);
  for (const bookindex::FileRecord& f : read.files) EXPECT_TRUE(fs::exists(indexDir() / (f.name + ".mp3"))) << f.name;

  ASSERT_EQ(job_.lv.rowCount(), 3);
  EXPECT_EQ(job_.lv.cell(1, 2), "22050 Hz - 64 Kbps - Mono");
  EXPECT_EQ(job_.lv.cell(1, 3), "0:40");
  EXPECT_EQ(job_.lv.cell(1, 4), " 0.00 0.10 0.20 0.30");
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(job_.lv.cell(r, 5), "OK");
  EXPECT_EQ(job_.lv.cell(2, 6), "SI");
  EXPECT_FALSE(hasPrivateFolders(bookDir()));
  EXPECT_EQ(
      messages().back(),
      "Sono stati eseguiti tutti i tagli ai file mp3. \nVerrai indirizzato sulla cartella contenente il risultato.");
  EXPECT_EQ(opened_, std::vector<std::string>{indexDir().string()});
  EXPECT_EQ(progress_.back().percent, "100%");
  EXPECT_EQ(job_.Working(), 0);

  // The run log names the book, every engine command, join, rename and tag.
  const std::vector<std::string> log = logEntries();
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(log[0], "Percorso file marker: " + job_.fields.indexPath);
  EXPECT_EQ(log[1], "Percorso file mp3: " + job_.fields.mp3Folder);
  EXPECT_EQ(log[2], "Opera in esame: LB001 Pinocchio");
  EXPECT_EQ(log[3], "Cartella finale su cui scrivere: " + indexDir().string());
  EXPECT_EQ(log[4], "***** Inizio Tagli per indice *****");
  EXPECT_TRUE(log[5].starts_with("Stringa di taglio: \"" + (dir_ / "program" / "mp3splt").string() + "\" -f -d \""));
  EXPECT_TRUE(
      log[5].ends_with("\" \"" + job_.fields.mp3Folder + "CAP1.mp3\" 0.00 0.10 0.20 0.30 EOF -n -o \"CAP1_@n\""))
      << log[5];
  EXPECT_EQ(logEntry("Taglio file CAP2"), "Taglio file CAP2 eseguito correttamente.");
  // The join runs inside the program: the log says what it does.
  EXPECT_TRUE(
      logEntry("Stringa di unione dei file: ").starts_with("Stringa di unione dei file: accodamento dell'audio di \""))
      << logEntry("Stringa di unione dei file: ");
  EXPECT_TRUE(logEntry("Stringa di unione dei file: ")
                  .ends_with("\" a \"" + (indexDir() / expected[3]).string() +
                             "\" (senza il suo frame d'intestazione, contatori dell'intestazione aggiornati)"));
  EXPECT_EQ(logEntry("Effettuato inserimento TAG al file " + (indexDir() / expected[6]).string()),
            "Effettuato inserimento TAG al file " + (indexDir() / expected[6]).string());
  EXPECT_EQ(log.back(), "***** Tagli per indice eseguiti correttamente *****");
}

// Every part begins on its own heading and ends before the next, whatever
// the encoding: each chapter is a tone of its own, heard at both ends of its
// part, and the parts last what the markers say to within two frames.
TEST_F(JobTest, CutsLandOnTheirHeadingsInEveryEncoding) {
  struct Case {
    const char* what;
    const char* lame;
    int rate, channels;
  };
  const Case cases[] = {
      {"MPEG-2 22.05 kHz CBR with an Info header", "-b 64", 22050, 1},
      {"MPEG-2 22.05 kHz 32 kbit/s CBR", "-b 32", 22050, 1},
      {"VBR without a VBR header", "-V 5 -t", 22050, 2},
      {"MPEG-1 44.1 kHz", "-b 64", 44100, 2},
  };
  const std::vector<int> tones = {300, 700, 1500};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestBook book;
    book.code = "LB10" + std::to_string(++n);
    book.files = {{"CAP", {{"Primo", 0, "1"}, {"Secondo", 5, "2"}, {"Terzo", 10, "3"}}}};
    const fs::path recording = dir_ / "book" / "Libro" / "CAP.mp3";
    ASSERT_TRUE(encodeChapters(recording, tones, 5, c.lame, c.rate, c.channels));
    writeIndex(book, dir_ / "book" / "marker.txt");
    job_.StartOrStop();
    ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
    const fs::path parts = bookDir("(" + book.code + ") Pinocchio") / "File per indice";
    const std::vector<std::string> names = mp3Names(parts);
    ASSERT_EQ(names.size(), 3u);
    const double whole = mapFrames(recording.string()).seconds();
    for (size_t p = 0; p < names.size(); ++p) {
      const fs::path part = parts / names[p];
      const double length = mapFrames(part.string()).seconds();
      EXPECT_NEAR(length, p < 2 ? 5.0 : whole - 10, 0.05) << names[p];
      EXPECT_NEAR(toneAt(part, 0.1, 0.3), tones[p], tones[p] * 0.1) << names[p] << " begins";
      EXPECT_NEAR(toneAt(part, length - 0.4, 0.3), tones[p], tones[p] * 0.1) << names[p] << " ends";
    }
    const std::string logged = logEntry("Stringa di taglio: ");
    EXPECT_TRUE(logged.starts_with("Stringa di taglio: \"" + (dir_ / "program" / "mp3splt").string() + "\" -f -d \""))
        << logged;
    EXPECT_TRUE(logged.ends_with("\" \"" + recording.string() + "\" 0.00 0.05 0.10 EOF -n -o \"CAP_@n\"")) << logged;
  }
}

// The parts get their tag while mp3splt writes them (their names are FIFOs
// during the run), and every part is byte for byte what the tag writer makes
// of the untagged part, in every encoding: the byte count of a Xing header
// covers the tag, and a VBR part that gets a Xing header of its own is
// tagged after it.
TEST_F(JobTest, PartsTaggedAsTheEngineWritesThemAreThoseOfTheTagWriter) {
  struct Case {
    const char* what;
    const char* lame;
    int rate, channels;
  };
  const Case cases[] = {
      {"MPEG-2 CBR with an Info header", "-b 64", 22050, 1},
      {"MPEG-2 32 kbit/s CBR without a header", "-b 32", 22050, 1},
      {"VBR with a Xing header", "-V 5", 22050, 2},
      {"VBR without a VBR header", "-V 5 -t", 22050, 2},
      {"MPEG-1 44.1 kHz", "-b 64", 44100, 2},
  };
  TestBook book;
  // A heading that ISO-8859-1 cannot hold goes into the tag in UCS-2.
  book.files = {{"CAP", {{"Primo", 0, "1"}, {"Secondo – il grillo", 5, "2"}, {"Terzo", 10, "-"}}}};
  const char* titles[] = {"Primo", "Secondo – il grillo", "Terzo"};
  const fs::path recording = dir_ / "book" / "Libro" / "CAP.mp3";
  std::vector<bool> fifos;
  job_.runEngine = [&](const std::string& program, const std::vector<std::string>& args,
                       const std::function<void()>& yield) {
    const fs::path folder = args.at(2);
    for (const char* name : {"CAP_1.mp3", "CAP_2.mp3", "CAP_3.mp3"})
      fifos.push_back(fs::is_fifo(fs::symlink_status(folder / name)));
    return RunWithQProcess(program, args, yield);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(encodeChapters(recording, {300, 700, 1500}, 5, c.lame, c.rate, c.channels));
    writeIndex(book, dir_ / "book" / "marker.txt");
    fs::remove_all(bookDir());
    job_.fields.tags = false;
    fifos.clear();
    job_.StartOrStop();
    ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
    EXPECT_EQ(fifos, std::vector<bool>(3, false)) << "untagged parts are mp3splt's own files";
    const std::vector<std::string> names = mp3Names(indexDir());
    ASSERT_EQ(names.size(), 3u);
    std::vector<std::string> expected;
    for (size_t p = 0; p < names.size(); ++p) {
      id3::TypeTagV2 tag;
      tag.Valide(true);
      tag.Titre(titles[p]);
      tag.Album("Pinocchio");
      tag.Piste("00" + std::to_string(p + 1));
      tag.Genre("28");
      ASSERT_TRUE(tag.WriteTag((indexDir() / names[p]).string()));
      expected.push_back(readBytes(indexDir() / names[p]));
    }

    fs::remove_all(bookDir());
    job_.fields.tags = true;
    fifos.clear();
    job_.StartOrStop();
    ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
    EXPECT_EQ(fifos, std::vector<bool>(3, true));
    ASSERT_EQ(mp3Names(indexDir()), names);
    for (size_t p = 0; p < names.size(); ++p) {
      EXPECT_TRUE(readBytes(indexDir() / names[p]) == expected[p]) << names[p];
      EXPECT_EQ(logEntry("Effettuato inserimento TAG al file " + (indexDir() / names[p]).string()),
                "Effettuato inserimento TAG al file " + (indexDir() / names[p]).string());
    }
    EXPECT_FALSE(hasPrivateFolders(bookDir()));
  }
}

// The pieces of the cut by length are written with their tag in front, byte
// for byte what the tag writer makes of the untagged piece: with the
// recording's Info header carried on, and with a Xing header of their own
// (a VBR recording without one).
TEST_F(JobTest, PiecesWrittenWithTheirTagAreThoseOfTheTagWriter) {
  struct Case {
    const char* what;
    const char* audio;
  };
  for (const Case& c : {Case{"CBR with an Info header", "long"}, Case{"VBR without a VBR header", "vbrNoHeader"}}) {
    SCOPED_TRACE(c.what);
    TestBook book;
    book.files = {{"LONG", {{"Prima parte", 0, "1"}, {"Seconda – parte", 104, "2"}}}};
    if (std::string(c.audio) == "vbrNoHeader") {
      ASSERT_TRUE(encodeTone(dir_ / "book" / "Libro" / "LONG.mp3", 150, "-V 5 -t", "4@50 4@100"));
      writeIndex(book, dir_ / "book" / "marker.txt");
    } else {
      makeBook(book, {c.audio});
    }
    job_.fields.cutByLength = true;
    job_.fields.partMinutes = "1";
    const fs::path pieces = bookDir() / "File da 1 minuti";
    fs::remove_all(bookDir());
    job_.fields.tags = false;
    job_.StartOrStop();
    ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
    const std::vector<std::string> names = mp3Names(pieces);
    ASSERT_GE(names.size(), 3u);
    std::vector<std::string> expected;
    for (const std::string& name : names) {
      id3::TypeTagV2 tag;
      tag.Valide(true);
      tag.Titre(name.find("Prima") != std::string::npos ? "Prima parte" : "Seconda – parte");
      tag.Album("Pinocchio");
      tag.Piste(name.substr(0, 3));
      tag.Genre("28");
      ASSERT_TRUE(tag.WriteTag((pieces / name).string()));
      expected.push_back(readBytes(pieces / name));
    }
    fs::remove_all(bookDir());
    job_.fields.tags = true;
    job_.StartOrStop();
    ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
    ASSERT_EQ(mp3Names(pieces), names);
    for (size_t p = 0; p < names.size(); ++p) {
      EXPECT_TRUE(readBytes(pieces / names[p]) == expected[p]) << names[p];
      EXPECT_EQ(logEntry("Effettuato inserimento TAG al file " + (pieces / names[p]).string()),
                "Effettuato inserimento TAG al file " + (pieces / names[p]).string());
    }
  }
}

// A disk that takes the parts but not the tag writer's copy of the largest
// (a file size limit just above it, as a nearly full disk): that part stays
// untagged, the log says so and why, and the end message names it.
TEST_F(JobTest, ATagThatCouldNotBeWrittenIsReportedAsSuch) {
  TestBook book;
  book.files = {{"CAP1", {{"Capitolo lungo", 0, "1"}, {"Capitolo breve", 30, "2"}}}};
  makeBook(book, {"t40"});
  job_.fields.tags = false;
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  const fs::path big = indexDir() / "001_p1_Capitolo lungo.mp3";
  const fs::path small = indexDir() / "002_p2_Capitolo breve.mp3";
  const auto limit = static_cast<rlim_t>(fs::file_size(big) + 64);
  fs::remove_all(bookDir());
  openToAll(dir_);
  job_.fields.tags = true;
  ui_->clear();
  const int code = testsupport::runInChild(
      [&] {
        job_.StartOrStop();
        if (job_.result() != "0") return 10;
        const std::vector<std::string> shown = messages();
        if (shown.size() != 1 || shown[0] !=
                                     "Sono stati eseguiti tutti i tagli ai file mp3. \n"
                                     "Verrai indirizzato sulla cartella contenente il risultato.\n"
                                     "Non è stato possibile inserire il TAG in 1 file:\n"
                                     "001_p1_Capitolo lungo.mp3")
          return 11;
        const std::string failed = logEntry("Inserimento TAG non riuscito al file " + big.string() + ": Errore ");
        if (failed.empty()) return 12;
        if (!logEntry("Effettuato inserimento TAG al file " + big.string()).empty()) return 13;
        if (logEntry("Effettuato inserimento TAG al file " + small.string()).empty()) return 14;
        if (readWithMutagen(big.string()).title != "") return 15;
        if (readWithMutagen(small.string()).title != "Capitolo breve") return 16;
        if (hasPrivateFolders(bookDir())) return 17;
        return 0;
      },
      limit);
  EXPECT_EQ(code, 0) << "see the check that returns this code";
}

// A read-only export folder is named as such before anything is cut.
TEST_F(JobTest, AReadOnlyExportFolderIsNamedAndNothingIsCut) {
  TestBook book;
  book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}}}};
  makeBook(book, {"t12"});
  openToAll(dir_);
  const fs::path exportFolder = dir_ / "export" / "MyLUMO";
  fs::create_directories(exportFolder);
  fs::permissions(exportFolder, fs::perms(0555));
  const int code = testsupport::runInChild([&] {
    job_.StartOrStop();
    if (job_.result() != "1") return 10;
    const std::vector<std::string> shown = messages();
    if (shown !=
        std::vector<std::string>{"Impossibile scrivere nella cartella di esportazione\n" + job_.fields.exportPath +
                                 "\n(cartella in sola lettura).\nScegliere un'altra cartella di "
                                 "esportazione."})
      return 11;
    if (!opened_.empty()) return 12;
    return 0;
  });
  fs::permissions(exportFolder, fs::perms::all);
  EXPECT_EQ(code, 0) << "see the check that returns this code";
  EXPECT_FALSE(fs::exists(bookDir()));
}

// Temporaries a killed job left behind go with the next job on that book,
// unless another job holds the book (it may be using them).
TEST_F(JobTest, ANewJobRemovesTheTemporariesOfAKilledOne) {
  TestBook book;
  book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}, {"Secondo", 6, "2"}}}};
  makeBook(book, {"t12"});
  job_.fields.cutByLength = true;
  const fs::path pieces = bookDir() / "File da 5 minuti";
  const std::vector<fs::path> leftovers = {bookDir() / ".lumosplit-Ab12Cd", indexDir() / ".lumo-id3-x1y2z3",
                                           indexDir() / ".lumojoin-q1w2e3", pieces / ".lumo-id3-r4t5y6",
                                           pieces / ".lumosplit-Zz99Yy"};
  const auto leave = [&] {
    for (const fs::path& p : leftovers) {
      fs::create_directories(p.parent_path());
      if (p.filename().string().starts_with(".lumosplit-")) {
        fs::create_directories(p);
        std::ofstream(p / "CAP1_1.mp3") << "x";
      } else {
        std::ofstream(p) << "x";
      }
    }
    std::ofstream(indexDir() / ".altro") << "x";
  };
  leave();
  {
    // Another job holds the book: nothing of it is removed.
    const int other = ::open(bookDir().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    job_.StartOrStop();
    ::close(other);
    ASSERT_EQ(job_.result(), "1") << ::testing::PrintToString(messages());
    for (const fs::path& p : leftovers) EXPECT_TRUE(fs::exists(p)) << p;
    ui_->clear();
  }
  ui_->queueAnswer(ui::Answer::Yes);
  ui_->queueAnswer(ui::Answer::Yes);
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  for (const fs::path& p : leftovers) EXPECT_FALSE(fs::exists(p)) << p;
  EXPECT_TRUE(fs::exists(indexDir() / ".altro"));
  EXPECT_EQ(mp3Names(indexDir()).size(), 2u);
  EXPECT_EQ(mp3Names(pieces).size(), 2u);
}

// Every entry under a folder, with the bytes and modification time of the
// files among them.
std::map<std::string, std::pair<std::string, fs::file_time_type>> snapshot(const fs::path& folder) {
  std::map<std::string, std::pair<std::string, fs::file_time_type>> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    auto& [bytes, time] = entries[fs::relative(entry.path(), folder).string()];
    if (!entry.is_regular_file()) continue;
    bytes = readBytes(entry.path());
    time = entry.last_write_time();
  }
  return entries;
}

// A book that another job is splitting (its folder's lock held through
// another open file, as another LumoSplitter holds it) is neither deleted
// nor cut again: the job says so and stops, and the book stays as it was.
TEST_F(JobTest, ABookThatAnotherJobHoldsIsNotSplitAgain) {
  TestBook book;
  book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}, {"Secondo", 6, "2"}}}};
  makeBook(book, {"t12"});
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  ASSERT_EQ(mp3Names(indexDir()).size(), 2u);
  const auto before = snapshot(dir_ / "export");

  // The lock held through another open file of this process, and by
  // another process (which holds it until told to end).
  const auto heldHere = [&]() -> std::function<void()> {
    const int other = ::open(bookDir().c_str(), O_RDONLY | O_DIRECTORY);
    EXPECT_EQ(::flock(other, LOCK_EX), 0);
    return [other] { ::close(other); };
  };
  const auto heldByAnotherProcess = [&]() -> std::function<void()> {
    int locked[2], release[2];
    EXPECT_EQ(::pipe(locked), 0);
    EXPECT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(release[1]);
      const int fd = ::open(bookDir().c_str(), O_RDONLY | O_DIRECTORY);
      const char ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? '1' : '0';
      (void)!::write(locked[1], &ok, 1);
      char end;
      (void)!::read(release[0], &end, 1);
      ::_exit(0);
    }
    ::close(locked[1]);
    ::close(release[0]);
    char ok = 0;
    EXPECT_EQ(::read(locked[0], &ok, 1), 1);
    EXPECT_EQ(ok, '1');
    ::close(locked[0]);
    return [child, release] {
      ::close(release[1]);
      ::waitpid(child, nullptr, 0);
    };
  };
  for (const auto& [what, hold] :
       {std::pair<const char*, std::function<std::function<void()>()>>{"another open file", heldHere},
        {"another process", heldByAnotherProcess}}) {
    SCOPED_TRACE(what);
    const std::function<void()> let = hold();
    ui_->clear();
    opened_.clear();
    ui_->queueAnswer(ui::Answer::Yes);  // were the parts' deletion asked, it would be granted
    job_.StartOrStop();
    EXPECT_EQ(job_.result(), "1");
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Il libro è già in elaborazione da un'altra sessione.\n" + bookDir().string()});
    EXPECT_EQ(logEntry("Il libro "), "Il libro " + bookDir().string() + " è già in elaborazione da un'altra sessione.");
    EXPECT_TRUE(logEntry("Stringa di taglio").empty());
    EXPECT_TRUE(opened_.empty());
    EXPECT_TRUE(snapshot(dir_ / "export") == before) << "the book was changed";
    let();
  }
  // Once the other job has ended, the book is split again.
  ui_->clear();
  ui_->queueAnswer(ui::Answer::Yes);
  job_.StartOrStop();
  EXPECT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  EXPECT_EQ(messages().front(),
            "La cartella contiene già file mp3 splittati.\n"
            "Procedo con la cancellazione e la successiva riscrittura?");
}

// An index that ends early or holds a value no index can hold is refused
// as a whole before anything is made, deleted or cut: the message names the
// file and the cause, and an earlier split of the book stays as it was.
TEST_F(JobTest, ADamagedIndexIsRefusedBeforeAnythingIsWrittenOrDeleted) {
  TestBook book;
  book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}, {"Secondo", 6, "2"}}},
                {"CAP2", {{"Capitolo secondo", 0, "3"}}},
                {"CAP3", {{"Capitolo terzo", 0, "4"}, {"Quarto", 6, "5"}}}};
  makeBook(book, {"t12", "t12", "t12"});
  const std::vector<std::string> lines = testsupport::markerLines(book);
  // lines: 7 of the header, then per file its record and two per marker.
  ASSERT_EQ(lines.size(), 7u + 5 + 3 + 5);
  const auto without = [&](size_t from, size_t count = std::string::npos) {
    std::vector<std::string> l = lines;
    l.erase(l.begin() + static_cast<std::ptrdiff_t>(from),
            count == std::string::npos ? l.end() : l.begin() + static_cast<std::ptrdiff_t>(from + count));
    return l;
  };
  const auto replaced = [&](size_t at, const std::string& line) {
    std::vector<std::string> l = lines;
    l[at] = line;
    return l;
  };
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::string cause;
  };
  const std::string pastEnd = "Errore 62 Input oltre la fine del file";
  const Case cases[] = {
      {"cut short in the last file's markers", without(lines.size() - 2), pastEnd},
      {"cut short after the first file", without(12), pastEnd},
      {"cut short in the header", without(4), pastEnd},
      {"an empty file", {}, pastEnd},
      {"a marker's start beyond 16 bits", replaced(lines.size() - 1, "99999,5"), "Errore 6 Overflow"},
      {"a file without markers", replaced(12, "CAP2,0,CAP3"), "Errore 9 Indice non incluso nell'intervallo"},
  };

  // A book never split before: no folder is made.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    text::writeTextFile(dir_ / "book" / "marker.txt", c.lines);
    ui_->clear();
    job_.StartOrStop();
    EXPECT_EQ(job_.result(), "1");
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Il file indice\n" + job_.fields.indexPath + "\nè incompleto o danneggiato (" +
                                       c.cause + "): nessun file è stato tagliato."});
    EXPECT_EQ(logEntry("Il file indice "),
              "Il file indice " + job_.fields.indexPath + " è incompleto o danneggiato: " + c.cause);
    EXPECT_FALSE(fs::exists(dir_ / "export" / "MyLUMO"));
    EXPECT_TRUE(opened_.empty());
  }

  // A book split before keeps its parts and its index, and nobody is asked
  // to delete them.
  writeIndex(book, dir_ / "book" / "marker.txt");
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  ASSERT_EQ(mp3Names(indexDir()).size(), 5u);
  const auto before = snapshot(dir_ / "export");
  opened_.clear();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    text::writeTextFile(dir_ / "book" / "marker.txt", c.lines);
    ui_->clear();
    ui_->queueAnswer(ui::Answer::Yes);
    job_.StartOrStop();
    EXPECT_EQ(job_.result(), "1");
    EXPECT_EQ(messages().size(), 1u) << ::testing::PrintToString(messages());
    EXPECT_TRUE(snapshot(dir_ / "export") == before) << "the book was changed";
    EXPECT_TRUE(opened_.empty());
  }
}

TEST_F(JobTest, ThePageBuilderReadsTheNewBook) {
  makeBook(threeFileBook(), {"t40", "t12", "t30"});
  job_.fields.openWhenDone = false;
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
  setenv("LUMO_MACHINE_REGISTRY", (dir_ / "machine.sqlite").c_str(), 1);
  registry::SaveSetting(zivuvu::kApp, zivuvu::kSection, "CD", indexDir().string());
  const fs::path app = dir_ / "app";
  fs::create_directories(app / "Include");
  std::ofstream(app / "Include" / "Style1.css") << "body {}";
  zivuvu::RunOptions options;
  options.appFolder = app.string();
  std::string player;
  options.startPlayer = [&](const std::string& path) {
    player = path;
    return true;
  };
  ui_->clear();
  EXPECT_EQ(zivuvu::ZivuvuRun(options), zivuvu::RunOutcome::PagesWritten) << ::testing::PrintToString(messages());
  EXPECT_FALSE(player.empty());
  const std::vector<std::string> parts = mp3Names(indexDir());
  ASSERT_EQ(parts.size(), 7u);
  for (const std::string& part : parts) {
    const std::string page = zivuvu::pageName(part.substr(0, part.size() - 4)) + ".htm";
    EXPECT_TRUE(fs::exists(app / "LB001" / page)) << page;
  }
  EXPECT_TRUE(fs::exists(app / "index.htm"));
}

TEST_F(JobTest, RefusedJoinKeepsThePartUnderANameOfItsOwnThatTheNextContinuationJoins) {
  TestBook book;
  book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}, {"Capitolo secondo", 20, "7"}}},
                {"CAP2", {{"segue capitolo secondo", 0, "9"}}},
                {"CAP3", {{"segue ancora", 0, "10"}}},
                {"CAP4", {{"Capitolo terzo", 0, "11"}}}};
  // CAP2 and CAP3 are at 48 kbit/s, CAP1 and CAP4 at 64.
  makeBook(book, {"t40", "t12b48", "t12b48", "t12"});
  job_.StartOrStop();

  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  const std::string own = "002_p7_Capitolo secondo_continua.mp3";
  EXPECT_EQ(mp3Names(indexDir()), (std::vector<std::string>{"001_p1_Capitolo primo.mp3", "002_p7_Capitolo secondo.mp3",
                                                            own, "003_p11_Capitolo terzo.mp3"}));
  EXPECT_EQ(job_.lv.cell(2, 6), "NO");
  EXPECT_EQ(job_.lv.cell(3, 6), "SI");
  // CAP3 went onto the part it follows in time: CAP2's.
  EXPECT_NEAR(measured(indexDir() / own), 24, 1);
  EXPECT_NEAR(readWithMutagen((indexDir() / own).string()).length, 24, 0.5);
  const Mutagen tag = readWithMutagen((indexDir() / own).string());
  EXPECT_EQ(tag.title, "segue capitolo secondo");
  EXPECT_EQ(tag.track, "002");
  EXPECT_NEAR(measured(indexDir() / "002_p7_Capitolo secondo.mp3"), 20, 1);
  EXPECT_NE(readBytes(indexDir() / "marker.txt")
                .find("002_p7_Capitolo secondo,1,002_p7_Capitolo secondo_continua\r\nCapitolo secondo\r\n0,7\r\n"
                      "002_p7_Capitolo secondo_continua,1,003_p11_Capitolo terzo\r\nsegue capitolo secondo\r\n0,\r\n"),
            std::string::npos)
      << readBytes(indexDir() / "marker.txt");
}

TEST_F(JobTest, FailedJoinIsReportedAndThePartKeptUnderItsOwnName) {
  makeBook(threeFileBook(), {"t40", "t12", "t30"});
  const fs::path previous = indexDir() / "004_p9_Capitolo secondo.mp3";
  job_.hooks.progress = [&](int bar, int value, int, const std::string&) {
    if (bar == 1 && value == 2) {
      // The part to join onto can no longer be read as a file.
      fs::remove(previous);
      fs::create_directory(previous);
    }
  };
  job_.StartOrStop();
  EXPECT_EQ(job_.result(), "0");
  const std::string own = "004_p9_Capitolo secondo_continua.mp3";
  EXPECT_TRUE(fs::is_regular_file(indexDir() / own));
  EXPECT_NEAR(measured(indexDir() / own), 12, 1);
  EXPECT_EQ(job_.lv.cell(2, 6), "NO");
  ASSERT_GE(ui_->shown().size(), 2u);
  EXPECT_TRUE(ui_->shown()[0].text.starts_with("Non è stato possibile unire il file\n")) << ui_->shown()[0].text;
  EXPECT_EQ(ui_->shown()[0].icon(), ui::mb::Critical);
  EXPECT_TRUE(logEntry("Errore nell'unione del file ").find(previous.string()) != std::string::npos);
  EXPECT_NE(readBytes(indexDir() / "marker.txt").find("004_p9_Capitolo secondo_continua,1,005_p12_Capitolo terzo\r\n"),
            std::string::npos);
  fs::remove(previous);
}

TEST_F(JobTest, PartNamesFollowPagesDescriptionsAndTheNamingOption) {
  const std::string longText(130, 'x');
  TestBook book;
  book.files = {
      {"CAP1",
       {{"Uno: due/tre", 0, "  12"}, {"Senza pagina", 10, "-"}, {"Pagina vuota", 20, ""}, {longText, 30, "4"}}}};
  makeBook(book, {"t40"});
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  const std::string cut = ("004_p4_" + longText).substr(0, 120);
  EXPECT_EQ(mp3Names(indexDir()), (std::vector<std::string>{"001_p12_Uno- due-tre.mp3", "002_Senza pagina.mp3",
                                                            "003_p_Pagina vuota.mp3", cut + ".mp3"}));
  EXPECT_NE(readBytes(indexDir() / "marker.txt")
                .find("003_p_Pagina vuota,"
                      "1," +
                      cut + "\r\n"),
            std::string::npos);

  // Numbers and pages only; the earlier parts are deleted after the question.
  job_.fields.namesWithDescription = false;
  ui_->queueAnswer(ui::Answer::Yes);
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0");
  EXPECT_EQ(ui_->shown()[ui_->shown().size() - 2].title, "File mp3 esistenti");
  EXPECT_EQ(mp3Names(indexDir()), (std::vector<std::string>{"001_p12.mp3", "002.mp3", "003_p.mp3", "004_p4.mp3"}));
  // Without tags: the parts carry none.
  job_.fields.tags = false;
  ui_->queueAnswer(ui::Answer::Yes);
  job_.StartOrStop();
  EXPECT_EQ(readWithMutagen((indexDir() / "001_p12.mp3").string()).title, "");

  // No: nothing is touched and no folder opens.
  opened_.clear();
  ui_->queueAnswer(ui::Answer::No);
  job_.StartOrStop();
  EXPECT_EQ(job_.result(), "1");
  EXPECT_EQ(mp3Names(indexDir()).size(), 4u);
  EXPECT_TRUE(opened_.empty());
}

TEST_F(JobTest, StopDuringTheSecondFileFinishesItAndWritesNoIndex) {
  makeBook(threeFileBook(), {"t40", "t12", "t30"});
  std::vector<std::string> captions;
  job_.hooks.progressCaption = [&](const std::string& caption) { captions.push_back(caption); };
  job_.hooks.progress = [&](int bar, int value, int, const std::string&) {
    if (bar == 1 && value == 1) {
      ui_->queueAnswer(ui::Answer::No);
      job_.StartOrStop();  // the user presses INTERROMPI, then thinks better of it
    }
    if (bar == 1 && value == 2) {
      ui_->queueAnswer(ui::Answer::Yes);
      job_.StartOrStop();  // and presses it again
    }
  };
  job_.StartOrStop();
  EXPECT_EQ(job_.result(), "0");
  ASSERT_EQ(ui_->shown().size(), 3u);
  EXPECT_EQ(ui_->shown().at(0).title, "Interrompi?");
  EXPECT_EQ(ui_->shown().at(0).text,
            "Lumosplitter sta lavorando.\nDesiseri ugualmente fermare il ciclo di lavoro?\n"
            "Verrai ugualmente indirizzato nella cartella di esportazione");
  EXPECT_EQ(ui_->shown().at(0).buttons(), ui::mb::YesNo);
  EXPECT_EQ(captions, std::vector<std::string>{"Attendere il termine del ciclo..."});
  // The second file was finished (joined onto 004), the third never cut.
  EXPECT_EQ(mp3Names(indexDir()).size(), 4u);
  EXPECT_NEAR(measured(indexDir() / "004_p9_Capitolo secondo.mp3"), 22, 1);
  EXPECT_FALSE(fs::exists(indexDir() / "marker.txt"));
  EXPECT_EQ(job_.lv.rowCount(), 2);
  // The two questions and the stop's own message, no completion message.
  EXPECT_EQ(ui_->shown().size(), 3u);
  EXPECT_EQ(ui_->shown().at(2).text, "Sequenza di taglio interrotta dall'utente.");
  EXPECT_EQ(opened_, std::vector<std::string>{indexDir().string()});
  // The stop is logged when asked for; the file in hand is finished after it.
  EXPECT_NE(logEntry("***** Sequenza di taglio interrotta dall'utente. *****"), "");
  for (const std::string& e : logEntries()) EXPECT_EQ(e.find("CAP3"), std::string::npos) << e;
  EXPECT_EQ(logEntry("***** Tagli per indice eseguiti correttamente *****"), "");
}

// A second file whose audio ends at 5 s while its index has markers at 10
// and 20 s, with or without a header that still announces 30 s: mp3splt
// in frame mode counts the frames there are, writes fewer parts and exits
// 0. It is reported and nothing of that file is kept or listed.
TEST_F(JobTest, EngineFailureIsReportedAndNothingOfThatFileIsListed) {
  struct Case {
    const char* audio;
    const char* why;
  };
  for (const Case& c : {Case{"damagedNoHeader", "mp3splt ha creato 1 parti invece di 3"},
                        Case{"damaged", "mp3splt ha creato 1 parti invece di 3"}}) {
    SCOPED_TRACE(c.audio);
    fs::remove_all(bookDir());
    ui_->clear();
    opened_.clear();
    TestBook book;
    book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}}},
                  {"CAP2", {{"Capitolo secondo", 0, "2"}, {"Oltre la fine", 10, "3"}, {"Ancora oltre", 20, "4"}}}};
    makeBook(book, {"t12", c.audio});
    job_.StartOrStop();
    EXPECT_EQ(job_.result(), "1");
    ASSERT_EQ(ui_->shown().size(), 1u);
    EXPECT_EQ(ui_->shown()[0].icon(), ui::mb::Critical);
    EXPECT_EQ(ui_->shown()[0].text,
              "Il taglio del file " + job_.fields.mp3Folder + "CAP2.mp3 non è riuscito.\n" + c.why);
    EXPECT_EQ(mp3Names(indexDir()), std::vector<std::string>{"001_p1_Capitolo primo.mp3"});
    EXPECT_FALSE(fs::exists(indexDir() / "marker.txt"));
    EXPECT_EQ(job_.lv.cell(2, 5), "");
    EXPECT_FALSE(hasPrivateFolders(bookDir()));
    EXPECT_TRUE(opened_.empty());
    EXPECT_EQ(logEntry("Errore nel taglio del file "),
              "Errore nel taglio del file " + job_.fields.mp3Folder + "CAP2.mp3: " + c.why);
    EXPECT_EQ(logEntry("Taglio file CAP2"), "");
  }
}

TEST_F(JobTest, AMissingSourceFileEndsTheJobWithoutAnIndex) {
  TestBook book;
  book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}}}, {"CAP2", {{"Capitolo secondo", 0, "2"}}}};
  makeBook(book, {"t12", "t12"});
  fs::remove(dir_ / "book" / "Libro" / "CAP2.mp3");
  job_.StartOrStop();
  EXPECT_EQ(job_.result(), "0");
  EXPECT_EQ(messages(), std::vector<std::string>{"Path: " + job_.fields.mp3Folder + "CAP2.mp3\nFile mp3 non trovato!"});
  EXPECT_EQ(logEntry("Errore critico nel percorso "),
            "Errore critico nel percorso " + job_.fields.mp3Folder + "CAP2.mp3: file non trovato");
  EXPECT_EQ(mp3Names(indexDir()), std::vector<std::string>{"001_p1_Capitolo primo.mp3"});
  EXPECT_FALSE(fs::exists(indexDir() / "marker.txt"));
  EXPECT_EQ(opened_, std::vector<std::string>{indexDir().string()});
}

TEST_F(JobTest, MissingEngineIsReportedBeforeAnythingIsCut) {
  TestBook book;
  book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}}}};
  makeBook(book, {"t12"});
  fs::remove(dir_ / "program" / "mp3splt");
  job_.StartOrStop();
  EXPECT_EQ(job_.result(), "1");
  ASSERT_EQ(ui_->shown().size(), 1u);
  EXPECT_NE(ui_->shown()[0].text.find("impossibile avviare mp3splt"), std::string::npos) << ui_->shown()[0].text;
  EXPECT_TRUE(mp3Names(indexDir()).empty());
}

TEST_F(JobTest, CutByLengthPutsEachCutInASilenceAndNumbersPiecesAcrossTheBook) {
  TestBook book;
  // Parts of 158 s (silences at 50-54 and 104-108 s) and 104 s (at 50-54 s).
  book.files = {{"LONG", {{"Prima parte", 0, "1"}, {"Seconda parte", 158, "2"}}}};
  makeBook(book, {"long"});
  job_.fields.cutByLength = true;
  job_.fields.partMinutes = "1";
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  const fs::path pieces = bookDir() / "File da 1 minuti";
  const std::vector<std::string> expected = {"001_001_p1_Prima parte.mp3", "002_001_p1_Prima parte.mp3",
                                             "003_001_p1_Prima parte.mp3", "004_002_p2_Seconda parte.mp3",
                                             "005_002_p2_Seconda parte.mp3"};
  ASSERT_EQ(mp3Names(pieces), expected);
  // Where each cut fell, in seconds of its index part, against the silences.
  std::vector<double> lengths;
  for (const std::string& piece : expected) lengths.push_back(readWithMutagen((pieces / piece).string()).length);
  EXPECT_GT(lengths[0], 50);
  EXPECT_LT(lengths[0], 54);
  EXPECT_GT(lengths[0] + lengths[1], 104);
  EXPECT_LT(lengths[0] + lengths[1], 108);
  EXPECT_NEAR(lengths[0] + lengths[1] + lengths[2], 158, 1);
  EXPECT_GT(lengths[3], 50);
  EXPECT_LT(lengths[3], 54);
  EXPECT_NEAR(lengths[3] + lengths[4], 104, 1);

  EXPECT_EQ(readBytes(pieces / "marker.txt"),
            "LB001\r\nCarlo Collodi\r\nPinocchio\r\nEditore\r\nFirenze 1883\r\nAnna Rossi\r\n 5 \r\n"
            "001_001_p1_Prima parte,1,002_001_p1_Prima parte\r\nPrima parte\r\n0,1\r\n"
            "002_001_p1_Prima parte,1,003_001_p1_Prima parte\r\nPrima parte\r\n0,1\r\n"
            "003_001_p1_Prima parte,1,004_002_p2_Seconda parte\r\nPrima parte\r\n0,1\r\n"
            "004_002_p2_Seconda parte,1,005_002_p2_Seconda parte\r\nSeconda parte\r\n0,2\r\n"
            "005_002_p2_Seconda parte,1,\r\nSeconda parte\r\n0,2\r\n");
  // Pieces are tagged with their index part's heading and their own number;
  // the index parts are not tagged when they are cut again.
  for (size_t p = 0; p < expected.size(); ++p) {
    const Mutagen m = readWithMutagen((pieces / expected[p]).string());
    EXPECT_EQ(m.title, p < 3 ? "Prima parte" : "Seconda parte") << expected[p];
    EXPECT_EQ(m.album, "Pinocchio");
    EXPECT_EQ(m.track, "00" + std::to_string(p + 1));
  }
  EXPECT_EQ(readWithMutagen((indexDir() / "001_p1_Prima parte.mp3").string()).title, "");
  // The index parts stay, with their own index.
  EXPECT_EQ(mp3Names(indexDir()).size(), 2u);
  EXPECT_TRUE(fs::exists(indexDir() / "marker.txt"));
  EXPECT_EQ(
      messages().back(),
      "Sono stati eseguiti tutti i tagli ai file mp3 con la personalizzazione impostata. \n"
      "Sono stati creati 5 file totali da 1 minuti ciascuno.\nVerrai indirizzato sulla cartella dei file splittati.");
  EXPECT_EQ(opened_, std::vector<std::string>{pieces.string()});
  ASSERT_EQ(job_.lv.rowCount(), 3);
  EXPECT_EQ(job_.lv.cell(3, 1), "002_p2_Seconda parte");
  EXPECT_EQ(job_.lv.cell(3, 4), "File da 1 min.");
  EXPECT_FALSE(hasPrivateFolders(bookDir()));
  EXPECT_EQ(logEntry("Cartella dei file personalizzati: "), "Cartella dei file personalizzati: " + pieces.string());
  EXPECT_NE(logEntry("Stringa di taglio: ").size(), 0u);
  const std::vector<std::string> log = logEntries();
  std::vector<std::string> cuts;
  for (const std::string& e : log)
    if (e.starts_with("Stringa di taglio: ") && e.find(" -t ") != std::string::npos) cuts.push_back(e);
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_NE(cuts[0].find(" -t 1.00 -a -p th=-35,off=0.5,min=3 \"" + (indexDir() / "001_p1_Prima parte.mp3").string() +
                         "\" -n -o \"001_p1_Prima parte_@n\""),
            std::string::npos)
      << cuts[0];
  EXPECT_EQ(logEntry("Taglio personalizzato file 002"),
            "Taglio personalizzato file 002_p2_Seconda parte eseguito correttamente.");
  EXPECT_EQ(log.back(), "***** Terminato il taglio personalizzato del file *****");
}

// The pieces of a VBR part begin with the part's first frame and add up to
// it; the cuts still fall in the pauses.
TEST_F(JobTest, PiecesOfAVbrPartBeginWithItAndAddUpToIt) {
  TestBook book;
  // Parts of 80 s (a pause at 50-54 s) and 78 s (at 24-28 s).
  book.files = {{"VBR", {{"Prima parte", 0, "1"}, {"Seconda parte", 80, "2"}}}};
  makeBook(book, {"vbrStereo"});
  job_.fields.cutByLength = true;
  job_.fields.partMinutes = "1";
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  const fs::path pieces = bookDir() / "File da 1 minuti";
  const std::vector<std::string> names = mp3Names(pieces);
  for (const char* part : {"001_p1_Prima parte", "002_p2_Seconda parte"}) {
    SCOPED_TRACE(part);
    const FrameMap whole = mapFrames((indexDir() / (std::string(part) + ".mp3")).string());
    ASSERT_GT(whole.audioFrames(), 0u);
    std::vector<fs::path> own;
    for (const std::string& name : names)
      if (name.substr(4) == std::string(part) + ".mp3") own.push_back(pieces / name);
    ASSERT_GE(own.size(), 2u);
    double frames = 0, heard = 0;
    for (const fs::path& piece : own) {
      frames += mapFrames(piece.string()).seconds();
      heard += readWithMutagen(piece.string()).length;
    }
    EXPECT_NEAR(frames, whole.seconds(), 0.1);
    EXPECT_NEAR(heard, readWithMutagen((indexDir() / (std::string(part) + ".mp3")).string()).length, 0.1);
    // The first piece begins with the part's own first frame.
    const FrameMap first = mapFrames(own[0].string());
    ASSERT_GT(first.audioFrames(), 0u);
    EXPECT_TRUE(first.bytes.compare(first.offsets[0], 400, whole.bytes, whole.offsets[0], 400) == 0)
        << "the first piece does not begin with the part's first frame";
    EXPECT_TRUE(first.hasHeader);
  }
  // The first part's cut lies in its pause at 50-54 s.
  const double cut = mapFrames((pieces / names[0]).string()).seconds();
  EXPECT_GT(cut, 50);
  EXPECT_LT(cut, 54);
}

TEST_F(JobTest, StopDuringTheCutByLengthFinishesThePartAndIndexesThePiecesMade) {
  TestBook book;
  book.files = {{"LONG", {{"Prima parte", 0, "1"}, {"Seconda parte", 158, "2"}}}};
  makeBook(book, {"long"});
  job_.fields.cutByLength = true;
  job_.fields.partMinutes = "1";
  job_.hooks.progress = [&](int bar, int value, int, const std::string&) {
    if (bar == 2 && value == 0) {
      ui_->queueAnswer(ui::Answer::Yes);
      job_.StartOrStop();  // stop while the first index part is cut
    }
  };
  job_.StartOrStop();
  EXPECT_EQ(job_.result(), "0");
  const fs::path pieces = bookDir() / "File da 1 minuti";
  EXPECT_EQ(mp3Names(pieces).size(), 3u);  // the first part's pieces only
  const std::string index = readBytes(pieces / "marker.txt");
  EXPECT_NE(index.find("\r\n 3 \r\n001_001_p1_Prima parte,1,002_001_p1_Prima parte\r\n"), std::string::npos) << index;
  for (const std::string& text : messages()) EXPECT_EQ(text.find("Sono stati"), std::string::npos) << text;
  EXPECT_EQ(opened_, std::vector<std::string>{pieces.string()});
}

TEST_F(JobTest, CutByLengthOfASinglePartShowsNoughtThenAHundredPercent) {
  TestBook book;
  book.files = {{"LONG", {{"Tutto", 0, "1"}}}};
  makeBook(book, {"long"});
  job_.fields.cutByLength = true;
  job_.fields.partMinutes = "2,5";  // 2 min 30 s
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  std::vector<std::string> bar2;
  for (const Progress& p : progress_)
    if (p.bar == 2) bar2.push_back(p.percent);
  EXPECT_EQ(bar2, (std::vector<std::string>{"0%", "100%"}));
  const fs::path pieces = bookDir() / "File da 2,5 minuti";
  const std::vector<std::string> names = mp3Names(pieces);
  ASSERT_EQ(names.size(), 2u) << ::testing::PrintToString(names);
  // "2,5" reached the engine as 2 min 30 s (no pause lies near 150 s).
  EXPECT_NEAR(readWithMutagen((pieces / names[0]).string()).length, 150, 1);
}

// mp3splt reads "%" in its output pattern as the start of a variable and
// "+" as a blank: names that hold them are cut, and every piece is kept.
TEST_F(JobTest, NamesWithPercentAndPlusSignsAreCutAndKeepEveryPiece) {
  TestBook book;
  book.files = {{"Uno+Due 100%", {{"Parte A+B", 0, "1"}, {"Il 5% del libro", 158, "2"}}}};
  makeBook(book, {"long"});
  job_.fields.cutByLength = true;
  job_.fields.partMinutes = "1";
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  EXPECT_EQ(mp3Names(indexDir()), (std::vector<std::string>{"001_p1_Parte A+B.mp3", "002_p2_Il 5% del libro.mp3"}));
  EXPECT_EQ(
      mp3Names(bookDir() / "File da 1 minuti"),
      (std::vector<std::string>{"001_001_p1_Parte A+B.mp3", "002_001_p1_Parte A+B.mp3", "003_001_p1_Parte A+B.mp3",
                                "004_002_p2_Il 5% del libro.mp3", "005_002_p2_Il 5% del libro.mp3"}));
  EXPECT_EQ(job_.DurationFileCount(), 0);  // reset by the clean-up
  EXPECT_NE(messages().back().find("Sono stati creati 5 file totali"), std::string::npos) << messages().back();
}

// On a desktop with a decimal comma mp3splt would read the "off=0.5" of its
// silence settings as 0 and cut at the start of each pause, not amid it.
TEST_F(JobTest, CutByLengthCutsAmidThePausesOnAnItalianDesktop) {
  ASSERT_TRUE(testsupport::haveTool("localedef")) << "localedef is needed (Debian package libc-bin)";
  testsupport::TempFolder folder("lumo-splitter-engine-locale");
  const std::string locales = folder / "locales";
  std::filesystem::create_directory(locales);
  ASSERT_EQ(testsupport::runCommand("localedef -i it_IT -f UTF-8 '" + locales + "/it_IT.UTF-8' 2>&1"), 0)
      << "the Italian locale sources are needed (Debian package locales)";
  TestBook book;
  book.files = {{"LONG", {{"Tutto", 0, "1"}}}};  // pauses at 50-54 and 104-108 s
  makeBook(book, {"long"});
  job_.fields.cutByLength = true;
  job_.fields.partMinutes = "1";
  ::setenv("LOCPATH", locales.c_str(), 1);
  ::setenv("LC_ALL", "it_IT.UTF-8", 1);
  job_.StartOrStop();
  ::unsetenv("LC_ALL");
  ::unsetenv("LOCPATH");
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  const fs::path pieces = bookDir() / "File da 1 minuti";
  const std::vector<std::string> names = mp3Names(pieces);
  ASSERT_GE(names.size(), 3u) << ::testing::PrintToString(names);
  const double first = readWithMutagen((pieces / names[0]).string()).length;
  const double second = readWithMutagen((pieces / names[1]).string()).length;
  EXPECT_NEAR(first, 52, 1);
  EXPECT_NEAR(first + second, 106, 1);
}

// A book split before, picked again with its own new index and its parts'
// folder as the MP3 folder (to cut it by length, say), would be cut into the
// folder it is read from, whose MP3 files the job first deletes.
TEST_F(JobTest, ABookIsNeverCutIntoTheFolderItIsReadFrom) {
  makeBook(threeFileBook(), {"t40", "t12", "t30"});
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  const std::vector<std::string> parts = mp3Names(indexDir());
  ASSERT_EQ(parts.size(), 7u);
  for (bool byLength : {false, true}) {
    SCOPED_TRACE(byLength);
    job_.fields.indexPath = (indexDir() / "marker.txt").string();
    job_.fields.mp3Folder = indexDir().string() + "/";
    job_.fields.cutByLength = byLength;
    if (byLength) {
      // The pieces' own index and folder, picked again.
      job_.fields.indexPath = (bookDir() / "File da 5 minuti" / "marker.txt").string();
      job_.fields.mp3Folder = (bookDir() / "File da 5 minuti").string() + "/";
      fs::create_directories(bookDir() / "File da 5 minuti");
      for (const std::string& part : parts) fs::copy_file(indexDir() / part, bookDir() / "File da 5 minuti" / part);
      fs::copy_file(indexDir() / "marker.txt", bookDir() / "File da 5 minuti" / "marker.txt");
      fs::remove_all(indexDir());
    }
    const fs::path read = byLength ? bookDir() / "File da 5 minuti" : indexDir();
    ui_->clear();
    opened_.clear();
    ui_->queueAnswer(ui::Answer::Yes);
    job_.StartOrStop();
    EXPECT_EQ(job_.result(), "1");
    EXPECT_EQ(mp3Names(read), parts);
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages()[0], "La cartella dei file mp3 è quella in cui andrebbero scritti i file tagliati:\n" +
                                 read.string() + "\nScegliere un'altra cartella di esportazione.");
    EXPECT_TRUE(opened_.empty());
  }
}

TEST_F(JobTest, BookCodeAndTitleNeverLeadOutOfTheExportFolder) {
  TestBook book;
  book.code = "../..";
  book.title = "../Pinocchio: storia/di un burattino";
  book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}}}};
  makeBook(book, {"t12"});
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  const fs::path folder = bookDir("(.._..) ---Pinocchio- storia-di un burattino");
  EXPECT_EQ(job_.BookDir(), folder.string());
  EXPECT_EQ(mp3Names(folder / "File per indice"), std::vector<std::string>{"001_p1_Capitolo primo.mp3"});
  // The new index keeps the book's own title.
  EXPECT_TRUE(readBytes(folder / "File per indice" / "marker.txt")
                  .starts_with("../..\r\nCarlo Collodi\r\n../Pinocchio: storia/di un burattino\r\n"));
}

// The cut by length goes over the index parts of this job only, also after
// an earlier job of the same window listed more of them.
// An index that lists no file (a damaged or foreign marker.txt) is no
// book: it is refused, and no folder is made for it, also after a book.
TEST_F(JobTest, AnIndexWithoutFilesIsRefusedAndNothingIsWritten) {
  TestBook book;
  book.files = {{"CAP1", {{"Uno", 0, "1"}, {"Due", 5, "2"}}}};
  makeBook(book, {"t12"});
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  struct Case {
    const char* what;
    std::string content;
  };
  std::string noise(3000, '\0');
  uint32_t state = 12345;
  for (char& c : noise) c = static_cast<char>((state = state * 1103515245 + 12345) >> 16);
  TestBook empty;
  empty.code = "LB002";
  const Case cases[] = {{"a book with no files", ""}, {"3000 random bytes", noise}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.content.empty())
      writeIndex(empty, dir_ / "book" / "marker.txt");
    else
      std::ofstream(dir_ / "book" / "marker.txt", std::ios::binary | std::ios::trunc) << c.content;
    job_.fields.cutByLength = true;
    ui_->clear();
    opened_.clear();
    job_.StartOrStop();
    EXPECT_EQ(job_.result(), "1");
    EXPECT_EQ(messages(), std::vector<std::string>{"Il file indice\n" + job_.fields.indexPath +
                                                   "\nnon descrive alcun libro: non contiene l'elenco dei file mp3 "
                                                   "da tagliare."});
    std::vector<std::string> folders;
    for (const auto& entry : fs::directory_iterator(dir_ / "export" / "MyLUMO"))
      folders.push_back(entry.path().filename().string());
    EXPECT_EQ(folders, std::vector<std::string>{"(LB001) Pinocchio"});
    EXPECT_TRUE(opened_.empty());
  }
}

TEST(SplitRules, ContinuationsAndChannelModes) {
  SplitJob job;
  for (const char* d : {"Cassetta 2", "FILE 3", "Segue", "inizio lato B", "si continua", "CaSsEtTa"})
    EXPECT_TRUE(job.IsContinuation(d)) << d;
  for (const char* d : {"Continua", "Capitolo", "cassett", "Fil"}) EXPECT_FALSE(job.IsContinuation(d)) << d;

  EXPECT_EQ(ChannelMode(0), "Stereo");
  EXPECT_EQ(ChannelMode(1), "Joint Stereo");
  EXPECT_EQ(ChannelMode(2), "Dual channel");
  EXPECT_EQ(ChannelMode(3), "Mono");
  EXPECT_THROW(ChannelMode(4), RuntimeError);
}

}  // namespace
}  // namespace lumo::splitter::testing
