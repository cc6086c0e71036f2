// A book of 20 recordings of 45 minutes (64 kbit/s mono, 22050 Hz) with 10
// markers each, split at its markers by the split job (rename, tags, new
// index, log), against mp3splt alone on the same files and cut points, both
// in mp3splt's frame mode (-f), which places every cut on its marker.
//
// The recording is made once by sox and lame and copied under the 20 names
// (the cutting work does not depend on what the audio says). Set
// LUMO_BENCH_MINUTES to make shorter recordings.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <filesystem>
#include <fstream>

#include "common/text/text.h"
#include "platform/ui/ui.h"
#include "splitter/core/engine_process.h"
#include "splitter/core/splitjob.h"

namespace fs = std::filesystem;
using namespace lumo;
using namespace lumo::splitter;

namespace {

constexpr int kFiles = 20;
constexpr int kMarkers = 10;

int minutes() {
  const char* m = std::getenv("LUMO_BENCH_MINUTES");
  return m ? std::max(1, std::atoi(m)) : 45;
}

struct Book {
  fs::path root, program, mp3, index, exportPath;
};

std::string splitTime(int s) {
  char b[16];
  std::snprintf(b, sizeof b, "%d.%02d", s / 60, s % 60);
  return b;
}

int markerStart(int m) { return m * minutes() * 60 / kMarkers; }

const Book& book() {
  static Book b = [] {
    Book made;
    made.root = fs::temp_directory_path() / ("lumo-split-bench-" + std::to_string(minutes()));
    made.program = made.root / "program";
    made.mp3 = made.root / "Libro";
    made.index = made.root / "marker.txt";
    made.exportPath = made.root / "export";
    fs::create_directories(made.program);
    fs::create_directories(made.mp3);
    std::error_code ec;
    fs::create_symlink("/usr/bin/mp3splt", made.program / "mp3splt", ec);
    const fs::path master = made.root / "master.mp3";
    if (!fs::exists(master)) {
      const std::string wav = (made.root / "master.wav").string();
      const std::string make = "sox -n -r 22050 -c 1 '" + wav + "' synth " + std::to_string(minutes() * 60) +
                               " sine 300-3000 vol 0.5 && lame --quiet -b 64 '" + wav + "' '" + master.string() +
                               "' && rm -f '" + wav + "'";
      if (std::system(make.c_str()) != 0) std::abort();
    }
    std::vector<std::string> lines = {
        "LB900", "Autore", "Libro di prova", "Editore", "Roma 2020", "Lettore", " " + std::to_string(kFiles) + " "};
    for (int f = 1; f <= kFiles; ++f) {
      char name[16];
      std::snprintf(name, sizeof name, "F%02d", f);
      fs::copy_file(master, made.mp3 / (std::string(name) + ".mp3"), fs::copy_options::skip_existing);
      char next[16];
      std::snprintf(next, sizeof next, "F%02d", f + 1);
      lines.push_back(std::string(name) + "," + std::to_string(kMarkers) + "," + (f < kFiles ? next : ""));
      for (int m = 0; m < kMarkers; ++m) {
        lines.push_back("Capitolo " + std::to_string(f) + "." + std::to_string(m + 1));
        lines.push_back(std::to_string(markerStart(m)) + "," + std::to_string(f * 100 + m));
      }
    }
    text::writeTextFile(made.index, lines);
    return made;
  }();
  return b;
}

void SplitJobAtTheMarkers(benchmark::State& state) {
  const Book& b = book();
  setenv("LUMO_PROGRAM_FOLDER", b.program.c_str(), 1);
  ui::setBackend(std::make_shared<ui::ScriptedBackend>());
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(b.exportPath);
    SplitJob job;
    job.runEngine = RunWithQProcess;
    job.fields.programFolder = b.program.string();
    job.fields.indexPath = b.index.string();
    job.fields.mp3Folder = b.mp3.string() + "/";
    job.fields.exportPath = b.exportPath.string() + "/";
    job.fields.openWhenDone = false;
    job.fields.tags = state.range(0) != 0;
    state.ResumeTiming();
    job.vai_Click();
    if (job.result() != "0") state.SkipWithError("the job failed");
  }
  state.counters["parts"] = kFiles * kMarkers;
}

void Mp3spltAloneAtTheMarkers(benchmark::State& state) {
  const Book& b = book();
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path out = b.root / "alone";
    fs::remove_all(out);
    fs::create_directories(out);
    state.ResumeTiming();
    for (int f = 1; f <= kFiles; ++f) {
      char name[16];
      std::snprintf(name, sizeof name, "F%02d", f);
      std::vector<std::string> args = {"-f", "-d", out.string(), (b.mp3 / (std::string(name) + ".mp3")).string()};
      for (int m = 0; m < kMarkers; ++m) args.push_back(splitTime(markerStart(m)));
      args.insert(args.end(), {"EOF", "-n", "-o", std::string(name) + "_@n"});
      const EngineResult r = RunWithQProcess((b.program / "mp3splt").string(), args, {});
      if (r.exitCode != 0) state.SkipWithError("mp3splt failed");
    }
  }
  state.counters["parts"] = kFiles * kMarkers;
}

BENCHMARK(Mp3spltAloneAtTheMarkers)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
// Argument: 1 with ID3v2 tags (the window's default), 0 without.
BENCHMARK(SplitJobAtTheMarkers)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
