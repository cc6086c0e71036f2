// The playing times of a book's files measured ahead on threads: each file
// gets its own, in the book's order, whatever the threads; the yield runs
// only on the thread that takes them.

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <thread>

#include "testsupport/common/mp3_frames.h"
#include "testsupport/common/test_files.h"
#include "testsupport/test_env.h"
#include "zivuvu/core/measure_ahead.h"

namespace lumo::zivuvu {
namespace {

namespace fs = std::filesystem;

struct Book {
  std::vector<std::string> paths;                 // as the index names them: "F<n>.MP3"
  std::vector<std::string> resolved;              // as they are on disk: "f<n>.mp3"
  std::vector<std::optional<int32_t>> durations;  // what GetMp3Info gives, file by file
};

// The lookup of a name without regard to case, for these books.
std::string lowerCaseName(const std::string& path) {
  const fs::path p(path);
  std::string name = p.filename().string();
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return (p.parent_path() / name).string();
}

// Files of 1 to 9 seconds, every seventh missing and every eleventh holding
// no frames (bytes FF that are no headers: the search yields at each).
Book makeBook(const fs::path& folder, int count) {
  Book book;
  for (int f = 0; f < count; ++f) {
    const fs::path file = folder / ("f" + std::to_string(f) + ".mp3");
    if (f % 11 == 5) {
      mp3::testing::writeFile(file, std::string(20000, '\xFF'));
    } else if (f % 7 != 3) {
      mp3::testing::writeMp3Seconds(file, f % 9 + 1);
    }
    book.paths.push_back((folder / ("F" + std::to_string(f) + ".MP3")).string());
    book.resolved.push_back(file.string());
    mp3::Mp3Info info;
    book.durations.push_back(mp3::GetMp3Info(file.string(), info) == 1 ? std::optional<int32_t>(info.Duration)
                                                                       : std::nullopt);
  }
  return book;
}

TEST(MeasureAhead, EachFileGetsItsOwnPlayingTimeInOrder) {
  testsupport::TempFolder folder("lumo-measure-ahead");
  // More files than the threads measure ahead, so that they wait for the
  // results to be taken.
  const int count = static_cast<int>(MeasureAhead::kAhead) * 2 + 7;
  const Book book = makeBook(folder.path(), count);
  ASSERT_EQ(book.durations[3], std::nullopt);
  ASSERT_EQ(book.durations[5], std::nullopt);
  ASSERT_EQ(book.durations[8], 9);
  for (size_t threads : {size_t{0}, size_t{1}, MeasureAhead::kThreads, size_t{16}}) {
    SCOPED_TRACE(threads);
    int yields = 0;
    MeasureAhead ahead(
        book.paths, lowerCaseName, [&yields] { ++yields; }, threads);
    for (size_t i = 0; i < book.paths.size(); ++i) {
      const MeasureAhead::Measured measured = ahead.take(i);
      EXPECT_EQ(measured.path, book.resolved[i]);
      EXPECT_EQ(measured.duration, book.durations[i]) << measured.path;
    }
    // Without threads every file is measured where its result is taken,
    // with the frame search yielding as it goes.
    if (threads == 0) {
      EXPECT_GT(yields, 0);
    }
  }
  // Results left untaken: the threads end with the object.
  for (size_t taken : {size_t{0}, size_t{3}}) {
    MeasureAhead ahead(book.paths, lowerCaseName, {});
    for (size_t i = 0; i < taken; ++i) EXPECT_EQ(ahead.take(i).duration, book.durations[i]);
  }
}

TEST(MeasureAhead, YieldsOnlyOnTheThreadThatTakesTheResults) {
  testsupport::TempFolder folder("lumo-measure-ahead");
  const Book book = makeBook(folder.path(), 40);
  const std::thread::id here = std::this_thread::get_id();
  std::atomic<int> elsewhere = 0;
  MeasureAhead ahead(book.paths, lowerCaseName, [&] {
    if (std::this_thread::get_id() != here) ++elsewhere;
  });
  for (size_t i = 0; i < book.paths.size(); ++i) EXPECT_EQ(ahead.take(i).duration, book.durations[i]);
  EXPECT_EQ(elsewhere, 0);
}

// A disc is read by one thread, in the book's order; every other drive by
// several.
TEST(MeasureAhead, OneThreadReadsTheFilesOfACdRom) {
  testsupport::TempFolder folder("lumo-measure-ahead");
  const fs::path root = fs::canonical(folder.path());
  for (const char* sub : {"disc/Libro", "disc2", "usb/Libro"}) fs::create_directories(root / sub);
  mp3::testing::writeFile(root / "mounts", "/dev/vda / ext4 rw 0 0\n/dev/sr0 " + (root / "disc").string() +
                                               " iso9660 ro 0 0\n/dev/sdb1 " + (root / "usb").string() +
                                               " vfat rw 0 0\n");
  testsupport::ScopedEnv mounts{"LUMO_MOUNTS", (root / "mounts").string()};
  EXPECT_EQ(MeasureAhead::threadsFor((root / "disc/Libro").string()), 1u);
  EXPECT_EQ(MeasureAhead::threadsFor((root / "disc").string() + "/"), 1u);
  EXPECT_EQ(MeasureAhead::threadsFor((root / "disc2").string()), MeasureAhead::kThreads);
  EXPECT_EQ(MeasureAhead::threadsFor((root / "usb/Libro").string()), MeasureAhead::kThreads);
  EXPECT_EQ(MeasureAhead::threadsFor((root / "missing").string()), MeasureAhead::kThreads);
}

}  // namespace
}  // namespace lumo::zivuvu
