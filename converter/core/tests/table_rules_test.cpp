// The rules that make the conversion table: heading levels, page kinds,
// groups and durations, checked on tables and texts made by hand.

#include <gtest/gtest.h>

#include "common/errors/errors.h"
#include "converter/core/conversion.h"
#include "converter/core/fileset.h"

using namespace lumo::converter;

TEST(IsSubsectionMarker, LevelTwoHeadings) {
  struct Case {
    const char* text;
    bool level2;
  } cases[] = {
      {"paragrafo primo", true}, {"par uno", true},      {"par. uno", true}, {".. e poi", true},
      {"\u2026 e poi", true},    {"capitolo 1.2", true}, {"1.9", true},      {"sezione.1", true},
      {"capitolo 1.0", false},   {"parte prima", false}, {"par.uno", false}, {"capitolo 1. ", false},
      {"fine.", false},          {"paragrafi", false},   {"", false},        {". 1", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsSubsectionMarker(c.text), c.level2) << c.text;
}

TEST(IsContinuationMarker, FirstMarkersThatContinueThePreviousFile) {
  struct Case {
    const char* t;
    const char* p;
    bool continues;
  } cases[] = {
      {"capitolo terzo", "capitolo terzo", true},  // the same heading goes on
      {"seguente", "x", true},
      {"segue capitolo", "x", true},
      {"cassetta 2", "x", true},
      {"file 3", "x", true},
      {"inizio lato b", "x", true},
      {"il capitolo continua", "x", true},
      {"capitolo quarto", "capitolo terzo", false},
      {"la cassetta", "x", false},
      {"", "", true},
      {"", "x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsContinuationMarker(c.t, c.p), c.continues) << c.t;
}

TEST(LowerText, FoldsTheLatinLettersOfTheIndexEncoding) {
  EXPECT_EQ(lowerText("SEGUE È Perché ŠŒŽŸ Ø × 1.2"), "segue è perché šœžÿ ø × 1.2");
  EXPECT_EQ(lowerText("\xC3"), "\xC3") << "a broken byte stays as it is";
}

TEST(IsNumericLabel, WhatCountsAsANumber) {
  struct Case {
    const char* label;
    bool numeric;
    double value;
  } cases[] = {
      {"12", true, 12},    {" 12 ", true, 12}, {"-3", true, -3},  {"12.5", true, 12.5}, {"12,5", true, 12.5},
      {"1e2", true, 100},  {".5", true, 0.5},  {"12s", false, 0}, {"xii", false, 0},    {"", false, 0},
      {"1.2.3", false, 0}, {"+", false, 0},    {"1e", false, 0},  {"12 a", false, 0},
  };
  for (const Case& c : cases) {
    double value = 0;
    EXPECT_EQ(isNumericLabel(c.label, &value), c.numeric) << c.label;
    if (c.numeric) {
      EXPECT_DOUBLE_EQ(value, c.value) << c.label;
    }
  }
}

namespace {

struct RowCase {
  const char* level;
  int start, end;
  const char* page;
};

void fill(ConversionTable& t, std::initializer_list<RowCase> rows) {
  for (const RowCase& r : rows) {
    const int n = t.addRow(r.level);
    t.setCell(n, Start, std::to_string(r.start));
    t.setCell(n, End, std::to_string(r.end));
    t.setCell(n, Pagina, r.page);
  }
}

std::vector<std::string> column(const ConversionTable& t, int c) {
  std::vector<std::string> out;
  for (int r = 1; r <= t.rowCount(); ++r) out.push_back(t.cell(r, c));
  return out;
}

}  // namespace

TEST(GroupAndDurationPass, GroupsRunFromEachHeadingOverItsLevelZeroRows) {
  Conversion c;
  fill(c.table(),
       {{"1", 0, 10, ""}, {"0", 0, 5, ""}, {"0", 0, 7, ""}, {"2", 7, 20, ""}, {"1", 20, 3745, ""}, {"0", 0, 1, ""}});
  c.GroupPass();
  c.DurationPass();
  c.SetTotals();
  const ConversionTable& t = c.table();
  EXPECT_EQ(column(t, Invoice), (std::vector<std::string>{"3", "", "", "1", "2", ""}));
  EXPECT_EQ(column(t, Durata), (std::vector<std::string>{"22", "", "", "13", "3726", ""}));
  EXPECT_EQ(column(t, Elapsed), (std::vector<std::string>{"0", "", "", "22", "35", ""}));
  EXPECT_EQ(c.summary().Text2, "3761");
  EXPECT_EQ(groupsOf(t).size(), 3u);
}

TEST(GroupAndDurationPass, EdgesOfTheGrouping) {
  {  // every row a heading: one group per row
    Conversion c;
    fill(c.table(), {{"1", 0, 4, ""}, {"1", 4, 9, ""}, {"2", 9, 10, ""}});
    c.GroupPass();
    EXPECT_EQ(column(c.table(), Invoice), (std::vector<std::string>{"1", "1", "1"}));
  }
  {  // row 1 starts a group even at level 0 (a book whose first file has no markers)
    Conversion c;
    fill(c.table(), {{"0", 0, 4, ""}, {"0", 0, 9, ""}});
    c.GroupPass();
    c.DurationPass();
    EXPECT_EQ(column(c.table(), Invoice), (std::vector<std::string>{"2", ""}));
    EXPECT_EQ(column(c.table(), Durata), (std::vector<std::string>{"13", ""}));
  }
  {  // an empty table makes no group and no duration
    Conversion c;
    c.GroupPass();
    c.DurationPass();
    c.SetTotals();
    EXPECT_EQ(c.summary().Text2, "0");
    EXPECT_EQ(c.summary().Text3, "") << "no bytes: the size field stays empty";
  }
}

TEST(PagePass, NormalPagesMustRise) {
  Conversion c;
  fill(c.table(), {{"1", 0, 1, "5"},
                   {"1", 0, 1, "7"},
                   {"1", 0, 1, "6"},
                   {"1", 0, 1, ""},
                   {"1", 0, 1, "xii"},
                   {"1", 0, 1, "7"},
                   {"1", 0, 1, "12"},
                   {"1", 0, 1, "12"}});
  c.PagePass();
  EXPECT_EQ(column(c.table(), Pagina), (std::vector<std::string>{"5", "7", "6s", "", "xii", "7s", "12", "12s"}));
  EXPECT_EQ(c.summary().Text1, "3");
  EXPECT_EQ(c.summary().Text4, "4");
  EXPECT_EQ(c.maxPageNormal(), 12);
}

TEST(PagePass, TheHighestNormalPageIsRoundedHalfToEven) {
  struct Case {
    std::vector<const char*> labels, after;
    int32_t highest;
  } cases[] = {
      {{"2.5", "3"}, {"2.5", "3"}, 3},   // 2.5 keeps 2 as the highest, so 3 still rises
      {{"3.5", "4"}, {"3.5", "4s"}, 4},  // 3.5 makes 4 the highest already
      {{"7.6", "8", "9"}, {"7.6", "8s", "9"}, 9},
      {{"12,5", "12"}, {"12,5", "12s"}, 12},  // a decimal comma reads as a number too
  };
  for (const Case& k : cases) {
    Conversion c;
    for (const char* label : k.labels) {
      const int r = c.table().addRow("1");
      c.table().setCell(r, Pagina, label);
    }
    c.PagePass();
    std::vector<std::string> after(k.after.begin(), k.after.end());
    EXPECT_EQ(column(c.table(), Pagina), after) << k.labels[0];
    EXPECT_EQ(c.maxPageNormal(), k.highest) << k.labels[0];
  }
}

TEST(PagePass, ABookWithoutNormalPages) {
  Conversion c;
  fill(c.table(), {{"1", 0, 1, ""}, {"1", 0, 1, "iv"}, {"1", 0, 1, "-1"}});
  c.PagePass();
  EXPECT_EQ(c.maxPageNormal(), -1);
  EXPECT_EQ(c.summary().Text1, "0");
  EXPECT_EQ(c.summary().Text4, "2");
  EXPECT_EQ(c.table().cell(3, Pagina), "-1s") << "-1 is not above the start value -1";
}

TEST(ConversionTable, RowNumbersAreSixteenBit) {
  ConversionTable t;
  for (int r = 0; r < ConversionTable::kMaxRows; ++r) t.addRow("1");
  try {
    t.addRow("1");
    FAIL() << "row 32768 was added";
  } catch (const lumo::RuntimeError& e) {
    EXPECT_EQ(e.number(), lumo::err::Overflow);
  }
  EXPECT_THROW(t.cell(0, Start), lumo::RuntimeError);
}

TEST(ClockForm, HoursMinutesSeconds) {
  EXPECT_EQ(clockForm(3725), "1:02:05");
  EXPECT_EQ(clockForm(59), "0:00:59");
  EXPECT_EQ(clockForm(0), "0:00:00");
  EXPECT_EQ(clockForm(36000 + 61), "10:01:01");
  EXPECT_EQ(sixDigits(1), "000001");
  EXPECT_EQ(sixDigits(123456), "123456");
}
