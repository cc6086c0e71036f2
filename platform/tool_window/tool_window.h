#pragma once
// What the main windows of the production tools (the converter, the
// splitter) and the finder build alike: text conversion, handlers from which
// no exception escapes, the controls made accessible as they are created,
// the list of library discs, and the throttled event pump of a long job.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QMenuBar;
class QPushButton;
class QTreeView;
class QWidget;

namespace lumo::ui {

// UTF-8 text to Qt and back.
inline QString q(const std::string& text) { return QString::fromStdString(text); }
inline std::string s(const QString& text) { return text.toStdString(); }

// How a program words an error that none of its handlers expected. Each
// program keeps its own words: the prefix of a run-time error, in which "#"
// stands for its number, and the prefix of any other exception's text.
struct ErrorFormat {
  const char* numbered;  // "Errore #: "
  const char* other;     // "Errore: "
};

// The message for a failure: the prefix, then the description (a run-time
// error's, given with its number) or the exception's text.
std::string errorText(const ErrorFormat& format, std::optional<int> number, std::string_view text);

// Shows a failure as a critical message box in the program's words.
void reportFailure(const ErrorFormat& format, const std::exception& failure);

// Runs a handler; an exception it throws is shown, never passed on to Qt's
// event loop, which cannot carry one.
template <class F>
void guarded(const ErrorFormat& format, F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    reportFailure(format, e);
  }
}

// Connects a signal to a window's handler, guarded.
template <class Window, class Sender, class Signal>
void onGuarded(Window* window, const ErrorFormat& format, Sender* sender, Signal signal, void (Window::*handler)()) {
  QObject::connect(sender, signal, window,
                   [window, format, handler] { guarded(format, [window, handler] { (window->*handler)(); }); });
}

// Connects a window's signals to its handlers, guarded, as one call each:
// on(button, &QPushButton::clicked, &Form1::Command1_Click).
template <class Window>
class GuardedHandlers {
 public:
  GuardedHandlers(Window* window, const ErrorFormat& format) : window_(window), format_(format) {}
  template <class Sender, class Signal>
  void operator()(Sender* sender, Signal signal, void (Window::*handler)()) const {
    onGuarded(window_, format_, sender, signal, handler);
  }

 private:
  Window* window_;
  ErrorFormat format_;
};

// Controls named as the program's code knows them, each with the accessible
// name a screen reader speaks (captions without their "&").
QLabel* makeLabel(QWidget* owner, const char* name, const char* text);
QPushButton* makeButton(QWidget* owner, const char* name, const char* caption, const char* tip);
// A field spoken by its caption, which becomes its buddy (Alt+letter).
QLineEdit* makeField(QWidget* owner, const char* name, QLabel* caption, const char* tip = nullptr);
QCheckBox* makeCheck(QWidget* owner, const char* name, const char* caption, bool checked);
// A list of table rows: one line each, no tree decoration.
QTreeView* makeTableView(QWidget* owner, const char* name, const char* accessibleName);
// Widens every column of the view's model to its header's text, so no
// header is cut; call it once the model is set.
void fitColumnsToHeaders(QTreeView* view);
QMenu* makeMenu(QMenuBar* bar, const char* name, const char* caption);
QAction* makeAction(QMenu* menu, const char* name, const char* caption);

// Sets a label's text and the name a screen reader speaks for it.
void setSpokenText(QLabel* label, const QString& text);

// What every tool window does alike, set up once the window's controls are
// made (controls made later are covered as well, but for the check boxes):
//  - Enter presses the focused push button, as Space does (readers used to
//    Windows press Enter); in a dialog the default button keeps Enter;
//  - after every message box and picker the window that opened it asks for
//    its activation back, or a screen reader that needs an active window
//    stays silent for it;
//  - check boxes and option buttons grow with the text.
void setUpToolWindow(QWidget* window);

// Raises the window and asks for the activation; where Qt leaves the
// window inactive (the window manager gave the activation to none), Qt
// takes it as active at once. A hidden or gone window is left alone.
void takeActivationBack(QWidget* window);

// The window's controls go into the returned panel, which scrolls inside
// the window where the window cannot hold them all (a large text, a small
// screen); it is named panelName.
QWidget* makeScrollingPanel(QMainWindow* window, const char* panelName);

// A line at the foot of the window that says what a command did; a screen
// reader hears each message once, as a notification, the focus staying
// where it is. Hidden until the first message.
QLabel* makeNotice(QMainWindow* window);
void announce(QLabel* notice, const QString& text);
// The message for a path chosen in a picker: the caption of the field that
// shows it, then the path.
QString choiceText(const QLabel* caption, const QString& path);

// Shows the result of a drive scan in its label, and makes it the drive
// list's accessible description, which a reader speaks with the list (the
// description would otherwise be the list's tooltip, which says "Drive
// trovati" also when there is none). Where the label is the list's caption,
// it labels the list for a reader as well (a list's accessible name is its
// current entry).
enum class ScanLabel { Apart, CaptionOfList };
void showDiscCount(QLabel* label, QComboBox* list, const QString& text, ScanLabel kind);

// Fills a drive list with the library discs in the drives ("root title",
// the root as the entry's data), then lastEntry; returns how many discs.
int listLibraryDiscs(QComboBox* list, const QString& lastEntry);

// Opens a folder on the desktop when it exists; nothing otherwise.
void openFolderIfPresent(const std::string& folder);

// Lets a long job keep the windows alive: events are handled about every
// 20 ms, often enough to keep the windows drawn and take a stop request,
// rarely enough not to slow the job down; with a screen reader, each turn
// also answers its questions for 15 ms.
class EventPump {
 public:
  EventPump() { sinceLast_.start(); }
  void yield();

 private:
  QElapsedTimer sinceLast_;
};

}  // namespace lumo::ui
