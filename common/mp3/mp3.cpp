#include "common/mp3/mp3.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string_view>

#include "common/errors/errors.h"
#include "common/file/file.h"
#include "common/mp3/container.h"
#include "common/mp3/file_source.h"
#include "common/mp3/frame_header.h"
#include "common/text/text.h"

namespace lumo::mp3 {

namespace {

constexpr int64_t kSearchBlock = 4096;
constexpr int kRunLength = 10;
constexpr int64_t kId3v1Size = 128;
// The analysis of one open file.
struct Analysis {
  int fd;
  FileSource& reader;
  int64_t size;
  Mp3Info& info;
};

// A directory search for normal files finds neither folders nor other
// non-regular files nor hidden files (on this platform: names beginning
// with a dot).
bool IsFindableFile(const std::string& path) {
  if (text::trim(path).empty()) return false;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  const std::string name = std::filesystem::path(path).filename().string();
  return !name.empty() && name[0] != '.';
}

// Position of the first frame of the first run of ten frames, searched in
// whole 4096-byte blocks at each byte 0xFF in turn. The last, partial block
// is not searched, so a file of 4097 bytes or fewer never holds a run.
std::optional<int64_t> FindFrameRun(Analysis& a, Mp3FrameHeader& first, const YieldFn& yield) {
  std::array<uint8_t, kSearchBlock> block;
  for (int64_t p = 0; p + kSearchBlock + 1 < a.size; p += kSearchBlock) {
    // A copy: the run tests move the reader's window.
    const uint8_t* bytes = a.reader.at(p, kSearchBlock);
    if (bytes == nullptr) break;  // the file shrank meanwhile
    std::memcpy(block.data(), bytes, kSearchBlock);
    size_t m = 0;
    for (;;) {
      const void* hit = std::memchr(block.data() + m, 0xFF, kSearchBlock - m);
      if (yield) yield();
      if (hit == nullptr) break;
      const size_t index = static_cast<size_t>(static_cast<const uint8_t*>(hit) - block.data());
      const int64_t o = p + static_cast<int64_t>(index);
      if (IsFrameRun(a.reader, o, kRunLength, first)) return o;
      m = index + 1;
      if (m == kSearchBlock) break;
    }
  }
  return std::nullopt;
}

// Big-endian 32-bit count of a VBR header; counts of 2^31 or more do not fit
// the record's 32-bit fields.
int32_t BytesToLong(const uint8_t* b) {
  const uint32_t value = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | uint32_t{b[3]};
  if (value > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) throw RuntimeError(err::Overflow);
  return static_cast<int32_t>(value);
}

bool HasId3v1Tag(Analysis& a) {
  if (a.size < kId3v1Size) return false;
  const uint8_t* tag = a.reader.at(a.size - kId3v1Size, 3);
  return tag != nullptr && std::memcmp(tag, "TAG", 3) == 0;
}

// What the first frame says about the whole stream.
struct VbrHeader {
  enum Kind { None, Xing, Info, Vbri } kind = None;
  std::optional<int32_t> frames;  // only when announced, and not 0
  std::optional<int32_t> bytes;   // only when announced, and not 0
};

// The counts of the first frame's VBR header. A header word too close to
// the frame's end to hold a header is no header: the frame counts as audio.
VbrHeader ReadVbrHeader(Analysis& a, const FrameAt& first) {
  VbrHeader result;
  const VbrTag tag = FindVbrTag(a.reader, first);
  if (tag.kind == VbrTag::None || tag.position + (tag.kind == VbrTag::Vbri ? 18 : 8) > first.end()) return result;
  result.kind = tag.kind == VbrTag::Xing   ? VbrHeader::Xing
                : tag.kind == VbrTag::Info ? VbrHeader::Info
                                           : VbrHeader::Vbri;
  if (tag.framesField >= 0) {
    if (const uint8_t* b = a.reader.at(tag.framesField, 4)) {
      if (const int32_t frames = BytesToLong(b); frames > 0) result.frames = frames;
    }
  }
  if (tag.bytesField >= 0) {
    if (const uint8_t* b = a.reader.at(tag.bytesField, 4)) {
      if (const int32_t bytes = BytesToLong(b); bytes > 0) result.bytes = bytes;
    }
  }
  return result;
}

// Measures the file from a VBR header's frame count; the tag frame itself
// holds no audio and is not in the count.
void ApplyVbrHeader(Analysis& a, int64_t f, const Mp3FrameHeader& first, const VbrHeader& vbr) {
  const int32_t frames = *vbr.frames;
  const double seconds = static_cast<double>(frames) * first.SamplesPerFrame / first.SampleRate;
  a.info.Frames = frames;
  a.info.Duration = text::toInt32(std::nearbyint(seconds));
  if (vbr.kind == VbrHeader::Info) {
    // LAME writes "Info" instead of "Xing" exactly for constant-bitrate
    // streams. The tag frame may have another bitrate than the audio (the
    // smallest that holds the tag: FFmpeg writes the Info frame of 32 kbit/s
    // MPEG-2 audio at 56), so the bitrate is that of the frame after it.
    const std::optional<FrameAt> audio = FrameHeaderAt(a.reader, f + first.FrameLength);
    const bool audioFollows = audio && audio->header.Version == first.Version && audio->header.Layer == first.Layer &&
                              audio->header.SampleRate == first.SampleRate;
    a.info.IsCbr = true;
    a.info.Bitrate = audioFollows ? audio->header.Bitrate : first.Bitrate;
    return;
  }
  // The exact playing time, not the rounded Duration, so a short stream
  // (Duration 0) still has a bitrate.
  double bytes = 0;
  if (vbr.bytes) {
    bytes = *vbr.bytes;
  } else {
    bytes = static_cast<double>(a.size - (f + first.FrameLength) - (HasId3v1Tag(a) ? kId3v1Size : 0));
    if (bytes < 0) bytes = 0;
  }
  a.info.IsCbr = false;
  a.info.Bitrate = text::toInt16(std::nearbyint(bytes * 8 / 1000 / seconds));
}

// Counts every frame from pos to the tags at the end as a decoder plays
// them (CountFrames: damage, junk and tags between frames are stepped over,
// frames of another sample rate count with their own time).
void ScanVbrFrames(Analysis& a, int64_t pos, int64_t f, const Mp3FrameHeader& first) {
  const StreamCount count = CountFrames(a.reader, pos, AudioEnd(a.reader, f), first);
  if (count.frames == 0) {  // cannot happen after a run of ten, but never divide by 0
    a.info.Frames = 0;
    a.info.Duration = 0;
    a.info.IsCbr = false;
    a.info.Bitrate = first.Bitrate;
    return;
  }
  a.info.Frames = text::toInt32(static_cast<long long>(count.frames));
  a.info.Duration = text::toInt32(std::nearbyint(count.seconds()));
  a.info.IsCbr = count.oneBitrate;
  a.info.Bitrate =
      count.oneBitrate
          ? count.bitrate
          : text::toInt16(std::nearbyint(static_cast<double>(count.bitrateSum) / static_cast<double>(count.frames)));
}

// The longest frame the stream's version, layer and sample rate allow.
int64_t LargestFrameLength(const Mp3FrameHeader& h) {
  const int64_t kbps = h.Version == 1 ? (h.Layer == 1 ? 448 : h.Layer == 2 ? 384 : 320) : (h.Layer == 1 ? 256 : 160);
  return int64_t{h.SamplesPerFrame} / 8 * kbps * 1000 / h.SampleRate + (h.Layer == 1 ? 4 : 1);
}

// A VBR header was written for the stream that its encoder made; after files
// were joined, cut or damaged it no longer describes the file. Its byte count
// (from the tag frame to the end of the audio) is trusted when it matches the
// bytes from the tag frame to the tags at the end within two frames.
bool MatchesTheAudio(Analysis& a, int64_t f, const Mp3FrameHeader& first, const VbrHeader& vbr) {
  if (!vbr.bytes) return true;  // nothing to hold against the file
  const int64_t audio = AudioEnd(a.reader, f) - f;
  return std::llabs(audio - *vbr.bytes) <= 2 * LargestFrameLength(first);
}

// A constant-bitrate stream measured from its frame count, as the frame walk
// would have counted it.
void ApplyConstantBitrate(Analysis& a, const Mp3FrameHeader& first, int64_t frames) {
  a.info.Frames = text::toInt32(static_cast<long long>(frames));
  a.info.Duration =
      text::toInt32(std::nearbyint(static_cast<double>(frames) * first.SamplesPerFrame / first.SampleRate));
  a.info.IsCbr = true;
  a.info.Bitrate = first.Bitrate;
}

// Cuts a tag field before its first NUL and trims blanks at both ends; ID3v1
// text is windows-1252.
std::string TrimAtNul(std::string_view field) {
  const size_t nul = field.find('\0');
  if (nul != std::string_view::npos) field = field.substr(0, nul);
  return text::cp1252ToUtf8(text::trim(field));
}

void ReadId3v1Tag(Analysis& a) {
  if (a.size < kId3v1Size) return;
  const uint8_t* tag = a.reader.at(a.size - kId3v1Size, kId3v1Size);
  if (tag == nullptr || std::memcmp(tag, "TAG", 3) != 0) return;
  auto field = [tag](int offset, int length) {
    return TrimAtNul(std::string_view(reinterpret_cast<const char*>(tag) + offset, length));
  };
  a.info.Title = field(3, 30);
  a.info.Artist = field(33, 30);
  a.info.Album = field(63, 30);
  a.info.Year = field(93, 4);
  // ID3v1.1 keeps the track in the comment's last byte, marked by a NUL
  // before it; in an ID3v1.0 tag those 30 bytes are all comment.
  if (tag[125] == 0) {
    a.info.Comment = field(97, 29);
    a.info.Track = tag[126];
  } else {
    a.info.Comment = field(97, 30);
    a.info.Track = 0;
  }
  a.info.Genre = tag[127];
  a.info.HasTag = true;
}

void TakeFirstHeader(Mp3Info& info, const Mp3FrameHeader& first) {
  info.ChannelModeIndex = first.ChannelMode;
  info.Layer = first.Layer;
  // The record knows two versions: MPEG-2.5 streams are measured with their
  // own sample rates but counted as MPEG-2, as every header without the
  // MPEG-1 bit is.
  info.Version = first.Version == 1 ? 1 : 2;
  info.Copyright = first.Copyright;
  info.SampleRate = first.SampleRate;
  info.Original = first.Original;
  info.IsCbr = false;
}

// How a stream without a usable VBR header is measured.
enum class Probes { Use, WalkInstead };

uint8_t Analyse(const std::string& path, Mp3Info& info, const YieldFn& yield, Probes probes) {
  if (!IsFindableFile(path)) return 0;

  // A file the user may not read is error 70 (Permission denied) here.
  const file::OpenFile opened = file::openFile(path, O_RDONLY, err::PermissionDenied);
  const struct stat& st = opened.status;
  if (!opened.regular()) return 0;
  // Sizes and positions are 32-bit in the record.
  if (st.st_size > std::numeric_limits<int32_t>::max()) throw RuntimeError(err::Overflow);
  info.FileSize = static_cast<int32_t>(st.st_size);

  // Most files are measured from their first frames and their last bytes:
  // the system must not read ahead over the whole file for that.
  ::posix_fadvise(opened.handle.get(), 0, 0, POSIX_FADV_RANDOM);
  // The tags at the end are read in any case: the system fetches the last
  // page while the first frames are read.
  if (st.st_size > static_cast<off_t>(FileSource::kFirstRead))
    ::posix_fadvise(opened.handle.get(), st.st_size - 4096, 4096, POSIX_FADV_WILLNEED);
  FileSource reader(opened.handle.get(), st.st_size);
  Analysis a{opened.handle.get(), reader, st.st_size, info};
  Mp3FrameHeader first;
  const std::optional<int64_t> f = FindFrameRun(a, first, yield);
  if (!f) return 0;

  TakeFirstHeader(info, first);
  const VbrHeader vbr = ReadVbrHeader(a, FrameAt{*f, first});
  const bool counted = vbr.frames && MatchesTheAudio(a, *f, first, vbr);
  // Without a frame count to trust, every frame is read: by the frame walk,
  // or by the check of a constant bitrate, which also walks every frame
  // (and the walk follows when it finds otherwise).
  if (!counted) reader.readWhole();
  if (counted) {
    ApplyVbrHeader(a, *f, first, vbr);
  } else if (const std::optional<int64_t> frames =
                 vbr.kind == VbrHeader::None && probes == Probes::Use
                     ? ConstantBitrateFrames(a.reader, FrameAt{*f, first}, AudioEnd(a.reader, *f))
                     : std::nullopt) {
    ApplyConstantBitrate(a, first, *frames);
  } else {
    // Without a frame count, or with a header that does not describe this
    // file, every frame is counted; a tag frame is skipped.
    ScanVbrFrames(a, vbr.kind == VbrHeader::None ? *f : *f + first.FrameLength, *f, first);
  }
  ReadId3v1Tag(a);
  return 1;
}

}  // namespace

uint8_t GetMp3Info(const std::string& path, Mp3Info& info, const YieldFn& yield) {
  return Analyse(path, info, yield, Probes::Use);
}

uint8_t GetMp3InfoWalked(const std::string& path, Mp3Info& info) {
  return Analyse(path, info, {}, Probes::WalkInstead);
}

}  // namespace lumo::mp3
