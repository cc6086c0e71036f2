// The tag reader, the genre table, the TCON text reader, the frame text
// cleaner and the NUL padding.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/errors/errors.h"
#include "splitter/id3/tag_v2.h"
#include "testsupport/common/mp3_frames.h"
#include "testsupport/common/test_files.h"

namespace lumo::id3 {
namespace {

using testsupport::readBytes;
using testsupport::writeBytes;

std::string u32(uint32_t v) {
  std::string s(4, '\0');
  mp3::testing::putBigEndian(s, 0, v);
  return s;
}

// An ID3v2.3 frame with the encoding byte 00 before its data; size is the
// frame's size field (data + 1 unless a test damages it).
std::string frame(const std::string& id, const std::string& data, int64_t size = -1) {
  return id + u32(uint32_t(size < 0 ? int64_t(data.size()) + 1 : size)) + std::string(3, '\0') + data;
}

// A version-3 tag whose size field says declared (the frames' length when -1).
std::string tag(const std::string& frames, int64_t declared = -1, char version = 3) {
  const auto size = uint32_t(declared < 0 ? int64_t(frames.size()) : declared);
  return std::string("ID3") + version + std::string(2, '\0') + static_cast<char>(size >> 21 & 0x7F) +
         static_cast<char>(size >> 14 & 0x7F) + static_cast<char>(size >> 7 & 0x7F) + static_cast<char>(size & 0x7F) +
         frames;
}

std::string audio() { return mp3::testing::frames(mp3::testing::FrameFields{}, 10); }

void expectReset(const TypeTagV2& t) {
  EXPECT_FALSE(t.Valide());
  EXPECT_EQ(t.Genre(), "255");
  for (const std::string* s : {&t.Artiste(), &t.Album(), &t.Piste(), &t.Titre(), &t.Annee(), &t.Commentaire(),
                               &t.Compositeur(), &t.Original(), &t.Copyright(), &t.Url(), &t.Encode()})
    EXPECT_EQ(*s, "");
}

class TagReaderTest : public ::testing::Test {
 protected:
  std::string put(const std::string& bytes) const {
    writeBytes(folder_ / "part.mp3", bytes);
    return folder_ / "part.mp3";
  }
  testsupport::TempFolder folder_{"lumo-id3-reader"};
};

TEST_F(TagReaderTest, ReadsBackWhatTheWriterWrote) {
  TypeTagV2 w;
  w.Valide(true);
  w.Titre("Capitolo primo: è già\r\nfinito");
  w.Artiste("Lettore Ω");
  w.Album("Il libro");
  w.Piste(" 12 ");
  w.Genre("101");
  w.Annee("2024-05-01");
  w.Commentaire("Nota “citata” – 5 €\r\n");
  w.Compositeur("Compositore");
  w.Original("Originale");
  w.Copyright("(c) 2024");
  w.Url("https://x.example/a");
  w.Encode("LUMO");
  const std::string file = put(audio());
  ASSERT_TRUE(w.WriteTag(file));

  TypeTagV2 r;
  const TypeTagV2 got = r.ReadTag(file);
  for (const TypeTagV2* t : {&got, const_cast<const TypeTagV2*>(&r)}) {
    EXPECT_TRUE(t->Valide());
    EXPECT_EQ(t->Titre(), "Capitolo primo: è già\r\nfinito");
    EXPECT_EQ(t->Artiste(), "Lettore Ω");
    EXPECT_EQ(t->Album(), "Il libro");
    EXPECT_EQ(t->Piste(), "12");
    EXPECT_EQ(t->Genre(), "101");
    EXPECT_EQ(t->Annee(), "2024-0");
    EXPECT_EQ(t->Commentaire(), "Nota “citata” – 5 €\r\n");
    EXPECT_EQ(t->Compositeur(), "Compositore");
    EXPECT_EQ(t->Original(), "Originale");
    EXPECT_EQ(t->Copyright(), "(c) 2024");
    EXPECT_EQ(t->Url(), "https://x.example/a");
    EXPECT_EQ(t->Encode(), "LUMO");
  }
}

// UCS-2 frames as other writers make them: either byte order, a pair of
// surrogates (UTF-16), a COMM with a description, a WXXX whose description
// is UCS-2 and whose URL is ISO-8859-1.
TEST_F(TagReaderTest, ReadsUcs2FramesInEitherByteOrder) {
  const auto ucs2 = [](const std::string& id, const std::string& data) {
    return id + u32(uint32_t(data.size()) + 1) + std::string("\0\0\1", 3) + data;
  };
  using namespace std::string_literals;
  const std::string frames = ucs2("TIT2", "\xFE\xFF\x20\x13\0 \x20\xAC"s) +  // big-endian "– €"
                             ucs2("TALB", "\xFF\xFE\x34\xD8\x1E\xDD!\0"s) +  // U+1D11E "!"
                             ucs2("COMM",
                                  "ita\xFF\xFE"
                                  "d\0\0\0\xFF\xFE"
                                  "\x1C\x20N\0\x1D\x20"s) +  // "d", then "“N”"
                             ucs2("WXXX",
                                  "\xFF\xFE"
                                  "d\0\0\0https://x.example"s) +
                             ucs2("TPE1", "\xFF\xFE"s);
  TypeTagV2 t;
  t.ReadTag(put(tag(frames) + audio()));
  EXPECT_EQ(t.Titre(), "– €");
  EXPECT_EQ(t.Album(), "𝄞!");
  EXPECT_EQ(t.Commentaire(), "“N”");
  EXPECT_EQ(t.Url(), "https://x.example");
  EXPECT_EQ(t.Artiste(), "");
}

// A byte-order mark counts only at the start of a string: the same bytes
// behind a NUL are a character in the string's own order, never a turn of
// the order for the text after them. COMM's text is a string of its own.
TEST_F(TagReaderTest, AByteOrderMarkCountsOnlyAtTheStartOfAString) {
  using namespace std::string_literals;
  struct Case {
    const char* what;
    std::string id, data;  // the data behind the encoding byte 01
    std::string text;
  };
  const Case cases[] = {
      {"little-endian, FE FF behind a NUL", "TIT2",
       "\xFF\xFE"
       "a\0\0\0\xFE\xFF"
       "c\0d\0 \0\xA9\x03"s,
       "\uFFFEcd Ω"},
      {"big-endian, FF FE behind a NUL", "TIT2", "\xFE\xFF\0a\0\0\xFF\xFE\0c\x03\xA9"s, "\uFFFEcΩ"},
      {"a mark of the same order behind a NUL", "TIT2",
       "\xFF\xFE"
       "a\0\0\0\xFF\xFE"
       "c\0"s,
       "c"},
      {"FE FF amid the text", "TIT2",
       "\xFF\xFE"
       "a\0\xFE\xFF"
       "b\0"s,
       "a\uFFFEb"},
      {"no mark: little-endian", "TIT2", "a\0\xA9\x03"s, "aΩ"},
      {"COMM: a big-endian text behind a little-endian description", "COMM",
       "ita\xFF\xFE"
       "d\0\0\0\xFE\xFF\0N\x03\xA9"s,
       "NΩ"},
      {"COMM: a NUL in the text", "COMM", "ita\xFF\xFE\0\0\xFE\xFF\0x\0\0\xFF\xFE\0y"s, "\uFFFEy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string frames = c.id + u32(uint32_t(c.data.size()) + 1) + std::string("\0\0\1", 3) + c.data;
    TypeTagV2 t;
    t.ReadTag(put(tag(frames) + audio()));
    EXPECT_EQ(c.id == "COMM" ? t.Commentaire() : t.Titre(), c.text);
  }

  // The writer's own UCS-2, read back: what follows the title's last NUL,
  // as it was.
  TypeTagV2 w;
  w.Valide(true);
  w.Genre("28");
  w.Titre("a\0\uFFFEcd Ω"s);
  w.Commentaire("x\0\uFFFEy €"s);
  const std::string file = put(audio());
  ASSERT_TRUE(w.WriteTag(file));
  TypeTagV2 r;
  r.ReadTag(file);
  EXPECT_EQ(r.Titre(), "\uFFFEcd Ω");
  EXPECT_EQ(r.Commentaire(), "\uFFFEy €");
}

TEST_F(TagReaderTest, AFileWithoutAVersion3TagGivesTheResetValues) {
  for (const std::string& bytes : {std::string(), std::string("ID"), audio(), tag(frame("TIT2", "x"), -1, 4) + audio(),
                                   tag(frame("TIT2", "x"), -1, 2) + audio()}) {
    TypeTagV2 t;
    t.Valide(true);
    t.Titre("old");
    t.Genre("28");
    const TypeTagV2 got = t.ReadTag(put(bytes));
    expectReset(got);
    expectReset(t);
  }
}

TEST_F(TagReaderTest, TheLastFrameOfAnIdWinsAndOtherIdsAndPaddingAreSkipped) {
  const std::string frames = frame("TIT2", "primo") + frame("APIC", std::string(40, '\xFF')) + std::string(10, '\0') +
                             frame("TIT2", "secondo") + frame("TCON", "Soul") + frame("TRCK", "  3/10 ") +
                             std::string(20, '\0');
  TypeTagV2 t;
  t.ReadTag(put(tag(frames) + audio()));
  EXPECT_TRUE(t.Valide());
  EXPECT_EQ(t.Titre(), "secondo");
  EXPECT_EQ(t.Genre(), "42");
  EXPECT_EQ(t.Piste(), "3/10");
}

TEST_F(TagReaderTest, ADamagedTagGivesTheFramesReadBeforeTheDamage) {
  const std::string good = frame("TIT2", "titolo");
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"a frame of size 0", tag(good + frame("TALB", "", 0) + frame("TPE1", "dopo")) + audio()},
      {"a frame past the tag's end", tag(good + frame("TALB", "album"), int64_t(good.size()) + 12) + audio()},
      {"a frame past the file's end", tag(good + frame("TALB", "album", 1000000)) + "abc"},
      {"a size of 4 GiB", tag(good + frame("TALB", "album", 0xFFFFFFFF)) + audio()},
      {"a tag past the file's end, cut inside a frame",
       tag(good + frame("TALB", "album"), 100000).substr(0, 10 + good.size() + 14)},
      {"a file cut inside a frame header", tag(good + frame("TALB", "album"), 100000).substr(0, 10 + good.size() + 6)},
  };
  for (const Case& c : cases) {
    TypeTagV2 t;
    EXPECT_NO_THROW(t.ReadTag(put(c.bytes))) << c.name;
    EXPECT_TRUE(t.Valide()) << c.name;
    EXPECT_EQ(t.Titre(), "titolo") << c.name;
    EXPECT_EQ(t.Album(), "") << c.name;
    EXPECT_EQ(t.Artiste(), "") << c.name;
  }
}

TEST_F(TagReaderTest, ErrorsPassToTheCaller) {
  TypeTagV2 t;
  try {
    t.ReadTag(folder_ / "missing.mp3");
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::FileNotFound);
  }
  try {
    t.ReadTag(put(tag(frame("TCON", "(99999)")) + audio()));
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::Overflow);
  }
}

TEST(GenreTable, NamesAndTheirSpellings) {
  const std::vector<std::pair<int16_t, std::string>> cases = {{0, "Blues"},
                                                              {14, "R&B"},
                                                              {28, "Vocal"},
                                                              {40, "Alternative Rock"},
                                                              {42, "Soul"},
                                                              {54, "Eurodance"},
                                                              {64, "Native US"},
                                                              {67, "Psychadelic"},
                                                              {79, "Hard Rock"},
                                                              {80, "Folk"},
                                                              {85, "Bebob"},
                                                              {90, "Avantgarde"},
                                                              {100, "Humour"},
                                                              {101, "Speech"},
                                                              {118, "Rhytmic Soul"},
                                                              {122, "Drum Solo"},
                                                              {123, "Acapella"},
                                                              {136, "Christian Gangsta"},
                                                              {140, "Contemporary C"},
                                                              {146, "JPop"},
                                                              {147, "SynthPop"},
                                                              {148, ""},
                                                              {255, ""},
                                                              {-1, ""}};
  for (const auto& [number, name] : cases) EXPECT_EQ(TypeTagV2::GenreName(number), name) << number;
  // 148 different names, each of which reads back as its number.
  std::set<std::string> names;
  for (int16_t n = 0; n < TypeTagV2::kGenreCount; ++n) {
    const std::string name = TypeTagV2::GenreName(n);
    EXPECT_FALSE(name.empty()) << n;
    names.insert(name);
    EXPECT_EQ(TypeTagV2::GenreIndexFromText(name), n) << name;
  }
  EXPECT_EQ(names.size(), 148u);
}

TEST(GenreTable, NumberOfATconText) {
  const std::vector<std::pair<std::string, int16_t>> cases = {
      {"Vocal", 28},      {"vOCAL", 28},     {"Soul", 42},     {"Eurodance", 54},
      {"Drum Solo", 122}, {"r&b", 14},       {"28", 28},       {"147", 147},
      {"148", 255},       {"28abc", 28},     {"12.5", 12},     {"13.5", 14},
      {"Vocal ", 255},    {" Vocal", 255},   {"Unknown", 255}, {"((28)Vocal", 255},
      {"((", 255},        {"(28)Vocal", 28}, {"(300)", 300},   {"(", 0},
      {"(x)", 0},         {"(-3)", -3},      {"", 0}};
  for (const auto& [text, number] : cases) EXPECT_EQ(TypeTagV2::GenreIndexFromText(text), number) << text;
  try {
    TypeTagV2::GenreIndexFromText("(40000)");
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::Overflow);
  }
}

// The program runs in the user's locale (Qt sets it from the environment),
// where the decimal separator may be a comma: the genre numbers are still
// read with a full stop.
TEST(GenreTable, NumbersReadWithAFullStopInAnItalianLocale) {
  ASSERT_TRUE(testsupport::haveTool("localedef")) << "localedef is needed (Debian package libc-bin)";
  testsupport::TempFolder folder("lumo-id3-locale");
  const std::string locales = (folder.path() / "locales").string();
  std::filesystem::create_directory(locales);
  ASSERT_EQ(testsupport::runCommand("localedef -i it_IT -f UTF-8 '" + locales + "/it_IT.UTF-8' 2>&1"), 0)
      << "the Italian locale sources are needed (Debian package locales)";
  ::setenv("LOCPATH", locales.c_str(), 1);
  struct Restore {
    ~Restore() {
      std::setlocale(LC_NUMERIC, "C");
      ::unsetenv("LOCPATH");
    }
  } restore;
  ASSERT_NE(std::setlocale(LC_NUMERIC, "it_IT.UTF-8"), nullptr);
  EXPECT_EQ(TypeTagV2::GenreIndexFromText("147.6"), 255);
  EXPECT_EQ(TypeTagV2::GenreIndexFromText("13.5"), 14);
  EXPECT_EQ(TypeTagV2::GenreIndexFromText("(2.6)"), 3);
  TypeTagV2 t;
  t.Genre("2.6");
  std::string frames;
  t.AppendFrame(frames, "TCON");
  EXPECT_EQ(frames, frame("TCON", "(2.6)Dance"));
}

TEST(CleanTagText, KeepsTheTextBehindTheLastNulWithoutControlCharacters) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {std::string("ita\0Nota", 8), "Nota"},              // COMM: language, empty description
      {std::string("\0\0\0\0Nota", 8), "Nota"},           // as the writer makes it
      {std::string("desc\0https://x", 14), "https://x"},  // WXXX
      {"uno\ndue\tfine", "unoduefine"},                   // a lone LF and a tab
      {"uno\r\ndue", "uno\r\ndue"},                       // CR LF kept
      {"uno\rdue\r", "unodue"},                           // a lone CR
      {"a\r\r\nb", "a\r\nb"},                             // the second CR makes the pair
      {"a\x7F\x80\x81\x8D\x8E"
       "b",
       "a\xC5\xBD"
       "b"},                    // 127-129 and 141 go; 8E is Ž
      {"Perch\xE9", "Perché"},  // windows-1252 to UTF-8
      {"", ""}};
  for (const auto& [data, text] : cases) EXPECT_EQ(TypeTagV2::CleanTagText(data), text);
}

TEST(PadWithNul, PadsToTheWidth) {
  EXPECT_EQ(TypeTagV2::PadWithNul("abc", 5), std::string("abc\0\0", 5));
  EXPECT_EQ(TypeTagV2::PadWithNul("abc", 3), "abc");
  EXPECT_EQ(TypeTagV2::PadWithNul("è", 2), std::string("è\0", 3));  // one character
  try {
    TypeTagV2::PadWithNul("abc", 2);
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::InvalidCall);
  }
}

}  // namespace
}  // namespace lumo::id3
