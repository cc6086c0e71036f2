#include "common/tools/tools.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "testsupport/common/test_files.h"

namespace fs = std::filesystem;
using namespace lumo::tools;

TEST(SanitizeFileName, ReplacesTheElevenCharactersInPlace) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"Vol. 1: A/B", "Vol- 1- A-B"},
      {R"(a\b/c:d*e?f"g<h>i|j.k,l)", "a-b-c-d-e-f-g-h-i-j-k-l"},
      {"Perché sì; (2)", "Perché sì; (2)"},  // accents, ";" and brackets stay
      {"", ""},
  };
  for (auto& c : cases) {
    std::string text = c.in;
    EXPECT_EQ(SanitizeFileName(text), c.out) << c.in;
    EXPECT_EQ(text, c.out) << "the caller's variable is cleaned too";
  }
}

TEST(EscapeQuotes, ReplacesOnlyDoubleQuotesInPlace) {
  std::string text = R"(Il "Gatto" & la <Volpe>)";
  const std::string before = text;
  const std::string result = EscapeQuotes(text);
  EXPECT_EQ(result, "Il &quot;Gatto&quot; & la <Volpe>");
  EXPECT_EQ(result.size(), before.size() + 10);
  EXPECT_EQ(text, result);
}

TEST(FilesMatching, MatchesWildcardsWithoutRegardToCase) {
  const lumo::testsupport::TempFolder temp("lumo-match");
  const fs::path& dir = temp.path();
  fs::create_directories(dir);
  for (const char* n : {"a.mp3", "B.Mp3", "c.mp3.bak", "d.mp", "e1.mp3"}) std::ofstream(dir / n) << "x";
  auto names = [&](const std::string& pattern) {
    std::vector<std::string> out;
    for (const auto& f : FilesMatching((dir / pattern).string())) out.push_back(fs::path(f).filename().string());
    return out;
  };
  EXPECT_EQ(names("*.mp3"), (std::vector<std::string>{"B.Mp3", "a.mp3", "e1.mp3"}));
  EXPECT_EQ(names("?.MP3"), (std::vector<std::string>{"B.Mp3", "a.mp3"}));
  EXPECT_EQ(names("*"), (std::vector<std::string>{"B.Mp3", "a.mp3", "c.mp3.bak", "d.mp", "e1.mp3"}));
  EXPECT_EQ(names("A.MP3"), (std::vector<std::string>{"a.mp3"}));
  EXPECT_TRUE(names("*.wav").empty());
}
