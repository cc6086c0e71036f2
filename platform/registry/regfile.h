#pragma once
// Registry keys as REGEDIT4 text: the export writer, the two enumerators it
// stands on, and our own importer of such files (what "regedit /s" did).
//
// Root keys are the predefined handle values of the Windows registry. The
// store holds HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE; every other root
// reads as a key that cannot be opened.
//
// REGEDIT4 file: windows-1252 text with CR LF line ends. "REGEDIT4" and an
// empty line, then for each key its line "[HKEY_CURRENT_USER\Path]", one
// line per value (name part, "=", data part) and an empty line. Name part:
// the name between double quotes ("\" written "\\", '"' written '\"', CR,
// LF and NUL written "\r", "\n", "\0"), "@" for the default value. A CR, LF
// or NUL of a key name is written "\\r", "\\n", "\\0" on its key line (two
// backslashes never stand between key names). Data part by type:
//   text                    "C:\\x"   (a text with CR, LF or NUL: hex(1):...)
//   32-bit number           dword:00000010
//   binary                  hex:0A,FF
//   expandable text         hex(2):  its bytes in the file's encoding and a NUL
//   multi-text              hex(7):  each part's bytes and a NUL, then a NUL
//   any other type N        hex(N):  the data bytes (N in hexadecimal)
// When windows-1252 cannot hold some name or text, the file is written as
// Windows' registry editor writes it: UTF-16LE after the mark FF FE, under
// the header "Windows Registry Editor Version 5.00", hex(1/2/7) bytes in
// UTF-16LE (a byte of a text that is not UTF-8 as the unit U+DC00 + byte).
// A file's encoding is told by its start only: FF FE is that UTF-16LE form,
// EF BB BF a UTF-8 REGEDIT4 file, anything else windows-1252; so every value
// reads back exactly as it was written.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/registry/registry.h"

namespace lumo::registry {

using RootKey = uint32_t;
inline constexpr RootKey HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr RootKey HKEY_CURRENT_USER = 0x80000001u;
inline constexpr RootKey HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr RootKey HKEY_USERS = 0x80000003u;
inline constexpr RootKey HKEY_PERFORMANCE_DATA = 0x80000004u;
inline constexpr RootKey HKEY_CURRENT_CONFIG = 0x80000005u;
inline constexpr RootKey HKEY_DYN_DATA = 0x80000006u;

// The store that holds a root key; nullptr for the roots it does not hold.
Store* storeOf(RootKey root);
// "HKEY_CURRENT_USER" and the other four names a key line starts with; ""
// for any other root.
std::string rootKeyName(RootKey root);

// One value as EnumRegistryValues reports it.
struct RegistryValueRecord {
  // The type codes of the value (VB's VarType).
  static constexpr int kEmpty = 0;
  static constexpr int kLong = 3;
  static constexpr int kString = 8;
  static constexpr int kByteArray = 8209;

  std::string name;  // "" for the key's default value
  // Text (types 1, 2, 7; a multi-text's parts separated by NUL), a signed
  // 32-bit number (type 4), bytes (type 3), nothing (any other type).
  std::variant<std::monostate, std::string, int32_t, std::vector<uint8_t>> value;
  int typeCode = kEmpty;
  Value stored;  // the value as the store holds it
};

// The names of a key's subkeys, in enumeration order; empty when the key
// cannot be opened. An empty KeyPath enumerates the root itself.
std::vector<std::string> EnumRegistryKeys(RootKey root, const std::string& KeyPath);
// The key's values, in enumeration order; empty when the key cannot be opened.
std::vector<RegistryValueRecord> EnumRegistryValues(RootKey root, const std::string& KeyPath);

// Writes the key (with all its subkeys, depth first, when Recursive) as
// REGEDIT4 text to FileName: a new file, or appended to what the file holds
// in the file's own encoding (the header then comes first only when the
// file does not contain it; a windows-1252 file takes only what
// windows-1252 holds, else the export fails). The whole tree is read from one consistent state of the store
// and the file is written under a temporary name and renamed over FileName,
// so a failed export leaves the file as it was. A key that cannot be read
// gives its key line alone. True when the file was written.
bool ExportRegistryKey(RootKey root, const std::string& KeyPath, const std::string& FileName, bool Recursive,
                       bool Append);

// True: this system has no privileges to enable before a restore.
bool EnablePrivilege(const std::string& PrivilegeName);

// ---- Import ----------------------------------------------------------------

// A REGEDIT4 file read into memory: what it asks for, in file order.
struct RegChange {
  enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
  Kind kind = CreateKey;
  RootKey root = 0;
  std::string keyPath;
  std::string keyName;  // the key line's name as written, without brackets and "-"
  Value value;          // SetValue; DeleteValue uses its name
};

struct RegFileContents {
  bool ok = false;
  std::string error;  // when not ok: why, in words for the reader (Italian)
  std::vector<RegChange> changes;
};

// Reads and parses a REGEDIT4 file (or its UTF-16LE version 5 form, above):
// the header line, comments (";"), empty
// lines, key lines "[...]" and deletions "[-...]", value lines with "@" or a
// quoted name and text, dword:, hex: or hex(N): data (continued on the next
// line after a final "\"), and deletions "name"=-. Any line it does not
// understand makes the whole file unusable (ok false, nothing to change).
RegFileContents ReadRegFile(const std::string& FileName);

// The part of the registry an import may change: the key and everything
// below it. An empty KeyPath is the whole root.
struct KeyScope {
  RootKey root = HKEY_CURRENT_USER;
  std::string keyPath;
};

struct ImportResult {
  bool ok = false;
  std::string error;                 // when not ok: why (Italian); nothing was changed
  int changed = 0;                   // changes made
  std::vector<std::string> skipped;  // key lines outside the scope, as written, once each
};

// Makes the changes of a file, all in one transaction of each store: when
// one fails nothing is kept. Keys outside the scope (and their values) are
// skipped and named in the result.
ImportResult ApplyRegFile(const RegFileContents& contents, const KeyScope& scope);

// ReadRegFile, then ApplyRegFile; returns when the import is complete.
ImportResult ImportRegFile(const std::string& FileName, const KeyScope& scope);

}  // namespace lumo::registry
