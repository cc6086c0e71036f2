// The text rules of the main window that need no window: page sections,
// the summary page test and the position keyword.

#include <gtest/gtest.h>

#include "player/window/window_text.h"

namespace lumo::player {
namespace {

TEST(SectionText, NamesThePageWithoutProgramFolderDriveMountQueryOrFragment) {
  struct Case {
    const char* url;
    const char* programFolder;
    std::vector<std::string> mounts;
    const char* section;
  };
  const Case cases[] = {
      // A page of the program folder, "%20" as a blank.
      {"file:///home/u/lumo/ABC/Cap%201.htm", "/home/u/lumo", {"/"}, "ABC\\CAP 1.HTM"},
      // The same page as a Windows address: the program folder goes first.
      {"file:///C:/Prog/ABC/Cap%201.htm", "C:\\Prog", {}, "ABC\\CAP 1.HTM"},
      // A page on another drive loses its drive, and ".html" ends as ".HTM".
      {"file:///D:/Libri/x.html", "C:\\Prog", {}, "LIBRI\\X.HTM"},
      // On Linux the drive is the mount point the page lies on.
      {"file:///media/cd/Libri/x.html", "/home/u/lumo", {"/", "/media/cd/"}, "LIBRI\\X.HTM"},
      {"file:///media/cd/Libri/x.htm", "/home/u/lumo", {"/", "/media/cd/"}, "LIBRI\\X.HTM"},
      {"file:///home/other/x.htm", "/home/u/lumo", {"/"}, "HOME\\OTHER\\X.HTM"},
      // Neither the fragment nor a query is part of the section.
      {"file:///home/u/lumo/ABC/A.htm#QENPLAYER_AUDIO_POS=95", "/home/u/lumo", {"/"}, "ABC\\A.HTM"},
      {"file:///home/u/lumo/ABC/A.htm?x=1#y", "/home/u/lumo", {"/"}, "ABC\\A.HTM"},
      {"file:///home/u/lumo/index.htm", "/home/u/lumo", {"/"}, "INDEX.HTM"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SectionText(QString::fromUtf8(c.url), QString::fromUtf8(c.programFolder), c.mounts),
              QString::fromUtf8(c.section))
        << c.url;
}

TEST(SummaryPage, IsAnAddressWithIndexHtmInItsLast20Characters) {
  const std::pair<const char*, bool> cases[] = {
      {"file:///home/u/lumo/index.htm", true},
      {"file:///home/u/lumo/Index.HTML", true},
      {"file:///home/u/lumo/INDEX.HTM#LumoIndex1", true},   // "INDEX.HTM" ends 11 from the end
      {"file:///home/u/lumo/index.htm#LumoIndex12", false},  // 12: it starts 21 from the end
      {"file:///home/u/lumo/LB01/A.htm", false},
      {"file:///home/u/lumo/LB01/reindex.htm", true},
  };
  for (const auto& [url, summary] : cases) EXPECT_EQ(isSummaryPage(QString::fromUtf8(url)), summary) << url;
}

TEST(PositionKeyword, IsTheTextAfterTheKeywordAndOneCharacter) {
  EXPECT_EQ(positionAfterKeyword(QStringLiteral("file:///a/A.htm#QENPLAYER_AUDIO_POS=95")),
            QStringLiteral("95"));
  EXPECT_EQ(positionAfterKeyword(QStringLiteral("QENPLAYER_AUDIO_POS=12#QENPLAYER_AUDIO_POS=3")),
            QStringLiteral("12#QENPLAYER_AUDIO_POS=3"));
  EXPECT_EQ(positionAfterKeyword(QStringLiteral("file:///a/A.htm#subito")), QString());
}

TEST(MediaNames, HaveAnExtensionOnlyAfterTheirLastFolder) {
  EXPECT_TRUE(hasExtension(QStringLiteral("/libri/A.mp3")));
  EXPECT_FALSE(hasExtension(QStringLiteral("/libri/vol.1/A")));
  EXPECT_FALSE(hasExtension(QStringLiteral("A")));
  EXPECT_TRUE(isVideoName(QStringLiteral("/x/film.WMV")));
  EXPECT_FALSE(isVideoName(QStringLiteral("/x/A.mp3")));
}

}  // namespace
}  // namespace lumo::player
