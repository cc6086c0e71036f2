#pragma once
// What the export and the import of settings files share: the roots a key
// line names and the three forms a file's text takes.

#include <string>
#include <string_view>

#include "platform/registry/regfile.h"

namespace lumo::registry::regfile {

struct RootName {
  RootKey root;
  const char* name;
};
// The roots a key line may name (HKEY_DYN_DATA only in files).
inline constexpr RootName kRootNames[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},     {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},   {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"}, {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
};

// How a file's text is encoded, told by its first bytes and never guessed
// from the rest: no mark is windows-1252 REGEDIT4 (what Windows writes under
// that header), EF BB BF is UTF-8 REGEDIT4, FF FE is UTF-16LE under the
// version 5 header (what Windows' registry editor writes). The texts of
// hex(1), hex(2) and hex(7) are in the file's encoding.
enum class Form { Cp1252, Utf8, Utf16 };

// A store text (UTF-8) as bytes of the form, and back.
std::string encodeText(std::string_view s, Form form);
std::string decodeText(std::string_view bytes, Form form);

// The form of a file's bytes, by its mark.
Form formOf(std::string_view bytes);
// A file's bytes in its form: its mark, then the text.
std::string fileBytes(std::string_view utf8Text, Form form);
// The text of a file's bytes, without its mark.
std::string fileText(std::string_view bytes, Form form);
// The header line of a file of the form.
std::string_view headerOf(Form form);

}  // namespace lumo::registry::regfile
