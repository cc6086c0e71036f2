// Throughput of GetMp3Info: 100 MB of constant-bitrate frames without a VBR
// header (told by probes), a frame walk over 100 MB of variable-bitrate
// frames without one, and a file whose Xing header gives the counts at once.
// The files are written once into /tmp.
// The cold pairs read the Xing file and a 10-hour constant-bitrate file
// without a VBR header (MPEG-2 64 kbit/s, 288 MB, padded as encoders pad)
// after dropping each from the page cache, with GetMp3Info and with mutagen
// (mutagen_cold.py, /usr/bin/python3 with python3-mutagen) in the same run,
// and count what the read left cached.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/mp3/mp3.h"
#include "testsupport/common/cbr_frames.h"
#include "testsupport/common/mp3_frames.h"
#include "testsupport/common/test_files.h"

namespace {

namespace fs = std::filesystem;
using lumo::mp3::testing::FrameFields;
namespace tw = lumo::mp3::testing;

constexpr size_t kTargetBytes = 100u * 1000 * 1000;

const fs::path& benchFolder() {
  static const lumo::testsupport::TempFolder folder("lumo-mp3-bench");
  return folder.path();
}

// Frames cycling through the given bitrates until the file holds 100 MB.
std::string streamOf(std::initializer_list<int> bitrates) {
  std::string one;
  for (int kbps : bitrates) one += tw::frame(FrameFields{.bitrate = kbps});
  std::string all;
  all.reserve(kTargetBytes + one.size());
  while (all.size() < kTargetBytes) all += one;
  return all;
}

const std::string& cbrFile() {
  static const std::string path = [] {
    const std::string p = (benchFolder() / "cbr.mp3").string();
    tw::writeFile(p, streamOf({128}));
    return p;
  }();
  return path;
}

const std::string& vbrFile() {
  static const std::string path = [] {
    const std::string p = (benchFolder() / "vbr.mp3").string();
    tw::writeFile(p, streamOf({128, 160, 96, 192, 112, 256, 64, 320, 128, 224, 80}));
    return p;
  }();
  return path;
}

// On disk before anything is measured, so no write-back runs meanwhile and
// the file can be dropped from the page cache.
void writeBack(const std::string& p) {
  if (const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

const std::string& xingFile() {
  static const std::string path = [] {
    const std::string p = (benchFolder() / "xing.mp3").string();
    const std::string audio = streamOf({128, 160, 96, 192, 112, 256, 64, 320, 128, 224, 80});
    tw::writeFile(p, tw::xingFrame(FrameFields{}, "Xing", 36, 3, 250000, static_cast<uint32_t>(audio.size())) + audio);
    writeBack(p);
    return p;
  }();
  return path;
}

const std::string& tenHourCbrFile() {
  static const std::string path = [] {
    const std::string p = (benchFolder() / "cbr10h.mp3").string();
    const FrameFields lsf{.version = 2, .bitrate = 64, .sampleRate = 22050, .mode = 3};
    tw::writeFile(p, tw::paddedCbrFrames(lsf, 10 * 3600 * 22050 / 576));
    writeBack(p);
    return p;
  }();
  return path;
}

void measure(benchmark::State& state, const std::string& path) {
  const auto bytes = static_cast<int64_t>(fs::file_size(path));
  lumo::mp3::Mp3Info info;
  for (auto _ : state) {
    if (lumo::mp3::GetMp3Info(path, info) != 1) state.SkipWithError("file not analysed");
    benchmark::DoNotOptimize(info.Duration);
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["frames"] = info.Frames;
  state.counters["seconds"] = info.Duration;
}

// Drops the file (written back when it was made) from the page cache.
void dropFromCache(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
}

// Kilobytes of the file in the page cache.
double cachedKilobytes(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  const auto size = static_cast<size_t>(fs::file_size(path));
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  if (map == MAP_FAILED) return -1;
  const long page = ::sysconf(_SC_PAGESIZE);
  std::vector<unsigned char> resident((size + static_cast<size_t>(page) - 1) / static_cast<size_t>(page));
  double kb = -1;
  if (::mincore(map, size, resident.data()) == 0) {
    size_t pages = 0;
    for (unsigned char r : resident) pages += r & 1;
    kb = static_cast<double>(pages) * static_cast<double>(page) / 1024;
  }
  ::munmap(map, size);
  return kb;
}

void measureCold(benchmark::State& state, const std::string& path) {
  lumo::mp3::Mp3Info info;
  double cached = 0;
  for (auto _ : state) {
    dropFromCache(path);
    const auto start = std::chrono::steady_clock::now();
    if (lumo::mp3::GetMp3Info(path, info) != 1) state.SkipWithError("file not analysed");
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    cached = cachedKilobytes(path);
  }
  state.counters["seconds"] = info.Duration;
  state.counters["cached_kB"] = cached;
}

// mutagen's MP3 length of the same file, cold, from a Python loop that
// times each read alone (the interpreter's start is not counted).
void measureColdWithMutagen(benchmark::State& state, const std::string& path) {
  const std::string script = std::string(LUMO_SOURCE_DIR) + "/common/mp3/bench/mutagen_cold.py";
  for (auto _ : state) {
    const int reads = 200;
    const std::string command = "/usr/bin/python3 '" + script + "' '" + path + "' " + std::to_string(reads);
    FILE* pipe = ::popen(command.c_str(), "r");
    double mean = 0, length = 0;
    if (pipe == nullptr || std::fscanf(pipe, "%lf %lf", &mean, &length) != 2) {
      if (pipe) ::pclose(pipe);
      state.SkipWithError("mutagen_cold.py failed (python3-mutagen installed?)");
      break;
    }
    ::pclose(pipe);
    state.SetIterationTime(mean);
    state.counters["seconds"] = length;
    state.counters["cached_kB"] = cachedKilobytes(path);
  }
}

void BM_XingHeaderCold(benchmark::State& state) { measureCold(state, xingFile()); }
void BM_XingHeaderColdMutagen(benchmark::State& state) { measureColdWithMutagen(state, xingFile()); }
void BM_TenHourCbrWithoutHeaderCold(benchmark::State& state) { measureCold(state, tenHourCbrFile()); }
void BM_TenHourCbrWithoutHeaderColdMutagen(benchmark::State& state) { measureColdWithMutagen(state, tenHourCbrFile()); }

void BM_CbrProbed100MB(benchmark::State& state) { measure(state, cbrFile()); }
void BM_VbrWalk100MB(benchmark::State& state) { measure(state, vbrFile()); }
void BM_XingHeader100MB(benchmark::State& state) { measure(state, xingFile()); }

BENCHMARK(BM_CbrProbed100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VbrWalk100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XingHeader100MB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_XingHeaderCold)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_XingHeaderColdMutagen)->UseManualTime()->Iterations(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TenHourCbrWithoutHeaderCold)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TenHourCbrWithoutHeaderColdMutagen)->UseManualTime()->Iterations(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!benchFolder().empty()) fs::remove_all(benchFolder());
  return 0;
}
