// A whole conversion of a book of many files (200 MP3 files, ten markers a
// file: about 2,000 SMIL files) against `cp -r` of the fileset that the
// conversion itself made, on the same disk, in three cases:
//   disk_after_delete  on the disk, right after the previous output was deleted
//                      (a producer converting a book again);
//   disk_new_folder    on the disk, into a folder never used before;
//   tmpfs              in memory (/dev/shm), after deleting the previous output.
// The disk is the folder the benchmark runs in (LUMO_BENCH_DISK overrides it),
// the memory one /dev/shm (LUMO_BENCH_TMPFS).
//
// By default the files are of 300 kB (60 MB in all), so that a run stays
// short. LUMO_BENCH_FULL=1 makes them of about 5 MB (946 MiB in all, the size
// of a real book), LUMO_BENCH_ROUNDS sets the rounds (5) and
// LUMO_BENCH_PAUSE_MS the pause after the sync before each run (0 ms, 2000 ms
// in the full size). The two sides alternate which goes first in a round;
// the counters give the median of each side and of the rounds' ratios, with
// their least and greatest.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/text/text.h"
#include "converter/core/conversion.h"
#include "platform/ui/ui.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 200;
constexpr int kMarkersPerFile = 10;

int envNumber(const char* variable, int fallback) {
  const char* value = std::getenv(variable);
  return value && *value ? std::atoi(value) : fallback;
}

bool fullSize() { return envNumber("LUMO_BENCH_FULL", 0) != 0; }

// At 16000 bytes a second: 19 s make 304,000 bytes a file, 310 s 4,960,000.
int seconds() { return fullSize() ? 310 : 19; }
int rounds() { return std::max(1, envNumber("LUMO_BENCH_ROUNDS", 5)); }
int pauseMs() { return std::max(0, envNumber("LUMO_BENCH_PAUSE_MS", fullSize() ? 2000 : 0)); }

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
  std::string audio(static_cast<size_t>(seconds()) * 16000, '\0');
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

// Flushes what the previous runs wrote, removes the output a run replaces
// and waits, so that each run starts from a quiet disk.
void settle(const fs::path& output) {
  ::sync();
  fs::remove_all(output);
  if (pauseMs() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs()));
}

struct Spread {
  double median, least, greatest;
};

Spread spreadOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return {median, values.front(), values.back()};
}

void addCounters(benchmark::State& state, const std::string& name, const std::vector<double>& values, double scale) {
  const Spread s = spreadOf(values);
  state.counters[name] = s.median * scale;
  state.counters[name + "_min"] = s.least * scale;
  state.counters[name + "_max"] = s.greatest * scale;
}

// One run of each in a round, so that both meet the same load on the
// machine: the conversion, and `cp -r` of the book folder a conversion made
// (discinfo.html, the SMIL files, ncc.html and the audio), each after its
// previous output was deleted (or into a new folder); even rounds start
// with the conversion, odd ones with the copy. The iteration time is the
// sum; the counters give each side and their ratio.
void BM_ConversionAgainstCpR(benchmark::State& state) {
  const Place& p = place(static_cast<int>(state.range(0)));
  state.SetLabel(std::string(kCaseNames[state.range(0)]) + (fullSize() ? " full size" : ""));
  auto script = quietUi();
  const fs::path bookFolder = "MyLUMO/DAISY/(BENCH01) Un libro lungo";
  int run = 0;
  // The fileset the first copy copies; after a delete, also the previous
  // outputs that a producer's new conversion, and a new copy, follow.
  if (!convertOnce(requestFor(p.root, exportBaseOf(p, "export", 0))))
    state.SkipWithError("the conversion did not complete");
  fs::path latest = exportBaseOf(p, "export", 0) / bookFolder;
  if (p.deletePrevious) fs::copy(latest, exportBaseOf(p, "copy", 0), fs::copy_options::recursive);
  std::vector<double> conversions, copies, ratios;
  for (auto _ : state) {
    ++run;
    double conversion = 0, copy = 0;
    const auto convert = [&] {
      const fs::path base = exportBaseOf(p, "export", run);
      settle(base);
      script->clear();
      const auto request = requestFor(p.root, base);
      const auto start = std::chrono::steady_clock::now();
      // Two failing look-ups that frame one conversion in a system-call trace.
      ::access("/lumo-bench-conversion-begins", F_OK);
      if (!convertOnce(request)) state.SkipWithError("the conversion did not complete");
      ::access("/lumo-bench-conversion-ends", F_OK);
      conversion = secondsSince(start);
      latest = base / bookFolder;
    };
    const auto copyLatest = [&] {
      const fs::path target = exportBaseOf(p, "copy", run);
      settle(target);
      const std::string command = "cp -r '" + latest.string() + "' '" + target.string() + "'";
      const auto start = std::chrono::steady_clock::now();
      if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
      copy = secondsSince(start);
    };
    if (run % 2 == 0) {
      convert();
      copyLatest();
    } else {
      copyLatest();
      convert();
    }
    if (fullSize())
      std::fprintf(stderr, "%s round %d: conversion %.0f ms, cp -r %.0f ms (%s first)\n", kCaseNames[state.range(0)],
                   run, conversion * 1000, copy * 1000, run % 2 == 0 ? "conversion" : "cp -r");
    conversions.push_back(conversion);
    copies.push_back(copy);
    ratios.push_back(copy > 0 ? conversion / copy : 0);
    state.SetIterationTime(conversion + copy);
  }
  addCounters(state, "conversion_ms", conversions, 1000);
  addCounters(state, "cp_r_ms", copies, 1000);
  addCounters(state, "ratio", ratios, 1);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RegisterBenchmark("BM_ConversionAgainstCpR", BM_ConversionAgainstCpR)
      ->DenseRange(0, 2)
      ->Iterations(rounds())
      ->Unit(benchmark::kMillisecond)
      ->UseManualTime();
  generateBook(place(0).root);
  generateBook(place(2).root);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(place(0).root);
  fs::remove_all(place(2).root);
  return 0;
}
