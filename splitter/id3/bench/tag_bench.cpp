// WriteTag on a part of 64 MB (an hour and a quarter of 128 kbit/s audio
// behind an old ID3v2 tag): the tag is put in place of the old one and the
// audio moved behind it, once per iteration, with a warm page cache (the
// splitter tags parts it has just written).

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "splitter/id3/tag_v2.h"
#include "testsupport/common/mp3_frames.h"
#include "testsupport/common/test_files.h"

namespace {

namespace fs = std::filesystem;
namespace tw = lumo::mp3::testing;

void BM_WriteTag64MB(benchmark::State& state) {
  const lumo::testsupport::TempFolder folder("lumo-id3-bench");
  const std::string part = folder / "part.mp3";
  tw::writeFile(part, tw::frames(tw::FrameFields{}, 64 * 1000 * 1000 / 417));
  lumo::id3::TypeTagV2 tag;
  tag.Valide(true);
  tag.Titre("Capitolo 1 – “L’inizio”");
  tag.Album("Il libro");
  tag.Genre("101");
  const auto bytes = static_cast<int64_t>(fs::file_size(part));
  for (auto _ : state) {
    if (!tag.WriteTag(part)) state.SkipWithError("not tagged");
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_WriteTag64MB)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
