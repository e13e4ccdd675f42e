// The table stream the database reader process hands back, parsed and loaded into an SQLite
// database as the program does with it. Any bytes must end in a loaded database or a database
// error, never in a crash.
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
    orv::SqliteTableLoader loader(db, {}, "fuzz.mdb");
    orv::ParseJetStream(std::string_view(reinterpret_cast<const char*>(data), size), loader,
                        "fuzz.mdb");
  } catch (const orv::RuntimeError&) {
    orv::EStackTrace::Instance().Clear();
  }
  sqlite3_close(db);
  return 0;
}
