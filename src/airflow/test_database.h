#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "airflow/jet_reader_process.h"
#include "airflow/jet_table_stream.h"
#include "airflow/test_database_disk_cache.h"
#include "base/date_text.h"

namespace orv {

// What a long read of the database reports while it runs: the table being loaded (or the
// test list being filled), the rows done and, where known, how many there are in all.
struct DatabaseProgress {
  enum class Step : std::uint8_t { LoadingTable, FillingList };
  Step step = Step::LoadingTable;
  std::string_view table;  // LoadingTable: the table's name (valid during the call)
  std::int64_t done = 0;
  std::int64_t total = -1;  // -1 when not known
};
// Returns false to cancel: the read stops with `DatabaseReadCancelled` (jet_errors.h) and the
// database stays usable.
using DatabaseProgressFn = std::function<bool(const DatabaseProgress&)>;

// A table and the whole-number column that picks the rows of one test in it ("TestID").
struct KeyedTable {
  std::string_view table;
  std::string_view column;
};

// The flow bench's test database, a Jet (".mdb") file, opened for reading.
//
// The file itself is read by a separate reader process (jet_reader_process.h), started once
// for the open database and kept until it is closed, which hands the tables back as they are
// needed; they are loaded into in-memory SQLite databases with the values as they are stored
// (numbers with all their bits, dates as day numbers, flags as 0 and 1, NULL as NULL, text as
// UTF-8). Queries are written in Jet SQL and translated (jet_sql.h); text compares without
// regard to case, and LIKE is Jet's own (jet_like.h).
//
// What is loaded is only what the queries need: of each table the columns a query names (all
// of them for "*"), loaded whole the first time, and loaded again with more columns when a
// later query names more. A query that reads the rows of one test ("... WHERE TestID = 12",
// and the other forms of `JetQueryShape::lookup`) loads only those rows, which the reader
// picks out itself; a table read that way for three tests is then loaded whole, so that the
// reads of further tests need no reader. With a cache folder, the tables loaded whole are kept
// there between runs (test_database_disk_cache.h), and an open finds them again without
// starting the reader.
//
// Every failure is a numbered `RuntimeError` (jet_errors.h); the object stays usable after a
// failed query.
class RecordSet;

class TestDatabase final {
 public:
  // Opens the file and reads its list of tables. Raises 3024 when the file does not exist or
  // is not a regular file (a folder, a named pipe, a device: refused without waiting on it),
  // 3343 when it is not a Jet database, 3049 when it cannot be read; the message names the
  // file and the reason.
  TestDatabase(std::filesystem::path file, JetReaderOptions reader, ShortDateFormat dates = {},
               DiskCacheOptions cache = {});
  ~TestDatabase();
  TestDatabase(TestDatabase&&) noexcept;
  TestDatabase& operator=(TestDatabase&&) noexcept;

  const std::filesystem::path& file() const noexcept;
  const ShortDateFormat& dateFormat() const noexcept;
  // The short date form of `#date#` literals in queries and of dates in the test list.
  void SetDateFormat(const ShortDateFormat& dates) noexcept;
  std::uint32_t jetVersion() const noexcept;

  // Told the progress of every load from now on (none when empty).
  void SetProgress(DatabaseProgressFn progress);

  // The user tables of the file, in the order of its catalog.
  const std::vector<JetTableInfo>& tables() const noexcept;
  bool HasTable(std::string_view name) const noexcept;

  // Runs a Jet SQL query. Raises 3078 for a table the file lacks, 3061 for a column no table
  // has, 3075 for a query that cannot be understood.
  RecordSet OpenRecordSet(std::string_view jetSql);

  // All rows of a table in the order of its primary key (file order when it has none), as a
  // table opened on its primary key index gives them.
  RecordSet OpenTable(std::string_view table);

  // Loads the rows whose key column holds `key` of all the `tables` with one read of the file,
  // so that the queries of one test that follow find them loaded. Tables the file lacks and
  // tables held whole already are passed over.
  void PrefetchRows(const std::vector<KeyedTable>& tables, std::int64_t key);

  // Results made from this state of the file, kept with its loaded tables (and in the cache
  // folder with them), so that the same work need not be done again: a filled test list, say,
  // under a key naming its query and how its rows are shown. They go when the file changes, and
  // only the most recent few are kept. Nothing is kept for a key that names no result.
  std::optional<std::string> KeptResult(std::string_view key);
  void KeepResult(std::string_view key, std::string value);

  // The query as SQLite runs it.
  std::string Translate(std::string_view jetSql) const;

  // True while the file has the size and modification time it had when it was opened, so that
  // a holder may keep the loaded tables.
  bool FileUnchanged() const;

  // True when the tables came from the cache folder rather than a reader process (so far).
  bool StartedFromDiskCache() const noexcept;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// One value read from a record set. The conversions follow the program's rules: NULL raises
// error 94, text converts to numbers as typed text does (0 when it is not a number), whole
// numbers round half to even and raise error 6 outside their type's range.
class JetField final {
 public:
  enum class Kind : std::uint8_t { Null, Integer, Real, Text, Blob };

  JetField() = default;
  static JetField Null(JetColumnType type = JetColumnType::Unknown);
  static JetField Integer(std::int64_t v, JetColumnType type = JetColumnType::Unknown);
  static JetField Real(double v, JetColumnType type = JetColumnType::Unknown);
  static JetField Text(std::string v, JetColumnType type = JetColumnType::Unknown);
  static JetField Blob(std::string v, JetColumnType type = JetColumnType::Unknown);

  Kind kind() const noexcept { return kind_; }
  bool IsNull() const noexcept { return kind_ == Kind::Null; }
  // The Jet type of the column the value comes from (Unknown for computed values).
  JetColumnType columnType() const noexcept { return type_; }

  double AsDouble() const;
  float AsSingle() const;
  std::int32_t AsLong() const;
  std::int16_t AsInteger() const;
  std::uint8_t AsByte() const;
  bool AsBoolean() const;
  // A day number.
  double AsDate() const { return AsDouble(); }
  // Text as stored; numbers in their shortest exact form (a Single as a 32-bit float); flags
  // as "True" or "False".
  std::string AsText() const;

 private:
  void RequireValue() const;
  Kind kind_ = Kind::Null;
  JetColumnType type_ = JetColumnType::Unknown;
  std::int64_t integer_ = 0;
  double real_ = 0.0;
  std::string text_;
};

// A value of the current row of a record set read in place, for reading many values fast: its
// text points into the record set and is valid only until the record set moves.
struct JetValueView {
  JetField::Kind kind = JetField::Kind::Null;
  JetColumnType type = JetColumnType::Unknown;
  std::int64_t integer = 0;
  double real = 0.0;
  std::string_view text;  // Text and Blob

  // The value as a field of its own (a copy).
  JetField ToField() const;
};

// The rows of a query, read one at a time from the first, as a database record set: `Eof`,
// `MoveNext`, `MoveFirst`, fields by name. It keeps the loaded tables alive and may outlive
// the `TestDatabase`.
class RecordSet final {
 public:
  ~RecordSet();
  RecordSet(RecordSet&&) noexcept;
  RecordSet& operator=(RecordSet&&) noexcept;

  bool Eof() const noexcept;
  void MoveNext();  // error 3021 at the end
  void MoveFirst();
  // Walks to the end to count the rows, then returns to the first.
  long RecordCount();

  int FieldCount() const noexcept;
  const std::string& FieldName(int index) const;
  // Index of the field named `name` (case ignored), or -1.
  int FindField(std::string_view name) const noexcept;
  // The value of a field of the current row: error 3265 when there is no such field, 3021
  // when there is no current row.
  JetField Field(std::string_view name) const;
  JetField Field(int index) const;
  // The same read in place (see `JetValueView`).
  JetValueView FieldView(int index) const;

 private:
  friend class TestDatabase;
  struct Impl;
  explicit RecordSet(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Reads of a column that take the reader's default when the column is missing from the record
// set (error 3265) or its value is NULL (error 94); other errors travel on.
float ReadSingle(const RecordSet& rs, std::string_view column, float fallback);
double ReadDouble(const RecordSet& rs, std::string_view column, double fallback);
std::int32_t ReadLong(const RecordSet& rs, std::string_view column, std::int32_t fallback);
std::int16_t ReadInteger(const RecordSet& rs, std::string_view column, std::int16_t fallback);
std::uint8_t ReadByte(const RecordSet& rs, std::string_view column, std::uint8_t fallback);
bool ReadBoolean(const RecordSet& rs, std::string_view column, bool fallback);
std::string ReadText(const RecordSet& rs, std::string_view column, std::string_view fallback);
double ReadDate(const RecordSet& rs, std::string_view column, double fallback);

// The check made before a file is accepted as the test database: it is opened and
// "SELECT ID FROM TblTest" is run. True when that works, and also when it fails only because a
// table is locked (3261), is missing (3078) or the file has a password (3031). Otherwise
// `reason` (when given) receives the error's message, which names the file and what is wrong.
bool CheckTestDatabase(const std::filesystem::path& file, const JetReaderOptions& reader,
                       std::string* reason = nullptr);
// The same check on the database `open` gives (one held open, say, whose loaded tables then
// serve the reads that follow); the errors of `open` count as the check's.
bool CheckTestDatabaseWith(const std::function<TestDatabase&()>& open,
                           std::string* reason = nullptr);

}  // namespace orv
