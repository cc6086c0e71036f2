#pragma once
// Media files made by the tests themselves, and helpers shared by the tests
// of the media control and of the player engine.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace lumo::testing {

// A sine tone of the given length made with sox; the file's extension
// chooses the format (".wav", or ".mp3" through lame).
QString makeTone(const QString& path, double seconds);

// An uncompressed YUV4MPEG2 video of grey frames; mpv recognises it by its
// content, so it may carry any name (film.avi).
QString makeVideo(const QString& path, int width, int height, int frames, int fps = 10);

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  QByteArray name_;
  QByteArray old_;
  bool had_;
};

// The mpv options of the test run plus "ao-null-untimed=yes": media then
// play as fast as they decode.
QByteArray untimedMpvOptions();

}  // namespace lumo::testing
