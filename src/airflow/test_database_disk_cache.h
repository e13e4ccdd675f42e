#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "airflow/jet_table_stream.h"

struct sqlite3;

namespace orv {

// The tables a test database has loaded, kept between runs of the program: one SQLite file
// per database file in the user's cache folder, holding the loaded tables as they were loaded
// (the columns read so far of each) and, in two tables of its own, the database's catalog and
// the state of the database file they were read from (its path, size and modification time).
//
// Results made from the tables (a filled list) are kept in files of their own beside it.
//
// A cache file is used only for the very state it was made from: any change of the database
// file makes it stale, and it is written anew after the next load. Cache files are written
// whole to a temporary file and renamed, so a program reading one at the same time sees the
// old file or the new one, never a mixture. A cache file is never trusted: it must pass
// SQLite's own check, hold exactly the tables (with exactly the columns) its catalog names,
// nothing else, and their row counts, and end with the check of its bytes it was written with;
// a file that fails is removed. When the cache's own files (by their names and first bytes;
// nothing else in the folder is ever removed) together grow beyond the size limit, the least
// recently used go first.

struct DiskCacheOptions {
  std::filesystem::path folder;                          // empty: nothing is kept
  std::uintmax_t sizeLimit = std::uintmax_t{512} << 20;  // all cache files together, bytes
};

// "$XDG_CACHE_HOME/Orvantis", else "$HOME/.cache/Orvantis"; empty when neither names an
// absolute folder.
std::filesystem::path DefaultDiskCacheFolder();

// A database file as it was when its tables were read.
struct DatabaseStamp {
  std::string path;  // absolute and normalised
  std::uintmax_t size = 0;
  std::int64_t modifiedNs = 0;
  bool operator==(const DatabaseStamp&) const = default;
};

// What a cache file holds besides the rows.
struct CachedCatalog {
  std::uint32_t jetVersion = 0;
  std::vector<JetTableInfo> tables;        // the catalog, duplicates of a name left out
  std::vector<std::uint16_t> readerIndex;  // each table's place in the reader's catalog
  std::vector<std::vector<bool>> held;     // per table and column: loaded whole
  std::vector<std::int64_t> heldRows;      // per table: the rows loaded (0 when none)
};

// `content` with the check every cache file ends with (a hash of the bytes before it, written
// last); a file whose check fails is not used, and is made again.
std::string SealDiskCacheFile(std::string_view content);

// The cache file of the database file `path` names (whatever state it holds).
std::filesystem::path DiskCacheFileOf(const DiskCacheOptions& options, std::string_view path);

// True for the names of the cache's own tables (a database table of such a name cannot be
// kept).
bool IsDiskCacheTableName(std::string_view name);

// Reads the cache file of `stamp` into the main database of the empty connection `db`.
// Nothing when there is none, when it holds another state of the database file or when it
// fails a check (a failing file is removed); `db` then holds whatever was read and is to be
// closed.
std::optional<CachedCatalog> ReadDiskCache(const DiskCacheOptions& options,
                                           const DatabaseStamp& stamp, sqlite3* db);

// Writes the main database of `db` with `catalog` as the cache file of `stamp`, then removes
// the least recently used cache files while the folder holds more than the limit. A cache
// that cannot be written is not an error: the reason is returned (empty on success).
std::string WriteDiskCache(const DiskCacheOptions& options, const DatabaseStamp& stamp, sqlite3* db,
                           const CachedCatalog& catalog);

// A result made from the tables of `stamp` (a filled list, ...), kept in a file of its own
// beside the tables' file under `key`: read back only for the same state of the database file
// and the same key, and never trusted (the caller checks the bytes it gets).
std::optional<std::string> ReadDiskCacheResult(const DiskCacheOptions& options,
                                               const DatabaseStamp& stamp, std::string_view key);
std::string WriteDiskCacheResult(const DiskCacheOptions& options, const DatabaseStamp& stamp,
                                 std::string_view key, std::string_view value);

}  // namespace orv
