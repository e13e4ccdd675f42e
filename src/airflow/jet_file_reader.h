#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace orv {

// The reader process: it opens a Jet database file with mdbtools, which may crash on a damaged
// file and therefore never runs inside the program itself, and writes the tables asked for to
// its standard output as a table stream (jet_table_stream.h). The program starts it as
// `orvantis jet-read` and reads the stream back.

// Exit statuses of the reader process.
enum class JetReadStatus : int {
  Ok = 0,
  Usage = 2,
  CannotOpenFile = 10,  // the file is missing or may not be read
  NotJet = 11,          // mdbtools does not recognise the file
  BadCatalog = 12,      // the list of tables cannot be read
  NoSuchTable = 13,     // a table asked for is not in the file
  BadTable = 14,        // a table or a row cannot be read
  OutputFailed = 15,
};

// What `orvantis jet-read` does: with `withRows` false it describes every user table of the
// file (no rows); otherwise it writes the description and all rows of each table in `tables`.
// Messages go to `err`. Returns the exit status.
JetReadStatus RunJetRead(const std::filesystem::path& file, const std::vector<std::string>& tables,
                         bool withRows, std::ostream& out, std::ostream& err);

// The name of the internal command.
inline constexpr const char* kJetReadCommand = "jet-read";

}  // namespace orv
