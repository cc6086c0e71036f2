#pragma once
// The command runner without a window: a key with its shift state, or a
// link that carries one of the player's keywords, becomes the commands of
// the key table and the link keywords, in the window's order. The host
// (the window) carries each command out; the runner holds what the
// commands share: the key codes the load set, the reading that a bookmark
// command paused and the volume scale of the player version.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/bookpage/bookpage.h"
#include "player/core/keytable.h"
#include "player/core/links.h"
#include "player/core/rules.h"

namespace lumo::player::core {

// What carries the commands out. Any of these may throw; the runner lets
// the error through to the caller, which reports it.
class CommandHost {
 public:
  virtual ~CommandHost() = default;
  // The state the key table's groups depend on.
  virtual bool bookmarkListOpen() = 0;
  virtual bool fileLoaded() = 0;
  // F1: the help page.
  virtual void help() = 0;
  // One command of the key table; false when it found nothing to do (a
  // page key on a page that names no such page).
  virtual bool run(Command command) = 0;

  // The link keywords: the page's audio again; the player's part of a
  // stop, pause or play link, then the message that confirms it; a key
  // command link with its code's text as the page wrote it; a media link.
  virtual void reloadAudio() = 0;
  virtual void linkPlayback(bookpage::LinkKind kind) = 0;
  virtual void announcePlayback(bookpage::LinkKind kind) = 0;
  virtual void keyLink(std::string_view codeText, int16_t shift) = 0;
  virtual void mediaLink(const MediaLink& link) = 0;
};

// How far the dispatch of one key got, for the report of a command that
// failed.
struct KeyDispatch {
  std::string step = "Form KeyDown: inizializzazione";
  bool ran = false;  // a command ran (also when it then failed)
};

// The reading a bookmark command paused, resumed at its speed.
struct PausedReading {
  bool wasPlaying = false;
  float savedRate = 1.0f;
};

class CommandRunner {
 public:
  explicit CommandRunner(CommandHost& host) : host_(host) {}

  // A key: F1 ends the dispatch; then the command that needs no media
  // file, the playback command (Ctrl, with a file loaded) and the bookmark
  // command (Alt). dispatch.ran tells whether the key ran a command, so
  // that it goes no further.
  void key(int16_t keyCode, int16_t shift, KeyDispatch& dispatch);
  // An address the browser is about to open: its keyword's command runs
  // and cancel is set once it has, so that the browser does not open it.
  void link(std::string_view address, bool& cancel);

  KeyCodes& keys() { return keys_; }
  const KeyCodes& keys() const { return keys_; }
  PausedReading& paused() { return paused_; }
  const PausedReading& paused() const { return paused_; }
  const VolumeLimits& volumeLimits() const { return volume_; }
  void setVolumeLimits(const VolumeLimits& limits) { volume_ = limits; }

 private:
  bool run(Command command) { return host_.run(command); }

  CommandHost& host_;
  KeyCodes keys_;
  PausedReading paused_;
  VolumeLimits volume_ = volumeLimitsOf(0);
};

}  // namespace lumo::player::core
