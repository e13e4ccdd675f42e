#include "airflow/test_database_load.h"

#include <sqlite3.h>

#include <algorithm>

#include "airflow/jet_errors.h"

namespace orv {

bool SameJetName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         sqlite3_strnicmp(a.data(), b.data(), static_cast<int>(a.size())) == 0;
}

namespace {

struct TypeName {
  JetColumnType type;
  const char* declared;  // the first word names the Jet type, the rest gives SQLite's affinity
};

constexpr TypeName kTypeNames[] = {
    {JetColumnType::Boolean, "YESNO INTEGER"}, {JetColumnType::Byte, "BYTE INTEGER"},
    {JetColumnType::Integer, "SHORT INTEGER"}, {JetColumnType::Long, "LONG INTEGER"},
    {JetColumnType::Money, "CURRENCY REAL"},   {JetColumnType::Single, "SINGLE REAL"},
    {JetColumnType::Double, "DOUBLE REAL"},    {JetColumnType::DateAndTime, "DATETIME REAL"},
    {JetColumnType::Binary, "BINARY BLOB"},    {JetColumnType::Text, "TEXT"},
    {JetColumnType::Ole, "OLE BLOB"},          {JetColumnType::Memo, "MEMO TEXT"},
    {JetColumnType::Guid, "GUID TEXT"},        {JetColumnType::Numeric, "NUMERIC TEXT"},
};

// The declared type that makes a column the row number.
constexpr const char* kRowNumberType = "INTEGER";

// Rows loaded between two progress reports.
constexpr std::int64_t kLoadRowsPerReport = 4096;

bool SameColumns(const std::vector<JetColumnInfo>& a, const std::vector<JetColumnInfo>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const JetColumnInfo& x, const JetColumnInfo& y) {
                      return x.type == y.type && x.name == y.name;
                    });
}

}  // namespace

struct SqliteTableLoader::Statement {
  sqlite3_stmt* stmt = nullptr;
  ~Statement() { sqlite3_finalize(stmt); }
};

std::string SqliteDeclaredType(JetColumnType type) {
  for (const TypeName& t : kTypeNames) {
    if (t.type == type) return t.declared;
  }
  return "UNKNOWN";
}

JetColumnType JetTypeOfDeclared(std::string_view declared) {
  for (const TypeName& t : kTypeNames) {
    if (declared == t.declared) return t.type;
  }
  // Only a Long key column is made the row number.
  if (declared == kRowNumberType) return JetColumnType::Long;
  return JetColumnType::Unknown;
}

std::string SqliteQuotedName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string SqliteCreateTable(std::string_view table, const std::vector<JetColumnInfo>& columns,
                              int rowidColumn) {
  std::string create = "CREATE TABLE " + SqliteQuotedName(table) + " (";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const JetColumnInfo& c = columns[i];
    if (i > 0) create += ", ";
    if (static_cast<int>(i) == rowidColumn) {
      create += SqliteQuotedName(c.name) + " " + kRowNumberType + " PRIMARY KEY";
      continue;
    }
    create += SqliteQuotedName(c.name) + " " + SqliteDeclaredType(c.type);
    if (c.type == JetColumnType::Text || c.type == JetColumnType::Memo) create += " COLLATE NOCASE";
  }
  create += ")";
  return create;
}

int RowNumberColumn(const JetTableInfo& table, const std::vector<bool>& held) {
  if (table.primaryKey.size() != 1) return -1;
  const std::size_t key = table.primaryKey[0];
  if (key >= table.columns.size() || key >= held.size() || !held[key] ||
      table.columns[key].type != JetColumnType::Long) {
    return -1;
  }
  return static_cast<int>(
      std::count(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(key), true));
}

void CheckLoad(sqlite3* db, int rc, std::string_view file) {
  if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return;
  RaiseDatabaseError(kErrCannotOpenDb, file,
                     std::string("loading the tables failed: ") + sqlite3_errmsg(db));
}

SqliteTableLoader::SqliteTableLoader(sqlite3* db, std::vector<LoadTarget> targets, std::string file,
                                     LoadProgressFn progress)
    : db_(db),
      targets_(std::move(targets)),
      file_(std::move(file)),
      progress_(std::move(progress)) {}

SqliteTableLoader::~SqliteTableLoader() = default;

void SqliteTableLoader::Report() {
  if (progress_ && !progress_(table_, rows_, total_)) throw DatabaseReadCancelled();
}

void SqliteTableLoader::Table(const JetTableInfo& table) {
  const LoadTarget* target = nullptr;
  if (!targets_.empty()) {
    const std::size_t next = loaded_.size();
    if (next >= targets_.size() || !SameJetName(targets_[next].name, table.name) ||
        !SameColumns(targets_[next].columns, table.columns)) {
      RaiseDatabaseError(kErrCannotOpenDb, file_,
                         "the reader handed back the table " + table.name + ", not as asked for");
    }
    target = &targets_[next];
  }
  rowidColumn_ = target == nullptr ? -1 : target->rowidColumn;
  if (target == nullptr || !target->append) {
    CheckLoad(db_,
              sqlite3_exec(db_, SqliteCreateTable(table.name, table.columns, rowidColumn_).c_str(),
                           nullptr, nullptr, nullptr),
              file_);
  }
  std::string insert = "INSERT INTO " + SqliteQuotedName(table.name) + " VALUES (";
  for (std::size_t i = 0; i < table.columns.size(); ++i) insert += i > 0 ? ", ?" : "?";
  insert += ")";
  insert_ = std::make_unique<Statement>();
  CheckLoad(db_,
            sqlite3_prepare_v2(db_, insert.c_str(), static_cast<int>(insert.size()), &insert_->stmt,
                               nullptr),
            file_);
  table_ = table.name;
  rows_ = 0;
  total_ = target == nullptr || target->allRows ? static_cast<std::int64_t>(table.rowCount) : -1;
  Report();
}

void SqliteTableLoader::Row(std::span<const JetCell> cells) {
  if (!insert_) RaiseDatabaseError(kErrCannotOpenDb, file_, "a row before its table");
  sqlite3_stmt* s = insert_->stmt;
  if (rowidColumn_ >= 0 &&
      (static_cast<std::size_t>(rowidColumn_) >= cells.size() ||
       cells[static_cast<std::size_t>(rowidColumn_)].kind != JetCell::Kind::Integer)) {
    throw RowNumberConflict(table_);
  }
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const JetCell& c = cells[i];
    const int at = static_cast<int>(i + 1);
    int rc = SQLITE_OK;
    switch (c.kind) {
      case JetCell::Kind::Null:
        rc = sqlite3_bind_null(s, at);
        break;
      case JetCell::Kind::Integer:
        rc = sqlite3_bind_int64(s, at, c.integer);
        break;
      case JetCell::Kind::Real:
        rc = sqlite3_bind_double(s, at, c.real);
        break;
      case JetCell::Kind::Text:
        rc = sqlite3_bind_text64(s, at, c.bytes.data(), c.bytes.size(), SQLITE_STATIC, SQLITE_UTF8);
        break;
      case JetCell::Kind::Blob:
        rc = sqlite3_bind_blob64(s, at, c.bytes.data(), c.bytes.size(), SQLITE_STATIC);
        break;
    }
    if (rc != SQLITE_OK) CheckLoad(db_, rc, file_);
  }
  const int stepped = sqlite3_step(s);
  if (stepped == SQLITE_CONSTRAINT && rowidColumn_ >= 0) {
    sqlite3_reset(s);
    throw RowNumberConflict(table_);
  }
  if (stepped != SQLITE_DONE) CheckLoad(db_, stepped, file_);
  CheckLoad(db_, sqlite3_reset(s), file_);
  if (++rows_ % kLoadRowsPerReport == 0) Report();
}

void SqliteTableLoader::EndTable() {
  insert_.reset();
  Report();
  loaded_.push_back(table_);
  loadedRows_.push_back(rows_);
}

}  // namespace orv
