#pragma once
// Real MP3 files for tests: a tone that sox generates, encoded by lame with
// the options a case needs (both tools are installed by
// scripts/install-deps.sh).

#include <cstdlib>
#include <filesystem>
#include <string>

namespace lumo::testsupport {

struct LameTone {
  double seconds = 10;
  std::string lameOptions = "--cbr -b 64";
  int sampleRate = 44100;  // of the tone
  int channels = 1;
  // sox's synth: a sweep keeps a VBR encoder changing its bitrate.
  std::string synth = "sine 200-3000";
};

// Encodes the tone into mp3 (a .wav beside it is removed again); false when
// sox or lame failed.
inline bool EncodeLameTone(const std::filesystem::path& mp3, const LameTone& tone) {
  const auto quoted = [](const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  };
  const std::filesystem::path wav = mp3.string() + ".wav";
  const std::string sox = "sox -n -r " + std::to_string(tone.sampleRate) + " -c " + std::to_string(tone.channels) +
                          " " + quoted(wav.string()) + " synth " + std::to_string(tone.seconds) + " " + tone.synth +
                          " vol 0.5";
  const std::string lame = "lame --quiet " + tone.lameOptions + " " + quoted(wav.string()) + " " + quoted(mp3.string());
  const bool ok = std::system(sox.c_str()) == 0 && std::system(lame.c_str()) == 0;
  std::error_code ec;
  std::filesystem::remove(wav, ec);
  return ok;
}

}  // namespace lumo::testsupport
