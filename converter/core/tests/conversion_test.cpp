// Whole conversions of small books: the table, the summary, the folders,
// the copy of the audio and the ways a run ends.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "converter/core/tests/converter_fixture.h"

namespace fs = std::filesystem;
using namespace lumo::converter;
using namespace lumo::converter::testing;
using lumo::ui::Answer;

namespace {

// Five files: levels by every rule, an empty file, pages normal and special.
TestBook levelsBook() {
  TestBook b;
  b.files = {
      {"01", 30, {{"Segue: Capitolo primo", 0, "1"}, {"Par. 1.1", 10, " 2 "}, {"Capitolo 1.0 fine", 20, "3"}}},
      {"02", 20, {{"Seguente", 0, "4"}, {"Capitolo secondo", 5, "iv"}}},
      {"03", 15, {{"  CAPITOLO SECONDO ", 0, "4"}}},
      {"04", 10, {}},
      {"05", 12, {{"capitolo secondo", 0, "5"}}},
  };
  return b;
}

std::vector<std::string> row(const ConversionTable& t, int r) {
  std::vector<std::string> cells;
  for (int c = 0; c < ColumnCount; ++c) cells.push_back(t.cell(r, c));
  return cells;
}

using Row = std::vector<std::string>;

}  // namespace

TEST_F(ConverterFixture, BuildsTheTableOfABook) {
  write(levelsBook());
  ASSERT_EQ(convert(), RunOutcome::Completed) << ::testing::PrintToString(texts());
  const ConversionTable& t = conversion.table();
  ASSERT_EQ(t.rowCount(), 7);
  EXPECT_EQ(row(t, 1), (Row{"1", "Segue: Capitolo primo", "0", "10", "1", "01", "1", "10", "0"}))
      << "the first marker of file 1 is never a continuation";
  EXPECT_EQ(row(t, 2), (Row{"2", "Par. 1.1", "10", "20", "2", "01", "1", "10", "10"}));
  EXPECT_EQ(row(t, 3), (Row{"1", "Capitolo 1.0 fine", "20", "30", "3", "01", "2", "15", "20"}))
      << "a point before 0 is no numbering; the last marker ends at the file's end";
  EXPECT_EQ(row(t, 4), (Row{"0", "Seguente", "0", "5", "4", "02", "", "", ""}));
  EXPECT_EQ(row(t, 5), (Row{"1", "Capitolo secondo", "5", "20", "iv", "02", "3", "42", "35"}));
  EXPECT_EQ(row(t, 6), (Row{"0", "  CAPITOLO SECONDO ", "0", "15", "4s", "03", "", "", ""}))
      << "equal to the last heading of file 2 apart from case and blanks";
  EXPECT_EQ(row(t, 7), (Row{"0", "capitolo secondo", "0", "12", "5", "05", "", "", ""}))
      << "a file without markers passes the last heading on";

  const Summary& s = conversion.summary();
  EXPECT_EQ(s.Text1, "5");
  EXPECT_EQ(s.Text2, "77");
  EXPECT_EQ(s.Text3, "1359") << "87 s of audio at 16000 bytes a second, in kB";
  EXPECT_EQ(s.Text4, "2");
  EXPECT_EQ(s.Text5, "2");
  EXPECT_EQ(conversion.maxPageNormal(), 5);

  const fs::path B = root / "docs" / "MyLUMO" / "DAISY" / "(LB001) Pinocchio";
  EXPECT_EQ(conversion.bookFolder(), B.string());
  EXPECT_TRUE(fs::exists(B / "discinfo.html"));
  for (const char* f : {"ncc.html", "clp000001.smil", "clp000004.smil", "01.mp3", "05.mp3"})
    EXPECT_TRUE(fs::exists(B / "LB001" / f)) << f;
  EXPECT_FALSE(fs::exists(B / "LB001" / "clp000005.smil"));
  EXPECT_TRUE(fs::exists(root / "prog" / "lumodaisylog.html"));

  EXPECT_EQ(begun, 1);
  EXPECT_EQ(ended, 1);
  ASSERT_EQ(texts().size(), 1u);
  EXPECT_EQ(texts()[0],
            "Conversione completata.\nPuoi vedere l'esito della conversione in questa cartella:\n" + B.string());
  EXPECT_EQ(script->shown()[0].icon(), lumo::ui::mb::Information);
  EXPECT_TRUE(opened.empty()) << "Check1 off: the folder is not opened";
}

TEST_F(ConverterFixture, OnePagePerFileNumbersTheFiles) {
  TestBook b;
  b.files = {{"a", 10, {{"Uno", 0, "77"}, {"Due", 4, "78"}}},
             {"b", 10, {{"Segue", 0, "79"}}},
             {"c", 10, {{"Tre", 0, ""}, {"Quattro", 5, "x"}}}};
  write(b);
  request.onePagePerFile = true;
  request.openWhenDone = true;
  ASSERT_EQ(convert(), RunOutcome::Completed);
  std::vector<std::string> pages;
  for (int r = 1; r <= conversion.table().rowCount(); ++r) pages.push_back(conversion.table().cell(r, Pagina));
  EXPECT_EQ(pages, (std::vector<std::string>{"1", "", "2", "3", ""}));
  EXPECT_EQ(conversion.summary().Text1, "3");
  EXPECT_EQ(conversion.summary().Text4, "0");
  EXPECT_EQ(opened, std::vector<std::string>{conversion.bookFolder()}) << "Check1 on opens the book folder";
}

TEST_F(ConverterFixture, EqualHeadingsWithQuotesStillContinue) {
  TestBook b;
  b.files = {{"a", 5, {{"Capitolo \"Uno\"", 0, "1"}}}, {"b", 5, {{"capitolo \"uno\"", 0, "2"}}}};
  write(b);
  ASSERT_EQ(convert(), RunOutcome::Completed);
  EXPECT_EQ(conversion.table().cell(1, Descrizione), "Capitolo &quot;Uno&quot;");
  EXPECT_EQ(conversion.table().cell(2, Livello), "0");
}

TEST_F(ConverterFixture, AnotherBookNeverContinuesTheBookBefore) {
  TestBook first;
  first.files = {{"a", 5, {{"Epilogo", 0, "1"}}}};
  write(first);
  ASSERT_EQ(convert(), RunOutcome::Completed);
  TestBook second;
  second.code = "LB002";
  second.files = {{"x", 5, {}}, {"y", 5, {{"Epilogo", 0, "1"}}}};
  fs::remove_all(root / "book");
  write(second);
  ASSERT_EQ(convert(), RunOutcome::Completed);
  EXPECT_EQ(conversion.table().cell(1, Livello), "1");
}

TEST_F(ConverterFixture, MissingAudioStopsTheRunWithItsMessages) {
  write(levelsBook());
  fs::remove(root / "book" / "Libro" / "02.mp3");
  EXPECT_EQ(convert(), RunOutcome::Stopped);
  const std::string P = request.mp3Folder + "02.mp3";
  EXPECT_EQ(texts(), (std::vector<std::string>{"Path: " + P + "\nFile mp3 non trovato!",
                                               "Path del file mp3 in esame non trovato!"}));
  for (const auto& m : script->shown()) EXPECT_EQ(m.icon(), lumo::ui::mb::Critical);
  EXPECT_EQ(ended, 1) << "the progress window closes and the main window comes back";
  EXPECT_EQ(conversion.table().rowCount(), 3) << "the rows made so far stay";
  const fs::path B = root / "docs" / "MyLUMO" / "DAISY" / "(LB001) Pinocchio";
  EXPECT_FALSE(fs::exists(B / "LB001")) << "no half fileset, not even its audio";
  EXPECT_FALSE(fs::exists(root / "docs" / "MyLUMO")) << "nor the folders made for it";
  EXPECT_FALSE(fs::exists(root / "prog" / "lumodaisylog.html"));
}

TEST_F(ConverterFixture, WhatHoldsNoBookOrNoAudioIsRefusedWithNothingWritten) {
  std::mt19937 random(32);
  const auto randomBytes = [&](size_t n) {
    std::string bytes;
    for (size_t i = 0; i < n; ++i) bytes += static_cast<char>(random() & 0xFF);
    return bytes;
  };
  const fs::path index = root / "book" / "marker.txt";
  const auto indexOf = [&](const std::string& bytes) {
    return [&index, bytes] { std::ofstream(index, std::ios::binary | std::ios::trunc) << bytes; };
  };
  const auto cutAudio = [&](uintmax_t size) {
    return [this, size] { fs::resize_file(root / "book" / "Libro" / "01.mp3", size); };
  };
  const std::string noBook = "Il file indice\n" + request.indexPath +
                             "\nnon descrive alcun libro: non contiene l'elenco dei file mp3 da convertire.";
  const std::string damaged =
      "Path: " + request.mp3Folder + "01.mp3\nFile mp3 danneggiato o vuoto: non contiene audio riproducibile.";
  const std::string header = "LB001\r\nCollodi\r\nPinocchio\r\nBemporad\r\nFirenze 1883\r\nLettore\r\n";
  struct Case {
    const char* what;
    std::function<void()> damage;
    RunOutcome outcome;
    std::string message;
  } const cases[] = {
      {"4,096 random bytes", indexOf(randomBytes(4096)), RunOutcome::Stopped, noBook},
      {"a header and 2,000 random bytes", indexOf(header + randomBytes(2000)), RunOutcome::Stopped, noBook},
      {"an empty index", indexOf(""), RunOutcome::Stopped, noBook},
      {"an index cut within its header", indexOf("LB001\r\nCollodi\r\n"), RunOutcome::Stopped, noBook},
      {"a book of no files", indexOf(header + " 0 \r\n"), RunOutcome::Stopped, noBook},
      {"an index cut short after its first file", indexOf(header + " 2 \r\n01,1,02\r\nCapitolo\r\n0,1\r\n"),
       RunOutcome::Failed,
       "La conversione non è stata completata.\nErrore 62: Input oltre la fine del file: " + request.indexPath},
      {"an MP3 file cut to 1,000 bytes", cutAudio(1000), RunOutcome::Stopped, damaged},
      {"an empty MP3 file", cutAudio(0), RunOutcome::Stopped, damaged},
  };
  for (const Case& c : cases) {
    fs::remove_all(root / "book");
    fs::remove_all(root / "docs" / "MyLUMO");
    write(levelsBook());
    c.damage();
    script->clear();
    EXPECT_EQ(convert(), c.outcome) << c.what;
    EXPECT_EQ(texts(), std::vector<std::string>{c.message}) << c.what;
    for (const auto& m : script->shown()) EXPECT_EQ(m.icon(), lumo::ui::mb::Critical) << c.what;
    EXPECT_EQ(ended, 1) << c.what;
    EXPECT_FALSE(fs::exists(root / "docs" / "MyLUMO")) << c.what << ": no folder is left behind";
    EXPECT_FALSE(fs::exists(root / "prog" / "lumodaisylog.html")) << c.what;
  }
}

TEST_F(ConverterFixture, RunsThatEndBeforeTheyStart) {
  write(levelsBook());
  request.indexPath = (root / "book" / "gone.txt").string();
  EXPECT_EQ(convert(), RunOutcome::Stopped);
  ASSERT_EQ(texts(), std::vector<std::string>{"Il percorso selezionato precedentemente non è più attivo."});
  EXPECT_EQ(script->shown()[0].icon(), lumo::ui::mb::Critical);
  EXPECT_EQ(begun, 1);
  EXPECT_EQ(ended, 1);

  script->clear();
  request.indexPath = (root / "book" / "MARKER.TXT").string();  // found without regard to case
  request.exportFolder = "";
  EXPECT_EQ(convert(), RunOutcome::Stopped);
  EXPECT_TRUE(texts().empty()) << "an empty export folder ends the run without a message";
  EXPECT_EQ(ended, 1);
  EXPECT_FALSE(fs::exists(root / "docs" / "MyLUMO"));
}

TEST_F(ConverterFixture, ARunTimeErrorEndsTheRunAndIsReported) {
  write(levelsBook());
  // An index that promises more markers than it holds.
  std::string index = lumo::text::readFileBytes(root / "book" / "marker.txt");
  index.replace(index.find("05,1,"), 5, "05,3,");
  std::ofstream(root / "book" / "marker.txt", std::ios::binary) << index;
  EXPECT_EQ(convert(), RunOutcome::Failed);
  EXPECT_EQ(ended, 1);
  ASSERT_EQ(texts().size(), 1u);
  EXPECT_EQ(texts()[0],
            "La conversione non è stata completata.\nErrore 62: Input oltre la fine del file: " + request.indexPath);
  EXPECT_FALSE(fs::exists(root / "prog" / "lumodaisylog.html"));
  EXPECT_FALSE(fs::exists(root / "docs" / "MyLUMO")) << "the index is refused before any folder is made";
}

TEST_F(ConverterFixture, ExistingAudioInTheFilesetFolder) {
  write(levelsBook());
  ASSERT_EQ(convert(), RunOutcome::Completed);
  const fs::path S = root / "docs" / "MyLUMO" / "DAISY" / "(LB001) Pinocchio" / "LB001";
  std::ofstream(S / "stray.MP3") << "left from before";
  writeMp3(root / "book" / "Libro" / "01.mp3", 31);  // the source changed since

  script->clear();
  script->queueAnswer(Answer::No);
  ASSERT_EQ(convert(), RunOutcome::Completed) << "the conversion goes on without copying";
  ASSERT_GE(script->shown().size(), 1u);
  EXPECT_EQ(script->shown()[0].title, "File mp3 esistenti");
  EXPECT_EQ(script->shown()[0].text, "La cartella contiene già file mp3.\nÉ necessario ricopiarli?");
  EXPECT_EQ(script->shown()[0].buttons(), lumo::ui::mb::YesNo);
  EXPECT_TRUE(fs::exists(S / "stray.MP3"));
  EXPECT_EQ(fs::file_size(S / "01.mp3"), 30u * 16000);

  script->clear();
  script->queueAnswer(Answer::Yes);
  ASSERT_EQ(convert(), RunOutcome::Completed);
  EXPECT_EQ(script->shown().size(), 2u) << "the question and the completion, no overwrite questions";
  EXPECT_FALSE(fs::exists(S / "stray.MP3")) << "Yes deletes every mp3 of the folder first";
  EXPECT_EQ(fs::file_size(S / "01.mp3"), 31u * 16000);
}

TEST_F(ConverterFixture, ConvertingAFilesetFolderKeepsItsAudio) {
  write(levelsBook());
  ASSERT_EQ(convert(), RunOutcome::Completed);
  // The producer now picks the fileset folder itself as the MP3 folder.
  request.mp3Folder = conversion.filesetFolder() + "/";
  script->clear();
  script->queueAnswer(Answer::Yes);
  ASSERT_EQ(convert(), RunOutcome::Completed);
  EXPECT_EQ(script->shown().size(), 1u) << "no question: nothing is deleted or copied";
  EXPECT_TRUE(fs::exists(fs::path(conversion.filesetFolder()) / "01.mp3"));
}

TEST_F(ConverterFixture, FolderNamesFromTheIndexStayInsideTheExportFolder) {
  struct Case {
    std::string code, folder;
  } cases[] = {
      {"../../evil", ".._.._evil"},
      {"..", "__"},  // would otherwise put the fileset into the export folder itself
      {".", "_"},
      {"LB\\7", "LB_7"},
      {std::string("LB\0"
                   "8",
                   4),
       "LB_8"},
  };
  const fs::path X = root / "docs" / "MyLUMO" / "DAISY";
  for (const Case& c : cases) {
    TestBook b = levelsBook();
    b.code = c.code;
    b.title = "Vol. 1: A/B";
    fs::remove_all(root / "book");
    fs::remove_all(root / "docs");
    write(b);
    script->clear();
    request.exportFolder = request.exportBase + "MyLUMO/DAISY";  // edited, without the final "/"
    ASSERT_EQ(convert(), RunOutcome::Completed) << c.folder << ::testing::PrintToString(texts());
    const fs::path B = X / ("(" + c.folder + ") Vol- 1- A-B");
    EXPECT_EQ(conversion.bookFolder(), B.string());
    EXPECT_EQ(conversion.filesetFolder(), (B / c.folder).string());
    EXPECT_TRUE(fs::exists(B / c.folder / "ncc.html")) << c.folder;
    EXPECT_TRUE(fs::exists(B / "discinfo.html")) << c.folder;
    EXPECT_FALSE(fs::exists(X / "ncc.html")) << c.folder;
    EXPECT_FALSE(fs::exists(root / "evil"));
    EXPECT_FALSE(fs::exists(root / "docs" / "evil"));
  }
  // Only the folder's name is made safe: the fileset shows the title as the index has it.
  const std::string ncc = lumo::text::readFileBytes(fs::path(conversion.filesetFolder()) / "ncc.html");
  EXPECT_NE(ncc.find("<title>Vol. 1: A/B</title>"), std::string::npos);
}

TEST_F(ConverterFixture, AnMp3FolderWithoutAudioStopsAtTheFirstMissingFile) {
  write(levelsBook());
  ASSERT_EQ(convert(), RunOutcome::Completed);
  const fs::path S = conversion.filesetFolder();
  // The disc's audio folder is gone: nothing can be copied, and the audio
  // already in the fileset folder is the only copy left.
  fs::remove_all(root / "book" / "Libro");
  fs::create_directories(root / "book" / "Libro");
  script->clear();
  script->queueAnswer(Answer::Yes);
  EXPECT_EQ(convert(), RunOutcome::Stopped);
  const std::string P = request.mp3Folder + "01.mp3";
  EXPECT_EQ(texts(), (std::vector<std::string>{"Path: " + P + "\nFile mp3 non trovato!",
                                               "Path del file mp3 in esame non trovato!"}))
      << "no question about the audio in the fileset folder, no copy failure";
  EXPECT_TRUE(fs::exists(S / "01.mp3")) << "the fileset's audio is kept";
  EXPECT_EQ(ended, 1);
}

TEST_F(ConverterFixture, AClipNeverEndsBeforeItBegins) {
  // The index places a marker after the end of its 20 s file, and a second
  // file's markers out of order.
  TestBook b;
  b.files = {{"01", 20, {{"Capitolo primo", 0, "1"}, {"Oltre la fine", 25, "2"}}},
             {"02", 30, {{"Capitolo secondo", 12, "3"}, {"Indietro", 4, "4"}}}};
  write(b);
  ASSERT_EQ(convert(), RunOutcome::Completed) << ::testing::PrintToString(texts());
  const ConversionTable& t = conversion.table();
  ASSERT_EQ(t.rowCount(), 4);
  struct Clip {
    int row;
    const char* begin;
    const char* end;
  };
  for (const Clip& c : {Clip{1, "0", "25"}, Clip{2, "25", "25"}, Clip{3, "12", "12"}, Clip{4, "4", "30"}}) {
    EXPECT_EQ(t.cell(c.row, Start), c.begin) << c.row;
    EXPECT_EQ(t.cell(c.row, End), c.end) << c.row;
    EXPECT_GE(std::stoll(t.cell(c.row, Durata).empty() ? "0" : t.cell(c.row, Durata)), 0) << c.row;
  }
  EXPECT_EQ(conversion.summary().Text2, "51") << "25 + 0 + 0 + 26 s";
}

namespace {

// xmllint's verdict on one file: "" when it is well-formed, else what it said.
std::string xmllintErrors(const fs::path& file) {
  const fs::path out = file.string() + ".xmllint";
  const std::string command = "xmllint --noout --nonet '" + file.string() + "' >'" + out.string() + "' 2>&1";
  const int status = std::system(command.c_str());
  std::string said = lumo::text::readFileBytes(out);
  fs::remove(out);
  return status == 0 ? std::string() : said.empty() ? "exit status " + std::to_string(status) : said;
}

// Every SMIL file, ncc.html and discinfo.html of the conversion's fileset.
std::vector<fs::path> filesetFiles(const Conversion& conversion) {
  std::vector<fs::path> files{fs::path(conversion.bookFolder()) / "discinfo.html"};
  for (const auto& entry : fs::directory_iterator(conversion.filesetFolder()))
    if (entry.path().extension() == ".smil" || entry.path().filename() == "ncc.html") files.push_back(entry.path());
  return files;
}

void writeRawIndex(const fs::path& file, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace

TEST_F(ConverterFixture, TheFilesetIsWellFormedWhateverTheIndexHolds) {
  ASSERT_EQ(std::system("command -v xmllint >/dev/null 2>&1"), 0)
      << "xmllint is missing: install libxml2-utils (scripts/install-deps.sh)";
  struct Case {
    const char* what;
    std::vector<std::string> index;  // the bytes of each line
    const char* titleLine;           // the bytes ncc.html's title line must hold
  };
  const Case cases[] = {
      {"windows-1252 with undefined bytes and control characters",
       {"LB\x1b"
        "9",
        "Autore \x81\x8d\x8f\x90\x9d fine", "Titolo \x01\x02 & <b> \x7f \xe8", "Editore", "Roma", "Voce\x1f", " 2 ",
        "01,2,02", "Capitolo \x90 primo", "0,1", "Sezione\x05 con \"virgolette\"", "10,ii\x9d", "02,1,", "Fine\x0b",
        "0,3"},
       "<title>Titolo ?? &amp; &lt;b&gt; ? \xe8</title>"},
      {"UTF-8 with characters windows-1252 lacks",
       {"LB010", "Autore",
        "\xc5\x81\xc3\xb3"
        "d\xc5\xba \xc3\xa8",
        "Editore", "Roma", "Voce", " 2 ", "01,1,02", "Capitolo \xc5\x81", "0,1", "02,1,", "Fine \xe2\x82\xac", "0,2"},
       "<title>&#321;\xf3"
       "d&#378; \xe8</title>"},
  };
  for (const Case& c : cases) {
    fs::remove_all(root / "book");
    fs::remove_all(root / "docs");
    write(TestBook{.files = {{"01", 30, {}}, {"02", 20, {}}}});  // the audio
    writeRawIndex(root / "book" / "marker.txt", c.index);
    script->clear();
    ASSERT_EQ(convert(), RunOutcome::Completed) << c.what << ::testing::PrintToString(texts());
    const std::vector<fs::path> files = filesetFiles(conversion);
    EXPECT_GE(files.size(), 4u) << c.what;
    for (const fs::path& file : files) {
      EXPECT_EQ(xmllintErrors(file), "") << c.what << ": " << file;
      for (const unsigned char b : lumo::text::readFileBytes(file)) {
        const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        ASSERT_FALSE(undefined || (b < 0x20 && b != '\r' && b != '\n'))
            << c.what << ": byte " << int(b) << " in " << file;
      }
    }
    const std::string ncc = lumo::text::readFileBytes(fs::path(conversion.filesetFolder()) / "ncc.html");
    EXPECT_NE(ncc.find(c.titleLine), std::string::npos) << c.what << "\n" << ncc.substr(0, 600);
  }
  // A control character in the code is no character of the fileset folder's
  // name, so discinfo.html's link and the folder agree.
  EXPECT_EQ(fs::path(conversion.filesetFolder()).filename(), "LB010");
}

TEST_F(ConverterFixture, AControlCharacterInTheCodeBecomesAnUnderscoreInTheFolder) {
  TestBook b = levelsBook();
  b.code =
      "LB\x1b"
      "9";
  write(b);
  ASSERT_EQ(convert(), RunOutcome::Completed) << ::testing::PrintToString(texts());
  EXPECT_EQ(fs::path(conversion.filesetFolder()).filename(), "LB_9");
  const std::string discinfo = lumo::text::readFileBytes(fs::path(conversion.bookFolder()) / "discinfo.html");
  EXPECT_NE(discinfo.find("<a href=\"./LB_9/ncc.html\">"), std::string::npos);
}

TEST_F(ConverterFixture, ALongTitleIsCutToFitTheBookFolderName) {
  struct Case {
    std::string title;
    size_t bytes;  // of "(LB001) " and the cut title
  } cases[] = {
      {std::string(250, 'a'), 255},
      {[] {
         std::string s;
         for (int i = 0; i < 130; ++i) s += "\u00e8";
         return s;
       }(),
       254},  // never half an "è"
  };
  for (const Case& c : cases) {
    TestBook b = levelsBook();
    b.title = c.title;
    fs::remove_all(root / "book");
    fs::remove_all(root / "docs");
    write(b);
    script->clear();
    ASSERT_EQ(convert(), RunOutcome::Completed) << ::testing::PrintToString(texts());
    const std::string name = fs::path(conversion.bookFolder()).filename().string();
    EXPECT_EQ(name.size(), c.bytes);
    EXPECT_TRUE(lumo::text::isValidUtf8(name));
    EXPECT_TRUE(name.starts_with("(LB001) " + c.title.substr(0, 20)));
    EXPECT_TRUE(fs::exists(fs::path(conversion.filesetFolder()) / "ncc.html"));
    // The book's own data keep the whole title.
    const std::string ncc = lumo::text::readFileBytes(fs::path(conversion.filesetFolder()) / "ncc.html");
    EXPECT_NE(ncc.find("<title>" + lumo::text::utf8ToCp1252(c.title) + "</title>"), std::string::npos);
  }
}
