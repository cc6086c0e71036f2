// The window tests need a widget application; they never use a display or
// a sound card.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Numbers the player stores as text follow the regional format: these
  // tests fix it to the C format whatever the machine's locale.
  qunsetenv("LC_ALL");
  qputenv("LC_NUMERIC", "C");
  if (!qEnvironmentVariableIsSet("LUMO_MPV_OPTIONS")) qputenv("LUMO_MPV_OPTIONS", "ao=null,vo=null");
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  return RUN_ALL_TESTS();
}
