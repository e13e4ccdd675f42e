#include "base/runtime_error.h"

namespace orv {

std::string StandardErrorDescription(int number) {
  switch (number) {
    case kErrInvalidCall:
      return "Invalid procedure call or argument";
    case kErrOverflow:
      return "Overflow";
    case kErrOutOfMemory:
      return "Out of memory";
    case kErrSubscript:
      return "Subscript out of range";
    case kErrDivByZero:
      return "Division by zero";
    case kErrTypeMismatch:
      return "Type mismatch";
    case kErrInternal:
      return "Internal error";
    case 52:
      return "Bad file name or number";
    case kErrFileNotFound:
      return "File not found";
    case 55:
      return "File already open";
    case kErrFileIo:
      return "Device I/O error";
    case 61:
      return "Disk full";
    case 62:
      return "Input past end of file";
    case 71:
      return "Disk not ready";
    case kErrPermission:
      return "Permission denied";
    case 75:
      return "Path/File access error";
    case kErrPathNotFound:
      return "Path not found";
    case kErrInvalidUseOfNull:
      return "Invalid use of Null";
    default:
      return "Application-defined or object-defined error";
  }
}

RuntimeError::RuntimeError(int number) : RuntimeError(number, StandardErrorDescription(number)) {}

RuntimeError::RuntimeError(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

void Raise(int number) { throw RuntimeError(number); }

void Raise(int number, std::string description) {
  throw RuntimeError(number, std::move(description));
}

}  // namespace orv
