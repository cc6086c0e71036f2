// The hrefs under which the view shows a page's links: the rendered page
// writes them (HtmlDocument::renderHtml), the view and its accessible links
// read them back, so both sides must agree on every link number.

#include "platform/browser/view_links.h"

#include <gtest/gtest.h>

#include <QString>

namespace lumo::browser {
namespace {

TEST(ViewLinks, EveryNumberComesBackFromItsHref) {
  for (int n : {0, 1, 9, 10, 12345}) {
    EXPECT_EQ(viewLinkHref(n), "lumo-link:" + std::to_string(n));
    EXPECT_EQ(viewHref(n), QString::fromStdString(viewLinkHref(n)));
    EXPECT_EQ(linkNumber(viewHref(n)), n);
  }
}

TEST(ViewLinks, AnHrefOfThePageItselfIsNoViewLink) {
  for (const char* href : {"", "lumo-link:", "lumo-link:x", "lumo-link3", "lumo-linkx:3", "LUMO-LINK:3",
                           "file:///home/u/lumo/A.htm", "#QENP_KEYCMD##KEYCTRL#51", "http://lumo-link:3"})
    EXPECT_EQ(linkNumber(QString::fromLatin1(href)), -1) << href;
}

}  // namespace
}  // namespace lumo::browser
