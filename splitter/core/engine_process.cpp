#include "splitter/core/engine_process.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace lumo::splitter {
namespace {

// How long one wait for the engine lasts before the window is served again.
constexpr int kEngineWaitMs = 10;

}  // namespace

EngineResult RunWithQProcess(const std::string& program, const std::vector<std::string>& args,
                             const std::function<void()>& yield) {
  QStringList arguments;
  for (const std::string& a : args) arguments << QString::fromStdString(a);
  QProcess process;
  process.setProgram(QString::fromStdString(program));
  process.setArguments(arguments);
  process.setStandardInputFile(QProcess::nullDevice());
  // mp3splt reads the numbers of its options ("off=0.5") and writes its
  // messages ("error: ...") in its locale: on a desktop with a decimal comma
  // it would take off=0.5 for 0. It runs in the C locale (UTF-8 names).
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("LC_ALL", "C.UTF-8");
  process.setProcessEnvironment(environment);
  EngineResult result;
  process.start();
  if (!process.waitForStarted(-1)) {
    result.errors = process.errorString().toStdString() + " (" + program + ")";
    return result;
  }
  result.started = true;
  // The window keeps repainting and taking the stop request (and a screen
  // reader's questions) while the engine works: the wait is short and the
  // window is served at every turn. The request itself is acted on after
  // the file in hand.
  do {
    if (yield) yield();
  } while (!process.waitForFinished(kEngineWaitMs) && process.state() != QProcess::NotRunning);
  result.crashed = process.exitStatus() == QProcess::CrashExit;
  result.exitCode = process.exitCode();
  result.output = process.readAllStandardOutput().toStdString();
  result.errors = process.readAllStandardError().toStdString();
  return result;
}

}  // namespace lumo::splitter
