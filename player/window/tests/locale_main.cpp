// The window tests of the regional number format: the whole run uses an
// Italian number format (decimal comma), as a reader's desktop would.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qunsetenv("LC_ALL");
  qputenv("LC_NUMERIC", "it_IT.UTF-8");
  if (!qEnvironmentVariableIsSet("LUMO_MPV_OPTIONS")) qputenv("LUMO_MPV_OPTIONS", "ao=null,vo=null");
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  return RUN_ALL_TESTS();
}
