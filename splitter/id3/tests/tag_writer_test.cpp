// The tag writer on MP3 files made of frames the tests write: the tag's
// bytes, where the audio is found behind old tags and other leading data,
// the VBR byte counts, and the failures that must leave the file whole.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/errors/errors.h"
#include "splitter/id3/tag_v2.h"
#include "testsupport/common/mp3_frames.h"
#include "testsupport/common/test_files.h"

namespace lumo::id3 {
namespace {

namespace fs = std::filesystem;
using mp3::testing::FrameFields;
using testsupport::readBytes;
using testsupport::writeBytes;

// A plain text or URL frame of an ID3v2.3 tag with data shorter than 255 bytes.
std::string frame(const std::string& id, const std::string& data) {
  return id + std::string("\0\0\0", 3) + static_cast<char>(data.size() + 1) + std::string(3, '\0') + data;
}

// The same frame in UCS-2: encoding byte 1, the byte-order mark FF FE and
// the text's UTF-16 code units, little-endian.
std::string ucs2Frame(const std::string& id, const std::string& lead, const std::u16string& text) {
  std::string data = lead + "\xFF\xFE";
  for (char16_t c : text) data += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return id + std::string("\0\0\0", 3) + static_cast<char>(data.size() + 1) + std::string(2, '\0') + '\1' + data;
}

std::string u32(uint32_t v) {
  std::string s(4, '\0');
  mp3::testing::putBigEndian(s, 0, v);
  return s;
}

// Ten MPEG-1 Layer III frames of 128 kbit/s: audio as the writer sees it.
std::string audio() { return mp3::testing::frames(FrameFields{}, 10); }

TypeTagV2 genre28() {
  TypeTagV2 t;
  t.Valide(true);
  t.Genre("28");
  return t;
}

uint32_t tagSizeField(const std::string& file) {
  return uint32_t(file[6]) << 21 | uint32_t(file[7]) << 14 | uint32_t(file[8]) << 7 | uint32_t(file[9]);
}

class TagWriterTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name = "part.mp3") const { return folder_ / name; }
  std::string put(const std::string& bytes, const std::string& name = "part.mp3") const {
    writeBytes(path(name), bytes);
    return path(name);
  }
  testsupport::TempFolder folder_{"lumo-id3-writer"};
};

TEST_F(TagWriterTest, EmptyTagIs167BytesAndItsSizeReachesTheAudio) {
  const std::string file = put(audio());
  ASSERT_TRUE(genre28().WriteTag(file));
  const std::string expected = std::string("ID3\x03\x00\x00", 6) + std::string("\x00\x00\x01\x1D", 4) +
                               frame("TIT2", "") + frame("TPE1", "") + frame("TALB", "") + frame("TYER", "") +
                               frame("COMM", std::string(4, '\0')) + frame("TRCK", "") + frame("TCON", "(28)Vocal") +
                               frame("TCOM", "") + frame("TOPE", "") + frame("TCOP", "") +
                               frame("WXXX", std::string(1, '\0')) + frame("TENC", "") + std::string(11, '\0');
  ASSERT_EQ(expected.size(), 167u);
  const std::string written = readBytes(file);
  EXPECT_EQ(written, expected + audio());
  // 146 frame bytes and 11 of padding: skipping the tag by its size lands on the first frame.
  EXPECT_EQ(tagSizeField(written), 157u);
  EXPECT_EQ(static_cast<uint8_t>(written[10 + tagSizeField(written)]), 0xFF);
}

// A text ISO-8859-1 holds is written in it byte for byte; any other text
// in UCS-2, windows-1252's own characters ("€", "–", curly quotes) included.
TEST_F(TagWriterTest, EveryFieldGoesIntoItsFrameInIso88591OrUcs2) {
  TypeTagV2 t;
  t.Valide(true);
  t.Titre("Perché Ω");
  t.Artiste("Lettore");
  t.Album("Il libro € ");
  t.Annee("2024");
  t.Commentaire("Nota");
  t.Piste("  7 ");
  t.Genre(" 101 ");
  t.Compositeur("“C” – 𝄞");  // beyond UCS-2: "?"
  t.Original("O");
  t.Copyright("(c)");
  t.Url("https://x.example");
  t.Encode("E");
  EXPECT_EQ(t.Piste(), "7");
  const std::string file = put(audio());
  ASSERT_TRUE(t.WriteTag(file));
  const std::string frames =
      ucs2Frame("TIT2", "", u"Perché Ω") + frame("TPE1", "Lettore") + ucs2Frame("TALB", "", u"Il libro € ") +
      frame("TYER", "2024") + frame("COMM", std::string(4, '\0') + "Nota") + frame("TRCK", "7") +
      frame("TCON", "(101)Speech") + ucs2Frame("TCOM", "", u"“C” – ?") + frame("TOPE", "O") + frame("TCOP", "(c)") +
      frame("WXXX", std::string(1, '\0') + "https://x.example") + frame("TENC", "E");
  const std::string written = readBytes(file);
  EXPECT_EQ(written.substr(10, frames.size()), frames);
  EXPECT_EQ(tagSizeField(written), frames.size() + 11);
  EXPECT_EQ(written.substr(10 + frames.size()), std::string(11, '\0') + audio());
}

TEST_F(TagWriterTest, FrameAndTagSizesAcrossTheirByteBoundaries) {
  // A frame's size (data + 1) is a plain big-endian number.
  for (const auto& [length, bytes] : std::vector<std::pair<size_t, std::string>>{
           {254, std::string("\x00\x00\x00\xFF", 4)}, {255, std::string("\x00\x00\x01\x00", 4)}}) {
    TypeTagV2 t;
    t.Titre(std::string(length, 'a'));
    std::string frames = "x";
    t.AppendFrame(frames, "TIT2");
    EXPECT_EQ(frames.substr(1, 4), "TIT2");
    EXPECT_EQ(frames.substr(5, 4), bytes) << length;
    EXPECT_EQ(frames.size(), 1 + 11 + length);
  }
  // The tag's size has seven bits a byte. With Genre 255 the other frames
  // take 142 bytes, so a title of x bytes makes a size of x + 153.
  for (const auto& [size, bytes] : std::vector<std::pair<uint32_t, std::string>>{
           {16383, std::string("\x00\x00\x7F\x7F", 4)}, {16384, std::string("\x00\x01\x00\x00", 4)}}) {
    TypeTagV2 t;
    t.Valide(true);
    t.Genre("255");
    t.Titre(std::string(size - 153, 'a'));
    const std::string file = put(audio());
    ASSERT_TRUE(t.WriteTag(file));
    const std::string written = readBytes(file);
    EXPECT_EQ(written.substr(6, 4), bytes) << size;
    EXPECT_EQ(written.substr(10 + size), audio()) << size;
  }
}

TEST_F(TagWriterTest, AppendFrameOfAnotherIdHasEmptyData) {
  std::string frames;
  genre28().AppendFrame(frames, "TXXX");
  EXPECT_EQ(frames, frame("TXXX", ""));
  genre28().AppendFrame(frames, "TCON");
  EXPECT_EQ(frames, frame("TXXX", "") + frame("TCON", "(28)Vocal"));
  TypeTagV2 t;
  t.Genre("255");  // a number without a name
  frames.clear();
  t.AppendFrame(frames, "TCON");
  EXPECT_EQ(frames, frame("TCON", "(255)"));
}

TEST_F(TagWriterTest, WritingTwiceGivesTheSameFileAlsoWithByteFFInTheTag) {
  TypeTagV2 t = genre28();
  t.Titre("ÿÿ ÿa");                                   // FF bytes followed by others
  t.Commentaire(std::string("\xC3\xBF\xC3\xBB", 4));  // "ÿû": FF FB, the start of a frame header
  const std::string file = put(audio());
  ASSERT_TRUE(t.WriteTag(file));
  const std::string once = readBytes(file);
  ASSERT_TRUE(t.WriteTag(file));
  EXPECT_EQ(readBytes(file), once);
  ASSERT_TRUE(genre28().WriteTag(file));  // a shorter tag replaces it whole
  EXPECT_EQ(readBytes(file).substr(167), audio());
}

// WXXX's URL field is ISO-8859-1: what it cannot hold, and what a reader
// drops (control characters, windows-1252's C1 bytes), goes percent-encoded
// as UTF-8 bytes and reads back so; the rest is written byte for byte.
TEST_F(TagWriterTest, AUrlKeepsEveryCharacterPercentEncodedWhereIso88591CannotHoldIt) {
  struct Case {
    const char* what;
    std::string url;      // as set (UTF-8, or other bytes)
    std::string written;  // the field's bytes
    std::string read;     // Url read back (UTF-8)
  };
  using namespace std::string_literals;
  const Case cases[] = {
      {"plain ASCII", "https://x.example/a?b=1", "https://x.example/a?b=1", "https://x.example/a?b=1"},
      {"windows-1252's own characters", "–€aa", "%E2%80%93%E2%82%ACaa", "%E2%80%93%E2%82%ACaa"},
      {"ISO-8859-1 letters stay single bytes", "https://x.example/perché", "https://x.example/perch\xE9",
       "https://x.example/perché"},
      {"Greek and a character beyond UCS-2", "https://x.example/Ω𝄞", "https://x.example/%CE%A9%F0%9D%84%9E",
       "https://x.example/%CE%A9%F0%9D%84%9E"},
      {"control characters, NUL and a C1 control",
       "a\tb\r\nc\0d\xC2\x96"
       "e"s,
       "a%09b%0D%0Ac%00d%C2%96e", "a%09b%0D%0Ac%00d%C2%96e"},
      {"a byte that is no UTF-8", "https://x.example/\xE9", "https://x.example/%E9", "https://x.example/%E9"},
      {"an encoded URL stays as it is", "https://x.example/a%20b%E2%82%AC", "https://x.example/a%20b%E2%82%AC",
       "https://x.example/a%20b%E2%82%AC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TypeTagV2 w = genre28();
    w.Url(c.url);
    w.Titre("–");  // a UCS-2 frame beside it
    std::string frames;
    w.AppendFrame(frames, "WXXX");
    EXPECT_EQ(frames, frame("WXXX", std::string(1, '\0') + c.written));
    const std::string file = put(audio());
    ASSERT_TRUE(w.WriteTag(file));
    TypeTagV2 r;
    r.ReadTag(file);
    EXPECT_EQ(r.Url(), c.read);
    EXPECT_EQ(r.Titre(), "–");
    // What was read back writes the same bytes again.
    w.Url(r.Url());
    const std::string once = readBytes(file);
    ASSERT_TRUE(w.WriteTag(file));
    EXPECT_TRUE(readBytes(file) == once) << "written again differently";
  }
}

// Leading data in front of the audio, which the writer must drop whole.
struct LeadingCase {
  const char* name;
  std::string bytes;
};
void PrintTo(const LeadingCase& c, std::ostream* os) { *os << c.name; }

std::string syncsafe(uint32_t v) {
  return {static_cast<char>(v >> 21 & 0x7F), static_cast<char>(v >> 14 & 0x7F), static_cast<char>(v >> 7 & 0x7F),
          static_cast<char>(v & 0x7F)};
}

// An ID3v2 tag of the version with the given frames; v2.4 with a footer when asked.
std::string id3v2(int version, const std::string& frames, bool footer = false, int padding = 0) {
  const std::string body = frames + std::string(static_cast<size_t>(padding), '\0');
  const char flags = footer ? 0x10 : 0;
  std::string tag =
      std::string("ID3") + static_cast<char>(version) + '\0' + flags + syncsafe(uint32_t(body.size())) + body;
  if (footer) tag += std::string("3DI") + static_cast<char>(version) + '\0' + flags + syncsafe(uint32_t(body.size()));
  return tag;
}

// An ID3v2.4 frame (its size in seven-bit bytes).
std::string frame24(const std::string& id, const std::string& data) {
  return id + syncsafe(uint32_t(data.size())) + std::string(2, '\0') + data;
}

// Picture data that begins FF D8 and holds two frame headers 417 bytes apart
// (MPEG-1 Layer III 128 kbit/s 44.1 kHz), which a scan that does not skip
// the tag by its size would take for audio.
std::string jpegWithFrameHeaders() {
  std::string jpeg = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01", 12);
  const std::string header("\xFF\xFB\x90\x00", 4);
  std::string body(417, '\x55');
  body.replace(0, 4, header);
  jpeg += body + body + std::string("\xFF\xD9", 2);
  return jpeg;
}

std::vector<LeadingCase> leadingCases() {
  const std::string v23 = id3v2(3, frame("TIT2", "\xFF\xFF vecchio") + frame("TALB", "\xFF\xE0"), false, 64);
  const std::string apic = std::string(1, '\0') + "image/jpeg" + '\0' + '\x03' + '\0' + jpegWithFrameHeaders();
  const std::string v24 = id3v2(4, frame24("TIT2", "\x03T\xC3\xBF") + frame24("APIC", apic), true);
  const std::string v22 = id3v2(2, "TT2" + std::string("\x00\x00\x05", 3) + std::string("\0\xFF\xFB\x90\x00", 5));
  // The earlier writer declared the frames + 8, leaving 3 NUL bytes behind the tag.
  std::string earlier = std::string("ID3\x03\x00\x00", 6) + syncsafe(146 + 8);
  earlier += std::string(146, 'T') + std::string(11, '\0');
  std::string riff = "RIFF\x10\x00\x00\x00WAVE";
  riff += std::string("\xFF\xFB\x90\x00", 4) + std::string(30, '\x01');  // one header, no second one behind it
  return {{"a v2.3 tag with FF bytes in its texts", v23},
          {"a v2.4 tag with a JPEG cover and a footer", v24},
          {"a v2.3 tag, a v2.4 tag and a v2.2 tag in a row", v23 + v24 + v22},
          {"the earlier writer's tag", earlier},
          {"other leading data with a lone frame header", riff},
          {"a tag and then other leading data", v23 + riff}};
}

class LeadingDataTest : public TagWriterTest, public ::testing::WithParamInterface<LeadingCase> {};

TEST_P(LeadingDataTest, IsReplacedByTheTagOrRemoved) {
  // With an ID3v1 tag behind the audio, which stays.
  const std::string tail = audio() + mp3::testing::id3v1Tag("Vecchio", "", "", "", "", 28);
  const std::string reference = put(tail, "reference.mp3");
  ASSERT_TRUE(genre28().WriteTag(reference));
  const std::string tagged = readBytes(reference);

  const std::string file = put(GetParam().bytes + tail);
  ASSERT_TRUE(genre28().WriteTag(file));
  EXPECT_EQ(readBytes(file), tagged);

  put(GetParam().bytes + tail);
  TypeTagV2 remove = genre28();
  remove.Valide(false);
  ASSERT_TRUE(remove.WriteTag(file));
  EXPECT_EQ(readBytes(file), tail);
}

INSTANTIATE_TEST_SUITE_P(Cases, LeadingDataTest, ::testing::ValuesIn(leadingCases()));

TEST_F(TagWriterTest, AFileThatBeginsWithAudioKeepsItsBytesWhenNotValid) {
  const std::string bytes = audio() + "tail";
  const std::string file = put(bytes);
  TypeTagV2 t = genre28();
  t.Valide(false);
  EXPECT_TRUE(t.WriteTag(file));
  EXPECT_EQ(readBytes(file), bytes);
}

TEST_F(TagWriterTest, NoAudioGivesFalseAndLeavesTheFile) {
  const std::string oneFrame = mp3::testing::frame(FrameFields{});
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"one byte", "\xFF"},
      {"text", "Capitolo primo\r\n\xFF\xFE\xFF\x01"},
      {"only a tag", id3v2(3, frame("TIT2", std::string("\xFF\xFB\x90\x00", 4)))},
      {"a tag that claims more than the file", id3v2(3, "").substr(0, 6) + syncsafe(5000) + audio()},
      {"one frame and nothing behind it", oneFrame},
      {"one frame and an ID3v1 tag", oneFrame + mp3::testing::id3v1Tag("", "", "", "", "", 0)},
  };
  for (const auto& [name, bytes] : cases) {
    const std::string file = put(bytes);
    EXPECT_FALSE(genre28().WriteTag(file)) << name;
    EXPECT_EQ(readBytes(file), bytes) << name;
  }
}

// The VBR header of the first frame: where its byte count is (offset from
// the frame's start), or -1 when nothing may change.
struct VbrCase {
  const char* name;
  FrameFields fields;
  std::string kind;  // "Xing", "xing", "Info" or "VBRI"
  int offset;        // of the Xing/Info header
  uint32_t flags;
  int countAt;
};
void PrintTo(const VbrCase& c, std::ostream* os) { *os << c.name; }

FrameFields mono(FrameFields f) { return f.mode = 3, f; }
FrameFields mpeg2(FrameFields f) { return f.version = 2, f.sampleRate = 22050, f.bitrate = 64, f; }
FrameFields crc(FrameFields f) { return f.crc = true, f; }

class VbrByteCountTest : public TagWriterTest, public ::testing::WithParamInterface<VbrCase> {};

TEST_P(VbrByteCountTest, TakesTheNewFileLength) {
  const VbrCase& c = GetParam();
  std::string vbr = c.kind == "VBRI" ? mp3::testing::vbriFrame(c.fields, 10, 12345)
                                     : mp3::testing::xingFrame(c.fields, c.kind, c.offset, c.flags, 10, 12345);
  const std::string stream = vbr + mp3::testing::frames(c.fields, 9);
  const std::string old = id3v2(3, frame("TIT2", "old"));
  for (bool valide : {true, false}) {
    const std::string file = put(old + stream);
    TypeTagV2 t = genre28();
    t.Valide(valide);
    ASSERT_TRUE(t.WriteTag(file));
    const std::string written = readBytes(file);
    const size_t q = valide ? 167 : 0;
    ASSERT_EQ(written.size(), q + stream.size());
    std::string expected = stream;
    if (c.countAt >= 0) expected.replace(static_cast<size_t>(c.countAt), 4, u32(uint32_t(written.size())));
    EXPECT_EQ(written.substr(q), expected) << (valide ? "with a tag" : "without a tag");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VbrByteCountTest,
    ::testing::Values(VbrCase{"MPEG-1 stereo", {}, "Xing", 36, 3, 48},
                      VbrCase{"MPEG-1 mono", mono({}), "Xing", 21, 3, 33},
                      VbrCase{"MPEG-2 stereo", mpeg2({}), "Xing", 21, 3, 33},
                      VbrCase{"MPEG-2 mono", mpeg2(mono({})), "Xing", 13, 3, 25},
                      VbrCase{"only the byte count announced", {}, "Xing", 36, 2, 44},
                      VbrCase{"no byte count announced", {}, "Xing", 36, 1, -1},
                      VbrCase{"lower-case tag word", {}, "xing", 36, 15, 48},
                      VbrCase{"after the CRC", crc({}), "Xing", 38, 3, 50},
                      VbrCase{"at the side information's end despite a CRC", crc({}), "Xing", 36, 3, 48},
                      VbrCase{"an Info header", {}, "Info", 36, 3, -1}, VbrCase{"VBRI", {}, "VBRI", 36, 0, 46}));

TEST_F(TagWriterTest, KeepsPermissionsAndFollowsALink) {
  const std::string file = put(audio());
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  fs::create_symlink("part.mp3", path("link.mp3"));
  ASSERT_TRUE(genre28().WriteTag(path("link.mp3")));
  EXPECT_TRUE(fs::is_symlink(path("link.mp3")));
  EXPECT_EQ(readBytes(file).size(), 167 + audio().size());
  EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  // Nothing else is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_.path()), fs::directory_iterator()), 2);
}

TEST_F(TagWriterTest, APartWithTheLongestNameTheFolderTakesIsTagged) {
  // A long chapter title makes a long part name; 255 bytes is the limit of
  // most file systems.
  const std::string name = std::string(251, 'a') + ".mp3";
  const std::string file = put(audio(), name);
  ASSERT_TRUE(genre28().WriteTag(file));
  EXPECT_EQ(readBytes(file).size(), 167 + audio().size());
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_.path()), fs::directory_iterator()), 1);
}

TEST_F(TagWriterTest, AGenreThatIsNoNumberFailsBeforeTheFileIsTouched) {
  const std::string bytes = id3v2(3, frame("TIT2", "x")) + audio();
  const std::string file = put(bytes);
  for (const auto& [genre, number] : std::vector<std::pair<std::string, int>>{{"", err::TypeMismatch},
                                                                              {"Vocal", err::TypeMismatch},
                                                                              {"2 8", err::TypeMismatch},
                                                                              {"40000", err::Overflow}}) {
    TypeTagV2 t;
    t.Valide(true);
    t.Genre(genre);
    try {
      t.WriteTag(file);
      ADD_FAILURE() << "no error for the genre '" << genre << "'";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), number) << genre;
    }
    // Also when the file does not exist: the tag is built first.
    EXPECT_THROW(t.WriteTag(path("missing.mp3")), RuntimeError);
  }
  EXPECT_EQ(readBytes(file), bytes);
}

TEST_F(TagWriterTest, AMissingFileFailsAndIsNotCreated) {
  try {
    genre28().WriteTag(path("missing.mp3"));
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::FileNotFound);
  }
  EXPECT_FALSE(fs::exists(path("missing.mp3")));
}

TEST_F(TagWriterTest, AReadOnlyFileOrFolderFailsAndTheFileStays) {
  const std::string bytes = id3v2(3, frame("TIT2", "x")) + audio();
  const std::string file = put(bytes);
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(testsupport::runInChild([&] { return genre28().WriteTag(file) ? 1 : 0; }), err::PathFileAccess);
  EXPECT_EQ(readBytes(file), bytes);

  // A writable file in a folder that takes no new file: the new file cannot
  // be made beside it.
  fs::permissions(file, fs::perms::all);
  fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  EXPECT_EQ(testsupport::runInChild([&] { return genre28().WriteTag(file) ? 1 : 0; }), err::PathFileAccess);
  EXPECT_EQ(readBytes(file), bytes);
}

TEST_F(TagWriterTest, AFullDiskLeavesTheOriginalWholeAndNoTemporaryFile) {
  const std::string bytes = id3v2(3, frame("TIT2", "x")) + mp3::testing::frames(FrameFields{}, 40);
  const std::string file = put(bytes);
  fs::permissions(folder_.path(), fs::perms::all);
  fs::permissions(file, fs::perms::all);
  // Files may grow to 4000 bytes only: the new file (about 16,900) cannot be written.
  EXPECT_EQ(testsupport::runInChild([&] { return genre28().WriteTag(file) ? 1 : 0; }, 4000), err::PathFileAccess);
  EXPECT_EQ(readBytes(file), bytes);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace lumo::id3
