// The root keys and the enumerators the export and the import stand on.

#include "platform/registry/regfile.h"

#include "platform/registry/regfile_form.h"

namespace lumo::registry {

Store* storeOf(RootKey root) {
  if (root == HKEY_CURRENT_USER) return &Store::open(Hive::CurrentUser);
  if (root == HKEY_LOCAL_MACHINE) return &Store::open(Hive::LocalMachine);
  return nullptr;
}

std::string rootKeyName(RootKey root) {
  for (const regfile::RootName& r : regfile::kRootNames)
    if (r.root == root && root != HKEY_DYN_DATA) return r.name;
  return {};
}

std::vector<std::string> EnumRegistryKeys(RootKey root, const std::string& KeyPath) {
  Store* store = storeOf(root);
  return store ? store->subkeys(KeyPath) : std::vector<std::string>{};
}

namespace {

// A stored value as VB reads it: its value and its VarType code.
std::variant<std::monostate, std::string, int32_t, std::vector<uint8_t>> vbValue(const Value& v) {
  switch (v.type) {
    case ValueType::String:
    case ValueType::ExpandString:
    case ValueType::MultiString: return v.data;
    case ValueType::Dword: return static_cast<int32_t>(v.dword);
    case ValueType::Binary: return std::vector<uint8_t>(v.data.begin(), v.data.end());
  }
  return std::monostate{};
}

int vbTypeCode(ValueType type) {
  switch (type) {
    case ValueType::String:
    case ValueType::ExpandString:
    case ValueType::MultiString: return RegistryValueRecord::kString;
    case ValueType::Dword: return RegistryValueRecord::kLong;
    case ValueType::Binary: return RegistryValueRecord::kByteArray;
  }
  return RegistryValueRecord::kEmpty;
}

}  // namespace

std::vector<RegistryValueRecord> EnumRegistryValues(RootKey root, const std::string& KeyPath) {
  std::vector<RegistryValueRecord> records;
  Store* store = storeOf(root);
  if (!store) return records;
  // Each record is made whole at once, the stored value moved last: filled
  // in member by member, GCC 12 at -O3 warned that the record's value type
  // may be used uninitialised.
  for (Value& v : store->values(KeyPath))
    records.push_back({.name = v.name, .value = vbValue(v), .typeCode = vbTypeCode(v.type), .stored = std::move(v)});
  return records;
}

bool EnablePrivilege(const std::string& /*PrivilegeName*/) { return true; }

}  // namespace lumo::registry
