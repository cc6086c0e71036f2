// The file picker's filters as the programs give them.

#include <gtest/gtest.h>

#include <QString>

#include "platform/ui/ui_qt.h"

namespace {

TEST(QtPickers, EachFilterShowsItsPatternsOnce) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> filters;
    const char* shown;
  } const cases[] = {
      // The converter's and the splitter's index picker: the descriptions
      // carry their patterns already (one with a trailing blank).
      {{{"Files per creazione indice Lumo (*.qv) ", "*.qv"}, {"Files marcatori creati (marker.txt)", "marker.txt"}},
       "Files per creazione indice Lumo (*.qv);;Files marcatori creati (marker.txt)"},
      {{{"Testo", "*.txt;*.qv"}}, "Testo (*.txt *.qv)"},
      // A bracket that is not the patterns is only part of the description.
      {{{"Indici (vecchi)", "*.qv"}}, "Indici (vecchi) (*.qv)"},
      {{}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lumo::ui::qtNameFilters(c.filters).toStdString(), c.shown);
  }
}

}  // namespace
