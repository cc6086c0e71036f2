#include "testsupport/test_media.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <stdexcept>

namespace lumo::testing {

namespace {
void run(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
    throw std::runtime_error(
        ("failed: " + program + " " + args.join(' ') + "\n" + process.readAllStandardError()).toStdString());
}
}  // namespace

QString makeTone(const QString& path, double seconds) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  const QString wav = path.endsWith(".wav", Qt::CaseInsensitive) ? path : path + ".tmp.wav";
  run("sox", {"-n", "-r", "44100", "-c", "1", "-b", "16", wav, "synth", QString::number(seconds), "sine", "440", "vol",
              "0.3"});
  if (wav != path) {
    run("lame", {"--quiet", "-b", "64", wav, path});
    QFile::remove(wav);
  }
  return path;
}

QString makeVideo(const QString& path, int width, int height, int frames, int fps) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write " + path.toStdString());
  file.write(QStringLiteral("YUV4MPEG2 W%1 H%2 F%3:1 Ip A1:1 C420jpeg\n").arg(width).arg(height).arg(fps).toLatin1());
  const QByteArray chroma(width * height / 2, char(128));
  for (int i = 0; i < frames; ++i) {
    file.write("FRAME\n");
    file.write(QByteArray(width * height, char(40 + (i * 7) % 180)));
    file.write(chroma);
  }
  return path;
}

ScopedEnv::ScopedEnv(const char* name, const QByteArray& value)
    : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
  qputenv(name, value);
}

ScopedEnv::~ScopedEnv() {
  if (had_)
    qputenv(name_.constData(), old_);
  else
    qunsetenv(name_.constData());
}

QByteArray untimedMpvOptions() {
  QByteArray options = qgetenv("LUMO_MPV_OPTIONS");
  if (options.isEmpty()) options = "ao=null,vo=null";
  return options + ",ao-null-untimed=yes";
}

}  // namespace lumo::testing
