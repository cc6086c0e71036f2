// The tag reader on any ID3v2.3 tag (or any leading bytes) in front of a
// stream of MP3 frames, and the writer on what it read with texts of any
// bytes: the reader gives a tag or a run-time error, nothing else; the
// writer puts its tag in front of the same audio, byte for byte; the tag
// written reads back as a tag that, written again, reads back the same (see
// below) and soon gives the same file each time.
// Run: lumo_id3_tag_fuzz -max_total_time=20 (scripts/test.sh, tree build-fuzz).

#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "splitter/id3/tag_v2.h"
#include "testsupport/common/fuzz_folder.h"
#include "testsupport/common/mp3_frames.h"

namespace fs = std::filesystem;
using lumo::id3::TypeTagV2;

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

std::array<std::string, 13> fieldsOf(const TypeTagV2& t) {
  return {t.Valide() ? "1" : "0", t.Artiste(),     t.Album(),    t.Piste(),     t.Titre(), t.Genre(), t.Annee(),
          t.Commentaire(),        t.Compositeur(), t.Original(), t.Copyright(), t.Url(),   t.Encode()};
}

// Fails, showing the first field that differs, when a and b differ.
void differ(const char* what, const std::array<std::string, 13>& a, const std::array<std::string, 13>& b) {
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    std::fprintf(stderr, "field %zu:", i);
    for (const std::string* s : {&a[i], &b[i]}) {
      for (char c : *s) std::fprintf(stderr, " %02X", static_cast<unsigned char>(c));
      std::fprintf(stderr, " |");
    }
    std::fprintf(stderr, "\n");
    fail(what);
  }
}

// The fields without the characters U+0080 to U+009F (C2 80 to C2 9F).
std::array<std::string, 13> withoutC1(std::array<std::string, 13> fields) {
  for (std::string& s : fields)
    for (size_t at = 0; (at = s.find('\xC2', at)) != std::string::npos;)
      if (at + 1 < s.size() && static_cast<uint8_t>(s[at + 1]) >= 0x80 && static_cast<uint8_t>(s[at + 1]) <= 0x9F)
        s.erase(at, 2);
      else
        ++at;
  return fields;
}

void writeBytes(const fs::path& file, const std::string& bytes) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0)
    std::abort();
}

// A version-3 tag around the body, its size as the header gives it.
std::string tagAround(const std::string& body) {
  std::string tag("ID3\x03\0\0", 6);
  const auto n = static_cast<uint32_t>(body.size());
  for (int shift : {21, 14, 7, 0}) tag += static_cast<char>(n >> shift & 0x7F);
  return tag + body;
}

// A genre the writer takes: the one read when it is a 16-bit number.
bool writableGenre(const std::string& genre) {
  if (genre.empty() || genre.size() > 5 || genre.find_first_not_of("0123456789") != std::string::npos) return false;
  return std::stoul(genre) <= 65535;
}

// A folder of this run's own, removed at its end.
const char* workFolder() { return lumo::testing::fuzzWorkFolder("lumo-id3-fuzz"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path folder = workFolder();
  const fs::path file = folder / "part.mp3";
  FuzzedDataProvider in(data, size);

  // In front of the audio: a tag of any frames, or bytes that hold no frame
  // header (no byte FF) and are no tag.
  std::string front;
  if (in.ConsumeBool()) {
    front = tagAround(in.ConsumeRandomLengthString(400));
  } else {
    front = in.ConsumeRandomLengthString(100);
    for (char& c : front)
      if (static_cast<uint8_t>(c) == 0xFF) c = '\x7F';
    if (front.starts_with("ID3")) front[0] = 'i';  // a tag, whose size may pass the audio
  }
  const lumo::mp3::testing::FrameFields f{.version = 2, .bitrate = 32, .sampleRate = 22050, .mode = 3};
  const std::string audio = lumo::mp3::testing::frames(f, 8);
  writeBytes(file, front + audio);

  TypeTagV2 tag;
  try {
    tag.ReadTag(file.string());
  } catch (const lumo::RuntimeError&) {
    return 0;  // a genre "(n)" beyond 16 bits
  }
  // Texts of any bytes in some fields.
  if (in.ConsumeBool()) tag.Titre(in.ConsumeRandomLengthString(60));
  if (in.ConsumeBool()) tag.Commentaire(in.ConsumeRandomLengthString(60));
  if (in.ConsumeBool()) tag.Url(in.ConsumeRandomLengthString(60));
  if (in.ConsumeBool()) tag.Artiste(in.ConsumeRandomLengthString(60));
  if (!writableGenre(tag.Genre())) tag.Genre("28");
  tag.Valide(true);

  if (!tag.WriteTag(file.string())) fail("a file with audio was not rewritten");
  const std::string once = lumo::text::readFileBytes(file);
  if (once.size() < audio.size() || once.compare(once.size() - audio.size(), audio.size(), audio) != 0)
    fail("the audio behind the tag changed");

  // Read back, written again and read back once more, the texts are the
  // same but for the C1 controls (U+0080 to U+009F) that an ISO-8859-1 text
  // keeps (from the bytes windows-1252 leaves undefined) and a UCS-2 text
  // drops; from there on the tag and the file stay as they are.
  TypeTagV2 back;
  back.ReadTag(file.string());
  if (!back.Valide()) fail("the tag written does not read back");
  if (!back.WriteTag(file.string())) fail("a tagged file was not rewritten");
  TypeTagV2 again;
  again.ReadTag(file.string());
  differ("the tag read back, written again, reads back otherwise", withoutC1(fieldsOf(back)),
         withoutC1(fieldsOf(again)));
  if (!again.WriteTag(file.string())) fail("a tagged file was not rewritten");
  const std::string settled = lumo::text::readFileBytes(file);
  TypeTagV2 last;
  last.ReadTag(file.string());
  differ("the tag written a third time reads back otherwise", fieldsOf(again), fieldsOf(last));
  if (!last.WriteTag(file.string())) fail("a tagged file was not rewritten");
  if (lumo::text::readFileBytes(file) != settled) fail("the tag written a third time gives another file");
  return 0;
}
