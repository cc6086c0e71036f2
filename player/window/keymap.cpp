// The keyboard command map of the main window. Every command is a key with
// an exact combination of Shift (1), Ctrl (2) and Alt (4): one group needs
// no media file, the Ctrl playback group needs a loaded file, the Alt
// bookmark group works with or without one. Book pages send the same
// commands through their key command links, so this map is also the
// pages' command set.

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <string>

#include "common/bookpage/bookpage.h"
#include "common/text/text.h"
#include "platform/browser/urls.h"
#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "platform/registry/registry.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"
#include "player/core/command_runner.h"
#include "player/core/keytable.h"
#include "player/core/links.h"
#include "player/core/pages.h"
#include "player/core/rules.h"
#include "player/media_host/mdlMain.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/browser_commands.h"
#include "player/window/frmBrowser.h"
#include "player/window/frmImpExp.h"
#include "player/window/frmInputBox.h"
#include "player/window/page_setup.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace vk = keys::vk;

namespace {

constexpr int16_t kNoShift = keys::shift::None;

bool isModifierKey(int key) {
  return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
         key == Qt::Key_AltGr || key == Qt::Key_Super_L || key == Qt::Key_Super_R;
}

}  // namespace

// ---- Wiring ---------------------------------------------------------------------

void frmBrowser::connectCommands() {
  connect(objwb, &browser::WebBrowser::BeforeNavigate2, this, &frmBrowser::objwb_BeforeNavigate2);
  connect(objwb, &browser::WebBrowser::TitleChange, this, &frmBrowser::objwb_TitleChange);
  connect(objwb, &browser::WebBrowser::NavigateError, this, &frmBrowser::objwb_NavigateError);

  // A click, and a change of the selected row by the keyboard, as VB's
  // Click event of a list.
  connect(ListMarkers, &QListWidget::itemClicked, this, [this] { ListMarkers_Click(); });
  connect(ListMarkers, &QListWidget::currentRowChanged, this, [this] { ListMarkers_Click(); });
  connect(ListMarkers, &QListWidget::itemDoubleClicked, this, [this] { ListMarkers_DblClick(); });

  connect(chkAudioOff, &QCheckBox::toggled, this, [this] { chkAudioOff_Click(); });
  connect(chkSavePos, &QCheckBox::toggled, this, [this] { chkSavePos_Click(); });
  connect(TextRate, &QLineEdit::textChanged, this, [this] { TextRate_Change(); });
  connect(TextVolume, &QLineEdit::textChanged, this, [this] { TextVolume_Change(); });
  connect(TextAvantiIndietro, &QLineEdit::textChanged, this, [this] { TextAvantiIndietro_Change(); });
  connect(cmdSetupClose, &QPushButton::clicked, this, [this] { cmdSetupClose_Click(); });
  for (int16_t i = 0; i < static_cast<int16_t>(cmdDebug.size()); ++i)
    connect(cmdDebug[i], &QPushButton::clicked, this, [this, i] { cmdDebug_Click(i); });
  connect(cmdFileAudio, &QPushButton::clicked, this, [this] { cmdFileAudio_Click(); });
  connect(cmdGO, &QPushButton::clicked, this, [this] { cmdGO_Click(); });
  for (int16_t i = 0; i < static_cast<int16_t>(cmdImpExp.size()); ++i)
    connect(cmdImpExp[i], &QPushButton::clicked, this, [this, i] { cmdImpExp_Click(i); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

  // The window sees every key first, whichever of its controls has the
  // focus (the page view, the bookmark list, a box of the panels).
  installEventFilter(this);
  objwb->view()->installEventFilter(this);
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

bool frmBrowser::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (isModifierKey(key->key())) return false;
    const auto code = static_cast<int16_t>(keys::virtualKeyCode(*key));
    const auto shift = static_cast<int16_t>(keys::shiftState(key->modifiers()));
    if (keyCommand(code, shift)) return true;
    if (watched == ListMarkers) {
      ListMarkers_KeyDown(code, shift);
      // Enter and Delete are the list's commands, not its own keys.
      return (code == vk::Return && shift == kNoShift) || code == vk::Delete;
    }
    if (watched == TextFileName) TextFileName_KeyDown(code, shift);
    return false;
  }
  if (event->type() == QEvent::MouseMove && watched == fraDebug) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->buttons() & Qt::LeftButton) {
      const QPoint at = fraDebug->mapToParent(mouse->position().toPoint());
      fraDebug_DragOver(at.x() * kTwipsPerPixel, at.y() * kTwipsPerPixel);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Dispatch --------------------------------------------------------------------

void frmBrowser::Form_KeyDown(int16_t KeyCode, int16_t Shift) { keyCommand(KeyCode, Shift); }

bool frmBrowser::keyCommand(int16_t KeyCode, int16_t Shift) {
  core::KeyDispatch dispatch;
  Trap([&] { return QStringLiteral("Form_KeyDown - ") + QString::fromStdString(dispatch.step); },
       [&] { commands_->runner().key(KeyCode, Shift, dispatch); });
  return dispatch.ran;
}

bool BrowserCommands::bookmarkListOpen() { return !w_.fraMarcatori->isHidden(); }

bool BrowserCommands::fileLoaded() { return !w_.player().FileName().isEmpty(); }

void BrowserCommands::help() {
  w_.objwb->Navigate2(QString::fromStdString(
      browser::url::fileAddress(shell::resolvePath(w_.AppPath.toStdString() + "/include/help.htm"))));
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
    case C::ToggleDebug:
      w_.fraDebug->setVisible(w_.fraDebug->isHidden());
      if (!w_.fraDebug->isHidden()) w_.fraDebug->raise();
      break;
    case C::NextStyle: nextStyleSheet(); break;
    case C::NextIndexEntry: nextIndexEntry(); break;
    case C::PreviousIndexEntry: previousIndexEntry(); break;
    case C::Slower: stepRate(false); break;
    case C::Faster: stepRate(true); break;
    case C::Home: w_.objwb->Navigate2(w_.HomeUrl); break;
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
      const double step = regionalNumber(w_.TextAvantiIndietro->text());
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
      const double step = regionalNumber(w_.TextAvantiIndietro->text());
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
  w_.TextVolume->setText(volume);  // its change handler stores the setting
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
  const bool open = w_.frmconfigurazione->isHidden();
  if (open) {
    // The reader works the panel from the keyboard: it takes the focus,
    // which goes back where it was when the panel closes.
    w_.focusBeforeConfiguration_ = QApplication::focusWidget();
    w_.frmconfigurazione->setVisible(true);
    w_.frmconfigurazione->raise();
    w_.chkAudioOff->setFocus(Qt::OtherFocusReason);
  } else {
    w_.closeConfiguration();
  }
  w_.TextRate->setText(singleText(w_.PlayerRate()));  // its change handler stores it back
}

void BrowserCommands::switchReader() {
  w_.SetAudioOff(!w_.AudioOffFlag);
  registry::SaveSetting(w_.AppName, kPlayerSection, "AudioOff", flagText(w_.AudioOffFlag).toStdString());
  w_.OSD(w_.AudioOffFlag ? QStringLiteral("Lettura disattivata") : QStringLiteral("Lettura attiva"), false);
}

// ---- Pages and index entries ----------------------------------------------------------

// The previous or next page that the page's meta tag names, beside the page
// shown; false when the page names none.
bool BrowserCommands::otherPage(bool next) {
  const QString name = w_.pages_->pageMeta(
      QString::fromStdString(next ? bookpage::nextPageMeta(1) : std::string(bookpage::kPreviousPageMeta)));
  if (name.isEmpty()) return false;
  w_.OSD(next ? QStringLiteral("File successivo") : QStringLiteral("File precedente"), false);
  w_.objwb->Navigate2(QString::fromStdString(core::pageFolderAddress(w_.objwb->LocationURL().toStdString())) + name);
  return true;
}

void BrowserCommands::nextStyleSheet() {
  core::PageLoad& load = w_.pageLoad();
  const auto n = static_cast<int16_t>(load.styleNumber() + 1);
  const std::string next = w_.AppPath.toStdString() + "/include/style" + std::to_string(n) + ".css";
  load.setStyleNumber(shell::existsNoCase(next) ? n : int16_t(1));
  w_.OSD(QStringLiteral("Stile ") + QString::number(load.styleNumber()), false);
  registry::SaveSetting(w_.AppName, kPlayerSection, "StyleSheet", std::to_string(load.styleNumber()));
  // The page is loaded again with the new sheet; its fragment is kept, so
  // its audio starts again where the fragment says.
  const QString address = QString::fromStdString(load.reloadKeepingFragment(w_.objwb->LocationURL().toStdString()));
  if (w_.player().IsPlaying()) w_.player().Stop_Player();
  w_.objwb->Navigate2(address);
  DoEvents();
}

std::string BrowserCommands::indexLink(int32_t number) const {
  std::string link;
  skipOnError([&] {
    const browser::HtmlElement anchor = w_.objwb->Document().All(bookpage::indexAnchorName(number));
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
  w_.objwb->Navigate2(QString::fromStdString(move.target));
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
  w_.objwb->Navigate2(QString::fromStdString(move.target));
}

// ---- Bookmarks ------------------------------------------------------------------------

void BrowserCommands::deleteAllMarkers() {
  if (w_.ListMarkers->count() == 0) {
    ui::MsgBox(w_.Messages.MARKNONE.toStdString(), ui::mb::OKOnly, "Cancellazione Marcatori");
    return;
  }
  if (ui::MsgBox(w_.Messages.DELMARK.toStdString(), ui::mb::YesNo, "MediaPlayer") != ui::Answer::Yes) return;
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
  if (!isSummaryPage(w_.objwb->LocationURL())) {
    frmInputBox box(&w_);
    w_.colourDialog(box);
    box.Title(QStringLiteral("Scrivi il segnalibro ") + positionText() + QStringLiteral(" (mm:ss)"));
    box.Display();
    description = box.txtInput->text().trimmed();
  } else {
    ui::MsgBox("Non è possibile inserire segnalibri nella pagina del sommario.", ui::mb::OKOnly);
  }
  const int before = w_.ListMarkers->count();
  if (!description.isEmpty()) {
    int16_t position = text::toInt16(p.CurrentPosition());
    w_.AddMarcatore(description, position);
  }
  DoEvents();
  // The bookmark stored is confirmed as its list row reads ("01:05 - ...").
  if (w_.ListMarkers->count() > before) {
    w_.OSD(QStringLiteral("Segnalibro inserito: ") +
               w_.ListMarkers->item(w_.ListMarkers->count() - 1)->text().replace(QLatin1Char('\t'), QString()),
           false);
  }
  if (runner_.paused().wasPlaying) resumeReading();
}

void BrowserCommands::toggleBookmarkList() {
  oAnaPlayer& p = w_.player();
  if (!w_.objwb->isHidden()) {
    pauseForBookmarks();
    // Without bookmarks the panel still opens after the message: its
    // import is how a reader on a new computer gets them back.
    if (w_.ListMarkers->count() == 0)
      ui::MsgBox(w_.Messages.MARKNONE.toStdString(), ui::mb::OKOnly, "Elenco Marcatori");
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
  if (w_.ListMarkers->count() == 0) {
    ui::MsgBox(w_.Messages.MARKNONE.toStdString(), ui::mb::OKOnly,
               next ? "Marcatore Successivo" : "Marcatore Precedente");
    return;
  }
  int16_t& current = w_.bookmarks_->CurrentMarker();
  if (next) {
    if (current < w_.markers().Count()) ++current;
  } else if (current > 1) {
    --current;
  } else if (current == 0) {
    current = 1;
  }
  if (current <= w_.markers().Count()) {
    w_.ListMarkers->setCurrentRow(current - 1);
    int16_t selected = 0;
    w_.bookmarks_->MarcatoriRichiama(selected);
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

// The bookmark list in place of the page, or the page again; the focus goes
// with what is shown, so that the reader's keys reach it.
void frmBrowser::showBookmarkList(bool open) {
  const bool wasOpen = !fraMarcatori->isHidden();
  frmImpExp->cancel();
  objwb->setVisible(!open);
  fraMarcatori->setVisible(open);
  if (!open) {
    // A recall with the list closed (Alt+1, Alt+2, a page's own recall)
    // leaves the focus where the reader has it.
    if (wasOpen) focusReading();
    return;
  }
  fraMarcatori->raise();
  if (ListMarkers->currentRow() < 0 && ListMarkers->count() > 0) ListMarkers->setCurrentRow(0);
  ListMarkers->setFocus(Qt::OtherFocusReason);
}

bool frmBrowser::panelOpen() const {
  return !frmconfigurazione->isHidden() || !fraMarcatori->isHidden() || QApplication::activeModalWidget() != nullptr;
}

void frmBrowser::focusReading() {
  if (!objwb->isHidden()) {
    objwb->view()->setFocus(Qt::OtherFocusReason);
  } else if (!fraMarcatori->isHidden()) {
    ListMarkers->setFocus(Qt::OtherFocusReason);
  }
}

}  // namespace lumo::player
