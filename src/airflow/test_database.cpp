#include "airflow/test_database.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <limits>

#include "airflow/jet_errors.h"
#include "airflow/jet_sql.h"
#include "airflow/test_database_load.h"
#include "base/error_trace.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "base/text_number.h"

namespace orv {

namespace {

constexpr const char* kModule = "TestDatabase";

// The in-memory database the tables are loaded into. Record sets share it, so that one may
// outlive the `TestDatabase` that made it.
struct Connection {
  sqlite3* db = nullptr;
  ~Connection() { sqlite3_close_v2(db); }
};

struct StatementFinalizer {
  void operator()(sqlite3_stmt* s) const noexcept { sqlite3_finalize(s); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         sqlite3_strnicmp(a.data(), b.data(), static_cast<int>(a.size())) == 0;
}

// The checking path of every SQLite return code of a query: the failures a query can meet are
// turned into the database errors the program knows.
void CheckQuery(sqlite3* db, int rc, std::string_view jetSql) {
  if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return;
  const std::string message = sqlite3_errmsg(db);
  if (rc == SQLITE_NOMEM) Raise(kErrOutOfMemory);
  const std::string noTable = "no such table: ";
  if (message.rfind(noTable, 0) == 0) {
    RaiseDatabaseError(kErrTableNotFound, message.substr(noTable.size()));
  }
  if (message.rfind("no such column: ", 0) == 0) {
    RaiseDatabaseError(kErrTooFewParameters, "", message);
  }
  RaiseDatabaseError(kErrQuerySyntax, jetSql, message);
}

std::string ShortestText(double v, bool single) {
  char buf[40];
  const auto r = single ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(v))
                        : std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// Collects the table descriptions of a stream without rows.
class CatalogSink final : public JetStreamSink {
 public:
  void Table(const JetTableInfo& table) override { tables.push_back(table); }
  void Row(std::span<const JetCell>) override {}
  void EndTable() override {}
  std::vector<JetTableInfo> tables;
};

struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type time{};
  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::filesystem::path& file) {
  std::error_code ec;
  FileStamp s;
  s.size = std::filesystem::file_size(file, ec);
  if (ec) s.size = 0;
  s.time = std::filesystem::last_write_time(file, ec);
  return s;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// JetField

JetField JetField::Null(JetColumnType type) {
  JetField f;
  f.type_ = type;
  return f;
}

JetField JetField::Integer(std::int64_t v, JetColumnType type) {
  JetField f;
  f.kind_ = Kind::Integer;
  f.integer_ = v;
  f.type_ = type;
  return f;
}

JetField JetField::Real(double v, JetColumnType type) {
  JetField f;
  f.kind_ = Kind::Real;
  f.real_ = v;
  f.type_ = type;
  return f;
}

JetField JetField::Text(std::string v, JetColumnType type) {
  JetField f;
  f.kind_ = Kind::Text;
  f.text_ = std::move(v);
  f.type_ = type;
  return f;
}

JetField JetField::Blob(std::string v, JetColumnType type) {
  JetField f;
  f.kind_ = Kind::Blob;
  f.text_ = std::move(v);
  f.type_ = type;
  return f;
}

void JetField::RequireValue() const {
  if (kind_ == Kind::Null) Raise(kErrInvalidUseOfNull);
  if (kind_ == Kind::Blob) Raise(kErrTypeMismatch);
}

double JetField::AsDouble() const {
  RequireValue();
  switch (kind_) {
    case Kind::Integer:
      return static_cast<double>(integer_);
    case Kind::Real:
      return real_;
    default:
      return TextToDouble(text_);
  }
}

float JetField::AsSingle() const {
  const double v = AsDouble();
  if (std::isfinite(v) && std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max())) {
    Raise(kErrOverflow);
  }
  return ToSingle(v);
}

std::int32_t JetField::AsLong() const {
  if (kind_ == Kind::Integer) {
    if (integer_ < std::numeric_limits<std::int32_t>::min() ||
        integer_ > std::numeric_limits<std::int32_t>::max()) {
      Raise(kErrOverflow);
    }
    return static_cast<std::int32_t>(integer_);
  }
  return ToInt32(AsDouble());
}

std::int16_t JetField::AsInteger() const { return ToInt16(AsDouble()); }

std::uint8_t JetField::AsByte() const {
  const double v = RoundHalfEven(AsDouble());
  if (!(v >= 0.0 && v <= 255.0)) Raise(kErrOverflow);
  return static_cast<std::uint8_t>(v);
}

bool JetField::AsBoolean() const {
  RequireValue();
  if (kind_ == Kind::Text) {
    if (SameName(text_, "True")) return true;
    if (SameName(text_, "False")) return false;
    return TextToDouble(text_) != 0.0;
  }
  return AsDouble() != 0.0;
}

std::string JetField::AsText() const {
  if (kind_ == Kind::Null) Raise(kErrInvalidUseOfNull);
  switch (kind_) {
    case Kind::Integer:
      if (type_ == JetColumnType::Boolean) return integer_ != 0 ? "True" : "False";
      return std::to_string(integer_);
    case Kind::Real:
      return ShortestText(real_, type_ == JetColumnType::Single);
    default:
      return text_;
  }
}

// ---------------------------------------------------------------------------------------------
// RecordSet

struct RecordSet::Impl {
  std::shared_ptr<Connection> connection;
  StatementPtr statement;
  std::string sql;
  std::vector<std::string> names;
  std::vector<JetColumnType> types;
  int state = SQLITE_DONE;

  void Step() {
    const int rc = sqlite3_step(statement.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      state = SQLITE_DONE;
      CheckQuery(connection->db, rc, sql);
    }
    state = rc;
  }
  void Rewind() {
    sqlite3_reset(statement.get());
    Step();
  }
};

RecordSet::RecordSet(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
RecordSet::~RecordSet() = default;
RecordSet::RecordSet(RecordSet&&) noexcept = default;
RecordSet& RecordSet::operator=(RecordSet&&) noexcept = default;

bool RecordSet::Eof() const noexcept { return impl_->state != SQLITE_ROW; }

void RecordSet::MoveNext() {
  ETracker guard(kModule, "MoveNext");
  if (Eof()) RaiseDatabaseError(kErrNoCurrentRecord, "");
  impl_->Step();
}

void RecordSet::MoveFirst() {
  ETracker guard(kModule, "MoveFirst");
  impl_->Rewind();
}

long RecordSet::RecordCount() {
  ETracker guard(kModule, "RecordCount");
  long count = 0;
  impl_->Rewind();
  while (!Eof()) {
    ++count;
    impl_->Step();
  }
  impl_->Rewind();
  return count;
}

int RecordSet::FieldCount() const noexcept { return static_cast<int>(impl_->names.size()); }

const std::string& RecordSet::FieldName(int index) const {
  if (index < 0 || index >= FieldCount()) RaiseDatabaseError(kErrItemNotFound, "");
  return impl_->names[static_cast<std::size_t>(index)];
}

int RecordSet::FindField(std::string_view name) const noexcept {
  for (std::size_t i = 0; i < impl_->names.size(); ++i) {
    if (SameName(impl_->names[i], name)) return static_cast<int>(i);
  }
  return -1;
}

JetField RecordSet::Field(std::string_view name) const {
  ETracker guard(kModule, "Field");
  const int index = FindField(name);
  if (index < 0) RaiseDatabaseError(kErrItemNotFound, name);
  return Field(index);
}

JetField RecordSet::Field(int index) const {
  if (index < 0 || index >= FieldCount()) RaiseDatabaseError(kErrItemNotFound, "");
  if (Eof()) RaiseDatabaseError(kErrNoCurrentRecord, "");
  sqlite3_stmt* s = impl_->statement.get();
  const JetColumnType type = impl_->types[static_cast<std::size_t>(index)];
  switch (sqlite3_column_type(s, index)) {
    case SQLITE_INTEGER:
      return JetField::Integer(sqlite3_column_int64(s, index), type);
    case SQLITE_FLOAT:
      return JetField::Real(sqlite3_column_double(s, index), type);
    case SQLITE_TEXT: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, index));
      const int n = sqlite3_column_bytes(s, index);
      return JetField::Text(
          p == nullptr ? std::string() : std::string(p, static_cast<std::size_t>(n)), type);
    }
    case SQLITE_BLOB: {
      const auto* p = static_cast<const char*>(sqlite3_column_blob(s, index));
      const int n = sqlite3_column_bytes(s, index);
      return JetField::Blob(
          p == nullptr ? std::string() : std::string(p, static_cast<std::size_t>(n)), type);
    }
    default:
      return JetField::Null(type);
  }
}

// ---------------------------------------------------------------------------------------------
// TestDatabase

struct TestDatabase::Impl {
  std::filesystem::path file;
  JetReaderOptions reader;
  ShortDateFormat dates;
  std::shared_ptr<Connection> connection;
  std::uint32_t jetVersion = 0;
  std::vector<JetTableInfo> tables;
  std::vector<bool> loaded;
  FileStamp stamp;

  // Loads every table of the file named in `names` that is not loaded yet, all with one run of
  // the reader.
  void Load(const std::vector<std::string>& names) {
    std::vector<std::string> wanted;
    for (std::size_t t = 0; t < tables.size(); ++t) {
      if (loaded[t]) continue;
      for (const std::string& n : names) {
        if (SameName(n, tables[t].name)) {
          wanted.push_back(tables[t].name);
          break;
        }
      }
    }
    if (wanted.empty()) return;
    sqlite3* db = connection->db;
    CheckLoad(db, sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), file.string());
    try {
      // The rows are loaded while the reader is still reading.
      SqliteTableLoader loader(db, wanted, file.string());
      JetStreamParser parser(loader, file.string());
      RunJetReader(reader, file, wanted, true, [&](std::string_view bytes) { parser.Feed(bytes); });
      parser.Finish();
      if (loader.loaded().size() != wanted.size()) {
        RaiseDatabaseError(kErrCannotOpenDb, file.string(),
                           "the reader handed back fewer tables than asked for");
      }
      CheckLoad(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), file.string());
    } catch (...) {
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
    for (std::size_t t = 0; t < tables.size(); ++t) {
      for (const std::string& w : wanted) {
        if (tables[t].name == w) loaded[t] = true;
      }
    }
  }

  RecordSet Prepare(const std::string& sqliteSql, std::string_view jetSql) {
    auto impl = std::make_unique<RecordSet::Impl>();
    impl->connection = connection;
    impl->sql = std::string(jetSql);
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(connection->db, sqliteSql.c_str(),
                                      static_cast<int>(sqliteSql.size()), &raw, nullptr);
    impl->statement.reset(raw);
    CheckQuery(connection->db, rc, jetSql);
    if (raw == nullptr) RaiseDatabaseError(kErrQuerySyntax, jetSql, "the query is empty");
    const int columns = sqlite3_column_count(raw);
    for (int i = 0; i < columns; ++i) {
      const char* name = sqlite3_column_name(raw, i);
      const char* declared = sqlite3_column_decltype(raw, i);
      impl->names.emplace_back(name != nullptr ? name : "");
      impl->types.push_back(declared != nullptr ? JetTypeOfDeclared(declared)
                                                : JetColumnType::Unknown);
    }
    impl->Step();
    return RecordSet(std::move(impl));
  }
};

TestDatabase::TestDatabase(std::filesystem::path file, JetReaderOptions reader,
                           ShortDateFormat dates)
    : impl_(std::make_unique<Impl>()) {
  ETracker guard(kModule, "Open");
  impl_->file = std::move(file);
  impl_->reader = std::move(reader);
  impl_->dates = dates;
  impl_->stamp = StampOf(impl_->file);
  CatalogSink catalog;
  JetStreamParser parser(catalog, impl_->file.string());
  RunJetReader(impl_->reader, impl_->file, {}, false,
               [&](std::string_view bytes) { parser.Feed(bytes); });
  const JetStreamHeader header = parser.Finish();
  if (header.withRows) {
    RaiseDatabaseError(kErrCannotOpenDb, impl_->file.string(), "the reader handed back rows");
  }
  impl_->jetVersion = header.jetVersion;
  for (JetTableInfo& t : catalog.tables) {
    bool duplicate = false;
    for (const JetTableInfo& seen : impl_->tables)
      duplicate = duplicate || SameName(seen.name, t.name);
    if (!duplicate) impl_->tables.push_back(std::move(t));
  }
  impl_->loaded.assign(impl_->tables.size(), false);

  auto connection = std::make_shared<Connection>();
  // One connection per database, used from one thread: no locking needed.
  const int rc =
      sqlite3_open_v2(":memory:", &connection->db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    if (connection->db == nullptr) Raise(kErrOutOfMemory);
    CheckLoad(connection->db, rc, impl_->file.string());
  }
  // Double quotes are names in SQLite, never texts: the translation turns Jet's double-quoted
  // texts into single-quoted ones.
  sqlite3_db_config(connection->db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(connection->db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  impl_->connection = std::move(connection);
}

TestDatabase::~TestDatabase() = default;
TestDatabase::TestDatabase(TestDatabase&&) noexcept = default;
TestDatabase& TestDatabase::operator=(TestDatabase&&) noexcept = default;

const std::filesystem::path& TestDatabase::file() const noexcept { return impl_->file; }
const ShortDateFormat& TestDatabase::dateFormat() const noexcept { return impl_->dates; }
std::uint32_t TestDatabase::jetVersion() const noexcept { return impl_->jetVersion; }
const std::vector<JetTableInfo>& TestDatabase::tables() const noexcept { return impl_->tables; }

bool TestDatabase::HasTable(std::string_view name) const noexcept {
  for (const JetTableInfo& t : impl_->tables) {
    if (SameName(t.name, name)) return true;
  }
  return false;
}

std::string TestDatabase::Translate(std::string_view jetSql) const {
  return TranslateJetSql(jetSql, impl_->dates);
}

RecordSet TestDatabase::OpenRecordSet(std::string_view jetSql) {
  ETracker guard(kModule, "OpenRecordSet");
  const std::string sql = TranslateJetSql(jetSql, impl_->dates);
  impl_->Load(JetSqlNames(jetSql));
  return impl_->Prepare(sql, jetSql);
}

RecordSet TestDatabase::OpenTable(std::string_view table) {
  ETracker guard(kModule, "OpenTable");
  const JetTableInfo* info = nullptr;
  for (const JetTableInfo& t : impl_->tables) {
    if (SameName(t.name, table)) info = &t;
  }
  if (info == nullptr) RaiseDatabaseError(kErrTableNotFound, table);
  impl_->Load({info->name});
  std::string sql = "SELECT * FROM " + SqliteQuotedName(info->name) + " ORDER BY ";
  if (info->primaryKey.empty()) {
    sql += "rowid";
  } else {
    for (std::size_t k = 0; k < info->primaryKey.size(); ++k) {
      if (k > 0) sql += ", ";
      sql += SqliteQuotedName(info->columns.at(info->primaryKey[k]).name);
    }
  }
  return impl_->Prepare(sql, table);
}

bool TestDatabase::FileUnchanged() const { return StampOf(impl_->file) == impl_->stamp; }

// ---------------------------------------------------------------------------------------------
// Reads with defaults

namespace {

// The field of the current row, or nothing when the column is missing or NULL.
std::optional<JetField> Present(const RecordSet& rs, std::string_view column) {
  const int index = rs.FindField(column);
  if (index < 0) return std::nullopt;
  JetField f = rs.Field(index);
  if (f.IsNull()) return std::nullopt;
  return f;
}

}  // namespace

float ReadSingle(const RecordSet& rs, std::string_view column, float fallback) {
  const auto f = Present(rs, column);
  return f ? f->AsSingle() : fallback;
}

double ReadDouble(const RecordSet& rs, std::string_view column, double fallback) {
  const auto f = Present(rs, column);
  return f ? f->AsDouble() : fallback;
}

std::int32_t ReadLong(const RecordSet& rs, std::string_view column, std::int32_t fallback) {
  const auto f = Present(rs, column);
  return f ? f->AsLong() : fallback;
}

std::int16_t ReadInteger(const RecordSet& rs, std::string_view column, std::int16_t fallback) {
  const auto f = Present(rs, column);
  return f ? f->AsInteger() : fallback;
}

std::uint8_t ReadByte(const RecordSet& rs, std::string_view column, std::uint8_t fallback) {
  const auto f = Present(rs, column);
  return f ? f->AsByte() : fallback;
}

bool ReadBoolean(const RecordSet& rs, std::string_view column, bool fallback) {
  const auto f = Present(rs, column);
  return f ? f->AsBoolean() : fallback;
}

std::string ReadText(const RecordSet& rs, std::string_view column, std::string_view fallback) {
  const auto f = Present(rs, column);
  return f ? f->AsText() : std::string(fallback);
}

double ReadDate(const RecordSet& rs, std::string_view column, double fallback) {
  const auto f = Present(rs, column);
  return f ? f->AsDate() : fallback;
}

bool CheckTestDatabase(const std::filesystem::path& file, const JetReaderOptions& reader) {
  // The check handles its error itself: when it returns, nothing of it is left in the trace.
  ETracker guard(kModule, "CheckTestDatabase");
  try {
    TestDatabase db(file, reader);
    db.OpenRecordSet("SELECT ID FROM TblTest");
    return true;
  } catch (const RuntimeError& e) {
    return e.number() == kErrTableLocked || e.number() == kErrTableNotFound ||
           e.number() == kErrNotValidPassword;
  }
}

}  // namespace orv
