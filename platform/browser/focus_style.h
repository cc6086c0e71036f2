#pragma once
// The look of the focused link. The page view knows no ":focus" in its
// style sheets; it draws the link that has the keyboard focus (the link
// Tab selects) in the colours of the sheets' "a:focus" rule instead.

#include <QColor>
#include <optional>
#include <string_view>

class QTextBrowser;

namespace lumo::browser {

class HtmlDocument;

struct FocusColours {
  std::optional<QColor> color;       // the text of the focused link
  std::optional<QColor> background;  // behind it
};

// The colours that CSS text's rules for a selector ("body", "a:focus")
// give: "color", and "background-color" or a colour in "background"; a
// later declaration wins over an earlier one.
FocusColours ruleColours(std::string_view css, std::string_view selector);
// The "a:focus" rule of CSS text.
FocusColours focusRule(std::string_view css);
// The same over a page's style sheets in cascade order.
FocusColours focusRuleOf(const HtmlDocument& document);

// Makes the view draw its selected link (the focused one) in the colours of
// the page's "a:focus" rule; colours the rule leaves out keep the view's
// defaults.
void applyFocusRule(QTextBrowser& view, const HtmlDocument& document);

}  // namespace lumo::browser
