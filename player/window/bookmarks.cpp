// The bookmark store: one settings section per page, bookmark n holding its
// position (value n), description (nNOME) and audio file (nNOMEAUDIO); and
// the lists that mirror the page's bookmarks while it is shown.
//
// Every change of the store that belongs together is one transaction: the
// three values of a new bookmark, and the renumbering of a page's
// bookmarks at each load, so that a failure never leaves a bookmark half
// written or two bookmarks under one number.

#include <QHash>
#include <QListWidget>
#include <QLineEdit>
#include <QLabel>
#include <functional>
#include <vector>

#include "common/text/text.h"
#include "platform/browser/webbrowser.h"
#include "platform/registry/registry.h"
#include "platform/shell/drives.h"
#include "platform/ui/ui.h"
#include "player/engine/mdlMain.h"
#include "player/engine/oAnaPlayer.h"
#include "player/window/frmBrowser.h"
#include "player/window/frmInputBox.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace {

const QString kMissing = QStringLiteral("vuoto");

// The values of a section by upper-cased name (names ignore case).
class SectionValues {
 public:
  SectionValues(const std::string& app, const QString& section) {
    for (const auto& [name, value] : registry::GetAllSettings(app, section.toStdString()))
      values_.insert(QString::fromStdString(name).toUpper(), QString::fromStdString(value));
  }
  // The value, or the default when it is missing.
  QString get(const QString& name, const QString& defaultValue = kMissing) const {
    return values_.value(name.toUpper(), defaultValue);
  }
  bool has(const QString& name) const { return values_.contains(name.toUpper()); }
  QString description(int n) const { return get(QString::number(n) + QStringLiteral("NOME")); }
  // The highest bookmark number in use (0 for none).
  int lastNumber() const {
    int last = 0;
    for (int n = 1; n <= kMaxMarkers; ++n)
      if (description(n) != kMissing) last = n;
    return last;
  }

 private:
  QHash<QString, QString> values_;
};

QString nome(int n) { return QString::number(n) + QStringLiteral("NOME"); }
QString nomeAudio(int n) { return QString::number(n) + QStringLiteral("NOMEAUDIO"); }

void save(const std::string& app, const QString& section, const QString& name, const QString& value) {
  registry::SaveSetting(app, section.toStdString(), name.toStdString(), value.toStdString());
}

void remove(const std::string& app, const QString& section, const QString& name) {
  registry::DeleteSetting(app, section.toStdString(), name.toStdString());
}

// One bookmark found by a load, where it is and where it goes.
struct LoadedMarker {
  QString section;  // the section it was read from
  int number = 0;   // its number there
  bool hasAudio = false;
  QString position, description, audio;
  int newNumber = 0;  // its number after the renumbering
};

}  // namespace

QString frmBrowser::Section() {
  QString result;
  Trap(QStringLiteral("Section"), [&] {
    result = SectionText(objwb->LocationURL(), AppPath, shell::driveRoots());
  });
  return result;
}

void frmBrowser::ClearMarcatori() {
  Trap(QStringLiteral("ClearMarcatori"), [&] {
    while (oMarkers.Count() > 0) oMarkers.Remove(1);
    while (oMarkersIndex.Count() > 0) oMarkersIndex.Remove(1);
    CurrentMarker = 0;
    while (ListMarkers->count() > 0) delete ListMarkers->takeItem(0);
    lstapp->clear();
  });
}

int16_t frmBrowser::MarcatoreCerca(QString& row, QString& section) {
  int16_t found = 0;
  Trap(QStringLiteral("MarcatoreCerca"), [&] {
    const qsizetype dash = row.indexOf(QLatin1Char('-'));
    row = (dash < 0 ? row : row.mid(dash + 1)).trimmed();
    if (section.isEmpty()) section = Section();
    const SectionValues values(AppName, section);
    for (int n = 1; n <= kMaxMarkers; ++n) {
      if (values.description(n) == row) {
        found = static_cast<int16_t>(n);
        return;
      }
    }
  });
  return found;
}

void frmBrowser::AddMarcatore(QString& description, int16_t& position) {
  const auto label = [this] { return QStringLiteral("AddMarcatore - ") + Messages.MARKEXIST; };
  try {
    QString audio = oPlayer ? oPlayer->FileName() : QString();
    audio = audio.mid(std::max(audio.lastIndexOf(QLatin1Char('/')),
                               audio.lastIndexOf(QLatin1Char('\\'))) + 1);
    const QString sec = Section();
    const SectionValues values(AppName, sec);
    // Numbers above 100 are never loaded: a full page takes no new bookmark.
    if (values.lastNumber() >= kMaxMarkers) {
      ui::MsgBox(kMarkersFull, ui::mb::OKOnly | ui::mb::Exclamation);
      return;
    }
    int last = 0;
    for (int n = 1; n <= kMaxMarkers; ++n) {
      const QString d = values.description(n);
      if (d != kMissing) last = n;
      if (d != description) continue;
      frmInputBox box(this);
      box.Title(QStringLiteral(
          "Attenzione! Segnalibro già esistente, cambia il testo della descrizione"));
      box.Label1->setText(QStringLiteral("Il segnalibro inserito esiste già, modifica la descrizione:"));
      box.txtInput->setText(description);
      box.Display();
      const QString changed = box.txtInput->text().trimmed();
      if (changed.isEmpty()) return;
      if (changed == d) {
        Err().Clear();
        ShowError(label(), Messages.MARKEXIST);
        return;
      }
      description = changed;
      last = 0;
      n = 0;  // the new description is checked from bookmark 1 again
    }
    const int m = last + 1;
    oMarkers.Add(position, description);
    auto* row = new QListWidgetItem(strtempo(position) + QStringLiteral("\t - ") + description);
    ListMarkers->addItem(row);
    try {
      registry::SettingsTransaction([&] {
        save(AppName, sec, QString::number(m), QString::number(position).trimmed());
        save(AppName, sec, nome(m), description.trimmed());
        save(AppName, sec, nomeAudio(m), audio.trimmed());
      });
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

void frmBrowser::reportMarcatori(int32_t Mode, const QString& step) {
  ShowError(QStringLiteral("Marcatori Mode = ") + QString::number(Mode) + QStringLiteral(" --> ") +
                step,
            QString());
}

void frmBrowser::Marcatori(int32_t Mode, const QString& /*unused*/, QString& section,
                           int16_t listNumber) {
  if (!Trap(QStringLiteral("Marcatori Mode = ") + QString::number(Mode) + QStringLiteral(" --> "),
            [&] {
              if (section.isEmpty()) section = Section();
            }))
    return;
  if (section.isEmpty()) return;
  if (Mode == 0) {
    markersLoad(section, listNumber);
  } else {
    markersDelete(Mode, section);
  }
}

// Mode 0: lists the page's bookmarks in number order, then those of the
// older section (the page's name followed by "#"), and stores them all in
// the page's section as 1, 2, 3 ... in that order.
void frmBrowser::markersLoad(QString s, int16_t L) {
  const QString older = s + QLatin1Char('#');
  std::vector<LoadedMarker> found;
  QString step = QStringLiteral("Inizio Caricamento");
  bool olderAllMoved = true, migrated = false;
  try {
    for (const QString& from : {s, older}) {
      const SectionValues values(AppName, from);
      for (int n = 1; n <= kMaxMarkers; ++n) {
        const QString d = values.description(n);
        const QString p = values.get(QString::number(n));
        if (d == kMissing || p == kMissing) continue;
        if (from == older) {
          if (static_cast<int>(found.size()) >= kMaxMarkers) {
            olderAllMoved = false;  // no number left: it stays where it is
            continue;
          }
          migrated = true;
        }
        LoadedMarker m{from, n, values.has(nomeAudio(n)), p, d, values.get(nomeAudio(n), {}), 0};
        m.newNumber = static_cast<int>(found.size()) + 1;
        found.push_back(m);
      }
    }
  } catch (...) {
    SetErrFrom(std::current_exception());
    reportMarcatori(0, step);
    return;
  }

  const QString tag = QStringLiteral("-%NUMERO%-").replace(QStringLiteral("%NUMERO%"),
                                                          QString::number(L));
  for (const LoadedMarker& m : found) {
    const QString key = L > 0 ? tag + m.description : m.description;
    double seconds = 0;
    auto listStep = [&](const char* name, const std::function<void()>& body) {
      step = QString::fromLatin1(name);
      try {
        body();
      } catch (...) {
        SetErrFrom(std::current_exception());
        reportMarcatori(0, step);
      }
    };
    listStep("Caricamento nelle liste oMarkers", [&] {
      seconds = regionalNumber(m.position);
      oMarkers.Add(seconds, key);
    });
    listStep("Caricamento nelle liste oMarkersIndex", [&] { oMarkersIndex.Add(s, key); });
    listStep("Caricamento nelle liste ListMarkers", [&] {
      const QString time = strtempo(text::toInt32(seconds));
      ListMarkers->addItem(time + (L == 0 ? QStringLiteral("\t") : QString()) +
                           QStringLiteral(" - ") + m.description);
      if (L > 0) lstapp->addItem(s + QLatin1Char('*') + QString::number(m.newNumber));
    });
  }

  // The renumbering, as one change of the store. A bookmark that keeps its
  // number keeps its values; one without an audio name gets the empty name,
  // as every renumbered bookmark does.
  const auto unchanged = [&](const LoadedMarker& m) {
    return m.section == s && m.number == m.newNumber;
  };
  step = QStringLiteral("Cancellazione Markers per riordino");
  try {
    registry::SettingsTransaction([&] {
      for (const LoadedMarker& m : found) {
        if (unchanged(m)) continue;
        remove(AppName, m.section, QString::number(m.number));
        remove(AppName, m.section, nome(m.number));
        if (m.hasAudio) remove(AppName, m.section, nomeAudio(m.number));
      }
      for (const LoadedMarker& m : found) {
        if (!unchanged(m)) {
          step = QStringLiteral("Salvataggio Markers per riordino");
          save(AppName, s, QString::number(m.newNumber), m.position);
          step = QStringLiteral("Salvataggio Markers2 per riordino");
          save(AppName, s, nome(m.newNumber), m.description);
        }
        if (unchanged(m) && m.hasAudio) continue;
        step = QStringLiteral("Salvataggio Markers3 per riordino");
        save(AppName, s, nomeAudio(m.newNumber), m.audio);
      }
      if (migrated && olderAllMoved) registry::DeleteSetting(AppName, older.toStdString());
    });
  } catch (...) {
    SetErrFrom(std::current_exception());
    reportMarcatori(0, step);
    // Nothing was renumbered: the summary rows name the bookmarks as stored.
    if (L > 0) {
      lstapp->clear();
      for (const LoadedMarker& m : found)
        lstapp->addItem(m.section + QLatin1Char('*') + QString::number(m.number));
    }
  }
}

// Mode 1 deletes every bookmark of the page (its section and the older
// one); mode 2 the bookmark of the list's selected row.
void frmBrowser::markersDelete(int32_t Mode, QString s) {
  const QString older = s + QLatin1Char('#');
  try {
    if (Mode == 1) {
      registry::SettingsTransaction([&] {
        for (const QString& from : {s, older}) {
          if (SectionValues(AppName, from).lastNumber() > 0)
            registry::DeleteSetting(AppName, from.toStdString());
        }
      });
      return;
    }
    if (Mode != 2) return;
    const int n = ListMarkers->currentRow() + 1;
    if (n < 1) return;
    // After a load, row n - 1 is bookmark n of the page's own section.
    const SectionValues values(AppName, s);
    if (values.description(n) != kMissing) {
      registry::SettingsTransaction([&] {
        if (values.has(QString::number(n))) remove(AppName, s, QString::number(n));
        remove(AppName, s, nome(n));
        if (values.has(nomeAudio(n))) remove(AppName, s, nomeAudio(n));
      });
    }
  } catch (...) {
    SetErrFrom(std::current_exception());
    reportMarcatori(Mode, QString());
    return;
  }
  if (Mode == 2) {
    ClearMarcatori();
    QString page;
    Marcatori(0, QString(), page, 0);
  }
}

}  // namespace lumo::player
