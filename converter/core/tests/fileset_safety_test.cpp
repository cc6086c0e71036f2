// A conversion replaces the previous fileset whole or leaves it as it was:
// failures midway, the producer's own files beside the fileset, what a
// crash left behind, and texts that a player reading ISO-8859-1 must show.

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "converter/core/staging.h"
#include "converter/core/tests/converter_fixture.h"

namespace fs = std::filesystem;
using namespace lumo::converter;
using namespace lumo::converter::testing;
using lumo::ui::Answer;

namespace {

TestBook fourGroups() {
  TestBook b;
  b.files = {{"01", 30, {{"Capitolo primo", 0, "1"}, {"Capitolo secondo", 10, "2"}}},
             {"02", 20, {{"Capitolo terzo", 0, "3"}}},
             {"03", 15, {{"Capitolo quarto", 0, "4"}}}};
  return b;
}

// Every entry under a folder by its path there: a file's bytes, "<dir>" for a folder.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    entries[fs::relative(e.path(), folder).string()] = e.is_directory() ? "<dir>" : lumo::text::readFileBytes(e.path());
  return entries;
}

std::vector<std::string> hiddenEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename().string().starts_with(".")) names.push_back(e.path().filename().string());
  return names;
}

// Files this process writes may not grow past `bytes` while it lives: a
// write beyond fails (EFBIG) as it does on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &previous_);
    previousHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  sighandler_t previousHandler_;
};

}  // namespace

TEST_F(ConverterFixture, AFailedConversionLeavesThePreviousFilesetAsItWas) {
  write(fourGroups());
  ASSERT_EQ(convert(), RunOutcome::Completed);
  const fs::path B = conversion.bookFolder();
  const std::string S = conversion.filesetFolder();
  const auto before = snapshot(B);
  ASSERT_EQ(before.count("LB001/clp000004.smil"), 1u);

  struct Case {
    const char* what;
    Answer answer;      // to "File mp3 esistenti"
    rlim_t sizeLimit;   // 0: none
    bool removeSecond;  // 02.mp3 missing in the source
    RunOutcome outcome;
    std::string lastMessage;  // its start
  } const cases[] = {
      {"an MP3 file missing midway", Answer::Yes, 0, true, RunOutcome::Stopped,
       "Path del file mp3 in esame non trovato!"},
      {"the copy of the audio fails", Answer::Yes, 100000, false, RunOutcome::Stopped,
       "Non è stato possibile copiare i file mp3 nella cartella:\n" + S},
      {"a file of the fileset cannot be written", Answer::No, 2000, false, RunOutcome::Failed,
       "La conversione non è stata completata.\nErrore 75: "},
  };
  for (const Case& c : cases) {
    fs::remove_all(root / "book");
    write(fourGroups());
    writeMp3(root / "book" / "Libro" / "01.mp3", 31);  // the source changed since
    if (c.removeSecond) fs::remove(root / "book" / "Libro" / "02.mp3");
    script->clear();
    script->queueAnswer(c.answer);
    RunOutcome outcome;
    {
      std::unique_ptr<FileSizeLimit> limit;
      if (c.sizeLimit) limit = std::make_unique<FileSizeLimit>(c.sizeLimit);
      outcome = convert();
    }
    EXPECT_EQ(outcome, c.outcome) << c.what;
    ASSERT_FALSE(texts().empty()) << c.what;
    EXPECT_EQ(texts().front(), "La cartella contiene già file mp3.\nÉ necessario ricopiarli?") << c.what;
    EXPECT_TRUE(texts().back().starts_with(c.lastMessage)) << c.what << ": " << texts().back();
    EXPECT_EQ(ended, 1) << c.what;
    EXPECT_TRUE(snapshot(B) == before) << c.what << ": the previous fileset changed";
    EXPECT_EQ(hiddenEntries(B), std::vector<std::string>{}) << c.what;
  }
}

TEST_F(ConverterFixture, ASuccessfulConversionReplacesTheFilesetWhole) {
  for (const bool exchange : {true, false}) {
    SCOPED_TRACE(exchange ? "the file system exchanges folders" : "the file system cannot exchange folders");
    const bool previous = setExchangeUnavailableForTesting(!exchange);
    fs::remove_all(root / "book");
    fs::remove_all(root / "docs");
    write(fourGroups());
    script->clear();
    ASSERT_EQ(convert(), RunOutcome::Completed);
    const fs::path B = conversion.bookFolder();
    const fs::path S = conversion.filesetFolder();
    // The producer's own files beside and inside the fileset.
    std::ofstream(B / "leggimi.txt") << "note";
    std::ofstream(S / "nota.txt") << "nota";
    fs::create_directories(S / "copertina");
    std::ofstream(S / "copertina" / "fronte.jpg") << "jpg";

    TestBook shorter;
    shorter.files = {{"01", 12, {{"Prologo", 0, "1"}, {"Capitolo unico", 5, "2"}}}};
    fs::remove_all(root / "book");
    write(shorter);
    script->clear();
    script->queueAnswer(Answer::Yes);
    ASSERT_EQ(convert(), RunOutcome::Completed) << ::testing::PrintToString(texts());
    setExchangeUnavailableForTesting(previous);

    std::map<std::string, std::string> expected = {
        {"discinfo.html", lumo::text::readFileBytes(B / "discinfo.html")},
        {"leggimi.txt", "note"},
        {"LB001", "<dir>"},
        {"LB001/01.mp3", lumo::text::readFileBytes(root / "book" / "Libro" / "01.mp3")},
        {"LB001/clp000001.smil", lumo::text::readFileBytes(S / "clp000001.smil")},
        {"LB001/clp000002.smil", lumo::text::readFileBytes(S / "clp000002.smil")},
        {"LB001/ncc.html", lumo::text::readFileBytes(S / "ncc.html")},
        {"LB001/nota.txt", "nota"},
        {"LB001/copertina", "<dir>"},
        {"LB001/copertina/fronte.jpg", "jpg"},
    };
    EXPECT_EQ(snapshot(B), expected) << "the old SMIL files and audio are gone, the producer's files stay";
    EXPECT_NE(expected["LB001/ncc.html"].find("Capitolo unico"), std::string::npos);
    EXPECT_NE(expected["discinfo.html"].find("./LB001/ncc.html"), std::string::npos);
  }
}

TEST_F(ConverterFixture, WhatAnInterruptedConversionLeftIsClearedByTheNext) {
  write(fourGroups());
  ASSERT_EQ(convert(), RunOutcome::Completed);
  const fs::path B = conversion.bookFolder();
  const fs::path S = conversion.filesetFolder();
  const auto before = snapshot(B);

  // Stopped before it was put in place: a new fileset, half written.
  fs::create_directories(B / ".lumo-new-aaaaaa");
  std::ofstream(B / ".lumo-new-aaaaaa" / "clp000001.smil") << "<smil>";
  // Put in place, but the previous fileset, swapped out, still holds a
  // folder of the producer's that had not moved over yet.
  fs::create_directories(B / ".lumo-new-bbbbbb" / "copertina");
  std::ofstream(B / ".lumo-new-bbbbbb" / "copertina" / "fronte.jpg") << "jpg";
  std::ofstream(B / ".lumo-new-bbbbbb" / "01.mp3") << "old audio";
  script->clear();
  script->queueAnswer(Answer::Yes);
  ASSERT_EQ(convert(), RunOutcome::Completed);
  EXPECT_EQ(hiddenEntries(B), std::vector<std::string>{});
  EXPECT_EQ(lumo::text::readFileBytes(S / "copertina" / "fronte.jpg"), "jpg");
  EXPECT_EQ(fs::file_size(S / "01.mp3"), 30u * 16000);

  // Where the file system cannot exchange two folders, the previous fileset
  // steps aside before the new one takes its name: a crash in between leaves
  // no fileset, and the next conversion, failing, puts the previous one back.
  fs::remove_all(S / "copertina");
  const auto whole = snapshot(B);
  fs::rename(S, B / ".lumo-old-cccccc");
  fs::remove(root / "book" / "Libro" / "03.mp3");
  script->clear();
  script->queueAnswer(Answer::Yes);
  EXPECT_EQ(convert(), RunOutcome::Stopped);
  EXPECT_TRUE(snapshot(B) == whole);
  EXPECT_EQ(before.size(), whole.size());
}

TEST_F(ConverterFixture, AFailedCopyNamesTheFileAndItsCause) {
  struct Case {
    const char* what;
    int fault;         // injected into the copy of 02.mp3; 0: none
    rlim_t sizeLimit;  // 0: none
    std::string file;
    std::string cause;
  } const cases[] = {
      {"a full disk", ENOSPC, 0, "02.mp3", "disco pieno"},
      {"a quota used up", EDQUOT, 0, "02.mp3", "disco pieno"},
      {"a file larger than the file system takes", 0, 100000, "01.mp3", "file troppo grande"},
      {"a failing disk", EIO, 0, "02.mp3", "errore del disco"},
  };
  for (const Case& c : cases) {
    fs::remove_all(root / "book");
    fs::remove_all(root / "docs" / "MyLUMO");
    write(fourGroups());
    script->clear();
    const CopyFaultHook previous = setCopyFaultForTesting(
        [&](const std::string& file) { return fs::path(file).filename() == "02.mp3" ? c.fault : 0; });
    RunOutcome outcome;
    {
      std::unique_ptr<FileSizeLimit> limit;
      if (c.sizeLimit) limit = std::make_unique<FileSizeLimit>(c.sizeLimit);
      outcome = convert();
    }
    setCopyFaultForTesting(previous);
    EXPECT_EQ(outcome, RunOutcome::Stopped) << c.what;
    EXPECT_EQ(texts(),
              std::vector<std::string>{"Non è stato possibile copiare i file mp3 nella cartella:\n" +
                                       conversion.filesetFolder() + "\n" + request.mp3Folder + c.file + ": " + c.cause})
        << c.what;
    EXPECT_FALSE(fs::exists(root / "docs" / "MyLUMO")) << c.what << ": nothing is left behind";
  }
}

// The audio is copied while the files are measured: the copy's progress
// still names each file once and in order, then its end; a failed copy is
// still what the run reports, also when a file measured before it fails.
TEST_F(ConverterFixture, TheCopyBesideTheMeasureReportsAsACopyFirst) {
  write(fourGroups());
  std::vector<std::string> steps;
  RunHooks hooks;
  hooks.copyProgress = [&](const lumo::tools::CopyProgress& p) {
    std::string step = p.finished ? std::string("end") : p.file;
    step.append(1, ' ').append(std::to_string(p.fileIndex)).append(1, '/').append(std::to_string(p.fileCount));
    steps.push_back(step);
  };
  ASSERT_EQ(conversion.Converti(request, hooks), RunOutcome::Completed);
  EXPECT_EQ(steps, (std::vector<std::string>{"01.mp3 1/3", "02.mp3 2/3", "03.mp3 3/3", "end 3/3"}));
  for (const char* name : {"01.mp3", "02.mp3", "03.mp3"})
    EXPECT_EQ(lumo::text::readFileBytes(fs::path(conversion.filesetFolder()) / name),
              lumo::text::readFileBytes(root / "book" / "Libro" / name))
        << name;

  // 01.mp3 holds no audio, and the copy of the last file fails.
  fs::remove_all(root / "docs" / "MyLUMO");
  std::ofstream(root / "book" / "Libro" / "01.mp3", std::ios::binary) << std::string(5000, 'x');
  script->clear();
  steps.clear();
  const CopyFaultHook previous = setCopyFaultForTesting(
      [](const std::string& file) { return fs::path(file).filename() == "03.mp3" ? ENOSPC : 0; });
  const RunOutcome outcome = conversion.Converti(request, hooks);
  setCopyFaultForTesting(previous);
  EXPECT_EQ(outcome, RunOutcome::Stopped);
  EXPECT_EQ(texts(),
            std::vector<std::string>{"Non è stato possibile copiare i file mp3 nella cartella:\n" +
                                     conversion.filesetFolder() + "\n" + request.mp3Folder + "03.mp3: disco pieno"});
  EXPECT_EQ(steps, (std::vector<std::string>{"01.mp3 1/3", "02.mp3 2/3", "03.mp3 3/3"})) << "no end after a failure";
  EXPECT_FALSE(fs::exists(root / "docs" / "MyLUMO")) << "nothing is left behind";

  // Without the failed copy the damaged file is named, as before.
  script->clear();
  EXPECT_EQ(conversion.Converti(request, hooks), RunOutcome::Stopped);
  EXPECT_EQ(texts(),
            std::vector<std::string>{"Path: " + request.mp3Folder +
                                     "01.mp3\nFile mp3 danneggiato o vuoto: non contiene audio riproducibile."});
  EXPECT_FALSE(fs::exists(root / "docs" / "MyLUMO")) << "nothing is left behind";
}

// A staged fileset given up while its audio is still being copied stops the
// copy and leaves nothing of it behind.
TEST(StagedFilesetCopy, GivenUpMidCopyLeavesNothing) {
  lumo::testsupport::TempFolder temp{"lumo-stage"};
  const fs::path sources = temp.path() / "sources", book = temp.path() / "book";
  fs::create_directories(sources);
  fs::create_directories(book);
  std::vector<std::string> files;
  for (int f = 0; f < 200; ++f) {
    char name[16];
    std::snprintf(name, sizeof name, "f%03d.mp3", f);
    files.push_back((sources / name).string());
    std::ofstream(files.back(), std::ios::binary) << std::string(64 * 1024, static_cast<char>(f));
  }
  for (const bool wait : {false, true}) {
    {
      StagedFileset stage((book / "CODE").string(), book.string());
      stage.beginCopyAudio(files);
      if (wait) {
        int reported = 0;
        EXPECT_TRUE(stage.endCopyAudio([&](const lumo::tools::CopyProgress& p) { reported += p.finished ? 0 : 1; }));
        EXPECT_EQ(reported, 200);
      }
    }
    EXPECT_TRUE(fs::is_empty(book)) << (wait ? "after the copy" : "during the copy");
  }
}

TEST_F(ConverterFixture, TheFilesetTakesTheModeTheUsersUmaskGives) {
  write(fourGroups());
  for (const mode_t mask : {mode_t{022}, mode_t{027}, mode_t{002}}) {
    SCOPED_TRACE(mask);
    fs::remove_all(root / "docs" / "MyLUMO");
    script->clear();
    const mode_t previous = ::umask(mask);
    // The first conversion puts the folder in place by a rename, the second
    // by an exchange with the first.
    const RunOutcome first = convert();
    script->queueAnswer(Answer::Yes);
    const RunOutcome second = convert();
    ::umask(previous);
    ASSERT_EQ(first, RunOutcome::Completed);
    ASSERT_EQ(second, RunOutcome::Completed);
    const auto modeOf = [](const fs::path& path) {
      struct stat st {};
      ::stat(path.c_str(), &st);
      return st.st_mode & 07777;
    };
    EXPECT_EQ(modeOf(conversion.filesetFolder()), 0777 & ~mask);
    EXPECT_EQ(modeOf(fs::path(conversion.filesetFolder()) / "ncc.html"), 0666 & ~mask);
    EXPECT_EQ(modeOf(fs::path(conversion.bookFolder()) / "discinfo.html"), 0666 & ~mask);
  }
}

// Where the file system cannot exchange two folders and the new fileset
// cannot take the fileset folder's name once the previous one has stepped
// aside (here its hidden folder is gone at that moment), the previous
// fileset goes back under its name, byte for byte, and the conversion fails.
TEST_F(ConverterFixture, AFailedSwapPutsThePreviousFilesetBackWhole) {
  const bool previousExchange = setExchangeUnavailableForTesting(true);
  write(fourGroups());
  ASSERT_EQ(convert(), RunOutcome::Completed);
  const fs::path B = conversion.bookFolder();
  const fs::path S = conversion.filesetFolder();
  std::ofstream(S / "nota.txt") << "nota";
  const auto before = snapshot(B);
  TestBook shorter;
  shorter.files = {{"01", 12, {{"Prologo", 0, "1"}, {"Capitolo unico", 5, "2"}}}};
  fs::remove_all(root / "book");
  write(shorter);
  script->clear();
  script->queueAnswer(Answer::Yes);
  const fs::path away = root / "taken away";
  setCommitStepHookForTesting([&](CommitStep step) {
    if (step != CommitStep::AsideOnly) return;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(B, ec))
      if (e.is_directory() && e.path().filename().string().starts_with(".lumo-new-")) fs::rename(e.path(), away, ec);
  });
  const RunOutcome outcome = convert();
  setCommitStepHookForTesting({});
  setExchangeUnavailableForTesting(previousExchange);
  ASSERT_TRUE(fs::exists(away)) << "the swap did not fail";
  EXPECT_EQ(outcome, RunOutcome::Failed);
  ASSERT_FALSE(texts().empty());
  EXPECT_TRUE(texts().back().starts_with("La conversione non è stata completata.\nErrore 75: ")) << texts().back();
  EXPECT_TRUE(snapshot(B) == before) << "the previous fileset is not back as it was";
  EXPECT_EQ(hiddenEntries(B), std::vector<std::string>{});
}

// A conversion killed at each step of putting its fileset in place (the
// process ends there, as by kill -9: nothing of it runs on) leaves the
// fileset folder holding the previous fileset or the new one, whole and
// nothing more; the next conversion clears what lies beside it.
TEST_F(ConverterFixture, AKillAtAnyStepLeavesThePreviousFilesetOrTheNewWhole) {
  // The rename helper of a file system without exchange outlives the
  // conversion killed while it works: it becomes this process's child, to
  // be waited for.
  ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  TestBook shorter;
  shorter.files = {{"01", 12, {{"Prologo", 0, "1"}, {"Capitolo unico", 5, "2"}}}};
  const fs::path B = root / "docs" / "MyLUMO" / "DAISY" / "(LB001) Pinocchio";
  const fs::path S = B / "LB001";
  // The previous fileset, with a file of the producer's in it.
  const auto convertPrevious = [&] {
    fs::remove_all(root / "docs" / "MyLUMO");
    fs::remove_all(root / "book");
    write(fourGroups());
    script->clear();
    ASSERT_EQ(convert(), RunOutcome::Completed);
    std::ofstream(S / "nota.txt") << "nota";
    fs::remove_all(root / "book");
    write(shorter);
  };
  const auto visible = [](const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
      if (!e.path().filename().string().starts_with(".")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const std::vector<std::string> bookEntries{"LB001", "discinfo.html"};

  for (const bool exchange : {true, false}) {
    SCOPED_TRACE(exchange ? "the file system exchanges folders" : "the file system cannot exchange folders");
    const bool previousExchange = setExchangeUnavailableForTesting(!exchange);
    convertPrevious();
    const auto previous = snapshot(S);
    script->clear();
    script->queueAnswer(Answer::Yes);
    ASSERT_EQ(convert(), RunOutcome::Completed);
    const auto next = snapshot(S);
    ASSERT_NE(previous, next);
    ASSERT_EQ(next.count("nota.txt"), 1u);

    for (const CommitStep step :
         {CommitStep::Carried, CommitStep::AsideOnly, CommitStep::InPlace, CommitStep::DiscinfoPlaced}) {
      if (exchange && step == CommitStep::AsideOnly) continue;  // no such step
      SCOPED_TRACE(static_cast<int>(step));
      convertPrevious();
      ASSERT_EQ(snapshot(S), previous);
      script->clear();
      script->queueAnswer(Answer::Yes);
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        const pid_t converter = ::getpid();
        setCommitStepHookForTesting([step, converter](CommitStep reached) {
          if (reached != step) return;
          if (::getpid() != converter)
            ::kill(converter, SIGKILL);  // the conversion, while its helper renames
          else
            ::_exit(0);
        });
        convert();
        ::_exit(1);  // the step was never reached
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "the step was never reached";
      while (::waitpid(-1, nullptr, 0) > 0) {
      }
      const auto after = fs::exists(S) ? snapshot(S) : std::map<std::string, std::string>{{"<no fileset>", ""}};
      EXPECT_TRUE(after == previous || after == next) << ::testing::PrintToString(after);
      EXPECT_TRUE(after == (step == CommitStep::Carried ? previous : next)) << "where it stands at this step";
      EXPECT_EQ(visible(B), bookEntries);

      // The next conversion clears what the killed one left.
      script->clear();
      script->queueAnswer(Answer::Yes);
      ASSERT_EQ(convert(), RunOutcome::Completed);
      EXPECT_EQ(snapshot(S), next);
      EXPECT_EQ(hiddenEntries(B), std::vector<std::string>{});
      EXPECT_EQ(visible(B), bookEntries);
    }
    setExchangeUnavailableForTesting(previousExchange);
  }
  ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

namespace {

// The text of every element with the given name, in document order.
void collect(xmlNode* node, const char* name, std::vector<std::string>& out) {
  for (; node; node = node->next) {
    if (node->type == XML_ELEMENT_NODE && xmlStrcmp(node->name, BAD_CAST name) == 0) {
      xmlChar* content = xmlNodeGetContent(node);
      out.emplace_back(reinterpret_cast<const char*>(content));
      xmlFree(content);
    }
    collect(node->children, name, out);
  }
}

// The attribute `content` of every meta element named `meta`.
std::string metaContent(xmlNode* node, const char* meta) {
  for (; node; node = node->next) {
    if (node->type == XML_ELEMENT_NODE && xmlStrcmp(node->name, BAD_CAST "meta") == 0) {
      xmlChar* name = xmlGetProp(node, BAD_CAST "name");
      const bool match = name && xmlStrcmp(name, BAD_CAST meta) == 0;
      xmlFree(name);
      if (match) {
        xmlChar* content = xmlGetProp(node, BAD_CAST "content");
        std::string value(reinterpret_cast<const char*>(content));
        xmlFree(content);
        return value;
      }
    }
    if (std::string found = metaContent(node->children, meta); !found.empty()) return found;
  }
  return {};
}

// A file as a player reads it that takes every file for ISO-8859-1.
xmlDocPtr readAsLatin1(const fs::path& file) {
  const std::string bytes = lumo::text::readFileBytes(file);
  return xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), file.c_str(), "ISO-8859-1", XML_PARSE_NONET);
}

}  // namespace

TEST_F(ConverterFixture, TextsBeyondLatin1ReadRightToAnIso88591Reader) {
  TestBook b;
  b.title = "Attese… e conti in €";
  b.files = {{"01", 30, {{"Prologo", 0, "1"}, {"… una pausa", 10, "2"}}},
             {"02", 20, {{"Epilogo € fine", 0, "3"}, {"Œuvre “citata” è qui", 5, "4"}}}};
  write(b);
  ASSERT_EQ(convert(), RunOutcome::Completed) << ::testing::PrintToString(texts());
  const fs::path S = conversion.filesetFolder();
  const std::vector<fs::path> files = {S / "ncc.html", S / "clp000002.smil", S / "clp000003.smil",
                                       fs::path(conversion.bookFolder()) / "discinfo.html"};
  for (const fs::path& file : files)
    for (const unsigned char byte : lumo::text::readFileBytes(file))
      ASSERT_FALSE(byte >= 0x80 && byte < 0xA0) << "a byte ISO-8859-1 reads as a control character in " << file;

  xmlDocPtr ncc = readAsLatin1(S / "ncc.html");
  ASSERT_NE(ncc, nullptr);
  std::vector<std::string> titles, headings;
  collect(xmlDocGetRootElement(ncc), "title", titles);
  collect(xmlDocGetRootElement(ncc), "h1", headings);
  collect(xmlDocGetRootElement(ncc), "h2", headings);
  EXPECT_EQ(titles, std::vector<std::string>{"Attese… e conti in €"});
  EXPECT_EQ(metaContent(xmlDocGetRootElement(ncc), "dc:title"), "Attese… e conti in €");
  EXPECT_EQ(headings, (std::vector<std::string>{"Prologo", "Epilogo € fine", "Œuvre “citata” è qui", "… una pausa"}));
  xmlFreeDoc(ncc);

  for (const auto& [smil, heading] :
       {std::pair{"clp000002.smil", "… una pausa"}, {"clp000003.smil", "Epilogo € fine"}}) {
    xmlDocPtr doc = readAsLatin1(S / smil);
    ASSERT_NE(doc, nullptr) << smil;
    EXPECT_EQ(metaContent(xmlDocGetRootElement(doc), "title"), heading) << smil;
    xmlFreeDoc(doc);
  }
  xmlDocPtr discinfo = readAsLatin1(files.back());
  ASSERT_NE(discinfo, nullptr);
  std::vector<std::string> links;
  collect(xmlDocGetRootElement(discinfo), "a", links);
  EXPECT_EQ(links, std::vector<std::string>{"Attese… e conti in €"});
  xmlFreeDoc(discinfo);
  // The report stays windows-1252 text as it was.
  EXPECT_NE(lumo::text::readFileBytes(root / "prog" / "lumodaisylog.html").find("Attese\x85 e conti in \x80"),
            std::string::npos);
}
