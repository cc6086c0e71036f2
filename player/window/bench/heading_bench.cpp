// Key to screen for the index keys over a whole reading session: the real
// window on the offscreen platform, a Zivuvu file page of 300 headings, the
// fake media control. Alt+8 forty times, then Alt+7 forty times; each press
// is timed from the key event until its move within the page has completed,
// the page set-up has run and the window has painted. The counters give the
// first, the last and the slowest press.
//
//   QT_QPA_PLATFORM=offscreen build/player/window/lumo_player_heading_bench

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QTextBrowser>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/browser/urls.h"
#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "platform/registry/registry.h"
#include "platform/ui/ui.h"
#include "player/window/frmBrowser.h"
#include "testsupport/book_fixture.h"
#include "testsupport/fake_media_control.h"
#include "zivuvu/core/zivuvu_run.h"

namespace {

namespace fs = std::filesystem;
using lumo::player::frmBrowser;

constexpr int kHeadings = 300;
constexpr int kStep = 10;  // seconds between two headings
constexpr int kPresses = 40;

// The reader's world: program folder with Include, the book's pages, the
// window on the file page, the fake media control playing its audio.
struct Session {
  Session() : tmp("heading_bench") {
    ::setenv("XDG_CONFIG_HOME", (tmp.path / "config").c_str(), 1);
    ::setenv("LUMO_MACHINE_REGISTRY", (tmp.path / "machine.sqlite").c_str(), 1);
    program = tmp.path / "lumo";
    fs::create_directories(program);
    fs::copy(fs::path(LUMO_SOURCE_DIR) / "install" / "Include", program / "Include", fs::copy_options::recursive);
    ::setenv("LUMO_PROGRAM_FOLDER", program.c_str(), 1);
    lumo::ui::setBackend(std::make_shared<lumo::ui::ScriptedBackend>());

    const fs::path book = tmp.path / "Libro lungo";
    std::vector<std::string> index = {"LB01",      "Autore",  "Libro lungo", "Editore",
                                      "Roma 2024", "Lettore", "1",           "A," + std::to_string(kHeadings) + ","};
    for (int m = 0; m < kHeadings; ++m) {
      index.push_back("Paragrafo " + std::to_string(m + 1));
      index.push_back(std::to_string(m * kStep) + "," + std::to_string(m + 1));
    }
    fs::create_directories(book / "Libro");
    lumo::text::writeTextFile(book / "marker.txt", index);
    lumo::testsupport::book::writeMp3(book / "Libro" / "A.mp3", 10);
    lumo::registry::SaveSetting(lumo::zivuvu::kApp, lumo::zivuvu::kSection, "CD", book.string());
    lumo::zivuvu::RunOptions options;
    options.appFolder = program.string();
    options.yield = [] {};
    options.startPlayer = [](const std::string&) { return true; };
    lumo::zivuvu::ZivuvuRun(options);

    window = std::make_unique<frmBrowser>();
    window->show();
    completing([&] {
      window->objwb->Navigate2(
          QString::fromStdString(lumo::browser::url::fileAddress((program / "LB01" / "A.htm").string())));
    });
    factory.last()->setDefaultMedium(kHeadings * kStep + 60);
    factory.last()->play();
    QApplication::processEvents();
  }

  // Runs an action and processes events until a navigation has completed.
  void completing(const std::function<void()>& action) {
    int completed = 0;
    auto c = QObject::connect(window->objwb, &lumo::browser::WebBrowser::DocumentComplete,
                              [&completed](const QString&) { ++completed; });
    action();
    for (int i = 0; i < 5000 && completed == 0; ++i) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
      if (completed == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    QObject::disconnect(c);
    QApplication::processEvents();
  }

  // One press of Alt+digit, key to screen, in seconds.
  double press(int digit) {
    QElapsedTimer timer;
    timer.start();
    completing([&] {
      QWidget* target = window->objwb->view();
      const auto down = lumo::keys::makeKeyEvent(digit, lumo::keys::shift::Alt, QEvent::KeyPress);
      QApplication::sendEvent(target, down.get());
      const auto up = lumo::keys::makeKeyEvent(digit, lumo::keys::shift::Alt, QEvent::KeyRelease);
      QApplication::sendEvent(target, up.get());
    });
    window->repaint();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
  }

  lumo::media::FakeMediaFactory factory;
  lumo::testsupport::book::TempFolder tmp;
  fs::path program;
  std::unique_ptr<frmBrowser> window;
};

std::unique_ptr<Session> theSession;

Session& session() {
  if (!theSession) theSession = std::make_unique<Session>();
  return *theSession;
}

// The time of the benchmark is that of all forty presses.
void report(benchmark::State& state, const std::vector<double>& times) {
  double sum = 0;
  for (double t : times) sum += t;
  state.counters["mean_ms"] = sum / static_cast<double>(times.size()) * 1000;
  state.counters["first_ms"] = times.front() * 1000;
  state.counters["last_ms"] = times.back() * 1000;
  state.counters["max_ms"] = *std::max_element(times.begin(), times.end()) * 1000;
}

// From the top of the page, playing at 0 s: each press goes to the next heading.
void BM_Alt8FortyTimes(benchmark::State& state) {
  Session& s = session();
  std::vector<double> times;
  for (auto _ : state) {
    for (int i = 0; i < kPresses; ++i) {
      s.factory.last()->setCurrentPosition(0);
      const double t = s.press('8');
      times.push_back(t);
      state.SetIterationTime(t);
    }
  }
  report(state, times);
  state.SetLabel(s.window->lblOSD->text().toStdString());
}

// Then backwards from deep in the page: each press searches the page from its
// first heading up to the one being read (near heading 280, five fewer each time).
void BM_Alt7FortyTimes(benchmark::State& state) {
  Session& s = session();
  std::vector<double> times;
  for (auto _ : state) {
    for (int i = 0; i < kPresses; ++i) {
      s.factory.last()->setCurrentPosition((280 - 5 * i) * kStep + 5);
      const double t = s.press('7');
      times.push_back(t);
      state.SetIterationTime(t);
    }
  }
  report(state, times);
  state.SetLabel(s.window->lblOSD->text().toStdString());
}

BENCHMARK(BM_Alt8FortyTimes)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Alt7FortyTimes)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  theSession.reset();
  return 0;
}
