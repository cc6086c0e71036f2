#include "common/text/text.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "common/errors/errors.h"
#include "testsupport/common/test_files.h"

namespace fs = std::filesystem;
using namespace lumo::text;

TEST(Cp1252, RoundTripsEveryByteAndMarksMissingCharacters) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
  EXPECT_EQ(cp1252ToUtf8("\x80 velocit\xe0"), "€ velocità");
  // A character outside windows-1252 is written as "?".
  EXPECT_EQ(utf8ToCp1252("a\xe2\x86\x92z"), "a?z");  // U+2192 arrow
  EXPECT_TRUE(isValidUtf8("velocità"));
  EXPECT_FALSE(isValidUtf8("velocit\xe0"));
}

TEST(Numbers, RoundHalvesToEvenAndOverflowRaisesError6) {
  EXPECT_EQ(roundHalfEven(100.5), 100);
  EXPECT_EQ(roundHalfEven(101.5), 102);
  EXPECT_EQ(toInt16(32767.4), 32767);
  EXPECT_EQ(toInt16(-32768LL), -32768);
  for (double bad : {32767.5, -32768.6, 1e10}) {
    try {
      toInt16(bad);
      ADD_FAILURE() << bad;
    } catch (const lumo::RuntimeError& e) {
      EXPECT_EQ(e.number(), 6);
      EXPECT_EQ(e.description(), "Overflow");
    }
  }
}

TEST(Trim, OnlyBlanksAreTrimmed) {
  EXPECT_EQ(trim("  a b \t "), "a b \t");
  EXPECT_EQ(ltrim("  x "), "x ");
  EXPECT_EQ(rtrim("  x "), "  x");
  EXPECT_EQ(trim("   "), "");
  EXPECT_TRUE(iequals("Include", "INCLUDE"));
}

TEST(AtomicTextFile, WritesCrLfCp1252AndLeavesNothingHalfWritten) {
  const lumo::testsupport::TempFolder temp("lumo-text");
  const fs::path& dir = temp.path();
  fs::create_directories(dir);
  const fs::path target = dir / "page.htm";
  writeTextFile(target, {"uno", "velocità"});
  EXPECT_EQ(readFileBytes(target), "uno\r\nvelocit\xe0\r\n");

  {  // An abandoned write leaves the old file untouched and no temporary file.
    AtomicTextFile file(target);
    file.writeLine("half");
  }
  EXPECT_EQ(readFileBytes(target), "uno\r\nvelocit\xe0\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);

  EXPECT_THROW(AtomicTextFile(dir / "missing" / "x.htm"), lumo::RuntimeError);
}

TEST(AtomicTextFile, NeverFollowsALinkAtItsTemporaryNameAndKeepsANewFilesMode) {
  const lumo::testsupport::TempFolder temp("lumo-text");
  const fs::path dir = temp.path() / "shared";
  fs::create_directories(dir);
  const fs::path victim = temp.path() / "victim";
  lumo::testsupport::writeBytes(victim, "precious");
  const std::string prefix = ".lumo" + std::to_string(::getpid()) + "-";
  // Links planted under the first names tried, one dangling.
  fs::create_symlink(victim, dir / (prefix + "7.tmp"));
  fs::create_symlink(temp.path() / "absent", dir / (prefix + "8.tmp"));
  static unsigned next;
  next = 7;
  lumo::file::testing::tempNumberSource = [] { return next++; };
  const mode_t oldMask = ::umask(027);
  writeTextFile(dir / "page.htm", {"uno"});
  ::umask(oldMask);
  EXPECT_EQ(readFileBytes(dir / "page.htm"), "uno\r\n");
  EXPECT_EQ(fs::status(dir / "page.htm").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(lumo::testsupport::readBytes(victim), "precious");
  EXPECT_TRUE(fs::is_symlink(dir / (prefix + "7.tmp")));
  EXPECT_FALSE(fs::exists(temp.path() / "absent"));
  EXPECT_FALSE(fs::exists(dir / (prefix + "9.tmp")));  // renamed into place

  // Every name taken: the write fails and follows none of them.
  lumo::file::testing::tempNumberSource = [] { return 7u; };
  EXPECT_THROW(writeTextFile(dir / "other.htm", {"x"}), lumo::RuntimeError);
  lumo::file::testing::tempNumberSource = nullptr;
  EXPECT_EQ(lumo::testsupport::readBytes(victim), "precious");
  EXPECT_FALSE(fs::exists(dir / "other.htm"));
}

TEST(LatinCase, MapsTheLettersOfWindows1252AndKeepsTheRest) {
  struct Case {
    const char* text;
    const char* upper;
    const char* lower;
  };
  const Case cases[] = {
      {"Perché", "PERCHÉ", "perché"},
      {"šœžÿ ŠŒŽŸ", "ŠŒŽŸ ŠŒŽŸ", "šœžÿ šœžÿ"},
      {"× ÷ ß 1.2 €", "× ÷ ß 1.2 €", "× ÷ ß 1.2 €"},  // no case partner in windows-1252
      {"\xC3 a \xFF", "\xC3 A \xFF", "\xC3 a \xFF"},  // bytes that are no UTF-8 stay
  };
  for (const Case& c : cases) {
    EXPECT_EQ(toUpperLatin(c.text), c.upper) << c.text;
    EXPECT_EQ(toLowerLatin(c.text), c.lower) << c.text;
  }
}
