// Hive files through hivex.

#include "platform/registry/hive.h"

#include <hivex.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "common/errors/errors.h"

namespace lumo::registry {
namespace {

struct HiveCloser {
  void operator()(hive_h* h) const { hivex_close(h); }
};
using HivePtr = std::unique_ptr<hive_h, HiveCloser>;

// What hivex hands over to be freed.
struct Freed {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, Freed>;

class BadHive {};

std::string ownedText(char* s) {
  if (!s) throw BadHive();
  Owned<char> held(s);
  return s;
}

Value readValue(hive_h* h, hive_value_h v) {
  Value value;
  value.name = ownedText(hivex_value_key(h, v));
  hive_type held{};
  size_t length = 0;
  if (hivex_value_type(h, v, &held, &length) != 0) throw BadHive();
  // A hive may hold any 32-bit type, most of them outside the enumeration:
  // its bytes are read as a number, never as a hive_type.
  static_assert(sizeof held == sizeof(uint32_t));
  uint32_t type = 0;
  std::memcpy(&type, &held, sizeof type);
  value.type = static_cast<ValueType>(type);
  switch (type) {
    case hive_t_REG_SZ:
    case hive_t_REG_EXPAND_SZ: value.data = ownedText(hivex_value_string(h, v)); break;
    case hive_t_REG_MULTI_SZ: {
      char** parts = hivex_value_multiple_strings(h, v);
      if (!parts) throw BadHive();
      // A multi-text holds no empty part: an empty one read at the end is
      // the list's own terminator.
      std::vector<std::string> read;
      for (size_t i = 0; parts[i]; ++i) {
        read.emplace_back(parts[i]);
        std::free(parts[i]);
      }
      std::free(parts);
      while (!read.empty() && read.back().empty()) read.pop_back();
      for (size_t i = 0; i < read.size(); ++i) value.data += (i > 0 ? std::string(1, '\0') : "") + read[i];
      break;
    }
    case hive_t_REG_DWORD:
    case hive_t_REG_DWORD_BIG_ENDIAN: {
      char* raw = hivex_value_value(h, v, &held, &length);
      if (!raw) throw BadHive();
      Owned<char> owned(raw);
      if (length < 4) throw BadHive();
      const auto* b = reinterpret_cast<const unsigned char*>(raw);
      value.dword = type == hive_t_REG_DWORD
                        ? uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24
                        : uint32_t(b[3]) | uint32_t(b[2]) << 8 | uint32_t(b[1]) << 16 | uint32_t(b[0]) << 24;
      value.type = ValueType::Dword;
      break;
    }
    default: {
      char* raw = hivex_value_value(h, v, &held, &length);
      if (!raw) throw BadHive();
      Owned<char> owned(raw);
      value.data.assign(raw, length);
      break;
    }
  }
  return value;
}

HiveKey readKey(hive_h* h, hive_node_h node, int depth) {
  // Deeper than any registry allows: a loop in a damaged hive.
  if (depth > 512) throw BadHive();
  HiveKey key;
  key.name = ownedText(hivex_node_name(h, node));
  Owned<hive_value_h> values(hivex_node_values(h, node));
  if (!values) throw BadHive();
  for (size_t i = 0; values.get()[i]; ++i) key.values.push_back(readValue(h, values.get()[i]));
  Owned<hive_node_h> children(hivex_node_children(h, node));
  if (!children) throw BadHive();
  for (size_t i = 0; children.get()[i]; ++i) {
    HiveKey child = readKey(h, children.get()[i], depth + 1);
    // A key name can hold no "\" and cannot be empty.
    if (child.name.empty() || child.name.find('\\') != std::string::npos) throw BadHive();
    key.subkeys.push_back(std::move(child));
  }
  return key;
}

void writeKey(Store& store, const std::string& path, const HiveKey& key) {
  for (const Value& v : key.values) store.setValue(path, v);
  for (const HiveKey& sub : key.subkeys) {
    const std::string subPath = path.empty() ? sub.name : path + "\\" + sub.name;
    store.createKey(subPath);
    writeKey(store, subPath, sub);
  }
}

}  // namespace

HiveContents ReadHiveFile(const std::string& FileName) {
  HiveContents result;
  std::error_code ec;
  if (std::filesystem::is_directory(FileName, ec)) {
    result.error = "non è un file ma una cartella";
    return result;
  }
  HivePtr h(hivex_open(FileName.c_str(), 0));
  if (!h) {
    result.error = errno == ENOENT || errno == EACCES ? "il file non si può leggere"
                                                      : "il file non è un file di registro leggibile";
    return result;
  }
  try {
    const hive_node_h root = hivex_root(h.get());
    if (root == 0) throw BadHive();
    result.root = readKey(h.get(), root, 0);
  } catch (const BadHive&) {
    result.root = HiveKey{};
    result.error = "il file di registro è danneggiato";
    return result;
  }
  result.ok = true;
  return result;
}

RestoreResult ReplaceKeyContents(RootKey root, const std::string& KeyPath, const HiveKey& hive) {
  RestoreResult result;
  Store* store = storeOf(root);
  if (!store) {
    result.error = "questa parte del registro non esiste";
    return result;
  }
  try {
    store->transaction([&] {
      for (const std::string& name : store->subkeys(KeyPath))
        store->deleteKey(KeyPath.empty() ? name : KeyPath + "\\" + name);
      for (const Value& v : store->values(KeyPath)) store->deleteValue(KeyPath, v.name);
      if (!KeyPath.empty()) store->createKey(KeyPath);
      writeKey(*store, KeyPath, hive);
    });
  } catch (const RuntimeError& e) {
    result.error = "le impostazioni non si possono scrivere (" + e.description() + ")";
    return result;
  }
  result.ok = true;
  return result;
}

RestoreResult RestoreRegistryKey(const std::string& KeyPath, const std::string& FileName, RootKey root) {
  RestoreResult result;
  if (!EnablePrivilege("SeRestorePrivilege")) return result;
  const HiveContents hive = ReadHiveFile(FileName);
  if (!hive.ok) {
    result.error = hive.error;
    return result;
  }
  return ReplaceKeyContents(root, KeyPath, hive.root);
}

}  // namespace lumo::registry
