// The bookmark store: one settings section per page, bookmark n holding its
// position (value n), description (nNOME) and audio file (nNOMEAUDIO); and
// the lists that mirror the page's bookmarks while it is shown.
//
// Every change of the store that belongs together is one transaction: the
// three values of a new bookmark, and the renumbering of a page's
// bookmarks at each load, so that a failure never leaves a bookmark half
// written or two bookmarks under one number.
//
// The bookmark list, shown in place of the page: Enter or a double-click
// recalls the chosen bookmark, Delete deletes it. The recall finds the
// bookmark's audio file even when the book has moved to another mount
// point, plays it from the bookmark's position and keeps the page's own
// audio start from replacing it for one second. On the summary page the
// recall first opens the bookmark's page and ends once that has loaded.

#include "player/window/bookmark_list.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <vector>

#include "common/bookpage/bookpage.h"
#include "common/text/text.h"
#include "platform/browser/urls.h"
#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "platform/shell/drives.h"
#include "platform/shell/shell.h"
#include "platform/ui/list_accessible.h"
#include "platform/ui/ui.h"
#include "player/core/bookmark_store.h"
#include "player/core/page_load.h"
#include "player/media_host/mdlMain.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/frmInputBox.h"
#include "player/window/messages.h"
#include "player/window/window_constants.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace fs = std::filesystem;

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

QString selectedRowText(const QListWidget* list) {
  const QListWidgetItem* item = list->currentItem();
  return item ? item->text() : QString();
}

// The existing file a path names, letter case ignored; "" when none.
QString existingFile(const std::string& path) {
  const std::string resolved = shell::resolvePath(path);
  std::error_code ec;
  return fs::is_regular_file(resolved, ec) ? QString::fromStdString(resolved) : QString();
}

}  // namespace

// ---- The bookmark store ------------------------------------------------------------

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
// ---- The bookmark list -------------------------------------------------------------

void BookmarkList::click() {
  Trap(QStringLiteral("ListMarkers_Click"), [&] { w_.markerList().setToolTip(selectedRowText(&w_.markerList())); });
}

void BookmarkList::doubleClick() {
  Trap(QStringLiteral("ListMarkers_DblClick"), [&] {
    CurrentMarker_ = static_cast<int16_t>(w_.markerList().currentRow() + 1);
    int16_t selected = 0;
    MarcatoriRichiama(selected);
  });
}

void BookmarkList::keyDown(int16_t KeyCode, int16_t Shift) {
  Trap(QStringLiteral("ListMarkers_KeyDown"), [&] {
    w_.markerList().setToolTip(selectedRowText(&w_.markerList()));
    if (KeyCode == keys::vk::Return && Shift == 0) {
      doubleClick();
    } else if (KeyCode == keys::vk::Delete && w_.markerList().count() > 0) {
      const int row = w_.markerList().currentRow();
      const int before = w_.markerList().count();
      const QString deleted = selectedRowText(&w_.markerList()).replace(QLatin1Char('\t'), QString());
      if (Section().left(5).toLower() == QLatin1String("index")) {
        deleteSummaryMarker();
      } else {
        QString page;
        Marcatori(MarcatoriMode::DeleteSelected, selectedRowText(&w_.markerList()), page, 0);
        // No row is current while the list is emptied and filled again, so
        // the reader does not hear every row go by.
        w_.markerList().setCurrentRow(-1);
        ClearMarcatori();
        page.clear();
        Marcatori(MarcatoriMode::Load, QString(), page, 0);
      }
      presentAfterDelete(row);
      // The reader hears what went, after the row now chosen.
      if (w_.markerList().count() < before) w_.OSD(QStringLiteral("Segnalibro cancellato: ") + deleted, false);
    }
  });
}

// The bookmark that took the deleted one's place (the last one when the
// deleted one was last) is selected and heard; an empty list is heard as
// such.
void BookmarkList::presentAfterDelete(int row) {
  const int target = std::min(std::max(row, 0), w_.markerList().count() - 1);
  if (target >= 0 && w_.markerList().currentRow() != target) {
    w_.markerList().setCurrentRow(target);  // Qt presents the row it makes current
    return;
  }
  ui::presentCurrentItem(&w_.markerList());
}

// On the summary page each row names its page's section and its number
// there ("ABC\CAP1.HTM*12").
void BookmarkList::deleteSummaryMarker() {
  const int row = w_.markerList().currentRow();
  if (row < 0 || row >= w_.sectionList().count()) throw RuntimeError(err::SubscriptOutOfRange);
  const QString entry = w_.sectionList().item(row)->text();
  const qsizetype star = entry.indexOf(QLatin1Char('*'));
  // The bookmark goes as a whole or not at all.
  core::BookmarkStore(w_.appName()).deleteEntry(entry.left(star).toStdString(), entry.mid(star + 1).toStdString());
  delete w_.sectionList().takeItem(row);
  w_.markerList().setCurrentRow(-1);  // the row that takes its place is presented after
  delete w_.markerList().takeItem(row);
}

void BookmarkList::MarcatoriRichiama(int16_t& n) {
  std::string section, audio;
  // The recalled bookmark's section as it stood when the recall read it.
  std::optional<core::SectionValues> values;
  bool reached = false;  // the recall got as far as reading the page's audio meta
  const bool ok = Trap(QStringLiteral("MarcatoriRichiama"), [&] {
    const bool summary = isSummaryPage(w_.webBrowser().LocationURL());
    if ((w_.player().FileName().isEmpty() && !summary) || w_.markerList().count() == 0) return;
    if (n == 0) {
      QString row = selectedRowText(&w_.markerList());
      if (summary) {
        QString pageSection = oMarkersIndex.Item(CurrentMarker_);
        n = MarcatoreCerca(row, pageSection);
        if (n > 0) {
          // The bookmark's page first; its set-up recalls the bookmark.
          w_.pageLoad().setPendingMarker(n);
          const std::string page = w_.programFolder().toStdString() + "/" +
                                   replaceAll(pageSection, QStringLiteral("\\"), QStringLiteral("/")).toStdString();
          w_.webBrowser().Navigate2(QString::fromStdString(browser::url::fileAddress(shell::resolvePath(page))));
          w_.showBookmarkList(false);
          return;
        }
        w_.pageLoad().setPendingMarker(0);
      } else {
        QString pageSection;
        n = MarcatoreCerca(row, pageSection);
      }
    }
    if (n >= 1) {
      w_.player().Stop_Player();
      DoEvents();
      section = Section().toStdString();
      values.emplace(w_.appName(), section);
      audio = values->audio(n);
      if (audio == core::kMissing) {
        // A bookmark without an audio name: a position in the file playing.
        w_.player().setCurrentPosition(oMarkers.Item(CurrentMarker_));
      } else {
        reached = true;
      }
    }
    if (!reached) w_.showBookmarkList(false);
  });
  if (!ok || !reached) return;

  // From here on a failing step is skipped and the recall goes on.
  bool nearPage = false;
  QString file;
  skipOnError(
      [&] { file = findMarkerAudio(QString::fromStdString(audio), QString::fromStdString(section), nearPage); });
  skipOnError([&] {
    w_.player().setAutoStart(true);
    if (!file.isEmpty()) w_.player().setFileName(file);
  });
  if (!file.isEmpty() && nearPage) {
    DoEvents();
    w_.holdAutoPlay();
  }
  skipOnError([&] { w_.player().setRate(w_.PlayerRate()); });
  double position = 0;
  skipOnError([&] {
    position = regionalNumber(QString::fromStdString(values->position(n, "0")));
    w_.player().setCurrentPosition(position);
  });
  // The page again, on the heading where the bookmark lies, before the
  // bookmark's description is said, so that the move of the focus does not
  // cut it short.
  skipOnError([&] { w_.showBookmarkList(false); });
  skipOnError([&] { w_.presentHeadingAt(position); });
  skipOnError(
      [&] { w_.OSD(QString::fromStdString(values->get(core::nomeName(n), "Marcatore non identificato")), false); });
  skipOnError([&] {
    DoEvents();
    w_.player().Play_Player();
  });
  // The page's own audio start, which the page may still trigger, waits.
  w_.holdAutoPlay();
  skipOnError([&] { w_.showBookmarkList(false); });
}

// The bookmark's audio file: beside the page, in the program's Libro
// folder, then on the mount point of the page's audio and on every mount
// point, in the book's folder or in a Libro folder there. nearPage tells
// whether it lay beside the page or in the program's Libro folder; "" when
// it is nowhere.
QString BookmarkList::findMarkerAudio(const QString& audio, const QString& section, bool& nearPage) {
  const std::string name = audio.toStdString();
  const std::string folder = localFolderOf(w_.webBrowser().LocationURL()).toStdString();
  nearPage = true;
  for (const std::string& candidate : {folder + name, w_.programFolder().toStdString() + "/Libro/" + name}) {
    const QString found = existingFile(candidate);
    if (!found.isEmpty()) return found;
  }
  nearPage = false;
  // The book's folder on a disc: the page's section without its file name.
  const qsizetype cut = section.lastIndexOf(QLatin1Char('\\'));
  const std::string book =
      replaceAll(cut < 0 ? section : section.left(cut), QStringLiteral("\\"), QStringLiteral("/")).toStdString();
  std::vector<std::string> roots;
  const QString root = audioMetaRoot();
  if (!root.isEmpty()) roots.push_back(root.toStdString());
  for (const std::string& mount : shell::driveRoots()) roots.push_back(shell::withSlash(mount));
  for (const std::string& r : roots) {
    for (const std::string& candidate : {r + book + "/" + name, r + "Libro/" + name}) {
      const QString found = existingFile(candidate);
      if (!found.isEmpty()) return found;
    }
  }
  return {};
}

// The mount point that holds the page's audio, when the page names it with
// a full path; "" otherwise (also for a page without the meta tag).
QString BookmarkList::audioMetaRoot() {
  const QString content = w_.pageMeta(QString::fromStdString(bookpage::audioMeta(0))).trimmed();
  if (content.size() <= 3 || !content.startsWith(QLatin1Char('/'))) return {};
  std::string best;
  const std::string path = content.toStdString();
  for (const std::string& mount : shell::driveRoots()) {
    const std::string root = shell::withSlash(mount);
    if (path.rfind(root, 0) == 0 && root.size() > best.size()) best = root;
  }
  return QString::fromStdString(best);
}

}  // namespace lumo::player
