#pragma once
// The one Qt application of a test program whose tests make widgets without
// a main() of their own: made at the first call, kept for the program's life
// (Qt allows one per process, so every test file of a program asks here).

#include <QApplication>

namespace lumo::testsupport {

inline QApplication& testApplication() {
  static int argc = 1;
  static char name[] = "lumo_tests";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
  return *qApp;
}

}  // namespace lumo::testsupport
