// The link side of the book pages' keywords: every address the browser is
// about to open passes the window first, and an address that carries one
// of the player's keywords runs its command instead of opening. Also the
// browser's other events: a title that reports an unreachable server, and
// navigation errors.

#include <QLineEdit>
#include <optional>
#include <string_view>

#include "common/bookpage/bookpage.h"

#include "platform/browser/urls.h"
#include "platform/browser/webbrowser.h"
#include "player/engine/mdlMain.h"
#include "player/engine/oAnaPlayer.h"
#include "player/window/frmBrowser.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

const QString kNoFull = qs(bookpage::kNoFullScreen);

// A reference that names no scheme and no absolute path: it is relative to
// the page shown.
bool isRelative(const QString& reference) {
  return !reference.startsWith(QLatin1Char('/')) &&
         browser::url::scheme(reference.toStdString()).empty();
}

QString withoutPageExtensions(QString path) {
  path = replaceAll(path, QStringLiteral(".htm"), QString());
  return replaceAll(path, QStringLiteral(".HTM"), QString());
}

}  // namespace

void frmBrowser::objwb_BeforeNavigate2(const QString& URL, bool& Cancel) {
  Trap(QStringLiteral("objWB_BeforeNavigate2"), [&] {
    // A page reloaded with a kept fragment keeps it through this one
    // navigation only.
    if (KeepFragment) {
      KeepFragment = false;
    } else {
      PendingFragment.clear();
    }
    TextURL->setText(URL);

    switch (bookpage::linkKind(URL.toStdString())) {
      case bookpage::LinkKind::Reload:
        Playaudio(qs(bookpage::kReload), false, false);
        Cancel = true;
        break;
      case bookpage::LinkKind::Stop:
        player().Stop_Player();
        Cancel = true;
        OSD(QStringLiteral("STOP ") + positionText(), false);
        break;
      case bookpage::LinkKind::Pause:
        player().Pause_Player();
        Cancel = true;
        OSD(QStringLiteral("PAUSA ") + positionText() + QStringLiteral(" premere ctrl+3"), true);
        break;
      case bookpage::LinkKind::Play:
        player().Play_Player();
        Cancel = true;
        OSD(QStringLiteral("PLAY ") + positionText(), false);
        break;
      case bookpage::LinkKind::KeyCommand:
        keyCommandLink(URL);
        Cancel = true;
        break;
      case bookpage::LinkKind::NamedMedia:
        namedMediaLink(URL);
        Cancel = true;
        break;
      case bookpage::LinkKind::Video:
        videoLink(URL);
        Cancel = true;
        break;
      case bookpage::LinkKind::None:
        break;
    }
  });
}

// A keyboard command: the key code and shift state the link names.
void frmBrowser::keyCommandLink(const QString& URL) {
  const std::optional<bookpage::KeyCommand> command = bookpage::parseKeyCommand(URL.toStdString());
  if (command) Form_KeyDown(wholeNumber(qs(command->codeText)), command->shift);
}

// A media file to play, named between "@" or "#" delimiters.
void frmBrowser::namedMediaLink(const QString& URL) {
  const QString d = URL.contains(qs(bookpage::kNamedMediaAt)) ? QStringLiteral("@")
                                                               : QStringLiteral("#");
  QString path = replaceAll(URL, d + qs(bookpage::kNamedMedia) + d, QString());
  // The window option is no part of the file's name.
  path = replaceAll(path, kNoFull, QString());
  path = replaceAll(path, d, QString());
  playMedia(PulisciUrl(path), !URL.contains(kNoFull));
}

// A link to a video file, or to the video that the page's dictionary
// element names (played in a window).
void frmBrowser::videoLink(const QString& URL) {
  QString name;
  bool fullScreen = false;
  const bool fromPage = URL.contains(qs(bookpage::kDictionaryVideo));
  if (fromPage) {
    name = QString::fromStdString(
        objwb->Document().All(std::string(bookpage::kDictionaryVideoElement)).value());
  } else {
    name = URL;
    fullScreen = !URL.contains(kNoFull);
  }
  name = replaceAll(name, kNoFull, QString());
  if (!fromPage) name = PulisciUrl(name);
  playMedia(name, fullScreen);
}

void frmBrowser::playMedia(QString path, bool fullScreen) {
  oAnaPlayer& p = player();
  p.setFullScreen(fullScreen);
  p.setFileName(withoutPageExtensions(path));
  p.Play_Player();
}

QString frmBrowser::PulisciUrl(const QString& url) {
  QString s = url;
  Trap(QStringLiteral("PulisciUrl"), [&] {
    const QString location = objwb->LocationURL();
    // The page shown, without the fragment that an index link left on it.
    const QString page = QString::fromStdString(browser::url::withoutFragment(location.toStdString()));
    s = replaceAll(s, location, QString());
    s = replaceAll(s, page, QString());
    const bool inside = replaceAll(s, QStringLiteral("%20"), QStringLiteral(" ")).contains(AppPath);
    qsizetype at = s.indexOf(QLatin1Char('#'));
    if (at >= 0) s = s.mid(at + 1);
    at = s.indexOf(QLatin1Char('?'));
    if (at >= 0) s = s.mid(at + 1);
    // What is left of a link outside the program is a name relative to the
    // page; an absolute address stays as it is.
    if (!inside && isRelative(s)) s = page.left(page.lastIndexOf(QLatin1Char('/')) + 1) + s;
    s = replaceAll(s, QStringLiteral("\\"), QStringLiteral("/"));
    for (int i = 0; i < 3; ++i) s = replaceAll(s, QStringLiteral("//"), QStringLiteral("/"));
    s = replaceAll(s, QStringLiteral("file:/"), QStringLiteral("/"));
    s = replaceAll(s, QStringLiteral("%20"), QStringLiteral(" "));
    s = replaceAll(s, QStringLiteral("@"), QString());
  });
  return s;
}

void frmBrowser::objwb_TitleChange(const QString& Text) {
  Trap(QStringLiteral("objWB_TitleChange"), [&] {
    // The browser's own page for a server it cannot reach.
    if (Text.toLower() == QLatin1String("impossibile trovare il server"))
      objwb->Navigate2(replaceAll(AppPath + QStringLiteral("/Index.htm"), QStringLiteral("//"),
                                  QStringLiteral("/")));
  });
}

// A failed navigation leaves the browser's own error page.
void frmBrowser::objwb_NavigateError(const QString& /*URL*/, int /*StatusCode*/, bool& /*Cancel*/) {}

}  // namespace lumo::player
