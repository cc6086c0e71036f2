#pragma once
// The MP3 container: where the ID3v2 tags at a file's start end, where the
// audio's first frame is, where the first frame's VBR header (Xing, Info or
// VBRI) keeps its fields, and whether a stream without such a header is of
// constant bitrate. The analysis, the tag writer and the join read their
// files through this one reader; every position it gives lies inside the
// bytes the source holds, and inside the frame it belongs to.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "common/mp3/frame_header.h"

namespace lumo::mp3 {

// The bytes of a file (or of memory) at any position.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual int64_t size() const = 0;
  // The n bytes at pos, or nullptr when they pass the end. Valid until the
  // next call.
  virtual const uint8_t* at(int64_t pos, size_t n) = 0;
  // Tells the source that the n bytes at pos will be read soon, so a file
  // can fetch several places at once.
  virtual void prefetch(int64_t /*pos*/, size_t /*n*/) {}
};

// Bytes held in memory (the join reads its parts whole).
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }
  const uint8_t* at(int64_t pos, size_t n) override {
    if (pos < 0 || n > bytes_.size() || static_cast<uint64_t>(pos) > bytes_.size() - n) return nullptr;
    return reinterpret_cast<const uint8_t*>(bytes_.data()) + pos;
  }

 private:
  std::string_view bytes_;
};

constexpr int64_t kId3v2HeaderSize = 10;

// The length of the ID3v2 tag whose 10 header bytes are at b, or 0 when they
// are no tag header: "ID3", a version and revision other than FF, a size of
// four 7-bit bytes. The length is the header, the size's bytes and, for a
// version-4 tag whose flags announce one, the 10-byte footer (the same flag
// bit is undefined in versions 2 and 3 and adds nothing there).
int64_t Id3v2TagLength(const uint8_t* b);

// Where the ID3v2 tags that follow one another from pos end: pos itself when
// none is there. A tag that passes the source's end ends there.
int64_t SkipId3v2Tags(ByteSource& source, int64_t pos = 0);

struct FrameAt {
  int64_t position = 0;
  Mp3FrameHeader header;
  int64_t end() const { return position + header.FrameLength; }
};

// The valid frame header at pos, if any.
std::optional<FrameAt> FrameHeaderAt(ByteSource& source, int64_t pos);

// True when `count` valid headers follow one another from pos, each where
// the one before it ends (only the four header bytes need be in the source);
// first receives the first of them.
bool IsFrameRun(ByteSource& source, int64_t pos, int count, Mp3FrameHeader& first);

// Walks the frames that follow one another from pos, each where the one
// before it ends, up to the first bytes that are no whole frame (trailing
// tags, damage, a last frame cut short) or `end`; gives each to `visit` and
// returns where the last of them ends (pos when there is none).
int64_t WalkFrames(ByteSource& source, int64_t pos, int64_t end, const std::function<void(const FrameAt&)>& visit);

// The first frame at or after from that is confirmed: a second valid header
// follows where its length says (a lone frame is no stream). Bytes FF inside
// tags or other leading data are not taken for audio this way.
std::optional<FrameAt> FindFirstFrame(ByteSource& source, int64_t from);

// Where a file's audio starts: behind its leading ID3v2 tags, the first
// confirmed frame.
std::optional<FrameAt> FindAudioStart(ByteSource& source);

// The VBR header of a stream's first frame and where its fields are. Every
// field given lies inside the frame and the source; `whole` tells whether
// all the fields its flags announce do (a frame shorter than its own header,
// a file cut short inside it).
struct VbrTag {
  enum Kind { None, Xing, Info, Vbri } kind = None;
  int64_t position = 0;                                      // of its "Xing", "Info" or "VBRI" word
  uint32_t flags = 0;                                        // Xing and Info: which fields follow
  int64_t framesField = -1, bytesField = -1, tocField = -1;  // -1: absent
  int64_t lameField = -1;                                    // the LAME extension (its encoder string), -1: none
  bool whole = true;
};

enum class TagWordCase { Exact, Any };

// The Xing/Info header sits where the first frame's side information ends.
// LAME writes it at that place also in CRC-protected frames (it does not
// move it past the CRC); a strict encoder puts it 2 bytes later, after the
// CRC, so a protected frame is looked at in both places. The Fraunhofer
// VBRI header sits 32 bytes after the 4-byte header.
VbrTag FindVbrTag(ByteSource& source, const FrameAt& frame, TagWordCase wordCase = TagWordCase::Exact);

uint32_t BigEndian32(const uint8_t* b);

// The length of the tag at pos that can lie between frames (files joined
// byte for byte carry the later files' tags), 0 when none begins there: an
// ID3v2 tag, an ID3v1 tag, an APE tag from its header (32 bytes and the
// size it gives) or a lone APE footer (32 bytes).
int64_t TagLengthAt(ByteSource& source, int64_t pos);

// Where the audio after from ends: before the tags at the end of the source
// (ID3v1, APE and Lyrics3 v2, in whichever order writers left them).
int64_t AudioEnd(ByteSource& source, int64_t from);

// What a decoder plays of a stream: its frames, their playing time and
// their bitrates.
struct StreamCount {
  int64_t frames = 0;
  int16_t bitrate = 0;  // of the first frame counted
  bool oneBitrate = true;
  int64_t bitrateSum = 0;
  // Samples by sample rate (the nine rates of MPEG-1, 2 and 2.5), so the
  // time is exact however many frames of each rate there are.
  std::array<int64_t, 9> samples{};
  double seconds() const;
};

// Counts every frame from pos to audioEnd as a decoder plays them. A valid
// header where the frame before it ends is the next frame when it is of the
// stream (version, layer, sample rate) of that frame (`like` for the first),
// or when another valid header follows it or it ends at audioEnd. Elsewhere
// (junk, a lost byte, a tag, a lone header of another stream) the next frame
// is looked for: behind a tag that begins there, a header of the stream of
// the frame before the tag or one confirmed by a header of its own stream or
// a tag where it ends (or ending at audioEnd); else at each byte on, the
// first header so confirmed. A last frame cut short counts, as decoders play it.
StreamCount CountFrames(ByteSource& source, int64_t pos, int64_t audioEnd, const Mp3FrameHeader& like);

// The frame count of a stream without a VBR header when it is of constant
// bitrate, else nothing (the stream is then to be walked frame by frame).
// `first` is the stream's first frame, audioEnd where its audio ends (the
// trailing tags excluded). Probes spread over the audio find frames of the
// first frame's stream and bitrate, each confirmed by the frame that follows
// it, where a constant bitrate puts them, and the last frame must end at
// audioEnd; the audio between two probes is then checked frame by frame (each
// where the one before it ends, of that stream and bitrate), so the count is
// the one CountFrames gives and a stream told constant is one the walk finds
// constant. Any doubt (a probe that finds no frame, another bitrate, a frame
// off the grid, a frame that is not where the one before it ends, a stream
// too short to be worth probing) gives nothing.
std::optional<int64_t> ConstantBitrateFrames(ByteSource& source, const FrameAt& first, int64_t audioEnd);

}  // namespace lumo::mp3
