#include "airflow/test_database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <optional>

#include "airflow/jet_errors.h"
#include "airflow/jet_like.h"
#include "airflow/jet_sql.h"
#include "airflow/test_database_load.h"
#include "base/atomic_file.h"
#include "base/error_trace.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "base/text_number.h"

namespace orv {

namespace {

constexpr const char* kTestDatabaseModule = "TestDatabase";

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
    if (SameJetName(text_, "True")) return true;
    if (SameJetName(text_, "False")) return false;
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
      return type_ == JetColumnType::Single ? ShortestText(static_cast<float>(real_))
                                            : ShortestText(real_);
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
  ETracker guard(kTestDatabaseModule, "MoveNext");
  if (Eof()) RaiseDatabaseError(kErrNoCurrentRecord, "");
  impl_->Step();
}

void RecordSet::MoveFirst() {
  ETracker guard(kTestDatabaseModule, "MoveFirst");
  impl_->Rewind();
}

long RecordSet::RecordCount() {
  ETracker guard(kTestDatabaseModule, "RecordCount");
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
    if (SameJetName(impl_->names[i], name)) return static_cast<int>(i);
  }
  return -1;
}

JetField RecordSet::Field(std::string_view name) const {
  ETracker guard(kTestDatabaseModule, "Field");
  const int index = FindField(name);
  if (index < 0) RaiseDatabaseError(kErrItemNotFound, name);
  return Field(index);
}

JetField RecordSet::Field(int index) const { return FieldView(index).ToField(); }

JetValueView RecordSet::FieldView(int index) const {
  if (index < 0 || index >= FieldCount()) RaiseDatabaseError(kErrItemNotFound, "");
  if (Eof()) RaiseDatabaseError(kErrNoCurrentRecord, "");
  sqlite3_stmt* s = impl_->statement.get();
  JetValueView v;
  v.type = impl_->types[static_cast<std::size_t>(index)];
  switch (sqlite3_column_type(s, index)) {
    case SQLITE_INTEGER:
      v.kind = JetField::Kind::Integer;
      v.integer = sqlite3_column_int64(s, index);
      break;
    case SQLITE_FLOAT:
      v.kind = JetField::Kind::Real;
      v.real = sqlite3_column_double(s, index);
      break;
    case SQLITE_TEXT: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, index));
      const int n = sqlite3_column_bytes(s, index);
      v.kind = JetField::Kind::Text;
      if (p != nullptr) v.text = std::string_view(p, static_cast<std::size_t>(n));
      break;
    }
    case SQLITE_BLOB: {
      const auto* p = static_cast<const char*>(sqlite3_column_blob(s, index));
      const int n = sqlite3_column_bytes(s, index);
      v.kind = JetField::Kind::Blob;
      if (p != nullptr) v.text = std::string_view(p, static_cast<std::size_t>(n));
      break;
    }
    default:
      break;
  }
  return v;
}

JetField JetValueView::ToField() const {
  switch (kind) {
    case JetField::Kind::Integer:
      return JetField::Integer(integer, type);
    case JetField::Kind::Real:
      return JetField::Real(real, type);
    case JetField::Kind::Text:
      return JetField::Text(std::string(text), type);
    case JetField::Kind::Blob:
      return JetField::Blob(std::string(text), type);
    case JetField::Kind::Null:
      break;
  }
  return JetField::Null(type);
}

// ---------------------------------------------------------------------------------------------
// TestDatabase

namespace {

// Results kept by `KeepResult`, the most recent.
constexpr std::size_t kKeptResults = 4;

// Reads of single tests from one table after which the table is loaded whole.
constexpr std::size_t kKeyedReadsBeforeWhole = 3;

// What is loaded of one table of the catalog.
struct TableState {
  std::vector<bool> whole;  // per column: held whole in the main store (empty: nothing)
  std::int64_t wholeRows = 0;
  int keyColumn = -1;              // the column the rows of the keyed store were picked by
  std::vector<std::int64_t> keys;  // the key values whose rows are there, ascending
  bool keyedTableMade = false;
  bool keyNotRowNumber = false;  // its key held a value that cannot be a row number
};

bool HoldsAll(const std::vector<bool>& held, const std::vector<bool>& needed) {
  if (held.empty()) return false;
  for (std::size_t c = 0; c < needed.size(); ++c) {
    if (needed[c] && !held[c]) return false;
  }
  return true;
}

bool IsWholeNumberType(JetColumnType type) {
  return type == JetColumnType::Byte || type == JetColumnType::Integer ||
         type == JetColumnType::Long;
}

std::shared_ptr<Connection> NewConnection(std::string_view file) {
  auto connection = std::make_shared<Connection>();
  // One connection per store, used from one thread: no locking needed.
  const int rc =
      sqlite3_open_v2(":memory:", &connection->db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    if (connection->db == nullptr) Raise(kErrOutOfMemory);
    CheckLoad(connection->db, rc, file);
  }
  sqlite3* db = connection->db;
  // Double quotes are names in SQLite, never texts: the translation turns Jet's double-quoted
  // texts into single-quoted ones.
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  // A cache file read into the connection is not trusted: nothing in it may change the
  // connection or run code of its schema.
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  CheckLoad(db, RegisterJetLike(db), file);
  return connection;
}

// Collects the table descriptions of the reader's catalog.
class CatalogSink final : public JetStreamSink {
 public:
  void Table(const JetTableInfo& table) override { tables.push_back(table); }
  void Row(std::span<const JetCell>) override {}
  void EndTable() override {}
  std::vector<JetTableInfo> tables;
};

}  // namespace

struct TestDatabase::Impl {
  std::filesystem::path file;
  std::string subject;  // the file as error messages name it
  JetReaderOptions reader;
  ShortDateFormat dates;
  DiskCacheOptions diskCache;
  DatabaseProgressFn progress;
  FileStamp stamp;
  DatabaseStamp cacheStamp;
  bool fromDiskCache = false;

  std::uint32_t jetVersion = 0;
  std::vector<JetTableInfo> tables;
  std::vector<std::uint16_t> readerIndex;  // each table's number in the reader's catalog
  std::vector<TableState> state;

  std::unique_ptr<JetReaderSession> session;
  std::vector<std::pair<std::string, std::string>> results;  // kept results, the oldest first
  std::shared_ptr<Connection> main;   // tables held whole (with the columns read so far)
  std::shared_ptr<Connection> keyed;  // the rows of single tests, every column

  void Remember(std::string key, std::string value) {
    std::erase_if(results, [&](const auto& r) { return r.first == key; });
    results.emplace_back(std::move(key), std::move(value));
    if (results.size() > kKeptResults) results.erase(results.begin());
  }

  int FindTable(std::string_view name) const noexcept {
    for (std::size_t t = 0; t < tables.size(); ++t) {
      if (tables[t].name == name) return static_cast<int>(t);
    }
    for (std::size_t t = 0; t < tables.size(); ++t) {
      if (SameJetName(tables[t].name, name)) return static_cast<int>(t);
    }
    return -1;
  }

  int FindColumn(int table, std::string_view name) const noexcept {
    const auto& columns = tables[static_cast<std::size_t>(table)].columns;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (SameJetName(columns[c].name, name)) return static_cast<int>(c);
    }
    return -1;
  }

  // The file is looked at here before any reader sees it: it must be a regular file (opened
  // without waiting, so that a named pipe cannot hold the program) that starts like a Jet
  // database. Its size and time are taken from the open file.
  void CheckFile() {
    std::string reason;
    const int fd = OpenRegularFile(file, &reason);
    const std::string prefix = subject + ": ";
    if (reason.rfind(prefix, 0) == 0) reason.erase(0, prefix.size());
    if (fd < 0) {
      std::error_code ec;
      const bool exists = std::filesystem::exists(file, ec);
      if (!exists || std::filesystem::is_directory(file, ec) ||
          reason.find("not a regular file") != std::string::npos) {
        RaiseDatabaseError(kErrFileNotFoundDb, subject, reason);
      }
      RaiseDatabaseError(kErrCannotOpenDb, subject, reason);
    }
    struct stat st {};
    char head[19] = {};
    ssize_t got = -1;
    if (::fstat(fd, &st) == 0) {
      do {
        got = ::pread(fd, head, sizeof head, 0);
      } while (got < 0 && errno == EINTR);
    }
    ::close(fd);
    const std::string_view signature(head + 4, 15);
    if (got != static_cast<ssize_t>(sizeof head) ||
        std::string_view(head, 4) != std::string_view("\0\1\0\0", 4) ||
        (signature != "Standard Jet DB" && signature != "Standard ACE DB")) {
      RaiseDatabaseError(kErrUnrecognizedDb, subject,
                         "the file does not start as a Jet database does");
    }
    stamp = StampOf(file);
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::weakly_canonical(file, ec);
    if (ec) absolute = std::filesystem::absolute(file, ec).lexically_normal();
    cacheStamp.path = absolute.string();
    cacheStamp.size = static_cast<std::uintmax_t>(st.st_size);
    cacheStamp.modifiedNs =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  }

  // The tables of a cache file of this state of the database, when there is a good one.
  bool AdoptDiskCache() {
    if (diskCache.folder.empty()) return false;
    std::shared_ptr<Connection> cached = NewConnection(subject);
    std::optional<CachedCatalog> catalog = ReadDiskCache(diskCache, cacheStamp, cached->db);
    if (!catalog) return false;
    jetVersion = catalog->jetVersion;
    tables = std::move(catalog->tables);
    readerIndex = std::move(catalog->readerIndex);
    state.assign(tables.size(), TableState{});
    for (std::size_t t = 0; t < tables.size(); ++t) {
      const std::vector<bool>& held = catalog->held[t];
      if (std::find(held.begin(), held.end(), true) != held.end()) {
        state[t].whole = held;
        state[t].wholeRows = catalog->heldRows[t];
      }
    }
    main = std::move(cached);
    fromDiskCache = true;
    return true;
  }

  // Starts the reader; the catalog it hands back becomes the list of tables, or (for a reader
  // started again) must be the list already known.
  void StartReader() {
    if (!session) session = std::make_unique<JetReaderSession>(reader, file);
    CatalogSink catalog;
    JetStreamParser parser(catalog, subject);
    session->Start([&](std::string_view bytes) {
      parser.Feed(bytes);
      return parser.done();
    });
    const JetStreamHeader header = parser.Finish();
    if (header.withRows) {
      session->Stop();
      RaiseDatabaseError(kErrCannotOpenDb, subject, "the reader handed back rows");
    }
    std::vector<JetTableInfo> found;
    std::vector<std::uint16_t> index;
    for (std::size_t i = 0; i < catalog.tables.size() && i <= 0xFFFF; ++i) {
      JetTableInfo& t = catalog.tables[i];
      bool duplicate = false;
      for (const JetTableInfo& seen : found)
        duplicate = duplicate || SameJetName(seen.name, t.name);
      if (duplicate) continue;
      found.push_back(std::move(t));
      index.push_back(static_cast<std::uint16_t>(i));
    }
    if (!tables.empty() || fromDiskCache) {
      bool same = found.size() == tables.size();
      for (std::size_t t = 0; same && t < found.size(); ++t) {
        same =
            found[t].name == tables[t].name && found[t].columns.size() == tables[t].columns.size();
        for (std::size_t c = 0; same && c < found[t].columns.size(); ++c) {
          same = found[t].columns[c].name == tables[t].columns[c].name &&
                 found[t].columns[c].type == tables[t].columns[c].type;
        }
      }
      if (!same) {
        session->Stop();
        RaiseDatabaseError(kErrCannotOpenDb, subject, "the file changed while it was open");
      }
      readerIndex = std::move(index);
      jetVersion = header.jetVersion;
      return;
    }
    jetVersion = header.jetVersion;
    tables = std::move(found);
    readerIndex = std::move(index);
    state.assign(tables.size(), TableState{});
  }

  LoadProgressFn LoadProgress() const {
    if (!progress) return {};
    return [this](std::string_view table, std::int64_t rows, std::int64_t total) {
      return progress(DatabaseProgress{DatabaseProgress::Step::LoadingTable, table, rows, total});
    };
  }

  // Asks the reader for `request` and loads the answer into `db` as `targets` say, all in one
  // transaction: a failed load changes nothing.
  std::vector<std::int64_t> Exchange(sqlite3* db, const std::vector<JetRowRequest>& request,
                                     std::vector<LoadTarget> targets,
                                     const std::vector<std::string>& drops) {
    if (!session || !session->running()) StartReader();
    CheckLoad(db, sqlite3_exec(db, "SAVEPOINT orvantis_load", nullptr, nullptr, nullptr), subject);
    try {
      for (const std::string& table : drops) {
        const std::string drop = "DROP TABLE " + SqliteQuotedName(table);
        CheckLoad(db, sqlite3_exec(db, drop.c_str(), nullptr, nullptr, nullptr), subject);
      }
      const std::size_t expected = targets.size();
      SqliteTableLoader loader(db, std::move(targets), subject, LoadProgress());
      JetStreamParser parser(loader, subject);
      session->Exchange(EncodeJetRequest(request), [&](std::string_view bytes) {
        parser.Feed(bytes);
        return parser.done();
      });
      const JetStreamHeader header = parser.Finish();
      if (!header.withRows || loader.loaded().size() != expected) {
        RaiseDatabaseError(kErrCannotOpenDb, subject,
                           "the reader handed back other tables than asked for");
      }
      CheckLoad(db, sqlite3_exec(db, "RELEASE orvantis_load", nullptr, nullptr, nullptr), subject);
      return loader.loadedRows();
    } catch (...) {
      sqlite3_exec(db, "ROLLBACK TO orvantis_load", nullptr, nullptr, nullptr);
      sqlite3_exec(db, "RELEASE orvantis_load", nullptr, nullptr, nullptr);
      throw;
    }
  }

  // Makes the main store hold the columns `needs` names of each of its tables, loading what
  // is missing with one read of the file.
  void EnsureWhole(const std::vector<std::pair<int, std::vector<bool>>>& needs) {
    if (!main) main = NewConnection(subject);
    std::vector<JetRowRequest> request;
    std::vector<LoadTarget> targets;
    std::vector<std::string> drops;
    std::vector<std::pair<int, std::vector<bool>>> loading;
    for (const auto& [t, needed] : needs) {
      TableState& s = state[static_cast<std::size_t>(t)];
      if (HoldsAll(s.whole, needed)) continue;
      const JetTableInfo& info = tables[static_cast<std::size_t>(t)];
      std::vector<bool> columns = needed;
      // A query that names no column of the table still counts its rows: one column holds
      // them.
      if (std::find(columns.begin(), columns.end(), true) == columns.end() && !columns.empty()) {
        columns[0] = true;
      }
      if (!s.whole.empty()) {
        for (std::size_t c = 0; c < columns.size(); ++c) columns[c] = columns[c] || s.whole[c];
        drops.push_back(info.name);
      }
      JetRowRequest r;
      r.table = readerIndex[static_cast<std::size_t>(t)];
      LoadTarget target{info.name, {}, false, true};
      if (!s.keyNotRowNumber) target.rowidColumn = RowNumberColumn(info, columns);
      const bool every = std::find(columns.begin(), columns.end(), false) == columns.end();
      for (std::size_t c = 0; c < columns.size(); ++c) {
        if (!columns[c]) continue;
        if (!every) r.columns.push_back(static_cast<std::uint16_t>(c));
        target.columns.push_back(info.columns[c]);
      }
      if (target.columns.empty()) continue;
      request.push_back(std::move(r));
      targets.push_back(std::move(target));
      loading.emplace_back(t, std::move(columns));
    }
    if (request.empty()) return;
    if (!drops.empty() && !CanDrop(drops)) {
      // A record set still reads the tables to be replaced: the store starts afresh, and the
      // old one lives on with the record sets that read it.
      main = NewConnection(subject);
      for (TableState& s : state) {
        s.whole.clear();
        s.wholeRows = 0;
      }
      EnsureWhole(needs);
      return;
    }
    std::vector<std::int64_t> rows;
    try {
      rows = Exchange(main->db, request, std::move(targets), drops);
    } catch (const RowNumberConflict& e) {
      // A damaged key (twice the same value, or NULL): the table is loaded as it is.
      const int t = FindTable(e.table());
      if (t < 0 || state[static_cast<std::size_t>(t)].keyNotRowNumber) throw;
      state[static_cast<std::size_t>(t)].keyNotRowNumber = true;
      EnsureWhole(needs);
      return;
    }
    for (std::size_t i = 0; i < loading.size(); ++i) {
      TableState& s = state[static_cast<std::size_t>(loading[i].first)];
      s.whole = std::move(loading[i].second);
      s.wholeRows = rows[i];
    }
    SaveDiskCache();
  }

  // False when dropping the tables would fail because a statement still reads the store.
  bool CanDrop(const std::vector<std::string>& drops) {
    sqlite3* db = main->db;
    if (sqlite3_exec(db, "SAVEPOINT orvantis_drop", nullptr, nullptr, nullptr) != SQLITE_OK) {
      return false;
    }
    bool ok = true;
    for (const std::string& table : drops) {
      const std::string drop = "DROP TABLE " + SqliteQuotedName(table);
      ok = ok && sqlite3_exec(db, drop.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_exec(db, "ROLLBACK TO orvantis_drop", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "RELEASE orvantis_drop", nullptr, nullptr, nullptr);
    return ok;
  }

  // Keeps the tables held whole in the cache folder (when there is one and the file has not
  // changed since it was opened). A cache that cannot be written is only a slower next open.
  void SaveDiskCache() {
    if (diskCache.folder.empty() || !main) return;
    if (!(StampOf(file) == stamp)) return;
    CachedCatalog catalog;
    catalog.jetVersion = jetVersion;
    catalog.tables = tables;
    catalog.readerIndex = readerIndex;
    for (std::size_t t = 0; t < tables.size(); ++t) {
      catalog.held.push_back(state[t].whole.empty()
                                 ? std::vector<bool>(tables[t].columns.size(), false)
                                 : state[t].whole);
      catalog.heldRows.push_back(state[t].whole.empty() ? 0 : state[t].wholeRows);
    }
    WriteDiskCache(diskCache, cacheStamp, main->db, catalog);
  }

  // Makes the keyed store hold the rows whose `column` holds `key` of each of `wanted`'s
  // tables (table, column), with one read of the file. Tables held whole with every column,
  // and tables whose keyed rows were picked by another column, are left out.
  void EnsureKeyed(const std::vector<std::pair<int, int>>& wanted, std::int64_t key) {
    std::vector<JetRowRequest> request;
    std::vector<LoadTarget> targets;
    std::vector<int> loading;
    std::vector<std::pair<int, std::vector<bool>>> whole;
    for (const auto& [t, column] : wanted) {
      TableState& s = state[static_cast<std::size_t>(t)];
      const JetTableInfo& info = tables[static_cast<std::size_t>(t)];
      const std::vector<bool> every(info.columns.size(), true);
      if (HoldsAll(s.whole, every)) continue;
      if (s.keyColumn >= 0 && s.keyColumn != column) continue;
      if (std::binary_search(s.keys.begin(), s.keys.end(), key)) continue;
      if (!IsWholeNumberType(info.columns[static_cast<std::size_t>(column)].type)) continue;
      // A table read test by test again and again is loaded whole once: the reads that
      // follow need no reader.
      if (s.keys.size() >= kKeyedReadsBeforeWhole) {
        whole.emplace_back(t, every);
        continue;
      }
      JetRowRequest r;
      r.table = readerIndex[static_cast<std::size_t>(t)];
      r.keyed = true;
      r.keyColumn = static_cast<std::uint16_t>(column);
      r.keys = {key};
      request.push_back(std::move(r));
      targets.push_back({info.name, info.columns, s.keyedTableMade, false});
      loading.push_back(t);
      s.keyColumn = column;
    }
    if (!request.empty()) {
      if (!keyed) keyed = NewConnection(subject);
      Exchange(keyed->db, request, std::move(targets), {});
      for (int t : loading) {
        TableState& s = state[static_cast<std::size_t>(t)];
        s.keys.insert(std::upper_bound(s.keys.begin(), s.keys.end(), key), key);
        s.keyedTableMade = true;
      }
    }
    if (!whole.empty()) EnsureWhole(whole);
  }

  // Where a query runs: the connection whose tables answer it, after loading what it needs.
  Connection& Ready(std::string_view jetSql) {
    const JetQueryShape shape = AnalyzeJetSql(jetSql);
    // The columns of each table of the catalog that the query names.
    std::vector<std::pair<int, std::vector<bool>>> needs;
    for (std::size_t t = 0; t < tables.size(); ++t) {
      bool named = false;
      for (const std::string& n : shape.names) named = named || SameJetName(n, tables[t].name);
      if (!named) continue;
      std::vector<bool> columns(tables[t].columns.size(), shape.star);
      for (std::size_t c = 0; c < columns.size() && !shape.star; ++c) {
        for (const std::string& n : shape.names) {
          if (SameJetName(n, tables[t].columns[c].name)) columns[c] = true;
        }
      }
      needs.emplace_back(static_cast<int>(t), std::move(columns));
    }
    if (shape.lookup) {
      const int t = FindTable(shape.lookup->table);
      const int column = t >= 0 ? FindColumn(t, shape.lookup->column) : -1;
      if (t >= 0 && column >= 0 && needs.size() == 1 && needs[0].first == t) {
        const TableState& s = state[static_cast<std::size_t>(t)];
        if (HoldsAll(s.whole, needs[0].second)) return *main;
        EnsureKeyed({{t, column}}, shape.lookup->value);
        if (HoldsAll(s.whole, needs[0].second)) return *main;
        if (std::binary_search(s.keys.begin(), s.keys.end(), shape.lookup->value) &&
            s.keyColumn == column) {
          return *keyed;
        }
      }
    }
    EnsureWhole(needs);
    if (!main) main = NewConnection(subject);
    return *main;
  }

  RecordSet Prepare(const std::shared_ptr<Connection>& connection, const std::string& sqliteSql,
                    std::string_view jetSql) {
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

  std::shared_ptr<Connection> Shared(const Connection& c) const {
    if (main && main.get() == &c) return main;
    return keyed;
  }
};

TestDatabase::TestDatabase(std::filesystem::path file, JetReaderOptions reader,
                           ShortDateFormat dates, DiskCacheOptions cache)
    : impl_(std::make_unique<Impl>()) {
  ETracker guard(kTestDatabaseModule, "Open");
  impl_->file = std::move(file);
  impl_->subject = impl_->file.string();
  impl_->reader = std::move(reader);
  impl_->dates = dates;
  impl_->diskCache = std::move(cache);
  impl_->CheckFile();
  if (!impl_->AdoptDiskCache()) {
    impl_->StartReader();
    impl_->main = NewConnection(impl_->subject);
  }
}

TestDatabase::~TestDatabase() = default;
TestDatabase::TestDatabase(TestDatabase&&) noexcept = default;
TestDatabase& TestDatabase::operator=(TestDatabase&&) noexcept = default;

const std::filesystem::path& TestDatabase::file() const noexcept { return impl_->file; }
const ShortDateFormat& TestDatabase::dateFormat() const noexcept { return impl_->dates; }
void TestDatabase::SetDateFormat(const ShortDateFormat& dates) noexcept { impl_->dates = dates; }
std::uint32_t TestDatabase::jetVersion() const noexcept { return impl_->jetVersion; }
const std::vector<JetTableInfo>& TestDatabase::tables() const noexcept { return impl_->tables; }
void TestDatabase::SetProgress(DatabaseProgressFn progress) {
  impl_->progress = std::move(progress);
}
bool TestDatabase::StartedFromDiskCache() const noexcept { return impl_->fromDiskCache; }

bool TestDatabase::HasTable(std::string_view name) const noexcept {
  return impl_->FindTable(name) >= 0;
}

std::string TestDatabase::Translate(std::string_view jetSql) const {
  return TranslateJetSql(jetSql, impl_->dates);
}

RecordSet TestDatabase::OpenRecordSet(std::string_view jetSql) {
  ETracker guard(kTestDatabaseModule, "OpenRecordSet");
  const std::string sql = TranslateJetSql(jetSql, impl_->dates);
  Connection& connection = impl_->Ready(jetSql);
  return impl_->Prepare(impl_->Shared(connection), sql, jetSql);
}

RecordSet TestDatabase::OpenTable(std::string_view table) {
  ETracker guard(kTestDatabaseModule, "OpenTable");
  const int t = impl_->FindTable(table);
  if (t < 0) RaiseDatabaseError(kErrTableNotFound, table);
  const JetTableInfo& info = impl_->tables[static_cast<std::size_t>(t)];
  impl_->EnsureWhole({{t, std::vector<bool>(info.columns.size(), true)}});
  std::string sql = "SELECT * FROM " + SqliteQuotedName(info.name) + " ORDER BY ";
  if (info.primaryKey.empty()) {
    sql += "rowid";
  } else {
    for (std::size_t k = 0; k < info.primaryKey.size(); ++k) {
      if (k > 0) sql += ", ";
      sql += SqliteQuotedName(info.columns.at(info.primaryKey[k]).name);
    }
  }
  return impl_->Prepare(impl_->main, sql, table);
}

void TestDatabase::PrefetchRows(const std::vector<KeyedTable>& tables, std::int64_t key) {
  ETracker guard(kTestDatabaseModule, "PrefetchRows");
  std::vector<std::pair<int, int>> wanted;
  for (const KeyedTable& k : tables) {
    const int t = impl_->FindTable(k.table);
    const int column = t >= 0 ? impl_->FindColumn(t, k.column) : -1;
    if (column >= 0) wanted.emplace_back(t, column);
  }
  impl_->EnsureKeyed(wanted, key);
}

bool TestDatabase::FileUnchanged() const { return StampOf(impl_->file) == impl_->stamp; }

std::optional<std::string> TestDatabase::KeptResult(std::string_view key) {
  for (const auto& [k, v] : impl_->results) {
    if (k == key) return v;
  }
  std::optional<std::string> kept = ReadDiskCacheResult(impl_->diskCache, impl_->cacheStamp, key);
  if (kept) impl_->Remember(std::string(key), *kept);
  return kept;
}

void TestDatabase::KeepResult(std::string_view key, std::string value) {
  // Only while the file is as it was opened: the result is of that state.
  if (!impl_->diskCache.folder.empty() && StampOf(impl_->file) == impl_->stamp) {
    WriteDiskCacheResult(impl_->diskCache, impl_->cacheStamp, key, value);
  }
  impl_->Remember(std::string(key), std::move(value));
}

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

bool CheckTestDatabaseWith(const std::function<TestDatabase&()>& open, std::string* reason) {
  // The check handles its error itself: when it returns, nothing of it is left in the trace.
  ETracker guard(kTestDatabaseModule, "CheckTestDatabase");
  try {
    open().OpenRecordSet("SELECT ID FROM TblTest");
    return true;
  } catch (const RuntimeError& e) {
    const bool accepted = e.number() == kErrTableLocked || e.number() == kErrTableNotFound ||
                          e.number() == kErrNotValidPassword;
    if (!accepted && reason != nullptr) {
      *reason = "Error (" + std::to_string(e.number()) + ")    " + e.description();
    }
    return accepted;
  }
}

bool CheckTestDatabase(const std::filesystem::path& file, const JetReaderOptions& reader,
                       std::string* reason) {
  std::optional<TestDatabase> db;
  return CheckTestDatabaseWith(
      [&]() -> TestDatabase& {
        db.emplace(file, reader);
        return *db;
      },
      reason);
}

}  // namespace orv
