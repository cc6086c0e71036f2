#include "splitter/core/frame_cut.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>

#include "common/errors/errors.h"
#include "common/file/file.h"
#include "common/mp3/container.h"
#include "common/mp3/vbr_write.h"
#include "common/text/text.h"

namespace lumo::splitter {
namespace {

// A header frame and its VBR header.
struct HeaderFrame {
  mp3::FrameAt frame;
  mp3::VbrTag tag;
};

// The header frame at `frame` in b, when its VBR header is one the pieces
// can carry: Xing or Info. A VBRI header is not rewritten, so a piece has
// none.
std::optional<HeaderFrame> xingHeader(const std::string& b, size_t frame) {
  mp3::MemorySource source(b);
  const std::optional<mp3::FrameAt> at = mp3::FrameHeaderAt(source, static_cast<int64_t>(frame));
  if (!at) return std::nullopt;
  const mp3::VbrTag tag = mp3::FindVbrTag(source, *at);
  if (tag.kind != mp3::VbrTag::Xing && tag.kind != mp3::VbrTag::Info) return std::nullopt;
  return HeaderFrame{*at, tag};
}

// Sets the header frame (a copy of the part's, at the start of `out`) to
// describe the piece that follows it in `out`.
void fixPieceHeader(std::string& out, const HeaderFrame& header, const std::vector<size_t>& frameOffsets, bool first,
                    bool last) {
  const mp3::VbrTag& tag = header.tag;
  if (tag.framesField >= 0) mp3::PutBigEndian32(out, tag.framesField, frameOffsets.size());
  if (tag.bytesField >= 0) mp3::PutBigEndian32(out, tag.bytesField, out.size());
  if (tag.tocField >= 0) mp3::FillSeekTable(out, tag.tocField, frameOffsets, 0, out.size());
  if (tag.lameField < 0) return;
  const auto lame = static_cast<size_t>(tag.lameField);
  // The encoder delay belongs to the recording's start, the end padding to its end.
  if (!first) {
    out[lame + 21] = 0;
    out[lame + 22] = static_cast<char>(out[lame + 22] & 0x0F);
  }
  if (!last) {
    out[lame + 22] = static_cast<char>(out[lame + 22] & 0xF0);
    out[lame + 23] = 0;
  }
  mp3::SealLameTag(out, header.frame, tag.lameField, out.size(), out.size());
}

}  // namespace

FrameMap mapFrames(const std::string& path) {
  FrameMap map;
  map.bytes = text::readFileBytes(path);
  mp3::MemorySource source(map.bytes);
  const std::optional<mp3::FrameAt> start = mp3::FindAudioStart(source);
  if (!start) return map;
  int64_t audio = start->position;
  if (start->end() <= source.size() && mp3::FindVbrTag(source, *start).kind != mp3::VbrTag::None) {
    map.hasHeader = true;
    map.headerFrame = static_cast<size_t>(start->position);
    map.headerLength = static_cast<size_t>(start->header.FrameLength);
    audio = start->end();
  }
  int firstBitrate = 0;
  mp3::WalkFrames(source, audio, source.size(), [&map, &firstBitrate](const mp3::FrameAt& frame) {
    if (map.offsets.empty()) firstBitrate = frame.header.Bitrate;
    if (frame.header.Bitrate != firstBitrate) map.varyingBitrate = true;
    map.offsets.push_back(static_cast<size_t>(frame.position));
    map.lengths.push_back(static_cast<size_t>(frame.header.FrameLength));
    map.samplesPerFrame = frame.header.SamplesPerFrame;
    map.sampleRate = frame.header.SampleRate;
  });
  return map;
}

std::vector<size_t> pieceStarts(size_t partFrames, const std::vector<size_t>& pieceFrames, size_t minFrames) {
  if (partFrames == 0) return {};
  // The first piece with frames is the one the engine cut short at the
  // part's start: it begins at frame 0 whatever its count, so only the
  // pieces after it place a cut.
  size_t first = 0;
  while (first < pieceFrames.size() && pieceFrames[first] == 0) ++first;
  std::vector<size_t> starts;
  size_t fromEnd = 0;
  for (size_t k = pieceFrames.size(); k-- > first + 1;) {
    if (pieceFrames[k] == 0) continue;
    fromEnd += pieceFrames[k];
    if (fromEnd >= partFrames) break;  // more frames than the part holds: the rest is the first piece
    starts.insert(starts.begin(), partFrames - fromEnd);
  }
  starts.insert(starts.begin(), 0);
  for (size_t k = 0; k < starts.size() && starts.size() > 1;) {
    const size_t end = k + 1 < starts.size() ? starts[k + 1] : partFrames;
    if (end - starts[k] >= minFrames)
      ++k;
    else if (k + 1 < starts.size())
      starts.erase(starts.begin() + static_cast<std::ptrdiff_t>(k) + 1);
    else
      starts.erase(starts.begin() + static_cast<std::ptrdiff_t>(k));
  }
  return starts;
}

std::string writePiece(const FrameMap& part, const std::vector<size_t>& starts, size_t k, const std::string& path,
                       const id3::TypeTagV2* tag, bool* tagged) {
  if (tagged != nullptr) *tagged = false;
  const size_t from = starts[k];
  const size_t to = k + 1 < starts.size() ? starts[k + 1] : part.audioFrames();
  if (from >= to || to > part.audioFrames()) return "parte vuota";
  const size_t begin = part.offsets[from];
  const size_t end = part.offsets[to - 1] + part.lengths[to - 1];
  std::string out;
  const bool carry = part.hasHeader && xingHeader(part.bytes, part.headerFrame);
  if (carry)
    out.append(part.bytes, part.headerFrame, part.headerLength);
  else if (part.varyingBitrate)
    out = mp3::MakeXingFrame(reinterpret_cast<const uint8_t*>(part.bytes.data()) + begin);
  const size_t headerLength = out.size();
  out.append(part.bytes, begin, end - begin);
  if (headerLength > 0) {
    std::vector<size_t> offsets;
    offsets.reserve(to - from);
    for (size_t f = from; f < to; ++f) offsets.push_back(part.offsets[f] - begin + headerLength);
    fixPieceHeader(out, *xingHeader(out, 0), offsets, k == 0, k + 1 == starts.size());
  }
  std::string front;
  if (tag != nullptr) {
    try {
      front = tag->TagBytes();
    } catch (const RuntimeError&) {
      tag = nullptr;  // the tag writer reports it on the piece
    }
  }
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "w+b"), std::fclose);
  if (!file) return "impossibile scrivere " + path + " (" + ioErrorCause(errno) + ")";
  const auto put = [&](const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  };
  if (!put(front) || !put(out) || std::fflush(file.get()) != 0)
    return "impossibile scrivere " + path + " (" + ioErrorCause(errno) + ")";
  if (tag != nullptr) {
    bool whole = false;
    try {
      whole = tag->CompleteTaggedFile(fileno(file.get()));
    } catch (const RuntimeError&) {
      whole = false;
    }
    // Not as the tag writer would tag it: the piece alone, for it to decide.
    if (!whole && (std::fseek(file.get(), 0, SEEK_SET) != 0 || !put(out) || std::fflush(file.get()) != 0 ||
                   ::ftruncate(fileno(file.get()), static_cast<off_t>(out.size())) != 0))
      return "impossibile scrivere " + path + " (" + ioErrorCause(errno) + ")";
    if (tagged != nullptr) *tagged = whole;
  }
  if (std::fclose(file.release()) != 0) return "impossibile scrivere " + path + " (" + ioErrorCause(errno) + ")";
  return {};
}

namespace {

// True when the file's first frame, behind its ID3v2 tags, holds a VBR
// header, as mapFrames finds it; told from the file's start alone (a part
// with a header is left as it is, so its audio need not be read). False
// also where the start does not tell (the first frame near or past its end).
bool startsWithVbrHeader(const std::string& path) {
  constexpr size_t kHead = 64 * 1024;
  // Any earlier frame start would be confirmed within this margin, as in
  // the whole file.
  constexpr int64_t kMargin = 8192;
  const file::Handle fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.isOpen()) return false;
  std::string head(kHead, '\0');
  const int64_t got = file::readAt(fd.get(), 0, head.data(), head.size());
  if (got < 0) return false;
  head.resize(static_cast<size_t>(got));
  mp3::MemorySource source(head);
  const std::optional<mp3::FrameAt> start = mp3::FindAudioStart(source);
  return start && start->position + kMargin <= source.size() && start->end() <= source.size() &&
         mp3::FindVbrTag(source, *start).kind != mp3::VbrTag::None;
}

}  // namespace

std::string AddVbrHeader(const std::string& path, bool* rewritten, const id3::TypeTagV2* tag, bool* tagged) {
  if (rewritten != nullptr) *rewritten = false;
  if (tagged != nullptr) *tagged = false;
  if (startsWithVbrHeader(path)) return {};
  FrameMap map;
  try {
    map = mapFrames(path);
  } catch (const RuntimeError& e) {
    return e.description();
  }
  if (map.hasHeader || !map.varyingBitrate || map.audioFrames() == 0) return {};
  const std::string temp = path + ".vbr";
  std::string why = writePiece(map, {0}, 0, temp, tag, tagged);
  if (why.empty() && std::rename(temp.c_str(), path.c_str()) != 0)
    why = "impossibile scrivere " + path + " (" + ioErrorCause(errno) + ")";
  if (!why.empty()) std::remove(temp.c_str());
  if (why.empty() && rewritten != nullptr) *rewritten = true;
  return why;
}

}  // namespace lumo::splitter
