// Our own importer of REGEDIT4 files (what "regedit /s" did).

#include <algorithm>
#include <filesystem>
#include <optional>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/registry/names.h"
#include "platform/registry/regfile.h"
#include "platform/registry/regfile_form.h"

namespace lumo::registry {
namespace {

using regfile::decodeText;
using regfile::fileText;
using regfile::Form;
using regfile::formOf;
using regfile::headerOf;
using regfile::kRootNames;
using regfile::RootName;

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

// The character an escape letter of lineEndEscape stands for; -1 for any
// other letter.
int lineEndOf(char letter) {
  switch (letter) {
    case 'r': return '\r';
    case 'n': return '\n';
    case '0': return '\0';
    default: return -1;
  }
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
    if (c == '\\' && i + 1 < s.size() && lineEndOf(s[i + 1]) >= 0) {
      out += static_cast<char>(lineEndOf(s[++i]));
      continue;
    }
    out += c;
  }
  return std::nullopt;
}

// The key path of a key line (keyLinePath undone): "\\" and an escape
// letter is a CR, LF or NUL of a name, "\\\" and the letter a separator and
// that character. Anything else stays as it stands.
std::string readKeyLinePath(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    size_t run = 0;
    while (i + run < s.size() && s[i + run] == '\\') ++run;
    if ((run == 2 || run == 3) && i + run < s.size() && lineEndOf(s[i + run]) >= 0) {
      if (run == 3) out += '\\';
      out += static_cast<char>(lineEndOf(s[i + run]));
      i += run;
      continue;
    }
    if (run > 0) {
      out.append(run, '\\');
      i += run - 1;
      continue;
    }
    out += s[i];
  }
  return out;
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

// Text bytes in the file's form less the final NULs that ended them.
std::string valueText(std::string bytes, size_t nuls, Form form) {
  const size_t width = form == Form::Utf16 ? 2 : 1;
  if (width == 2 && bytes.size() % 2 != 0) bytes.pop_back();
  auto endsWithNul = [&] {
    return bytes.size() >= width && std::all_of(bytes.end() - width, bytes.end(), [](char c) { return c == '\0'; });
  };
  for (size_t i = 0; i < nuls && endsWithNul(); ++i) bytes.resize(bytes.size() - width);
  return decodeText(bytes, form);
}

// A value of type N from the bytes of hex(N):; nullopt when they do not fit
// the type.
std::optional<Value> typedValue(unsigned type, const std::string& bytes, Form form) {
  Value v;
  v.type = static_cast<ValueType>(type);
  switch (type) {
    case 1:
    case 2: v.data = valueText(bytes, 1, form); return v;
    case 7: v.data = valueText(bytes, 2, form); return v;
    case 4:
      if (bytes.size() != 4) return std::nullopt;
      for (int i = 3; i >= 0; --i) v.dword = (v.dword << 8) | static_cast<unsigned char>(bytes[i]);
      return v;
    default: v.data = bytes; return v;
  }
}

// The lines of a text, whatever their line ends.
std::vector<std::string> splitLines(const std::string& all) {
  std::vector<std::string> lines;
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
  return lines;
}

// ---- Import ------------------------------------------------------------------

// The bytes of a file to import; nullopt, with the reason in error, when it
// is a folder or cannot be read.
std::optional<std::string> importBytes(const std::string& fileName, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(fileName, ec)) {
    error = "non è un file ma una cartella";
    return std::nullopt;
  }
  try {
    return text::readFileBytes(fileName);
  } catch (...) {
    error = "il file non si può leggere";
    return std::nullopt;
  }
}

// The index of the first line that is not blank, when it is the header of
// the file's form.
std::optional<size_t> headerLine(const std::vector<std::string>& lines, Form form) {
  size_t i = 0;
  while (i < lines.size() && trimBlanks(lines[i]).empty()) ++i;
  if (i == lines.size() || trimBlanks(lines[i]) != headerOf(form)) return std::nullopt;
  return i;
}

// The change a key line asks for: "[ROOT\path]" creates the key,
// "[-ROOT\path]" deletes it (line is trimmed and starts with "["). nullopt
// when it names no known root, an unusable path, or deletes a whole root.
std::optional<RegChange> readKeyLine(std::string_view line) {
  if (line.back() != ']') return std::nullopt;
  std::string_view inside = line.substr(1, line.size() - 2);
  const bool remove = !inside.empty() && inside.front() == '-';
  if (remove) inside.remove_prefix(1);
  const size_t cut = inside.find('\\');
  const std::string_view rootText = inside.substr(0, cut);
  RegChange change;
  for (const RootName& r : kRootNames)
    if (text::iequals(rootText, r.name)) change.root = r.root;
  change.keyPath = cut == std::string_view::npos ? std::string() : readKeyLinePath(inside.substr(cut + 1));
  if (change.root == 0 || !detail::splitKeyPath(change.keyPath) || (remove && change.keyPath.empty()))
    return std::nullopt;
  change.kind = remove ? RegChange::DeleteKey : RegChange::CreateKey;
  change.keyName = std::string(inside);
  return change;
}

// The name at the start of a value line, "@" for the default value or a
// quoted name, and its "="; line is left at the data after them, trimmed.
std::optional<std::string> readValueName(std::string_view& line) {
  std::string name;
  if (line.front() == '@') {
    line.remove_prefix(1);
  } else if (line.front() == '"') {
    std::optional<std::string> quoted = readQuoted(line);
    if (!quoted) return std::nullopt;
    name = std::move(*quoted);
  } else {
    return std::nullopt;
  }
  line = trimBlanks(line);
  if (line.empty() || line.front() != '=') return std::nullopt;
  line = trimBlanks(line.substr(1));
  return name;
}

// The number of "dword:": one to eight hex digits.
std::optional<uint32_t> readDword(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : digits) {
    const int d = hexDigit(c);
    if (d < 0) return std::nullopt;
    value = value * 16 + static_cast<uint32_t>(d);
  }
  return value;
}

// The type after "hex": ":" is binary (3), "(N):" type N in one to eight
// hex digits; rest is left after the ":".
std::optional<unsigned> readHexType(std::string_view& rest) {
  if (!rest.empty() && rest.front() == ':') {
    rest.remove_prefix(1);
    return 3;
  }
  if (rest.empty() || rest.front() != '(') return std::nullopt;
  const size_t close = rest.find("):");
  if (close == std::string_view::npos || close < 2 || close > 9) return std::nullopt;
  unsigned type = 0;
  for (char c : rest.substr(1, close - 1)) {
    const int d = hexDigit(c);
    if (d < 0) return std::nullopt;
    type = type * 16 + static_cast<unsigned>(d);
  }
  rest.remove_prefix(close + 2);
  return type;
}

// The hex bytes of a value line with its continuation lines: a final "\"
// joins the next line, and i is left at the last line joined. nullopt when
// the file ends in a continuation.
std::optional<std::string> hexData(std::string_view rest, const std::vector<std::string>& lines, size_t& i) {
  std::string data(trimBlanks(rest));
  while (!data.empty() && data.back() == '\\') {
    data.pop_back();
    if (++i == lines.size()) return std::nullopt;
    data += std::string(trimBlanks(lines[i]));
  }
  return data;
}

// The value of a value line's data: a quoted text, "dword:" or "hex...:"
// bytes (with the continuation lines after lines[i]).
std::optional<Value> readValueData(std::string_view data, const std::vector<std::string>& lines, size_t& i, Form form) {
  Value v;
  if (!data.empty() && data.front() == '"') {
    std::optional<std::string> quoted = readQuoted(data);
    if (!quoted || !trimBlanks(data).empty()) return std::nullopt;
    v.type = ValueType::String;
    v.data = std::move(*quoted);
    return v;
  }
  if (startsWithNoCase(data, "dword:")) {
    const std::optional<uint32_t> dword = readDword(trimBlanks(data.substr(6)));
    if (!dword) return std::nullopt;
    v.type = ValueType::Dword;
    v.dword = *dword;
    return v;
  }
  if (!startsWithNoCase(data, "hex")) return std::nullopt;
  std::string_view rest = data.substr(3);
  const std::optional<unsigned> type = readHexType(rest);
  if (!type) return std::nullopt;
  const std::optional<std::string> hex = hexData(rest, lines, i);
  if (!hex) return std::nullopt;
  const std::optional<std::string> bytes = readHexBytes(*hex);
  if (!bytes) return std::nullopt;
  return typedValue(*type, *bytes, form);
}

// The change a value line (trimmed, lines[i]) asks for, without its key:
// "=-" deletes the value, any other data sets it.
std::optional<RegChange> readValueLine(std::string_view line, const std::vector<std::string>& lines, size_t& i,
                                       Form form) {
  std::optional<std::string> name = readValueName(line);
  if (!name) return std::nullopt;
  RegChange change;
  if (line == "-") {
    change.kind = RegChange::DeleteValue;
  } else {
    std::optional<Value> value = readValueData(line, lines, i, form);
    if (!value) return std::nullopt;
    change.kind = RegChange::SetValue;
    change.value = std::move(*value);
  }
  change.value.name = std::move(*name);
  return change;
}

}  // namespace

RegFileContents ReadRegFile(const std::string& FileName) {
  RegFileContents result;
  const std::optional<std::string> bytes = importBytes(FileName, result.error);
  if (!bytes) return result;
  const Form form = formOf(*bytes);
  const std::vector<std::string> lines = splitLines(fileText(*bytes, form));
  const std::optional<size_t> header = headerLine(lines, form);
  if (!header) {
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

  // The key line the value lines that follow belong to; they belong to
  // none before the first one and after a deleted key's, whose values have
  // nowhere to go.
  std::optional<RegChange> key;
  for (size_t i = *header + 1; i < lines.size(); ++i) {
    const size_t first = i;
    const std::string_view line = trimBlanks(lines[i]);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      key = readKeyLine(line);
      if (!key) return fail(first);
      result.changes.push_back(*key);
      if (key->kind == RegChange::DeleteKey) key.reset();
      continue;
    }
    if (!key) return fail(first);
    std::optional<RegChange> change = readValueLine(line, lines, i, form);
    if (!change) return fail(first);
    change->root = key->root;
    change->keyPath = key->keyPath;
    change->keyName = key->keyName;
    result.changes.push_back(std::move(*change));
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
