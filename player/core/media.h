#pragma once
// The media file a page means: its start position (from the position
// keyword of the address or of a fragment kept across a reload, else from
// the page's position meta), the places it is looked for, and the names
// completed by probing extensions.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumo::player::core {

// The content of a page's meta tag by name ("" when the page lacks it).
using PageMeta = std::function<std::string(const std::string& name)>;

// The start position text of the page's media file: a fragment kept
// across a reload names a place in the media file the page starts with, so
// only a start (not a move to the page's next or previous medium) uses it;
// then the address's own position keyword; else the position meta of the
// medium (of media file audioIndex when moving). "" starts at 0.
std::string startPosition(std::string_view url, std::string_view pendingFragment, bool moving, int32_t audioIndex,
                          const PageMeta& meta);

// A media name has an extension when its last "." lies after its last "/".
bool hasExtension(std::string_view name);
// The extensions a media name without one is completed with, in order.
const std::vector<std::string>& probedExtensions();
// ".wmv", ".m1v" and ".avi" (any case) are videos.
bool isVideoName(std::string_view name);

// Where a page's media name is looked for, in order, each with the step
// its failure is reported under: the name itself (a full path), beside the
// page (pageFolder ends with "/"), in the program folder and in its
// "Libro" folder. Backslashes of the name count as "/".
std::vector<std::pair<std::string, std::string>> mediaCandidates(std::string_view mediaName,
                                                                 std::string_view pageFolder,
                                                                 std::string_view programFolder);

}  // namespace lumo::player::core
