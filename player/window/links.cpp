// The link side of the book pages' keywords: every address the browser is
// about to open passes the window first, and an address that carries one
// of the player's keywords runs its command instead of opening. Also the
// browser's other events: a title that reports an unreachable server, and
// navigation errors.

#include <QLineEdit>
#include <string>
#include <string_view>

#include "common/bookpage/bookpage.h"
#include "platform/browser/webbrowser.h"
#include "player/core/links.h"
#include "player/core/pages.h"
#include "player/media_host/mdlMain.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/frmBrowser.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

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

    const core::LinkCommand link = core::linkCommand(URL.toStdString());
    switch (link.kind) {
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
        Form_KeyDown(wholeNumber(qs(link.key.codeText)), link.key.shift);
        Cancel = true;
        break;
      case bookpage::LinkKind::NamedMedia:
      case bookpage::LinkKind::Video:
        mediaLink(link.media);
        Cancel = true;
        break;
      case bookpage::LinkKind::None: break;
    }
  });
}

// A media file that the link names, or the video that the page's
// dictionary element names.
void frmBrowser::mediaLink(const core::MediaLink& link) {
  QString name = qs(link.name);
  if (link.fromPage) {
    name = qs(core::dictionaryVideoName(objwb->Document().All(std::string(bookpage::kDictionaryVideoElement)).value()));
  }
  if (link.clean) name = PulisciUrl(name);
  oAnaPlayer& p = player();
  p.setFullScreen(link.fullScreen);
  p.setFileName(qs(core::withoutPageExtensions(name.toStdString())));
  p.Play_Player();
}

QString frmBrowser::PulisciUrl(const QString& url) {
  QString s = url;
  Trap(QStringLiteral("PulisciUrl"),
       [&] { s = qs(core::PulisciUrl(url.toStdString(), objwb->LocationURL().toStdString(), AppPath.toStdString())); });
  return s;
}
void frmBrowser::objwb_TitleChange(const QString& Text) {
  Trap(QStringLiteral("objWB_TitleChange"), [&] {
    // The browser's own page for a server it cannot reach.
    if (Text.toLower() == QLatin1String("impossibile trovare il server"))
      objwb->Navigate2(replaceAll(AppPath + QStringLiteral("/Index.htm"), QStringLiteral("//"), QStringLiteral("/")));
  });
}

// A failed navigation leaves the browser's own error page.
void frmBrowser::objwb_NavigateError(const QString& /*URL*/, int /*StatusCode*/, bool& /*Cancel*/) {}

}  // namespace lumo::player
