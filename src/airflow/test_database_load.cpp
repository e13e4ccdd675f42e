#include "airflow/test_database_load.h"

#include <sqlite3.h>

#include "airflow/jet_errors.h"

namespace orv {

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

bool SameName(std::string_view a, std::string_view b) {
  return sqlite3_strnicmp(a.data(), b.data(), static_cast<int>(std::max(a.size(), b.size()))) ==
             0 &&
         a.size() == b.size();
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

void CheckLoad(sqlite3* db, int rc, std::string_view file) {
  if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return;
  RaiseDatabaseError(kErrCannotOpenDb, file,
                     std::string("loading the tables failed: ") + sqlite3_errmsg(db));
}

SqliteTableLoader::SqliteTableLoader(sqlite3* db, std::vector<std::string> expected,
                                     std::string file)
    : db_(db), expected_(std::move(expected)), file_(std::move(file)) {}

SqliteTableLoader::~SqliteTableLoader() = default;

void SqliteTableLoader::Table(const JetTableInfo& table) {
  if (!expected_.empty()) {
    bool wanted = false;
    for (const std::string& e : expected_) wanted = wanted || SameName(e, table.name);
    if (!wanted) {
      RaiseDatabaseError(kErrCannotOpenDb, file_,
                         "the reader handed back the table " + table.name + ", not asked for");
    }
  }
  std::string create = "CREATE TABLE " + SqliteQuotedName(table.name) + " (";
  std::string insert = "INSERT INTO " + SqliteQuotedName(table.name) + " VALUES (";
  indexColumns_.clear();
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    const JetColumnInfo& c = table.columns[i];
    if (i > 0) {
      create += ", ";
      insert += ", ";
    }
    create += SqliteQuotedName(c.name) + " " + SqliteDeclaredType(c.type);
    if (c.type == JetColumnType::Text || c.type == JetColumnType::Memo) create += " COLLATE NOCASE";
    insert += "?";
    if (SameName(c.name, "ID") || SameName(c.name, "TestID")) indexColumns_.push_back(c.name);
  }
  create += ")";
  insert += ")";
  CheckLoad(db_, sqlite3_exec(db_, create.c_str(), nullptr, nullptr, nullptr), file_);
  insert_ = std::make_unique<Statement>();
  CheckLoad(db_,
            sqlite3_prepare_v2(db_, insert.c_str(), static_cast<int>(insert.size()), &insert_->stmt,
                               nullptr),
            file_);
  table_ = table.name;
}

void SqliteTableLoader::Row(std::span<const JetCell> cells) {
  if (!insert_) RaiseDatabaseError(kErrCannotOpenDb, file_, "a row before its table");
  sqlite3_stmt* s = insert_->stmt;
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
  if (stepped != SQLITE_DONE) CheckLoad(db_, stepped, file_);
  CheckLoad(db_, sqlite3_reset(s), file_);
}

void SqliteTableLoader::EndTable() {
  insert_.reset();
  for (const std::string& column : indexColumns_) {
    const std::string sql =
        "CREATE INDEX " +
        SqliteQuotedName("orvantis_index_" + std::to_string(++indexCount_) + "_" + table_) +
        " ON " + SqliteQuotedName(table_) + " (" + SqliteQuotedName(column) + ")";
    CheckLoad(db_, sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), file_);
  }
  // The row counts let SQLite join a small per-kind table to the large test table rather than
  // the other way round.
  if (!indexColumns_.empty()) {
    const std::string analyze = "ANALYZE " + SqliteQuotedName(table_);
    CheckLoad(db_, sqlite3_exec(db_, analyze.c_str(), nullptr, nullptr, nullptr), file_);
  }
  loaded_.push_back(table_);
}

}  // namespace orv
