#pragma once
// The state of the page shown and the decisions of its set-up, without a
// window: which of the page's media files plays (and when the page has no
// more of them, which page opens instead), where it starts, the fragment
// that a reload keeps for one navigation, the page's index entry, the one
// resume of the last exit, the hold that keeps a page's own audio start
// from replacing a recalled bookmark, and the bookmark a page recalls once
// it has loaded. The window asks the page and the player; this object
// decides.

#include <cstdint>
#include <string>
#include <string_view>

#include "player/core/media.h"

namespace lumo::player::core {

// The media file a page set-up plays.
struct AudioChoice {
  std::string tag;       // the meta tag that names it
  std::string nextPage;  // the page to open instead ("" for none): a move found no such meta
};

class PageLoad {
 public:
  // ---- Navigation ----
  // Every address the browser is about to open: a fragment kept by a
  // reload lasts through this one navigation only.
  void navigationStarts();
  // A reload of the page shown that keeps its fragment, so that its audio
  // starts again where the fragment says: the address to open (without the
  // fragment). A fragment kept before is kept again when the address has
  // none.
  std::string reloadKeepingFragment(std::string address);
  const std::string& pendingFragment() const { return pendingFragment_; }
  void setPendingFragment(std::string fragment) { pendingFragment_ = std::move(fragment); }

  // ---- The page shown ----
  // A page completed with this location name (its fragment does not
  // count): another page starts its index entries again.
  void pageShown(std::string_view locationName);
  const std::string& currentPage() const { return currentPage_; }
  // The number of the index anchor last reached (Alt+8, Alt+7).
  int16_t currentIndex() const { return currentIndex_; }
  void setCurrentIndex(int16_t index) { currentIndex_ = index; }
  // The reader's style sheet, linked into every page (1, 2, ...).
  int16_t styleNumber() const { return styleNumber_; }
  void setStyleNumber(int16_t number) { styleNumber_ = number; }

  // ---- Audio ----
  // The page's first media file for a start; for a move the next or
  // previous one (never before the first), and when the page names none
  // there, the page its next-page meta of that number names.
  AudioChoice chooseAudio(bool next, bool prev, const PageMeta& meta);
  // The start position text of the chosen media file ("" starts at 0).
  std::string startPosition(std::string_view url, bool moving, const PageMeta& meta) const;
  int32_t audioIndex() const { return audioIndex_; }

  // The position of the last exit, applied once by the page that the
  // splash tick reopened.
  void setResumePending(bool pending) { resumePending_ = pending; }
  bool resumePending() const { return resumePending_; }
  // True once after setResumePending(true).
  bool takeResume();

  // A recalled bookmark plays: the page's own audio start waits until
  // release.
  void holdAutoPlay() { autoPlayHeld_ = true; }
  void releaseAutoPlay() { autoPlayHeld_ = false; }
  bool autoPlayHeld() const { return autoPlayHeld_; }

  // The bookmark (its number) that the page being opened recalls when it
  // has loaded; 0 for none.
  int16_t pendingMarker() const { return pendingMarker_; }
  void setPendingMarker(int16_t n) { pendingMarker_ = n; }

 private:
  std::string pendingFragment_;
  bool keepFragment_ = false;
  std::string currentPage_;
  int16_t currentIndex_ = 0;
  int16_t styleNumber_ = 1;
  int32_t audioIndex_ = 0;
  bool resumePending_ = false;
  bool autoPlayHeld_ = false;
  int16_t pendingMarker_ = 0;
};

}  // namespace lumo::player::core
