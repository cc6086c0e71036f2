#include "common/tools/paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "testsupport/common/test_files.h"

namespace fs = std::filesystem;
using lumo::tools::existsNoCase;
using lumo::tools::resolvePath;

namespace {

// root/Book/Marker.TXT, root/Book/Libro/, root/Include/style1.css and
// root/Link -> root/Book/Libro (a linked folder).
class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root / "Book" / "Libro");
    fs::create_directories(root / "Include");
    std::ofstream(root / "Book" / "Marker.TXT") << "x";
    std::ofstream(root / "Include" / "style1.css") << "p{}";
    fs::create_directory_symlink(root / "Book" / "Libro", root / "Link");
    r = root.string();
  }
  lumo::testsupport::TempFolder temp{"lumo-paths"};
  fs::path root = temp.path();
  std::string r;
};

}  // namespace

TEST_F(PathsTest, ResolvesEachComponentWithoutRegardToCase) {
  EXPECT_EQ(resolvePath(r + "/book/marker.txt"), r + "/Book/Marker.TXT");
  EXPECT_EQ(resolvePath(r + "/Book/Marker.TXT"), r + "/Book/Marker.TXT");
  // A folder keeps the "/" its caller wrote.
  EXPECT_EQ(resolvePath(r + "/BOOK/libro/"), r + "/Book/Libro/");
  EXPECT_EQ(resolvePath(r + "/BOOK/new/"), r + "/Book/new/");
  // A missing tail is kept as written after the part that matched.
  EXPECT_EQ(resolvePath(r + "/book/New/x.htm"), r + "/Book/New/x.htm");
  EXPECT_EQ(resolvePath(""), "");
  EXPECT_TRUE(existsNoCase(r + "/BOOK/MARKER.txt"));
  EXPECT_FALSE(existsNoCase(r + "/BOOK/other.txt"));
}

// ".." means what the file system makes of it, so a path found without
// regard to case names the file the exact spelling names.
TEST_F(PathsTest, DotDotIsTheFileSystemsParent) {
  // After a component matched in another case.
  EXPECT_EQ(resolvePath(r + "/book/libro/../../include/STYLE1.css"), r + "/Book/Libro/../../Include/style1.css");
  EXPECT_TRUE(fs::exists(resolvePath(r + "/book/libro/../../include/STYLE1.css")));
  // After a folder that does not exist: nothing is found, as the exact path
  // would not be (a lexical ".." would find root/Include/style1.css).
  EXPECT_FALSE(existsNoCase(r + "/nothing/../include/style1.css"));
  EXPECT_FALSE(existsNoCase(r + "/nothing/../Include/style1.css"));
  // Through a linked folder: the parent of the link's target (Book), not
  // the folder holding the link.
  EXPECT_TRUE(existsNoCase(r + "/link/../marker.txt"));
  EXPECT_EQ(resolvePath(r + "/link/../marker.txt"), r + "/Link/../Marker.TXT");
  EXPECT_FALSE(existsNoCase(r + "/link/../include/style1.css"));
  // "." stays where it is.
  EXPECT_EQ(resolvePath(r + "/./book/./marker.txt"), r + "/./Book/./Marker.TXT");
}
