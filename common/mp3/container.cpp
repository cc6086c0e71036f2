#include "common/mp3/container.h"

#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace lumo::mp3 {

namespace {

bool sameStream(const Mp3FrameHeader& a, const Mp3FrameHeader& b) {
  return a.Version == b.Version && a.Layer == b.Layer && a.SampleRate == b.SampleRate;
}

bool wordIs(const uint8_t* b, const char* word, TagWordCase wordCase) {
  if (wordCase == TagWordCase::Exact) return std::memcmp(b, word, 4) == 0;
  for (int i = 0; i < 4; ++i)
    if (std::toupper(b[i]) != std::toupper(static_cast<unsigned char>(word[i]))) return false;
  return true;
}

// The Xing/Info fields behind the word at x, each kept only when it lies
// inside the frame (whose end the source may not reach).
VbrTag xingFields(ByteSource& source, int64_t x, int64_t frameEnd, VbrTag tag) {
  const int64_t end = std::min(frameEnd, source.size());
  tag.position = x;
  const uint8_t* flags = source.at(x + 4, 4);
  if (flags == nullptr || x + 8 > end) {
    tag.whole = false;
    return tag;
  }
  tag.flags = BigEndian32(flags);
  int64_t at = x + 8;
  const auto field = [&](uint32_t flag, int64_t length, int64_t& place) {
    if (!(tag.flags & flag)) return;
    if (at + length <= end)
      place = at;
    else
      tag.whole = false;
    at += length;
  };
  field(1, 4, tag.framesField);
  field(2, 4, tag.bytesField);
  field(4, 100, tag.tocField);
  int64_t scale = -1;
  field(8, 4, scale);
  // LAME and the encoders that copy its layout (FFmpeg's "Lavc"/"Lavf")
  // write 36 bytes of extension behind the fields.
  if (tag.whole && at + 36 <= end) {
    const uint8_t* lame = source.at(at, 4);
    if (lame != nullptr && (std::memcmp(lame, "LAME", 4) == 0 || std::memcmp(lame, "Lav", 3) == 0)) tag.lameField = at;
  }
  return tag;
}

// The frame at or after pos (within `window` bytes) whose header is of the
// stream of `like`, confirmed by the next frame's header of that stream.
std::optional<FrameAt> confirmedFrameNear(ByteSource& source, int64_t pos, int64_t window, const Mp3FrameHeader& like) {
  for (int64_t p = pos; p < pos + window; ++p) {
    const std::optional<FrameAt> here = FrameHeaderAt(source, p);
    if (!here || !sameStream(here->header, like)) continue;
    const std::optional<FrameAt> next = FrameHeaderAt(source, here->end());
    if (next && sameStream(next->header, like)) return here;
  }
  return std::nullopt;
}

// Where a constant bitrate puts its frames: frame k at first + k * step,
// exactly for a step of whole bytes (no frame padded, or every one),
// within one padding unit when the encoder pads frames to hold the
// bitrate's fractional frame length on average.
struct Grid {
  double step;
  double slack;
  // The index of the frame at pos, or -1 when pos is off the grid.
  int64_t indexOf(int64_t offset) const {
    const double k = std::nearbyint(static_cast<double>(offset) / step);
    return std::fabs(static_cast<double>(offset) - k * step) <= slack ? static_cast<int64_t>(k) : -1;
  }
};

// The audio below which a stream is walked: reading it costs no more than
// the probes would.
constexpr int64_t kSmallestProbedAudio = 256 * 1024;
constexpr int kProbes = 5;

}  // namespace

int64_t ReadAt(int fd, int64_t pos, uint8_t* into, size_t n) {
  size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(fd, into + done, n - done, static_cast<off_t>(pos) + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(done);
}

uint32_t BigEndian32(const uint8_t* b) {
  return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | uint32_t{b[3]};
}

int64_t Id3v2TagLength(const uint8_t* b) {
  if (std::memcmp(b, "ID3", 3) != 0 || b[3] == 0xFF || b[4] == 0xFF) return 0;
  if ((b[6] | b[7] | b[8] | b[9]) & 0x80) return 0;
  const int64_t body = int64_t{b[6]} << 21 | int64_t{b[7]} << 14 | int64_t{b[8]} << 7 | int64_t{b[9]};
  const bool footer = b[3] == 4 && (b[5] & 0x10) != 0;
  return kId3v2HeaderSize + body + (footer ? 10 : 0);
}

int64_t SkipId3v2Tags(ByteSource& source, int64_t pos) {
  while (const uint8_t* b = source.at(pos, kId3v2HeaderSize)) {
    const int64_t length = Id3v2TagLength(b);
    if (length == 0) break;
    pos = std::min(pos + length, source.size());
  }
  return pos;
}

std::optional<FrameAt> FrameHeaderAt(ByteSource& source, int64_t pos) {
  FrameAt frame;
  frame.position = pos;
  const uint8_t* b = source.at(pos, 4);
  if (b == nullptr || b[0] != 0xFF || !ParseFrameHeader(b, frame.header)) return std::nullopt;
  return frame;
}

bool IsFrameRun(ByteSource& source, int64_t pos, int count, Mp3FrameHeader& first) {
  for (int i = 0; i < count; ++i) {
    const std::optional<FrameAt> frame = FrameHeaderAt(source, pos);
    if (!frame) return false;
    if (i == 0) first = frame->header;
    pos = frame->end();
  }
  return true;
}

int64_t WalkFrames(ByteSource& source, int64_t pos, int64_t end, const std::function<void(const FrameAt&)>& visit) {
  end = std::min(end, source.size());
  for (std::optional<FrameAt> frame; (frame = FrameHeaderAt(source, pos)) && frame->end() <= end; pos = frame->end())
    visit(*frame);
  return pos;
}

std::optional<FrameAt> FindFirstFrame(ByteSource& source, int64_t from) {
  Mp3FrameHeader header;
  for (int64_t pos = std::max<int64_t>(from, 0); pos + 4 <= source.size(); ++pos) {
    const std::optional<FrameAt> frame = FrameHeaderAt(source, pos);
    if (!frame) continue;
    if (IsFrameRun(source, frame->end(), 1, header)) return frame;
  }
  return std::nullopt;
}

std::optional<FrameAt> FindAudioStart(ByteSource& source) { return FindFirstFrame(source, SkipId3v2Tags(source)); }

VbrTag FindVbrTag(ByteSource& source, const FrameAt& frame, TagWordCase wordCase) {
  const int64_t sideInfoEnd = frame.position + SideInfoEnd(frame.header);
  const std::array<int64_t, 2> places = {sideInfoEnd, sideInfoEnd + 2};
  for (size_t i = 0; i < (frame.header.hasCrc() ? 2u : 1u); ++i) {
    const int64_t x = places[i];
    if (x + 4 > frame.end()) break;  // the header belongs to the first frame
    const uint8_t* word = source.at(x, 4);
    if (word == nullptr) break;
    VbrTag tag;
    if (wordIs(word, "Xing", wordCase))
      tag.kind = VbrTag::Xing;
    else if (wordIs(word, "Info", wordCase))
      tag.kind = VbrTag::Info;
    else
      continue;
    return xingFields(source, x, frame.end(), tag);
  }
  // VBRI: version, delay, quality, then the byte count and the frame count.
  const int64_t v = frame.position + 36;
  const uint8_t* word = v + 4 <= frame.end() ? source.at(v, 4) : nullptr;
  if (word == nullptr || !wordIs(word, "VBRI", wordCase)) return {};
  VbrTag tag;
  tag.kind = VbrTag::Vbri;
  tag.position = v;
  if (v + 18 <= std::min(frame.end(), source.size())) {
    tag.bytesField = v + 10;
    tag.framesField = v + 14;
  } else {
    tag.whole = false;
  }
  return tag;
}

std::optional<int64_t> ConstantBitrateFrames(ByteSource& source, const FrameAt& first, int64_t audioEnd) {
  const Mp3FrameHeader& h = first.header;
  const int64_t audio = audioEnd - first.position;
  if (audio < kSmallestProbedAudio) return std::nullopt;
  const int64_t unit = h.Layer == 1 ? 4 : 1;  // what padding adds
  // The frame length the bitrate gives, fraction included, and the
  // unpadded length.
  const double exact = h.Layer == 1 ? 48.0 * h.Bitrate * 1000 / h.SampleRate
                                    : static_cast<double>(h.SamplesPerFrame) / 8 * h.Bitrate * 1000 / h.SampleRate;
  const auto unpadded = static_cast<int64_t>(h.Layer == 1 ? std::floor(exact / 4) * 4 : std::floor(exact));
  const std::array<Grid, 3> grids = {Grid{static_cast<double>(unpadded), 0},
                                     Grid{static_cast<double>(unpadded + unit), 0},
                                     Grid{exact, static_cast<double>(unit)}};
  // The frames the probes find: spread over the audio, and the last one,
  // which must end where the audio ends.
  std::array<FrameAt, kProbes> found;
  const int64_t window = 2 * (unpadded + unit) + 4;
  const auto probeAt = [&](int i) { return first.position + audio * (i + 1) / (kProbes + 1); };
  // Every place is asked for before the first is read: a disk fetches them
  // together instead of one after the other.
  for (int i = 0; i < kProbes; ++i) source.prefetch(probeAt(i), static_cast<size_t>(window + unpadded + unit));
  source.prefetch(audioEnd - unpadded - unit, static_cast<size_t>(unpadded + unit));
  for (int i = 0; i < kProbes; ++i) {
    const int64_t at = probeAt(i);
    const std::optional<FrameAt> frame = confirmedFrameNear(source, at, window, h);
    if (!frame || frame->header.Bitrate != h.Bitrate) return std::nullopt;
    found[static_cast<size_t>(i)] = *frame;
  }
  std::optional<FrameAt> last;
  for (int64_t length : {unpadded, unpadded + unit}) {
    const std::optional<FrameAt> frame = FrameHeaderAt(source, audioEnd - length);
    if (frame && frame->end() == audioEnd && sameStream(frame->header, h) && frame->header.Bitrate == h.Bitrate)
      last = frame;
  }
  if (!last) return std::nullopt;
  for (const Grid& grid : grids) {
    const int64_t lastIndex = grid.indexOf(last->position - first.position);
    if (lastIndex < 0) continue;
    bool onGrid = grid.indexOf(audio) == lastIndex + 1;
    for (const FrameAt& frame : found) onGrid = onGrid && grid.indexOf(frame.position - first.position) >= 0;
    if (onGrid) return lastIndex + 1;
  }
  return std::nullopt;
}

}  // namespace lumo::mp3
