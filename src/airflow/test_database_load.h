#pragma once

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
// without regard to case. Columns named "ID" and "TestID" get an index, for the lookups of one
// test.

// The declared SQLite type of a Jet column type, and back (Unknown for anything else).
std::string SqliteDeclaredType(JetColumnType type);
JetColumnType JetTypeOfDeclared(std::string_view declared);

// `name` as an SQLite identifier in double quotes (inner quotes doubled).
std::string SqliteQuotedName(std::string_view name);

// The checking path of every SQLite return code while loading: anything but success raises
// error 3049 about `file` with SQLite's message.
void CheckLoad(sqlite3* db, int rc, std::string_view file);

class SqliteTableLoader final : public JetStreamSink {
 public:
  // Accepts only the tables named in `expected` (all when it is empty); anything else in the
  // stream raises 3049 about `file`.
  SqliteTableLoader(sqlite3* db, std::vector<std::string> expected, std::string file);
  ~SqliteTableLoader() override;
  SqliteTableLoader(const SqliteTableLoader&) = delete;
  SqliteTableLoader& operator=(const SqliteTableLoader&) = delete;

  void Table(const JetTableInfo& table) override;
  void Row(std::span<const JetCell> cells) override;
  void EndTable() override;

  // The tables loaded so far, as named in the stream.
  const std::vector<std::string>& loaded() const noexcept { return loaded_; }

 private:
  struct Statement;
  sqlite3* db_;
  std::vector<std::string> expected_;
  std::string file_;
  std::vector<std::string> loaded_;
  std::string table_;
  std::vector<std::string> indexColumns_;
  std::unique_ptr<Statement> insert_;
  int indexCount_ = 0;
};

}  // namespace orv
