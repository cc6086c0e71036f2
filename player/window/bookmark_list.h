#pragma once
// The bookmarks of the page shown in the main window: the settings
// section of the page in the bookmark store, the lists that mirror it
// while the page is shown (the positions and sections by description, the
// rows of the bookmark list and of its hidden companion list), the number
// of the bookmark last chosen, and the bookmark list's commands: the
// recall of the chosen bookmark and its deletion.

#include <QString>
#include <cstdint>

#include "player/core/bookmark_store.h"
#include "player/window/collection.h"

namespace lumo::player {

class frmBrowser;

class BookmarkList {
 public:
  explicit BookmarkList(frmBrowser& window) : w_(window) {}

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

  frmBrowser& w_;
  Collection<double> oMarkers;
  Collection<QString> oMarkersIndex;
  int16_t CurrentMarker_ = 0;
};

}  // namespace lumo::player
