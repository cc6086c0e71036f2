#pragma once
// The set-up of each page that completes in the main window: its bookmarks
// (the summary page lists those of every page), the window's caption, the
// reader's style sheet, the page's audio and a bookmark the page was opened
// for; and the choice of the media file a page means, its loading into the
// player, and the move to the next media file or page when a medium ends.
// The state of the page shown and the decisions are core::PageLoad's; this
// class asks the page and works the window's player and lists.

#include <QString>
#include <cstdint>
#include <string>

#include "player/core/page_load.h"

namespace lumo::player {

class frmBrowser;

class PageSetup {
 public:
  explicit PageSetup(frmBrowser& window) : w_(window) {}

  core::PageLoad& state() { return load_; }

  void documentComplete(const QString& URL);
  // The page's audio: URL's start, or the next or previous media file of
  // the page shown; true when a media file was loaded.
  bool playAudio(const QString& URL, bool bNext, bool bPrev);
  // The content of the page's meta tag ("" when it has none).
  QString pageMeta(const QString& name) const;
  // The bookmarks of every page of the book folders, for the summary page.
  void loadSummaryBookmarks();
  // The heading being read at a place of the page's audio (whole seconds
  // or more): its index link is presented as the one the reader is on.
  void presentHeadingAt(double seconds);

 private:
  // The link of the page's index anchor number n ("" when there is none).
  std::string anchorLink(int32_t n) const;
  // The index link of anchor n gets the keyboard focus (while a panel is
  // open, only the view's selection, for the reader's return) and a screen
  // reader hears its name.
  void presentHeading(int32_t n);
  // The heading a completed navigation opened the page at: the index
  // entry its address names (the one Alt+8 or Alt+7 reached, the one Enter
  // was pressed on), or the one being read where a resumed reading starts.
  void presentOpenedHeading(const QString& URL, bool resumed);

  QString startPosition(const QString& URL, bool moving) const;
  void takeOverMessages();
  void applyReaderStyleSheet();
  bool loadMedia(const QString& URL, const QString& mediaName, const QString& position, QString& step);
  QString findMedia(const QString& URL, const QString& mediaName, bool& video, QString& step) const;

  frmBrowser& w_;
  core::PageLoad load_;
};

}  // namespace lumo::player
