#pragma once
// Texts written into the suite's HTML pages and XML files, so that a reader
// shows them (and gives them back from the document's tree) exactly as they
// stand.

#include <string>
#include <string_view>

namespace lumo::text {

// Which characters the document's encoding cannot hold, and so go as
// numeric character references (&#937;). ASCII always stands as it is.
enum class References {
  None,                // a UTF-8 document: every character stands as it is
  Windows1252Lacking,  // a windows-1252 document
  BeyondLatin1,        // above U+00FF, so the document reads the same as ISO-8859-1 and as windows-1252
};

struct MarkupRules {
  References references = References::Windows1252Lacking;
  bool quotes = false;      // '"' as &quot;, for attribute values
  bool lineBreaks = false;  // CR and LF as &#13; and &#10;, so a value keeps its line
};

// "&", "<" and ">" as entities, and what the rules add. Bytes that are not
// UTF-8 stay as they stand; anything else stays as it is.
std::string escapeMarkup(std::string_view utf8, MarkupRules rules);

// Text between tags of a windows-1252 page.
std::string htmlText(std::string_view utf8);

// An attribute value between double quotes on a windows-1252 page: as
// htmlText, and '"', CR and LF as references too, so that the value neither
// ends early nor breaks its line.
std::string htmlAttribute(std::string_view utf8);

}  // namespace lumo::text
