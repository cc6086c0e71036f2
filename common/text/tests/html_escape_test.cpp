// Texts for the suite's HTML pages: what is escaped in text and in
// attribute values, and what goes as it stands.

#include "common/text/html_escape.h"

#include <gtest/gtest.h>

namespace lumo::text {
namespace {

TEST(HtmlEscape, MarkupCharactersAndCharactersWindows1252Lacks) {
  struct Case {
    std::string in, text, attribute;
  };
  const Case cases[] = {
      {"Tom & Jerry <1> \"x\"", "Tom &amp; Jerry &lt;1&gt; \"x\"", "Tom &amp; Jerry &lt;1&gt; &quot;x&quot;"},
      {"Èneide € 'a'", "Èneide € 'a'", "Èneide € 'a'"},
      {"/libri/Ωmega 😀", "/libri/&#937;mega &#128512;", "/libri/&#937;mega &#128512;"},
      {"riga\r\nnuova", "riga\r\nnuova", "riga&#13;&#10;nuova"},
      {"citt\xE0 \xFF&", "citt\xE0 \xFF&amp;", "citt\xE0 \xFF&amp;"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(htmlText(c.in), c.text) << c.in;
    EXPECT_EQ(htmlAttribute(c.in), c.attribute) << c.in;
  }
}

}  // namespace
}  // namespace lumo::text
