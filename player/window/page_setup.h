#pragma once
// The set-up of each page that completes in the main window: its bookmarks
// (the summary page lists those of every page), the window's caption, the
// reader's style sheet, the page's audio and a bookmark the page was opened
// for; and the choice of the media file a page means, its loading into the
// player, and the move to the next media file or page when a medium ends.
// The state of the page shown and the decisions are core::PageLoad's; this
// class asks the page and works the window's player and lists, through the
// part of the window that PageWindow gives it.

#include <QString>
#include <cstdint>
#include <string>

#include "player/core/bookmark_store.h"
#include "player/core/page_load.h"

class QListWidget;
class QWidget;

namespace lumo::browser {
class WebBrowser;
}

namespace lumo::player {

class oAnaPlayer;
struct MessageTexts;

// What the page set-up works on the main window (frmBrowser).
class PageWindow {
 public:
  virtual ~PageWindow() = default;

  // The window's player (run-time error 91 while there is none), the page
  // view, the bookmark list's rows, and the window itself, whose caption
  // is the page's title.
  virtual oAnaPlayer& player() const = 0;
  virtual browser::WebBrowser& webBrowser() = 0;
  virtual QListWidget& markerList() = 0;
  virtual QWidget& widget() = 0;

  // The program's folder, a setting of the player, the stored reading
  // speed; the messages, which a summary page replaces with its own.
  virtual const QString& programFolder() const = 0;
  virtual std::string playerSetting(const char* key, const char* defaultValue) const = 0;
  virtual float PlayerRate() = 0;
  virtual MessageTexts& messageTexts() = 0;

  // The page's bookmarks: the store's procedures and the recall.
  virtual void Marcatori(core::MarcatoriMode Mode, const QString& unused, QString& section, int16_t listNumber) = 0;
  virtual void ClearMarcatori() = 0;
  virtual void MarcatoriRichiama(int16_t& n) = 0;

  // A panel holds the reader's focus; the panels take the reader's style.
  virtual bool panelOpen() const = 0;
  virtual void applyStyleColours() = 0;
};

class PageSetup {
 public:
  explicit PageSetup(PageWindow& window) : w_(window) {}

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

  PageWindow& w_;
  core::PageLoad load_;
};

}  // namespace lumo::player
