#include "common/bookindex/bookindex.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "testsupport/common/test_files.h"

namespace fs = std::filesystem;
using namespace lumo::bookindex;

namespace {

int errorOf(const std::function<void()>& read) {
  try {
    read();
  } catch (const lumo::RuntimeError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace

TEST(IndexReader, FieldAndLineReads) {
  auto r = IndexReader::fromText(
      "  \"A, B\" dropped,next\r\n"
      " line, with \"quotes\"\r\n"
      "code,rest of line one\r\n"
      " 12 ,x\r\n"
      "last");
  EXPECT_EQ(r.fieldRead(), "A, B");                   // quoted field: commas kept, tail dropped
  EXPECT_EQ(r.lineRead(), "next");                    // a line read after a comma takes the rest
  EXPECT_EQ(r.lineRead(), " line, with \"quotes\"");  // unchanged, blanks kept
  EXPECT_EQ(r.fieldRead(), "code");
  EXPECT_EQ(r.lineRead(), "rest of line one");
  EXPECT_EQ(r.numberField(), 12);  // blanks around digits ignored
  EXPECT_EQ(r.fieldRead(), "x");
  EXPECT_EQ(r.lineRead(), "last");
  EXPECT_TRUE(r.atEnd());
  EXPECT_EQ(errorOf([&] { r.lineRead(); }), 62);
}

TEST(IndexReader, NumberFieldLimits) {
  struct Case {
    const char* text;
    int expected;
    int error;
  };
  const Case cases[] = {
      {" 3 \r\n", 3, 0},          {"-2,", -2, 0},    {"32767\r\n", 32767, 0}, {"32768\r\n", 0, 6}, {"-32769\r\n", 0, 6},
      {"999999999999\r\n", 0, 6}, {"abc\r\n", 0, 0},  // no digits reads as 0
  };
  for (const Case& c : cases) {
    auto r = IndexReader::fromText(c.text);
    int value = -1;
    EXPECT_EQ(errorOf([&] { value = r.numberField(); }), c.error) << c.text;
    if (c.error == 0) {
      EXPECT_EQ(value, c.expected) << c.text;
    }
  }
}

TEST(BookIndex, ReadsBothMarkerLayoutsAndIgnoresTrailingLines) {
  const lumo::testsupport::TempFolder temp("lumo-index");
  const fs::path file = temp.path() / "index.txt";
  lumo::text::writeTextFile(file, {"\"ABC01\"", "Autore", "Titolo è", "Editore", "Roma 2001", "Lettore", " 3 ",
                                   "uno,2,due", "Capitolo 1, \"Inizio\"", "0", "  12",  // start and page on two lines
                                   "Paragrafo", "95, xiv",  // start, comma and page on one line
                                   "due,0,tre",             // no markers
                                   "tre,1,",                // empty next name
                                   "Fine", "30,", "trailing garbage that is never read", "oops"});
  const BookIndex index = readBookIndex(file);
  EXPECT_EQ(index.header.code, "ABC01");
  EXPECT_EQ(index.header.title, "Titolo è");
  ASSERT_EQ(index.files.size(), 3u);
  const auto& uno = index.files[0];
  EXPECT_EQ(uno.name, "uno");
  EXPECT_EQ(uno.next, "due");
  ASSERT_EQ(uno.markers.size(), 2u);
  EXPECT_EQ(uno.markers[0].description, "Capitolo 1, \"Inizio\"");
  EXPECT_EQ(uno.markers[0].start, 0);
  EXPECT_EQ(uno.markers[0].page, "  12");
  EXPECT_EQ(uno.markers[1].start, 95);
  EXPECT_EQ(uno.markers[1].page, " xiv");
  EXPECT_TRUE(index.files[1].markers.empty());
  EXPECT_EQ(index.files[2].next, "");
  EXPECT_EQ(index.files[2].markers[0].page, "");
}

TEST(BookIndex, FailuresOfAShortFileAndAnOutOfRangeStart) {
  const lumo::testsupport::TempFolder temp("lumo-bad");
  const fs::path file = temp.path() / "index.txt";
  lumo::text::writeTextFile(file, {"C", "a", "t", "p", "l", "n", "2", "uno,1,", "desc", "1", "p"});
  EXPECT_EQ(errorOf([&] { readBookIndex(file); }), 62);  // second record missing
  lumo::text::writeTextFile(file, {"C", "a", "t", "p", "l", "n", "1", "uno,1,", "desc", "32768", "p"});
  EXPECT_EQ(errorOf([&] { readBookIndex(file); }), 6);
  fs::remove(file);
  EXPECT_EQ(errorOf([&] { readBookIndex(file); }), 53);
}

TEST(BookIndex, UnclosedQuoteEndsAtItsLine) {
  auto r = IndexReader::fromText("\"AB01\r\nautore \"citato\r\ntitolo\r\n\r\n\r\n\r\n");
  const Header h = readHeader(r);
  EXPECT_EQ(h.code, "AB01");
  EXPECT_EQ(h.author, "autore \"citato");
  EXPECT_EQ(h.title, "titolo");
}

TEST(BookIndex, UnquotedCodeWithCommaShiftsTheHeader) {
  auto r = IndexReader::fromText("AB,CD\r\nauthor\r\ntitle\r\n\r\n\r\n\r\n");
  const Header h = readHeader(r);
  EXPECT_EQ(h.code, "AB");
  EXPECT_EQ(h.author, "CD");
  EXPECT_EQ(h.title, "author");
}

TEST(BookIndex, WriterFormReadsBack) {
  const lumo::testsupport::TempFolder temp("lumo-w");
  const fs::path file = temp.path() / "index.txt";
  BookIndex index;
  index.header = {"K1", "Autore", "Titolo", "Ed", "Luogo", "Voce"};
  index.files = {{"p001", 1, "", {{"Capitolo primo", 0, "7"}}}, {"p002", 1, "", {{"Secondo, con virgola", 0, ""}}}};
  writeBookIndex(file, index);
  EXPECT_EQ(lumo::text::readFileBytes(file),
            "K1\r\nAutore\r\nTitolo\r\nEd\r\nLuogo\r\nVoce\r\n 2 \r\n"
            "p001,1,p002\r\nCapitolo primo\r\n0,7\r\n"
            "p002,1,\r\nSecondo, con virgola\r\n0,\r\n");
  const BookIndex back = readBookIndex(file);
  ASSERT_EQ(back.files.size(), 2u);
  EXPECT_EQ(back.files[0].next, "p002");
  EXPECT_EQ(back.files[1].markers[0].description, "Secondo, con virgola");
}

TEST(BookIndex, ReadsUtf8IndexesAsUtf8AndOthersAsWindows1252) {
  const lumo::testsupport::TempFolder temp("lumo-enc");
  const fs::path file = temp.path() / "index.txt";
  struct Case {
    const char* what;
    std::string bytes;  // line 1 to 3
    const char* code;
    const char* title;
  } cases[] = {
      {"UTF-8",
       "L\xc5\x81"
       "1\r\na\r\n\xc5\x81\xc3\xb3"
       "d\xc5\xba\r\n",
       "L\u01411", "\u0141\u00f3d\u017a"},
      {"UTF-8 with a byte-order mark", "\xef\xbb\xbfLB2\r\na\r\nCitt\xc3\xa0\r\n", "LB2", "Citt\u00e0"},
      {"windows-1252", "LB3\r\na\r\nCitt\xe0 \x80\r\n", "LB3", "Citt\u00e0 \u20ac"},
      // "Ã" followed by a byte that is no UTF-8 continuation: windows-1252.
      {"windows-1252 that starts like UTF-8", "LB4\r\na\r\n\xc3 \xe8\r\n", "LB4", "\u00c3 \u00e8"},
  };
  for (const Case& c : cases) {
    std::ofstream(file, std::ios::binary) << c.bytes << "p\r\nl\r\nn\r\n0\r\n";
    IndexReader reader(file);
    const Header h = readHeader(reader);
    EXPECT_EQ(h.code, c.code) << c.what;
    EXPECT_EQ(h.title, c.title) << c.what;
  }
}

TEST(BookIndex, WriterQuotesWhatAFieldReadWouldChange) {
  const lumo::testsupport::TempFolder temp("lumo-q");
  const fs::path file = temp.path() / "index.txt";
  const std::vector<std::string> names = {"LB,7",    " lead", "trail ",  "\tTab", "in\"side", "\"quoted\"",
                                          "",        "plain", "a, b, c", "x,",    ",y",       "\u0141\u00f3d\u017a",
                                          "\uFEFFK1"};  // a code that begins with the character of a byte-order mark
  for (const std::string& code : names) {
    BookIndex index;
    index.header = {code, "Autore, con \"virgole\"", " Titolo ", "Ed", "Luogo", "Voce"};
    index.files = {{code.empty() ? "p" : code, 1, "", {{"Capitolo, primo", 0, " 7"}}},
                   {"due " + code, 1, "", {{"Secondo", 0, ""}}},
                   {"tre", 1, "", {{"Terzo", 0, "x"}}}};
    if (code.find('"') != std::string::npos &&
        (code.find(',') != std::string::npos || code.front() == '"' || code.back() == ' ')) {
      continue;  // no index can hold it; see below
    }
    writeBookIndex(file, index);
    const BookIndex back = readBookIndex(file);
    EXPECT_EQ(back.header.code, index.header.code) << "[" << code << "]";
    EXPECT_EQ(back.header.author, index.header.author) << "[" << code << "]";
    EXPECT_EQ(back.header.title, index.header.title) << "[" << code << "]";
    ASSERT_EQ(back.files.size(), 3u) << "[" << code << "]";
    for (size_t f = 0; f < 3; ++f) {
      EXPECT_EQ(back.files[f].name, index.files[f].name) << "[" << code << "] file " << f;
      EXPECT_EQ(back.files[f].next, f < 2 ? index.files[f + 1].name : "") << "[" << code << "] file " << f;
      ASSERT_EQ(back.files[f].markers.size(), 1u);
      EXPECT_EQ(back.files[f].markers[0].description, index.files[f].markers[0].description);
      EXPECT_EQ(back.files[f].markers[0].page, index.files[f].markers[0].page);
    }
  }
  // Plain values stay unquoted, and the file stays windows-1252 when it can.
  BookIndex plain;
  plain.header = {"LB,7", "a", "Citt\u00e0", "p", "l", "n"};
  plain.files = {{"uno", 1, "", {{"d", 0, "1"}}}};
  writeBookIndex(file, plain);
  EXPECT_EQ(lumo::text::readFileBytes(file),
            "\"LB,7\"\r\na\r\nCitt\xe0\r\np\r\nl\r\nn\r\n 1 \r\nuno,1,\r\nd\r\n0,1\r\n");
  // A value no field can hold is refused before anything is written.
  fs::remove(file);
  for (const std::string& bad : {std::string("a,\"b"), std::string("\"q\""), std::string("line\r\nbreak")}) {
    plain.header.code = bad;
    EXPECT_EQ(errorOf([&] { writeBookIndex(file, plain); }), 5) << bad;
    EXPECT_FALSE(fs::exists(file)) << bad;
  }
  plain.header.code = "ok";
  plain.header.title = "two\nlines";
  EXPECT_EQ(errorOf([&] { writeBookIndex(file, plain); }), 5);
}
