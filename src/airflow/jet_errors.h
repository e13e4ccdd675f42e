#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace orv {

// Numbers of the errors the test database layer raises. They are the numbers the flow bench's
// database engine gives the same failures, so that the program and its users see the same
// numbers whatever engine reads the file.
inline constexpr int kErrNoCurrentRecord =
    3021;  // a field read before the first or after the last row
inline constexpr int kErrFileNotFoundDb = 3024;    // the database file does not exist
inline constexpr int kErrNotValidPassword = 3031;  // the file is protected by a password
inline constexpr int kErrCannotOpenDb = 3049;      // the file is damaged or the reader failed
inline constexpr int kErrTooFewParameters = 3061;  // the query names a column no table has
inline constexpr int kErrQuerySyntax = 3075;       // the query cannot be understood
inline constexpr int kErrTableNotFound = 3078;     // the query names a table the file lacks
inline constexpr int kErrTableLocked = 3261;       // a table is locked by another user
inline constexpr int kErrItemNotFound = 3265;      // a field name the record set does not have
inline constexpr int kErrUnrecognizedDb = 3343;    // the file is not a database of this kind

// "Could not find file 'PATH'." and the like: the description of a database error number,
// with the file, table or field it concerns.
std::string DatabaseErrorDescription(int number, std::string_view subject);

// Raised when the user cancels a long read of the database from its progress report. It is not
// an error: nothing is reported, and the database stays usable for the next read.
class DatabaseReadCancelled final : public std::exception {
 public:
  const char* what() const noexcept override { return "the database read was cancelled"; }
};

// Raises the database error `number` about `subject`, with `detail` (what went wrong, in
// words) appended to the description when it is not empty.
[[noreturn]] void RaiseDatabaseError(int number, std::string_view subject,
                                     std::string_view detail = {});

}  // namespace orv
