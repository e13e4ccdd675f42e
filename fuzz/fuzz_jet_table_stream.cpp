// The table stream the database reader process hands back, parsed and loaded into an SQLite
// database as the program does with it, and the same bytes read as one of the program's
// requests to the reader. Any bytes must end in a loaded database, a request or a refusal,
// never in a crash.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "airflow/jet_table_stream.h"
#include "airflow/test_database_load.h"
#include "base/error_trace.h"
#include "base/runtime_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sqlite3* db = nullptr;
  if (sqlite3_open(":memory:", &db) != SQLITE_OK) {
    sqlite3_close(db);
    return 0;
  }
  try {
    // The bytes arrive in pieces as from the reader's pipe; their size varies with the input.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t piece = size % 97 + 1;
    orv::SqliteTableLoader loader(db, {}, "fuzz.mdb");
    orv::JetStreamParser parser(loader, "fuzz.mdb");
    for (std::size_t at = 0; at < size; at += piece) parser.Feed(bytes.substr(at, piece));
    parser.Finish();
  } catch (const orv::RuntimeError&) {
    orv::EStackTrace::Instance().Clear();
  }
  sqlite3_close(db);
  // The reader reads the program's requests the same careful way.
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  orv::DecodeJetRequest(bytes);
  if (size > 4) orv::DecodeJetRequest(bytes.substr(4));
  return 0;
}
