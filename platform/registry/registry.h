#pragma once
// The settings store: an emulation of the Windows registry on SQLite.
//
// HKEY_CURRENT_USER lives in $XDG_CONFIG_HOME/lumo/registry.sqlite (default
// ~/.config/lumo/registry.sqlite); HKEY_LOCAL_MACHINE in the database named by
// LUMO_MACHINE_REGISTRY (default /var/lib/lumo/machine.sqlite), opened
// read-only. Keys form a tree; key and value names compare without regard to
// case and keep the case they were created with; subkeys enumerate in name
// order, values in creation order. Every change is one transaction, so
// several programs may use the store at once.
//
// Names compare as the Windows registry compares them, by their upper-case
// form: ASCII letters, the Latin-1 letters and the other letters of
// windows-1252 (Š Œ Ž Ÿ) fold; every other character compares as it stands.
// Subkeys enumerate in the order of those upper-case forms.
//
// Errors are RuntimeError: 5 for an invalid key path (an empty key name, as in
// "A\\B", "\A" or "A\") given to a change, or a missing value or section
// given to DeleteSetting; 70 for a change to a read-only store; 75 when the
// database cannot be opened, read or written (the description names the file
// and the cause). Reads treat an invalid path as a missing key.
//
// A store of HKEY_CURRENT_USER that exists but cannot be opened for writing
// (a full disk, a read-only folder) is still read, opened for reading only
// and without making any file beside it; each change then tries to open it
// for writing again and, failing, raises error 75 with the cause.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lumo::registry {

enum class Hive { CurrentUser, LocalMachine };

enum class ValueType : int {
  String = 1,        // REG_SZ
  ExpandString = 2,  // REG_EXPAND_SZ
  Binary = 3,        // REG_BINARY
  Dword = 4,         // REG_DWORD
  MultiString = 7,   // REG_MULTI_SZ
};

struct Value {
  std::string name;  // as created; "" is the key's default value
  ValueType type = ValueType::String;
  std::string data;    // UTF-8 text, raw bytes for Binary, "\0"-joined for MultiString
  uint32_t dword = 0;  // Dword only (data is then stored empty)
};

// The database file of a hive, from the environment as it is now.
std::string hiveDatabaseFile(Hive hive);

// One open hive. Key paths use "\" between key names
// ("Software\VB and VBA Program Settings\QEN MediaPlayer\Player"); the
// empty path is the hive's root. A Store is used from one thread.
class Store {
 public:
  // The store of a hive at its default place (hiveDatabaseFile), opened once
  // per database file and kept for the life of the program, so a change of
  // XDG_CONFIG_HOME or LUMO_MACHINE_REGISTRY between calls opens the new one.
  // HKEY_CURRENT_USER is created with its folders when needed;
  // HKEY_LOCAL_MACHINE is read-only, and reads as empty while it is missing.
  static Store& open(Hive hive);
  // Opens a database file of one's own (tests, imports). A writable store
  // creates the file and its folders; a read-only one reads as empty while
  // the file is missing.
  explicit Store(const std::string& databaseFile, bool readOnly = false);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  bool keyExists(const std::string& keyPath);
  void createKey(const std::string& keyPath);  // with every missing parent
  // With its whole subtree; false when the key is missing. The root cannot
  // be deleted (error 5).
  bool deleteKey(const std::string& keyPath);
  std::vector<std::string> subkeys(const std::string& keyPath);  // name order
  std::vector<Value> values(const std::string& keyPath);         // creation order
  std::optional<Value> value(const std::string& keyPath, const std::string& name);
  // Creates the key when needed. A value that exists keeps its place in the
  // creation order and the case of its name; its type and data change.
  void setValue(const std::string& keyPath, const Value& value);
  bool deleteValue(const std::string& keyPath, const std::string& name);  // false when missing

  // Runs several changes as one transaction (all or none): when changes
  // throws, nothing of it is kept and the exception goes on. A transaction
  // inside another joins it (nothing is committed before the outer one ends);
  // a failing inner one undoes only its own changes.
  void transaction(const std::function<void()>& changes);
  // Runs several reads on one consistent state of the store: changes that
  // other programs commit meanwhile are not seen by any of them. The reads
  // may run more than once (when the database is busy at the start) and
  // make no changes. Inside a transaction they simply join it.
  void snapshot(const std::function<void()>& reads);

  const std::string& databaseFile() const;
  bool readOnly() const;

 private:
  struct Impl;
  Impl* impl_;
};

// The VB settings calls, on HKEY_CURRENT_USER below
// "Software\VB and VBA Program Settings\<app>\<section>"; a section with "\"
// names nested keys, an empty section the application's own key. A value that
// is not text reads as text: a Dword as its unsigned decimal number, any
// other type as its data as stored.
std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue = {});
void SaveSetting(const std::string& app, const std::string& section, const std::string& key, const std::string& value);
// Deletes one value, or the whole section with its subsections when key is
// empty (the whole application when section is empty too). A missing value or
// section raises error 5.
void DeleteSetting(const std::string& app, const std::string& section, const std::string& key = {});
// Every (name, value) of a section, in creation order; empty when missing.
std::vector<std::pair<std::string, std::string>> GetAllSettings(const std::string& app, const std::string& section);
// Several SaveSetting/DeleteSetting calls as one change of the store.
void SettingsTransaction(const std::function<void()>& changes);

// The key path of a section: "Software\VB and VBA Program Settings\<app>\<section>".
std::string settingsKeyPath(const std::string& app, const std::string& section);

}  // namespace lumo::registry
