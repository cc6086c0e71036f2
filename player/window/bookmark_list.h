#pragma once
// The bookmarks of the page shown in the main window: the settings
// section of the page in the bookmark store, the lists that mirror it
// while the page is shown (the positions and sections by description, the
// rows of the bookmark list and of its hidden companion list), the number
// of the bookmark last chosen, and the bookmark list's commands: the
// recall of the chosen bookmark and its deletion. It works the window's
// lists and player through the part of the window that BookmarkWindow
// gives it.

#include <QString>
#include <cstdint>
#include <string>

#include "player/core/bookmark_store.h"
#include "player/window/collection.h"

class QListWidget;
class QWidget;

namespace lumo::browser {
class WebBrowser;
}

namespace lumo::player {

class oAnaPlayer;
struct MessageTexts;

namespace core {
class PageLoad;
}

// What the bookmarks work on the main window (frmBrowser).
class BookmarkWindow {
 public:
  virtual ~BookmarkWindow() = default;

  // The window's player: one that raises run-time error 91 while there is
  // none, and the one there may be (nullptr for none).
  virtual oAnaPlayer& player() const = 0;
  virtual oAnaPlayer* anaPlayer() const = 0;
  // The page view; the bookmark list's rows and its hidden companion list
  // of the rows' sections (the summary page's "ABC\CAP1.HTM*12").
  virtual browser::WebBrowser& webBrowser() = 0;
  virtual QListWidget& markerList() = 0;
  virtual QListWidget& sectionList() = 0;
  // The window itself, the parent of the input box, and the panels'
  // colours for that box.
  virtual QWidget& widget() = 0;
  virtual void colourDialog(QWidget& dialog) const = 0;

  // The page shown, the messages, the program's folder and settings name.
  virtual core::PageLoad& pageLoad() = 0;
  virtual const MessageTexts& messages() const = 0;
  virtual const QString& programFolder() const = 0;
  virtual const std::string& appName() const = 0;

  // The on-screen display, the stored reading speed, the page's meta tags
  // and the heading being read at a place of the page's audio.
  virtual void OSD(const QString& Msg, bool Persistent) = 0;
  virtual float PlayerRate() = 0;
  virtual QString pageMeta(const QString& name) const = 0;
  virtual void presentHeadingAt(double seconds) = 0;

  // The bookmark list in place of the page, or the page again; the page's
  // own audio start held for a second after a recall.
  virtual void showBookmarkList(bool open) = 0;
  virtual void holdAutoPlay() = 0;
};

class BookmarkList {
 public:
  explicit BookmarkList(BookmarkWindow& window) : w_(window) {}

  const Collection<double>& positions() const { return oMarkers; }
  const Collection<QString>& sections() const { return oMarkersIndex; }
  // The number of the bookmark last chosen (its row + 1); 0 for none.
  int16_t& CurrentMarker() { return CurrentMarker_; }

  // The page's section in the bookmark store ("LB01\A.HTM").
  QString Section();
  void AddMarcatore(QString& description, int16_t& position);
  void Marcatori(core::MarcatoriMode Mode, const QString& unused, QString& section, int16_t listNumber);
  void ClearMarcatori();
  int16_t MarcatoreCerca(QString& row, QString& section);
  // The recall of bookmark n, or of the list's chosen row when n is 0.
  void MarcatoriRichiama(int16_t& n);

  // The list's own events.
  void click();
  void doubleClick();
  void keyDown(int16_t KeyCode, int16_t Shift);

 private:
  void markersLoad(QString section, int16_t listNumber);
  void markersDelete(core::MarcatoriMode Mode, QString section);
  void reportMarcatori(core::MarcatoriMode Mode, const QString& step);
  void deleteSummaryMarker();
  void presentAfterDelete(int row);
  QString findMarkerAudio(const QString& audio, const QString& section, bool& nearPage);
  QString audioMetaRoot();

  BookmarkWindow& w_;
  Collection<double> oMarkers;
  Collection<QString> oMarkersIndex;
  int16_t CurrentMarker_ = 0;
};

}  // namespace lumo::player
