#include "finder/core/leggiregistro.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/registry/registry.h"
#include "platform/ui/ui.h"

namespace lumo::finder {
namespace {

// An open key: the store of its hive and its path there.
struct OpenKey {
  registry::Store* store = nullptr;
  std::string path;
};

// The code a failing call of the store stands for.
int32_t codeOf(const RuntimeError& e) {
  return e.number() == err::PermissionDenied ? api::AccessDenied : api::RegistryIoFailed;
}

int32_t openKey(int32_t hive, const std::string& key, OpenKey& open) {
  registry::Hive h;
  if (hive == HKEY_CURRENT_USER)
    h = registry::Hive::CurrentUser;
  else if (hive == HKEY_LOCAL_MACHINE)
    h = registry::Hive::LocalMachine;
  else
    return api::InvalidHandle;
  try {
    registry::Store& store = registry::Store::open(h);
    if (!store.keyExists(key)) return api::FileNotFound;
    open.store = &store;
    open.path = key;
    return api::Success;
  } catch (const RuntimeError& e) {
    return codeOf(e);
  }
}

// The bytes the value's data occupies as the platform hands it over: a text
// with its closing NUL, a multi-string with its two, a number as four bytes.
std::string dataBytes(const registry::Value& v) {
  switch (v.type) {
    case registry::ValueType::String:
    case registry::ValueType::ExpandString: return v.data + '\0';
    case registry::ValueType::MultiString: return v.data + std::string(2, '\0');
    case registry::ValueType::Dword: {
      std::string bytes(4, '\0');
      for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>((v.dword >> (8 * i)) & 0xFF);
      return bytes;
    }
    case registry::ValueType::Binary: break;
  }
  return v.data;
}

// One query of the value: its bytes (empty when the value is missing).
int32_t queryValue(const OpenKey& key, const std::string& name, std::string& bytes) {
  try {
    const std::optional<registry::Value> v = key.store->value(key.path, name);
    if (!v) return api::FileNotFound;
    bytes = dataBytes(*v);
    return api::Success;
  } catch (const RuntimeError& e) {
    return codeOf(e);
  }
}

std::string executableName() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("Lumofind") : exe.stem().string();
}

}  // namespace

ApiError::ApiError(int number, std::string source, std::string description)
    : RuntimeError(number, std::move(description)), source_(std::move(source)) {}

std::string ReadRegistryString(int16_t mode, const std::string& key, const std::string& valueName, int32_t hive) {
  OpenKey open;
  const int32_t opened = openKey(hive, key, open);
  if (opened != api::Success) {
    if (mode == mode::Raise) CheckApiResult(opened);
    if (mode == mode::Message)
      ui::MsgBox("La chiave " + key + "non è presente nel registro", ui::mb::Critical, "Attenzione");
    return {};
  }
  // The size first: a missing value, like an empty one, ends here in every mode.
  std::string first;
  queryValue(open, valueName, first);
  const size_t size = first.size();
  if (size == 0) return {};
  std::string second;
  int32_t read = queryValue(open, valueName, second);
  if (read == api::Success && second.size() > size) read = api::MoreData;
  if (read != api::Success) {
    if (mode == mode::Raise) CheckApiResult(read);
    if (mode == mode::Message)
      ui::MsgBox("Non è possibile leggere la chiave " + valueName, ui::mb::Critical, "Attenzione");
    return {};
  }
  // The buffer holds size - 1 characters: the data without its last byte
  // (a text's closing NUL).
  second.resize(size - 1, '\0');
  return second;
}

void RaiseApiError(int32_t code) {
  if (code < -291144) throw RuntimeError(err::Overflow);
  throw ApiError(code + kApiErrorBase, executableName() + ".Windows", GetApiErrorText(code));
}

void CheckApiResult(int32_t code) {
  if (code != api::Success) RaiseApiError(code);
}

std::string GetApiErrorText(int32_t code) {
  const char* text = nullptr;
  switch (code) {
    case api::Success: text = "Operazione completata."; break;
    case api::FileNotFound: text = "Impossibile trovare il file specificato."; break;
    case api::AccessDenied: text = "Accesso negato."; break;
    case api::InvalidHandle: text = "Handle non valido."; break;
    case api::MoreData: text = "Sono disponibili altri dati."; break;
    case api::RegistryIoFailed:
      text =
          "Un'operazione di I/O avviata dal Registro di sistema non è riuscita. Non è stato possibile "
          "leggere, scrivere o scaricare uno dei file contenenti l'immagine di sistema del Registro di "
          "sistema.";
      break;
    default: return {};
  }
  return std::string(text) + "\r\n";
}

}  // namespace lumo::finder
