// frmBrowser: the wiring of its controls' events to their handlers, the
// keys (every key pressed in the window reaches the key commands first)
// and the browser's navigation events: every address the browser is about
// to open passes the window first, a title that reports an unreachable
// server, and navigation errors.

#include "player/window/frmBrowser.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBrowser>

#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "player/core/command_runner.h"
#include "player/core/keytable.h"
#include "player/media_host/mdlMain.h"
#include "player/window/browser_commands.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace vk = keys::vk;

namespace {

constexpr int16_t kNoShift = keys::shift::None;

bool isModifierKey(int key) {
  return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
         key == Qt::Key_AltGr || key == Qt::Key_Super_L || key == Qt::Key_Super_R;
}

}  // namespace

// ---- Wiring ---------------------------------------------------------------------

void frmBrowser::connectCommands() {
  connect(objwb, &browser::WebBrowser::BeforeNavigate2, this, &frmBrowser::objwb_BeforeNavigate2);
  connect(objwb, &browser::WebBrowser::TitleChange, this, &frmBrowser::objwb_TitleChange);
  connect(objwb, &browser::WebBrowser::NavigateError, this, &frmBrowser::objwb_NavigateError);

  // A click, and a change of the selected row by the keyboard, as VB's
  // Click event of a list.
  connect(ListMarkers, &QListWidget::itemClicked, this, [this] { ListMarkers_Click(); });
  connect(ListMarkers, &QListWidget::currentRowChanged, this, [this] { ListMarkers_Click(); });
  connect(ListMarkers, &QListWidget::itemDoubleClicked, this, [this] { ListMarkers_DblClick(); });

  connect(chkAudioOff, &QCheckBox::toggled, this, [this] { chkAudioOff_Click(); });
  connect(chkSavePos, &QCheckBox::toggled, this, [this] { chkSavePos_Click(); });
  connect(TextRate, &QLineEdit::textChanged, this, [this] { TextRate_Change(); });
  connect(TextVolume, &QLineEdit::textChanged, this, [this] { TextVolume_Change(); });
  connect(TextAvantiIndietro, &QLineEdit::textChanged, this, [this] { TextAvantiIndietro_Change(); });
  connect(cmdSetupClose, &QPushButton::clicked, this, [this] { cmdSetupClose_Click(); });
  for (int16_t i = 0; i < static_cast<int16_t>(cmdDebug.size()); ++i)
    connect(cmdDebug[i], &QPushButton::clicked, this, [this, i] { cmdDebug_Click(i); });
  connect(cmdFileAudio, &QPushButton::clicked, this, [this] { cmdFileAudio_Click(); });
  connect(cmdGO, &QPushButton::clicked, this, [this] { cmdGO_Click(); });
  for (int16_t i = 0; i < static_cast<int16_t>(cmdImpExp.size()); ++i)
    connect(cmdImpExp[i], &QPushButton::clicked, this, [this, i] { cmdImpExp_Click(i); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

  // The window sees every key first, whichever of its controls has the
  // focus (the page view, the bookmark list, a box of the panels).
  installEventFilter(this);
  objwb->view()->installEventFilter(this);
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

bool frmBrowser::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (isModifierKey(key->key())) return false;
    const auto code = static_cast<int16_t>(keys::virtualKeyCode(*key));
    const auto shift = static_cast<int16_t>(keys::shiftState(key->modifiers()));
    if (keyCommand(code, shift)) return true;
    if (watched == ListMarkers) {
      ListMarkers_KeyDown(code, shift);
      // Enter and Delete are the list's commands, not its own keys.
      return (code == vk::Return && shift == kNoShift) || code == vk::Delete;
    }
    if (watched == TextFileName) TextFileName_KeyDown(code, shift);
    return false;
  }
  if (event->type() == QEvent::MouseMove && watched == fraDebug) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->buttons() & Qt::LeftButton) {
      const QPoint at = fraDebug->mapToParent(mouse->position().toPoint());
      fraDebug_DragOver(at.x() * kTwipsPerPixel, at.y() * kTwipsPerPixel);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Dispatch --------------------------------------------------------------------

void frmBrowser::Form_KeyDown(int16_t KeyCode, int16_t Shift) { keyCommand(KeyCode, Shift); }

bool frmBrowser::keyCommand(int16_t KeyCode, int16_t Shift) {
  core::KeyDispatch dispatch;
  Trap([&] { return QStringLiteral("Form_KeyDown - ") + QString::fromStdString(dispatch.step); },
       [&] { commands_->runner().key(KeyCode, Shift, dispatch); });
  return dispatch.ran;
}

// ---- The browser's events ----------------------------------------------------------

void frmBrowser::objwb_BeforeNavigate2(const QString& URL, bool& Cancel) {
  Trap(QStringLiteral("objWB_BeforeNavigate2"), [&] {
    pageLoad().navigationStarts();
    TextURL->setText(URL);
    commands_->runner().link(URL.toStdString(), Cancel);
  });
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
