#pragma once
// Cutting an MP3 part into pieces at frame boundaries, without decoding.
//
// mp3splt finds where the pieces of the cut by length should end (it looks
// for the pauses), but on a part that it cut itself it leaves out the first
// frames of the part (up to some 48 frames, 1.25 s at 22.05 kHz: the
// chapter's spoken title). The pieces it writes are otherwise the part's own
// frames, contiguous up to the part's end, so the place of every cut can be
// read back from their frame counts, counted from the end; the pieces are
// then written again here, from the part's own frames, the first one from
// the part's first frame.

#include <cstddef>
#include <string>
#include <vector>

#include "splitter/id3/tag_v2.h"

namespace lumo::splitter {

// The audio frames of an MP3 file (from its first frame behind any ID3v2
// tags, up to the first bytes that are no whole frame), the Xing/Info/VBRI
// header frame apart.
struct FrameMap {
  std::string bytes;            // the whole file
  size_t headerFrame = 0;       // offset of the header frame, when hasHeader
  size_t headerLength = 0;      // its length in bytes
  bool hasHeader = false;       // the first frame is a Xing/Info (or VBRI) header
  bool varyingBitrate = false;  // the audio frames are not all of one bitrate
  std::vector<size_t> offsets;  // start of every audio frame
  std::vector<size_t> lengths;  // its length
  int samplesPerFrame = 0;
  int sampleRate = 0;
  size_t audioFrames() const { return offsets.size(); }
  double seconds() const {
    return sampleRate > 0 ? static_cast<double>(offsets.size()) * samplesPerFrame / sampleRate : 0;
  }
};

// Reads and maps a file; throws lumo::RuntimeError when it cannot be read.
FrameMap mapFrames(const std::string& path);

// Where each piece begins, in frames of the part, given the audio frame
// counts of the engine's pieces (in order; the last one runs to the part's
// end): each later piece begins where the frames after it, counted from the
// part's end, leave off; the first begins at frame 0 and takes the frames
// the engine left out of it. Pieces without frames are left out; pieces
// that would pass the part's start are one with the first. Empty when the
// part has no frames.
// A piece shorter than minFrames (the pause the cuts look for: the engine
// leaves such a tail behind the last pause) joins the piece after it, the
// last one the piece before it.
std::vector<size_t> pieceStarts(size_t partFrames, const std::vector<size_t>& pieceFrames, size_t minFrames = 0);

// Writes piece k (frames starts[k] up to starts[k + 1], the last up to the
// end) of `part` to `path`: the part's header frame with the piece's frame
// and byte counts, seek table and LAME fields (the encoder delay kept by the
// first piece, the end padding by the last), then the frames. A part without
// a Xing/Info header whose frames vary in bitrate gives its pieces a Xing
// header of their own, so that players measure and seek them by their
// frames. With a tag, the file is written as that tag's WriteTag would make
// it of the piece (the tag in front, a Xing byte count covering it), and
// `tagged` (when given) says whether it was; a tag that cannot be made
// leaves the piece untagged. Returns "" or why it failed (Italian, for the
// log).
std::string writePiece(const FrameMap& part, const std::vector<size_t>& starts, size_t k, const std::string& path,
                       const id3::TypeTagV2* tag = nullptr, bool* tagged = nullptr);

// Gives the MP3 file at `path` a Xing header with its frame and byte counts
// and seek table when it has no VBR header and its frames vary in bitrate
// (mp3splt cuts such parts of a VBR recording without one, and their length
// is then guessed from the bitrate); the file is rewritten under a
// temporary name and renamed over it. Files of one bitrate, or with a
// header, stay byte for byte (whatever stands in front of their audio, a
// tag, too); a file that gets the header keeps only its frames, and
// `rewritten` (when given) says so; with a tag, the tag in front of them, as
// writePiece writes it. Returns "" or why it failed (Italian).
std::string AddVbrHeader(const std::string& path, bool* rewritten = nullptr, const id3::TypeTagV2* tag = nullptr,
                         bool* tagged = nullptr);

}  // namespace lumo::splitter
