#pragma once
// Message boxes and pickers of the suite. Programs never call Qt dialogs
// directly: they go through this layer so that tests can answer every
// question from a script and read what was shown.
//
// The backend is chosen once per process:
//  - LUMO_UI_SCRIPT names a file of answers (one per line: OK, Cancel, Yes,
//    No, Abort, Retry, Ignore, or a path for a picker; an empty line or the
//    end of the file takes the default button / cancels a picker), and
//    LUMO_UI_LOG names a file to which every message shown is appended
//    (one line: title TAB icon TAB buttons TAB text, line breaks as "\n").
//    Either variable alone also selects the scripted backend.
//  - otherwise the Qt backend (platform/ui/qt) when a program installed it,
//  - otherwise a console backend that prints to stderr and takes defaults.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumo::ui {

// VB's MsgBox style values: buttons + icon.
namespace mb {
inline constexpr int OKOnly = 0;
inline constexpr int OKCancel = 1;
inline constexpr int AbortRetryIgnore = 2;
inline constexpr int YesNoCancel = 3;
inline constexpr int YesNo = 4;
inline constexpr int RetryCancel = 5;
inline constexpr int Critical = 16;
inline constexpr int Question = 32;
inline constexpr int Exclamation = 48;
inline constexpr int Information = 64;
inline constexpr int DefaultButton2 = 256;
}  // namespace mb

// VB's MsgBox results.
enum class Answer { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MessageBoxRequest {
  std::string text;   // UTF-8
  std::string title;  // UTF-8; empty means the program's title
  int style = mb::OKOnly;
  int buttons() const { return style & 7; }
  int icon() const { return style & 0x70; }
};

struct FolderPickRequest {
  std::string title;
  std::string initialFolder;
};

struct FilePickRequest {
  std::string title;
  std::string initialFolder;
  // Filter pairs as callers give them: description, pattern(s) ("*.txt;*.qv").
  std::vector<std::pair<std::string, std::string>> filters;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual Answer messageBox(const MessageBoxRequest& request) = 0;
  // The chosen path, or "" when cancelled.
  virtual std::string pickFolder(const FolderPickRequest& request) = 0;
  virtual std::string pickOpenFile(const FilePickRequest& request) = 0;
  // True for the scripted backend: forms of a program's own (such as an
  // error dialog) then report through messageBox() instead of showing.
  virtual bool scripted() const { return false; }
};

// The default answer of a box: its first button, or the second with
// DefaultButton2.
Answer defaultAnswer(int style);

// The program title that boxes without their own title carry (App.Title).
void setProgramTitle(std::string title);
const std::string& programTitle();

// Installs a backend for the process (Qt programs install the Qt one at
// start-up, tests install a ScriptedBackend). Returns the previous one.
std::shared_ptr<Backend> setBackend(std::shared_ptr<Backend> backend);
Backend& backend();

// MsgBox(text, style, title).
Answer MsgBox(const std::string& text, int style = mb::OKOnly, const std::string& title = {});

// The pickers as the programs open them: the chosen path, or "" when
// cancelled.
std::string pickFolder(const FolderPickRequest& request);
std::string pickOpenFile(const FilePickRequest& request);

// What the windows do around every message box and picker opened through
// MsgBox, pickFolder and pickOpenFile, whichever backend answers it: the
// watch runs as the dialog opens and returns what runs once it has closed.
// One per process (the tool windows install theirs); none by default.
// Returns the previous watch.
using DialogWatch = std::function<std::function<void()>()>;
DialogWatch setDialogWatch(DialogWatch watch);

// A backend that answers from a queue and records every request: tests use it
// in process; LUMO_UI_SCRIPT / LUMO_UI_LOG use it across processes.
class ScriptedBackend : public Backend {
 public:
  ScriptedBackend() = default;
  // Loads answers from a script file and appends shown messages to a log.
  ScriptedBackend(const std::string& scriptFile, const std::string& logFile);

  void queueAnswer(Answer answer);
  void queuePath(std::string path);

  Answer messageBox(const MessageBoxRequest& request) override;
  std::string pickFolder(const FolderPickRequest& request) override;
  std::string pickOpenFile(const FilePickRequest& request) override;
  bool scripted() const override { return true; }

  const std::vector<MessageBoxRequest>& shown() const { return shown_; }
  const std::vector<FolderPickRequest>& folderPicks() const { return folderPicks_; }
  const std::vector<FilePickRequest>& filePicks() const { return filePicks_; }
  void clear();

 private:
  std::string nextLine(bool& present);
  std::vector<std::string> script_;
  size_t next_ = 0;
  std::string logFile_;
  std::vector<MessageBoxRequest> shown_;
  std::vector<FolderPickRequest> folderPicks_;
  std::vector<FilePickRequest> filePicks_;
};

}  // namespace lumo::ui
