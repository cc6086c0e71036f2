#pragma once
// How the view names the links of a page. The page the view shows gives
// link number n of HtmlDocument::links() the href "lumo-link:n" instead of
// its own, so that an activation, a click hook and the accessible link all
// tell exactly which element it was, whatever the page's own hrefs hold.

#include <string>
#include <string_view>

class QString;

namespace lumo::browser {

inline constexpr std::string_view kViewLinkScheme = "lumo-link";

// The href under which the view shows link number n ("lumo-link:3").
std::string viewLinkHref(int n);
QString viewHref(int n);

// The number of the link a view href stands for, or -1.
int linkNumber(const QString& href);

}  // namespace lumo::browser
