#include "player/window/tests/commands_fixture.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTextBrowser>
#include <QTimer>
#include <fstream>

#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "platform/registry/registry.h"
#include "player/window/frmInputBox.h"

namespace lumo::player::testing {

void CommandsTest::SetUp() {
  WindowTest::SetUp();
  // Only the root file system, unless a test mounts more.
  mountTable({"/dev/sda1 / ext4"});
}

void CommandsTest::TearDown() {
  WindowTest::TearDown();
  mounts_.reset();
}

void CommandsTest::mountTable(const std::vector<std::string>& lines) {
  const fs::path table = dir_ / "mounts";
  std::ofstream out(table, std::ios::binary);
  for (const std::string& line : lines) out << line << " rw 0 0\n";
  out.close();
  mounts_.reset();
  mounts_ = std::make_unique<lumo::testing::ScopedEnv>("LUMO_MOUNTS", QByteArray::fromStdString(table.string()));
}

QString CommandsTest::libroFile(const std::string& name) const {
  return QString::fromStdString((libro() / name).string());
}

QString CommandsTest::writeFilePage(const std::string& name, const FilePage& page) {
  std::string html = "<html><head><title>Pagina " + name + "</title>\n";
  if (!page.audio.empty()) {
    writeAudio(libro() / page.audio, 1);
    html += "<meta name=\"QENPLAYER_AUDIO\" content=\"" + (libro() / page.audio).string() + "\">\n";
  }
  if (!page.prev.empty()) html += "<meta name=\"QENPLAYER_AUDIO_PREVHTML\" content=\"" + page.prev + "\">\n";
  if (!page.next.empty()) html += "<meta name=\"QENPLAYER_AUDIO_NEXTHTML_1\" content=\"" + page.next + "\">\n";
  html += page.head + "</head><body><h1>" + name + "</h1>\n";
  for (size_t i = 0; i < page.anchors.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    html += "<p><a id=\"LumoIndex_" + n + "\" name=\"LumoIndex_" + n +
            "\" href=\"#QENPLAYER_AUDIO_POS=" + page.anchors[i] + "\">Voce " + n + "</a></p>\n";
  }
  html += page.body + "</body></html>\n";
  return writePage(program_ / "LB01" / name, html);
}

frmBrowser& CommandsTest::openOn(const QString& address) {
  frmBrowser& w = openWindow();
  openPage(address);
  return w;
}

void CommandsTest::press(int keyCode, int shiftState, QWidget* target) {
  if (target == nullptr) target = window_->objwb->view();
  const auto down = keys::makeKeyEvent(keyCode, shiftState, QEvent::KeyPress);
  QApplication::sendEvent(target, down.get());
  const auto up = keys::makeKeyEvent(keyCode, shiftState, QEvent::KeyRelease);
  QApplication::sendEvent(target, up.get());
  QApplication::processEvents();
}

QString CommandsTest::osd() const { return window_->frmOSD->isHidden() ? QString() : window_->lblOSD->text(); }

bool CommandsTest::osdStays() const { return !window_->frmOSD->isHidden() && !window_->TimerOSD->isActive(); }

void CommandsTest::at(double seconds, bool playing) {
  fake()->play();
  fake()->setCurrentPosition(seconds);
  if (!playing) fake()->pause();
  QApplication::processEvents();
  fake()->clearCalls();
  window_->frmOSD->hide();
}

void CommandsTest::answerInputBox(std::optional<QString> text, QString* title) {
  // The box opens inside the command; it is answered from its own loop.
  auto* timer = new QTimer;
  timer->setInterval(1);
  QObject::connect(timer, &QTimer::timeout, [timer, text, title] {
    auto* box = qobject_cast<frmInputBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    if (title) *title = box->windowTitle();
    if (text) {
      box->txtInput->setText(*text);
      box->Command2_Click();
    } else {
      box->Command1_Click();
    }
  });
  timer->start();
}

void CommandsTest::storeMarker(const std::string& section, int n, const std::string& position,
                               const std::string& description, std::optional<std::string> audio) {
  const std::string k = std::to_string(n);
  registry::SaveSetting(kAppName, section, k, position);
  registry::SaveSetting(kAppName, section, k + "NOME", description);
  if (audio) registry::SaveSetting(kAppName, section, k + "NOMEAUDIO", *audio);
}

QStringList CommandsTest::rows() const {
  QStringList list;
  for (int i = 0; i < window_->ListMarkers->count(); ++i) list << window_->ListMarkers->item(i)->text();
  return list;
}

}  // namespace lumo::player::testing
