// The on-screen display that confirms commands, and the stored reading speed.

#include <QFrame>
#include <QLabel>
#include <QTimer>

#include "platform/registry/registry.h"
#include "platform/ui/notification.h"
#include "player/media_host/mdlMain.h"
#include "player/window/frmBrowser.h"
#include "player/window/window_text.h"

namespace lumo::player {

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

float frmBrowser::PlayerRate() {
  float rate = 0;
  Trap(QStringLiteral("PlayerRate"), [&] {
    const std::string text = registry::GetSetting(AppName, kPlayerSection, "Rate", "1");
    rate = singleNumber(QString::fromStdString(text));
  });
  return rate;
}

void frmBrowser::PlayerRate(float value) {
  Trap(QStringLiteral("let PlayerRate"),
       [&] { registry::SaveSetting(AppName, kPlayerSection, "Rate", singleText(value).toStdString()); });
}

}  // namespace lumo::player
