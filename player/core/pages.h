#pragma once
// Page addresses as the player's commands use them: the settings section
// that holds a page's bookmarks, the summary page, the folder of a page,
// and the local path that a media link names.

#include <string>
#include <string_view>
#include <vector>

namespace lumo::player::core {

// The page section text of an address: the name of the settings section
// that holds the page's bookmarks ("LB01\A.HTM" for the page A.htm in the
// folder LB01 of the program folder). The program folder is removed
// wherever it occurs; a page outside it loses the mount point it lies on,
// as a page on another drive lost its drive letter, so that a disc keeps
// its bookmarks wherever it is mounted. ".html" and ".htm" share a section.
std::string SectionText(std::string_view url, std::string_view programFolder,
                        const std::vector<std::string>& mountRoots);

// The summary page: an address whose last 20 characters, in upper case,
// hold "INDEX.HTM".
bool isSummaryPage(std::string_view url);

// The address of the folder a page lies in: the page's address without
// query and fragment, up to and including its last "/".
std::string pageFolderAddress(std::string_view address);

// The local path that a media link names (VB's PulisciUrl): the address
// of the page shown (location, with or without its fragment) is taken
// out, then what stands before a "#" and before a "?"; a name that is
// still relative, of a link outside the program folder, is put in the
// page's folder; backslashes become "/", doubled slashes and "file:" go,
// "%20" is a blank and every "@" is dropped.
std::string PulisciUrl(std::string_view url, std::string_view location, std::string_view programFolder);

// A media path without the page extensions a link may carry (every ".htm"
// and ".HTM").
std::string withoutPageExtensions(std::string path);

}  // namespace lumo::player::core
