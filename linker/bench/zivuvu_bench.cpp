// One page-builder run on a book of 500 MP3 files (10 s of synthetic frames
// each, 5 headings per file), pages and home page included.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "linker/tests/book_fixture.h"
#include "linker/zivuvu_run.h"
#include "platform/registry/registry.h"

using namespace lumo::linker::testing;

namespace {

constexpr int kFiles = 500;
constexpr int kMarkers = 5;

void makeLargeBook(const fs::path& book) {
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
    writeMp3(book / "Libro" / (name + ".mp3"), 10);
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
  lumo::linker::RunOptions options;
  options.appFolder = (tmp.path / "app").string();
  options.startPlayer = [](const std::string&) { return true; };
  for (auto _ : state) lumo::linker::ZivuvuRun(options);
  state.counters["files"] = kFiles;
}
BENCHMARK(BM_ZivuvuRun500Files)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
