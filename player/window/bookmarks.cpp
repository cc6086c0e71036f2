// The bookmark store: one settings section per page, bookmark n holding its
// position (value n), description (nNOME) and audio file (nNOMEAUDIO); and
// the lists that mirror the page's bookmarks while it is shown.
//
// Every change of the store that belongs together is one transaction: the
// three values of a new bookmark, and the renumbering of a page's
// bookmarks at each load, so that a failure never leaves a bookmark half
// written or two bookmarks under one number.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <functional>
#include <vector>

#include "common/text/text.h"
#include "platform/browser/webbrowser.h"
#include "platform/shell/drives.h"
#include "platform/ui/ui.h"
#include "player/core/bookmark_store.h"
#include "player/media_host/mdlMain.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/bookmark_list.h"
#include "player/window/frmBrowser.h"
#include "player/window/frmInputBox.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QString BookmarkList::Section() {
  QString result;
  Trap(QStringLiteral("Section"),
       [&] { result = SectionText(w_.webBrowser().LocationURL(), w_.programFolder(), shell::driveRoots()); });
  return result;
}

void BookmarkList::ClearMarcatori() {
  Trap(QStringLiteral("ClearMarcatori"), [&] {
    while (oMarkers.Count() > 0) oMarkers.Remove(1);
    while (oMarkersIndex.Count() > 0) oMarkersIndex.Remove(1);
    CurrentMarker_ = 0;
    while (w_.markerList().count() > 0) delete w_.markerList().takeItem(0);
    w_.sectionList().clear();
  });
}

int16_t BookmarkList::MarcatoreCerca(QString& row, QString& section) {
  int16_t found = 0;
  Trap(QStringLiteral("MarcatoreCerca"), [&] {
    const qsizetype dash = row.indexOf(QLatin1Char('-'));
    row = (dash < 0 ? row : row.mid(dash + 1)).trimmed();
    if (section.isEmpty()) section = Section();
    found = core::BookmarkStore(w_.appName()).find(section.toStdString(), row.toStdString());
  });
  return found;
}

void BookmarkList::AddMarcatore(QString& description, int16_t& position) {
  const auto label = [this] { return QStringLiteral("AddMarcatore - ") + w_.messages().MARKEXIST; };
  try {
    const std::string audio =
        core::audioFileName(w_.anaPlayer() ? w_.anaPlayer()->FileName().toStdString() : std::string());
    const QString sec = Section();
    const core::SectionValues values(w_.appName(), sec.toStdString());
    // Numbers above 100 are never loaded: a full page takes no new bookmark.
    if (values.lastNumber() >= kMaxMarkers) {
      ui::MsgBox(kMarkersFull, ui::mb::OKOnly | ui::mb::Exclamation);
      return;
    }
    // A description the page already has: the reader renames the new one,
    // and the new name is checked again.
    while (values.find(description.toStdString()) > 0) {
      frmInputBox box(&w_.widget());
      w_.colourDialog(box);
      box.Title(QStringLiteral("Attenzione! Segnalibro già esistente, cambia il testo della descrizione"));
      box.Label1->setText(QStringLiteral("Il segnalibro inserito esiste già, modifica la descrizione:"));
      box.txtInput->setText(description);
      box.Display();
      const QString changed = box.txtInput->text().trimmed();
      if (changed.isEmpty()) return;
      if (changed == description) {
        Err().Clear();
        ShowError(label(), w_.messages().MARKEXIST);
        return;
      }
      description = changed;
    }
    // One above the highest number in use; gaps below it are not reused.
    const int m = values.lastNumber() + 1;
    oMarkers.Add(position, description);
    auto* row = new QListWidgetItem(strtempo(position) + QStringLiteral("\t - ") + description);
    w_.markerList().addItem(row);
    try {
      core::BookmarkStore(w_.appName())
          .add(sec.toStdString(), m, std::to_string(position), description.trimmed().toStdString(), audio);
    } catch (...) {
      // Not stored: the lists do not show it either.
      oMarkers.Remove(oMarkers.Count());
      delete row;
      throw;
    }
  } catch (...) {
    SetErrFrom(std::current_exception());
    ShowError(label(), QString());
  }
}

void BookmarkList::reportMarcatori(MarcatoriMode Mode, const QString& step) {
  ShowError(QStringLiteral("Marcatori Mode = ") + QString::number(static_cast<int32_t>(Mode)) +
                QStringLiteral(" --> ") + step,
            QString());
}

void BookmarkList::Marcatori(MarcatoriMode Mode, const QString& /*unused*/, QString& section, int16_t listNumber) {
  if (!Trap(QStringLiteral("Marcatori Mode = ") + QString::number(static_cast<int32_t>(Mode)) + QStringLiteral(" --> "),
            [&] {
              if (section.isEmpty()) section = Section();
            }))
    return;
  if (section.isEmpty()) return;
  if (Mode == MarcatoriMode::Load) {
    markersLoad(section, listNumber);
  } else {
    markersDelete(Mode, section);
  }
}

// Mode 0: lists the page's bookmarks in number order, then those of the
// older section (the page's name followed by "#"), and stores them all in
// the page's section as 1, 2, 3 ... in that order.
void BookmarkList::markersLoad(QString s, int16_t L) {
  const core::BookmarkStore store(w_.appName());
  core::LoadPlan plan;
  QString step = QStringLiteral("Inizio Caricamento");
  try {
    plan = store.readForLoad(s.toStdString());
  } catch (...) {
    SetErrFrom(std::current_exception());
    reportMarcatori(MarcatoriMode::Load, step);
    return;
  }

  const QString tag = QStringLiteral("-%NUMERO%-").replace(QStringLiteral("%NUMERO%"), QString::number(L));
  for (const core::LoadedMarker& m : plan.markers) {
    const QString description = qs(m.description);
    const QString key = L > 0 ? tag + description : description;
    double seconds = 0;
    auto listStep = [&](const char* name, const std::function<void()>& body) {
      step = QString::fromLatin1(name);
      try {
        body();
      } catch (...) {
        SetErrFrom(std::current_exception());
        reportMarcatori(MarcatoriMode::Load, step);
      }
    };
    listStep("Caricamento nelle liste oMarkers", [&] {
      seconds = regionalNumber(qs(m.position));
      oMarkers.Add(seconds, key);
    });
    listStep("Caricamento nelle liste oMarkersIndex", [&] { oMarkersIndex.Add(s, key); });
    listStep("Caricamento nelle liste ListMarkers", [&] {
      const QString time = strtempo(text::toInt32(seconds));
      w_.markerList().addItem(time + (L == 0 ? QStringLiteral("\t") : QString()) + QStringLiteral(" - ") + description);
      if (L > 0) w_.sectionList().addItem(s + QLatin1Char('*') + QString::number(m.newNumber));
    });
  }

  std::string reached;
  try {
    store.renumber(s.toStdString(), plan, reached);
  } catch (...) {
    SetErrFrom(std::current_exception());
    reportMarcatori(MarcatoriMode::Load, qs(reached));
    // Nothing was renumbered: the summary rows name the bookmarks as stored.
    if (L > 0) {
      w_.sectionList().clear();
      for (const core::LoadedMarker& m : plan.markers)
        w_.sectionList().addItem(qs(m.section) + QLatin1Char('*') + QString::number(m.number));
    }
  }
}

// Deleting every bookmark of the page (its section and the older one), or
// the bookmark of the list's selected row.
void BookmarkList::markersDelete(MarcatoriMode Mode, QString s) {
  const core::BookmarkStore store(w_.appName());
  try {
    if (Mode == MarcatoriMode::DeleteAll) {
      store.deleteAll(s.toStdString());
      return;
    }
    if (Mode != MarcatoriMode::DeleteSelected) return;
    // After a load, row n - 1 is bookmark n of the page's own section.
    const int n = w_.markerList().currentRow() + 1;
    if (n < 1) return;
    store.deleteNumber(s.toStdString(), n);
  } catch (...) {
    SetErrFrom(std::current_exception());
    reportMarcatori(Mode, QString());
    return;
  }
  ClearMarcatori();
  QString page;
  Marcatori(MarcatoriMode::Load, QString(), page, 0);
}

// ---- The window's bookmark procedures ---------------------------------------------

void frmBrowser::AddMarcatore(QString& description, int16_t& position) {
  bookmarks_->AddMarcatore(description, position);
}

void frmBrowser::Marcatori(MarcatoriMode Mode, const QString& unused, QString& section, int16_t listNumber) {
  bookmarks_->Marcatori(Mode, unused, section, listNumber);
}

void frmBrowser::ClearMarcatori() { bookmarks_->ClearMarcatori(); }

int16_t frmBrowser::MarcatoreCerca(QString& row, QString& section) { return bookmarks_->MarcatoreCerca(row, section); }

void frmBrowser::MarcatoriRichiama(int16_t& n) { bookmarks_->MarcatoriRichiama(n); }

}  // namespace lumo::player
