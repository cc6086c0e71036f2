#pragma once
// The UTF-16 codec of the files the suite reads and writes in it: settings
// exports in Windows' version 5 form (UTF-16 that keeps every byte of a
// text, also one that is no UTF-8) and the UCS-2 frames of ID3v2.3 tags.

#include <optional>
#include <string>
#include <string_view>

namespace lumo::text {

enum class ByteOrder { LittleEndian, BigEndian };

// The byte order a byte-order mark at the start of UTF-16 bytes tells: FF FE
// little-endian, FE FF big-endian; nullopt when they begin with neither.
std::optional<ByteOrder> utf16ByteOrderMark(std::string_view bytes);

// The characters of UTF-16 bytes, surrogate pairs joined. A surrogate
// without its partner comes out as itself (U+D800 to U+DFFF), for the caller
// to judge; an odd last byte is dropped.
std::u32string utf16CodePoints(std::string_view bytes, ByteOrder order);

// UTF-8 text as UTF-16 that keeps every byte: a character beyond U+FFFF as
// a surrogate pair, a byte that is no UTF-8 (a folder name unpacked from
// Windows) as the lone surrogate U+DC00 + byte, which the Windows registry
// holds like any other unit and utf16ToUtf8 turns back into the byte.
std::string utf8ToUtf16(std::string_view utf8, ByteOrder order);

// The text of UTF-16 bytes, utf8ToUtf16 undone: a lone surrogate U+DC80 to
// U+DCFF gives back its byte, any other one becomes U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, ByteOrder order);

// UTF-8 text as UCS-2 (UTF-16 without surrogate pairs), no byte-order mark:
// a character beyond U+FFFF becomes "?", a byte that is no UTF-8 the
// character of its value, as the windows-1252 writer keeps such a byte.
std::string utf8ToUcs2(std::string_view utf8, ByteOrder order);

}  // namespace lumo::text
