// Every link and meta tag of the pages the builder writes, read back with
// the page protocol as the player reads it.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <regex>
#include <string>

#include "common/bookpage/bookpage.h"
#include "zivuvu/core/zivuvu_pages.h"

namespace lumo::zivuvu {
namespace {

namespace bp = lumo::bookpage;

struct Link {
  std::string href, title;
};

std::vector<Link> linksOf(const Lines& lines) {
  static const std::regex anchor(R"re(<a [^>]*?(?:href|HREF)=\s*"([^"]*)"[^>]*?title="([^"]*)")re");
  std::vector<Link> links;
  for (const std::string& line : lines)
    for (std::sregex_iterator it(line.begin(), line.end(), anchor), end; it != end; ++it)
      links.push_back({(*it)[1], (*it)[2]});
  return links;
}

// The key a title names ("(CTRL+3)", "(ALT+TASTO[+])re"): its code and
// shift state; none for a title without one.
std::optional<std::pair<int, int16_t>> keyOfTitle(const std::string& title) {
  static const std::regex key(R"re(\((CTRL|ALT)\+(TASTO\[([+-])\]|[0-9A-Z])\))re");
  std::smatch m;
  if (!std::regex_search(title, m, key)) return std::nullopt;
  const int16_t shift = m[1] == "CTRL" ? bp::kCtrlBit : bp::kAltBit;
  if (m[3].matched) return std::pair{m[3] == "+" ? bp::kPlusKey : bp::kMinusKey, shift};
  return std::pair{int(m[2].str()[0]), shift};
}

FilePage middlePage() {
  FilePage page;
  page.title = "Il libro";
  page.name = "B";
  page.audioPath = "/libri/LB01/Libro/B.mp3";
  page.next = "C";
  page.prev = "A";
  page.duration = 300;
  page.markers = {{"Capitolo 1", 0, "1"}, {"Capitolo 2", 95, " 2"}, {"Fine", 32767, "3"}};
  return page;
}

HomePage homePage() {
  HomePage home;
  home.workFolder = "LB01";
  home.firstFile = "A";
  home.mp3Folder = "/libri/LB01/Libro/";
  home.files = {{"A", 2, {{"Inizio", 0, "1"}, {"Seguito", 60, "2"}}}, {"B", 0, {}}};
  return home;
}

TEST(PageProtocol, EveryCommandLinkOfThePagesIsTheKeyItsTitleNames) {
  for (const Lines& lines : {filePageLines(middlePage()), homePageLines(homePage())}) {
    int commands = 0;
    for (const Link& link : linksOf(lines)) {
      SCOPED_TRACE(link.href + " " + link.title);
      const bp::LinkKind kind = bp::linkKind(link.href);
      const auto key = keyOfTitle(link.title);
      if (!key) {
        // Help, exit, the MP3 folder and the position links open as
        // addresses; none is a command.
        EXPECT_EQ(kind, bp::LinkKind::None);
        continue;
      }
      ++commands;
      if (link.href == bp::kStop) {
        EXPECT_EQ(kind, bp::LinkKind::Stop);
        EXPECT_EQ(*key, (std::pair<int, int16_t>{'4', bp::kCtrlBit}));
        continue;
      }
      ASSERT_EQ(kind, bp::LinkKind::KeyCommand);
      const auto command = bp::parseKeyCommand(link.href);
      ASSERT_TRUE(command);
      EXPECT_EQ(command->shift, key->second);
      EXPECT_EQ(command->codeText, std::to_string(key->first));
    }
    EXPECT_GE(commands, 4);
  }
}

TEST(PageProtocol, IndexLinksAndAnchorsNameTheMarkersPositions) {
  const FilePage page = middlePage();
  const Lines lines = filePageLines(page);
  static const std::regex anchor(R"re(<a id="([^"]*)" name="([^"]*)" href="([^"]*)">)re");
  size_t n = 0;
  for (const std::string& line : lines) {
    std::smatch m;
    if (!std::regex_search(line, m, anchor)) continue;
    ASSERT_LT(n, page.markers.size());
    EXPECT_EQ(m[1], bp::indexAnchorName(int32_t(n + 1)));
    EXPECT_EQ(m[2], m[1].str());
    EXPECT_EQ(bp::linkKind(m[3].str()), bp::LinkKind::None) << "the browser moves within the page";
    EXPECT_EQ(bp::indexLinkSeconds(m[3].str()), page.markers[n].start);
    EXPECT_EQ(bp::positionText(m[3].str()), std::to_string(page.markers[n].start));
    ++n;
  }
  EXPECT_EQ(n, page.markers.size());

  // The home page's rows open each file's page at its markers' positions.
  std::vector<std::string> positions;
  for (const Link& link : linksOf(homePageLines(homePage())))
    if (link.href.find("LB01/") == 0) positions.push_back(bp::positionText(link.href));
  for (const std::string& line : homePageLines(homePage())) {
    static const std::regex row(R"re(<a href="(LB01/[^"]*)">)re");
    std::smatch m;
    if (std::regex_search(line, m, row)) positions.push_back(bp::positionText(m[1].str()));
  }
  EXPECT_EQ(positions, (std::vector<std::string>{"0", "0", "60", "0"}));
}

TEST(PageProtocol, EveryPlayerMetaOfAFilePageNamesWhatThePlayerReads) {
  static const std::regex meta(R"re(<meta name="([^"]*)" content="([^"]*)")re");
  std::map<std::string, std::string> read;
  for (const std::string& line : filePageLines(middlePage())) {
    std::smatch m;
    if (!std::regex_search(line, m, meta) || m[1] == "GENERATOR") continue;
    const auto parsed = bp::parseMetaName(m[1].str());
    ASSERT_TRUE(parsed) << m[1];
    read[m[1]] = m[2];
  }
  EXPECT_EQ(read, (std::map<std::string, std::string>{{bp::audioMeta(0), "/libri/LB01/Libro/B.mp3"},
                                                      {bp::nextPageMeta(1), "C.htm"},
                                                      {std::string(bp::kPreviousPageMeta), "A.htm"}}));
}

}  // namespace
}  // namespace lumo::zivuvu
