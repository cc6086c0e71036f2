#pragma once
// Run-time errors of the suite. Procedures that "trap their errors" catch
// RuntimeError at their end and report its number and Italian description.

#include <functional>
#include <stdexcept>
#include <string>

namespace lumo {

// Numbers of the run-time errors the suite raises.
namespace err {
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int DivisionByZero = 11;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int InputPastEnd = 62;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int ObjectNotSet = 91;
inline constexpr int DuplicateKey = 457;
}  // namespace err

// The Italian description of a run-time error number ("" for unknown numbers).
std::string errorDescription(int number);

class RuntimeError : public std::runtime_error {
 public:
  // An error with the catalogue's description of its number.
  explicit RuntimeError(int number);
  // An error with a description of its own (platform errors, failed calls).
  RuntimeError(int number, std::string description);

  int number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }

 private:
  int number_;
  std::string description_;
};

// What an operating-system error number means for a file, in Italian
// ("disco pieno", "nome troppo lungo", ...), for messages that say why a
// file or folder could not be made.
std::string ioErrorCause(int errnoValue);

// Error 75 for a file or folder that could not be made or written, with the
// path and the cause in its description.
RuntimeError fileAccessError(const std::string& path, int errnoValue);

// Runs one statement and swallows any error it raises (a run-time error or
// any other exception), reporting nothing: the "a failing statement is
// skipped" style of error handling, the one helper for it in the suite.
// Returns true when the statement ran without error.
bool skipOnError(const std::function<void()>& statement) noexcept;

}  // namespace lumo
