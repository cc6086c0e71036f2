#include "common/tools/copy_range.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>

#include "testsupport/common/test_files.h"

namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A range of the source lands after what the target already holds, through
// the kernel (regular files) and through plain reads (a pipe as the target);
// a range past the source's end fails instead of copying short.
TEST(CopyRange, AppendsExactlyTheRangeOrFails) {
  lumo::testsupport::TempFolder folder;
  const std::string source = (folder.path() / "source").string();
  const std::string target = (folder.path() / "target").string();
  std::string bytes;
  for (int i = 0; i < 300000; ++i) bytes += static_cast<char>(i * 7);
  std::ofstream(source, std::ios::binary) << bytes;
  std::ofstream(target, std::ios::binary) << "head";

  const int from = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  const int to = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(from, 0);
  ASSERT_GE(to, 0);
  ASSERT_EQ(::lseek(to, 0, SEEK_END), 4);
  EXPECT_EQ(lumo::tools::CopyRange(from, 1000, 290000, to), 0);
  EXPECT_TRUE(readAll(target) == "head" + bytes.substr(1000, 289000));
  EXPECT_EQ(lumo::tools::CopyRange(from, 299990, 300010, to), EIO);
  ::close(to);

  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  EXPECT_EQ(lumo::tools::CopyRange(from, 5, 25, pipeEnds[1]), 0);
  char got[20];
  ASSERT_EQ(::read(pipeEnds[0], got, sizeof got), 20);
  EXPECT_EQ(std::string(got, 20), bytes.substr(5, 20));
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  ::close(from);
}

}  // namespace
