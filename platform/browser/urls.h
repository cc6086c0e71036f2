#pragma once
// Addresses of the web browser control. Pages are local files named by
// "file://" and their absolute path; a few pages are inline ("about:").
// These helpers work on address text as the pages and the player write it,
// without a round trip through a URL class: a fragment such as
// "#QENP_KEYCMD##KEYCTRL#51" must reach the player exactly as written.

#include <optional>
#include <string>
#include <string_view>

namespace lumo::browser::url {

// The scheme of an address in lower case ("file", "about", "http"), or ""
// when the address has none (a relative reference or a plain path).
std::string scheme(std::string_view address);

// True for schemes the control hands to the desktop (web and mail links).
bool isExternalScheme(std::string_view scheme);

// The address without its fragment (the text from the first "#" on); an
// inline "about:" page has no fragment but for "about:blank#...".
std::string withoutFragment(std::string_view address);

// The fragment without its "#", or nullopt when the address has none.
std::optional<std::string> fragment(std::string_view address);

// The local path a file address names: "file:" and the slashes before the
// path removed, the path percent-decoded, query and fragment dropped.
std::string filePath(std::string_view fileAddress);

// The file address of an absolute path, followed by "rest" (a query or a
// fragment, with its "?" or "#", kept as written).
std::string fileAddress(std::string_view absolutePath, std::string_view rest = {});

// The last path segment of an address as it stands there (still encoded),
// without query or fragment; an "about:" address is its own name.
std::string locationName(std::string_view address);

// Resolves a reference (a link's href, an address given to the control)
// against the address of the current page. Plain absolute paths become
// file addresses; "\" in a local reference counts as "/"; file addresses
// come out in one canonical form (spaces as "%20", fragment as written).
std::string resolve(std::string_view reference, std::string_view base);

// The existing file or folder that a path names, each component matched
// without regard to case when the exact name does not exist (pages and
// style sheets name "INCLUDE/Style1.CSS" for the folder "Include"), by the
// rules of tools::resolvePath.
std::optional<std::string> findPathIgnoringCase(const std::string& path);

}  // namespace lumo::browser::url
