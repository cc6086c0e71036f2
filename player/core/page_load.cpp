#include "player/core/page_load.h"

#include "common/bookpage/bookpage.h"

namespace lumo::player::core {

void PageLoad::navigationStarts() {
  if (keepFragment_) {
    keepFragment_ = false;
  } else {
    pendingFragment_.clear();
  }
}

std::string PageLoad::reloadKeepingFragment(std::string address) {
  const size_t hash = address.find('#');
  if (hash != std::string::npos) {
    pendingFragment_ = address.substr(hash + 1);
    address.resize(hash);
    keepFragment_ = true;
  } else if (!pendingFragment_.empty()) {
    keepFragment_ = true;
  }
  return address;
}

void PageLoad::pageShown(std::string_view locationName) {
  const std::string_view name = locationName.substr(0, locationName.find('#'));
  if (name == currentPage_) return;
  currentPage_ = std::string(name);
  currentIndex_ = 0;
}

AudioChoice PageLoad::chooseAudio(bool next, bool prev, const PageMeta& meta) {
  if (!next && !prev) {
    audioIndex_ = 0;
    return {bookpage::audioMeta(0), {}};
  }
  if (next) audioIndex_ += 1;
  if (prev && audioIndex_ >= 1) audioIndex_ -= 1;
  AudioChoice choice{bookpage::audioMeta(audioIndex_), {}};
  if (meta(choice.tag).empty()) choice.nextPage = meta(bookpage::nextPageMeta(audioIndex_));
  return choice;
}

std::string PageLoad::startPosition(std::string_view url, bool moving, const PageMeta& meta) const {
  return core::startPosition(url, pendingFragment_, moving, audioIndex_, meta);
}

bool PageLoad::takeResume() {
  const bool pending = resumePending_;
  resumePending_ = false;
  return pending;
}

}  // namespace lumo::player::core
