// The shared folder Include: the style sheets must style every class the book
// pages carry, a high-contrast sheet must override all that the plain sheet
// sets (the player loads it around the page's own Style1.css), and the help
// page must explain every key command.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/text/text.h"

namespace {

const std::filesystem::path kInclude = std::filesystem::path(LUMO_TEST_SOURCE_DIR) / "install" / "Include";

std::string readInclude(const std::string& name) { return lumo::text::readFileBytes(kInclude / name); }

// Selector text -> the properties its rules set, merged over the sheet.
using StyleSheet = std::map<std::string, std::set<std::string>>;

std::string collapseBlanks(const std::string& s) {
  std::string out = std::regex_replace(s, std::regex("\\s+"), " ");
  return lumo::text::trim(out);
}

StyleSheet parseSheet(const std::string& css) {
  std::string text = std::regex_replace(css, std::regex("/\\*[^*]*\\*+([^/*][^*]*\\*+)*/"), " ");
  StyleSheet sheet;
  size_t pos = 0;
  while (true) {
    size_t open = text.find('{', pos);
    if (open == std::string::npos) {
      EXPECT_EQ(collapseBlanks(text.substr(pos)), "") << "text after the last rule";
      break;
    }
    size_t close = text.find('}', open);
    EXPECT_NE(close, std::string::npos) << "unclosed rule";
    if (close == std::string::npos) break;
    EXPECT_FALSE(text.find('{', open + 1) < close) << "nested brace in a rule";
    std::set<std::string> props;
    std::string body = text.substr(open + 1, close - open - 1);
    std::smatch m;
    for (auto it = body.cbegin(); std::regex_search(it, body.cend(), m, std::regex("([A-Za-z-]+)\\s*:[^;]*;?"));
         it = m.suffix().first)
      props.insert(lumo::text::toLowerAscii(m[1].str()));
    std::string selectors = text.substr(pos, open - pos);
    size_t start = 0;
    while (start <= selectors.size()) {
      size_t comma = selectors.find(',', start);
      if (comma == std::string::npos) comma = selectors.size();
      std::string one = collapseBlanks(selectors.substr(start, comma - start));
      EXPECT_FALSE(one.empty()) << "empty selector before {" << body << "}";
      sheet[one].insert(props.begin(), props.end());
      start = comma + 1;
    }
    pos = close + 1;
  }
  return sheet;
}

std::set<std::string> classesOf(const StyleSheet& sheet) {
  std::set<std::string> classes;
  const std::regex cls("\\.([A-Za-z_][A-Za-z0-9_-]*)");
  for (const auto& [selector, props] : sheet) {
    std::smatch m;
    for (auto it = selector.cbegin(); std::regex_search(it, selector.cend(), m, cls); it = m.suffix().first)
      classes.insert(m[1].str());
  }
  return classes;
}

const char* const kSheets[] = {"Style1.css", "Style2.css", "Style3.css"};

// Every class of the book pages (file page, home page) and of the player's
// start page ("testo"); class names match case-sensitively.
const char* const kPageClasses[] = {
    "imgbg",        "dati",       "titolo",        "invisibile", "tabelladati", "Tabellarife", "cel",   "VerticeAlto",
    "VerticeBasso", "NAV_Titolo", "TABLE_BOTTONI", "menutable",  "cell",        "menuexit",    "testo",
};

TEST(StyleSheets, EverySheetStylesEveryClassOfThePages) {
  for (const char* name : kSheets) {
    SCOPED_TRACE(name);
    std::set<std::string> classes = classesOf(parseSheet(readInclude(name)));
    for (const char* cls : kPageClasses) EXPECT_TRUE(classes.count(cls)) << "no rule for class " << cls;
  }
}

TEST(StyleSheets, HighContrastSheetsSetAgainAllThatThePlainSheetSets) {
  StyleSheet plain = parseSheet(readInclude("Style1.css"));
  ASSERT_FALSE(plain.empty());
  for (const char* name : {"Style2.css", "Style3.css"}) {
    SCOPED_TRACE(name);
    StyleSheet high = parseSheet(readInclude(name));
    for (const auto& [selector, props] : plain) {
      auto it = high.find(selector);
      if (it == high.end()) {
        ADD_FAILURE() << "selector missing: " << selector;
        continue;
      }
      for (const std::string& prop : props) EXPECT_TRUE(it->second.count(prop)) << selector << " does not set " << prop;
    }
  }
}

TEST(StyleSheets, EverySheetSetsBaseAndLinkColoursInPlainAscii) {
  for (const char* name : kSheets) {
    SCOPED_TRACE(name);
    std::string css = readInclude(name);
    for (unsigned char c : css) ASSERT_LT(c, 0x80) << "non-ASCII byte";
    StyleSheet sheet = parseSheet(css);
    EXPECT_TRUE(sheet["body"].count("color"));
    EXPECT_TRUE(sheet["body"].count("background-color"));
    // The view keeps the palette's blue for links unless "a" names a colour;
    // a pseudo-class rule alone does not reach it.
    EXPECT_TRUE(sheet["a"].count("color"));
  }
}

// Selector -> property -> value, the later declaration winning.
std::map<std::string, std::map<std::string, std::string>> sheetValues(const std::string& css) {
  const std::string text = std::regex_replace(css, std::regex("/\\*[^*]*\\*+([^/*][^*]*\\*+)*/"), " ");
  std::map<std::string, std::map<std::string, std::string>> values;
  const std::regex rule("([^{}]*)\\{([^}]*)\\}");
  const std::regex declaration("([A-Za-z-]+)\\s*:\\s*([^;]*);?");
  std::smatch r;
  for (auto it = text.cbegin(); std::regex_search(it, text.cend(), r, rule); it = r.suffix().first) {
    const std::string body = r[2].str();
    std::stringstream selectors(r[1].str());
    for (std::string selector; std::getline(selectors, selector, ',');) {
      auto& props = values[collapseBlanks(selector)];
      std::smatch d;
      for (auto di = body.cbegin(); std::regex_search(di, body.cend(), d, declaration); di = d.suffix().first)
        props[d[1].str()] = collapseBlanks(d[2].str());
    }
  }
  return values;
}

// The relative luminance of a "#RRGGBB" colour, and the contrast ratio of two.
double luminance(const std::string& hex) {
  EXPECT_TRUE(std::regex_match(hex, std::regex("#[0-9A-Fa-f]{6}"))) << hex;
  if (hex.size() != 7) return 0;
  auto channel = [&](int at) {
    const double c = std::stoi(hex.substr(static_cast<size_t>(at), 2), nullptr, 16) / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(1) + 0.7152 * channel(3) + 0.0722 * channel(5);
}

double contrast(const std::string& a, const std::string& b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The link that has the focus (Tab) stands out in every sheet: its
// background against every background a link stands on (the page, its
// tables and their cells) at least 3:1, its text on it at least 4.5:1.
// Header cells and the decorative strip hold no links.
TEST(StyleSheets, TheFocusedLinkStandsOutInEverySheet) {
  for (const char* name : kSheets) {
    SCOPED_TRACE(name);
    auto values = sheetValues(readInclude(name));
    ASSERT_TRUE(values.count("a:focus")) << "no a:focus rule";
    const std::string focusBackground = values["a:focus"]["background-color"];
    const std::string focusText = values["a:focus"]["color"];
    EXPECT_GE(contrast(focusText, focusBackground), 4.5) << focusText << " on " << focusBackground;
    int surroundings = 0;
    for (const auto& [selector, props] : values) {
      const auto background = props.find("background-color");
      if (background == props.end() || selector == "a:focus") continue;
      if (std::regex_search(selector, std::regex("(^|[ .])(th|menutable|imgbg)\\b"))) continue;
      ++surroundings;
      EXPECT_GE(contrast(focusBackground, background->second), 3.0)
          << "a:focus " << focusBackground << " on " << selector << " " << background->second;
    }
    EXPECT_GE(surroundings, 5) << "the page and its tables";
  }
}

struct KeyRow {
  std::string key;
  std::string description;
};

// The rows of every table of the page whose first cell is a key: key text and
// the second cell's text, tags removed.
std::vector<KeyRow> tableRows(const std::string& html) {
  std::string flat = std::regex_replace(html, std::regex("[\r\n]+"), " ");
  const std::regex row("<tr[^>]*>(.*?)</tr>", std::regex::icase);
  const std::regex cell("<t[dh][^>]*>(.*?)</t[dh]>", std::regex::icase);
  const std::regex tag("<[^>]*>");
  std::vector<KeyRow> rows;
  std::smatch r;
  for (auto it = flat.cbegin(); std::regex_search(it, flat.cend(), r, row); it = r.suffix().first) {
    std::string cells = r[1].str();
    std::vector<std::string> texts;
    std::smatch c;
    for (auto ci = cells.cbegin(); std::regex_search(ci, cells.cend(), c, cell); ci = c.suffix().first)
      texts.push_back(collapseBlanks(std::regex_replace(c[1].str(), tag, "")));
    if (texts.size() >= 2) rows.push_back({texts[0], texts[1]});
  }
  return rows;
}

TEST(HelpPage, ExplainsEveryKeyCommandOnce) {
  // The player's keys as the book pages' tooltips name them.
  const char* const kKeys[] = {
      "F1",
      "ESC",  // help page; closing the bookmark list
      "CTRL+I",
      "CTRL+6",
      "CTRL+7",
      "CTRL+8",
      "CTRL+9",
      "CTRL+0",  // commands without a media file
      "ALT+7",
      "ALT+8",
      "ALT+9",
      "ALT+TASTO[+]",
      "ALT+TASTO[-]",
      "CTRL+ALT+MAIUSC+qualsiasi tasto",  // debug frame
      "CTRL+1",
      "CTRL+2",
      "CTRL+3",
      "CTRL+4",
      "CTRL+TASTO[+]",
      "CTRL+TASTO[-]",  // playback
      "ALT+1",
      "ALT+2",
      "ALT+3",
      "ALT+4",
      "ALT+6",  // bookmarks
      "INVIO",
      "CANC",
      "ALT+F4",  // bookmark list keys; closing the player
  };
  std::vector<KeyRow> rows = tableRows(lumo::text::cp1252ToUtf8(readInclude("HELP.htm")));
  for (const char* key : kKeys) {
    int found = 0;
    for (const KeyRow& row : rows) {
      if (row.key != key) continue;
      ++found;
      EXPECT_GT(row.description.size(), 10u) << key << " has no real description";
    }
    EXPECT_EQ(found, 1) << key;
  }
}

TEST(IncludePages, AreWindows1252AsTheyDeclare) {
  struct Case {
    const char* file;
    const char* accentedWord;  // UTF-8 here, windows-1252 in the file
  } const kCases[] = {{"HELP.htm", "Velocità di lettura"}, {"info.htm", "LumoPlayer è il programma"}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.file);
    std::string bytes = readInclude(c.file);
    std::string lower = lumo::text::toLowerAscii(bytes);
    EXPECT_NE(lower.find("<meta http-equiv=\"content-type\" content=\"text/html; charset=windows-1252\">"),
              std::string::npos);
    // Accented letters saved as UTF-8 would show garbled under that charset.
    EXPECT_FALSE(lumo::text::isValidUtf8(bytes));
    EXPECT_NE(lumo::text::cp1252ToUtf8(bytes).find(c.accentedWord), std::string::npos);
  }
}

TEST(IncludePages, LinkTheirStyleAndOnlyToTargetsThatExist) {
  const std::regex link("(href|src)\\s*=\\s*\"([^\"]*)\"", std::regex::icase);
  const std::regex anchor("name\\s*=\\s*\"([^\"]*)\"", std::regex::icase);
  for (const char* file : {"HELP.htm", "info.htm"}) {
    SCOPED_TRACE(file);
    std::string html = readInclude(file);
    EXPECT_NE(html.find("<link rel=\"stylesheet\" type=\"text/css\" href=\"Style1.css\">"), std::string::npos);
    std::set<std::string> anchors;
    std::smatch m;
    for (auto it = html.cbegin(); std::regex_search(it, html.cend(), m, anchor); it = m.suffix().first)
      anchors.insert(m[1].str());
    int local = 0;
    for (auto it = html.cbegin(); std::regex_search(it, html.cend(), m, link); it = m.suffix().first) {
      std::string target = m[2].str();
      if (target == "#" || target.rfind("#QENP_", 0) == 0) continue;  // window close; player commands
      if (target[0] == '#') {
        EXPECT_TRUE(anchors.count(target.substr(1))) << "no anchor for " << target;
      } else {
        ++local;
        EXPECT_TRUE(std::filesystem::is_regular_file(kInclude / target)) << "missing " << target;
      }
    }
    EXPECT_GT(local, 1) << "the page lost its links to the other files of the folder";
  }
}

TEST(IncludeFolder, HoldsTheStartImageAsAJpegFile) {
  std::string jpg = readInclude("avvio.jpg");
  ASSERT_GT(jpg.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(jpg[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(jpg[1]), 0xD8);
}

}  // namespace
