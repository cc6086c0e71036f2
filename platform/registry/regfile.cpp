// REGEDIT4 export and import of the settings store.

#include "platform/registry/regfile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/registry/names.h"

namespace lumo::registry {
namespace {

constexpr const char* kHeader = "REGEDIT4\r\n\r\n";

struct RootName {
  RootKey root;
  const char* name;
};
// The roots a key line may name (HKEY_DYN_DATA only in files).
constexpr RootName kRootNames[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},     {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},   {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"}, {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
};

std::string joinPath(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "\\" + name;
}

// ---- Writing -----------------------------------------------------------------

// Inside double quotes: "\" as "\\", '"' as '\"'.
std::string quotedText(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string hexBytes(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (i > 0) out += ',';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

// How the text of a file is written: windows-1252, or UTF-8 when some name
// or text windows-1252 cannot hold (lossy tells that, for a windows-1252
// file), so that the file reads back as the store held it.
struct Output {
  bool utf8 = false;
  bool lossy = false;
};

bool fitsCp1252(std::string_view s) { return text::cp1252ToUtf8(text::utf8ToCp1252(s)) == s; }

// A name or text that goes into the file as it stands (converted later).
void note(std::string_view s, Output& o) {
  if (!o.utf8 && !o.lossy && !fitsCp1252(s)) o.lossy = true;
}

// The bytes of a text inside hex(1/2/7), in the file's encoding.
std::string textBytes(std::string_view s, Output& o) {
  note(s, o);
  return o.utf8 ? std::string(s) : text::utf8ToCp1252(s);
}

// hex(N): for a type of its own; the bytes are written as they stand in the
// file.
std::string typedHex(int type, std::string_view fileBytes) {
  char head[24];
  std::snprintf(head, sizeof head, "hex(%x):", static_cast<unsigned>(type));
  return head + hexBytes(fileBytes);
}

// The data part of a value line. The whole text is converted to the file's
// encoding when it is written, so the bytes of a hex(1/2/7) value are
// worked out here in that encoding.
std::string dataPart(const Value& v, Output& o) {
  const std::string nul(1, '\0');
  switch (v.type) {
    case ValueType::String:
      if (v.data.find_first_of(std::string("\r\n") + nul) == std::string::npos) {
        note(v.data, o);
        return quotedText(v.data);
      }
      return typedHex(1, textBytes(v.data, o) + nul);
    case ValueType::ExpandString: return typedHex(2, textBytes(v.data, o) + nul);
    case ValueType::MultiString: return typedHex(7, textBytes(v.data, o) + nul + nul);
    case ValueType::Dword: {
      char digits[16];
      std::snprintf(digits, sizeof digits, "dword:%08x", static_cast<unsigned>(v.dword));
      return digits;
    }
    case ValueType::Binary: return "hex:" + hexBytes(v.data);
  }
  return typedHex(static_cast<int>(v.type), v.data);
}

std::string valueLine(const Value& v, Output& o) {
  note(v.name, o);
  return (v.name.empty() ? std::string("@") : quotedText(v.name)) + "=" + dataPart(v, o) + "\r\n";
}

void appendKey(Store* store, RootKey root, const std::string& keyPath, bool recursive, Output& o, std::string& out) {
  note(keyPath, o);
  out += "[" + rootKeyName(root) + (rootKeyName(root).empty() ? "" : "\\") + keyPath + "]\r\n";
  if (store)
    for (const Value& v : store->values(keyPath)) out += valueLine(v, o);
  out += "\r\n";
  if (!recursive || !store) return;
  for (const std::string& name : store->subkeys(keyPath)) appendKey(store, root, joinPath(keyPath, name), true, o, out);
}

// The key's blocks as UTF-8 text (hex(1/2/7) bytes in the file's encoding),
// read in one snapshot of the store. Unless forced, the file is UTF-8 only
// when windows-1252 cannot hold some name or text.
std::string keyText(RootKey root, const std::string& keyPath, bool recursive, std::optional<bool> forceUtf8,
                    bool& utf8) {
  Store* store = storeOf(root);
  std::string out;
  auto build = [&](bool asUtf8) {
    Output o{asUtf8, false};
    out.clear();
    appendKey(store, root, keyPath, recursive, o, out);
    return o.lossy;
  };
  auto both = [&] {
    utf8 = forceUtf8.value_or(false);
    if (build(utf8) && !forceUtf8) {
      utf8 = true;
      build(true);
    }
  };
  if (store) {
    store->snapshot(both);
  } else {
    both();
  }
  return out;
}

// Replaces a file's content by bytes: written under a short temporary name
// in the same folder, then renamed over it, so any name the file system
// takes can be written. False when anything failed; the file is then as it
// was.
bool replaceFile(const std::string& target, const std::string& bytes) {
  try {
    // The bytes are already encoded: written as they stand.
    text::AtomicTextFile file(target, text::Encoding::Utf8);
    file.write(bytes);
    file.commit();
    return true;
  } catch (const RuntimeError&) {
    return false;
  }
}

// ---- Reading -----------------------------------------------------------------

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && text::iequals(s.substr(0, prefix.size()), prefix);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A quoted text at the start of s (s[0] is '"'): its content unescaped, and
// the rest of s after the closing quote; nullopt when it does not close.
std::optional<std::string> readQuoted(std::string_view& s) {
  std::string out;
  for (size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return out;
    }
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      out += s[++i];
      continue;
    }
    out += c;
  }
  return std::nullopt;
}

// "0A,FF" (blanks allowed around the bytes, a comma at the end too).
std::optional<std::string> readHexBytes(std::string_view s) {
  std::string bytes;
  s = trimBlanks(s);
  if (s.empty()) return bytes;
  size_t start = 0;
  while (start <= s.size()) {
    size_t comma = s.find(',', start);
    std::string_view item = trimBlanks(s.substr(start, comma == s.npos ? s.npos : comma - start));
    if (item.empty() && comma == s.npos && start > 0) break;  // a final comma
    if (item.size() < 1 || item.size() > 2) return std::nullopt;
    int value = 0;
    for (char c : item) {
      const int d = hexDigit(c);
      if (d < 0) return std::nullopt;
      value = value * 16 + d;
    }
    bytes += static_cast<char>(value);
    if (comma == s.npos) break;
    start = comma + 1;
  }
  return bytes;
}

// Text bytes as the file holds them less the final NULs that ended them:
// UTF-8 when they are valid UTF-8 in a file that is, else windows-1252.
std::string fileText(std::string bytes, size_t nuls, bool utf8File) {
  for (size_t i = 0; i < nuls && !bytes.empty() && bytes.back() == '\0'; ++i) bytes.pop_back();
  return utf8File && text::isValidUtf8(bytes) ? bytes : text::cp1252ToUtf8(bytes);
}

// A value of type N from the bytes of hex(N):; nullopt when they do not fit
// the type.
std::optional<Value> typedValue(unsigned type, const std::string& bytes, bool utf8File) {
  Value v;
  v.type = static_cast<ValueType>(type);
  switch (type) {
    case 1:
    case 2: v.data = fileText(bytes, 1, utf8File); return v;
    case 7: v.data = fileText(bytes, 2, utf8File); return v;
    case 4:
      if (bytes.size() != 4) return std::nullopt;
      for (int i = 3; i >= 0; --i) v.dword = (v.dword << 8) | static_cast<unsigned char>(bytes[i]);
      return v;
    default: v.data = bytes; return v;
  }
}

}  // namespace

Store* storeOf(RootKey root) {
  if (root == HKEY_CURRENT_USER) return &Store::open(Hive::CurrentUser);
  if (root == HKEY_LOCAL_MACHINE) return &Store::open(Hive::LocalMachine);
  return nullptr;
}

std::string rootKeyName(RootKey root) {
  for (const RootName& r : kRootNames)
    if (r.root == root && root != HKEY_DYN_DATA) return r.name;
  return {};
}

std::vector<std::string> EnumRegistryKeys(RootKey root, const std::string& KeyPath) {
  Store* store = storeOf(root);
  return store ? store->subkeys(KeyPath) : std::vector<std::string>{};
}

std::vector<RegistryValueRecord> EnumRegistryValues(RootKey root, const std::string& KeyPath) {
  std::vector<RegistryValueRecord> records;
  Store* store = storeOf(root);
  if (!store) return records;
  for (Value& v : store->values(KeyPath)) {
    RegistryValueRecord r;
    r.name = v.name;
    switch (v.type) {
      case ValueType::String:
      case ValueType::ExpandString:
      case ValueType::MultiString:
        r.value = v.data;
        r.typeCode = RegistryValueRecord::kString;
        break;
      case ValueType::Dword:
        r.value = static_cast<int32_t>(v.dword);
        r.typeCode = RegistryValueRecord::kLong;
        break;
      case ValueType::Binary:
        r.value = std::vector<uint8_t>(v.data.begin(), v.data.end());
        r.typeCode = RegistryValueRecord::kByteArray;
        break;
    }
    r.stored = std::move(v);
    records.push_back(std::move(r));
  }
  return records;
}

bool ExportRegistryKey(RootKey root, const std::string& KeyPath, const std::string& FileName, bool Recursive,
                       bool Append) {
  try {
    std::string content;
    if (Append) {
      std::error_code ec;
      if (std::filesystem::exists(FileName, ec)) content = text::readFileBytes(FileName);
    }
    // Appended blocks keep the encoding of a file that shows one.
    std::optional<bool> forceUtf8;
    if (std::any_of(content.begin(), content.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
      forceUtf8 = text::isValidUtf8(content);
    bool utf8 = false;
    const std::string blocks = keyText(root, KeyPath, Recursive, forceUtf8, utf8);
    content.reserve(content.size() + blocks.size() + 16);
    if (!Append || content.find("REGEDIT4") == std::string::npos) content += kHeader;
    content += utf8 ? blocks : text::utf8ToCp1252(blocks);
    return replaceFile(FileName, content);
  } catch (...) {
    return false;
  }
}

bool EnablePrivilege(const std::string& /*PrivilegeName*/) { return true; }

// ---- Import ------------------------------------------------------------------

RegFileContents ReadRegFile(const std::string& FileName) {
  RegFileContents result;
  std::string bytes;
  {
    std::error_code ec;
    if (std::filesystem::is_directory(FileName, ec)) {
      result.error = "non è un file ma una cartella";
      return result;
    }
    try {
      bytes = text::readFileBytes(FileName);
    } catch (...) {
      result.error = "il file non si può leggere";
      return result;
    }
  }
  // The lines, whatever their line ends. A file that is valid UTF-8 is read
  // as UTF-8 (our export of names windows-1252 lacks), any other as
  // windows-1252.
  const bool utf8File = text::isValidUtf8(bytes);
  std::vector<std::string> lines;
  {
    const std::string all = utf8File ? bytes : text::cp1252ToUtf8(bytes);
    size_t start = 0;
    while (start <= all.size()) {
      size_t end = all.find_first_of("\r\n", start);
      if (end == std::string::npos) {
        if (start < all.size()) lines.push_back(all.substr(start));
        break;
      }
      lines.push_back(all.substr(start, end - start));
      start = end + ((all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n') ? 2 : 1);
    }
  }
  size_t i = 0;
  while (i < lines.size() && trimBlanks(lines[i]).empty()) ++i;
  if (i == lines.size() || trimBlanks(lines[i]) != "REGEDIT4") {
    result.error = "il file non comincia con la riga REGEDIT4";
    return result;
  }
  auto fail = [&](size_t lineIndex) {
    std::string shown = lines[lineIndex];
    if (shown.size() > 60) shown = shown.substr(0, 60) + "...";
    result.error = "la riga " + std::to_string(lineIndex + 1) + " non è comprensibile: " + shown;
    result.changes.clear();
    return result;
  };

  bool inKey = false;
  RootKey root = 0;
  std::string keyPath, keyName;
  for (++i; i < lines.size(); ++i) {
    const size_t first = i;
    std::string_view line = trimBlanks(lines[i]);
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      if (line.back() != ']') return fail(first);
      std::string_view inside = line.substr(1, line.size() - 2);
      const bool remove = !inside.empty() && inside.front() == '-';
      if (remove) inside.remove_prefix(1);
      const size_t cut = inside.find('\\');
      const std::string_view rootText = inside.substr(0, cut);
      root = 0;
      for (const RootName& r : kRootNames)
        if (text::iequals(rootText, r.name)) root = r.root;
      keyPath = cut == std::string_view::npos ? std::string() : std::string(inside.substr(cut + 1));
      if (root == 0 || !detail::splitKeyPath(keyPath) || (remove && keyPath.empty())) return fail(first);
      keyName = std::string(inside);
      RegChange change;
      change.kind = remove ? RegChange::DeleteKey : RegChange::CreateKey;
      change.root = root;
      change.keyPath = keyPath;
      change.keyName = keyName;
      result.changes.push_back(std::move(change));
      // The values of a deleted key's block have nowhere to go.
      inKey = !remove;
      continue;
    }

    if (!inKey || (line.front() != '"' && line.front() != '@')) return fail(first);
    std::string name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else {
      auto n = readQuoted(line);
      if (!n) return fail(first);
      name = *n;
    }
    line = trimBlanks(line);
    if (line.empty() || line.front() != '=') return fail(first);
    line = trimBlanks(line.substr(1));

    RegChange change;
    change.root = root;
    change.keyPath = keyPath;
    change.keyName = keyName;
    change.kind = RegChange::SetValue;
    if (line == "-") {
      change.kind = RegChange::DeleteValue;
    } else if (!line.empty() && line.front() == '"') {
      auto data = readQuoted(line);
      if (!data || !trimBlanks(line).empty()) return fail(first);
      change.value.type = ValueType::String;
      change.value.data = *data;
    } else if (startsWithNoCase(line, "dword:")) {
      const std::string_view digits = trimBlanks(line.substr(6));
      if (digits.empty() || digits.size() > 8) return fail(first);
      uint32_t value = 0;
      for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0) return fail(first);
        value = value * 16 + static_cast<uint32_t>(d);
      }
      change.value.type = ValueType::Dword;
      change.value.dword = value;
    } else if (startsWithNoCase(line, "hex")) {
      std::string_view rest = line.substr(3);
      std::optional<unsigned> type;
      if (!rest.empty() && rest.front() == ':') {
        type = 3;
        rest.remove_prefix(1);
      } else if (!rest.empty() && rest.front() == '(') {
        const size_t close = rest.find("):");
        if (close == std::string_view::npos || close < 2 || close > 9) return fail(first);
        unsigned n = 0;
        for (char c : rest.substr(1, close - 1)) {
          const int d = hexDigit(c);
          if (d < 0) return fail(first);
          n = n * 16 + static_cast<unsigned>(d);
        }
        type = n;
        rest.remove_prefix(close + 2);
      }
      if (!type) return fail(first);
      // Continuation lines: a final "\" joins the next line.
      std::string data(trimBlanks(rest));
      while (!data.empty() && data.back() == '\\') {
        data.pop_back();
        if (++i == lines.size()) return fail(first);
        data += std::string(trimBlanks(lines[i]));
      }
      auto bytesRead = readHexBytes(data);
      if (!bytesRead) return fail(first);
      auto value = typedValue(*type, *bytesRead, utf8File);
      if (!value) return fail(first);
      change.value = std::move(*value);
    } else {
      return fail(first);
    }
    change.value.name = name;
    result.changes.push_back(std::move(change));
  }
  result.ok = true;
  return result;
}

ImportResult ApplyRegFile(const RegFileContents& contents, const KeyScope& scope) {
  ImportResult result;
  if (!contents.ok) {
    result.error = contents.error;
    return result;
  }
  const std::string scopeFold = detail::foldName(scope.keyPath);
  auto inScope = [&](const RegChange& c) {
    if (c.root != scope.root) return false;
    if (scopeFold.empty()) return true;
    const std::string fold = detail::foldName(c.keyPath);
    return fold == scopeFold || fold.starts_with(scopeFold + "\\");
  };
  std::vector<const RegChange*> wanted;
  for (const RegChange& c : contents.changes) {
    if (inScope(c)) {
      wanted.push_back(&c);
    } else if (c.kind == RegChange::CreateKey || c.kind == RegChange::DeleteKey) {
      const std::string shown = (c.kind == RegChange::DeleteKey ? "-" : "") + c.keyName;
      bool named = false;
      for (const std::string& s : result.skipped) named = named || s == shown;
      if (!named) result.skipped.push_back(shown);
    }
  }
  Store* store = storeOf(scope.root);
  if (!store) {
    result.error = "questa parte del registro non esiste";
    return result;
  }
  try {
    store->transaction([&] {
      result.changed = 0;
      for (const RegChange* c : wanted) {
        switch (c->kind) {
          case RegChange::CreateKey:
            if (!c->keyPath.empty()) store->createKey(c->keyPath);
            break;
          case RegChange::DeleteKey: store->deleteKey(c->keyPath); break;
          case RegChange::SetValue: store->setValue(c->keyPath, c->value); break;
          case RegChange::DeleteValue: store->deleteValue(c->keyPath, c->value.name); break;
        }
        ++result.changed;
      }
    });
  } catch (const RuntimeError& e) {
    result.changed = 0;
    result.error = "le impostazioni non si possono scrivere (" + e.description() + ")";
    return result;
  }
  result.ok = true;
  return result;
}

ImportResult ImportRegFile(const std::string& FileName, const KeyScope& scope) {
  return ApplyRegFile(ReadRegFile(FileName), scope);
}

}  // namespace lumo::registry
