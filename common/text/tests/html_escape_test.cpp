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

TEST(HtmlEscape, WhichCharactersBecomeReferences) {
  struct Case {
    References references;
    std::string in, out;
  };
  const Case cases[] = {
      // A file read alike as ISO-8859-1 and as windows-1252: "€" and "…"
      // become references although windows-1252 holds them.
      {References::BeyondLatin1, "è ÿ €… Ł \"&\" \xE0", "è ÿ &#8364;&#8230; &#321; &quot;&amp;&quot; \xE0"},
      // A UTF-8 page: every character stands as it is, but the markup.
      {References::None, "/libri/Ωmega 😀 <\"\r\n\">", "/libri/Ωmega 😀 &lt;&quot;\r\n&quot;&gt;"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(escapeMarkup(c.in, {.references = c.references, .quotes = true}), c.out) << c.in;
}

}  // namespace
}  // namespace lumo::text
