// The three forms of a settings file: windows-1252, UTF-8 and UTF-16LE.

#include "platform/registry/regfile_form.h"

#include "common/text/text.h"
#include "common/text/utf16.h"

namespace lumo::registry::regfile {
namespace {

constexpr std::string_view kRegedit4 = "REGEDIT4";
constexpr std::string_view kVersion5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";

}  // namespace

// A store text (UTF-8) as bytes of the form, and back.
std::string encodeText(std::string_view s, Form form) {
  switch (form) {
    case Form::Cp1252: return text::utf8ToCp1252(s);
    case Form::Utf8: return std::string(s);
    case Form::Utf16: return text::utf8ToUtf16(s, text::ByteOrder::LittleEndian);
  }
  return {};
}

std::string decodeText(std::string_view bytes, Form form) {
  switch (form) {
    case Form::Cp1252: return text::cp1252ToUtf8(bytes);
    case Form::Utf8: return std::string(bytes);
    case Form::Utf16: return text::utf16ToUtf8(bytes, text::ByteOrder::LittleEndian);
  }
  return {};
}

// The form of a file's bytes, by its mark.
Form formOf(std::string_view bytes) {
  if (bytes.starts_with(kUtf16Mark)) return Form::Utf16;
  if (bytes.starts_with(kUtf8Mark)) return Form::Utf8;
  return Form::Cp1252;
}

// A file's bytes in its form: its mark, then the text.
std::string fileBytes(std::string_view utf8Text, Form form) {
  switch (form) {
    case Form::Cp1252: return text::utf8ToCp1252(utf8Text);
    case Form::Utf8: return std::string(kUtf8Mark) + std::string(utf8Text);
    case Form::Utf16: return std::string(kUtf16Mark) + text::utf8ToUtf16(utf8Text, text::ByteOrder::LittleEndian);
  }
  return {};
}

// The text of a file's bytes, without its mark.
std::string fileText(std::string_view bytes, Form form) {
  if (form == Form::Utf8 && bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
  if (form == Form::Utf16 && bytes.starts_with(kUtf16Mark)) bytes.remove_prefix(kUtf16Mark.size());
  return decodeText(bytes, form);
}

std::string_view headerOf(Form form) { return form == Form::Utf16 ? kVersion5 : kRegedit4; }

}  // namespace lumo::registry::regfile
