// Throughput of GetMp3Info: a frame walk over 100 MB of constant-bitrate and
// of variable-bitrate frames without a VBR header, and a file whose Xing
// header gives the counts at once. The files are written once into /tmp.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "common/mp3/mp3.h"
#include "common/mp3/tests/frame_writer.h"

namespace {

namespace fs = std::filesystem;
using lumo::mp3::testing::FrameFields;
namespace tw = lumo::mp3::testing;

constexpr size_t kTargetBytes = 100u * 1000 * 1000;

const fs::path& benchFolder() {
  static const fs::path folder = tw::makeTempFolder("lumo-mp3-bench");
  return folder;
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

const std::string& xingFile() {
  static const std::string path = [] {
    const std::string p = (benchFolder() / "xing.mp3").string();
    const std::string audio = streamOf({128, 160, 96, 192, 112, 256, 64, 320, 128, 224, 80});
    tw::writeFile(p, tw::xingFrame(FrameFields{}, "Xing", 36, 3, 250000, static_cast<uint32_t>(audio.size())) +
                         audio);
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

void BM_CbrWalk100MB(benchmark::State& state) { measure(state, cbrFile()); }
void BM_VbrWalk100MB(benchmark::State& state) { measure(state, vbrFile()); }
void BM_XingHeader100MB(benchmark::State& state) { measure(state, xingFile()); }

BENCHMARK(BM_CbrWalk100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VbrWalk100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XingHeader100MB)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!benchFolder().empty()) fs::remove_all(benchFolder());
  return 0;
}
