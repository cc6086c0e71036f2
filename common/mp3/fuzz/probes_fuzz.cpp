// libFuzzer target: MP3 streams built from the input with the damage real
// files carry (a frame of another bitrate or sample rate, junk bytes, an ID3
// or APE tag or a lost byte in the middle, a short last frame, trailing TAG
// and APE tags; now and then a Xing or Info frame with counts from the
// input), measured by GetMp3Info, which tells a constant bitrate from probes,
// and by the full frame walk (GetMp3InfoWalked). Checked:
// - nothing crashes or reads out of bounds (the sanitizers);
// - both give the same result, or raise the same error;
// - they agree exactly on the frames, the playing time, the bitrate and the
//   constant-bitrate decision: the probes check every frame before they tell
//   a constant bitrate, so there is no tolerance to allow;
// - where the stream's damage holds no byte FF (nothing that can pass for a
//   header) and no VBR header gives the counts, the walk counts every frame
//   the stream holds, but for those damage may cost it: one a damage (a lone
//   frame between junk, a short last frame after it), and for a lost byte
//   the frames that a header it turned into one of any length covers.
// Run: lumo_mp3_fuzz -max_total_time=60 (scripts/test.sh, tree build-fuzz).

#include <fuzzer/FuzzedDataProvider.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "common/errors/errors.h"
#include "common/mp3/mp3.h"
#include "testsupport/common/cbr_frames.h"
#include "testsupport/common/mp3_frames.h"

namespace {

namespace tw = lumo::mp3::testing;
using tw::FrameFields;

[[noreturn]] void fail(const char* what, const lumo::mp3::Mp3Info& a, const lumo::mp3::Mp3Info& b) {
  std::fprintf(stderr,
               "%s\nprobed: frames %d, duration %d, bitrate %d, cbr %d\nwalked: frames %d, duration %d, "
               "bitrate %d, cbr %d\n",
               what, a.Frames, a.Duration, a.Bitrate, a.IsCbr, b.Frames, b.Duration, b.Bitrate, b.IsCbr);
  std::abort();
}

// The bitrates and sample rates a stream of a version and layer may have.
constexpr int kBitratesV1[3][14] = {{32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                    {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                    {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
constexpr int kBitratesV2L1[14] = {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256};
constexpr int kBitratesV2L23[14] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

int bitrateOf(const FrameFields& f, size_t index) {
  const int* table = f.version == 1 ? kBitratesV1[f.layer - 1] : (f.layer == 1 ? kBitratesV2L1 : kBitratesV2L23);
  return table[index % 14];
}

int sampleRateOf(const FrameFields& f, size_t index) {
  const int rates[3] = {44100, 48000, 32000};
  return rates[index % 3] / (f.version == 1 ? 1 : (f.version == 2 ? 2 : 4));
}

// Bytes from the input; with clean set, no byte FF among them.
std::string bytesOf(FuzzedDataProvider& in, size_t most, bool clean) {
  std::string b = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(1, most));
  if (clean)
    for (char& c : b)
      if (static_cast<uint8_t>(c) == 0xFF) c = '\x7F';
  return b;
}

std::string id3v2Tag(FuzzedDataProvider& in, bool clean) {
  const std::string body = bytesOf(in, 300, clean);
  std::string tag = "ID3\x03";
  tag += '\0';
  tag += '\0';
  const auto n = static_cast<uint32_t>(body.size());
  for (int shift : {21, 14, 7, 0}) tag += static_cast<char>(n >> shift & 0x7F);
  return tag + body;
}

std::string apeTag(bool withHeader) {
  const std::string item = std::string("\x05\0\0\0\0\0\0\0", 8) + "Title" + '\0' + "Testo";
  auto le = [](uint32_t v) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i) b[static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    return b;
  };
  auto block = [&](uint32_t flags) {
    return "APETAGEX" + le(2000) + le(static_cast<uint32_t>(item.size() + 32)) + le(1) + le(flags) +
           std::string(8, '\0');
  };
  return withHeader ? block(0xA0000000u) + item + block(0x80000000u) : item + block(0);
}

std::string id3v1Tag() { return tw::id3v1Tag("Titolo", "Autore", "Libro", "2024", "", 12); }

struct Stream {
  std::string bytes;
  int64_t frames = 0;  // frame headers written whole
  int damages = 0;     // what may cost the walk a frame
  bool modelled = true;
};

// The longest frame of any header (MPEG-2.5 Layer II at 160 kbit/s and
// 8 kHz): a lost header byte can turn a header into one of any length.
constexpr int64_t kLongestFrame = 2881;

Stream build(FuzzedDataProvider& in) {
  Stream s;
  FrameFields f;
  f.version = std::vector<int>{1, 2, 25}[in.ConsumeIntegralInRange<size_t>(0, 2)];
  f.layer = f.version == 25 ? 3 : in.ConsumeIntegralInRange<int>(1, 3);
  f.bitrate = bitrateOf(f, in.ConsumeIntegral<uint8_t>());
  f.sampleRate = sampleRateOf(f, in.ConsumeIntegral<uint8_t>());
  f.mode = in.ConsumeIntegralInRange<int>(0, 3);
  f.crc = in.ConsumeBool();
  const bool padded = in.ConsumeBool();  // padded as encoders pad, else never
  const bool clean = in.ConsumeBool();   // no byte FF in the damage
  // Most streams are long enough for the probes (256 kB of audio).
  const size_t target = in.ConsumeIntegralInRange<size_t>(16, 400) * 1024;
  const int count = static_cast<int>(std::max<size_t>(target / static_cast<size_t>(tw::frameLength(f)), 40));
  const std::string frames = padded ? tw::paddedCbrFrames(f, count) : tw::frames(f, count);
  // Where each frame lies (a padded one is a slot longer).
  std::vector<size_t> offsets{0};
  for (size_t p = 0; p < frames.size();) {
    FrameFields g = f;
    g.padding = (static_cast<uint8_t>(frames[p + 2]) & 2) != 0;
    p += static_cast<size_t>(tw::frameLength(g));
    offsets.push_back(p);
  }

  // The start: nothing, junk or an ID3v2 tag, then maybe a VBR tag frame.
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 1: s.bytes += bytesOf(in, 200, true); break;
    case 2: s.bytes += id3v2Tag(in, true); break;
    default: break;
  }
  const int offset = f.version == 1 ? (f.mode == 3 ? 21 : 36) : (f.mode == 3 ? 13 : 21);
  if (f.layer == 3 && offset + 16 <= tw::frameLength(f) && in.ConsumeIntegralInRange<int>(0, 7) == 0) {
    s.bytes += tw::xingFrame(f, in.ConsumeBool() ? "Info" : "Xing", offset, in.ConsumeIntegralInRange<uint32_t>(0, 3),
                             in.ConsumeIntegral<uint32_t>(), in.ConsumeIntegral<uint32_t>());
    s.modelled = false;  // its counts are the input's
  }

  // The damage, before or inside frames after the first ten (the run the
  // search finds).
  struct Damage {
    int at;
    int kind;
  };
  std::vector<Damage> damages(in.ConsumeIntegralInRange<size_t>(0, 4));
  for (Damage& d : damages) {
    d.at = in.ConsumeIntegralInRange<int>(10, count - 1);
    d.kind = in.ConsumeIntegralInRange<int>(0, 6);
  }
  size_t last = 0;  // the last frame's bytes
  bool lastHasHeader = true;
  for (int i = 0; i < count; ++i) {
    std::string frame = frames.substr(offsets[static_cast<size_t>(i)],
                                      offsets[static_cast<size_t>(i) + 1] - offsets[static_cast<size_t>(i)]);
    for (const Damage& d : damages) {
      if (d.at != i) continue;
      FrameFields other = f;
      switch (d.kind) {
        case 0:  // one frame of another bitrate
          other.bitrate = bitrateOf(f, in.ConsumeIntegral<uint8_t>());
          s.bytes += tw::frame(other);
          ++s.frames;
          ++s.damages;  // lost when junk follows: no frame confirms it
          break;
        case 1: {  // frames of another sample rate
          other.sampleRate = sampleRateOf(f, static_cast<size_t>(tw::sampleRateIndex(f)) + (in.ConsumeBool() ? 1 : 2));
          const int n = in.ConsumeIntegralInRange<int>(1, 12);
          s.bytes += tw::frames(other, n);
          s.frames += n;
          ++s.damages;  // the last of them is lost when junk follows
          break;
        }
        case 2:  // junk: a lone frame between two is lost
          s.bytes += bytesOf(in, 64, clean);
          ++s.damages;
          break;
        case 3: s.bytes += id3v2Tag(in, clean); break;
        case 4: s.bytes += id3v1Tag(); break;
        case 5: {
          const bool withHeader = in.ConsumeBool();
          s.bytes += apeTag(withHeader);
          // An APE tag without its header block is told only from its
          // footer, where it ends: read from its start it is junk to the walk
          // (as to a decoder), so a lone frame between it and other junk is
          // lost as after junk.
          if (!withHeader) ++s.damages;
          break;
        }
        default:  // a byte of this frame lost
          if (frame.size() > 1) {
            const size_t at = in.ConsumeIntegralInRange<size_t>(0, frame.size() - 1);
            frame.erase(at, 1);
            s.damages += static_cast<int>(2 + kLongestFrame / tw::frameLength(f));
          }
          break;
      }
      if (!clean && (d.kind == 2 || d.kind == 3)) s.modelled = false;
    }
    s.bytes += frame;
    // Without its first byte the frame is no frame.
    lastHasHeader = frame.compare(0, 1, "\xFF") == 0;
    if (lastHasHeader) ++s.frames;
    last = frame.size();
  }
  // The end: a short last frame, then tags.
  if (last > 1 && in.ConsumeBool()) {
    const size_t cut = in.ConsumeIntegralInRange<size_t>(1, last - 1);
    s.bytes.resize(s.bytes.size() - cut);
    if (last - cut < 4 && lastHasHeader) --s.frames;
    ++s.damages;  // cut short after junk, it is no confirmed frame
  }
  switch (in.ConsumeIntegralInRange<int>(0, 4)) {
    case 1: s.bytes += id3v1Tag(); break;
    case 2: s.bytes += apeTag(in.ConsumeBool()); break;
    case 3: s.bytes += id3v1Tag() + apeTag(false); break;
    case 4: s.bytes += apeTag(true) + id3v1Tag(); break;
    default: break;
  }
  return s;
}

struct Outcome {
  int result = -1;  // GetMp3Info's 0 or 1
  int error = 0;    // the run-time error raised instead, if any
  lumo::mp3::Mp3Info info;
};

template <typename Measure>
Outcome measure(const std::string& path, Measure m) {
  Outcome o;
  try {
    o.result = m(path, o.info);
  } catch (const lumo::RuntimeError& e) {
    o.error = e.number();
  }
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One file in memory for every input, named through /proc.
  static const int fd = ::memfd_create("lumo-mp3-fuzz", MFD_CLOEXEC);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (fd < 0) std::abort();

  FuzzedDataProvider in(data, size);
  const Stream s = build(in);
  // To look at a failing input's stream: LUMO_MP3_FUZZ_DUMP=<file>.
  if (const char* dump = std::getenv("LUMO_MP3_FUZZ_DUMP")) {
    if (std::FILE* out = std::fopen(dump, "wb")) {
      std::fwrite(s.bytes.data(), 1, s.bytes.size(), out);
      std::fclose(out);
    }
  }
  if (::ftruncate(fd, 0) != 0 ||
      ::pwrite(fd, s.bytes.data(), s.bytes.size(), 0) != static_cast<ssize_t>(s.bytes.size()))
    std::abort();

  const Outcome probed =
      measure(path, [](const std::string& p, lumo::mp3::Mp3Info& i) { return lumo::mp3::GetMp3Info(p, i); });
  const Outcome walked =
      measure(path, [](const std::string& p, lumo::mp3::Mp3Info& i) { return lumo::mp3::GetMp3InfoWalked(p, i); });
  if (probed.result != walked.result || probed.error != walked.error)
    fail("the probes and the walk end differently", probed.info, walked.info);
  if (probed.result != 1) return 0;
  const lumo::mp3::Mp3Info& a = probed.info;
  const lumo::mp3::Mp3Info& b = walked.info;
  if (a.IsCbr != b.IsCbr) fail("the probes and the walk decide the bitrate differently", a, b);
  if (a.Frames != b.Frames || a.Duration != b.Duration || a.Bitrate != b.Bitrate)
    fail("the probes and the walk measure differently", a, b);
  if (s.modelled && (b.Frames > s.frames || b.Frames < s.frames - s.damages))
    fail(("the walk does not count the stream's " + std::to_string(s.frames) + " frames").c_str(), a, b);
  return 0;
}
