// A part of frames of varying bitrate, with or without a Xing/Info header
// (and LAME's extension, of any encoder delay and end padding), and maybe
// bytes that are no whole frame behind it, cut into pieces where the
// engine's piece counts say, then the first two pieces joined again: each
// piece holds the part's own frames from its start to the next one's, the
// first piece alone keeps the encoder delay and the last alone the end
// padding, and the join holds both pieces' frames, with the first piece's
// delay and the second's padding.
// Run: lumo_splitter_cut_join_fuzz -max_total_time=20 (scripts/test.sh, tree build-fuzz).

#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "splitter/core/frame_cut.h"
#include "splitter/core/mp3join.h"
#include "splitter/core/tests/lame_fields.h"
#include "testsupport/common/fuzz_folder.h"
#include "testsupport/common/mp3_frames.h"

namespace fs = std::filesystem;
namespace tw = lumo::mp3::testing;
using namespace lumo::splitter;
using lumo::splitter::testing::LameFields;
using lumo::splitter::testing::lameFieldsOf;

namespace {

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::abort();
}

// A folder of this run's own, removed at its end.
const char* workFolder() { return lumo::testing::fuzzWorkFolder("lumo-cut-join-fuzz"); }

void writeBytes(const fs::path& file, const std::string& bytes) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0)
    std::abort();
}

// The audio frames' bytes of a mapped file, one after the other.
std::string audioOf(const FrameMap& map) {
  if (map.audioFrames() == 0) return {};
  const size_t end = map.offsets.back() + map.lengths.back();
  return map.bytes.substr(map.offsets.front(), end - map.offsets.front());
}

// A header frame: "Xing" or "Info" with frame and byte counts, maybe a seek
// table, and maybe LAME's extension with the given delay and padding.
std::string headerFrame(const tw::FrameFields& f, bool xing, bool toc, bool lame, int delay, int padding) {
  const int offset = f.mode == 3 ? 21 : 36;
  std::string frame = tw::xingFrame(f, xing ? "Xing" : "Info", offset, toc ? 7 : 3, 0, 0);
  if (lame) {
    const size_t at = static_cast<size_t>(offset) + 16 + (toc ? 100 : 0);
    frame.replace(at, 9, "LAME3.100");
    frame[at + 21] = static_cast<char>(delay >> 4);
    frame[at + 22] = static_cast<char>((delay & 0x0F) << 4 | padding >> 8);
    frame[at + 23] = static_cast<char>(padding & 0xFF);
  }
  return frame;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path folder = workFolder();
  FuzzedDataProvider in(data, size);

  // MPEG-1 Layer III at 44.1 kHz, mono or stereo, in runs of bitrates.
  tw::FrameFields f{.version = 1, .bitrate = 128, .sampleRate = 44100, .mode = in.ConsumeBool() ? 3 : 0};
  const int rates[] = {64, 96, 128, 160, 192, 256};
  const bool header = in.ConsumeBool();
  const bool lame = header && in.ConsumeBool();
  const int delay = in.ConsumeIntegralInRange<int>(0, 4095), padding = in.ConsumeIntegralInRange<int>(0, 4095);
  std::string part;
  if (header) part = headerFrame(f, in.ConsumeBool(), in.ConsumeBool(), lame, delay, padding);
  const size_t runs = in.ConsumeIntegralInRange<size_t>(1, 6);
  for (size_t r = 0; r < runs; ++r) {
    tw::FrameFields g = f;
    g.bitrate = rates[in.ConsumeIntegralInRange<size_t>(0, 5)];
    part += tw::frames(g, in.ConsumeIntegralInRange<int>(1, 60));
  }
  if (in.ConsumeBool()) part += std::string(in.ConsumeIntegralInRange<size_t>(1, 300), '\x55');  // no whole frame
  const fs::path partFile = folder / "part.mp3";
  writeBytes(partFile, part);

  const FrameMap map = mapFrames(partFile.string());
  if (map.audioFrames() < 4) return 0;
  std::vector<size_t> counts(in.ConsumeIntegralInRange<size_t>(1, 5));
  for (size_t& c : counts) c = in.ConsumeIntegralInRange<size_t>(0, map.audioFrames());
  // Pieces of two frames at least: a lone frame is not taken for audio.
  const std::vector<size_t> starts = pieceStarts(map.audioFrames(), counts, in.ConsumeIntegralInRange<size_t>(2, 40));
  if (starts.empty() || starts[0] != 0) fail("the first piece does not begin at the part's first frame");

  std::vector<fs::path> pieces;
  for (size_t k = 0; k < starts.size(); ++k) {
    const size_t from = starts[k], to = k + 1 < starts.size() ? starts[k + 1] : map.audioFrames();
    if (from >= to) fail("piece " + std::to_string(k) + " is empty");
    pieces.push_back(folder / ("piece" + std::to_string(k) + ".mp3"));
    if (const std::string why = writePiece(map, starts, k, pieces.back().string()); !why.empty()) fail(why);
    const FrameMap piece = mapFrames(pieces.back().string());
    const size_t begin = map.offsets[from], end = map.offsets[to - 1] + map.lengths[to - 1];
    if (piece.audioFrames() != to - from || audioOf(piece) != map.bytes.substr(begin, end - begin))
      fail("piece " + std::to_string(k) + " does not hold the part's frames " + std::to_string(from) + " to " +
           std::to_string(to));
    const std::optional<LameFields> fields = lameFieldsOf(piece.bytes);
    if (lame != fields.has_value()) fail("piece " + std::to_string(k) + " lost or gained the LAME extension");
    if (fields && (fields->delay != (k == 0 ? delay : 0) || fields->padding != (k + 1 == starts.size() ? padding : 0) ||
                   !fields->checksumHolds))
      fail("piece " + std::to_string(k) + " has the LAME fields of another piece");
  }

  if (pieces.size() < 2) return 0;
  const FrameMap first = mapFrames(pieces[0].string()), second = mapFrames(pieces[1].string());
  const std::optional<LameFields> firstLame = lameFieldsOf(first.bytes), secondLame = lameFieldsOf(second.bytes);
  if (const std::string why = AppendMp3(pieces[0].string(), pieces[1].string()); !why.empty())
    fail("two pieces were not joined: " + why);
  const FrameMap joined = mapFrames(pieces[0].string());
  if (joined.audioFrames() != first.audioFrames() + second.audioFrames() ||
      audioOf(joined) != audioOf(first) + audioOf(second))
    fail("the join does not hold both pieces' frames");
  const std::optional<LameFields> fields = lameFieldsOf(joined.bytes);
  if (firstLame.has_value() != fields.has_value()) fail("the join lost or gained the LAME extension");
  if (fields && (fields->delay != firstLame->delay || fields->padding != secondLame->padding || !fields->checksumHolds))
    fail("the join does not keep the first piece's delay and the second's padding");
  return 0;
}
