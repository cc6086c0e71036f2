// The tag writer on a real MP3 file: lame encodes a tone with an ID3v1 tag,
// the test puts an ID3v2.4 tag with a JPEG cover in front of it, WriteTag
// replaces that tag, and independent tools read the result: mutagen (the
// Debian package python3-mutagen) reads the new tag, lame decodes the audio
// and mpv plays it.
// The tools are part of the test setup: a missing one fails the test.

#include <gtest/gtest.h>

#include <string>

#include "common/mp3/mp3.h"
#include "splitter/id3/tag_v2.h"
#include "testsupport/common/lame_fixture.h"
#include "testsupport/common/test_files.h"

namespace lumo::id3 {
namespace {

namespace fs = std::filesystem;
using testsupport::readBytes;
using testsupport::runCommand;
using testsupport::writeBytes;

// The Debian interpreter, which the python3-mutagen package installs into.
constexpr const char* kPython = "/usr/bin/python3";

std::string syncsafe(uint32_t v) {
  return {static_cast<char>(v >> 21 & 0x7F), static_cast<char>(v >> 14 & 0x7F), static_cast<char>(v >> 7 & 0x7F),
          static_cast<char>(v & 0x7F)};
}

std::string frame24(const std::string& id, const std::string& data) {
  return id + syncsafe(uint32_t(data.size())) + std::string(2, '\0') + data;
}

// An ID3v2.4 tag with a UTF-8 title holding "ÿ" (C3 BF), a JPEG cover whose
// bytes begin FF D8 and a footer.
std::string id3v24WithCover() {
  std::string jpeg = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
  for (int i = 0; i < 600; ++i) jpeg += static_cast<char>(i * 37 % 256);
  jpeg += std::string("\xFF\xD9", 2);
  const std::string frames = frame24("TIT2", "\x03Titolo vecchio \xC3\xBF") +
                             frame24("APIC", std::string("\x00image/jpeg\x00\x03\x00", 14) + jpeg);
  const std::string size = syncsafe(uint32_t(frames.size()));
  return std::string("ID3\x04\x00\x10", 6) + size + frames + std::string("3DI\x04\x00\x10", 6) + size;
}

// mutagen's view of a file: one line per value.
const char* kMutagenScript = R"(
import sys
from mutagen.id3 import ID3
from mutagen.mp3 import MP3
t = ID3(sys.argv[1])
print("version=%d.%d" % (t.version[0], t.version[1]))
def text(frame_id):
    return str(t[frame_id].text[0]) if frame_id in t else ""
print("title=" + text("TIT2"))
print("album=" + text("TALB"))
print("track=" + text("TRCK"))
print("genre=" + (",".join(t["TCON"].genres) if "TCON" in t else ""))
print("pictures=%d" % len(t.getall("APIC")))
print("seconds=%d" % round(MP3(sys.argv[1]).info.length))
)";

class LameTagTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"sox", "lame", kPython})
      ASSERT_TRUE(testsupport::haveTool(tool)) << tool << " is needed (scripts/install-deps.sh installs it)";
    ASSERT_EQ(runCommand(std::string(kPython) + " -c 'import mutagen' 2>&1"), 0)
        << "python3-mutagen is needed (scripts/install-deps.sh installs it)";
  }

  std::string mutagen(const std::string& path) {
    writeBytes(folder_ / "read.py", kMutagenScript);
    std::string out;
    EXPECT_EQ(runCommand(std::string(kPython) + " '" + (folder_ / "read.py") + "' '" + path + "' 2>&1", &out), 0)
        << out;
    return out;
  }

  testsupport::TempFolder folder_{"lumo-id3-lame"};
};

TEST_F(LameTagTest, ReplacesAV24TagWithACoverAndKeepsTheAudioAndTheV1Tag) {
  const std::string wav = folder_ / "tone.wav", encoded = folder_ / "tone.mp3";
  ASSERT_EQ(runCommand("sox -n -r 44100 -c 2 '" + wav + "' synth 3 sine 200-3000 vol 0.5 2>&1"), 0);
  ASSERT_EQ(runCommand("lame --quiet -V 5 --id3v1-only --tt Vecchio --tg 28 '" + wav + "' '" + encoded + "' 2>&1"), 0);
  const std::string stream = readBytes(encoded);  // Xing frame, audio, ID3v1 tag
  ASSERT_EQ(stream.substr(stream.size() - 128, 3), "TAG");
  ASSERT_EQ(stream.substr(36, 4), "Xing");

  const std::string part = folder_ / "part.mp3";
  writeBytes(part, id3v24WithCover() + stream);
  ASSERT_NE(mutagen(part).find("pictures=1"), std::string::npos) << "the fixture's v2.4 tag is not readable";

  TypeTagV2 t;
  t.Valide(true);
  t.Titre("Capitolo 1 è qui");
  t.Album("Il libro");
  t.Piste(" 3 ");
  t.Genre("28");
  ASSERT_TRUE(t.WriteTag(part));

  const std::string written = readBytes(part);
  const size_t tagLength = 10 + (size_t(uint8_t(written[6])) << 21 | size_t(uint8_t(written[7])) << 14 |
                                 size_t(uint8_t(written[8])) << 7 | size_t(uint8_t(written[9])));
  ASSERT_EQ(written.substr(0, 4), std::string("ID3\x03", 4));
  ASSERT_EQ(written.size(), tagLength + stream.size());
  // The old tag is gone whole; the audio and the ID3v1 tag are the encoder's
  // bytes but for the Xing byte count (flags 0F: frames, then bytes), which
  // now holds the file's length.
  EXPECT_EQ(written.find("APIC"), std::string::npos);
  EXPECT_EQ(written.find("3DI"), std::string::npos);
  std::string expected = stream;
  const uint32_t length = uint32_t(written.size());
  for (int i = 0; i < 4; ++i) expected[48 + i] = static_cast<char>(length >> (24 - 8 * i));
  EXPECT_EQ(written.substr(tagLength), expected);

  EXPECT_EQ(mutagen(part),
            "version=2.3\ntitle=Capitolo 1 è qui\nalbum=Il libro\ntrack=3\ngenre=Vocal\npictures=0\nseconds=3\n");

  // The audio still decodes to the same samples.
  ASSERT_EQ(runCommand("lame --quiet --decode '" + encoded + "' '" + (folder_ / "a.wav") + "' 2>&1"), 0);
  ASSERT_EQ(runCommand("lame --quiet --decode '" + part + "' '" + (folder_ / "b.wav") + "' 2>&1"), 0);
  EXPECT_EQ(readBytes(folder_ / "a.wav"), readBytes(folder_ / "b.wav"));

  // And a player shows the new title and plays the file to its end (mpv,
  // without sound output).
  ASSERT_TRUE(testsupport::haveTool("mpv")) << "mpv is needed (scripts/install-deps.sh installs it)";
  std::string played;
  EXPECT_EQ(runCommand("mpv --no-config --ao=null --vo=null --ao-null-untimed=yes "
                       "--term-playing-msg='length=${=duration}' '" +
                           part + "' 2>&1",
                       &played),
            0)
      << played;
  for (const char* seen : {"Title: Capitolo 1 è qui", "length=3.", "(End of file)"})
    EXPECT_NE(played.find(seen), std::string::npos) << seen << " in:\n" << played;

  mp3::Mp3Info info;
  ASSERT_EQ(mp3::GetMp3Info(part, info), 1);
  EXPECT_NEAR(info.Duration, 3, 1);
  EXPECT_TRUE(info.HasTag);
  EXPECT_EQ(info.Title, "Vecchio");

  TypeTagV2 back;
  back.ReadTag(part);
  EXPECT_EQ(back.Titre(), "Capitolo 1 è qui");
  EXPECT_EQ(back.Piste(), "3");
  EXPECT_EQ(back.Genre(), "28");
}

// Texts beyond ISO-8859-1 go into UCS-2 frames that mutagen reads as they
// were given (not as control characters), and that the tag reader reads
// back; a text ISO-8859-1 holds stays in ISO-8859-1.
TEST_F(LameTagTest, TextsBeyondIso88591RoundTripThroughMutagenAndTheReader) {
  const std::string part = folder_ / "part.mp3";
  ASSERT_TRUE(testsupport::EncodeLameTone(part, {3, "--cbr -b 32", 22050, 1}));
  TypeTagV2 t;
  t.Valide(true);
  t.Titre("Capitolo 1 – “L’inizio”");
  t.Album("Perché sì");
  t.Piste("1");
  t.Genre("101");
  t.Commentaire("5 € – Ω");
  ASSERT_TRUE(t.WriteTag(part));
  const std::string written = readBytes(part);
  EXPECT_EQ(written[10 + 10], '\1');  // TIT2: UCS-2
  EXPECT_NE(written.find(std::string("TALB\0\0\0\x0A\0\0\0Perch\xE9 s\xEC", 20)), std::string::npos);

  writeBytes(folder_ / "texts.py",
             "import sys\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1])\n"
             "for k in ('TIT2', 'TALB'): print(k, int(t[k].encoding), t[k].text[0])\n"
             "c = t.getall('COMM')[0]\nprint('COMM', int(c.encoding), c.text[0])\n");
  std::string out;
  ASSERT_EQ(runCommand(std::string(kPython) + " '" + (folder_ / "texts.py") + "' '" + part + "' 2>&1", &out), 0) << out;
  EXPECT_EQ(out, "TIT2 1 Capitolo 1 – “L’inizio”\nTALB 0 Perché sì\nCOMM 1 5 € – Ω\n");

  TypeTagV2 back;
  back.ReadTag(part);
  EXPECT_EQ(back.Titre(), "Capitolo 1 – “L’inizio”");
  EXPECT_EQ(back.Album(), "Perché sì");
  EXPECT_EQ(back.Commentaire(), "5 € – Ω");
}

}  // namespace
}  // namespace lumo::id3
