// A whole conversion of a book of many files (200 MP3 files of 300 kB, ten
// markers a file: about 1,800 SMIL files) against `cp -r` of the fileset
// that the conversion itself made, on the same disk, in three cases:
//   disk_after_delete  on the disk, right after the previous output was deleted
//                      (a producer converting a book again);
//   disk_new_folder    on the disk, into a folder never used before;
//   tmpfs              in memory (/dev/shm), after deleting the previous output.
// The disk is the folder the benchmark runs in (LUMO_BENCH_DISK overrides it),
// the memory one /dev/shm (LUMO_BENCH_TMPFS).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/text/text.h"
#include "converter/core/conversion.h"
#include "platform/ui/ui.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 200;
constexpr int kMarkersPerFile = 10;
constexpr int kSeconds = 19;  // 19 s at 16000 bytes a second: 304,000 bytes a file
constexpr int kIterations = 5;

std::string fileName(int f) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%03d", f);
  return buf;
}

fs::path rootIn(const char* variable, const fs::path& fallback) {
  const char* value = std::getenv(variable);
  return (value && *value ? fs::path(value) : fallback) / ("lumo_converter_bench_" + std::to_string(::getpid()));
}

// MPEG-1 Layer III frames at 128 kbit/s and 44.1 kHz with zero payload.
void generateBook(const fs::path& root) {
  const fs::path libro = root / "book" / "Libro";
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
      lines.push_back(std::to_string(m * 1) + "," + std::to_string((f - 1) * kMarkersPerFile + m + 1));
    }
  }
  lumo::text::writeTextFile(root / "book" / "marker.txt", lines);
  fs::create_directories(root / "prog");
}

struct Place {
  fs::path root;
  bool deletePrevious;  // else every run writes into a new folder
};

Place& place(int which) {
  static Place places[] = {{rootIn("LUMO_BENCH_DISK", fs::current_path()), true},
                           {rootIn("LUMO_BENCH_DISK", fs::current_path()), false},
                           {rootIn("LUMO_BENCH_TMPFS", "/dev/shm"), true}};
  return places[which];
}

const char* const kCaseNames[] = {"disk_after_delete", "disk_new_folder", "tmpfs"};

lumo::converter::ConversionRequest requestFor(const fs::path& root, const fs::path& exportBase) {
  lumo::converter::ConversionRequest request;
  request.exportBase = exportBase.string() + "/";
  request.exportFolder = request.exportBase + "MyLUMO/DAISY/";
  request.indexPath = (root / "book" / "marker.txt").string();
  request.mp3Folder = (root / "book" / "Libro").string() + "/";
  request.programFolder = (root / "prog").string() + "/";
  return request;
}

// The export base of a run: one folder, or a new one for each run.
fs::path exportBaseOf(const Place& p, const char* what, int run) {
  return p.root / (p.deletePrevious ? std::string(what) : std::string(what) + "-" + std::to_string(run));
}

bool convertOnce(const lumo::converter::ConversionRequest& request) {
  lumo::converter::Conversion conversion;
  return conversion.Converti(request) == lumo::converter::RunOutcome::Completed &&
         conversion.table().rowCount() == kFiles * kMarkersPerFile;
}

std::shared_ptr<lumo::ui::ScriptedBackend> quietUi() {
  auto script = std::make_shared<lumo::ui::ScriptedBackend>();
  lumo::ui::setBackend(script);
  return script;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One run of each in turn, so that both meet the same load on the machine:
// the conversion, then `cp -r` of the book folder it made (discinfo.html,
// the SMIL files, ncc.html and the audio), each after its previous output
// was deleted (or into a new folder). The iteration time is the sum; the
// counters give each side and their ratio.
void BM_ConversionAgainstCpR(benchmark::State& state) {
  const Place& p = place(static_cast<int>(state.range(0)));
  state.SetLabel(kCaseNames[state.range(0)]);
  auto script = quietUi();
  const fs::path bookFolder = "MyLUMO/DAISY/(BENCH01) Un libro lungo";
  int run = 0;
  // The previous outputs that a producer's new conversion, and a new copy, follow.
  if (p.deletePrevious) {
    convertOnce(requestFor(p.root, exportBaseOf(p, "export", 0)));
    fs::copy(exportBaseOf(p, "export", 0) / bookFolder, exportBaseOf(p, "copy", 0), fs::copy_options::recursive);
  }
  double conversionSeconds = 0, copySeconds = 0;
  for (auto _ : state) {
    ++run;
    const fs::path base = exportBaseOf(p, "export", run);
    ::sync();
    fs::remove_all(base);
    script->clear();
    const auto request = requestFor(p.root, base);
    auto start = std::chrono::steady_clock::now();
    // Two failing look-ups that frame one conversion in a system-call trace.
    ::access("/lumo-bench-conversion-begins", F_OK);
    if (!convertOnce(request)) state.SkipWithError("the conversion did not complete");
    ::access("/lumo-bench-conversion-ends", F_OK);
    const double conversion = secondsSince(start);

    const fs::path target = exportBaseOf(p, "copy", run);
    ::sync();
    fs::remove_all(target);
    const std::string command = "cp -r '" + (base / bookFolder).string() + "' '" + target.string() + "'";
    start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    const double copy = secondsSince(start);
    conversionSeconds += conversion;
    copySeconds += copy;
    state.SetIterationTime(conversion + copy);
  }
  state.counters["conversion_ms"] = conversionSeconds * 1000 / run;
  state.counters["cp_r_ms"] = copySeconds * 1000 / run;
  state.counters["ratio"] = conversionSeconds / copySeconds;
}

BENCHMARK(BM_ConversionAgainstCpR)
    ->DenseRange(0, 2)
    ->Iterations(kIterations)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  generateBook(place(0).root);
  generateBook(place(2).root);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(place(0).root);
  fs::remove_all(place(2).root);
  return 0;
}
