// A whole conversion of a large book (200 files, 2,000 markers, about 1 GB of
// MP3) against a plain `cp` of the same files on the same disk. The book is
// generated once in the temporary folder and removed at the end.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/text/text.h"
#include "converter/conversion.h"
#include "platform/ui/ui.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 200;
constexpr int kMarkersPerFile = 10;
constexpr int kSeconds = 312;  // 312 s at 16000 bytes a second: 4,992,000 bytes a file

const fs::path kRoot = fs::temp_directory_path() / ("lumo_converter_bench_" + std::to_string(::getpid()));

std::string fileName(int f) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%03d", f);
  return buf;
}

// MPEG-1 Layer III frames at 128 kbit/s and 44.1 kHz with zero payload.
void generateBook() {
  const fs::path libro = kRoot / "book" / "Libro";
  fs::create_directories(libro);
  std::string audio(static_cast<size_t>(kSeconds) * 16000, '\0');
  for (size_t at = 0; at + 417 <= audio.size(); at += 417) audio.replace(at, 4, "\xFF\xFB\x90\x64");
  std::vector<std::string> lines = {
      "BENCH01", "Autore", "Un libro lungo", "Editore", "Roma 2024", "Lettore", " " + std::to_string(kFiles) + " "};
  for (int f = 1; f <= kFiles; ++f) {
    std::ofstream(libro / (fileName(f) + ".mp3"), std::ios::binary) << audio;
    lines.push_back(fileName(f) + "," + std::to_string(kMarkersPerFile) + "," + (f < kFiles ? fileName(f + 1) : ""));
    for (int m = 0; m < kMarkersPerFile; ++m) {
      lines.push_back(m == 0 && f > 1 ? "Segue capitolo " + std::to_string(f - 1)
                                      : "Capitolo " + std::to_string(f) + "." + std::to_string(m + 1));
      lines.push_back(std::to_string(m * 30) + "," + std::to_string((f - 1) * kMarkersPerFile + m + 1));
    }
  }
  lumo::text::writeTextFile(kRoot / "book" / "marker.txt", lines);
  fs::create_directories(kRoot / "prog");
}

void syncDisk() { ::sync(); }

void BM_Conversion(benchmark::State& state) {
  auto script = std::make_shared<lumo::ui::ScriptedBackend>();
  lumo::ui::setBackend(script);
  lumo::converter::ConversionRequest request;
  request.exportBase = (kRoot / "export").string() + "/";
  request.exportFolder = request.exportBase + "MyLUMO/DAISY/";
  request.indexPath = (kRoot / "book" / "marker.txt").string();
  request.mp3Folder = (kRoot / "book" / "Libro").string() + "/";
  request.programFolder = (kRoot / "prog").string() + "/";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(kRoot / "export");
    syncDisk();
    script->clear();
    lumo::converter::Conversion conversion;
    state.ResumeTiming();
    const auto outcome = conversion.Converti(request);
    if (outcome != lumo::converter::RunOutcome::Completed || conversion.table().rowCount() != kFiles * kMarkersPerFile)
      state.SkipWithError("the conversion did not complete");
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kFiles} * kSeconds * 16000);
}

void BM_CpOfTheSameFiles(benchmark::State& state) {
  const std::string command = "cp " + (kRoot / "book" / "Libro").string() + "/*.mp3 " + (kRoot / "copy").string() + "/";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(kRoot / "copy");
    fs::create_directories(kRoot / "copy");
    syncDisk();
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kFiles} * kSeconds * 16000);
}

BENCHMARK(BM_Conversion)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CpOfTheSameFiles)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  generateBook();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(kRoot);
  return 0;
}
