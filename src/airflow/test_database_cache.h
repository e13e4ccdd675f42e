#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <vector>

#include "airflow/jet_reader_process.h"
#include "airflow/test_database.h"

namespace orv {

// The flow bench's test databases the program holds open: a database opened once stays open
// for the next read of the same file, so that reading a second test (or listing the tests and
// then opening one) does not start the reader process and load the tables again. A file that
// has changed on disk since it was opened (the bench program wrote to it) is opened afresh.
//
// Only the most recently used files are kept (`kKept`); each holds its loaded tables in memory
// and its reader process. With a cache folder, the tables loaded are also kept there for the
// next run (test_database_disk_cache.h).
class TestDatabaseCache final {
 public:
  static constexpr std::size_t kKept = 2;

  explicit TestDatabaseCache(JetReaderOptions reader = {}, ShortDateFormat dates = {},
                             DiskCacheOptions diskCache = {});
  ~TestDatabaseCache();
  TestDatabaseCache(TestDatabaseCache&&) noexcept;
  TestDatabaseCache& operator=(TestDatabaseCache&&) noexcept;

  // How the reader process is run; closes every database opened with the old options.
  void SetReader(JetReaderOptions reader);
  const JetReaderOptions& reader() const noexcept { return reader_; }
  const ShortDateFormat& dateFormat() const noexcept { return dates_; }
  // The short date form of queries and lists, for the databases open and those opened later.
  void SetDateFormat(const ShortDateFormat& dates);
  // Where the loaded tables are kept between runs (an empty folder keeps nothing), for the
  // databases opened from now on.
  void SetDiskCache(DiskCacheOptions diskCache);
  const DiskCacheOptions& diskCache() const noexcept { return diskCache_; }

  // The database of `file`, kept from an earlier call or opened now. Raises the errors of
  // `TestDatabase` (3024 missing file, 3343 not a Jet database, 3049 unreadable); a failed
  // open keeps nothing. The reference stays valid until the next call or `Close`.
  TestDatabase& Open(const std::filesystem::path& file);

  // True when `file` is held open (and unchanged on disk).
  bool IsOpen(const std::filesystem::path& file) const;
  // Closes every database.
  void Close() noexcept;

 private:
  struct Entry {
    std::filesystem::path key;
    std::unique_ptr<TestDatabase> db;
  };
  static std::filesystem::path KeyOf(const std::filesystem::path& file);

  JetReaderOptions reader_;
  ShortDateFormat dates_;
  DiskCacheOptions diskCache_;
  std::vector<Entry> open_;  // most recently used first
};

}  // namespace orv
