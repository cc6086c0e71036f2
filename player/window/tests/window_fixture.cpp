#include "player/window/tests/window_fixture.h"

#include <unistd.h>
#include <QApplication>
#include <QThread>
#include <cstdlib>
#include <fstream>

#include "platform/browser/htmldocument.h"
#include "platform/browser/urls.h"
#include "platform/browser/webbrowser.h"
#include "platform/registry/registry.h"
#include "player/media_host/oAnaPlayer.h"
#include "testsupport/book_fixture.h"
#include "testsupport/test_media.h"
#include "zivuvu/core/zivuvu_run.h"

namespace lumo::player::testing {

void WindowTest::setEnv(const char* name, const std::string& value) {
  env_.push_back(std::make_unique<testsupport::ScopedEnv>(name, value));
}

void WindowTest::SetUp() {
  folder_.emplace("lumo-window");
  dir_ = folder_->path();
  program_ = dir_ / "lumo";
  fs::create_directories(program_);
  fs::copy(fs::path(LUMO_TEST_SOURCE_DIR) / "install" / "Include", program_ / "Include", fs::copy_options::recursive);
  setEnv("XDG_CONFIG_HOME", (dir_ / "config").string());
  setEnv("LUMO_MACHINE_REGISTRY", (dir_ / "machine.sqlite").string());
  setEnv("LUMO_PROGRAM_FOLDER", program_.string());
  ui_.emplace();
  ui::setProgramTitle("LumoPlayer");
  if (!realMedia_) factory_ = std::make_unique<media::FakeMediaFactory>();
}

void WindowTest::TearDown() {
  window_.reset();
  QApplication::processEvents();
  factory_.reset();
  ui_.reset();
  while (!env_.empty()) env_.pop_back();
  folder_.reset();
}

void WindowTest::setPlayerSetting(const std::string& key, const std::string& value) {
  registry::SaveSetting(kAppName, kPlayerSection, key, value);
}

std::string WindowTest::playerSetting(const std::string& key, const std::string& defaultValue) {
  return registry::GetSetting(kAppName, kPlayerSection, key, defaultValue);
}

frmBrowser& WindowTest::openWindow() {
  window_ = std::make_unique<frmBrowser>();
  return *window_;
}

namespace {

// Runs an action and waits until the browser has completed a navigation.
void completing(browser::WebBrowser* browser, const std::function<void()>& action,
                const std::function<void(const std::function<bool()>&)>& wait) {
  int completed = 0;
  auto connection =
      QObject::connect(browser, &browser::WebBrowser::DocumentComplete, [&completed](const QString&) { ++completed; });
  action();
  wait([&] { return completed > 0; });
  QObject::disconnect(connection);
  QApplication::processEvents();
}

}  // namespace

void WindowTest::openPage(const QString& address) {
  completing(
      window_->objwb, [&] { window_->objwb->Navigate2(address); },
      [&](const std::function<bool()>& done) { waitFor(done, "the page to complete"); });
}

void WindowTest::splashTick() {
  completing(
      window_->objwb, [&] { window_->TimerSpalsh_Timer(); },
      [&](const std::function<bool()>& done) { waitFor(done, "the first page"); });
}

void WindowTest::clickLink(const std::string& href) {
  browser::HtmlElement link;
  for (const browser::HtmlElement& a : window_->objwb->Document().links())
    if (a.getAttribute("href") == href) link = a;
  ASSERT_FALSE(link.isNull()) << "no link " << href;
  completing(
      window_->objwb, [&] { window_->objwb->click(link); },
      [&](const std::function<bool()>& done) { waitFor(done, "the linked page"); });
}

// Zivuvu's pages of a book folder, written into the program folder.
void WindowTest::writePagesOf(const fs::path& book) {
  registry::SaveSetting(lumo::zivuvu::kApp, lumo::zivuvu::kSection, "CD", book.string());
  lumo::zivuvu::RunOptions options;
  options.appFolder = program_.string();
  options.yield = [] {};
  options.startPlayer = [](const std::string&) { return true; };
  EXPECT_EQ(lumo::zivuvu::ZivuvuRun(options), lumo::zivuvu::RunOutcome::PagesWritten);
}

fs::path WindowTest::makeZivuvuBook(const std::string& code) {
  const fs::path book = dir_ / "books" / ("Libro " + code);
  lumo::testsupport::book::makeBook(book, code, true);
  writePagesOf(book);
  return book;
}

QString WindowTest::programAddress(const std::string& relative, const std::string& rest) const {
  return QString::fromStdString(browser::url::fileAddress((program_ / relative).string(), rest));
}

QString WindowTest::mediaUrl() const {
  return window_ && window_->anaPlayer() ? window_->anaPlayer()->FileName() : QString();
}

std::map<std::string, std::string> WindowTest::sectionValues(const std::string& section) const {
  std::map<std::string, std::string> values;
  for (const auto& [name, value] : registry::GetAllSettings(kAppName, section)) values[name] = value;
  return values;
}

void WindowTest::waitFor(const std::function<bool()>& condition, const char* what, int rounds) {
  for (int round = 0; round < rounds; ++round) {
    if (condition()) return;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(2);
  }
  FAIL() << "waited in vain for " << what;
}

QString WindowTest::writePage(const fs::path& file, const std::string& html) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << html;
  return QString::fromStdString(browser::url::fileAddress(file.string()));
}

fs::path WindowTest::makeBookPages(const std::string& name, const std::vector<std::string>& marker,
                                   const std::vector<std::pair<std::string, double>>& tones) {
  const fs::path book = dir_ / name;
  fs::create_directories(book);
  lumo::text::writeTextFile(book / "marker.txt", marker);
  for (const auto& [file, seconds] : tones)
    lumo::testing::makeTone(QString::fromStdString((book / "Libro" / file).string()), seconds);
  writePagesOf(book);
  return book;
}

void WindowTest::writeAudio(const fs::path& file, int seconds) {
  fs::create_directories(file.parent_path());
  lumo::testsupport::book::writeMp3(file, seconds);
}

media::FakeMediaControl* WindowTest::fake() const { return factory_ ? factory_->last() : nullptr; }

std::vector<std::string> WindowTest::errorReports() const {
  std::vector<std::string> labels;
  for (const auto& box : (*ui_)->shown()) {
    if (box.title != "LUMO Player - Segnalazioni") continue;
    const size_t at = box.text.rfind("Prg: ");
    labels.push_back(at == std::string::npos ? box.text : box.text.substr(at + 5));
  }
  return labels;
}

}  // namespace lumo::player::testing
