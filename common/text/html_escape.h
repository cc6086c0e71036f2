#pragma once
// Texts written into the suite's HTML pages, so that a browser shows them
// (and gives them back from the page's tree) exactly as they stand.

#include <string>
#include <string_view>

namespace lumo::text {

// Text between tags: "&", "<" and ">" as entities, and every character
// windows-1252 lacks as a numeric character reference (&#937;), so that a
// windows-1252 page holds it. Bytes that are not UTF-8 stay as they stand;
// anything else stays as it is.
std::string htmlText(std::string_view utf8);

// An attribute value between double quotes: as htmlText, and '"', CR and LF
// as references too, so that the value neither ends early nor breaks its
// line.
std::string htmlAttribute(std::string_view utf8);

}  // namespace lumo::text
