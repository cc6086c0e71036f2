#pragma once
// The numeric fields of LumoSplitter's window as the user types them, and
// the same values as mp3splt reads them. Typed numbers take "," or "." as
// the decimal separator and read the same in every locale.

#include <cstdint>
#include <optional>
#include <string>

namespace lumo::splitter {

// The key code a numeric field keeps (0 drops the key): digits lo to hi,
// comma, full stop and the editing keys; a minus sign is dropped, also in k.
int16_t FilterDigitKey(int16_t& k, int16_t lo, int16_t hi);

// A number as typed into a numeric field: digits with "," or "." as the
// decimal separator, read the same in every locale; nullopt when the text
// is no such number (empty, a lone separator, two separators, a sign).
std::optional<double> TypedNumber(const std::string& typed);

// A part length typed in minutes ("5", "2,5", "2.5") as mp3splt's time
// "min.sec" ("5.00", "2.30"); nullopt when the text is no positive number.
std::optional<std::string> EngineMinutes(const std::string& text);

// The length mp3splt is given for a typed part length, in minutes with ","
// and at most two decimals ("2,5" for "2.5" or "2,50"; "2" for "2,0"), as
// the pieces' folder and the end message name it; the text as typed when it
// is no length.
std::string MinutesLabel(const std::string& typed);

// A threshold or a silence length as mp3splt reads it: "," becomes ".", and
// a separator with no digits after it is dropped ("3,5" gives "3.5", "3,"
// gives "3"). Other texts stay as typed.
std::string EngineNumber(const std::string& typed);

// n with at least two digits ("05"), as the engine's times and the
// durations shown write their seconds.
std::string twoDigits(long long n);

}  // namespace lumo::splitter
