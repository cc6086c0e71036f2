#pragma once
// The main() of a program that is one window: the Qt application under the
// program's title, the suite's Qt dialogs, and the window until it closes.

#include <QWidget>
#include <functional>
#include <memory>

namespace lumo::ui {

// Runs the program: openWindow makes the main window and shows it; the
// program ends when the window closes. Returns the exit code.
int runWindowProgram(int argc, char** argv, const char* title,
                     const std::function<std::unique_ptr<QWidget>()>& openWindow);

// The same for a window class, shown by show (QWidget::show by default).
template <class Window>
int runWindowProgram(int argc, char** argv, const char* title, void (Window::*show)() = &Window::show) {
  return runWindowProgram(argc, argv, title, [show]() -> std::unique_ptr<QWidget> {
    auto window = std::make_unique<Window>();
    (window.get()->*show)();
    return window;
  });
}

}  // namespace lumo::ui
