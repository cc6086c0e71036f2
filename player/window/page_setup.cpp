// PageSetup: the set-up of each page that completes, the choice of the
// media file a page means and its loading into the player, and the move to
// the next media file or page when a medium ends.

#include "player/window/page_setup.h"

#include <QListWidget>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <system_error>

#include "common/bookpage/bookpage.h"
#include "common/errors/errors.h"
#include "platform/browser/webbrowser.h"
#include "platform/shell/shell.h"
#include "player/core/links.h"
#include "player/core/media.h"
#include "player/media_host/mdlMain.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/messages.h"
#include "player/window/window_constants.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace fs = std::filesystem;

namespace {

// The existing file a path names, letter case ignored; "" when none.
QString existingFile(const QString& path) {
  if (!path.startsWith(QLatin1Char('/'))) return {};
  const std::string resolved = shell::resolvePath(path.toStdString());
  std::error_code ec;
  return fs::is_regular_file(resolved, ec) ? QString::fromStdString(resolved) : QString();
}

// The existing file for a base name: itself when it has an extension, else
// the first of the probed extensions that exists, and the name as it
// stands when none does.
QString existingMedia(const QString& base, bool probe) {
  if (probe) {
    for (const std::string& ext : core::probedExtensions()) {
      const QString found = existingFile(base + QString::fromStdString(ext));
      if (!found.isEmpty()) return found;
    }
  }
  return existingFile(base);
}

// A position in seconds as pages write it ("95"), or in the regional format.
double positionNumber(const QString& text) {
  bool ok = false;
  const double value = QLocale::c().toDouble(text.trimmed(), &ok);
  return ok ? value : regionalNumber(text);
}

}  // namespace

QString PageSetup::pageMeta(const QString& name) const {
  QString content;
  skipOnError([&] {
    const browser::HtmlElement tag = w_.webBrowser().Document().All(name.toStdString());
    if (tag) content = QString::fromStdString(tag.content());
  });
  return content;
}

// ---- Page set-up ----------------------------------------------------------------

void PageSetup::documentComplete(const QString& URL) {
  const bool summary = isSummaryPage(URL);
  skipOnError([&] { w_.markerList().setToolTip(QStringLiteral("Elenco segnalibri")); });
  skipOnError([&] {
    w_.ClearMarcatori();
    if (summary) {
      loadSummaryBookmarks();
    } else {
      QString page;
      w_.Marcatori(MarcatoriMode::Load, QString(), page, 0);
    }
  });
  // A page without a title keeps the design caption, so the window is never
  // nameless to a screen reader.
  QString caption = QString::fromUtf8(kDesignCaption);
  skipOnError([&] {
    const QString title = QString::fromStdString(w_.webBrowser().Document().title());
    if (!title.isEmpty()) caption = title;
  });
  skipOnError([&] {
    if (w_.widget().windowTitle() != caption) {
      w_.widget().setWindowTitle(caption);
      const browser::HtmlElement first = w_.webBrowser().Document().body().All(1);
      // An open panel keeps the focus; the page is ready for the reader's
      // return.
      if (w_.panelOpen()) {
        w_.webBrowser().selectElement(first);
      } else {
        first.focus();
      }
    }
  });
  skipOnError([&] { load_.pageShown(w_.webBrowser().LocationName().toStdString()); });
  skipOnError([&] {
    w_.widget().setWindowTitle(caption);
    w_.widget().setAccessibleName(caption);
  });
  skipOnError([&] { applyReaderStyleSheet(); });
  const bool resuming = load_.resumePending();
  skipOnError([&] {
    DoEvents();
    if (!URL.isEmpty() && URL != QLatin1String("http:///")) playAudio(URL, false, false);
  });
  const bool recalling = load_.pendingMarker() > 0;
  skipOnError([&] {
    if (load_.pendingMarker() > 0) {
      int16_t n = load_.pendingMarker();
      w_.MarcatoriRichiama(n);
      load_.setPendingMarker(0);
    }
  });
  // A recalled bookmark has presented its own heading.
  if (!recalling) skipOnError([&] { presentOpenedHeading(URL, resuming && !load_.resumePending()); });
  if (summary) {
    Trap(QStringLiteral("Documentcompleted - Messaggi multilingua"), [&] { takeOverMessages(); });
  }
}

// ---- The heading the page was opened at -------------------------------------------

std::string PageSetup::anchorLink(int32_t n) const {
  std::string link;
  skipOnError([&] {
    const browser::HtmlElement anchor = w_.webBrowser().Document().All(bookpage::indexAnchorName(n));
    if (anchor) link = anchor.href();
  });
  return link;
}

void PageSetup::presentHeading(int32_t n) {
  const browser::HtmlElement anchor = w_.webBrowser().Document().All(bookpage::indexAnchorName(n));
  w_.webBrowser().presentLink(anchor, !w_.panelOpen());
}

void PageSetup::presentHeadingAt(double seconds) {
  if (!(seconds >= 0) || seconds > core::kMaxIndexAnchors) return;
  const auto at = static_cast<int32_t>(std::floor(seconds));
  const int32_t n = core::headingAt(at, false, [this](int32_t i) { return anchorLink(i); });
  if (n > 0) presentHeading(n);
}

void PageSetup::presentOpenedHeading(const QString& URL, bool resumed) {
  if (resumed) {
    presentHeadingAt(positionNumber(QString::fromStdString(w_.playerSetting("BranoPos", ""))));
    return;
  }
  const std::optional<int32_t> seconds = core::anchorSeconds(URL.toStdString());
  if (!seconds) return;  // opened from its start: the focus the set-up gave stays
  // The entry Alt+8 or Alt+7 reached; the index link Enter was pressed on
  // (a heading may share its time with another); else the first entry at
  // that time.
  int32_t n = 0;
  const int16_t reached = load_.currentIndex();
  if (reached > 0 && core::anchorSeconds(anchorLink(reached)) == seconds) n = reached;
  const browser::HtmlElement selected = w_.webBrowser().selectedElement();
  for (int32_t i = 1; n == 0 && selected && i <= core::kMaxIndexAnchors; ++i) {
    const std::string link = anchorLink(i);
    if (link.empty()) break;
    if (core::anchorSeconds(link) == seconds &&
        w_.webBrowser().Document().All(bookpage::indexAnchorName(i)) == selected)
      n = i;
  }
  if (n == 0) n = core::headingAt(*seconds, true, [this](int32_t i) { return anchorLink(i); });
  if (n > 0) presentHeading(n);
}

// The bookmarks of every page of the book folders (the program folder's
// subfolders but Include), numbered page by page; in name order, so the
// list reads the same on every file system.
void PageSetup::loadSummaryBookmarks() {
  std::vector<fs::path> folders;
  std::error_code ec;
  for (fs::directory_iterator it(w_.programFolder().toStdString(), ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec) &&
        QString::fromStdString(it->path().filename().string()).toUpper() != QLatin1String("INCLUDE"))
      folders.push_back(it->path());
  }
  std::sort(folders.begin(), folders.end());
  int16_t i = 0;
  for (const fs::path& folder : folders) {
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_regular_file(ec)) files.push_back(it->path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      QString section = QString::fromStdString(folder.filename().string()) + QLatin1Char('\\') +
                        QString::fromStdString(file.filename().string());
      w_.Marcatori(MarcatoriMode::Load, QString(), section, ++i);
    }
  }
}

// The reader's style sheet, linked around the page's own first sheet (at
// position 1, so that it wins over it) and first of all (position 0).
void PageSetup::applyReaderStyleSheet() {
  const std::string href =
      "file://" + w_.programFolder().toStdString() + "/INCLUDE/Style" + std::to_string(load_.styleNumber()) + ".CSS";
  browser::HtmlDocument& document = w_.webBrowser().Document();
  if (document.styleSheetCount() >= 1) document.createStyleSheet(href, 1);
  document.createStyleSheet(href, 0);
  w_.applyStyleColours();  // the panels over the page in the same style
}

void PageSetup::takeOverMessages() {
  for (const char* key : MessageTexts::replacementOrder()) {
    const QString name = QString::fromStdString(bookpage::messageMeta(key));
    skipOnError([&] {
      const browser::HtmlElement tag = w_.webBrowser().Document().All(name.toStdString());
      if (tag && tag.hasAttribute("content"))
        *w_.messageTexts().byKey(QLatin1String(key)) = QString::fromStdString(tag.content());
    });
  }
}

// ---- Audio selection --------------------------------------------------------------

bool PageSetup::playAudio(const QString& URL, bool bNext, bool bPrev) {
  if (load_.autoPlayHeld()) return false;
  QString step = QStringLiteral("Inizio Ricerca URL");
  bool loaded = false;
  const auto meta = [this](const std::string& name) { return pageMeta(QString::fromStdString(name)).toStdString(); };
  const bool ok =
      Trap([&] { return QStringLiteral("Playaudio - ") + step; },
           [&] {
             step = QStringLiteral("Stop Audio 1");
             w_.player().Stop_Player();

             if (bNext || bPrev) step = QStringLiteral("Next o Prev Audio");
             const core::AudioChoice choice = load_.chooseAudio(bNext, bPrev, meta);
             if (bNext || bPrev) step = QStringLiteral("Get QENPLAYER_AUDIO");
             if (!choice.nextPage.empty()) {
               w_.webBrowser().Navigate2(pageFolderAddress(w_.webBrowser().LocationURL()) +
                                         QString::fromStdString(choice.nextPage));
               return;  // the new page starts its own audio when it is complete
             }
             const QString tag = QString::fromStdString(choice.tag);

             step = QStringLiteral("2");
             if (URL.toStdString() == bookpage::kReload) {
               step = QStringLiteral("Play_Player 1");
               skipOnError([&] { w_.player().Play_Player(); });
             } else {
               step = QStringLiteral("QENPLAYER_AUDIO_POS");
               const QString mediaName = pageMeta(tag);
               const QString position = startPosition(URL, bNext || bPrev);
               if (!mediaName.isEmpty()) {
                 step = QStringLiteral("Definizione file Audio");
                 loaded = loadMedia(URL, mediaName, position, step);
               }
             }
             // The position of the last exit, once, after the splash tick
             // reopened that page.
             if (load_.takeResume()) {
               w_.player().setCurrentPosition(regionalNumber(QString::fromStdString(w_.playerSetting("BranoPos", ""))));
             }
           });
  return ok && loaded;
}

// The start position of a page's media file: from the position keyword of
// the fragment kept across a reload or of the address, else from the
// page's meta tag of that media file ("" for none: it starts at 0). A kept
// fragment names a place in the media file the page starts with, so the
// move to another of the page's media files does not use it.
QString PageSetup::startPosition(const QString& URL, bool moving) const {
  return QString::fromStdString(load_.startPosition(URL.toStdString(), moving, [this](const std::string& name) {
    return pageMeta(QString::fromStdString(name)).toStdString();
  }));
}

// Finds the media file a page names and loads it; false when there is none.
bool PageSetup::loadMedia(const QString& URL, const QString& mediaName, const QString& position, QString& step) {
  bool video = false;
  const QString file = findMedia(URL, mediaName, video, step);
  if (file.isEmpty()) return false;
  oAnaPlayer& p = w_.player();
  if (video) {
    // A video is loaded, not started: the reader starts it.
    p.setAutoStart(false);
    p.setRate(1.0f);
    p.setFileName(file);
  } else {
    p.setAutoStart(true);
    p.setRate(w_.PlayerRate());
    p.setFileName(file);
    if (!position.isEmpty()) {
      DoEvents();
      skipOnError([&] { w_.player().setCurrentPosition(positionNumber(position)); });
    }
  }
  step = QStringLiteral("do events");
  DoEvents();
  w_.player().setRate(w_.PlayerRate());
  return true;
}

// The file of a media name: the name itself when it is a full path, else
// beside the page, in the program folder or in its "Libro" folder; a name
// without extension is completed by probing in each of these places.
QString PageSetup::findMedia(const QString& URL, const QString& mediaName, bool& video, QString& step) const {
  // The end of a medium names no page: its folder is the page shown.
  const QString folder = localFolderOf(URL.isEmpty() ? w_.webBrowser().LocationURL() : URL);
  const auto candidates =
      core::mediaCandidates(mediaName.toStdString(), folder.toStdString(), w_.programFolder().toStdString());
  // The first candidate is the name itself.
  const bool probe = !core::hasExtension(candidates.front().first);
  for (const auto& [candidate, label] : candidates) {
    step = QString::fromStdString(label);
    const QString found = existingMedia(QString::fromStdString(candidate), probe);
    if (!found.isEmpty()) {
      video = core::isVideoName(found.toStdString());
      return found;
    }
  }
  return {};
}

}  // namespace lumo::player
