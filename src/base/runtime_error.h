#pragma once

#include <stdexcept>
#include <string>

namespace orv {

// Numbers of the run-time errors the program raises itself. They are the numbers the user sees
// in the error message, so they never change.
inline constexpr int kErrInvalidCall = 5;  // "Invalid procedure call or argument"
inline constexpr int kErrOverflow = 6;     // "Overflow"
inline constexpr int kErrOutOfMemory = 7;
inline constexpr int kErrSubscript = 9;   // "Subscript out of range"
inline constexpr int kErrDivByZero = 11;  // "Division by zero"
inline constexpr int kErrTypeMismatch = 13;
inline constexpr int kErrInternal = 51;
inline constexpr int kErrInvalidUseOfNull = 94;  // "Invalid use of Null"
inline constexpr int kErrFileNotFound = 53;
inline constexpr int kErrFileIo = 57;
inline constexpr int kErrPermission = 70;
inline constexpr int kErrPathNotFound = 76;

// The description the program gives a run-time error number of its own.
std::string StandardErrorDescription(int number);

// An error that ends the current command. It carries the error number and description shown to
// the user; the handler's report (`EStackTrace::ReportCurrentException`) takes them from it.
class RuntimeError final : public std::runtime_error {
 public:
  explicit RuntimeError(int number);
  RuntimeError(int number, std::string description);

  int number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }

 private:
  int number_;
  std::string description_;
};

[[noreturn]] void Raise(int number);
[[noreturn]] void Raise(int number, std::string description);

}  // namespace orv
