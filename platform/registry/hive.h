#pragma once
// Registry hive files (the ".qen" files saved on Windows): read with hivex
// and restored into a key of the store.

#include <string>
#include <vector>

#include "platform/registry/regfile.h"
#include "platform/registry/registry.h"

namespace lumo::registry {

// One key of a hive: its name, its values in the hive's order, its subkeys.
struct HiveKey {
  std::string name;
  std::vector<Value> values;
  std::vector<HiveKey> subkeys;
};

struct HiveContents {
  bool ok = false;
  std::string error;  // when not ok: why, in words for the reader (Italian)
  HiveKey root;       // the hive's root key (its name is not used)
};

// Reads a whole hive file into memory; ok is false when hivex cannot open it
// or one of its keys or values cannot be read.
HiveContents ReadHiveFile(const std::string& FileName);

struct RestoreResult {
  bool ok = false;
  std::string error;  // when not ok: why (Italian); the key is unchanged
};

// Replaces the values and subkeys of RootKey\KeyPath by the hive's root key
// and everything below it, in one transaction: all of it or nothing.
RestoreResult ReplaceKeyContents(RootKey root, const std::string& KeyPath, const HiveKey& hive);

// Loads the hive file FileName into RootKey\KeyPath, replacing the key's
// contents (ReadHiveFile, then ReplaceKeyContents). A hive that cannot be
// read leaves the key as it was.
RestoreResult RestoreRegistryKey(const std::string& KeyPath, const std::string& FileName, RootKey root);

}  // namespace lumo::registry
