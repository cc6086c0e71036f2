#include "platform/browser/urls.h"
#include "testsupport/common/test_files.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>

namespace url = lumo::browser::url;

namespace {

struct ResolveCase {
  const char* reference;
  const char* base;
  const char* expected;
};

TEST(Urls, ResolveKeepsFragmentsAsWrittenAndCanonicalisesFilePaths) {
  const ResolveCase cases[] = {
      // Keyword fragments must reach the player exactly (a second "#" is no %23).
      {"#QENP_KEYCMD##KEYCTRL#51", "file:///lumo/ABC/A.htm#QENPLAYER_AUDIO_POS=5",
       "file:///lumo/ABC/A.htm#QENP_KEYCMD##KEYCTRL#51"},
      {"B.htm", "file:///lumo/ABC/A.htm", "file:///lumo/ABC/B.htm"},
      {"../Include/Style1.css", "file:///lumo/ABC/A.htm", "file:///lumo/Include/Style1.css"},
      {"../../../x.htm", "file:///lumo/A.htm", "file:///x.htm"},
      // The page builder's summary page links with "\".
      {"ABC\\A.htm#QENPLAYER_AUDIO_POS=95", "file:///lumo/Index.htm", "file:///lumo/ABC/A.htm#QENPLAYER_AUDIO_POS=95"},
      {"  B.htm  ", "file:///lumo/A.htm", "file:///lumo/B.htm"},
      {"", "file:///lumo/A.htm#x", "file:///lumo/A.htm"},
      {"?q=1", "file:///lumo/A.htm#x", "file:///lumo/A.htm?q=1"},
      // Plain paths and file addresses come out in one form.
      {"/home/u/My Books/A.htm", "", "file:///home/u/My%20Books/A.htm"},
      {"file:///home/u/My%20Books/A.htm#f", "about:blank", "file:///home/u/My%20Books/A.htm#f"},
      {"file:/home/u/a.htm", "", "file:///home/u/a.htm"},
      {"My%20Books/A.htm", "file:///home/u/x.htm", "file:///home/u/My%20Books/A.htm"},
      // Other schemes stay as they are.
      {"http://www.example.org/a b", "file:///lumo/A.htm", "http://www.example.org/a b"},
      {"mailto:info@example.org", "file:///lumo/A.htm", "mailto:info@example.org"},
      {"about:blank", "file:///lumo/A.htm", "about:blank"},
      {"#x", "about:blank", "about:blank#x"},
      {"#x", "about:<html><body>#</body></html>", "about:blank#x"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(url::resolve(c.reference, c.base), c.expected) << c.reference << " on " << c.base;
}

TEST(Urls, PartsOfAnAddress) {
  EXPECT_EQ(url::locationName("file:///a/My%20B/C%20D.htm#x/y"), "C%20D.htm");
  EXPECT_EQ(url::locationName("file:///a/Index.htm?x=1"), "Index.htm");
  EXPECT_EQ(url::filePath("file:///a/My%20B/C.htm#QENP_STOP#"), "/a/My B/C.htm");
  EXPECT_EQ(url::withoutFragment("file:///a/B.htm#QENP_KEYCMD##KEYALT#187"), "file:///a/B.htm");
  EXPECT_EQ(url::fragment("file:///a/B.htm#QENP_KEYCMD##KEYALT#187"), "QENP_KEYCMD##KEYALT#187");
  EXPECT_EQ(url::fragment("file:///a/B.htm"), std::nullopt);
  // Inline pages may hold "#" in their markup: no fragment there.
  EXPECT_EQ(url::fragment("about:<p style='color:#fff'>x</p>"), std::nullopt);
  EXPECT_EQ(url::scheme("C:\\x"), "");
  EXPECT_EQ(url::scheme("HTTP://x"), "http");
  EXPECT_EQ(url::fileAddress("/a/50% #1?.htm", "#f"), "file:///a/50%25%20%231%3F.htm#f");
}

TEST(Urls, FindsPathsIgnoringCaseOnlyWhenTheExactNameIsMissing) {
  namespace fs = std::filesystem;
  const lumo::testsupport::TempFolder temp("lumo-urls");
  const fs::path& root = temp.path();
  fs::create_directories(root / "Include");
  std::ofstream(root / "Include" / "Style1.css") << "p{}";
  std::ofstream(root / "Include" / "style1.CSS") << "p{}";

  EXPECT_EQ(url::findPathIgnoringCase((root / "INCLUDE/STYLE2.css").string()), std::nullopt);
  EXPECT_EQ(url::findPathIgnoringCase((root / "Include/style1.CSS").string()), (root / "Include/style1.CSS").string());
  const auto found = url::findPathIgnoringCase((root / "include/STYLE1.css").string());
  ASSERT_TRUE(found);
  EXPECT_TRUE(fs::exists(*found));
  EXPECT_EQ(fs::path(*found).parent_path(), root / "Include");
  // ".." is the file system's: after a missing folder nothing is found, as
  // the exact path would not be.
  EXPECT_EQ(url::findPathIgnoringCase((root / "nothing/../include/STYLE1.css").string()), std::nullopt);
  EXPECT_TRUE(url::findPathIgnoringCase((root / "Include/../include/STYLE1.css").string()));
}

}  // namespace
