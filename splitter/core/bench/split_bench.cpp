// A book of 20 recordings of 45 minutes (64 kbit/s mono, 22050 Hz) with 10
// markers each, split at its markers by the split job (rename, tags, new
// index, log), against mp3splt alone on the same files and cut points, both
// in mp3splt's frame mode (-f), which places every cut on its marker.
//
// The recording is made once by sox and lame into the temporary folder and
// copied under the 20 names (the cutting work does not depend on what the
// audio says); it is kept there for the next runs. The recordings last 3
// minutes, so that a run stays short; LUMO_BENCH_FULL=1 gives the full size
// of 45 minutes (413 MB of parts), LUMO_BENCH_MINUTES any other length.
//
// LUMO_BENCH_SIDE_BY_SIDE=1 runs instead LUMO_BENCH_ROUNDS rounds (5), each
// running the job with tags, mp3splt alone and the job without tags one
// after the other, in an order turned round from round to round, each after
// a sync; it prints each round, the median [min-max] of each side and of the
// ratios of the job to mp3splt within a round, and the load average before
// and after.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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
  if (const char* m = std::getenv("LUMO_BENCH_MINUTES")) return std::max(1, std::atoi(m));
  const char* full = std::getenv("LUMO_BENCH_FULL");
  return full != nullptr && std::string(full) == "1" ? 45 : 3;
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

// One run of the job over the book into a fresh export folder (removed
// before, untimed); false when it failed.
struct JobRun {
  explicit JobRun(bool tags) {
    const Book& b = book();
    fs::remove_all(b.exportPath);
    job.runEngine = RunWithQProcess;
    job.fields.programFolder = b.program.string();
    job.fields.indexPath = b.index.string();
    job.fields.mp3Folder = b.mp3.string() + "/";
    job.fields.exportPath = b.exportPath.string() + "/";
    job.fields.openWhenDone = false;
    job.fields.tags = tags;
  }
  bool run() {
    job.StartOrStop();
    return job.result() == "0";
  }
  SplitJob job;
};

// mp3splt alone making the job's cuts of the book into a fresh folder.
struct AloneRun {
  AloneRun() {
    fs::remove_all(out);
    fs::create_directories(out);
  }
  bool run() {
    const Book& b = book();
    for (int f = 1; f <= kFiles; ++f) {
      char name[16];
      std::snprintf(name, sizeof name, "F%02d", f);
      std::vector<std::string> args = {"-f", "-d", out.string(), (b.mp3 / (std::string(name) + ".mp3")).string()};
      for (int m = 0; m < kMarkers; ++m) args.push_back(splitTime(markerStart(m)));
      args.insert(args.end(), {"EOF", "-n", "-o", std::string(name) + "_@n"});
      const EngineResult r = RunWithQProcess((b.program / "mp3splt").string(), args, {});
      if (r.exitCode != 0) return false;
    }
    return true;
  }
  fs::path out = book().root / "alone";
};

void SplitJobAtTheMarkers(benchmark::State& state) {
  setenv("LUMO_PROGRAM_FOLDER", book().program.c_str(), 1);
  ui::setBackend(std::make_shared<ui::ScriptedBackend>());
  for (auto _ : state) {
    state.PauseTiming();
    JobRun job(state.range(0) != 0);
    state.ResumeTiming();
    if (!job.run()) state.SkipWithError("the job failed");
  }
  state.counters["parts"] = kFiles * kMarkers;
}

void Mp3spltAloneAtTheMarkers(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    AloneRun alone;
    state.ResumeTiming();
    if (!alone.run()) state.SkipWithError("mp3splt failed");
  }
  state.counters["parts"] = kFiles * kMarkers;
}

std::string loadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// "median [min-max]" of values.
std::string spread(std::vector<double> v, const char* format) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  const double median = n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  char b[96];
  std::snprintf(b, sizeof b, format, median, v.front(), v.back());
  return b;
}

int sideBySide(int rounds) {
  setenv("LUMO_PROGRAM_FOLDER", book().program.c_str(), 1);
  ui::setBackend(std::make_shared<ui::ScriptedBackend>());
  const char* names[] = {"job with tags", "mp3splt alone", "job without tags"};
  std::vector<double> seconds[3], withTags, withoutTags;
  std::printf("%d files x %d min, %d parts; load before: %s\n", kFiles, minutes(), kFiles * kMarkers,
              loadAverage().c_str());
  for (int r = 0; r < rounds; ++r) {
    double taken[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
      const int side = r % 2 == 0 ? i : 2 - i;
      bool ok = false;
      std::chrono::steady_clock::duration d{};
      if (side == 1) {
        AloneRun alone;
        ::sync();
        const auto start = std::chrono::steady_clock::now();
        ok = alone.run();
        d = std::chrono::steady_clock::now() - start;
      } else {
        JobRun job(side == 0);
        ::sync();
        const auto start = std::chrono::steady_clock::now();
        ok = job.run();
        d = std::chrono::steady_clock::now() - start;
      }
      if (!ok) {
        std::fprintf(stderr, "%s failed\n", names[side]);
        return 1;
      }
      taken[side] = std::chrono::duration<double>(d).count();
      seconds[side].push_back(taken[side]);
    }
    withTags.push_back(taken[0] / taken[1]);
    withoutTags.push_back(taken[2] / taken[1]);
    std::printf("round %d: with tags %.3f s, alone %.3f s, without tags %.3f s (%.2fx, %.2fx); load %s\n", r + 1,
                taken[0], taken[1], taken[2], withTags.back(), withoutTags.back(), loadAverage().c_str());
  }
  for (int side = 0; side < 3; ++side)
    std::printf("%-17s %s\n", names[side], spread(seconds[side], "%.3f s [%.3f-%.3f]").c_str());
  std::printf("with tags / alone    %s\n", spread(withTags, "%.2fx [%.2f-%.2f]").c_str());
  std::printf("without tags / alone %s\n", spread(withoutTags, "%.2fx [%.2f-%.2f]").c_str());
  std::printf("load after: %s\n", loadAverage().c_str());
  return 0;
}

BENCHMARK(Mp3spltAloneAtTheMarkers)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
// Argument: 1 with ID3v2 tags (the window's default), 0 without.
BENCHMARK(SplitJobAtTheMarkers)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (const char* side = std::getenv("LUMO_BENCH_SIDE_BY_SIDE"); side != nullptr && std::string(side) == "1") {
    const char* rounds = std::getenv("LUMO_BENCH_ROUNDS");
    return sideBySide(rounds != nullptr && std::atoi(rounds) >= 1 ? std::atoi(rounds) : 5);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
