#include "linker/zivuvu_pages.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lumo::linker;

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
  EXPECT_TRUE(has(lines, "<td width=\"60%\">Uno & <due></td>"));
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
