#include "player/core/media.h"

#include "common/bookpage/bookpage.h"
#include "common/text/text.h"

namespace lumo::player::core {

std::string startPosition(std::string_view url, std::string_view pendingFragment, bool moving, int32_t audioIndex,
                          const PageMeta& meta) {
  const std::string_view keyword = bookpage::kPositionKeyword;
  if (!moving && pendingFragment.find(keyword) != std::string_view::npos)
    return bookpage::positionText(pendingFragment);
  if (url.find(keyword) != std::string_view::npos) return bookpage::positionText(url);
  return meta(bookpage::positionMeta(moving ? audioIndex : 0));
}

bool hasExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const size_t slash = name.rfind('/');
  return slash == std::string_view::npos || dot > slash;
}

const std::vector<std::string>& probedExtensions() {
  static const std::vector<std::string> list{".wma", ".wmv", ".mp3", ".wav", ".m1v", ".avi"};
  return list;
}

bool isVideoName(std::string_view name) {
  for (const std::string_view ext : {".wmv", ".m1v", ".avi"})
    if (name.size() >= ext.size() && text::iequals(name.substr(name.size() - ext.size()), ext)) return true;
  return false;
}

std::vector<std::pair<std::string, std::string>> mediaCandidates(std::string_view mediaName,
                                                                 std::string_view pageFolder,
                                                                 std::string_view programFolder) {
  const std::string name = bookpage::replaceAll(std::string(mediaName), "\\", "/");
  const std::string program(programFolder);
  return {{name, "Controllo esistenza file " + name},
          {std::string(pageFolder) + name, "Controllo esistenza file1"},
          {program + "/" + name, "Controllo esistenza file2"},
          {program + "/Libro/" + name, "Controllo esistenza file2"}};
}

}  // namespace lumo::player::core
