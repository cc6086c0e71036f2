// One page-builder run on a book of 500 MP3 files (10 s of synthetic frames
// each, 5 headings per file), pages and home page included. And the run
// cold (every file dropped from the page cache first) on a book of 500
// two-minute constant-bitrate files (MPEG-2 32 kbit/s mono, padded as
// encoders pad) without a VBR header, against the same book whose files
// begin with an Info header.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "platform/registry/registry.h"
#include "testsupport/book_fixture.h"
#include "testsupport/cbr_frames.h"
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

void runCold(benchmark::State& state, MakeMp3 makeMp3) {
  TempFolder tmp("zivuvu_bench_cold");
  ::setenv("XDG_CONFIG_HOME", (tmp.path / "config").c_str(), 1);
  ::setenv("LUMO_MACHINE_REGISTRY", (tmp.path / "machine.sqlite").c_str(), 1);
  makeLargeBook(tmp.path / "book", makeMp3);
  fs::create_directories(tmp.path / "app");
  lumo::registry::SaveSetting("Zivuvu", "Default", "CD", (tmp.path / "book").string());
  lumo::zivuvu::RunOptions options;
  options.appFolder = (tmp.path / "app").string();
  options.startPlayer = [](const std::string&) { return true; };
  for (auto _ : state) {
    dropBookFromCache(tmp.path / "book");
    const auto start = std::chrono::steady_clock::now();
    lumo::zivuvu::ZivuvuRun(options);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["files"] = kFiles;
}

void BM_ZivuvuCold500CbrWithoutHeader(benchmark::State& state) { runCold(state, withoutHeader); }
void BM_ZivuvuCold500CbrWithInfoHeader(benchmark::State& state) { runCold(state, withInfoHeader); }
BENCHMARK(BM_ZivuvuCold500CbrWithInfoHeader)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ZivuvuCold500CbrWithoutHeader)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
