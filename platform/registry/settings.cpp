// The hives at their places, and the VB settings calls on top of the store.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <memory>

#include "common/errors/errors.h"
#include "platform/registry/registry.h"

namespace lumo::registry {
namespace {

std::string environment(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string homeFolder() {
  std::string home = environment("HOME");
  if (!home.empty()) return home;
  const passwd* pw = getpwuid(getuid());
  return pw && pw->pw_dir ? pw->pw_dir : "/";
}

// XDG_CONFIG_HOME when it is an absolute path (relative ones are to be
// ignored), else ~/.config.
std::string configFolder() {
  std::string xdg = environment("XDG_CONFIG_HOME");
  if (!xdg.empty() && xdg.front() == '/') return xdg;
  return homeFolder() + "/.config";
}

// How VB shows a value it reads as text.
std::string settingText(const Value& v) {
  if (v.type == ValueType::Dword) return std::to_string(v.dword);
  return v.data;
}

}  // namespace

std::string hiveDatabaseFile(Hive hive) {
  if (hive == Hive::CurrentUser) return configFolder() + "/lumo/registry.sqlite";
  std::string machine = environment("LUMO_MACHINE_REGISTRY");
  return machine.empty() ? "/var/lib/lumo/machine.sqlite" : machine;
}

Store& Store::open(Hive hive) {
  // Kept for the life of the program: callers hold references to them.
  static std::map<std::string, std::unique_ptr<Store>> stores;
  std::string file = hiveDatabaseFile(hive);
  auto it = stores.find(file);
  if (it == stores.end()) {
    auto store = std::make_unique<Store>(file, hive == Hive::LocalMachine);
    it = stores.emplace(file, std::move(store)).first;
  }
  return *it->second;
}

std::string settingsKeyPath(const std::string& app, const std::string& section) {
  std::string path = "Software\\VB and VBA Program Settings\\" + app;
  if (!section.empty()) path += "\\" + section;
  return path;
}

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
  auto v = Store::open(Hive::CurrentUser).value(settingsKeyPath(app, section), key);
  return v ? settingText(*v) : defaultValue;
}

void SaveSetting(const std::string& app, const std::string& section, const std::string& key, const std::string& value) {
  Store::open(Hive::CurrentUser).setValue(settingsKeyPath(app, section), Value{key, ValueType::String, value});
}

void DeleteSetting(const std::string& app, const std::string& section, const std::string& key) {
  Store& store = Store::open(Hive::CurrentUser);
  std::string path = settingsKeyPath(app, section);
  bool deleted = key.empty() ? store.deleteKey(path) : store.deleteValue(path, key);
  if (!deleted) throw RuntimeError(err::InvalidCall);
}

std::vector<std::pair<std::string, std::string>> GetAllSettings(const std::string& app, const std::string& section) {
  std::vector<std::pair<std::string, std::string>> settings;
  for (const Value& v : Store::open(Hive::CurrentUser).values(settingsKeyPath(app, section)))
    settings.emplace_back(v.name, settingText(v));
  return settings;
}

void SettingsTransaction(const std::function<void()>& changes) { Store::open(Hive::CurrentUser).transaction(changes); }

}  // namespace lumo::registry
