// The REGEDIT4 export of the settings store.

#include <cstdio>
#include <filesystem>
#include <optional>

#include "common/file/replacement.h"
#include "common/text/text.h"
#include "platform/registry/regfile.h"
#include "platform/registry/regfile_form.h"

namespace lumo::registry {
namespace {

using regfile::encodeText;
using regfile::fileBytes;
using regfile::fileText;
using regfile::Form;
using regfile::formOf;
using regfile::headerOf;

std::string joinPath(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "\\" + name;
}

bool fitsCp1252(std::string_view s) { return text::cp1252ToUtf8(text::utf8ToCp1252(s)) == s; }

// The two-character escape of a character that would end a line or a name
// (CR, LF, NUL); nullptr for every other one.
const char* lineEndEscape(char c) {
  switch (c) {
    case '\r': return "\\r";
    case '\n': return "\\n";
    case '\0': return "\\0";
    default: return nullptr;
  }
}

// Inside double quotes: "\" as "\\", '"' as '\"', and CR, LF and NUL as
// "\r", "\n" and "\0", so that a name with a line end stays on its line.
std::string quotedText(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (const char* escaped = lineEndEscape(c)) {
      out += escaped;
      continue;
    }
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

// A key path on its key line. A key name never holds "\" and is never
// empty, so "\\" never stands between two names: "\\r", "\\n" and "\\0"
// stand for a CR, LF or NUL of a name.
std::string keyLinePath(std::string_view path) {
  std::string out;
  for (char c : path) {
    if (const char* escaped = lineEndEscape(c)) {
      out += '\\';
      out += escaped;
      continue;
    }
    out += c;
  }
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

// The key blocks being written: their text (UTF-8, converted to the file's
// form at the end), the form hex(1/2/7) bytes are written in, and whether a
// windows-1252 file could not hold some name or text.
struct Output {
  Form form = Form::Cp1252;
  bool lossy = false;
  std::string text;
};

// A name or text that goes into the file as it stands (converted later).
void note(std::string_view s, Output& o) {
  if (o.form == Form::Cp1252 && !o.lossy && !fitsCp1252(s)) o.lossy = true;
}

// The bytes of a text inside hex(1/2/7) with its final NULs, in the file's
// form.
std::string textBytes(std::string_view s, int nuls, Output& o) {
  note(s, o);
  return encodeText(std::string(s) + std::string(nuls, '\0'), o.form);
}

// hex(N): for a type of its own; the bytes are written as they stand in the
// file.
std::string typedHex(int type, std::string_view fileBytes) {
  char head[24];
  std::snprintf(head, sizeof head, "hex(%x):", static_cast<unsigned>(type));
  return head + hexBytes(fileBytes);
}

// The data part of a value line.
std::string dataPart(const Value& v, Output& o) {
  switch (v.type) {
    case ValueType::String:
      if (v.data.find_first_of(std::string("\r\n\0", 3)) == std::string::npos) {
        note(v.data, o);
        return quotedText(v.data);
      }
      return typedHex(1, textBytes(v.data, 1, o));
    case ValueType::ExpandString: return typedHex(2, textBytes(v.data, 1, o));
    case ValueType::MultiString: return typedHex(7, textBytes(v.data, 2, o));
    case ValueType::Dword: {
      char digits[16];
      std::snprintf(digits, sizeof digits, "dword:%08x", static_cast<unsigned>(v.dword));
      return digits;
    }
    case ValueType::Binary: return "hex:" + hexBytes(v.data);
  }
  return typedHex(static_cast<int>(v.type), v.data);
}

void appendValue(const Value& v, Output& o) {
  note(v.name, o);
  o.text += v.name.empty() ? std::string("@") : quotedText(v.name);
  o.text += "=" + dataPart(v, o) + "\r\n";
}

void appendKey(Store* store, RootKey root, const std::string& keyPath, bool recursive, Output& o) {
  note(keyPath, o);
  const std::string rootName = rootKeyName(root);
  o.text += "[" + rootName + (rootName.empty() ? "" : "\\") + keyLinePath(keyPath) + "]\r\n";
  if (store)
    for (const Value& v : store->values(keyPath)) appendValue(v, o);
  o.text += "\r\n";
  if (!recursive || !store) return;
  for (const std::string& name : store->subkeys(keyPath)) appendKey(store, root, joinPath(keyPath, name), true, o);
}

// The key's blocks, read in one snapshot of the store, in the form given or,
// when none is, in windows-1252 unless it cannot hold some name or text
// (then UTF-16LE). nullopt when the form given cannot hold them.
std::optional<Output> keyBlocks(RootKey root, const std::string& keyPath, bool recursive, std::optional<Form> given) {
  Store* store = storeOf(root);
  Output o;
  auto build = [&] {
    auto attempt = [&](Form form) {
      o = Output{form, false, {}};
      appendKey(store, root, keyPath, recursive, o);
    };
    attempt(given.value_or(Form::Cp1252));
    if (o.lossy && !given) attempt(Form::Utf16);
  };
  if (store) {
    store->snapshot(build);
  } else {
    build();
  }
  if (o.lossy) return std::nullopt;
  return o;
}

// Replaces a file's content by bytes as they stand: written under a short
// temporary name in the same folder (any name the file system takes can be
// written), with a new file's mode, then renamed over it. False when
// anything failed; the file is then as it was.
bool replaceFile(const std::string& target, std::string_view bytes) {
  file::ReplacementFile out(target, file::ReplacementFile::newFileOptions());
  return out.create() == 0 && out.write(bytes) == 0 && out.commit() == 0;
}

}  // namespace

bool ExportRegistryKey(RootKey root, const std::string& KeyPath, const std::string& FileName, bool Recursive,
                       bool Append) {
  try {
    std::string old;
    if (Append) {
      std::error_code ec;
      if (std::filesystem::exists(FileName, ec)) old = text::readFileBytes(FileName);
    }
    // Appended blocks take the form of a file that has content.
    std::optional<Form> given;
    if (!old.empty()) given = formOf(old);
    const std::optional<Output> blocks = keyBlocks(root, KeyPath, Recursive, given);
    if (!blocks) return false;  // a windows-1252 file cannot hold them
    std::string content = fileText(old, blocks->form);
    if (!Append || content.find(headerOf(blocks->form)) == std::string::npos)
      content += std::string(headerOf(blocks->form)) + "\r\n\r\n";
    content += blocks->text;
    return replaceFile(FileName, fileBytes(content, blocks->form));
  } catch (...) {
    return false;
  }
}

}  // namespace lumo::registry
