#include "airflow/test_database_disk_cache.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>

#include "airflow/test_database.h"
#include "airflow/test_list_query.h"
#include "base/atomic_file.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/reader_scripts.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

// A bench database, a cache folder, and a reader that counts its runs.
class DiskCache : public ::testing::Test {
 protected:
  DiskCache() : counting_(test::CountingReaderBody(dir_ / "runs", test::OrvantisProgram())) {
    test::SampleBench().Write(file());
  }
  fs::path file() const { return dir_ / "bench.mdb"; }
  DiskCacheOptions Cache() const { return {dir_ / "cache"}; }
  JetReaderOptions Reader() const {
    JetReaderOptions o;
    o.executable = counting_.path();
    return o;
  }
  int Runs() const { return test::CountLines(dir_ / "runs"); }
  // The one file of the cache folder with this extension (an empty path unless just one).
  fs::path CacheFile(std::string_view extension = ".sqlite") const {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir_ / "cache", ec)) {
      if (e.path().extension() == extension) files.push_back(e.path());
    }
    return files.size() == 1 ? files[0] : fs::path();
  }
  // The dialog's list of every test, sorted by number, one line per test.
  std::string List(TestDatabase& db) const {
    const CustomNames names = ReadCustomNames(db);
    TestListSettings s;
    s.shownColumns = {0, 1, 2, 3, 4, 9};
    s.sortColumns = {kTestNoColumn, -1, -1};
    std::string out;
    for (const auto& row :
         FillTestList(db, BuildTestListQuery(s, names, db.dateFormat()), names).rows) {
      for (const std::string& cell : row) out += cell + "|";
      out += "\n";
    }
    return out;
  }

  TempDir dir_;
  test::ReaderScript counting_;
};

TEST_F(DiskCache, ASecondOpenListsFromTheCacheWithoutAReader) {
  std::string first;
  {
    TestDatabase db(file(), Reader(), {}, Cache());
    EXPECT_FALSE(db.StartedFromDiskCache());
    first = List(db);
  }
  EXPECT_EQ(Runs(), 1);
  ASSERT_FALSE(CacheFile().empty());
  EXPECT_EQ(CacheFile().parent_path(), dir_ / "cache");
  EXPECT_EQ(CacheFile().extension(), ".sqlite");

  TestDatabase again(file(), Reader(), {}, Cache());
  EXPECT_TRUE(again.StartedFromDiskCache());
  EXPECT_EQ(again.tables().size(), test::BenchDatabase::TableNames().size());
  EXPECT_EQ(List(again), first);
  EXPECT_EQ(Runs(), 1);
  // A column the cache lacks is read then (and kept for the next open).
  EXPECT_EQ(again.OpenRecordSet("SELECT HeadSerialNo FROM TblTest WHERE HeadSerialNo = 'D-7'")
                .RecordCount(),
            1);
  EXPECT_EQ(Runs(), 2);
  TestDatabase third(file(), Reader(), {}, Cache());
  EXPECT_EQ(third.OpenRecordSet("SELECT HeadSerialNo, TestName FROM TblTest").RecordCount(), 9);
  EXPECT_EQ(Runs(), 2);

  // Without a cache folder nothing is kept or read.
  TestDatabase none(file(), Reader());
  EXPECT_FALSE(none.StartedFromDiskCache());
  EXPECT_EQ(List(none), first);
}

// The bench program writes the file anew with the same size: the new modification time makes
// the cache stale, and the list shows the new data.
TEST_F(DiskCache, AChangedDatabaseIsReadAfresh) {
  {
    TestDatabase db(file(), Reader(), {}, Cache());
    EXPECT_NE(List(db).find("Holley 750"), std::string::npos);
  }
  std::string bytes = ReadWholeFile(file()).value();
  const std::size_t at = bytes.find("Holley 750");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 10, "Holley 850");
  const auto size = fs::file_size(file());
  const auto time = fs::last_write_time(file());
  ASSERT_EQ(WriteFileAtomically(file(), bytes), "");
  fs::last_write_time(file(), time + std::chrono::seconds(5));
  ASSERT_EQ(fs::file_size(file()), size);

  TestDatabase db(file(), Reader(), {}, Cache());
  EXPECT_FALSE(db.StartedFromDiskCache());
  const std::string list = List(db);
  EXPECT_NE(list.find("Holley 850"), std::string::npos);
  EXPECT_EQ(list.find("Holley 750"), std::string::npos);
  // The cache now holds the new state.
  TestDatabase again(file(), Reader(), {}, Cache());
  EXPECT_TRUE(again.StartedFromDiskCache());
  EXPECT_EQ(List(again), list);
}

// Cache files damaged in any way are not used, and are replaced by good ones.
TEST_F(DiskCache, ADamagedCacheIsIgnoredAndRebuilt) {
  std::string expected;
  {
    TestDatabase db(file(), Reader(), {}, Cache());
    expected = List(db);
  }
  const fs::path cache = CacheFile();
  const std::string good = ReadWholeFile(cache).value();
  // A table of ours added to the cache file with SQLite itself, and the file's check made
  // anew (so that the cache's other checks are what refuses it).
  auto withExtra = [&](const char* sql) {
    const fs::path copy = dir_ / "copy.sqlite";
    EXPECT_EQ(WriteFileAtomically(copy, good.substr(0, good.size() - 16)), "");
    sqlite3* db = nullptr;
    sqlite3_open(copy.c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
    return SealDiskCacheFile(ReadWholeFile(copy).value());
  };
  std::string flipped = good;
  for (std::size_t i = good.size() / 3; i < good.size() / 3 + 64; ++i) flipped[i] ^= 0x5A;
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"garbage", std::string(5000, 'x')},
      {"empty", ""},
      {"cut", good.substr(0, good.size() / 2)},
      {"bytes changed", flipped},
      {"another database's file",
       withExtra("UPDATE orvantis_cache_file SET path = '/elsewhere/bench.mdb'")},
      {"a view instead of a table",
       withExtra("DROP TABLE TblCustomNames; CREATE VIEW TblCustomNames AS SELECT 1 AS ItemNo, "
                 "'x' AS Name")},
      {"a trigger", withExtra("CREATE TRIGGER t AFTER INSERT ON TblTest BEGIN SELECT 1; END")},
      {"a row too many", withExtra("INSERT INTO TblCustomNames (ItemNo) VALUES (99)")},
      {"a column the catalog does not hold", withExtra("ALTER TABLE TblTest ADD COLUMN Extra")},
      {"a catalog entry of an unknown type",
       withExtra("UPDATE orvantis_cache_columns SET column_type = 99 WHERE column_no = 1")},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(WriteFileAtomically(cache, c.bytes), "") << c.what;
    const int before = Runs();
    TestDatabase db(file(), Reader(), {}, Cache());
    EXPECT_FALSE(db.StartedFromDiskCache()) << c.what;
    EXPECT_EQ(List(db), expected) << c.what;
    EXPECT_EQ(Runs(), before + 1) << c.what;
    TestDatabase rebuilt(file(), Reader(), {}, Cache());
    EXPECT_TRUE(rebuilt.StartedFromDiskCache()) << c.what;
  }
}

// A filled list is kept in a file of its own, read back for the same list of the same state of
// the database; one damaged or made for another state is not used.
TEST_F(DiskCache, AKeptListIsReadBackOnlyWhenItIsWhole) {
  std::string expected;
  {
    TestDatabase db(file(), Reader(), {}, Cache());
    expected = List(db);
  }
  const fs::path kept = CacheFile(".result");
  ASSERT_FALSE(kept.empty());
  const std::string good = ReadWholeFile(kept).value();
  EXPECT_EQ(good.substr(0, 8), "OVRESLT1");
  std::string otherState = good;
  otherState[12 + fs::weakly_canonical(file()).string().size()] ^= 1;  // the size
  for (const std::string& bad : {good.substr(0, good.size() - 3), good.substr(0, 20),
                                 std::string("OVRESLT1"), otherState, good + "xyz"}) {
    ASSERT_EQ(WriteFileAtomically(kept, bad), "");
    TestDatabase db(file(), Reader(), {}, Cache());
    EXPECT_TRUE(db.StartedFromDiskCache());
    EXPECT_EQ(List(db), expected);
    EXPECT_EQ(ReadWholeFile(kept).value(), good);  // filled and kept again
  }
}

// When the cache files together exceed the limit, the least recently used go first.
TEST_F(DiskCache, TheLeastRecentlyUsedFilesGoFirst) {
  DiskCacheOptions cache = Cache();
  // The files kept for one database: its tables and its kept list, named after its path.
  auto filesOf = [&](const char* name) {
    const std::string prefix =
        DiskCacheFileOf(cache, fs::weakly_canonical(dir_ / name).string()).stem().string();
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(cache.folder)) {
      if (e.path().filename().string().rfind(prefix, 0) == 0) files.push_back(e.path());
    }
    return files;
  };
  auto sizeOf = [](const std::vector<fs::path>& files) {
    std::uintmax_t size = 0;
    for (const fs::path& f : files) size += fs::file_size(f);
    return size;
  };
  int hoursAgo = 10;
  for (const char* name : {"a.mdb", "b.mdb", "c.mdb"}) {
    test::SampleBench().Write(dir_ / name);
    TestDatabase db(dir_ / name, Reader(), {}, cache);
    List(db);
    ASSERT_EQ(filesOf(name).size(), 2u) << name;
    for (const fs::path& f : filesOf(name)) {
      fs::last_write_time(f, fs::file_time_type::clock::now() - std::chrono::hours(hoursAgo));
    }
    --hoursAgo;
  }
  // Used again: "a" is now the most recent.
  {
    TestDatabase db(dir_ / "a.mdb", Reader(), {}, cache);
    List(db);
  }
  // Room for two databases' files: "d" (the same size as "a") pushes out "b", then "c".
  cache.sizeLimit = 2 * sizeOf(filesOf("a.mdb")) + 1;
  test::SampleBench().Write(dir_ / "d.mdb");
  TestDatabase d(dir_ / "d.mdb", Reader(), {}, cache);
  List(d);
  EXPECT_EQ(filesOf("a.mdb").size(), 2u);
  EXPECT_EQ(filesOf("b.mdb").size(), 0u);
  EXPECT_EQ(filesOf("c.mdb").size(), 0u);
  EXPECT_EQ(filesOf("d.mdb").size(), 2u);
}

// One name changed inside a cache file (the file still a sound SQLite database, the list a
// sound list): the file's check fails, the name is never listed, and the file is made again.
TEST_F(DiskCache, ACacheFileWithAChangedNameIsRebuilt) {
  std::string expected;
  {
    TestDatabase db(file(), Reader(), {}, Cache());
    expected = List(db);
  }
  // A test's name as the list shows it (its fourth cell).
  std::string name = expected.substr(0, expected.find('\n'));
  for (int cell = 0; cell < 3; ++cell) name = name.substr(name.find('|') + 1);
  name = name.substr(0, name.find('|'));
  ASSERT_GE(name.size(), 3u);
  for (const char* extension : {".sqlite", ".result"}) {
    SCOPED_TRACE(extension);
    const fs::path cache = CacheFile(extension);
    ASSERT_FALSE(cache.empty());
    const std::string good = ReadWholeFile(cache).value();
    const std::size_t at = good.find(name);
    ASSERT_NE(at, std::string::npos) << name;
    std::string changed = good;
    changed[at] = changed[at] == 'Q' ? 'R' : 'Q';
    ASSERT_EQ(WriteFileAtomically(cache, changed), "");
    const int before = Runs();
    {
      TestDatabase db(file(), Reader(), {}, Cache());
      const std::string list = List(db);
      EXPECT_EQ(list, expected);
      EXPECT_EQ(list.find(changed.substr(at, name.size())), std::string::npos);
      // The tables' file was not used: the reader read the database again.
      if (std::string(extension) == ".sqlite") {
        EXPECT_EQ(Runs(), before + 1);
      }
    }
    // Made again, whole: the list byte for byte, the tables' file used by the next open.
    if (std::string(extension) == ".result") {
      EXPECT_TRUE(ReadWholeFile(CacheFile(extension)).value() == good);
    } else {
      TestDatabase again(file(), Reader(), {}, Cache());
      EXPECT_TRUE(again.StartedFromDiskCache());
      EXPECT_EQ(List(again), expected);
    }
  }
}

// The size limit removes only the cache's own files: a user's files in the same folder, named
// like cache files or beginning like them, stay byte for byte.
TEST_F(DiskCache, TheSizeLimitRemovesOnlyTheCachesOwnFiles) {
  DiskCacheOptions cache = Cache();
  fs::create_directories(cache.folder);
  std::string sqliteLike("SQLite format 3\0", 16);
  sqliteLike += std::string(100000, 'p');
  const std::pair<const char*, std::string> others[] = {
      {"photos.sqlite", sqliteLike},
      {"notes.result", "OVRESLT1" + std::string(50000, 'n')},
      {"testdb-notours.sqlite", sqliteLike},
      {"testdb-0123456789ABCDEF.sqlite", sqliteLike},               // not our (lowercase) digits
      {"testdb-0123456789abcdef.sqlite", std::string(70000, 'x')},  // our name, not our bytes
      {"testdb-0123456789abcdef-0123456789abcdef.result.bak", "OVRESLT1"},
  };
  for (const auto& [other, bytes] : others) {
    ASSERT_EQ(WriteFileAtomically(cache.folder / other, bytes), "");
    fs::last_write_time(cache.folder / other,
                        fs::file_time_type::clock::now() - std::chrono::hours(100));
  }
  {
    TestDatabase db(file(), Reader(), {}, cache);
    List(db);
  }
  // An older database's files, then a limit only the newest files fit: the older ones go.
  test::SampleBench().Write(dir_ / "old.mdb");
  const std::string oldStem =
      DiskCacheFileOf(cache, fs::weakly_canonical(dir_ / "old.mdb").string()).stem().string();
  {
    TestDatabase db(dir_ / "old.mdb", Reader(), {}, cache);
    List(db);
  }
  const std::string currentStem =
      DiskCacheFileOf(cache, fs::weakly_canonical(file()).string()).stem().string();
  std::uintmax_t ours = 0;
  for (const auto& e : fs::directory_iterator(cache.folder)) {
    const std::string n = e.path().filename().string();
    if (n.rfind(oldStem, 0) == 0) {
      fs::last_write_time(e.path(), fs::file_time_type::clock::now() - std::chrono::hours(50));
    } else if (n.rfind(currentStem, 0) == 0) {
      ours += e.file_size();
    }
  }
  cache.sizeLimit = ours + 1;
  // Keeping a result keeps the folder within the limit.
  EXPECT_EQ(WriteDiskCacheResult(cache, {"/elsewhere/x.mdb", 1, 1}, "key", "x"), "");
  for (const auto& [other, bytes] : others) {
    EXPECT_EQ(ReadWholeFile(cache.folder / other).value_or("(removed)"), bytes) << other;
  }
  for (const auto& e : fs::directory_iterator(cache.folder)) {
    EXPECT_NE(e.path().filename().string().rfind(oldStem, 0), 0u) << e.path();
  }
}

TEST(DiskCacheFolder, FollowsTheXdgCacheHome) {
  const char* saved = std::getenv("XDG_CACHE_HOME");
  const std::string restore = saved != nullptr ? saved : "";
  ::setenv("XDG_CACHE_HOME", "/tmp/xdg-cache", 1);
  EXPECT_EQ(DefaultDiskCacheFolder(), fs::path("/tmp/xdg-cache/Orvantis"));
  ::setenv("XDG_CACHE_HOME", "relative/cache", 1);  // not absolute: ignored
  const char* home = std::getenv("HOME");
  if (home != nullptr && fs::path(home).is_absolute()) {
    EXPECT_EQ(DefaultDiskCacheFolder(), fs::path(home) / ".cache" / "Orvantis");
  }
  if (saved != nullptr) {
    ::setenv("XDG_CACHE_HOME", restore.c_str(), 1);
  } else {
    ::unsetenv("XDG_CACHE_HOME");
  }
}

}  // namespace
}  // namespace orv
