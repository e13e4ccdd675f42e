#include "airflow/test_database_disk_cache.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "airflow/test_database_load.h"
#include "base/atomic_file.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// The layout of the cache's own tables; a file of another layout is not used.
constexpr std::int64_t kFormat = 1;
constexpr std::string_view kFileTable = "orvantis_cache_file";
constexpr std::string_view kColumnsTable = "orvantis_cache_columns";
constexpr const char* kCreateFileTable =
    "CREATE TABLE orvantis_cache_file (format INTEGER, path TEXT, size INTEGER, modified "
    "INTEGER, jet_version INTEGER)";
constexpr const char* kCreateColumnsTable =
    "CREATE TABLE orvantis_cache_columns (table_no INTEGER, reader_no INTEGER, table_name TEXT, "
    "row_count INTEGER, held_rows INTEGER, column_no INTEGER, column_name TEXT, column_type "
    "INTEGER, key_position INTEGER, held INTEGER)";
constexpr std::string_view kSqliteHeader("SQLite format 3\0", 16);
constexpr std::string_view kCacheExtension = ".sqlite";
constexpr std::string_view kResultExtension = ".result";
constexpr std::string_view kResultMagic = "OVRESLT1";
// A kept result larger than this is not kept (nor read).
constexpr std::size_t kMaxResultBytes = std::size_t{64} << 20;

struct StatementFinalizer {
  void operator()(sqlite3_stmt* s) const noexcept { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

Statement Prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &s, nullptr) != SQLITE_OK) {
    sqlite3_finalize(s);
    return nullptr;
  }
  return Statement(s);
}

std::string_view ColumnText(sqlite3_stmt* s, int i) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
  return p == nullptr ? std::string_view()
                      : std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(s, i)));
}

bool IsInteger(sqlite3_stmt* s, int i) { return sqlite3_column_type(s, i) == SQLITE_INTEGER; }

bool IsKnownType(std::int64_t code) {
  const auto t = static_cast<JetColumnType>(code);
  return code >= 0 && code <= 0xFF && SqliteDeclaredType(t) != "UNKNOWN";
}

bool ValidName(std::string_view name) {
  return !name.empty() && name.size() <= kJetMaxNameBytes &&
         name.find('\0') == std::string_view::npos;
}

std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  for (char c : text) {
    h ^= static_cast<std::uint8_t>(c);
    h *= 0x100000001b3ULL;
  }
  return h;
}

// The bytes of a regular file, with its device and inode; nothing when it cannot be read or
// is larger than `limit`.
struct FileBytes {
  std::string bytes;
  dev_t device = 0;
  ino_t inode = 0;
};
std::optional<FileBytes> ReadFile(const fs::path& path, std::uintmax_t limit) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return std::nullopt;
  FileBytes file;
  struct stat st {};
  bool ok =
      ::fstat(fd, &st) == 0 && st.st_size >= 0 && static_cast<std::uintmax_t>(st.st_size) <= limit;
  if (ok) {
    file.device = st.st_dev;
    file.inode = st.st_ino;
    file.bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (ok && done < file.bytes.size()) {
      const ssize_t n = ::read(fd, file.bytes.data() + done, file.bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0;
      if (ok) done += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  return file;
}

// Every cache file ends with a check of the bytes before it, written last:
//   16 bytes: "OVCHECK1", then u64 (little-endian) the FNV-1a hash of every byte before them.
// A file whose check fails has been changed since it was written (or was never written whole)
// and is not used.
constexpr std::string_view kCheckTag = "OVCHECK1";
constexpr std::size_t kCheckBytes = 16;

// The bytes a cache file holds without its check, or nothing when the check fails.
std::optional<std::string_view> Checked(std::string_view file) {
  if (file.size() < kCheckBytes) return std::nullopt;
  const std::string_view content = file.substr(0, file.size() - kCheckBytes);
  const std::string_view check = file.substr(content.size());
  if (check.substr(0, kCheckTag.size()) != kCheckTag) return std::nullopt;
  std::uint64_t stored = 0;
  for (int i = 7; i >= 0; --i) {
    stored = (stored << 8) | static_cast<std::uint8_t>(check[kCheckTag.size() + i]);
  }
  if (stored != Fnv1a(content)) return std::nullopt;
  return content;
}

// A cache file's own name: "testdb-" and 16 hexadecimal digits (its database's path), then
// ".sqlite", or "-", 16 more (its key) and ".result". Nothing else in the folder is the
// cache's to remove.
bool IsOwnFileName(const std::string& name) {
  const auto hex = [&](std::size_t at) {
    if (at + 16 > name.size()) return false;
    for (std::size_t i = at; i < at + 16; ++i) {
      const char c = name[i];
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
  };
  constexpr std::string_view kPrefix = "testdb-";
  if (name.rfind(kPrefix, 0) != 0 || !hex(kPrefix.size())) return false;
  const std::string rest = name.substr(kPrefix.size() + 16);
  if (rest == kCacheExtension) return true;
  return rest.size() == 1 + 16 + kResultExtension.size() && rest[0] == '-' &&
         hex(kPrefix.size() + 17) && rest.substr(17) == kResultExtension;
}

// True when the file at `path` begins as a cache file of its kind does (the SQLite header, or
// a kept result's mark).
bool BeginsAsOwnFile(const fs::path& path) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return false;
  char head[16] = {};
  ssize_t got = 0;
  do {
    got = ::pread(fd, head, sizeof head, 0);
  } while (got < 0 && errno == EINTR);
  ::close(fd);
  const std::string_view bytes(head, got > 0 ? static_cast<std::size_t>(got) : 0);
  return path.extension() == kCacheExtension ? bytes == kSqliteHeader
                                             : bytes.substr(0, kResultMagic.size()) == kResultMagic;
}

// Removes a cache file found bad, unless another program has put a new file in its place
// since it was read.
void RemoveBad(const fs::path& path, const FileBytes& read) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && st.st_dev == read.device && st.st_ino == read.inode) {
    ::unlink(path.c_str());
  }
}

// The cache's own tables and the catalog they describe, checked entry by entry.
std::optional<CachedCatalog> ReadCatalog(sqlite3* db, const DatabaseStamp& stamp, bool& stale) {
  Statement file = Prepare(db,
                           "SELECT format, path, size, modified, jet_version FROM "
                           "orvantis_cache_file");
  if (!file || sqlite3_step(file.get()) != SQLITE_ROW) return std::nullopt;
  for (int i : {0, 2, 3, 4}) {
    if (!IsInteger(file.get(), i)) return std::nullopt;
  }
  CachedCatalog catalog;
  const std::int64_t jetVersion = sqlite3_column_int64(file.get(), 4);
  if (jetVersion < 0 || jetVersion > 0xFFFF) return std::nullopt;
  catalog.jetVersion = static_cast<std::uint32_t>(jetVersion);
  stale = sqlite3_column_int64(file.get(), 0) != kFormat ||
          ColumnText(file.get(), 1) != stamp.path ||
          sqlite3_column_int64(file.get(), 2) != static_cast<std::int64_t>(stamp.size) ||
          sqlite3_column_int64(file.get(), 3) != stamp.modifiedNs;
  if (sqlite3_step(file.get()) != SQLITE_DONE || stale) return std::nullopt;

  Statement columns = Prepare(
      db,
      "SELECT table_no, reader_no, table_name, row_count, held_rows, column_no, column_name, "
      "column_type, key_position, held FROM orvantis_cache_columns ORDER BY table_no, column_no");
  if (!columns) return std::nullopt;
  std::vector<std::vector<int>> keyPositions;
  int rc;
  while ((rc = sqlite3_step(columns.get())) == SQLITE_ROW) {
    sqlite3_stmt* s = columns.get();
    for (int i : {0, 1, 3, 4, 5, 7, 8, 9}) {
      if (!IsInteger(s, i)) return std::nullopt;
    }
    const std::int64_t tableNo = sqlite3_column_int64(s, 0);
    const std::int64_t columnNo = sqlite3_column_int64(s, 5);
    const std::size_t tables = catalog.tables.size();
    if (columnNo == 0) {
      // The first column of a new table.
      if (tableNo != static_cast<std::int64_t>(tables) || tables >= 0xFFFF) return std::nullopt;
      const std::string_view name = ColumnText(s, 2);
      const std::int64_t readerNo = sqlite3_column_int64(s, 1);
      const std::int64_t rowCount = sqlite3_column_int64(s, 3);
      const std::int64_t heldRows = sqlite3_column_int64(s, 4);
      if (!ValidName(name) || IsDiskCacheTableName(name) || readerNo < 0 || readerNo > 0xFFFF ||
          rowCount < 0 || rowCount > 0xFFFFFFFFLL || heldRows < 0) {
        return std::nullopt;
      }
      for (const JetTableInfo& t : catalog.tables) {
        if (SameJetName(t.name, name)) return std::nullopt;
      }
      JetTableInfo info;
      info.name = std::string(name);
      info.rowCount = static_cast<std::uint32_t>(rowCount);
      catalog.tables.push_back(std::move(info));
      catalog.readerIndex.push_back(static_cast<std::uint16_t>(readerNo));
      catalog.held.emplace_back();
      catalog.heldRows.push_back(heldRows);
      keyPositions.emplace_back();
    } else if (tables == 0 || tableNo != static_cast<std::int64_t>(tables) - 1 ||
               columnNo != static_cast<std::int64_t>(catalog.tables.back().columns.size())) {
      return std::nullopt;
    }
    JetTableInfo& table = catalog.tables.back();
    const std::string_view columnName = ColumnText(s, 6);
    const std::int64_t type = sqlite3_column_int64(s, 7);
    const std::int64_t key = sqlite3_column_int64(s, 8);
    const std::int64_t held = sqlite3_column_int64(s, 9);
    if (!ValidName(columnName) || !IsKnownType(type) || key < -1 ||
        key >= static_cast<std::int64_t>(kJetMaxKeyColumns) || (held != 0 && held != 1) ||
        table.columns.size() >= kJetMaxColumns) {
      return std::nullopt;
    }
    table.columns.push_back({std::string(columnName), static_cast<JetColumnType>(type)});
    catalog.held.back().push_back(held == 1);
    keyPositions.back().push_back(static_cast<int>(key));
  }
  if (rc != SQLITE_DONE) return std::nullopt;
  // The key columns, in key order: positions 0, 1, ... each once.
  for (std::size_t t = 0; t < catalog.tables.size(); ++t) {
    std::vector<std::uint16_t>& key = catalog.tables[t].primaryKey;
    for (int position = 0; position < static_cast<int>(kJetMaxKeyColumns); ++position) {
      int found = -1;
      for (std::size_t c = 0; c < keyPositions[t].size(); ++c) {
        if (keyPositions[t][c] != position) continue;
        if (found >= 0) return std::nullopt;
        found = static_cast<int>(c);
      }
      if (found < 0) break;
      key.push_back(static_cast<std::uint16_t>(found));
    }
    for (int position : keyPositions[t]) {
      if (position >= static_cast<int>(key.size())) return std::nullopt;
    }
    const bool anyHeld =
        std::find(catalog.held[t].begin(), catalog.held[t].end(), true) != catalog.held[t].end();
    if (!anyHeld) catalog.heldRows[t] = 0;
  }
  return catalog;
}

// True when the file's schema is exactly the cache's own tables and the held columns of each
// table, and each table holds the rows the catalog says.
bool SchemaMatches(sqlite3* db, const CachedCatalog& catalog) {
  // Each held table as a load makes it: with its key as the row number or (for a damaged key)
  // without.
  std::vector<std::string> expected(catalog.tables.size());
  std::vector<std::string> expectedPlain(catalog.tables.size());
  std::size_t heldTables = 0;
  for (std::size_t t = 0; t < catalog.tables.size(); ++t) {
    std::vector<JetColumnInfo> held;
    for (std::size_t c = 0; c < catalog.tables[t].columns.size(); ++c) {
      if (catalog.held[t][c]) held.push_back(catalog.tables[t].columns[c]);
    }
    if (held.empty()) continue;
    expected[t] = SqliteCreateTable(catalog.tables[t].name, held,
                                    RowNumberColumn(catalog.tables[t], catalog.held[t]));
    expectedPlain[t] = SqliteCreateTable(catalog.tables[t].name, held);
    ++heldTables;
  }
  Statement schema = Prepare(db, "SELECT type, name, sql FROM sqlite_schema");
  if (!schema) return false;
  std::size_t seenHeld = 0;
  bool seenFile = false, seenColumns = false;
  int rc;
  while ((rc = sqlite3_step(schema.get())) == SQLITE_ROW) {
    if (ColumnText(schema.get(), 0) != "table") return false;
    const std::string_view name = ColumnText(schema.get(), 1);
    const std::string_view sql = ColumnText(schema.get(), 2);
    if (name == kFileTable && sql == kCreateFileTable && !seenFile) {
      seenFile = true;
      continue;
    }
    if (name == kColumnsTable && sql == kCreateColumnsTable && !seenColumns) {
      seenColumns = true;
      continue;
    }
    bool matched = false;
    for (std::size_t t = 0; t < catalog.tables.size() && !matched; ++t) {
      if (!expected[t].empty() && name == catalog.tables[t].name &&
          (sql == expected[t] || sql == expectedPlain[t])) {
        expected[t].clear();  // each table once
        matched = true;
      }
    }
    if (!matched) return false;
    ++seenHeld;
  }
  if (rc != SQLITE_DONE || !seenFile || !seenColumns || seenHeld != heldTables) return false;
  for (std::size_t t = 0; t < catalog.tables.size(); ++t) {
    if (catalog.heldRows[t] == 0 &&
        std::find(catalog.held[t].begin(), catalog.held[t].end(), true) == catalog.held[t].end()) {
      continue;
    }
    Statement count =
        Prepare(db, "SELECT count(*) FROM " + SqliteQuotedName(catalog.tables[t].name));
    if (!count || sqlite3_step(count.get()) != SQLITE_ROW ||
        sqlite3_column_int64(count.get(), 0) != catalog.heldRows[t]) {
      return false;
    }
  }
  return true;
}

bool QuickCheckPasses(sqlite3* db) {
  Statement check = Prepare(db, "PRAGMA quick_check");
  if (!check || sqlite3_step(check.get()) != SQLITE_ROW) return false;
  if (ColumnText(check.get(), 0) != "ok") return false;
  return sqlite3_step(check.get()) == SQLITE_DONE;
}

bool Exec(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool WriteOwnTables(sqlite3* db, const DatabaseStamp& stamp, const CachedCatalog& catalog) {
  auto exists = [&](std::string_view name) {
    Statement s = Prepare(db, "SELECT 1 FROM sqlite_schema WHERE name = '" + std::string(name) +
                                  "' AND type = 'table'");
    return s && sqlite3_step(s.get()) == SQLITE_ROW;
  };
  if (!exists(kFileTable) && !Exec(db, kCreateFileTable)) return false;
  if (!exists(kColumnsTable) && !Exec(db, kCreateColumnsTable)) return false;
  if (!Exec(db, "DELETE FROM orvantis_cache_file") ||
      !Exec(db, "DELETE FROM orvantis_cache_columns")) {
    return false;
  }
  Statement file = Prepare(db, "INSERT INTO orvantis_cache_file VALUES (?, ?, ?, ?, ?)");
  if (!file) return false;
  sqlite3_bind_int64(file.get(), 1, kFormat);
  sqlite3_bind_text64(file.get(), 2, stamp.path.data(), stamp.path.size(), SQLITE_STATIC,
                      SQLITE_UTF8);
  sqlite3_bind_int64(file.get(), 3, static_cast<std::int64_t>(stamp.size));
  sqlite3_bind_int64(file.get(), 4, stamp.modifiedNs);
  sqlite3_bind_int64(file.get(), 5, catalog.jetVersion);
  if (sqlite3_step(file.get()) != SQLITE_DONE) return false;
  Statement column =
      Prepare(db, "INSERT INTO orvantis_cache_columns VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  if (!column) return false;
  for (std::size_t t = 0; t < catalog.tables.size(); ++t) {
    const JetTableInfo& table = catalog.tables[t];
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
      sqlite3_stmt* s = column.get();
      sqlite3_reset(s);
      int key = -1;
      for (std::size_t k = 0; k < table.primaryKey.size(); ++k) {
        if (table.primaryKey[k] == c) key = static_cast<int>(k);
      }
      sqlite3_bind_int64(s, 1, static_cast<std::int64_t>(t));
      sqlite3_bind_int64(s, 2, catalog.readerIndex[t]);
      sqlite3_bind_text64(s, 3, table.name.data(), table.name.size(), SQLITE_STATIC, SQLITE_UTF8);
      sqlite3_bind_int64(s, 4, table.rowCount);
      sqlite3_bind_int64(s, 5, catalog.heldRows[t]);
      sqlite3_bind_int64(s, 6, static_cast<std::int64_t>(c));
      sqlite3_bind_text64(s, 7, table.columns[c].name.data(), table.columns[c].name.size(),
                          SQLITE_STATIC, SQLITE_UTF8);
      sqlite3_bind_int64(s, 8, static_cast<std::int64_t>(table.columns[c].type));
      sqlite3_bind_int64(s, 9, key);
      sqlite3_bind_int64(s, 10, catalog.held[t][c] ? 1 : 0);
      if (sqlite3_step(s) != SQLITE_DONE) return false;
    }
  }
  return true;
}

// Removes the least recently used cache files while the folder holds more than `limit` bytes.
void KeepWithinLimit(const fs::path& folder, std::uintmax_t limit) {
  struct Entry {
    fs::file_time_type time;
    std::uintmax_t size;
    fs::path path;
  };
  std::vector<Entry> entries;
  std::uintmax_t total = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    // Only the cache's own files count and go; a user's files in the same folder stay.
    const fs::path& p = it->path();
    if (!IsOwnFileName(p.filename().string()) || !it->is_regular_file(ec) || !BeginsAsOwnFile(p)) {
      ec.clear();
      continue;
    }
    const std::uintmax_t size = it->file_size(ec);
    const fs::file_time_type time = it->last_write_time(ec);
    if (ec) {
      ec.clear();
      continue;
    }
    entries.push_back({time, size, p});
    total += size;
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.time < b.time; });
  for (const Entry& e : entries) {
    if (total <= limit) break;
    if (fs::remove(e.path, ec)) total -= e.size;
  }
}

}  // namespace

std::string SealDiskCacheFile(std::string_view content) {
  std::string sealed;
  sealed.reserve(content.size() + kCheckBytes);
  sealed.append(content);
  sealed.append(kCheckTag);
  const std::uint64_t hash = Fnv1a(content);
  for (int i = 0; i < 8; ++i) sealed.push_back(static_cast<char>((hash >> (8 * i)) & 0xFF));
  return sealed;
}

fs::path DefaultDiskCacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && fs::path(xdg).is_absolute()) return fs::path(xdg) / "Orvantis";
  const char* home = std::getenv("HOME");
  if (home != nullptr && fs::path(home).is_absolute()) {
    return fs::path(home) / ".cache" / "Orvantis";
  }
  return {};
}

static std::string Hex(std::uint64_t h) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (int shift = 60; shift >= 0; shift -= 4) text += kHex[(h >> shift) & 0xF];
  return text;
}

fs::path DiskCacheFileOf(const DiskCacheOptions& options, std::string_view path) {
  return options.folder / ("testdb-" + Hex(Fnv1a(path)) + std::string(kCacheExtension));
}

bool IsDiskCacheTableName(std::string_view name) {
  return SameJetName(name, kFileTable) || SameJetName(name, kColumnsTable) ||
         (name.size() >= 7 && SameJetName(name.substr(0, 7), "sqlite_"));
}

std::optional<CachedCatalog> ReadDiskCache(const DiskCacheOptions& options,
                                           const DatabaseStamp& stamp, sqlite3* db) {
  if (options.folder.empty()) return std::nullopt;
  const fs::path path = DiskCacheFileOf(options, stamp.path);
  const std::optional<FileBytes> file = ReadFile(path, options.sizeLimit);
  if (!file) return std::nullopt;
  auto reject = [&](bool remove) -> std::optional<CachedCatalog> {
    if (remove) RemoveBad(path, *file);
    return std::nullopt;
  };
  const std::optional<std::string_view> content = Checked(file->bytes);
  if (!content || content->size() < 512 ||
      content->compare(0, kSqliteHeader.size(), kSqliteHeader) != 0) {
    return reject(true);
  }
  auto* image = static_cast<unsigned char*>(sqlite3_malloc64(content->size()));
  if (image == nullptr) return std::nullopt;
  std::memcpy(image, content->data(), content->size());
  const auto size = static_cast<sqlite3_int64>(content->size());
  if (sqlite3_deserialize(db, "main", image, size, size,
                          SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE) !=
      SQLITE_OK) {
    return reject(true);
  }
  if (!QuickCheckPasses(db)) return reject(true);
  bool stale = false;
  std::optional<CachedCatalog> catalog = ReadCatalog(db, stamp, stale);
  if (!catalog) return reject(!stale);
  if (!SchemaMatches(db, *catalog)) return reject(true);
  // Used now: the last to go when the folder is over its limit.
  ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0);
  return catalog;
}

std::string WriteDiskCache(const DiskCacheOptions& options, const DatabaseStamp& stamp, sqlite3* db,
                           const CachedCatalog& catalog) {
  if (options.folder.empty()) return "no cache folder";
  for (const JetTableInfo& t : catalog.tables) {
    if (IsDiskCacheTableName(t.name)) return "the database has a table named " + t.name;
  }
  std::error_code ec;
  fs::create_directories(options.folder, ec);
  if (ec) return "cannot make " + options.folder.string() + ": " + ec.message();
  if (!Exec(db, "SAVEPOINT orvantis_cache")) return sqlite3_errmsg(db);
  if (!WriteOwnTables(db, stamp, catalog)) {
    const std::string reason = sqlite3_errmsg(db);
    Exec(db, "ROLLBACK TO orvantis_cache");
    Exec(db, "RELEASE orvantis_cache");
    return reason;
  }
  if (!Exec(db, "RELEASE orvantis_cache")) return sqlite3_errmsg(db);
  sqlite3_int64 size = 0;
  unsigned char* bytes = sqlite3_serialize(db, "main", &size, 0);
  if (bytes == nullptr) return "the tables cannot be copied";
  // A cache file is never trusted when read, so it is not flushed to the disk: a file left
  // damaged by a power cut is found so and made again.
  std::string sealed = SealDiskCacheFile(
      std::string_view(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size)));
  sqlite3_free(bytes);
  const std::string reason =
      WriteFileAtomically(DiskCacheFileOf(options, stamp.path), sealed, WriteDurability::Unflushed);
  KeepWithinLimit(options.folder, options.sizeLimit);
  return reason;
}

// A kept result, little-endian (then the check every cache file ends with):
//   0       8      "OVRESLT1"
//   8       u32 p  length of the database file's path, then p bytes of it
//   ...     u64    the file's size, then i64 its modification time (ns)
//   ...     u32 k  length of the key, then k bytes of it
//   ...     ...    the result, to the end of the file
// named after the database file's path and the key.
static fs::path ResultFileOf(const DiskCacheOptions& options, std::string_view path,
                             std::string_view key) {
  return options.folder /
         ("testdb-" + Hex(Fnv1a(path)) + "-" + Hex(Fnv1a(key)) + std::string(kResultExtension));
}

static std::string ResultHead(const DatabaseStamp& stamp, std::string_view key) {
  std::string head(kResultMagic);
  auto put = [&head](std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) head.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  put(stamp.path.size(), 4);
  head += stamp.path;
  put(stamp.size, 8);
  put(static_cast<std::uint64_t>(stamp.modifiedNs), 8);
  put(key.size(), 4);
  head += key;
  return head;
}

std::optional<std::string> ReadDiskCacheResult(const DiskCacheOptions& options,
                                               const DatabaseStamp& stamp, std::string_view key) {
  if (options.folder.empty()) return std::nullopt;
  const fs::path path = ResultFileOf(options, stamp.path, key);
  std::optional<FileBytes> file = ReadFile(path, kMaxResultBytes);
  if (!file) return std::nullopt;
  const std::optional<std::string_view> content = Checked(file->bytes);
  if (!content) {
    RemoveBad(path, *file);
    return std::nullopt;
  }
  // The head names this state of the database and this key, byte for byte.
  const std::string head = ResultHead(stamp, key);
  if (content->compare(0, head.size(), head) != 0) return std::nullopt;
  ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0);
  return std::string(content->substr(head.size()));
}

std::string WriteDiskCacheResult(const DiskCacheOptions& options, const DatabaseStamp& stamp,
                                 std::string_view key, std::string_view value) {
  if (options.folder.empty()) return "no cache folder";
  if (value.size() > kMaxResultBytes) return "the result is too large";
  std::error_code ec;
  fs::create_directories(options.folder, ec);
  if (ec) return "cannot make " + options.folder.string() + ": " + ec.message();
  const std::string reason = WriteFileAtomically(
      ResultFileOf(options, stamp.path, key),
      SealDiskCacheFile(ResultHead(stamp, key) + std::string(value)), WriteDurability::Unflushed);
  KeepWithinLimit(options.folder, options.sizeLimit);
  return reason;
}

}  // namespace orv
