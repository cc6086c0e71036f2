// One page-builder run on a book of 500 MP3 files (10 s of synthetic frames
// each, 5 headings per file), pages and home page included. And the run
// cold (every file dropped from the page cache first) on a book of 500
// two-minute constant-bitrate files (MPEG-2 32 kbit/s mono, padded as
// encoders pad) without a VBR header, against the same book whose files
// begin with an Info header; and only the measuring of those two books, by
// 0 (one file after another), 1, 2, 4 and 8 threads.
//
//   lumo_zivuvu_bench --write_books=DIR
// writes those two books as DIR/no-header and DIR/info-header and ends, for
// side_by_side.sh, which times the program itself on them.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string_view>

#include "platform/registry/registry.h"
#include "testsupport/book_fixture.h"
#include "testsupport/common/cbr_frames.h"
#include "zivuvu/core/measure_ahead.h"
#include "zivuvu/core/zivuvu_run.h"

using namespace lumo::testsupport::book;

namespace {

constexpr int kFiles = 500;
constexpr int kMarkers = 5;

using MakeMp3 = void (*)(const fs::path&);

void makeLargeBook(
    const fs::path& book, MakeMp3 makeMp3 = [](const fs::path& file) { writeMp3(file, 10); }) {
  fs::create_directories(book / "Libro");
  std::vector<std::string> index = {"BIG500", "Autore", "Titolo", "Editore", "Luogo", "Voce", std::to_string(kFiles)};
  for (int f = 0; f < kFiles; ++f) {
    const std::string name = "f" + std::to_string(1000 + f);
    const std::string next = f + 1 < kFiles ? "f" + std::to_string(1001 + f) : "";
    index.push_back(name + "," + std::to_string(kMarkers) + "," + next);
    for (int m = 0; m < kMarkers; ++m) {
      index.push_back("Paragrafo " + std::to_string(m + 1));
      index.push_back(std::to_string(m * 2) + "," + std::to_string(f * kMarkers + m));
    }
    makeMp3(book / "Libro" / (name + ".mp3"));
  }
  lumo::text::writeTextFile(book / "marker.txt", index);
}

void BM_ZivuvuRun500Files(benchmark::State& state) {
  TempFolder tmp("zivuvu_bench");
  ::setenv("XDG_CONFIG_HOME", (tmp.path / "config").c_str(), 1);
  ::setenv("LUMO_MACHINE_REGISTRY", (tmp.path / "machine.sqlite").c_str(), 1);
  makeLargeBook(tmp.path / "book");
  fs::create_directories(tmp.path / "app");
  lumo::registry::SaveSetting("Zivuvu", "Default", "CD", (tmp.path / "book").string());
  lumo::zivuvu::RunOptions options;
  options.appFolder = (tmp.path / "app").string();
  options.startPlayer = [](const std::string&) { return true; };
  for (auto _ : state) lumo::zivuvu::ZivuvuRun(options);
  state.counters["files"] = kFiles;
}
BENCHMARK(BM_ZivuvuRun500Files)->Unit(benchmark::kMillisecond)->Iterations(5);

namespace tw = lumo::mp3::testing;

const tw::FrameFields kLsfMono{.version = 2, .bitrate = 32, .sampleRate = 22050, .mode = 3};
constexpr int kTwoMinutes = 120 * 22050 / 576;

const std::string& twoMinutes() {
  static const std::string audio = tw::paddedCbrFrames(kLsfMono, kTwoMinutes);
  return audio;
}

void writeSynced(const fs::path& file, const std::string& bytes) {
  tw::writeFile(file, bytes);
  if (const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

void withoutHeader(const fs::path& file) { writeSynced(file, twoMinutes()); }

void withInfoHeader(const fs::path& file) {
  const std::string& audio = twoMinutes();
  const std::string info = tw::xingFrame(kLsfMono, "Info", 13, 3, kTwoMinutes, 0);
  std::string bytes = info + audio;
  tw::putBigEndian(bytes, 13 + 12, static_cast<uint32_t>(bytes.size()));
  writeSynced(file, bytes);
}

void dropBookFromCache(const fs::path& book) {
  for (const auto& entry : fs::recursive_directory_iterator(book)) {
    if (!entry.is_regular_file()) continue;
    if (const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
      ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
      ::close(fd);
    }
  }
}

// The two cold books, made once for the benchmarks below.
const fs::path& coldBooks() {
  static const TempFolder folder("zivuvu_bench_books");
  static const bool made = [] {
    makeLargeBook(folder.path / "no-header", withoutHeader);
    makeLargeBook(folder.path / "info-header", withInfoHeader);
    return true;
  }();
  static_cast<void>(made);
  return folder.path;
}

void runCold(benchmark::State& state, const char* book) {
  const fs::path bookFolder = coldBooks() / book;
  TempFolder tmp("zivuvu_bench_cold");
  ::setenv("XDG_CONFIG_HOME", (tmp.path / "config").c_str(), 1);
  ::setenv("LUMO_MACHINE_REGISTRY", (tmp.path / "machine.sqlite").c_str(), 1);
  fs::create_directories(tmp.path / "app");
  lumo::registry::SaveSetting("Zivuvu", "Default", "CD", bookFolder.string());
  lumo::zivuvu::RunOptions options;
  options.appFolder = (tmp.path / "app").string();
  options.startPlayer = [](const std::string&) { return true; };
  for (auto _ : state) {
    dropBookFromCache(bookFolder);
    const auto start = std::chrono::steady_clock::now();
    lumo::zivuvu::ZivuvuRun(options);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["files"] = kFiles;
}

void BM_ZivuvuCold500CbrWithoutHeader(benchmark::State& state) { runCold(state, "no-header"); }
void BM_ZivuvuCold500CbrWithInfoHeader(benchmark::State& state) { runCold(state, "info-header"); }
BENCHMARK(BM_ZivuvuCold500CbrWithInfoHeader)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ZivuvuCold500CbrWithoutHeader)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Only the measuring of a cold book's 500 files, by as many threads as the
// argument says (0: one file after another on this thread).
void BM_MeasureAheadCold500(benchmark::State& state, const char* book) {
  const fs::path bookFolder = coldBooks() / book;
  std::vector<std::string> paths;
  for (int f = 0; f < kFiles; ++f)
    paths.push_back((bookFolder / "Libro" / ("f" + std::to_string(1000 + f) + ".mp3")).string());
  const auto threads = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    dropBookFromCache(bookFolder);
    const auto start = std::chrono::steady_clock::now();
    {
      lumo::zivuvu::MeasureAhead ahead(paths, {}, {}, threads);
      for (size_t i = 0; i < paths.size(); ++i)
        if (ahead.take(i).duration != 120) state.SkipWithError("a file was not measured");
    }
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["files"] = kFiles;
}
// Both books are measured with 0 (in turn), 1, 2, 4 and 8 threads, five
// times each.
void threadCounts(benchmark::internal::Benchmark* bench) {
  bench->ArgName("threads")
      ->Arg(0)
      ->Arg(1)
      ->Arg(2)
      ->Arg(4)
      ->Arg(8)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->Iterations(5);
}
BENCHMARK_CAPTURE(BM_MeasureAheadCold500, CbrWithInfoHeader, "info-header")->Apply(threadCounts);
BENCHMARK_CAPTURE(BM_MeasureAheadCold500, CbrWithoutHeader, "no-header")->Apply(threadCounts);

// The two cold books, for a measurement of the program outside this binary.
int writeBooks(const fs::path& folder) {
  makeLargeBook(folder / "no-header", withoutHeader);
  makeLargeBook(folder / "info-header", withInfoHeader);
  ::sync();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr std::string_view kWriteBooks = "--write_books=";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with(kWriteBooks)) return writeBooks(fs::path(arg.substr(kWriteBooks.size())));
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
