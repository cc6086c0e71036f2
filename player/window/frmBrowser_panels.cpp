// frmBrowser: the panels over the page. The on-screen display that
// confirms commands; the configuration panel (reader off, resume at start,
// speed, volume and skip step; each field stores its setting at once); the
// bookmark panel in place of the page and its buttons; the debug frame and
// the file name box of the export and import panel; and the panels'
// colours, which follow the reader's style sheet.

#include "player/window/frmBrowser.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <cmath>
#include <optional>
#include <string>

#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "platform/registry/regfile.h"
#include "platform/registry/registry.h"
#include "platform/shell/shell.h"
#include "platform/ui/notification.h"
#include "player/core/rules.h"
#include "player/media_host/mdlMain.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/browser_commands.h"
#include "player/window/frmImpExp.h"
#include "player/window/style_colours.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace {

// VB's IsNumeric of a box's text: a number in the regional format, blanks
// around it allowed.
// A number as the reader types it; "inf" and "nan", which the locale's
// conversion accepts, are no step the skip keys could use.
bool isNumeric(const QString& text) {
  bool ok = false;
  const double value = regionalLocale().toDouble(text.trimmed(), &ok);
  return ok && std::isfinite(value);
}

}  // namespace

// ---- On-screen display -------------------------------------------------------------

void frmBrowser::OSD(const QString& Msg, bool Persistent) {
  Trap(QStringLiteral("OSD"), [&] {
    lblOSD->setText(Msg);
    lblOSD->setAccessibleName(Msg);
    // Shown over the page, and spoken by the screen reader; the focus
    // stays on the page.
    ui::announce(frmOSD, Msg);
    if (Persistent) {
      TimerOSD->stop();
    } else {
      TimerOSD->start();  // each message gets its own 1500 ms
    }
  });
}

void frmBrowser::TimerOSD_Timer() {
  Trap(QStringLiteral("TimerOSD_Timer"), [&] {
    TimerOSD->stop();
    frmOSD->hide();
  });
}

// ---- Configuration panel -----------------------------------------------------------

void frmBrowser::chkAudioOff_Click() {
  Trap(QStringLiteral("chkAudioOff_Click"), [&] { SetAudioOff(chkAudioOff->isChecked()); });
}

void frmBrowser::chkSavePos_Click() {
  Trap(QStringLiteral("chkSavePos_Click"),
       [&] { registry::SaveSetting(AppName, kPlayerSection, "SavePos", chkSavePos->isChecked() ? "1" : "0"); });
}

void frmBrowser::TextRate_Change() {
  Trap(QStringLiteral("TextRate_Change"), [&] {
    // The speed of the file playing stays; the next one starts at this one.
    PlayerRate(singleNumber(TextRate->text()));
  });
}

void frmBrowser::TextVolume_Change() {
  Trap(QStringLiteral("TextVolume_Change"),
       [&] { registry::SaveSetting(AppName, kPlayerSection, "Volume", TextVolume->text().toStdString()); });
}

void frmBrowser::TextAvantiIndietro_Change() {
  Trap(QStringLiteral("TextAvantiIndietro_Change"), [&] {
    const QString typed = TextAvantiIndietro->text();
    const auto number = [](const std::string& text) { return isNumeric(QString::fromStdString(text)); };
    // The box never stays without a step: the stored one comes back, or
    // the first step of all when what is stored is no number either.
    const std::optional<std::string> refill = core::skipStepRefill(
        typed.toStdString(), [this] { return playerSetting("AvantiIndietro", "10"); }, number);
    if (!refill) {
      registry::SaveSetting(AppName, kPlayerSection, "AvantiIndietro", typed.toStdString());
      return;
    }
    TextAvantiIndietro->setText(QString::fromStdString(*refill));  // runs this handler again
  });
}

void frmBrowser::cmdSetupClose_Click() { closeConfiguration(); }

bool frmBrowser::configurationOpen() const { return !frmconfigurazione->isHidden(); }

// The reader works the panel from the keyboard: it takes the focus, which
// goes back where it was when the panel closes.
void frmBrowser::openConfiguration() {
  focusBeforeConfiguration_ = QApplication::focusWidget();
  frmconfigurazione->setVisible(true);
  frmconfigurazione->raise();
  chkAudioOff->setFocus(Qt::OtherFocusReason);
}

// The focus goes back where it was when the panel opened (a link of the
// page, the bookmark list), unless that is no longer there to take it.
void frmBrowser::closeConfiguration() {
  frmconfigurazione->hide();
  QWidget* back = focusBeforeConfiguration_;
  focusBeforeConfiguration_.clear();
  if (back && back->window() == this && back->isVisible() && back->isEnabled() &&
      !frmconfigurazione->isAncestorOf(back)) {
    back->setFocus(Qt::OtherFocusReason);
  } else {
    focusReading();
  }
}

bool frmBrowser::focusNextPrevChild(bool next) {
  QWidget* from = QApplication::focusWidget();
  if (frmconfigurazione->isHidden() || from == nullptr || !frmconfigurazione->isAncestorOf(from))
    return QWidget::focusNextPrevChild(next);
  // The window's focus chain is a ring: going round it from the control
  // that has the focus meets the panel's next control, wrapping past its
  // last one to its first.
  for (QWidget* w = next ? from->nextInFocusChain() : from->previousInFocusChain(); w != from;
       w = next ? w->nextInFocusChain() : w->previousInFocusChain()) {
    if (frmconfigurazione->isAncestorOf(w) && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
      w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
  }
  return true;
}

// The skip keys' step in seconds, as the box holds it.
double frmBrowser::skipStep() const { return regionalNumber(TextAvantiIndietro->text()); }

void frmBrowser::showVolume(const QString& volume) { TextVolume->setText(volume); }

void frmBrowser::showRate(const QString& rate) { TextRate->setText(rate); }

// ---- Bookmark panel ----------------------------------------------------------------

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

bool frmBrowser::bookmarkListOpen() const { return !fraMarcatori->isHidden(); }

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

void frmBrowser::cmdImpExp_Click(int16_t Index) {
  Trap(QStringLiteral("cmdImpExp_Click"), [&] {
    switch (Index) {
      case 0:
      case 1: frmImpExp->openPanel(Index == 0); break;
      case 2: frmImpExp->carryOut(); break;
      case 3: frmImpExp->cancel(); break;
      case 4:
        // "Chiudi": the page again, and the reading that the list paused.
        if (commands_->runner().paused().wasPlaying) commands_->resumeReading();
        showBookmarkList(false);
        break;
      default: throw RuntimeError(err::SubscriptOutOfRange);
    }
  });
}

QWidget& frmBrowser::impExpButton(int Index) { return *cmdImpExp[static_cast<size_t>(Index)]; }

// ---- Debug frame and file name box -------------------------------------------------

void frmBrowser::toggleDebugFrame() {
  fraDebug->setVisible(fraDebug->isHidden());
  if (!fraDebug->isHidden()) fraDebug->raise();
}

void frmBrowser::cmdDebug_Click(int16_t Index) {
  Trap(QStringLiteral("cmdDebug_Click"), [&] {
    if (Index == 1) player().Play_Player();
    TxtDebFilename->setText(player().FileName());
  });
}

void frmBrowser::cmdFileAudio_Click() {
  Trap(QStringLiteral("cmdFileAudio_Click"), [&] { TextAudio->setText(player().FileName()); });
}

void frmBrowser::cmdGO_Click() {
  Trap(QStringLiteral("cmdGO_Click"), [&] { objwb->Navigate2(TextURL->text()); });
}

void frmBrowser::fraDebug_DragOver(int X, int Y) {
  Trap(QStringLiteral("fraDebug_DragOver"), [&] { fraDebug->move(TwipsToPixels(X), TwipsToPixels(Y)); });
}

void frmBrowser::TextFileName_KeyDown(int16_t KeyCode, int16_t /*Shift*/) {
  Trap(QStringLiteral("TextFileName_KeyDown"), [&] {
    if (KeyCode == keys::vk::Return) cmdImpExp_Click(2);  // as the panel's OK
  });
}

void frmBrowser::Command1_Click() {
  Trap(QStringLiteral("Command1_Click"), [&] {
    registry::ExportRegistryKey(registry::HKEY_CURRENT_USER, player::frmImpExp::settingsTree(),
                                player::frmImpExp::debugExportFile().toStdString(), true, false);
  });
}

// ---- Colours -----------------------------------------------------------------------

void frmBrowser::applyStyleColours() {
  skipOnError([&] {
    const int style = pageLoad().styleNumber();
    const QString sheet = QString::fromStdString(
        shell::resolvePath(AppPath.toStdString() + "/Include/Style" + std::to_string(style) + ".css"));
    const QPalette palette = player::panelPalette(sheet, style);
    if (panelPalette_ && *panelPalette_ == palette && panelPalette_->resolveMask() == palette.resolveMask()) return;
    panelPalette_ = palette;
    panelSheet_ = player::panelStyleSheet(palette, style);
    for (QWidget* panel : {static_cast<QWidget*>(frmconfigurazione), static_cast<QWidget*>(fraMarcatori),
                           static_cast<QWidget*>(fraDebug)}) {
      panel->setPalette(palette);
      styleControls(*panel, panelSheet_);
    }
  });
}

void frmBrowser::colourDialog(QWidget& dialog) const {
  if (!panelPalette_) return;
  dialog.setPalette(*panelPalette_);
  styleControls(dialog, panelSheet_);
}

}  // namespace lumo::player
