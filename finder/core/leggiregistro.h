#pragma once
// Reads one string value of the settings store below any of its hives, with
// three ways of reporting a failure: silently, by raising an error, or by a
// message box. The finder uses it, silently, to learn whether the library's
// downloader is registered on this machine.
//
// Failures carry the Windows error codes the store's calls stand for:
// 2 for a key or value that does not exist, 5 for a store that may not be
// read, 6 for a hive that is none of the predefined ones, 234 for a value
// that grew between its two reads, 1016 for a store that cannot be read.

#include <cstdint>
#include <string>

#include "common/errors/errors.h"

namespace lumo::finder {

// The predefined hive handles, as 32-bit signed numbers.
inline constexpr int32_t HKEY_CLASSES_ROOT = static_cast<int32_t>(0x80000000u);
inline constexpr int32_t HKEY_CURRENT_USER = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t HKEY_LOCAL_MACHINE = static_cast<int32_t>(0x80000002u);
inline constexpr int32_t HKEY_USERS = static_cast<int32_t>(0x80000003u);

// The store's error codes.
namespace api {
inline constexpr int32_t Success = 0;
inline constexpr int32_t FileNotFound = 2;
inline constexpr int32_t AccessDenied = 5;
inline constexpr int32_t InvalidHandle = 6;
inline constexpr int32_t MoreData = 234;
inline constexpr int32_t RegistryIoFailed = 1016;
}  // namespace api

// The reporting modes of ReadRegistryString.
namespace mode {
inline constexpr int16_t Silent = 0;   // a failure returns ""
inline constexpr int16_t Raise = 1;    // a failure raises ApiError
inline constexpr int16_t Message = 2;  // a failure shows a message, then returns ""
}  // namespace mode

// A run-time error raised for a failed call of the store: its number is the
// code plus the base of object-defined errors (hexadecimal 80047148), its
// source the executable's name followed by ".Windows".
class ApiError : public RuntimeError {
 public:
  ApiError(int number, std::string source, std::string description);
  const std::string& source() const noexcept { return source_; }

 private:
  std::string source_;
};

// The base that RaiseApiError adds to a code.
inline constexpr int32_t kApiErrorBase = static_cast<int32_t>(0x80047148u);

// The text of the value named valueName of key below hive ("" for the key's
// default value), or "" on a failure, a missing value or an empty value.
// The value's type is not checked: a value that is no text gives its stored
// bytes but the last one.
std::string ReadRegistryString(int16_t mode, const std::string& key, const std::string& valueName, int32_t hive);

// Raises ApiError for code; a code whose number would leave the 32-bit range
// (below -291144) raises Overflow (6) instead.
[[noreturn]] void RaiseApiError(int32_t code);

// Raises ApiError when code is not 0.
void CheckApiResult(int32_t code);

// The Italian text of an error code of the store, ending in CR LF as the
// system's texts do; "" for codes the store does not produce.
std::string GetApiErrorText(int32_t code);

}  // namespace lumo::finder
