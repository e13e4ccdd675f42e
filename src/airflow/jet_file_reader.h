#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <vector>

#include "airflow/jet_table_stream.h"

namespace orv {

// The reader process: it opens a Jet database file with mdbtools, which may crash on a damaged
// file and therefore never runs inside the program itself. The program starts it as
// `orvantis jet-read --channel FD -- FILE` and keeps it for as long as it holds the file open.
//
// The reader writes table streams (jet_table_stream.h) to the descriptor FD only, its private
// data channel: whatever mdbtools prints goes to standard output or standard error, never
// there. First comes the catalog (every user table with its columns, key and row count, no
// rows); then, for each request read from standard input, one stream with the rows asked for.
// It ends when its standard input ends. A failure ends it with the status below and the reason
// as the last line on standard error.
//
// A table is read page by page; each row is taken apart once, and only the columns asked for
// are decoded. For a request by key values, the key column of each row is read straight from
// the row, and only the rows that hold one of the values are taken apart. A table whose
// readable rows are fewer than its definition holds is reported as damaged rather than
// handed back in part.

// Exit statuses of the reader process.
enum class JetReadStatus : int {
  Ok = 0,
  Usage = 2,
  CannotOpenFile = 10,  // the file is missing, not a regular file, or may not be read
  NotJet = 11,          // mdbtools does not recognise the file
  BadCatalog = 12,      // the list of tables cannot be read
  NoSuchTable = 13,     // a request names a table the catalog lacks
  BadTable = 14,        // a table or a row cannot be read, or the table reads short
  OutputFailed = 15,
  BadRequest = 16,  // the program's request cannot be read
};

// What `orvantis jet-read` does, with requests read from `requestFd` and streams written to
// `channelFd`; messages go to `err`. Returns the exit status. It is the body of the reader
// process: it ties the life of the process that runs it to its parent's (and to the time limit
// the environment names, while it works), so only the reader process itself runs it.
JetReadStatus RunJetRead(const std::filesystem::path& file, int requestFd, int channelFd,
                         std::ostream& err);

// Hands over the requests of a read done in this process: given the catalog's tables, the next
// request, or nothing after the last.
using JetRequestSource =
    std::function<std::optional<std::vector<JetRowRequest>>(const std::vector<JetTableInfo>&)>;

// The same work as `RunJetRead` (the same checks of the file, the same catalog and answers)
// done in the calling process, with the catalog and the answers written to `out` and the
// requests taken from `next`. Nothing guards it: no time limit, no watch of a parent, so the
// caller must bound what mdbtools may do (a fuzzer runs it, on small files). Every mdbtools
// handle is closed when it returns. Returns the exit status the reader process would end with.
JetReadStatus ReadJetFileInProcess(const std::filesystem::path& file, const JetRequestSource& next,
                                   std::ostream& out, std::ostream& err);

// The reader ends when the program that started it ends, and each piece of its work (opening
// the file, answering one request) is limited in time. The program names itself and the limit
// in these environment variables (a process number, whole seconds); without them only the
// default limit applies.
inline constexpr const char* kJetReaderParentVariable = "ORVANTIS_JET_READER_PARENT";
inline constexpr const char* kJetReaderSecondsVariable = "ORVANTIS_JET_READER_SECONDS";
inline constexpr unsigned kJetReaderDefaultSeconds = 300;

// The name of the internal command and its option naming the data channel.
inline constexpr const char* kJetReadCommand = "jet-read";
inline constexpr const char* kJetReadChannelOption = "--channel";

}  // namespace orv
