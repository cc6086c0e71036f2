#pragma once
// The LAME extension of a file's VBR header as a player reads it back: the
// encoder delay and end padding (in samples) that gapless playback trims,
// the music length, and whether the extension's own check sum still holds.

#include <cstdint>
#include <optional>
#include <string>

#include "common/mp3/container.h"
#include "common/mp3/vbr_write.h"

namespace lumo::splitter::testing {

struct LameFields {
  int delay = -1, padding = -1;
  uint32_t musicLength = 0;
  bool checksumHolds = false;
};

inline std::optional<LameFields> lameFieldsOf(const std::string& bytes) {
  mp3::MemorySource source(bytes);
  const std::optional<mp3::FrameAt> first = mp3::FindAudioStart(source);
  if (!first) return std::nullopt;
  const mp3::VbrTag tag = mp3::FindVbrTag(source, *first);
  if (tag.lameField < 0) return std::nullopt;
  const auto at = static_cast<size_t>(tag.lameField);
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(bytes[at + i]); };
  LameFields f;
  f.delay = byte(21) << 4 | byte(22) >> 4;
  f.padding = (byte(22) & 0x0F) << 8 | byte(23);
  f.musicLength = mp3::BigEndian32(source.at(tag.lameField + 28, 4));
  const auto frame = static_cast<size_t>(first->position);
  f.checksumHolds = mp3::LameCrc16(bytes.data() + frame, at + 34 - frame) == (byte(34) << 8 | byte(35));
  return f;
}

}  // namespace lumo::splitter::testing
