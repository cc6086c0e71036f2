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
#include "player/core/command_runner.h"
#include "player/core/links.h"
#include "player/core/pages.h"
#include "player/media_host/mdlMain.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/browser_commands.h"
#include "player/window/frmBrowser.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

void frmBrowser::objwb_BeforeNavigate2(const QString& URL, bool& Cancel) {
  Trap(QStringLiteral("objWB_BeforeNavigate2"), [&] {
    pageLoad().navigationStarts();
    TextURL->setText(URL);
    commands_->runner().link(URL.toStdString(), Cancel);
  });
}

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
