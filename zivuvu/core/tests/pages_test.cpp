#include "zivuvu/core/zivuvu_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/text/text.h"
#include "platform/browser/htmldocument.h"
#include "testsupport/common/test_files.h"

using namespace lumo::zivuvu;

namespace {

bool has(const Lines& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST(DurationTexts, MinutesUnpaddedSecondsTwoDigits) {
  struct Case {
    int seconds;
    const char* file;
    const char* book;
  };
  const Case cases[] = {
      {125, " - Durata 2:05 (mm:ss)", "0:02:05"},      {4500, " - Durata 75:00 (mm:ss)", "1:15:00"},
      {3725, " - Durata 62:05 (mm:ss)", "1:02:05"},    {59, " - Durata 0:59 (mm:ss)", "0:00:59"},
      {36000, " - Durata 600:00 (mm:ss)", "10:00:00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fileDurationText(c.seconds), c.file);
    EXPECT_EQ(bookDurationText(c.seconds), c.book);
  }
}

TEST(FilePage, MetaTagsFollowNextAndPrevious) {
  FilePage page;
  page.name = "A";
  page.audioPath = "/b/Libro/A.mp3";
  page.next = "B";
  Lines first = filePageLines(page);
  EXPECT_TRUE(has(first, "<meta name=\"QENPLAYER_AUDIO\" content=\"/b/Libro/A.mp3\" >"));
  EXPECT_TRUE(has(first, "<meta name=\"QENPLAYER_AUDIO_NEXTHTML_1\" content=\"B.htm\">"));
  EXPECT_EQ(std::count_if(first.begin(), first.end(),
                          [](const std::string& l) { return l.find("PREVHTML") != std::string::npos; }),
            0);
  page.next.clear();
  page.prev = "B";
  Lines last = filePageLines(page);
  EXPECT_TRUE(has(last, "<meta name=\"QENPLAYER_AUDIO_PREVHTML\" content=\"B.htm\">"));
  EXPECT_EQ(std::count_if(last.begin(), last.end(),
                          [](const std::string& l) { return l.find("NEXTHTML") != std::string::npos; }),
            0);
  // No duration line when the MP3 was not measured.
  EXPECT_EQ(last.size(), first.size());
  page.duration = 125;
  Lines measured = filePageLines(page);
  ASSERT_EQ(measured.size(), last.size() + 1);
  const auto heading = std::find(measured.begin(), measured.end(), "<p align=\"center\">Indice del file A");
  ASSERT_NE(heading, measured.end());
  EXPECT_EQ(*(heading + 1), " - Durata 2:05 (mm:ss)");
  EXPECT_EQ(*(heading + 2), "<a name=\"subito\"></a></p>");
}

TEST(FilePage, AnchorsNumberedInIndexOrderWithTrimmedLabels) {
  FilePage page;
  page.name = "A";
  page.markers = {{"Uno & <due>", 0, " 12"}, {"Due", 95, "13"}, {"Tre", 30, "xiv "}};
  const Lines lines = filePageLines(page);
  EXPECT_TRUE(has(lines, "<td width=\"60%\">Uno &amp; &lt;due&gt;</td>"));
  EXPECT_TRUE(has(lines,
                  "<td class=\"cel\" width=\"14%\"><a id=\"LumoIndex_1\" name=\"LumoIndex_1\" "
                  "href=\"#QENPLAYER_AUDIO_POS=0\">12</a></td>"));
  EXPECT_TRUE(has(lines,
                  "<td class=\"cel\" width=\"14%\"><a id=\"LumoIndex_2\" name=\"LumoIndex_2\" "
                  "href=\"#QENPLAYER_AUDIO_POS=95\">13</a></td>"));
  EXPECT_TRUE(has(lines,
                  "<td class=\"cel\" width=\"14%\"><a id=\"LumoIndex_3\" name=\"LumoIndex_3\" "
                  "href=\"#QENPLAYER_AUDIO_POS=30\">xiv</a></td>"));
}

TEST(HomePage, RowsSpanEachFileAndTotalRowOnlyWhenMeasured) {
  HomePage home;
  home.header = {"K1", "Aut", "Tit", "Ed", "Luogo", "Voce"};
  home.workFolder = "K1";
  home.firstFile = "A";
  home.mp3Folder = "/b/Libro/";
  home.files = {{"A", 2, {{"Uno", 0, " 12"}, {"Due", 95, " 13"}}}, {"Z", 0, {}}};
  Lines lines = homePageLines(home);
  EXPECT_FALSE(has(lines, "<td width=\"35%\">Durata:</td>"));
  EXPECT_TRUE(has(lines, "<td class=\"cel\" width=\"15%\"><a href=\"K1/A.htm#QENPLAYER_AUDIO_POS=0\">12</a></td>"));
  EXPECT_TRUE(has(lines, "<td class=\"cel\" width=\"15%\" rowspan=\"2\">A</TD>"));
  // Only the first row of a file trims the label.
  EXPECT_TRUE(has(lines, "<td class=\"cel\" width=\"15%\"><a href=\"K1/A.htm#QENPLAYER_AUDIO_POS=95\"> 13</a></td>"));
  // A file without markers still gets a row that opens its page.
  EXPECT_TRUE(has(lines, "<td class=\"cel\" width=\"15%\"><a href=\"K1/Z.htm#QENPLAYER_AUDIO_POS=0\">Z</a></td>"));
  EXPECT_TRUE(has(lines, "<td class=\"cel\" width=\"15%\" rowspan=\"1\">Z</TD>"));
  EXPECT_TRUE(has(lines,
                  "<td width=\"15%\" align=\"center\"><a href=\"K1/A.htm#QENPLAYER_AUDIO_POS=0\" "
                  "title=\"Ascolta il libro dall'inizio\">Inizio Libro</a></td>"));
  EXPECT_TRUE(has(lines,
                  "<td width=\"10%\" align=\"center\"><a href= \"/b/Libro/\" target=\"_blank\" "
                  "title=\"Accedi alla cartella dei file mp3\">MP3</a></td>"));
  home.total = 36000;
  lines = homePageLines(home);
  EXPECT_TRUE(has(lines, "<td width=\"85%\">10:00:00 (hh:mm:ss)</td>"));
}

// The index's texts with markup characters, and characters windows-1252
// lacks, written as the run writes a page and loaded as the player loads it:
// every text reads as it stands in the index.
TEST(Pages, TheIndexTextsReadBackThroughThePlayersLoaderAsWritten) {
  lumo::testsupport::TempFolder temp("lumo-pages");
  const auto load = [&](const Lines& lines) {
    const std::filesystem::path file = temp.path() / "page.htm";
    lumo::text::writeTextFile(file, lines);
    return lumo::browser::HtmlDocument::fromBytes(lumo::testsupport::readBytes(file), file.string());
  };
  const auto texts = [](const lumo::browser::HtmlDocument& doc, const char* tag) {
    std::vector<std::string> out;
    for (const auto& e : doc.getElementsByTagName(tag)) out.push_back(e.innerText());
    return out;
  };
  const std::string heading = "1.2 Dettagli <piccoli> & grandi \"Ω\"";
  FilePage page;
  page.title = "Il libro <di> A & B";
  page.name = "A & <B>";
  page.audioPath = "/libri/A & \"B\"/A & <B>.mp3";
  page.next = "C & D";
  page.markers = {{heading, 0, " <12> "}};
  auto doc = load(filePageLines(page));
  EXPECT_EQ(texts(*doc, "h3"), std::vector<std::string>{page.title});
  EXPECT_EQ(doc->title(), "Indice del file A & <B>");
  EXPECT_EQ(texts(*doc, "td").at(0), heading);
  EXPECT_EQ(texts(*doc, "td").at(1), "<12>");
  std::vector<std::string> metas;
  for (const auto& e : doc->getElementsByTagName("meta")) metas.push_back(e.content());
  EXPECT_NE(std::find(metas.begin(), metas.end(), page.audioPath), metas.end());
  EXPECT_NE(std::find(metas.begin(), metas.end(), "C & D.htm"), metas.end());

  HomePage home;
  home.header = {"K&1", "Rossi <Anna> & Bianchi", "Tit <1>", "Ed & Co", "Roma <2001>", "Voce \"Ω\""};
  home.workFolder = "K&1";
  home.firstFile = "A & <B>";
  home.mp3Folder = "/libri/A & B/";
  home.files = {{"A & <B>", 1, {{heading, 0, "1"}}}};
  doc = load(homePageLines(home));
  const std::vector<std::string> cells = texts(*doc, "td");
  for (const std::string& text : {home.header.author, home.header.publisher, home.header.placeAndYear,
                                  home.header.narrator, home.header.code, heading, home.firstFile})
    EXPECT_NE(std::find(cells.begin(), cells.end(), text), cells.end()) << text;
  EXPECT_EQ(texts(*doc, "p").at(0), "Titolo: Tit <1>");
  std::vector<std::string> hrefs;
  for (const auto& e : doc->getElementsByTagName("a")) hrefs.push_back(e.getAttribute("href"));
  EXPECT_NE(std::find(hrefs.begin(), hrefs.end(), "K&1/A & <B>.htm#QENPLAYER_AUDIO_POS=0"), hrefs.end());
}
