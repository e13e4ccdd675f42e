// A cache file of the test database cache folder, which anyone who can write the folder may
// have changed: any bytes must be refused, or read and queried, never crash the program. The
// input is the cache file of one database state without the check it ends with; its tables,
// when accepted, are read through.
// The same bytes are also read as a kept list.
#include <sqlite3.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "airflow/test_database_disk_cache.h"
#include "airflow/test_database_load.h"
#include "airflow/test_list_query.h"
#include "base/atomic_file.h"

namespace {

const orv::DiskCacheOptions& Options() {
  static const orv::DiskCacheOptions options = [] {
    char pattern[] = "/tmp/orvantis-fuzz-cache-XXXXXX";
    const char* folder = mkdtemp(pattern);
    return orv::DiskCacheOptions{folder != nullptr ? folder : "/tmp", std::uintmax_t{64} << 20};
  }();
  return options;
}

const orv::DatabaseStamp kStamp{"/bench/bench.mdb", 135168, 1700000000000000000};

// Reads the cache file holding `file` as its tables' file would be read.
void ReadCacheFile(const std::string& file) {
  orv::WriteFileAtomically(orv::DiskCacheFileOf(Options(), kStamp.path), file,
                           orv::WriteDurability::Unflushed);
  sqlite3* db = nullptr;
  if (sqlite3_open(":memory:", &db) == SQLITE_OK) {
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    if (const auto catalog = orv::ReadDiskCache(Options(), kStamp, db)) {
      for (std::size_t t = 0; t < catalog->tables.size(); ++t) {
        const std::string sql = "SELECT * FROM " + orv::SqliteQuotedName(catalog->tables[t].name);
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
      }
    }
  }
  sqlite3_close(db);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // As they are (almost always refused by the file's check), and with the check a cache file
  // ends with made for them, so that what lies behind the check is reached too.
  ReadCacheFile(bytes);
  ReadCacheFile(orv::SealDiskCacheFile(bytes));
  // The same bytes as a kept list of the dialog's default columns.
  orv::WriteDiskCacheResult(Options(), kStamp, "key", bytes);
  if (const auto kept = orv::ReadDiskCacheResult(Options(), kStamp, "key")) {
    orv::ReadKeptTestList(*kept, {0, 1, 2, 3, 4});
  }
  return 0;
}
