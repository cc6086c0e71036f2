#include "platform/ui/ui.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>

namespace lumo::ui {
namespace {

std::string& titleStore() {
  static std::string title;
  return title;
}

const char* iconName(int icon) {
  switch (icon) {
    case mb::Critical: return "critical";
    case mb::Question: return "question";
    case mb::Exclamation: return "exclamation";
    case mb::Information: return "information";
    default: return "none";
  }
}

std::string oneLine(std::string text) {
  for (size_t p = 0; (p = text.find_first_of("\r\n", p)) != std::string::npos;) {
    const size_t len = text.compare(p, 2, "\r\n") == 0 ? 2 : 1;
    text.replace(p, len, "\\n");
    p += 2;
  }
  return text;
}

// Boxes without a terminal or a window: print and take the default button.
class ConsoleBackend : public Backend {
 public:
  Answer messageBox(const MessageBoxRequest& request) override {
    std::cerr << (request.title.empty() ? programTitle() : request.title) << ": " << request.text << '\n';
    return defaultAnswer(request.style);
  }
  std::string pickFolder(const FolderPickRequest&) override { return {}; }
  std::string pickOpenFile(const FilePickRequest&) override { return {}; }
};

DialogWatch& watchStore() {
  static DialogWatch watch;
  return watch;
}

// Runs one dialog inside the process's watch; what follows the dialog runs
// also when the backend throws.
template <class Dialog>
auto watched(Dialog&& dialog) {
  std::function<void()> after = watchStore() ? watchStore()() : std::function<void()>();
  struct After {
    std::function<void()>& run;
    ~After() {
      if (run) run();
    }
  } afterwards{after};
  return dialog();
}

std::shared_ptr<Backend>& current() {
  static std::shared_ptr<Backend> backend;
  return backend;
}

std::shared_ptr<Backend> backendFromEnvironment() {
  const char* script = std::getenv("LUMO_UI_SCRIPT");
  const char* log = std::getenv("LUMO_UI_LOG");
  if ((script && *script) || (log && *log))
    return std::make_shared<ScriptedBackend>(script ? script : "", log ? log : "");
  return nullptr;
}

std::optional<Answer> parseAnswer(const std::string& word) {
  static const std::pair<const char*, Answer> names[] = {
      {"OK", Answer::OK},         {"Cancel", Answer::Cancel}, {"Abort", Answer::Abort}, {"Retry", Answer::Retry},
      {"Ignore", Answer::Ignore}, {"Yes", Answer::Yes},       {"No", Answer::No}};
  for (const auto& [name, answer] : names)
    if (word == name) return answer;
  return std::nullopt;
}

const char* answerName(Answer a) {
  switch (a) {
    case Answer::OK: return "OK";
    case Answer::Cancel: return "Cancel";
    case Answer::Abort: return "Abort";
    case Answer::Retry: return "Retry";
    case Answer::Ignore: return "Ignore";
    case Answer::Yes: return "Yes";
    case Answer::No: return "No";
  }
  return "?";
}

}  // namespace

Answer defaultAnswer(int style) {
  static const Answer first[] = {Answer::OK, Answer::OK, Answer::Abort, Answer::Yes, Answer::Yes, Answer::Retry};
  static const Answer second[] = {Answer::OK, Answer::Cancel, Answer::Retry, Answer::No, Answer::No, Answer::Cancel};
  const int buttons = style & 7;
  if (buttons > 5) return Answer::OK;
  return (style & mb::DefaultButton2) ? second[buttons] : first[buttons];
}

void setProgramTitle(std::string title) { titleStore() = std::move(title); }
const std::string& programTitle() { return titleStore(); }

std::shared_ptr<Backend> setBackend(std::shared_ptr<Backend> backend) {
  auto previous = current();
  // The environment's script wins over a program's own backend, so a
  // program started by a test answers from the test's script.
  if (auto scripted = backendFromEnvironment(); scripted && backend && !backend->scripted()) backend = scripted;
  current() = std::move(backend);
  return previous;
}

Backend& backend() {
  if (!current()) {
    current() = backendFromEnvironment();
    if (!current()) current() = std::make_shared<ConsoleBackend>();
  }
  return *current();
}

Answer MsgBox(const std::string& text, int style, const std::string& title) {
  MessageBoxRequest request{text, title.empty() ? programTitle() : title, style};
  return watched([&] { return backend().messageBox(request); });
}

std::string pickFolder(const FolderPickRequest& request) {
  return watched([&] { return backend().pickFolder(request); });
}

std::string pickOpenFile(const FilePickRequest& request) {
  return watched([&] { return backend().pickOpenFile(request); });
}

DialogWatch setDialogWatch(DialogWatch watch) {
  DialogWatch previous = std::move(watchStore());
  watchStore() = std::move(watch);
  return previous;
}

ScriptedBackend::ScriptedBackend(const std::string& scriptFile, const std::string& logFile) : logFile_(logFile) {
  if (scriptFile.empty()) return;
  std::ifstream in(scriptFile);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    script_.push_back(line);
  }
}

void ScriptedBackend::queueAnswer(Answer answer) { script_.push_back(answerName(answer)); }
void ScriptedBackend::queuePath(std::string path) { script_.push_back(std::move(path)); }

std::string ScriptedBackend::nextLine(bool& present) {
  present = next_ < script_.size();
  return present ? script_[next_++] : std::string{};
}

Answer ScriptedBackend::messageBox(const MessageBoxRequest& request) {
  shown_.push_back(request);
  if (!logFile_.empty()) {
    std::ofstream log(logFile_, std::ios::app);
    log << request.title << '\t' << iconName(request.icon()) << '\t' << request.buttons() << '\t'
        << oneLine(request.text) << '\n';
  }
  bool present = false;
  const auto answer = parseAnswer(nextLine(present));
  return answer ? *answer : defaultAnswer(request.style);
}

std::string ScriptedBackend::pickFolder(const FolderPickRequest& request) {
  folderPicks_.push_back(request);
  bool present = false;
  return nextLine(present);
}

std::string ScriptedBackend::pickOpenFile(const FilePickRequest& request) {
  filePicks_.push_back(request);
  bool present = false;
  return nextLine(present);
}

void ScriptedBackend::clear() {
  script_.clear();
  next_ = 0;
  shown_.clear();
  folderPicks_.clear();
  filePicks_.clear();
}

}  // namespace lumo::ui
