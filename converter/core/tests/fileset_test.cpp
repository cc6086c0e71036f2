// The files a conversion writes, line by line: the SMIL files, ncc.html,
// discinfo.html and the report.

#include <gtest/gtest.h>

#include <filesystem>

#include "common/errors/errors.h"
#include "converter/core/fileset.h"
#include "converter/core/report.h"
#include "converter/core/tests/converter_fixture.h"
#include "lumo_version.h"

namespace fs = std::filesystem;
using namespace lumo::converter;
using namespace lumo::converter::testing;
using Lines = std::vector<std::string>;

namespace {

const std::string V = std::to_string(LUMO_VERSION_MAJOR) + "." + std::to_string(LUMO_VERSION_MINOR);

const Lines kSmilHead = {
    R"(<?xml version="1.0" encoding="windows-1252"?>)",
    R"(<!DOCTYPE smil PUBLIC "-//W3C//DTD SMIL 1.0//EN" "http://www.w3.org/TR/REC-smil/SMIL10.dtd">)",
    "<smil>",
    "<head>",
    R"(<meta name="dc:title" content="Opere"/>)",
    R"(<meta name="dc:format" content="Daisy 2.02"/>)",
    R"(<meta name="dc:identifier" content="LB001"/>)",
    R"(<meta name="ncc:generator" content="LUMOPlayer Daisy Converter )" + V + R"("/>)",
};

const Lines kXhtmlHead = {
    R"(<?xml version="1.0" encoding="windows-1252"?>)",
    R"(<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">)",
    R"(<html xmlns="http://www.w3.org/1999/xhtml" xml:lang="it" lang="it">)",
    "<head>",
};

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The head of ncc.html from its title line to <body>, for the values that
// differ between books.
Lines nccHead(const std::string& title, const std::string& toc, const std::string& total, const std::string& kb,
              const std::string& normal, const std::string& special, const std::string& maxNormal,
              const std::string& depth) {
  return kXhtmlHead + Lines{
                          "<title>" + title + "</title>",
                          R"(<meta http-equiv="Content-type" content="text/html; charset=windows-1252"/>)",
                          R"(<meta name="dc:creator" content="Carlo Collodi"/>)",
                          R"(<meta name="dc:date" content="05-03-2024" scheme="dd-mm-yyyy"/>)",
                          R"(<meta name="dc:format" content="Daisy 2.02"/>)",
                          R"(<meta name="dc:identifier" content="LB001" scheme="Vardel"/>)",
                          R"(<meta name="dc:language" content="it" scheme="ISO 639"/>)",
                          R"(<meta name="dc:publisher" content="LUMO - Torvesco"/>)",
                          R"(<meta name="dc:subject" content=")" + title + R"(" scheme="keyword"/>)",
                          R"(<meta name="dc:source" content="00-000-0000-0" scheme="ISBN"/>)",
                          R"(<meta name="dc:title" content=")" + title + R"("/>)",
                          R"(<meta name="ncc:charset" content="windows-1252"/>)",
                          R"(<meta name="ncc:generator" content="LUMO Daisy Converter )" + V + R"("/>)",
                          R"(<meta name="ncc:narrator" content="Anna Rossi"/>)",
                          R"(<meta name="ncc:producer" content="LUMO-ONLUS"/>)",
                          R"(<meta name="ncc:tocItems" content=")" + toc + R"("/>)",
                          R"(<meta name="ncc:totalTime" content=")" + total + R"(" scheme="hh:mm:ss"/>)",
                          R"(<meta name="ncc:kByteSize" content=")" + kb + R"(" />)",
                          R"(<meta name="ncc:pageFront" content="0"/>)",
                          R"(<meta name="ncc:pageNormal" content=")" + normal + R"("/>)",
                          R"(<meta name="ncc:pageSpecial" content=")" + special + R"("/>)",
                          R"(<meta name="ncc:maxPageNormal" content=")" + maxNormal + R"("/>)",
                          R"(<meta name="ncc:depth" content=")" + depth + R"("/>)",
                          R"(<meta name="ncc:multimediaType" content="audioNCC"/>)",
                          "</head>",
                          "<body>",
                      };
}

void expectLines(const fs::path& file, const Lines& expected) {
  const Lines actual = readLines(file);
  for (size_t i = 0; i < std::max(actual.size(), expected.size()); ++i)
    EXPECT_EQ(i < actual.size() ? actual[i] : "<missing>", i < expected.size() ? expected[i] : "<extra>")
        << file.filename().string() << " line " << i + 1;
}

class FilesetTest : public ConverterFixture {
 protected:
  fs::path S() const { return conversion.filesetFolder(); }
  fs::path B() const { return conversion.bookFolder(); }
};

}  // namespace

TEST_F(FilesetTest, ThreeLevelOneMarkers) {
  TestBook b;
  b.title = "Città di Pinocchio";
  b.files = {{"01", 30, {{"Capitolo primo", 0, "1"}, {"Capitolo secondo", 10, "2"}, {"Capitolo terzo", 20, "3"}}}};
  write(b);
  ASSERT_EQ(convert(), RunOutcome::Completed);

  expectLines(
      S() / "clp000001.smil",
      kSmilHead + Lines{
                      R"(<meta name="ncc:totalElapsedTime" content="0:00:00.000"/>)",
                      R"(<meta name="ncc:timeInThisSmil" content="0:00:10.000"/>)",
                      R"(<meta name="title" content="Capitolo primo"/>)",
                      "<layout>",
                      R"(<region id="txtView"/>)",
                      "</layout>",
                      "</head>",
                      "<body>",
                      R"(<seq dur="10.000s">)",
                      R"(<par endsync="last">)",
                      R"(<text src="ncc.html#heading_000001" id="bookid_000001"/>)",
                      "</par>",
                      R"(<par endsync="last">)",
                      R"(<text src="ncc.html#page_000001" id="bookid_000002"/>)",
                      "<seq>",
                      R"(<audio src="01.mp3" clip-begin="npt=0.000s" clip-end="npt=10.000s" id="phrase_000001"/>)",
                      "</seq>",
                      "</par>",
                      "</seq>",
                      "</body>",
                      "</smil>",
                  });
  const Lines third = readLines(S() / "clp000003.smil");
  ASSERT_EQ(third.size(), 29u);
  EXPECT_EQ(third[8], R"(<meta name="ncc:totalElapsedTime" content="0:00:20.000"/>)");
  EXPECT_EQ(third[10], R"(<meta name="title" content="Capitolo terzo"/>)");
  EXPECT_EQ(third[18], R"(<text src="ncc.html#heading_000003" id="bookid_000005"/>)");
  EXPECT_EQ(third[21], R"(<text src="ncc.html#page_000003" id="bookid_000006"/>)");
  EXPECT_EQ(third[23], R"(<audio src="01.mp3" clip-begin="npt=20.000s" clip-end="npt=30.000s" id="phrase_000001"/>)");

  expectLines(
      S() / "ncc.html",
      nccHead("Città di Pinocchio", "3", "0:00:30", "469", "3", "0", "3", "1") +
          Lines{
              R"(<h1 id="heading_000001" class="title"><a href="clp000001.smil#bookid_000001">Capitolo primo</a></h1>)",
              R"(<span id="page_000001" class="page-normal"><a href="clp000001.smil#bookid_000002">1</a></span>)",
              R"(<h1 id="heading_000002" class="section"><a href="clp000002.smil#bookid_000003">Capitolo secondo</a></h1>)",
              R"(<span id="page_000002" class="page-normal"><a href="clp000002.smil#bookid_000004">2</a></span>)",
              R"(<h1 id="heading_000003" class="section"><a href="clp000003.smil#bookid_000005">Capitolo terzo</a></h1>)",
              R"(<span id="page_000003" class="page-normal"><a href="clp000003.smil#bookid_000006">3</a></span>)",
              "</body>",
              "</html>",
          });
  EXPECT_NE(lumo::text::readFileBytes(S() / "ncc.html").find("Citt\xE0 di"), std::string::npos)
      << "written in windows-1252";

  EXPECT_EQ(B().filename().string(), "(LB001) Città di Pinocchio");
  expectLines(B() / "discinfo.html",
              kXhtmlHead + Lines{
                               "<title>CD Information</title>",
                               R"(<meta http-equiv="Content-type" content="text/html; charset=windows-1252"/>)",
                               "</head>",
                               "<body>",
                               R"(<a href="./LB001/ncc.html">Città di Pinocchio</a>)",
                               "</body>",
                               "</html>",
                           });

  Lines report = {
      "<html>",
      "<head>",
      R"(<meta http-equiv="Content-Language" content="it">)",
      R"(<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">)",
      R"(<meta name="GENERATOR" content="LUMO - Torvesco">)",
      R"(<meta name="ProgId" content="FrontPage.Editor.Document">)",
      "<title>LumoDaisy Converter" + V + "</title>",
      "</head>",
      "<body>",
      R"(<p align="center"><b>LumoDaisy Converter )" + V + R"( Tabella di conversione</b></p>)",
      R"(<table border="1" width="100%">)",
  };
  const std::pair<const char*, std::string> summary[] = {{"Titolo dell'opera:", "Città di Pinocchio</td>"},
                                                         {"Codice libro:", "LB001</td>"},
                                                         {"Durata Totale dell'opera:", "30 secondi</td>"},
                                                         {"Dimensione totale occupata:", "469 Kb</td>"},
                                                         {"Pagine normali:", "3</td>"},
                                                         {"Pagine speciali:", "0</td>"},
                                                         {"Livelli:", "1</td>"}};
  for (const auto& [label, value] : summary)
    report = report + Lines{"<tr>", std::string(R"(<td width="84%">)") + label + "</td>",
                            R"(<td width="16%" align="right">)" + value, "</tr>"};
  report = report + Lines{"</table>",
                          "<p>&nbsp;</p>",
                          R"(<table border="1" width="100%">)",
                          "<tr>",
                          R"(<th width="5%">Livello</th>)",
                          R"(<th width="25%">Descrizione</th>)",
                          R"(<th width="10%">Start</th>)",
                          R"(<th width="10%">End</th>)",
                          R"(<th width="10%">Pagina</th>)",
                          R"(<th width="10%">File</th>)",
                          R"(<th width="10%">Invoice</th>)",
                          R"(<th width="10%">Durata</th>)",
                          R"(<th width="10%">Elapsed</th>)",
                          "</tr>"};
  const Lines rows[] = {{"1", "Capitolo primo", "0", "10", "1", "01", "1", "10", "0"},
                        {"1", "Capitolo secondo", "10", "20", "2", "01", "1", "10", "10"},
                        {"1", "Capitolo terzo", "20", "30", "3", "01", "1", "10", "20"}};
  for (const Lines& r : rows) {
    report = report + Lines{"<tr>", R"(<td width="5%">)" + r[0] + "</td>", R"(<td width="25%">)" + r[1] + "</td>"};
    for (size_t c = 2; c < r.size(); ++c) report.push_back(R"(<td width="10%">)" + r[c] + "</td>");
    report.push_back("</tr>");
  }
  expectLines(root / "prog" / "lumodaisylog.html", report + Lines{"</table>", "</body>", "</html>"});
}

TEST_F(FilesetTest, AGroupWithLevelZeroRowsAndOnePagePerFile) {
  TestBook b;
  b.files = {{"01", 20, {{"Capitolo primo", 0, "x"}, {"Par. 1.1", 8, "y"}}},
             {"02", 10, {{"Segue", 0, "z"}}},
             {"03", 15, {{"Continua il paragrafo", 0, ""}}},
             {"04", 6, {{"Capitolo \"due\"", 0, "w"}}}};
  write(b);
  request.onePagePerFile = true;
  ASSERT_EQ(convert(), RunOutcome::Completed);

  expectLines(
      S() / "clp000002.smil",
      kSmilHead + Lines{
                      R"(<meta name="ncc:totalElapsedTime" content="0:00:08.000"/>)",
                      R"(<meta name="ncc:timeInThisSmil" content="0:00:37.000"/>)",
                      R"(<meta name="title" content="Par. 1.1"/>)",
                      "<layout>",
                      R"(<region id="txtView"/>)",
                      "</layout>",
                      "</head>",
                      "<body>",
                      R"(<seq dur="37.000s">)",
                      R"(<par endsync="last">)",
                      R"(<text src="ncc.html#heading_000002" id="bookid_000003"/>)",
                      "</par>",
                      "<seq>",
                      R"(<audio src="01.mp3" clip-begin="npt=8.000s" clip-end="npt=20.000s" id="phrase_000001"/>)",
                      "</seq>",
                      R"(<par endsync="last">)",
                      R"(<text src="ncc.html#page_000002" id="bookid_000004"/>)",
                      "<seq>",
                      R"(<audio src="02.mp3" clip-begin="npt=0.000s" clip-end="npt=10.000s" id="phrase_000002"/>)",
                      "</seq>",
                      "</par>",
                      R"(<par endsync="last">)",
                      R"(<text src="ncc.html#page_000003" id="bookid_000005"/>)",
                      "<seq>",
                      R"(<audio src="03.mp3" clip-begin="npt=0.000s" clip-end="npt=15.000s" id="phrase_000003"/>)",
                      "</seq>",
                      "</par>",
                      "</seq>",
                      "</body>",
                      "</smil>",
                  });
  const Lines third = readLines(S() / "clp000003.smil");
  ASSERT_GT(third.size(), 10u);
  EXPECT_EQ(third[10], R"(<meta name="title" content="Capitolo &quot;due&quot;"/>)");

  expectLines(
      S() / "ncc.html",
      nccHead("Pinocchio", "5", "0:00:51", "797", "4", "0", "4", "2") +
          Lines{
              R"(<h1 id="heading_000001" class="title"><a href="clp000001.smil#bookid_000001">Capitolo primo</a></h1>)",
              R"(<span id="page_000001" class="page-normal"><a href="clp000001.smil#bookid_000002">1</a></span>)",
              R"(<h2 id="heading_000002" class="chapter"><a href="clp000002.smil#bookid_000003">Par. 1.1</a></h2>)",
              R"(<span id="page_000002" class="page-normal"><a href="clp000002.smil#bookid_000004">2</a></span>)",
              R"(<span id="page_000003" class="page-normal"><a href="clp000002.smil#bookid_000005">3</a></span>)",
              R"(<h1 id="heading_000003" class="section"><a href="clp000003.smil#bookid_000006">Capitolo &quot;due&quot;</a></h1>)",
              R"(<span id="page_000004" class="page-normal"><a href="clp000003.smil#bookid_000007">4</a></span>)",
              "</body>",
              "</html>",
          });

  // The report: a row inside a group shows blanks in the group's cells and
  // an empty page cell; the quoted description keeps its entities.
  const Lines report = readLines(root / "prog" / "lumodaisylog.html");
  const size_t firstRow = 11 + 7 * 4 + 3 + 11;  // head, summary, spacer, header row
  ASSERT_EQ(report.size(), firstRow + 5 * 11 + 3);
  const Lines row2(report.begin() + static_cast<long>(firstRow + 11),
                   report.begin() + static_cast<long>(firstRow + 22));
  EXPECT_EQ(row2,
            (Lines{"<tr>", R"(<td width="5%">2</td>)", R"(<td width="25%">Par. 1.1</td>)", R"(<td width="10%">8</td>)",
                   R"(<td width="10%">20</td>)", R"(<td width="10%"></td>)", R"(<td width="10%">01</td>)",
                   R"(<td width="10%">3</td>)", R"(<td width="10%">37</td>)", R"(<td width="10%">8</td>)", "</tr>"}));
  const Lines row3(report.begin() + static_cast<long>(firstRow + 22),
                   report.begin() + static_cast<long>(firstRow + 33));
  EXPECT_EQ(row3[7], R"(<td width="10%">&nbsp</td>)");
  EXPECT_EQ(row3[8], R"(<td width="10%">&nbsp</td>)");
  EXPECT_EQ(row3[9], R"(<td width="10%">&nbsp</td>)");
  EXPECT_EQ(report[firstRow + 44 + 2], R"(<td width="25%">Capitolo &quot;due&quot;</td>)");
}

// Special pages (a repeated number and a roman numeral), a row without a page
// label while pages come from the index, and a description with "<" and "&":
// escaped in the DAISY files, as it stands in the report.
TEST_F(FilesetTest, SpecialPagesAnEmptyLabelAndMarkupInADescription) {
  TestBook b;
  b.files = {{"01", 40, {{"Capitolo <uno> & due", 0, "12"}, {"Premessa", 10, ""}, {"Parte", 20, "iv"}}},
             {"02", 10, {{"Segue la parte", 0, "12"}}}};
  write(b);
  ASSERT_EQ(convert(), RunOutcome::Completed);

  const Lines first = readLines(S() / "clp000001.smil");
  ASSERT_GT(first.size(), 10u);
  EXPECT_EQ(first[10], R"(<meta name="title" content="Capitolo &lt;uno&gt; &amp; due"/>)");
  expectLines(
      S() / "clp000002.smil",
      kSmilHead + Lines{
                      R"(<meta name="ncc:totalElapsedTime" content="0:00:10.000"/>)",
                      R"(<meta name="ncc:timeInThisSmil" content="0:00:10.000"/>)",
                      R"(<meta name="title" content="Premessa"/>)",
                      "<layout>",
                      R"(<region id="txtView"/>)",
                      "</layout>",
                      "</head>",
                      "<body>",
                      R"(<seq dur="10.000s">)",
                      R"(<par endsync="last">)",
                      R"(<text src="ncc.html#heading_000002" id="bookid_000003"/>)",
                      "</par>",
                      "<seq>",
                      R"(<audio src="01.mp3" clip-begin="npt=10.000s" clip-end="npt=20.000s" id="phrase_000001"/>)",
                      "</seq>",
                      "</seq>",
                      "</body>",
                      "</smil>",
                  });
  expectLines(
      S() / "clp000003.smil",
      kSmilHead + Lines{
                      R"(<meta name="ncc:totalElapsedTime" content="0:00:20.000"/>)",
                      R"(<meta name="ncc:timeInThisSmil" content="0:00:30.000"/>)",
                      R"(<meta name="title" content="Parte"/>)",
                      "<layout>",
                      R"(<region id="txtView"/>)",
                      "</layout>",
                      "</head>",
                      "<body>",
                      R"(<seq dur="30.000s">)",
                      R"(<par endsync="last">)",
                      R"(<text src="ncc.html#heading_000003" id="bookid_000004"/>)",
                      "</par>",
                      R"(<par endsync="last">)",
                      R"(<text src="ncc.html#page_000002" id="bookid_000005"/>)",
                      "<seq>",
                      R"(<audio src="01.mp3" clip-begin="npt=20.000s" clip-end="npt=40.000s" id="phrase_000001"/>)",
                      "</seq>",
                      "</par>",
                      R"(<par endsync="last">)",
                      R"(<text src="ncc.html#page_000003" id="bookid_000006"/>)",
                      "<seq>",
                      R"(<audio src="02.mp3" clip-begin="npt=0.000s" clip-end="npt=10.000s" id="phrase_000002"/>)",
                      "</seq>",
                      "</par>",
                      "</seq>",
                      "</body>",
                      "</smil>",
                  });

  expectLines(
      S() / "ncc.html",
      nccHead("Pinocchio", "4", "0:00:50", "781", "1", "2", "12", "1") +
          Lines{
              R"(<h1 id="heading_000001" class="title"><a href="clp000001.smil#bookid_000001">Capitolo &lt;uno&gt; &amp; due</a></h1>)",
              R"(<span id="page_000001" class="page-normal"><a href="clp000001.smil#bookid_000002">12</a></span>)",
              R"(<h1 id="heading_000002" class="section"><a href="clp000002.smil#bookid_000003">Premessa</a></h1>)",
              R"(<h1 id="heading_000003" class="section"><a href="clp000003.smil#bookid_000004">Parte</a></h1>)",
              R"(<span id="page_000002" class="page-special"><a href="clp000003.smil#bookid_000005">iv</a></span>)",
              R"(<span id="page_000003" class="page-special"><a href="clp000003.smil#bookid_000006">12s</a></span>)",
              "</body>",
              "</html>",
          });

  const Lines report = readLines(root / "prog" / "lumodaisylog.html");
  const size_t firstRow = 11 + 7 * 4 + 3 + 11;
  ASSERT_EQ(report.size(), firstRow + 4 * 11 + 3);
  EXPECT_EQ(report[firstRow + 2], R"(<td width="25%">Capitolo <uno> & due</td>)") << "written unchanged";
  EXPECT_EQ(report[firstRow + 11 + 5], R"(<td width="10%"></td>)") << "no page label";
  EXPECT_EQ(report[firstRow + 33 + 5], R"(<td width="10%">12s</td>)");
}

TEST_F(FilesetTest, ASecondConversionReplacesTheReport) {
  TestBook first;
  first.files = {{"a", 5, {{"Uno", 0, "1"}, {"Due", 2, "2"}}}};
  write(first);
  ASSERT_EQ(convert(), RunOutcome::Completed);
  TestBook second;
  second.title = "Gatto & Volpe <1>";
  second.files = {{"b", 5, {{"Tre", 0, "1"}}}};
  fs::remove_all(root / "book");
  write(second);
  ASSERT_EQ(convert(), RunOutcome::Completed);
  const Lines report = readLines(root / "prog" / "lumodaisylog.html");
  EXPECT_EQ(std::count(report.begin(), report.end(), "<tr>"), 7 + 1 + 1);
  EXPECT_EQ(report[13], R"(<td width="16%" align="right">Gatto & Volpe <1></td>)") << "written unchanged";
  EXPECT_EQ(std::count(report.begin(), report.end(), R"(<td width="25%">Uno</td>)"), 0);
  // The DAISY files stay well-formed: the same title is written as XML text.
  const Lines ncc = readLines(S() / "ncc.html");
  EXPECT_EQ(ncc[4], "<title>Gatto &amp; Volpe &lt;1&gt;</title>");
  EXPECT_EQ(B().filename().string(), "(LB001) Gatto & Volpe -1-");
}

TEST(FilesetWriter, ABookWithoutPagesAndALongGroup) {
  const lumo::testsupport::TempFolder temp("lumo-fileset");
  const fs::path& dir = temp.path();
  fs::create_directories(dir / "S");
  ConversionTable t;
  const int r = t.addRow("1");
  for (const auto& [c, v] : std::initializer_list<std::pair<int, const char*>>{{Descrizione, "Tutto"},
                                                                               {Start, "0"},
                                                                               {End, "3725"},
                                                                               {File, "x"},
                                                                               {Invoice, "1"},
                                                                               {Durata, "3725"},
                                                                               {Elapsed, "0"}})
    t.setCell(r, c, v);
  Summary s;
  s.Text2 = "3725";
  BookData book{"LB001", "Carlo Collodi", "Pinocchio", "Anna Rossi", 1};
  std::tm date{};
  date.tm_mday = 31, date.tm_mon = 11, date.tm_year = 99;
  writeFileset((dir / "S").string(), dir.string(), FilesetData{t, s, book, "LB001", -1, date});
  const Lines smil = readLines(dir / "S" / "clp000001.smil");
  ASSERT_EQ(smil.size(), 26u);
  EXPECT_EQ(smil[9], R"(<meta name="ncc:timeInThisSmil" content="1:02:05.000"/>)");
  EXPECT_EQ(smil[16], R"(<seq dur="3725.000s">)");
  EXPECT_EQ(smil[20], "<seq>") << "no page: the clip stands in a bare seq";
  const Lines ncc = readLines(dir / "S" / "ncc.html");
  ASSERT_EQ(ncc.size(), 33u);
  EXPECT_EQ(ncc[7], R"(<meta name="dc:date" content="31-12-1999" scheme="dd-mm-yyyy"/>)");
  EXPECT_EQ(ncc[20], R"(<meta name="ncc:totalTime" content="1:02:05" scheme="hh:mm:ss"/>)");
  EXPECT_EQ(ncc[23], R"(<meta name="ncc:pageNormal" content="0"/>)");
  EXPECT_EQ(ncc[24], R"(<meta name="ncc:pageSpecial" content="0"/>)");
  EXPECT_EQ(ncc[25], R"(<meta name="ncc:maxPageNormal" content="-1"/>)");
  EXPECT_EQ(ncc[30], R"(<h1 id="heading_000001" class="title"><a href="clp000001.smil#bookid_000001">Tutto</a></h1>)");
  EXPECT_EQ(ncc[31], "</body>");
}

TEST(FilesetWriter, AFolderThatCannotBeWrittenRaisesError75) {
  ConversionTable t;
  t.addRow("1");
  t.setCell(1, Invoice, "1");
  Summary s;
  BookData book;
  try {
    writeFileset("/nonexistent/S", "/nonexistent", FilesetData{t, s, book, "", -1, std::tm{}});
    FAIL() << "nothing raised";
  } catch (const lumo::RuntimeError& e) {
    EXPECT_EQ(e.number(), 75);
  }
}
