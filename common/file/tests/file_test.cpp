#include "common/file/file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "common/file/replacement.h"
#include "testsupport/common/test_files.h"

namespace fs = std::filesystem;

namespace lumo::file {
namespace {

using testsupport::readBytes;
using testsupport::runInChild;
using testsupport::writeBytes;

class FileTest : public ::testing::Test {
 protected:
  fs::path path(const std::string& name) const { return folder_.path() / name; }
  size_t entries() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder_.path()), fs::directory_iterator()));
  }
  testsupport::TempFolder folder_{"lumo-file"};
};

// The number an open raises, run as an unprivileged user so that
// permissions apply (0 when the open succeeds).
int openError(const fs::path& p, int flags, int denied) {
  return runInChild([&] {
    openFile(p.string(), flags, denied);
    return 0;
  });
}

TEST_F(FileTest, AFileThatCannotBeOpenedRaisesTheNumberOfItsCause) {
  writeBytes(path("locked"), "x");
  fs::permissions(path("locked"), fs::perms::none);
  writeBytes(path("plain"), "x");
  fs::permissions(folder_.path(), fs::perms::all);
  fs::permissions(path("plain"), fs::perms::all);
  struct Case {
    const char* name;
    int flags;
    int denied;
    int number;
  };
  const Case cases[] = {
      {"missing", O_RDONLY, err::PermissionDenied, err::FileNotFound},
      {"plain/below", O_RDONLY, err::PathFileAccess, err::FileNotFound},  // ENOTDIR: no such file either
      {"locked", O_RDONLY, err::PermissionDenied, err::PermissionDenied},
      {"locked", O_RDWR, err::PathFileAccess, err::PathFileAccess},
      {".", O_RDWR, err::PermissionDenied, err::PathFileAccess},  // EISDIR: any other cause
      {"plain", O_RDWR, err::PermissionDenied, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(openError(path(c.name), c.flags, c.denied), c.number) << c.name;
}

TEST_F(FileTest, AnOpenFileTellsItsStatus) {
  writeBytes(path("a.mp3"), "12345");
  const OpenFile file = openFile(path("a.mp3").string(), O_RDONLY);
  EXPECT_TRUE(file.regular());
  EXPECT_EQ(file.status.st_size, 5);
  EXPECT_GE(::fcntl(file.handle.get(), F_GETFD) & FD_CLOEXEC, 1);
  char bytes[8] = {};
  EXPECT_EQ(readAt(file.handle.get(), 3, bytes, sizeof bytes), 2);  // fewer only where the file ends
  EXPECT_EQ(std::string(bytes, 2), "45");
}

TEST_F(FileTest, AReplacementTakesTheTargetsPlaceOnlyWhenCommitted) {
  writeBytes(path("page.htm"), "old");
  {
    ReplacementFile out(path("page.htm"), {.prefix = ".t-"});
    ASSERT_EQ(out.create(), 0);
    ASSERT_EQ(out.write("half"), 0);
    EXPECT_EQ(entries(), 2u);
  }  // given up
  EXPECT_EQ(readBytes(path("page.htm")), "old");
  EXPECT_EQ(entries(), 1u);

  ReplacementFile out(path("page.htm"), {.prefix = ".t-", .mode = 0600});
  ASSERT_EQ(out.create(), 0);
  ASSERT_EQ(out.write("new"), 0);
  ASSERT_EQ(out.commit(), 0);
  EXPECT_EQ(readBytes(path("page.htm")), "new");
  EXPECT_EQ(fs::status(path("page.htm")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(entries(), 1u);
}

TEST_F(FileTest, AFailedReplacementLeavesTheOriginalWholeAndNoTemporaryFile) {
  const std::string old(1000, 'o');
  writeBytes(path("part.mp3"), old);
  fs::permissions(folder_.path(), fs::perms::all);
  fs::permissions(path("part.mp3"), fs::perms::all);
  // Files may grow to 4000 bytes only, as on a full disk: the write fails.
  EXPECT_EQ(runInChild(
                [&] {
                  ReplacementFile out(path("part.mp3"), {.prefix = ".t-"});
                  if (out.create() != 0) return 1;
                  return out.write(std::string(8000, 'n')) == EFBIG ? 0 : 2;
                },
                4000),
            0);
  EXPECT_EQ(readBytes(path("part.mp3")), old);
  EXPECT_EQ(entries(), 1u);

  // A folder that takes no new file: nothing is made, the original stays.
  fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  EXPECT_EQ(runInChild([&] {
              ReplacementFile out(path("part.mp3"), {.prefix = ".t-"});
              return out.create() == EACCES ? 0 : 1;
            }),
            0);
  fs::permissions(folder_.path(), fs::perms::all);
  EXPECT_EQ(readBytes(path("part.mp3")), old);
  EXPECT_EQ(entries(), 1u);

  // The rename fails (a folder of that name is in the way): the hidden
  // file goes, the folder stays.
  fs::create_directories(path("book") / "Libro");
  ReplacementFile out(path("book"), {.prefix = ".t-"});
  ASSERT_EQ(out.create(), 0);
  ASSERT_EQ(out.write("new"), 0);
  EXPECT_NE(out.commit(), 0);
  EXPECT_TRUE(fs::is_directory(path("book") / "Libro"));
  EXPECT_EQ(entries(), 2u);
}

TEST_F(FileTest, ATargetNameNoFileSystemTakesFailsBeforeAnythingIsWritten) {
  ReplacementFile out(path(std::string(256, 'n')), ReplacementFile::newFileOptions());
  EXPECT_EQ(out.create(), ENAMETOOLONG);
  EXPECT_EQ(out.commit(), EBADF);
  EXPECT_EQ(entries(), 0u);
}

}  // namespace
}  // namespace lumo::file
