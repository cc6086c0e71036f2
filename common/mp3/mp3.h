#pragma once
// MP3 stream analysis: finds the first run of ten consecutive valid MPEG
// audio frame headers in a file, decodes the first header, works out the
// frame count, the playing time in whole seconds and the (average) bitrate,
// and reads an ID3v1 tag at the end of the file.

#include <cstdint>
#include <functional>
#include <string>

namespace lumo::mp3 {

// The MP3 information record. GetMp3Info never clears it: each path writes its
// own fields and the others keep what they held (callers reuse one record for
// every file of a book).
struct Mp3Info {
  int32_t FileSize = 0;
  uint8_t Version = 0;  // 1 MPEG-1, 2 MPEG-2 (MPEG-2.5 included: every header without the MPEG-1 bit)
  uint8_t Layer = 0;    // 1, 2 or 3
  int16_t Bitrate = 0;  // kbit/s: the first frame's when constant, else the average
  int32_t Frames = 0;
  bool IsCbr = false;
  int32_t SampleRate = 0;        // Hz
  uint8_t ChannelModeIndex = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  uint8_t Copyright = 0;
  uint8_t Original = 0;
  int32_t Duration = 0;  // whole seconds
  bool HasTag = false;
  std::string Title, Artist, Album, Year, Comment;
  uint8_t Track = 0;
  uint8_t Genre = 0;
};

// Called after every step of the frame search so a window stays responsive.
using YieldFn = std::function<void()>;

// 1 when the file was analysed and info filled; 0 when the path is blank,
// names no regular file (or a hidden one: its name begins with a dot), or the
// file holds no run of ten frames. Arithmetic and file errors raise
// lumo::RuntimeError: Overflow for a file of 2^31 bytes or more and for VBR
// header counts that do not fit 32 bits. The file is closed on every way out.
uint8_t GetMp3Info(const std::string& path, Mp3Info& info, const YieldFn& yield = {});

// GetMp3Info with every frame walked where it would tell a constant bitrate
// from probes: the measure the probes must agree with (frames, playing time,
// constant bitrate), for the tests and the fuzz target.
uint8_t GetMp3InfoWalked(const std::string& path, Mp3Info& info);

}  // namespace lumo::mp3
