#pragma once
// The key commands and the link keywords carried out on the main window:
// the host of the command runner, which decides what runs; this class
// works the window's player, page and panels for each command.

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "player/core/command_runner.h"

namespace lumo::player {

class frmBrowser;

class BrowserCommands final : public core::CommandHost {
 public:
  explicit BrowserCommands(frmBrowser& window) : w_(window), runner_(*this) {}

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

  frmBrowser& w_;
  core::CommandRunner runner_;
};

}  // namespace lumo::player
