// Any bytes as a .reg file to import into one key of the current user's
// store: the reader refuses it or reads it; what an import makes of it,
// exported and imported again into an empty key, is the same tree, value
// for value.
// Run: lumo_regfile_fuzz -max_total_time=20 (scripts/test.sh, tree build-fuzz).

#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/errors/errors.h"
#include "platform/registry/regfile.h"
#include "platform/registry/registry.h"
#include "testsupport/common/fuzz_folder.h"

namespace fs = std::filesystem;
using namespace lumo::registry;

namespace {

const std::string kScope = "Software\\Lumo Fuzz";

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::abort();
}

// A folder of this run's own, removed at its end, that holds the stores.
const char* workFolder() {
  static const char* name = [] {
    const char* folder = lumo::testing::fuzzWorkFolder("lumo-regfile-fuzz");
    ::setenv("XDG_CONFIG_HOME", (std::string(folder) + "/config").c_str(), 1);
    ::setenv("LUMO_MACHINE_REGISTRY", (std::string(folder) + "/machine.sqlite").c_str(), 1);
    return folder;
  }();
  return name;
}

// A text in double quotes as a .reg file writes it.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string hexBytes(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out += ',';
    out += digits[static_cast<uint8_t>(bytes[i]) >> 4];
    out += digits[static_cast<uint8_t>(bytes[i]) & 15];
  }
  return out;
}

// One line of a .reg file: a key of the scope, a value of each kind, a
// deletion, or bytes as they come.
std::string line(FuzzedDataProvider& in) {
  const std::string name = in.ConsumeRandomLengthString(12);
  switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0: return "[HKEY_CURRENT_USER\\" + kScope + (name.empty() ? "" : "\\" + name) + "]";
    case 1:
      return (in.ConsumeBool() ? std::string("@") : quoted(name)) + "=" + quoted(in.ConsumeRandomLengthString(20));
    case 2: {
      char dword[16];
      std::snprintf(dword, sizeof dword, "%08x", in.ConsumeIntegral<uint32_t>());
      return quoted(name) + "=dword:" + dword;
    }
    case 3: return quoted(name) + "=hex:" + hexBytes(in.ConsumeRandomLengthString(20));
    case 4:
      return quoted(name) + "=hex(" + std::to_string(in.ConsumeIntegralInRange<int>(0, 11)) +
             "):" + hexBytes(in.ConsumeRandomLengthString(20));
    case 5: return quoted(name) + "=-";
    case 6: return "[-HKEY_CURRENT_USER\\" + kScope + "\\" + name + "]";
    default: return in.ConsumeRandomLengthString(30);
  }
}

void writeBytes(const fs::path& file, const std::string& bytes) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0)
    std::abort();
}

// Every key below path with its values, in enumeration order.
std::string dump(Store& store, const std::string& path) {
  std::string out = "[" + path + "]\n";
  for (const Value& v : store.values(path))
    out += v.name + "|" + std::to_string(int(v.type)) + "|" + v.data + "|" + std::to_string(v.dword) + "\n";
  for (const std::string& name : store.subkeys(path)) out += dump(store, path + "\\" + name);
  return out;
}

void clear(Store& store) {
  if (store.keyExists(kScope)) store.deleteKey(kScope);
  store.createKey(kScope);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path folder = workFolder();
  Store& store = Store::open(Hive::CurrentUser);
  // Most inputs are built of the lines a .reg file holds, with names and
  // data of any bytes; the others are the input's bytes as they stand.
  std::string bytes;
  if (size > 0 && data[0] % 4 != 0) {
    FuzzedDataProvider in(data + 1, size - 1);
    bytes = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + kScope + "]\r\n";
    while (in.remaining_bytes() > 0) bytes += line(in) + (in.ConsumeBool() ? "\r\n" : "\n");
  } else {
    bytes.assign(reinterpret_cast<const char*>(data), size);
  }
  const fs::path input = folder / "in.reg", exported = folder / "out.reg";
  writeBytes(input, bytes);

  const RegFileContents contents = ReadRegFile(input.string());
  if (!contents.ok) return 0;
  clear(store);
  const KeyScope scope{HKEY_CURRENT_USER, kScope};
  if (!ApplyRegFile(contents, scope).ok) return 0;
  if (!store.keyExists(kScope)) return 0;  // the file deleted the key itself
  const std::string imported = dump(store, kScope);

  std::error_code ec;
  fs::remove(exported, ec);
  if (!ExportRegistryKey(HKEY_CURRENT_USER, kScope, exported.string(), true, false)) fail("the export failed");
  clear(store);
  const ImportResult again = ImportRegFile(exported.string(), scope);
  if (!again.ok) fail("the export does not import: " + again.error);
  if (dump(store, kScope) != imported)
    fail("the export imports as another tree:\n" + imported + "---\n" + dump(store, kScope));
  return 0;
}
