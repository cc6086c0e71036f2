// The configuration panel (reader off, resume at start, speed, volume and
// skip step; each field stores its setting at once), the debug frame and
// the file name box of the export and import panel.

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <cmath>
#include <optional>
#include <string>

#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "platform/registry/registry.h"
#include "player/core/rules.h"
#include "player/media_host/mdlMain.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/frmBrowser.h"
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

}  // namespace lumo::player
