// The media host's tests run on a widget application; offscreen, its screen is
// 1024 by 768 pixels at 96 dpi (15 twips to a pixel), so window placements
// can be checked exactly.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("LUMO_MPV_OPTIONS")) qputenv("LUMO_MPV_OPTIONS", "ao=null,vo=null");
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.isEmpty() || platform == "offscreen") {
    const QString config =
        QDir::temp().filePath(QStringLiteral("lumo-media-host-screen-%1.json").arg(QCoreApplication::applicationPid()));
    QFile file(config);
    if (file.open(QIODevice::WriteOnly)) {
      file.write(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": 1024,)"
                 R"( "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
      file.close();
      qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    }
    QApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    QFile::remove(config);
    return result;
  }
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
