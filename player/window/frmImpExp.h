#pragma once
// frmImpExp, the file panel of the bookmark panel: the reader picks a
// folder (drive list of the mount roots, folder list) and a file (file list,
// name box), then OK exports the player's whole settings tree (every setting
// and every page's bookmarks) to a REGEDIT4 file, or imports such a file or
// a hive file (".qen") saved on Windows, after writing a backup of the
// current tree to QENPlayer_Backup.reg in the home folder.
//
// The panel lies over the bookmark list; its mode is told by the name box:
// shown for an export, hidden for an import. The buttons "&OK" and
// "&Annulla" (cmdImpExp 2 and 3) belong to the main window's button array.
// Every control is reached with Tab; arrows move in the lists, Enter in
// the folder list opens the folder, Enter in the name box is OK.

#include <QGroupBox>
#include <QString>
#include <cstdint>
#include <string>

#include "player/core/bookmark_store.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace lumo::browser {
class WebBrowser;
}

namespace lumo::player {

struct MessageTexts;

// What the file panel works on the main window (frmBrowser) that holds it.
class ImpExpWindow {
 public:
  virtual ~ImpExpWindow() = default;

  // The page view (the page shown names the bookmarks the list reloads),
  // the bookmark list's rows, which the panel lies over, and the buttons
  // of the window's array (0, 1 and 4 stand beside the list, 2 and 3 on
  // the panel).
  virtual browser::WebBrowser& webBrowser() = 0;
  virtual QListWidget& markerList() = 0;
  virtual QWidget& impExpButton(int Index) = 0;
  virtual bool bookmarkListOpen() const = 0;
  virtual void cmdImpExp_Click(int16_t Index) = 0;

  // The on-screen display, the messages, the settings name and the reader
  // switch, which an import leaves as it is.
  virtual void OSD(const QString& Msg, bool Persistent) = 0;
  virtual const MessageTexts& messages() const = 0;
  virtual const std::string& appName() const = 0;
  virtual bool audioOff() const = 0;

  // The bookmark list loaded again after an import: the page's, or on the
  // summary page those of every page.
  virtual void ClearMarcatori() = 0;
  virtual void Marcatori(core::MarcatoriMode Mode, const QString& unused, QString& section, int16_t listNumber) = 0;
  virtual void loadSummaryBookmarks() = 0;
};

class frmImpExp : public QGroupBox {
  Q_OBJECT
 public:
  frmImpExp(ImpExpWindow& owner, QWidget* parent);

  QComboBox* Drive;   // the mount roots, each ending in "/"
  QListWidget* Dir;   // the folders above the current one, it, and its subfolders
  QListWidget* File;  // the files of the file list's folder that match its pattern
  QLabel* lblNomeFile;
  QLineEdit* TextFileName;

  // The folder list's folder (without a trailing "/" but for "/"); setting
  // it to something that is no folder raises error 76 and changes nothing.
  const QString& DirPath() const { return dirPath_; }
  void setDirPath(const QString& path);
  // The file list's folder and its patterns ("*.reg;*.qen", without regard
  // to case); setting either reads the list again.
  const QString& FilePath() const { return filePath_; }
  void setFilePath(const QString& path);
  const QString& FilePattern() const { return pattern_; }
  void setFilePattern(const QString& pattern);
  void refreshFiles();

  bool exportMode() const;

  // The buttons: open for export (0) or import (1), OK (2), Annulla (3).
  void openPanel(bool forExport);
  void carryOut();
  // Annulla; also when the bookmark panel opens or closes, so that it
  // always opens on its list.
  void cancel();
  // The file list's top and height for the mode shown.
  void placeFileList();

  // The list handlers.
  void Drive_Change();
  void Dir_Change();
  void Dir_KeyDown(int16_t KeyCode, int16_t Shift);
  void Dir_DblClick();
  void File_Click();
  void File_DblClick();
  void File_KeyDown(int16_t KeyCode, int16_t Shift);

  // The player's settings tree in the store, and the files of the home folder.
  static std::string settingsTree();
  static QString backupFile();       // QENPlayer_Backup.reg
  static QString debugExportFile();  // provatxt.reg

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void closePanel(bool refresh);
  void exportTo(const QString& folder, const QString& typed);
  void importFrom(const QString& fullName, const QString& typed);
  void fillFolders();

  ImpExpWindow& w_;
  QString dirPath_;
  QString filePath_;
  QString pattern_ = QStringLiteral("*.reg;*.qen");
};

}  // namespace lumo::player
