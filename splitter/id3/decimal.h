#pragma once
// Numbers of the tags' texts are read with a full stop as the decimal
// separator, whatever LC_NUMERIC the program runs in (Qt sets the user's).

#include <locale.h>
#include <stdlib.h>

#include <string>

namespace lumo::id3 {

// strtod in the C locale.
inline double parseDecimal(const std::string& s) {
  static const locale_t c = ::newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
  return ::strtod_l(s.c_str(), nullptr, c);
}

}  // namespace lumo::id3
