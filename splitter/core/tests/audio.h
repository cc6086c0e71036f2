#pragma once
// Real audio for the splitter's tests: tones with silent gaps made by sox and
// encoded by lame, a book index over them, the engine link beside a program
// folder, and an independent reader (mutagen) for lengths and tags.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/text/text.h"
#include "testsupport/marker_file.h"

namespace lumo::splitter::testing {

namespace fs = std::filesystem;

inline bool haveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// What the tests need installed (scripts/install-deps.sh installs it all).
// Their absence fails the tests: the splitter is never tested without its engine.
inline std::string missingTools() {
  for (const char* tool : {"sox", "lame", "mp3splt"})
    if (!haveTool(tool)) return std::string(tool) + " is not installed";
  if (std::system("/usr/bin/python3 -c 'import mutagen' >/dev/null 2>&1") != 0)
    return "python3-mutagen is not installed";
  return {};
}

inline std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string capture(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
  return out;
}

// A 440 Hz tone of `seconds`, with silences inserted by sox's pad effect
// (`pads`, e.g. "4@50 4@100": 4 s of silence at 50 s and at 100 s of the
// tone), encoded by lame with `lameOptions`. Returns false when it failed.
inline bool encodeTone(const fs::path& mp3, double seconds, const std::string& lameOptions = "-b 64",
                       const std::string& pads = "", int rate = 22050, int channels = 1) {
  const fs::path wav = mp3.string() + ".wav";
  std::string sox = "sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " " +
                    quote(wav.string()) + " synth " + std::to_string(seconds) + " sine 440 vol 0.5";
  if (!pads.empty()) sox += " pad " + pads;
  const std::string lame = "lame --quiet " + lameOptions + " " + quote(wav.string()) + " " + quote(mp3.string());
  const bool ok = std::system(sox.c_str()) == 0 && std::system(lame.c_str()) == 0;
  std::error_code ec;
  fs::remove(wav, ec);
  return ok;
}

// A recording of chapters, each a sine tone of its own frequency lasting
// `seconds`, encoded by lame with `lameOptions` at `rate` Hz and `channels`.
inline bool encodeChapters(const fs::path& mp3, const std::vector<int>& frequencies, double seconds,
                           const std::string& lameOptions, int rate, int channels) {
  std::string wavs;
  std::vector<fs::path> made;
  bool ok = true;
  for (size_t c = 0; c < frequencies.size() && ok; ++c) {
    made.push_back(mp3.string() + "." + std::to_string(c) + ".wav");
    ok = std::system(("sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " " +
                      quote(made.back().string()) + " synth " + std::to_string(seconds) + " sine " +
                      std::to_string(frequencies[c]) + " vol 0.5")
                         .c_str()) == 0;
    wavs += " " + quote(made.back().string());
  }
  const fs::path wav = mp3.string() + ".wav";
  ok =
      ok && std::system(("sox" + wavs + " " + quote(wav.string())).c_str()) == 0 &&
      std::system(("lame --quiet " + lameOptions + " " + quote(wav.string()) + " " + quote(mp3.string())).c_str()) == 0;
  made.push_back(wav);
  std::error_code ec;
  for (const fs::path& f : made) fs::remove(f, ec);
  return ok;
}

// The tone heard in a stretch of a recording, as sox's stat estimates it
// (Hz; -1 when sox could not tell).
inline double toneAt(const fs::path& mp3, double from, double length) {
  const std::string out = capture("sox " + quote(mp3.string()) + " -n trim " + std::to_string(from) + " " +
                                  std::to_string(length) + " remix - stat 2>&1");
  const size_t at = out.find("Rough   frequency:");
  return at == std::string::npos ? -1 : std::strtod(out.c_str() + at + 18, nullptr);
}

struct Mutagen {
  double length = -1;
  std::string title, album, track, genre;
};

// The length and the ID3 texts of a file as mutagen reads them.
inline Mutagen readWithMutagen(const std::string& path) {
  const std::string script =
      "import sys, mutagen.mp3\n"
      "m = mutagen.mp3.MP3(sys.argv[1])\n"
      "t = m.tags or {}\n"
      "g = lambda k: str(t[k].text[0]) if k in t else ''\n"
      "print(m.info.length)\n"
      "for k in ('TIT2', 'TALB', 'TRCK', 'TCON'): print(g(k))\n";
  std::istringstream lines(capture("/usr/bin/python3 -c " + quote(script) + " " + quote(path) + " 2>/dev/null"));
  Mutagen m;
  std::string line;
  if (std::getline(lines, line)) m.length = std::strtod(line.c_str(), nullptr);
  std::getline(lines, m.title);
  std::getline(lines, m.album);
  std::getline(lines, m.track);
  std::getline(lines, m.genre);
  return m;
}

struct TestMarker {
  std::string description;
  int start;
  std::string page;
};

struct TestFile {
  std::string name;
  std::vector<TestMarker> markers;
};

struct TestBook {
  std::string code = "LB001";
  std::string author = "Carlo Collodi";
  std::string title = "Pinocchio";
  std::string narrator = "Anna Rossi";
  std::vector<TestFile> files;
};

// marker.txt as the library's index files are: windows-1252, CR LF, the
// start and the page on one line.
inline void writeIndex(const TestBook& book, const fs::path& file) {
  text::writeTextFile(file, testsupport::markerLines(book));
}

// The MP3 files of a folder, by name.
inline std::vector<std::string> mp3Names(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (entry.path().extension() == ".mp3") names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace lumo::splitter::testing
