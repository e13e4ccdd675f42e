#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "airflow/jet_table_stream.h"

struct sqlite3;

namespace orv {

// Loading the tables of a parsed table stream into an SQLite database: each table becomes a
// table of the same name whose columns carry the Jet type in their declared type (so that a
// record set can tell a Single from a Double and a date from a number); text columns compare
// without regard to case. The rows keep the order of the file (SQLite's row numbers follow
// it), so a query without ORDER BY gives them as the file holds them. No index is made: a
// load serves a few queries, and SQLite makes the index a join needs while it runs one.

// Jet names (of tables and columns) compare without regard to ASCII case, as the database
// engine compares them.
bool SameJetName(std::string_view a, std::string_view b);

// The declared SQLite type of a Jet column type, and back (Unknown for anything else).
std::string SqliteDeclaredType(JetColumnType type);
JetColumnType JetTypeOfDeclared(std::string_view declared);

// `name` as an SQLite identifier in double quotes (inner quotes doubled).
std::string SqliteQuotedName(std::string_view name);

// The statement that makes the SQLite table of a Jet table with these columns. The column
// `rowidColumn` (when not -1), a Long key column, becomes the table's row number ("INTEGER
// PRIMARY KEY"): SQLite then finds a row by its key without an index, and scans the table in
// key order.
std::string SqliteCreateTable(std::string_view table, const std::vector<JetColumnInfo>& columns,
                              int rowidColumn = -1);

// The place among the `held` columns of `table` of the column that can be its row number: its
// primary key when that is one Long column and among them; -1 otherwise.
int RowNumberColumn(const JetTableInfo& table, const std::vector<bool>& held);

// Raised by a load whose row-number column gets a value that cannot be a row number (NULL, not
// a whole number, or a value already there): the table is to be loaded without one.
class RowNumberConflict final : public std::exception {
 public:
  explicit RowNumberConflict(std::string table) : table_(std::move(table)) {}
  const std::string& table() const noexcept { return table_; }
  const char* what() const noexcept override { return "a key that cannot be a row number"; }

 private:
  std::string table_;
};

// The checking path of every SQLite return code while loading: anything but success raises
// error 3049 about `file` with SQLite's message.
void CheckLoad(sqlite3* db, int rc, std::string_view file);

// Told the rows of each table as they are loaded: the table, the rows so far and the rows the
// table's definition holds (-1 when only some rows are asked for). Returning false stops the
// load (it raises `DatabaseReadCancelled`).
using LoadProgressFn =
    std::function<bool(std::string_view table, std::int64_t rows, std::int64_t total)>;

// A table a load expects, in the order the stream brings them.
struct LoadTarget {
  std::string name;
  std::vector<JetColumnInfo> columns;
  bool append = false;   // the table exists already and gets more rows
  bool allRows = true;   // the whole table (its row count is the progress total)
  int rowidColumn = -1;  // see SqliteCreateTable
};

class SqliteTableLoader final : public JetStreamSink {
 public:
  // Accepts exactly the `targets`, in their order, with their columns (any table when
  // `targets` is empty); anything else in the stream raises 3049 about `file`.
  SqliteTableLoader(sqlite3* db, std::vector<LoadTarget> targets, std::string file,
                    LoadProgressFn progress = {});
  ~SqliteTableLoader() override;
  SqliteTableLoader(const SqliteTableLoader&) = delete;
  SqliteTableLoader& operator=(const SqliteTableLoader&) = delete;

  void Table(const JetTableInfo& table) override;
  void Row(std::span<const JetCell> cells) override;
  void EndTable() override;

  // The tables loaded so far, as named in the stream, with their row counts.
  const std::vector<std::string>& loaded() const noexcept { return loaded_; }
  const std::vector<std::int64_t>& loadedRows() const noexcept { return loadedRows_; }

 private:
  struct Statement;
  void Report();

  sqlite3* db_;
  std::vector<LoadTarget> targets_;
  std::string file_;
  LoadProgressFn progress_;
  std::vector<std::string> loaded_;
  std::vector<std::int64_t> loadedRows_;
  std::string table_;
  std::int64_t rows_ = 0;
  std::int64_t total_ = -1;
  int rowidColumn_ = -1;
  std::unique_ptr<Statement> insert_;
};

}  // namespace orv
