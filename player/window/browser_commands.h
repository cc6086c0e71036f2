#pragma once
// The key commands and the link keywords carried out on the main window:
// the host of the command runner, which decides what runs; this class
// works the window's player, page and panels for each command, through
// the part of the window that CommandWindow gives it.

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "player/core/bookmark_store.h"
#include "player/core/command_runner.h"
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

// What the commands work on the main window (frmBrowser). Any member may
// throw; the command that called it reports the error.
class CommandWindow {
 public:
  virtual ~CommandWindow() = default;

  // The window's player (run-time error 91 while there is none), the page
  // view and the bookmark list's rows.
  virtual oAnaPlayer& player() const = 0;
  virtual browser::WebBrowser& webBrowser() = 0;
  virtual QListWidget& markerList() = 0;
  // The window itself, the parent of the input box, and the panels'
  // colours for that box.
  virtual QWidget& widget() = 0;
  virtual void colourDialog(QWidget& dialog) const = 0;

  // What the window holds: the page shown, the messages, the program's
  // folder and settings name, the home page, the reader switch.
  virtual core::PageLoad& pageLoad() = 0;
  virtual const MessageTexts& messages() const = 0;
  virtual const QString& programFolder() const = 0;
  virtual const std::string& appName() const = 0;
  virtual const QString& homeUrl() const = 0;
  virtual bool audioOff() const = 0;
  virtual void SetAudioOff(bool flag) = 0;

  // The on-screen display, the stored reading speed, the page's audio and
  // its meta tags, a key command run from a link.
  virtual void OSD(const QString& Msg, bool Persistent) = 0;
  virtual float PlayerRate() = 0;
  virtual void PlayerRate(float value) = 0;
  virtual bool Playaudio(const QString& URL, bool bNext, bool bPrev) = 0;
  virtual QString pageMeta(const QString& name) const = 0;
  virtual void Form_KeyDown(int16_t KeyCode, int16_t Shift) = 0;

  // The page's bookmarks: the store's procedures, the positions by
  // description, the number of the one last chosen and its recall.
  virtual void AddMarcatore(QString& description, int16_t& position) = 0;
  virtual void Marcatori(core::MarcatoriMode Mode, const QString& unused, QString& section, int16_t listNumber) = 0;
  virtual void ClearMarcatori() = 0;
  virtual const Collection<double>& markers() const = 0;
  virtual int16_t& CurrentMarker() = 0;
  virtual void MarcatoriRichiama(int16_t& n) = 0;

  // The panels: the bookmark list in place of the page, the configuration
  // panel (its focus comes back where it was), the debug frame; the boxes
  // of the configuration panel that the commands read or fill (their
  // change handlers store what they are given).
  virtual bool bookmarkListOpen() const = 0;
  virtual void showBookmarkList(bool open) = 0;
  virtual bool configurationOpen() const = 0;
  virtual void openConfiguration() = 0;
  virtual void closeConfiguration() = 0;
  virtual void toggleDebugFrame() = 0;
  virtual double skipStep() const = 0;  // seconds, in the regional format
  virtual void showVolume(const QString& volume) = 0;
  virtual void showRate(const QString& rate) = 0;
};

class BrowserCommands final : public core::CommandHost {
 public:
  explicit BrowserCommands(CommandWindow& window) : w_(window), runner_(*this) {}

  core::CommandRunner& runner() { return runner_; }

  // The same file loaded again, at the same position, playing at the speed
  // it had when a bookmark command paused it.
  void resumeReading();

 private:
  // core::CommandHost
  bool bookmarkListOpen() override;
  bool fileLoaded() override;
  void help() override;
  bool run(core::Command command) override;
  void reloadAudio() override;
  void linkPlayback(bookpage::LinkKind kind) override;
  void announcePlayback(bookpage::LinkKind kind) override;
  void keyLink(std::string_view codeText, int16_t shift) override;
  void mediaLink(const core::MediaLink& link) override;

  QString positionText();  // the playing position as "MM:SS"
  void skipBack();
  void skipForward();
  void changeVolume(bool up);
  // The next reading speed up or down, wrapping from 2 to 0.5 and from 0.6
  // to 2.
  double RateChange(double Rate, bool Up);
  void stepRate(bool up);
  void threeSpeedCycle();
  void toggleConfiguration();
  void switchReader();
  bool otherPage(bool next);
  void nextStyleSheet();
  void nextIndexEntry();
  void previousIndexEntry();
  std::string indexLink(int32_t number) const;
  void deleteAllMarkers();
  void addBookmark();
  void pauseForBookmarks();
  void toggleBookmarkList();
  void recallNeighbour(bool next);
  // The local path that a media link names.
  QString PulisciUrl(const QString& url);

  CommandWindow& w_;
  core::CommandRunner runner_;
};

}  // namespace lumo::player
