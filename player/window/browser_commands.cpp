// BrowserCommands: the key commands and the link keywords carried out on
// the main window. Every command is a key with an exact combination of
// Shift (1), Ctrl (2) and Alt (4): one group needs no media file, the Ctrl
// playback group needs a loaded file, the Alt bookmark group works with or
// without one. Book pages send the same commands through their key command
// links, so this map is also the pages' command set; an address that
// carries one of the player's keywords runs its command instead of opening.

#include "player/window/browser_commands.h"

#include <QLineEdit>
#include <QListWidget>
#include <string>
#include <string_view>

#include "common/bookpage/bookpage.h"
#include "common/text/text.h"
#include "platform/browser/urls.h"
#include "platform/browser/webbrowser.h"
#include "platform/registry/registry.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"
#include "player/core/keytable.h"
#include "player/core/links.h"
#include "player/core/page_load.h"
#include "player/core/pages.h"
#include "player/core/rules.h"
#include "player/media_host/mdlMain.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/frmInputBox.h"
#include "player/window/messages.h"
#include "player/window/window_constants.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

// ---- The key table's commands ------------------------------------------------------

bool BrowserCommands::bookmarkListOpen() { return w_.bookmarkListOpen(); }

bool BrowserCommands::fileLoaded() { return !w_.player().FileName().isEmpty(); }

void BrowserCommands::help() {
  w_.webBrowser().Navigate2(QString::fromStdString(
      browser::url::fileAddress(shell::resolvePath(w_.programFolder().toStdString() + "/include/help.htm"))));
}

// Runs one command of the key table; false when it found nothing to do
// (a page key on a page that names no such page).
bool BrowserCommands::run(core::Command command) {
  using C = core::Command;
  switch (command) {
    case C::Help: break;  // handled before the table: it ends the dispatch
    case C::CloseBookmarkList:
      if (runner_.paused().wasPlaying) resumeReading();
      w_.showBookmarkList(false);
      break;
    case C::ToggleDebug: w_.toggleDebugFrame(); break;
    case C::NextStyle: nextStyleSheet(); break;
    case C::NextIndexEntry: nextIndexEntry(); break;
    case C::PreviousIndexEntry: previousIndexEntry(); break;
    case C::Slower: stepRate(false); break;
    case C::Faster: stepRate(true); break;
    case C::Home: w_.webBrowser().Navigate2(w_.homeUrl()); break;
    case C::ThreeSpeedCycle: threeSpeedCycle(); break;
    case C::ToggleConfiguration: toggleConfiguration(); break;
    case C::PreviousPage: return otherPage(false);
    case C::NextPage: return otherPage(true);
    case C::SwitchReader: switchReader(); break;
    case C::SkipBack: skipBack(); break;
    case C::SkipForward: skipForward(); break;
    case C::ToStart:
      w_.player().setCurrentPosition(0);
      w_.OSD(QStringLiteral("INIZIO ") + positionText(), false);
      break;
    case C::Stop:
      w_.player().Stop_Player();
      w_.player().setCurrentPosition(0);
      w_.OSD(QStringLiteral("STOP ") + positionText(), false);
      break;
    case C::PlayPause:
      w_.player().StopPlay();
      if (w_.player().IsPlaying()) {
        w_.OSD(QStringLiteral("PLAY ") + positionText(), false);
      } else {
        w_.OSD(QStringLiteral("PAUSA ") + positionText() + QStringLiteral(" premere ctrl+3"), true);
      }
      break;
    case C::VolumeUp: changeVolume(true); break;
    case C::VolumeDown: changeVolume(false); break;
    case C::DeleteAllBookmarks: deleteAllMarkers(); break;
    case C::AddBookmark: addBookmark(); break;
    case C::ToggleBookmarkList: toggleBookmarkList(); break;
    case C::NextBookmark: recallNeighbour(true); break;
    case C::PreviousBookmark: recallNeighbour(false); break;
  }
  return true;
}

QString BrowserCommands::positionText() { return strtempo(text::toInt32(w_.player().CurrentPosition())); }

// ---- Reading --------------------------------------------------------------------------

void BrowserCommands::skipBack() {
  Trap(QStringLiteral("Form_KeyDown Indietro - Form KeyDown: inizializzazione"), [&] {
    oAnaPlayer& p = w_.player();
    if (p.IsPlaying()) {
      // The step is read only when it is used: a paused reader who asks
      // for the time gets it whatever the panel's box holds.
      const double step = w_.skipStep();
      const core::Skip skip = core::skipBack(p.CurrentPosition(), step, w_.pageLoad().audioIndex());
      if (skip.move == core::SkipMove::Seek) {
        p.setCurrentPosition(skip.position);
      } else if (skip.move == core::SkipMove::PreviousAudio && w_.Playaudio(QString(), false, true)) {
        p.setCurrentPosition(p.Duration().toDouble() - step);
      } else {
        p.setCurrentPosition(0);
        p.Play_Player();
      }
    }
    w_.OSD(QStringLiteral("INDIETRO ") + positionText(), false);
  });
}

void BrowserCommands::skipForward() {
  Trap(QStringLiteral("Form_KeyDown Avanti - Form KeyDown: inizializzazione"), [&] {
    oAnaPlayer& p = w_.player();
    if (p.IsPlaying()) {
      const double step = w_.skipStep();
      const core::Skip skip = core::skipForward(p.CurrentPosition(), step, p.Duration().toDouble());
      if (skip.move == core::SkipMove::Seek) {
        p.setCurrentPosition(skip.position);
      } else if (!w_.Playaudio(QString(), true, false)) {
        p.setCurrentPosition(skip.position);
        p.Play_Player();
      }
    }
    w_.OSD(QStringLiteral("AVANTI ") + positionText(), false);
  });
}

void BrowserCommands::changeVolume(bool up) {
  oAnaPlayer& p = w_.player();
  p.setVolume(core::steppedVolume(p.Volume().toLongLong(), up, runner_.volumeLimits()));
  const QString volume = QString::number(p.Volume().toLongLong());
  w_.OSD(QStringLiteral("Volume - ") + volume, false);
  w_.showVolume(volume);  // its change handler stores the setting
}

double BrowserCommands::RateChange(double Rate, bool Up) {
  double result = 0;
  Trap(QStringLiteral("RateChange"), [&] { result = core::RateChange(Rate, Up); });
  return result;
}

void BrowserCommands::stepRate(bool up) {
  oAnaPlayer& p = w_.player();
  p.setRate(static_cast<float>(RateChange(p.Rate(), up)));
  w_.PlayerRate(p.Rate());
  w_.OSD((up ? QStringLiteral("Lettura più veloce - Rate ") : QStringLiteral("Lettura più lenta - Rate ")) +
             singleText(p.Rate()),
         false);
}

void BrowserCommands::threeSpeedCycle() {
  oAnaPlayer& p = w_.player();
  const core::SpeedStep next = core::threeSpeedCycle(p.Rate());
  p.setRate(next.rate);
  w_.OSD(QString::fromUtf8(next.message.data(), qsizetype(next.message.size())) + singleText(p.Rate()), false);
  w_.PlayerRate(p.Rate());
}

void BrowserCommands::toggleConfiguration() {
  w_.OSD(QStringLiteral("Pannello configurazione"), false);
  if (w_.configurationOpen()) {
    w_.closeConfiguration();
  } else {
    w_.openConfiguration();
  }
  w_.showRate(singleText(w_.PlayerRate()));  // its change handler stores it back
}

void BrowserCommands::switchReader() {
  w_.SetAudioOff(!w_.audioOff());
  registry::SaveSetting(w_.appName(), kPlayerSection, "AudioOff", flagText(w_.audioOff()).toStdString());
  w_.OSD(w_.audioOff() ? QStringLiteral("Lettura disattivata") : QStringLiteral("Lettura attiva"), false);
}

// ---- Pages and index entries ----------------------------------------------------------

// The previous or next page that the page's meta tag names, beside the page
// shown; false when the page names none.
bool BrowserCommands::otherPage(bool next) {
  const QString name =
      w_.pageMeta(QString::fromStdString(next ? bookpage::nextPageMeta(1) : std::string(bookpage::kPreviousPageMeta)));
  if (name.isEmpty()) return false;
  w_.OSD(next ? QStringLiteral("File successivo") : QStringLiteral("File precedente"), false);
  w_.webBrowser().Navigate2(
      QString::fromStdString(core::pageFolderAddress(w_.webBrowser().LocationURL().toStdString())) + name);
  return true;
}

void BrowserCommands::nextStyleSheet() {
  core::PageLoad& load = w_.pageLoad();
  const auto n = static_cast<int16_t>(load.styleNumber() + 1);
  const std::string next = w_.programFolder().toStdString() + "/include/style" + std::to_string(n) + ".css";
  load.setStyleNumber(shell::existsNoCase(next) ? n : int16_t(1));
  w_.OSD(QStringLiteral("Stile ") + QString::number(load.styleNumber()), false);
  registry::SaveSetting(w_.appName(), kPlayerSection, "StyleSheet", std::to_string(load.styleNumber()));
  // The page is loaded again with the new sheet; its fragment is kept, so
  // its audio starts again where the fragment says.
  const QString address =
      QString::fromStdString(load.reloadKeepingFragment(w_.webBrowser().LocationURL().toStdString()));
  if (w_.player().IsPlaying()) w_.player().Stop_Player();
  w_.webBrowser().Navigate2(address);
  DoEvents();
}

std::string BrowserCommands::indexLink(int32_t number) const {
  std::string link;
  skipOnError([&] {
    const browser::HtmlElement anchor = w_.webBrowser().Document().All(bookpage::indexAnchorName(number));
    if (anchor) link = anchor.href();
  });
  return link;
}

void BrowserCommands::nextIndexEntry() {
  core::PageLoad& load = w_.pageLoad();
  const auto playing = static_cast<int32_t>(text::roundHalfEven(w_.player().CurrentPosition()));
  const core::IndexMove move =
      core::nextIndexEntry(load.currentIndex(), playing, [this](int32_t n) { return indexLink(n); });
  if (move.index) load.setCurrentIndex(*move.index);
  if (move.target.empty()) {
    w_.OSD(QStringLiteral("Indice avanti - Raggiunta la fine "), false);
    return;
  }
  w_.OSD(QStringLiteral("Indice avanti - Indice ") + QString::number(load.currentIndex()), false);
  w_.webBrowser().Navigate2(QString::fromStdString(move.target));
}

void BrowserCommands::previousIndexEntry() {
  core::PageLoad& load = w_.pageLoad();
  const core::IndexMove move = core::previousIndexEntry(
      [this] { return static_cast<int32_t>(text::roundHalfEven(w_.player().CurrentPosition())); },
      [this](int32_t n) { return indexLink(n); });
  if (move.index) load.setCurrentIndex(*move.index);
  if (move.target.empty()) {
    w_.OSD(QStringLiteral("Indice indietro - Raggiunto l'inizio "), false);
    return;
  }
  w_.OSD(QStringLiteral("Indice indietro - Indice ") + QString::number(load.currentIndex()), false);
  w_.webBrowser().Navigate2(QString::fromStdString(move.target));
}

// ---- Bookmarks ------------------------------------------------------------------------

void BrowserCommands::deleteAllMarkers() {
  if (w_.markerList().count() == 0) {
    ui::MsgBox(w_.messages().MARKNONE.toStdString(), ui::mb::OKOnly, "Cancellazione Marcatori");
    return;
  }
  if (ui::MsgBox(w_.messages().DELMARK.toStdString(), ui::mb::YesNo, "MediaPlayer") != ui::Answer::Yes) return;
  QString page;
  w_.Marcatori(MarcatoriMode::DeleteAll, QString(), page, 0);
  w_.ClearMarcatori();
}

// The reading pauses while the reader works with bookmarks; its speed is
// kept for when it resumes.
void BrowserCommands::pauseForBookmarks() {
  oAnaPlayer& p = w_.player();
  core::PausedReading& paused = runner_.paused();
  paused.wasPlaying = false;
  paused.savedRate = p.Rate();
  if (p.IsPlaying()) {
    paused.wasPlaying = true;
    p.Pause_Player();
  }
}

void BrowserCommands::addBookmark() {
  oAnaPlayer& p = w_.player();
  pauseForBookmarks();
  QString description;
  if (!isSummaryPage(w_.webBrowser().LocationURL())) {
    frmInputBox box(&w_.widget());
    w_.colourDialog(box);
    box.Title(QStringLiteral("Scrivi il segnalibro ") + positionText() + QStringLiteral(" (mm:ss)"));
    box.Display();
    description = box.txtInput->text().trimmed();
  } else {
    ui::MsgBox("Non è possibile inserire segnalibri nella pagina del sommario.", ui::mb::OKOnly);
  }
  const int before = w_.markerList().count();
  if (!description.isEmpty()) {
    int16_t position = text::toInt16(p.CurrentPosition());
    w_.AddMarcatore(description, position);
  }
  DoEvents();
  // The bookmark stored is confirmed as its list row reads ("01:05 - ...").
  if (w_.markerList().count() > before) {
    w_.OSD(QStringLiteral("Segnalibro inserito: ") +
               w_.markerList().item(w_.markerList().count() - 1)->text().replace(QLatin1Char('\t'), QString()),
           false);
  }
  if (runner_.paused().wasPlaying) resumeReading();
}

void BrowserCommands::toggleBookmarkList() {
  oAnaPlayer& p = w_.player();
  if (!w_.webBrowser().isHidden()) {
    pauseForBookmarks();
    // Without bookmarks the panel still opens after the message: its
    // import is how a reader on a new computer gets them back.
    if (w_.markerList().count() == 0)
      ui::MsgBox(w_.messages().MARKNONE.toStdString(), ui::mb::OKOnly, "Elenco Marcatori");
    w_.showBookmarkList(true);
    return;
  }
  if (runner_.paused().wasPlaying) {
    runner_.paused().wasPlaying = false;
    p.Play_Player();
  }
  w_.showBookmarkList(false);
}

// Alt+2 and Alt+1: the next or previous bookmark; with none chosen yet,
// both take the first.
void BrowserCommands::recallNeighbour(bool next) {
  if (w_.markerList().count() == 0) {
    ui::MsgBox(w_.messages().MARKNONE.toStdString(), ui::mb::OKOnly,
               next ? "Marcatore Successivo" : "Marcatore Precedente");
    return;
  }
  int16_t& current = w_.CurrentMarker();
  if (next) {
    if (current < w_.markers().Count()) ++current;
  } else if (current > 1) {
    --current;
  } else if (current == 0) {
    current = 1;
  }
  if (current <= w_.markers().Count()) {
    w_.markerList().setCurrentRow(current - 1);
    int16_t selected = 0;
    w_.MarcatoriRichiama(selected);
  }
}

void BrowserCommands::resumeReading() {
  oAnaPlayer& p = w_.player();
  const QString file = p.FileName();
  const double position = p.CurrentPosition();
  p.setFileName(file);
  DoEvents();
  p.setCurrentPosition(position);
  DoEvents();
  p.Play_Player();
  p.setRate(runner_.paused().savedRate);
}

// ---- Link keywords --------------------------------------------------------------------

void BrowserCommands::reloadAudio() { w_.Playaudio(qs(bookpage::kReload), false, false); }

void BrowserCommands::linkPlayback(bookpage::LinkKind kind) {
  oAnaPlayer& p = w_.player();
  if (kind == bookpage::LinkKind::Stop) p.Stop_Player();
  if (kind == bookpage::LinkKind::Pause) p.Pause_Player();
  if (kind == bookpage::LinkKind::Play) p.Play_Player();
}

void BrowserCommands::announcePlayback(bookpage::LinkKind kind) {
  if (kind == bookpage::LinkKind::Stop) w_.OSD(QStringLiteral("STOP ") + positionText(), false);
  if (kind == bookpage::LinkKind::Pause)
    w_.OSD(QStringLiteral("PAUSA ") + positionText() + QStringLiteral(" premere ctrl+3"), true);
  if (kind == bookpage::LinkKind::Play) w_.OSD(QStringLiteral("PLAY ") + positionText(), false);
}

void BrowserCommands::keyLink(std::string_view codeText, int16_t shift) {
  w_.Form_KeyDown(wholeNumber(qs(codeText)), shift);
}

// A media file that the link names, or the video that the page's
// dictionary element names.
void BrowserCommands::mediaLink(const core::MediaLink& link) {
  QString name = qs(link.name);
  if (link.fromPage) {
    name = qs(core::dictionaryVideoName(
        w_.webBrowser().Document().All(std::string(bookpage::kDictionaryVideoElement)).value()));
  }
  if (link.clean) name = PulisciUrl(name);
  oAnaPlayer& p = w_.player();
  p.setFullScreen(link.fullScreen);
  p.setFileName(qs(core::withoutPageExtensions(name.toStdString())));
  p.Play_Player();
}

QString BrowserCommands::PulisciUrl(const QString& url) {
  QString s = url;
  Trap(QStringLiteral("PulisciUrl"), [&] {
    s = qs(core::PulisciUrl(url.toStdString(), w_.webBrowser().LocationURL().toStdString(),
                            w_.programFolder().toStdString()));
  });
  return s;
}
}  // namespace lumo::player
