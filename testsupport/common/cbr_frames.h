#pragma once
// Constant-bitrate streams as encoders write them: frames padded by one
// byte (one slot in Layer I) wherever the bitrate's fractional frame length
// has added up to one more, so the stream holds its bitrate exactly on
// average. For the benchmarks and tests of files without a VBR header.

#include <string>

#include "testsupport/common/mp3_frames.h"

namespace lumo::mp3::testing {

inline std::string paddedCbrFrames(FrameFields fields, int count) {
  // Slots (bytes; 4-byte words in Layer I) per frame times the sample rate:
  // what is left over a whole number of slots.
  const long long slots =
      (fields.layer == 1 ? 12LL : static_cast<long long>(samplesPerFrame(fields)) / 8) * fields.bitrate * 1000;
  const long long unit = fields.sampleRate;
  const long long fraction = slots % unit;
  fields.padding = false;
  const std::string plain = frame(fields);
  fields.padding = true;
  const std::string padded = frame(fields);
  std::string all;
  all.reserve(static_cast<size_t>(count) * padded.size());
  long long residue = 0;
  for (int i = 0; i < count; ++i) {
    residue += fraction;
    const bool pad = residue >= unit;
    if (pad) residue -= unit;
    all += pad ? padded : plain;
  }
  return all;
}

}  // namespace lumo::mp3::testing
