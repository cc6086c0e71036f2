// The numeric fields of the splitter as typed and as mp3splt reads them.

#include "splitter/core/fields.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "testsupport/common/test_files.h"

namespace lumo::splitter::testing {
namespace {

// The program runs in the user's locale (Qt sets it from the environment),
// where the decimal separator may be a comma: typed numbers read the same.
TEST(SplitFields, TypedNumbersReadAlikeInAnItalianLocale) {
  ASSERT_TRUE(testsupport::haveTool("localedef")) << "localedef is needed (Debian package libc-bin)";
  testsupport::TempFolder folder("lumo-splitter-locale");
  const std::string locales = folder / "locales";
  std::filesystem::create_directory(locales);
  ASSERT_EQ(testsupport::runCommand("localedef -i it_IT -f UTF-8 '" + locales + "/it_IT.UTF-8' 2>&1"), 0)
      << "the Italian locale sources are needed (Debian package locales)";
  ::setenv("LOCPATH", locales.c_str(), 1);
  ASSERT_NE(std::setlocale(LC_NUMERIC, "it_IT.UTF-8"), nullptr);
  EXPECT_EQ(EngineMinutes("2,5"), "2.30");
  EXPECT_EQ(EngineMinutes("2.5"), "2.30");
  EXPECT_EQ(EngineMinutes("3,"), "3.00");
  EXPECT_EQ(TypedNumber("2,5"), 2.5);
  EXPECT_EQ(TypedNumber(".5"), 0.5);
  EXPECT_EQ(TypedNumber("10"), 10.0);
  for (const char* bad : {"", ",", "1,2,3", "2.,5", "-1", "1e2", "abc"})
    EXPECT_EQ(TypedNumber(bad), std::nullopt) << bad;
  std::setlocale(LC_NUMERIC, "C");
  ::unsetenv("LOCPATH");
}

TEST(SplitFields, KeysAndLengths) {
  struct Key {
    int16_t in, out, after;
  };
  for (const Key& k : {Key{45, 0, 0}, Key{44, 44, 44}, Key{46, 46, 46}, Key{8, 8, 8}, Key{48, 48, 48}, Key{57, 57, 57},
                       Key{65, 0, 65}, Key{47, 0, 47}}) {
    int16_t code = k.in;
    EXPECT_EQ(FilterDigitKey(code, 0, 9), k.out) << k.in;
    EXPECT_EQ(code, k.after) << k.in;
  }
  int16_t seven = 55;
  EXPECT_EQ(FilterDigitKey(seven, 0, 5), 0);

  EXPECT_EQ(EngineMinutes("5"), "5.00");
  EXPECT_EQ(EngineMinutes("2,5"), "2.30");
  EXPECT_EQ(EngineMinutes("2.5"), "2.30");
  EXPECT_EQ(EngineMinutes("1,999"), "2.00");
  // The folder and the message name what the engine was given.
  for (auto [typed, label] : std::vector<std::pair<const char*, const char*>>{
           {"5", "5"}, {"2,5", "2,5"}, {"2.50", "2,5"}, {"29,75", "29,75"}, {"1,999", "2"}, {"3,", "3"}, {"x", "x"}})
    EXPECT_EQ(MinutesLabel(typed), label) << typed;
  for (const char* bad : {"", ",", "1,2,3", "0", "-1", "abc"}) EXPECT_EQ(EngineMinutes(bad), std::nullopt) << bad;
  EXPECT_EQ(EngineNumber("35"), "35");
  EXPECT_EQ(EngineNumber("3,5"), "3.5");
  EXPECT_EQ(EngineNumber("3,"), "3");
  EXPECT_EQ(EngineNumber("2.5"), "2.5");
}

}  // namespace
}  // namespace lumo::splitter::testing
