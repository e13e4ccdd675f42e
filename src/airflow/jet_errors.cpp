#include "airflow/jet_errors.h"

#include "base/runtime_error.h"

namespace orv {

std::string DatabaseErrorDescription(int number, std::string_view subject) {
  const std::string s(subject);
  switch (number) {
    case kErrNoCurrentRecord:
      return "No current record.";
    case kErrFileNotFoundDb:
      return "Could not find file '" + s + "'.";
    case kErrNotValidPassword:
      return "Not a valid password.";
    case kErrCannotOpenDb:
      return "Cannot open database '" + s +
             "'. It may not be a database that your application recognizes, or the file may be "
             "corrupt.";
    case kErrTooFewParameters:
      return "Too few parameters. Expected 1.";
    case kErrQuerySyntax:
      return "Syntax error in query expression '" + s + "'.";
    case kErrTableNotFound:
      return "The database engine cannot find the input table or query '" + s +
             "'. Make sure it exists and that its name is spelled correctly.";
    case kErrTableLocked:
      return "Table '" + s + "' is exclusively locked by another user.";
    case kErrItemNotFound:
      return "Item not found in this collection.";
    case kErrUnrecognizedDb:
      return "Unrecognized database format '" + s + "'.";
    default:
      return StandardErrorDescription(number);
  }
}

void RaiseDatabaseError(int number, std::string_view subject, std::string_view detail) {
  std::string description = DatabaseErrorDescription(number, subject);
  if (!detail.empty()) {
    description += " (";
    description += detail;
    description += ")";
  }
  Raise(number, std::move(description));
}

}  // namespace orv
