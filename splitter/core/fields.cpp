#include "splitter/core/fields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/text/text.h"

namespace lumo::splitter {
std::string twoDigits(long long n) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%02lld", n);
  return buffer;
}

int16_t FilterDigitKey(int16_t& k, int16_t lo, int16_t hi) {
  if (k == 45) k = 0;
  if (k == 44) return k;
  for (int16_t editing : {8, 9, 12, 13, 27, 46, 144})
    if (k == editing) return k;
  if (k >= 48 + lo && k <= 48 + hi) return k;
  return 0;
}

std::optional<double> TypedNumber(const std::string& typed) {
  std::string t = text::trim(typed);
  std::replace(t.begin(), t.end(), ',', '.');
  if (t.find_first_not_of("0123456789.") != std::string::npos || std::count(t.begin(), t.end(), '.') > 1 ||
      t.find_first_of("0123456789") == std::string::npos)
    return std::nullopt;
  // from_chars reads "." as the separator whatever the locale says.
  double value = 0;
  const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (error != std::errc() || end != t.data() + t.size()) return std::nullopt;
  return value;
}

std::optional<std::string> EngineMinutes(const std::string& typed) {
  const std::optional<double> number = TypedNumber(typed);
  if (!number) return std::nullopt;
  const double value = *number;
  if (!(value > 0) || value > 100000) return std::nullopt;
  long long minutes = static_cast<long long>(std::floor(value));
  long long seconds = std::lround((value - static_cast<double>(minutes)) * 60);
  if (seconds >= 60) {
    ++minutes;
    seconds -= 60;
  }
  if (minutes == 0 && seconds == 0) return std::nullopt;
  return std::to_string(minutes) + "." + twoDigits(seconds);
}

std::string MinutesLabel(const std::string& typed) {
  const std::optional<std::string> engine = EngineMinutes(typed);
  if (!engine) return typed;
  const size_t dot = engine->find('.');
  const long long minutes = std::stoll(engine->substr(0, dot));
  const long long hundredths = std::lround(std::stoll(engine->substr(dot + 1)) * 100 / 60.0);
  std::string label = std::to_string(minutes);
  if (hundredths == 0) return label;
  std::string decimals = twoDigits(hundredths);
  if (decimals.back() == '0') decimals.pop_back();
  return label + "," + decimals;
}

std::string EngineNumber(const std::string& typed) {
  std::string t = text::trim(typed);
  std::replace(t.begin(), t.end(), ',', '.');
  if (!t.empty() && t.back() == '.') t.pop_back();
  return t;
}

}  // namespace lumo::splitter
