// The tests need a widget application (the control is a widget).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Run by hand, the tests still use no sound card and no display.
  if (!qEnvironmentVariableIsSet("LUMO_MPV_OPTIONS")) qputenv("LUMO_MPV_OPTIONS", "ao=null,vo=null");
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
