#include "common/bookindex/bookindex.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "common/errors/errors.h"
#include "common/text/text.h"

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
  EXPECT_EQ(r.fieldRead(), "A, B");  // quoted field: commas kept, tail dropped
  EXPECT_EQ(r.lineRead(), "next");   // a line read after a comma takes the rest
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
  struct Case { const char* text; int expected; int error; };
  const Case cases[] = {
      {" 3 \r\n", 3, 0}, {"-2,", -2, 0}, {"32767\r\n", 32767, 0},
      {"32768\r\n", 0, 6}, {"-32769\r\n", 0, 6}, {"999999999999\r\n", 0, 6},
      {"abc\r\n", 0, 0},  // no digits reads as 0
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
  const fs::path file = fs::temp_directory_path() / ("lumo_index_" + std::to_string(::getpid()) + ".txt");
  lumo::text::writeTextFile(file, {
      "\"ABC01\"", "Autore", "Titolo è", "Editore", "Roma 2001", "Lettore", " 3 ",
      "uno,2,due",
      "Capitolo 1, \"Inizio\"", "0", "  12",   // start and page on two lines
      "Paragrafo", "95, xiv",                  // start, comma and page on one line
      "due,0,tre",                             // no markers
      "tre,1,",                                // empty next name
      "Fine", "30,",
      "trailing garbage that is never read", "oops"});
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
  fs::remove(file);
}

TEST(BookIndex, FailuresOfAShortFileAndAnOutOfRangeStart) {
  const fs::path file = fs::temp_directory_path() / ("lumo_bad_" + std::to_string(::getpid()) + ".txt");
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
  const fs::path file = fs::temp_directory_path() / ("lumo_w_" + std::to_string(::getpid()) + ".txt");
  BookIndex index;
  index.header = {"K1", "Autore", "Titolo", "Ed", "Luogo", "Voce"};
  index.files = {{"p001", 1, "", {{"Capitolo primo", 0, "7"}}},
                 {"p002", 1, "", {{"Secondo, con virgola", 0, ""}}}};
  writeBookIndex(file, index);
  EXPECT_EQ(lumo::text::readFileBytes(file),
            "K1\r\nAutore\r\nTitolo\r\nEd\r\nLuogo\r\nVoce\r\n 2 \r\n"
            "p001,1,p002\r\nCapitolo primo\r\n0,7\r\n"
            "p002,1,\r\nSecondo, con virgola\r\n0,\r\n");
  const BookIndex back = readBookIndex(file);
  ASSERT_EQ(back.files.size(), 2u);
  EXPECT_EQ(back.files[0].next, "p002");
  EXPECT_EQ(back.files[1].markers[0].description, "Secondo, con virgola");
  fs::remove(file);
}
