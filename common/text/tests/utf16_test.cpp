#include "common/text/utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace lumo::text {
namespace {

using namespace std::string_literals;

TEST(Utf16, KeepsEveryTextThroughARoundTripInEitherByteOrder) {
  struct Case {
    const char* name;
    std::string utf8;
    std::string le;  // its UTF-16LE bytes
  };
  const Case cases[] = {
      {"ASCII", "ab", "a\0b\0"s},
      {"Latin and the euro", "è€", "\xE8\0\xAC\x20"s},
      {"beyond U+FFFF, as a pair", "\xF0\x9F\x8E\xB5", "\x3C\xD8\xB5\xDF"s},  // U+1F3B5
      {"a byte that is no UTF-8", "a\xE8z",
       "a\0\xE8\xDC"s
       "z\0"s},  // U+DCE8
      {"a NUL inside", "a\0b"s, "a\0\0\0b\0"s},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf8ToUtf16(c.utf8, ByteOrder::LittleEndian), c.le) << c.name;
    EXPECT_EQ(utf16ToUtf8(c.le, ByteOrder::LittleEndian), c.utf8) << c.name;
    const std::string be = utf8ToUtf16(c.utf8, ByteOrder::BigEndian);
    ASSERT_EQ(be.size(), c.le.size()) << c.name;
    for (size_t i = 0; i + 1 < be.size(); i += 2) EXPECT_EQ(be.substr(i, 2), c.le.substr(i + 1, 1) + c.le[i]) << c.name;
    EXPECT_EQ(utf16ToUtf8(be, ByteOrder::BigEndian), c.utf8) << c.name;
  }
}

TEST(Utf16, ReadsDamagedBytesWithoutLosingTheRest) {
  struct Case {
    const char* name;
    std::string le;
    std::string utf8;
    std::u32string codePoints;
  };
  const Case cases[] = {
      {"an odd last byte is dropped", "a\0b"s, "a", U"a"},
      {"a high surrogate without its low one", "\x3C\xD8z\0"s, "\xEF\xBF\xBDz", U"\xD83Cz"},
      {"a low surrogate alone", "\xB5\xDF"s, "\xEF\xBF\xBD", U"\xDFB5"},
      {"two highs, then a low: the second pair joins", "\x3C\xD8\x3C\xD8\xB5\xDF"s, "\xEF\xBF\xBD\xF0\x9F\x8E\xB5",
       U"\xD83C\U0001F3B5"},
      {"a pair split by a NUL stays apart", "\x3C\xD8\0\0\xB5\xDF"s, "\xEF\xBF\xBD\0\xEF\xBF\xBD"s, U"\xD83C\0\xDFB5"s},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf16ToUtf8(c.le, ByteOrder::LittleEndian), c.utf8) << c.name;
    EXPECT_EQ(utf16CodePoints(c.le, ByteOrder::LittleEndian), c.codePoints) << c.name;
  }
}

TEST(Utf16, Ucs2HasNoPairsAndKeepsAStrayByteAsItsCharacter) {
  EXPECT_EQ(utf8ToUcs2("è\xF0\x9F\x8E\xB5", ByteOrder::LittleEndian), "\xE8\0?\0"s);
  EXPECT_EQ(utf8ToUcs2("a\xE8", ByteOrder::LittleEndian), "a\0\xE8\0"s);
  EXPECT_EQ(utf8ToUcs2("€", ByteOrder::BigEndian), "\x20\xAC"s);
}

TEST(Utf16, TellsTheByteOrderFromTheMarkOnly) {
  EXPECT_EQ(utf16ByteOrderMark("\xFF\xFEx"), ByteOrder::LittleEndian);
  EXPECT_EQ(utf16ByteOrderMark("\xFE\xFFx"), ByteOrder::BigEndian);
  EXPECT_EQ(utf16ByteOrderMark("\xFF"), std::nullopt);
  EXPECT_EQ(utf16ByteOrderMark("x\xFF\xFE"), std::nullopt);
}

}  // namespace
}  // namespace lumo::text
