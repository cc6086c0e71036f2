#include "splitter/core/mp3join.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "common/errors/errors.h"
#include "common/file/replacement.h"
#include "common/mp3/container.h"
#include "common/mp3/vbr_write.h"
#include "common/text/text.h"

namespace fs = std::filesystem;

namespace lumo::splitter {
namespace {

using Bytes = std::string;

// The frames of the stream that begins at `from`, up to the first bytes that
// are no whole frame (trailing tags, damage, a last frame cut short) or
// `end`; `streamEnd` receives where the last of them ends.
std::vector<size_t> walkFrames(const Bytes& b, size_t from, size_t end, size_t& streamEnd) {
  std::vector<size_t> frames;
  mp3::MemorySource source(b);
  streamEnd = static_cast<size_t>(
      mp3::WalkFrames(source, static_cast<int64_t>(from), static_cast<int64_t>(end),
                      [&frames](const mp3::FrameAt& frame) { frames.push_back(static_cast<size_t>(frame.position)); }));
  return frames;
}

// The first part's first frame and its VBR header, all of whose fields lie
// inside that frame.
struct HeaderFrame {
  mp3::FrameAt frame;
  mp3::VbrTag tag;
};

// Sets the counts of the first frame's Xing/Info header to those of the
// joined stream. `prevSize` is where the appended audio begins; `nextLame`
// the LAME extension of the second part's dropped header (its end padding
// becomes the joined stream's), empty when it had none. Every byte written
// lies inside the first frame.
void fixHeader(Bytes& out, const HeaderFrame& first, size_t prevSize, std::string_view nextLame) {
  const mp3::VbrTag& tag = first.tag;
  const auto start = static_cast<size_t>(first.frame.position);
  // The first part's frames and the appended ones are walked apart: the
  // first part may end in something that is no whole frame (its recording
  // ended in a frame cut short), and the appended audio still counts.
  size_t streamEnd = 0, appendedEnd = 0;
  std::vector<size_t> frames = walkFrames(out, start, prevSize, streamEnd);
  const std::vector<size_t> appended = walkFrames(out, prevSize, out.size(), appendedEnd);
  frames.insert(frames.end(), appended.begin(), appended.end());
  if (frames.empty()) return;
  if (!appended.empty()) streamEnd = appendedEnd;
  const uint64_t bytes = std::max(streamEnd, prevSize) - start;
  if (tag.framesField >= 0) {
    // Keep the first header's own way of counting (with or without itself):
    // it gains the frames that were appended.
    const auto* field = reinterpret_cast<const uint8_t*>(out.data()) + tag.framesField;
    mp3::PutBigEndian32(out, tag.framesField, uint64_t{mp3::BigEndian32(field)} + appended.size());
  }
  if (tag.bytesField >= 0) mp3::PutBigEndian32(out, tag.bytesField, bytes);
  if (tag.tocField >= 0) mp3::FillSeekTable(out, tag.tocField, frames, start, bytes);
  if (tag.lameField < 0) return;
  const auto lame = static_cast<size_t>(tag.lameField);
  // Encoder delay stays the first part's; the end padding is the second's.
  if (!nextLame.empty()) {
    out[lame + 22] = static_cast<char>((out[lame + 22] & 0xF0) | (nextLame[22] & 0x0F));
    out[lame + 23] = nextLame[23];
  }
  mp3::SealLameTag(out, first.frame, tag.lameField, streamEnd, bytes);
}

// Writes the joined part over the previous one, durably: the join deletes
// the continuation afterwards, so the bytes must be on the disk first.
std::string writeReplacing(const fs::path& target, const Bytes& data) {
  file::ReplacementFile out(target, {.prefix = ".lumojoin-", .suffix = "", .mode = 0600, .sync = true});
  if (const int error = out.create(); error != 0)
    return "impossibile creare il file temporaneo (" + ioErrorCause(error) + ")";
  int error = out.write(data);
  struct stat st {};
  if (error == 0 && ::stat(target.c_str(), &st) == 0) ::fchmod(out.fd(), st.st_mode & 07777);
  if (error == 0) error = out.commit();
  if (error != 0) return "impossibile scrivere " + target.string() + " (" + ioErrorCause(error) + ")";
  return {};
}

// Where the first part's header frame is, or why the join cannot be made:
// its audio must begin right behind its ID3v2 tags (bytes in front of the
// first frame, such as a damaged header frame, would stay in front of the
// joined stream for readers to take for its header), and a VBR header there
// must lie whole inside its frame to be rewritten.
std::string firstHeader(const Bytes& first, const std::string& name, std::optional<HeaderFrame>& header) {
  mp3::MemorySource source(first);
  const std::optional<mp3::FrameAt> frame = mp3::FindAudioStart(source);
  if (!frame) return "nessun frame MP3 in " + name;
  if (frame->position != mp3::SkipId3v2Tags(source)) return "il primo frame di " + name + " è danneggiato";
  const mp3::VbrTag tag = mp3::FindVbrTag(source, *frame);
  if (!tag.whole) return "l'intestazione VBR di " + name + " non è contenuta nel suo primo frame";
  if (tag.kind != mp3::VbrTag::None) header = HeaderFrame{*frame, tag};
  return {};
}

// Where the second part's audio to append begins (behind its own header
// frame, which is dropped), and that header's LAME extension, if any.
std::string secondAudio(const Bytes& second, const std::string& name, size_t& from, std::string_view& lame) {
  mp3::MemorySource source(second);
  const std::optional<mp3::FrameAt> frame = mp3::FindAudioStart(source);
  if (!frame) return "nessun frame MP3 in " + name;
  from = static_cast<size_t>(frame->position);
  const mp3::VbrTag tag = mp3::FindVbrTag(source, *frame);
  if (tag.kind == mp3::VbrTag::None) return {};
  if (frame->end() > source.size()) return "il file " + name + " è troncato";
  if (tag.lameField >= 0) lame = std::string_view(second).substr(static_cast<size_t>(tag.lameField), 36);
  from = static_cast<size_t>(frame->end());
  return {};
}

}  // namespace

std::string AppendMp3(const std::string& previous, const std::string& next) {
  Bytes first, second;
  try {
    first = text::readFileBytes(previous);
    second = text::readFileBytes(next);
  } catch (const RuntimeError& e) {
    return e.description();
  }
  std::optional<HeaderFrame> header;
  size_t from = 0;
  std::string_view nextLame;
  if (std::string why = firstHeader(first, previous, header); !why.empty()) return why;
  if (std::string why = secondAudio(second, next, from, nextLame); !why.empty()) return why;
  Bytes out;
  out.reserve(first.size() + second.size() - from);
  out.append(first);
  const size_t prevSize = out.size();
  out.append(second, from);
  if (header) fixHeader(out, *header, prevSize, nextLame);
  return writeReplacing(previous, out);
}

}  // namespace lumo::splitter
