#include "common/mp3/container.h"

#include <algorithm>
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

// A frame that a valid header of its own stream or a tag follows, or that
// ends where the audio ends: a header found amid junk is taken for a frame
// only so.
bool confirmedAt(ByteSource& source, const FrameAt& frame, int64_t audioEnd) {
  if (frame.end() == audioEnd) return true;
  if (frame.end() + 4 > audioEnd) return false;
  const std::optional<FrameAt> next = FrameHeaderAt(source, frame.end());
  return (next && sameStream(next->header, frame.header)) || TagLengthAt(source, frame.end()) > 0;
}

// The frame after the bytes at from that are none: behind the tags that
// begin there a frame of the stream of `previous` (the frame before them)
// or a confirmed one, else the first confirmed frame after from.
std::optional<FrameAt> nextFrameAfterDamage(ByteSource& source, int64_t from, int64_t audioEnd,
                                            const Mp3FrameHeader& previous) {
  int64_t p = from;
  for (int64_t length = TagLengthAt(source, p); length > 0 && p + length + 4 <= audioEnd;
       length = TagLengthAt(source, p)) {
    p += length;
    const std::optional<FrameAt> frame = FrameHeaderAt(source, p);
    if (frame && (sameStream(frame->header, previous) || confirmedAt(source, *frame, audioEnd))) return frame;
  }
  // Only a byte FF can begin a header: the bytes are searched a page at a
  // time.
  constexpr int64_t kPage = 4096;
  for (p = from + 1; p + 4 <= audioEnd;) {
    const auto n = static_cast<size_t>(std::min(kPage, audioEnd - p));
    const uint8_t* bytes = source.at(p, n);
    if (bytes == nullptr) break;
    const void* hit = std::memchr(bytes, 0xFF, n);
    if (hit == nullptr) {
      p += static_cast<int64_t>(n);
      continue;
    }
    const int64_t at = p + (static_cast<const uint8_t*>(hit) - bytes);
    if (at + 4 > audioEnd) break;
    const std::optional<FrameAt> frame = FrameHeaderAt(source, at);
    if (frame && confirmedAt(source, *frame, audioEnd)) return frame;
    p = at + 1;
  }
  return std::nullopt;
}

// The place of a sample rate in StreamCount::samples.
constexpr std::array<int32_t, 9> kSampleRates = {44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000, 8000};

size_t sampleRateSlot(int32_t rate) {
  for (size_t i = 0; i < kSampleRates.size(); ++i)
    if (kSampleRates[i] == rate) return i;
  return 0;  // a valid header has one of the nine
}

uint32_t littleEndian(const uint8_t* b) {
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

constexpr int64_t kId3v1Size = 128;
constexpr int64_t kApeBlock = 32;

// The audio below which a stream is walked: reading it costs no more than
// the probes would.
constexpr int64_t kSmallestProbedAudio = 256 * 1024;
constexpr int kProbes = 5;

}  // namespace

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

int64_t TagLengthAt(ByteSource& source, int64_t pos) {
  if (const uint8_t* b = source.at(pos, kId3v2HeaderSize)) {
    if (const int64_t length = Id3v2TagLength(b); length > 0) return length;
  }
  if (const uint8_t* b = source.at(pos, 3); b != nullptr && std::memcmp(b, "TAG", 3) == 0) return kId3v1Size;
  // "APETAGEX", version, size (items and footer), items, flags (bit 29:
  // this block is the header).
  if (const uint8_t* b = source.at(pos, kApeBlock); b != nullptr && std::memcmp(b, "APETAGEX", 8) == 0) {
    const bool header = (littleEndian(b + 20) >> 29) & 1;
    return header ? kApeBlock + std::max<int64_t>(littleEndian(b + 12), kApeBlock) : kApeBlock;
  }
  return 0;
}

int64_t AudioEnd(ByteSource& source, int64_t from) {
  int64_t end = source.size();
  for (;;) {
    if (end - kId3v1Size >= from) {
      if (const uint8_t* b = source.at(end - kId3v1Size, 3); b && std::memcmp(b, "TAG", 3) == 0) {
        end -= kId3v1Size;
        continue;
      }
    }
    if (end - kApeBlock >= from) {
      // The APE footer: "APETAGEX", version, size (items and footer), items,
      // flags (bit 31: a header of 32 bytes precedes the items).
      if (const uint8_t* b = source.at(end - kApeBlock, kApeBlock); b && std::memcmp(b, "APETAGEX", 8) == 0) {
        const int64_t size = int64_t{littleEndian(b + 12)} + ((littleEndian(b + 20) >> 31) ? kApeBlock : 0);
        if (size >= kApeBlock && end - size >= from) {
          end -= size;
          continue;
        }
      }
    }
    if (end - 15 >= from) {
      // Lyrics3 v2 ends with six digits of its size and "LYRICS200".
      if (const uint8_t* b = source.at(end - 15, 15);
          b && std::memcmp(b + 6, "LYRICS200", 9) == 0 &&
          std::all_of(b, b + 6, [](uint8_t c) { return c >= '0' && c <= '9'; })) {
        int64_t size = 0;
        for (int i = 0; i < 6; ++i) size = size * 10 + (b[i] - '0');
        if (end - size - 15 >= from) {
          end -= size + 15;
          continue;
        }
      }
    }
    return end;
  }
}

double StreamCount::seconds() const {
  double total = 0;
  for (size_t i = 0; i < kSampleRates.size(); ++i) total += static_cast<double>(samples[i]) / kSampleRates[i];
  return total;
}

StreamCount CountFrames(ByteSource& source, int64_t pos, int64_t audioEnd, const Mp3FrameHeader& like) {
  StreamCount count;
  audioEnd = std::min(audioEnd, source.size());
  Mp3FrameHeader previous = like;
  while (pos + 4 <= audioEnd) {
    std::optional<FrameAt> frame = FrameHeaderAt(source, pos);
    // A lone header of another stream where a frame ends is a frame when a
    // frame follows it (a decoder plays it); else it is damage.
    if (frame && !sameStream(frame->header, previous) && frame->end() != audioEnd &&
        !(frame->end() + 4 <= audioEnd && FrameHeaderAt(source, frame->end())))
      frame.reset();
    if (!frame) frame = nextFrameAfterDamage(source, pos, audioEnd, previous);
    if (!frame) break;
    const Mp3FrameHeader& h = frame->header;
    if (count.frames == 0) count.bitrate = h.Bitrate;
    count.oneBitrate = count.oneBitrate && h.Bitrate == count.bitrate;
    ++count.frames;
    count.bitrateSum += h.Bitrate;
    count.samples[sampleRateSlot(h.SampleRate)] += h.SamplesPerFrame;
    previous = h;
    pos = frame->end();
  }
  return count;
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
  std::optional<int64_t> gridFrames;
  for (const Grid& grid : grids) {
    const int64_t lastIndex = grid.indexOf(last->position - first.position);
    if (lastIndex < 0) continue;
    bool onGrid = grid.indexOf(audio) == lastIndex + 1;
    for (const FrameAt& frame : found) onGrid = onGrid && grid.indexOf(frame.position - first.position) >= 0;
    if (onGrid) {
      gridFrames = lastIndex + 1;
      break;
    }
  }
  if (!gridFrames) return std::nullopt;
  // The probes agree; the frames between them must too: one frame of
  // another bitrate or a lost byte that the grid hides would make the walk
  // count otherwise. Each stretch from one probe's frame to the next is
  // checked on its own.
  std::array<int64_t, kProbes + 2> marks{};
  marks[0] = first.position;
  for (size_t i = 0; i < found.size(); ++i) marks[i + 1] = found[i].position;
  marks[kProbes + 1] = audioEnd;
  int64_t frames = 0;
  for (size_t i = 0; i + 1 < marks.size(); ++i) {
    bool same = true;
    const int64_t reached = WalkFrames(source, marks[i], marks[i + 1], [&](const FrameAt& frame) {
      same = same && sameStream(frame.header, h) && frame.header.Bitrate == h.Bitrate;
      ++frames;
    });
    if (!same || reached != marks[i + 1]) return std::nullopt;
  }
  if (frames != *gridFrames) return std::nullopt;
  return frames;
}

}  // namespace lumo::mp3
