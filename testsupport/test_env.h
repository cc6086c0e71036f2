#pragma once
// Environment overrides and the scripted message boxes for tests: each lasts
// for the life of its object and puts back what was there before.

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/ui.h"

namespace lumo::testsupport {

// Sets (or, with std::nullopt, unsets) an environment variable for the life
// of the object.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    if (value)
      ::setenv(name_.c_str(), value->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_.c_str(), old_->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// The guard of a test that answers message boxes and pickers from a script:
// installs a ScriptedBackend for its life, and keeps LUMO_UI_SCRIPT and
// LUMO_UI_LOG of the environment from redirecting the in-process dialogs.
class ScriptedUi {
 public:
  ScriptedUi()
      : noScript_("LUMO_UI_SCRIPT", std::nullopt),
        noLog_("LUMO_UI_LOG", std::nullopt),
        backend_(std::make_shared<ui::ScriptedBackend>()),
        previous_(ui::setBackend(backend_)) {}
  ~ScriptedUi() { ui::setBackend(previous_); }
  ScriptedUi(const ScriptedUi&) = delete;
  ScriptedUi& operator=(const ScriptedUi&) = delete;

  ui::ScriptedBackend* operator->() const { return backend_.get(); }
  ui::ScriptedBackend& operator*() const { return *backend_; }
  // The backend itself, to install again after a test replaced it.
  const std::shared_ptr<ui::ScriptedBackend>& shared() const { return backend_; }

 private:
  ScopedEnv noScript_;
  ScopedEnv noLog_;
  std::shared_ptr<ui::ScriptedBackend> backend_;
  std::shared_ptr<ui::Backend> previous_;
};

}  // namespace lumo::testsupport
