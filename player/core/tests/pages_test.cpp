// Page addresses: the bookmark section of a page, the summary page, the
// folder of a page and the local path a media link names.

#include <gtest/gtest.h>

#include "player/core/pages.h"

namespace lumo::player::core {
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
      {"file:///media/cd/dvd/Libri/x.htm", "/home/u/lumo", {"/media/cd", "/media/cd/dvd/"}, "LIBRI\\X.HTM"},
      {"file:///home/other/x.htm", "/home/u/lumo", {"/"}, "HOME\\OTHER\\X.HTM"},
      // Neither the fragment nor a query is part of the section.
      {"file:///home/u/lumo/ABC/A.htm#QENPLAYER_AUDIO_POS=95", "/home/u/lumo", {"/"}, "ABC\\A.HTM"},
      {"file:///home/u/lumo/ABC/A.htm?x=1#y", "/home/u/lumo", {"/"}, "ABC\\A.HTM"},
      {"file:///home/u/lumo/index.htm", "/home/u/lumo", {"/"}, "INDEX.HTM"},
      // Letters of the book's own language are upper-cased too.
      {"file:///home/u/lumo/ABC/citt%C3%A0.htm", "/home/u/lumo", {"/"}, "ABC\\CITT%C3%A0.HTM"},
      {"file:///home/u/lumo/ABC/città.htm", "/home/u/lumo", {"/"}, "ABC\\CITTÀ.HTM"},
  };
  for (const Case& c : cases) EXPECT_EQ(SectionText(c.url, c.programFolder, c.mounts), c.section) << c.url;
}

TEST(SummaryPage, IsAnAddressWithIndexHtmInItsLast20Characters) {
  const std::pair<const char*, bool> cases[] = {
      {"file:///home/u/lumo/index.htm", true},
      {"file:///home/u/lumo/Index.HTML", true},
      {"file:///home/u/lumo/INDEX.HTM#LumoIndex1", true},    // "INDEX.HTM" ends 11 from the end
      {"file:///home/u/lumo/index.htm#LumoIndex12", false},  // 12: it starts 21 from the end
      {"file:///home/u/lumo/index.htm#àèìòùàèìò", true},     // characters, not bytes
      {"file:///home/u/lumo/LB01/A.htm", false},
      {"file:///home/u/lumo/LB01/reindex.htm", true},
      {"index.htm", true},
  };
  for (const auto& [url, summary] : cases) EXPECT_EQ(isSummaryPage(url), summary) << url;
}

TEST(PageFolder, IsTheAddressUpToItsLastSlashBeforeQueryAndFragment) {
  EXPECT_EQ(pageFolderAddress("file:///l/LB01/A.htm#QENPLAYER_AUDIO_POS=5"), "file:///l/LB01/");
  EXPECT_EQ(pageFolderAddress("file:///l/LB01/A.htm?a/b#c/d"), "file:///l/LB01/");
  EXPECT_EQ(pageFolderAddress("A.htm"), "");
}

TEST(PulisciUrl, MakesAMediaLinkALocalPath) {
  const std::string program = "/home/u/lumo";
  const std::string page = "file:///home/u/lumo/LB01/L.htm";
  // The page as an index link leaves it, with a fragment.
  const std::string location = page + "#QENPLAYER_AUDIO_POS=60";
  const std::string folder = "/home/u/lumo/LB01/";
  const std::string outside = "file:///media/cd/ABC/F.htm";
  struct Case {
    std::string url, location, path;
  } const cases[] = {
      {"file:///home/u/lumo/LB01/video/clip.wmv", location, folder + "video/clip.wmv"},
      {page + "clip.wmv", location, folder + "clip.wmv"},  // what a link keyword left
      {location + "clip.wmv", location, folder + "clip.wmv"},
      {page + "#clip.avi", location, folder + "clip.avi"},
      {"file:///home/u/lumo/LB01/il%20mio%20clip.wmv", location, folder + "il mio clip.wmv"},
      {"file:///home/u/lumo/LB01\\sub\\\\x.avi", location, folder + "sub/x.avi"},
      {page + "?q=clip.avi", location, folder + "q=clip.avi"},
      {"@clip.avi", location, folder + "clip.avi"},
      // A page outside the program folder: names are relative to it, full
      // addresses stay where they point.
      {outside + "#x.avi", outside, "/media/cd/ABC/x.avi"},
      {"x.avi", outside, "/media/cd/ABC/x.avi"},
      {"file:///media/cd/ABC/v/x.avi", outside, "/media/cd/ABC/v/x.avi"},
      {"/media/cd/x.avi", outside, "/media/cd/x.avi"},
  };
  for (const Case& c : cases) EXPECT_EQ(PulisciUrl(c.url, c.location, program), c.path) << c.url;
  EXPECT_EQ(withoutPageExtensions("/a/clip.htm.wmv"), "/a/clip.wmv");
  EXPECT_EQ(withoutPageExtensions("/a/X.HTMvideo.htm"), "/a/Xvideo");
}

}  // namespace
}  // namespace lumo::player::core
