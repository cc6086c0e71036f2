#pragma once
// Rewriting a first frame's VBR header (Xing/Info and LAME's extension) so
// that it describes another stream than the one it was written for: the
// splitter's pieces keep their part's header, its join keeps the first
// part's. The places written are those FindVbrTag gives, so every byte
// written lies inside the header frame.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/mp3/container.h"

namespace lumo::mp3 {

// Writes v big-endian at b[at]; a value above 32 bits is written as the
// largest one the field holds.
void PutBigEndian32(std::string& b, int64_t at, uint64_t v);

// CRC-16 as LAME computes its check sums (polynomial 0x8005, reflected).
uint16_t LameCrc16(const char* data, size_t n, uint16_t crc = 0);

// Fills the 100-byte seek table at toc: for each percent of the playing
// time, the position of its frame as a share of 256 of the stream's bytes.
// `frames` are the positions in b of the stream's frames, streamStart where
// the stream begins.
void FillSeekTable(std::string& b, int64_t toc, const std::vector<size_t>& frames, size_t streamStart,
                   uint64_t streamBytes);

// Sets LAME's stream length and its two check sums: of the music (from the
// end of the header frame up to musicEnd) and of the header frame up to the
// header's own check sum.
void SealLameTag(std::string& b, const FrameAt& headerFrame, int64_t lame, size_t musicEnd, uint64_t streamBytes);

// A header frame for a stream without one whose first audio frame has the
// four header bytes at `audio`: the same version, sample rate and channel
// mode, no CRC, the smallest bitrate whose frame holds a Xing header with
// frame and byte counts and a seek table (their fields are zero: FindVbrTag
// gives where to write them), the side information silent. Empty when the
// bytes are no Layer III header.
std::string MakeXingFrame(const uint8_t* audio);

}  // namespace lumo::mp3
