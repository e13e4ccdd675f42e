#include "airflow/jet_file_reader.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <ostream>
#include <span>
#include <stdexcept>

#include "airflow/jet_libmdb.h"
#include "airflow/jet_table_stream.h"
#include "base/byte_reader.h"

namespace orv {

namespace {

// Row offsets on a data page carry flags in their top bits (0x8000 overflow, 0x4000 deleted).
constexpr int kRowOffsetMask = 0x1FFF;
// Index type of a primary key in the table definition.
constexpr unsigned char kPrimaryKeyIndex = 0x01;

struct MdbCloser {
  void operator()(MdbHandle* mdb) const noexcept { mdb_close(mdb); }
};
struct TableFreer {
  void operator()(MdbTableDef* table) const noexcept { mdb_free_tabledef(table); }
};
struct GFreer {
  void operator()(char* text) const noexcept { g_free(text); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;
using TablePtr = std::unique_ptr<MdbTableDef, TableFreer>;
using GText = std::unique_ptr<char, GFreer>;

class ReadFailure final : public std::runtime_error {
 public:
  ReadFailure(JetReadStatus status, const std::string& what)
      : std::runtime_error(what), status_(status) {}
  JetReadStatus status() const noexcept { return status_; }

 private:
  JetReadStatus status_;
};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y && !(x < 0x80 && y < 0x80 && (x | 0x20) == (y | 0x20) && (x | 0x20) >= 'a' &&
                    (x | 0x20) <= 'z')) {
      return false;
    }
  }
  return true;
}

// An open database file and the user tables of its catalog. The catalog is read once: reading
// it again would free the tables opened from its entries.
class JetFile final {
 public:
  explicit JetFile(const std::filesystem::path& path) {
    // mdbtools searches MDBPATH for a file it cannot open and, with an empty element there,
    // never stops; so the file is checked here and the search path cleared.
    ::unsetenv("MDBPATH");
    ::unsetenv("MDBICONV");
    ::unsetenv("MDBOPTS");
    std::error_code ec;
    std::ifstream in(path, std::ios::binary);
    if (!std::filesystem::is_regular_file(path, ec) || !in) {
      throw ReadFailure(JetReadStatus::CannotOpenFile, "cannot open " + path.string());
    }
    // A Jet or Access database starts with 00 01 00 00 and "Standard Jet DB" (or "Standard ACE
    // DB"); nothing else is handed to mdbtools.
    char head[19] = {};
    in.read(head, sizeof head);
    const std::string_view signature(head + 4, 15);
    if (in.gcount() != sizeof head ||
        std::string_view(head, 4) != std::string_view("\0\1\0\0", 4) ||
        (signature != "Standard Jet DB" && signature != "Standard ACE DB")) {
      throw ReadFailure(JetReadStatus::NotJet, "not a Jet database: " + path.string());
    }
    mdb_.reset(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb_) throw ReadFailure(JetReadStatus::NotJet, "not a Jet database: " + path.string());
    GPtrArray* catalog = mdb_read_catalog(mdb_.get(), MDB_TABLE);
    if (catalog == nullptr) {
      throw ReadFailure(JetReadStatus::BadCatalog, "cannot read the list of tables");
    }
    for (guint i = 0; i < catalog->len; ++i) {
      auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
      if (entry != nullptr && entry->object_type == MDB_TABLE && mdb_is_user_table(entry)) {
        tables_.push_back(entry);
      }
    }
  }

  std::uint32_t JetVersion() const noexcept { return mdb_->f->jet_version; }
  const std::vector<MdbCatalogEntry*>& Tables() const noexcept { return tables_; }

  MdbCatalogEntry* Find(std::string_view name) const {
    for (MdbCatalogEntry* e : tables_) {
      if (e->object_name == name) return e;
    }
    for (MdbCatalogEntry* e : tables_) {
      if (SameName(e->object_name, name)) return e;
    }
    throw ReadFailure(JetReadStatus::NoSuchTable, "no table " + std::string(name));
  }

  MdbHandle* handle() const noexcept { return mdb_.get(); }

 private:
  MdbPtr mdb_;
  std::vector<MdbCatalogEntry*> tables_;
};

JetColumnType TypeOf(const MdbColumn& column) {
  switch (column.col_type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_DATETIME:
    case MDB_BINARY:
    case MDB_TEXT:
    case MDB_OLE:
    case MDB_MEMO:
    case MDB_REPID:
    case MDB_NUMERIC:
      return static_cast<JetColumnType>(column.col_type);
    default:
      return JetColumnType::Unknown;
  }
}

std::string ConvertText(MdbHandle* mdb, const MdbField& field, int type) {
  GText text(mdb_col_to_string(mdb, mdb->pg_buf, field.start, type, field.siz));
  return text ? std::string(text.get()) : std::string();
}

// One open table being written to the stream.
class TableWriter final {
 public:
  TableWriter(const JetFile& file, MdbCatalogEntry* entry) : mdb_(file.handle()) {
    table_.reset(mdb_read_table(entry));
    if (!table_) throw ReadFailure(JetReadStatus::BadTable, "cannot read table " + Name(entry));
    if (mdb_read_columns(table_.get()) == nullptr || table_->columns == nullptr) {
      throw ReadFailure(JetReadStatus::BadTable, "cannot read the columns of " + Name(entry));
    }
    if (table_->columns->len == 0 || table_->columns->len > kJetMaxColumns) {
      throw ReadFailure(JetReadStatus::BadTable, "unusable column count in " + Name(entry));
    }
    info_.name = Name(entry);
    for (guint i = 0; i < table_->columns->len; ++i) {
      const auto* c = static_cast<const MdbColumn*>(g_ptr_array_index(table_->columns, i));
      info_.columns.push_back({std::string(c->name), TypeOf(*c)});
      columns_.push_back(c);
    }
    ReadPrimaryKey();
  }

  const JetTableInfo& info() const noexcept { return info_; }

  void WriteRows(JetStreamWriter& out) {
    const std::size_t n = columns_.size();
    std::vector<MdbField> fields(MDB_MAX_COLS + 1);
    std::vector<JetCell> cells(n);
    std::vector<std::string> texts(n);
    mdb_rewind_table(table_.get());
    while (mdb_fetch_row(table_.get())) {
      int start = 0;
      size_t length = 0;
      if (table_->cur_row == 0 ||
          mdb_find_row(mdb_, static_cast<int>(table_->cur_row) - 1, &start, &length) != 0) {
        throw ReadFailure(JetReadStatus::BadTable, "cannot locate a row of " + info_.name);
      }
      const int count = mdb_crack_row(table_.get(), start & kRowOffsetMask, length, fields.data());
      if (count < 0 || static_cast<std::size_t>(count) > fields.size()) {
        throw ReadFailure(JetReadStatus::BadTable, "cannot read a row of " + info_.name);
      }
      for (JetCell& c : cells) c = JetCell{};
      // Long values are read last: reading them visits other pages.
      for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < count; ++i) {
          const MdbField& f = fields[static_cast<std::size_t>(i)];
          if (f.colnum < 0 || static_cast<std::size_t>(f.colnum) >= n) continue;
          const auto col = static_cast<std::size_t>(f.colnum);
          const bool isMemo = columns_[col]->col_type == MDB_MEMO;
          if (isMemo != (pass == 1)) continue;
          cells[col] = Decode(*columns_[col], f, texts[col]);
        }
      }
      out.Row(cells);
    }
  }

 private:
  static std::string Name(const MdbCatalogEntry* entry) { return entry->object_name; }

  void ReadPrimaryKey() {
    // The index list is read into the table (the call's own result is no guide).
    mdb_read_indices(table_.get());
    GPtrArray* indices = table_->indices;
    if (indices == nullptr) return;
    for (guint i = 0; i < indices->len; ++i) {
      const auto* idx = static_cast<const MdbIndex*>(g_ptr_array_index(indices, i));
      if (idx == nullptr || idx->index_type != kPrimaryKeyIndex) continue;
      std::vector<std::uint16_t> key;
      for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
        // Key columns are numbered from 1 by their column number.
        const int colNum = idx->key_col_num[k] - 1;
        for (std::size_t c = 0; c < columns_.size(); ++c) {
          if (columns_[c]->col_num == colNum) key.push_back(static_cast<std::uint16_t>(c));
        }
      }
      if (key.size() == idx->num_keys && key.size() <= kJetMaxKeyColumns) info_.primaryKey = key;
      return;
    }
  }

  // The value of one field of the current row, read from the page as it is stored: numbers
  // with every bit (no text formatting), dates as day numbers, flags from the null mask.
  JetCell Decode(const MdbColumn& column, const MdbField& f, std::string& text) const {
    JetCell cell;
    if (column.col_type == MDB_BOOL) {
      // A flag is stored as its bit of the null mask: set is true.
      cell.kind = JetCell::Kind::Integer;
      cell.integer = f.is_null ? 0 : 1;
      return cell;
    }
    if (f.is_null) return cell;
    const ByteReader page({mdb_->pg_buf, static_cast<std::size_t>(mdb_->fmt->pg_size)});
    if (f.start < 0 || f.siz < 0) return cell;
    const auto at = static_cast<std::size_t>(f.start);
    const auto size = static_cast<std::size_t>(f.siz);
    auto fixed = [&](std::size_t need) { return size >= need && page.Has(at, need); };
    switch (column.col_type) {
      case MDB_BYTE:
        if (!fixed(1)) return cell;
        cell.kind = JetCell::Kind::Integer;
        cell.integer = page.U8(at);
        return cell;
      case MDB_INT:
        if (!fixed(2)) return cell;
        cell.kind = JetCell::Kind::Integer;
        cell.integer = page.I16(at);
        return cell;
      case MDB_LONGINT:
        if (!fixed(4)) return cell;
        cell.kind = JetCell::Kind::Integer;
        cell.integer = page.I32(at);
        return cell;
      case MDB_MONEY: {
        if (!fixed(8)) return cell;
        const std::uint64_t raw = static_cast<std::uint64_t>(page.U32(at)) |
                                  (static_cast<std::uint64_t>(page.U32(at + 4)) << 32);
        cell.kind = JetCell::Kind::Real;
        cell.real = static_cast<double>(static_cast<std::int64_t>(raw)) / 10000.0;
        return cell;
      }
      case MDB_FLOAT:
        if (!fixed(4)) return cell;
        cell.kind = JetCell::Kind::Real;
        cell.real = static_cast<double>(page.F32(at));
        return cell;
      case MDB_DOUBLE:
      case MDB_DATETIME:
        if (!fixed(8)) return cell;
        cell.kind = JetCell::Kind::Real;
        cell.real = page.F64(at);
        return cell;
      case MDB_BINARY:
        if (!page.Has(at, size)) return cell;
        text = page.Raw(at, size);
        cell.kind = JetCell::Kind::Blob;
        cell.bytes = text;
        return cell;
      case MDB_TEXT:
      case MDB_MEMO:
      case MDB_REPID:
        // A present text of no bytes is the empty text, not NULL.
        text = size == 0 ? std::string() : ConvertText(mdb_, f, column.col_type);
        cell.kind = JetCell::Kind::Text;
        cell.bytes = text;
        return cell;
      case MDB_NUMERIC: {
        // Scaled decimals have no binary float form; their exact decimal text is kept.
        GText value(mdb_numeric_to_string(mdb_, f.start, column.col_scale, column.col_prec));
        if (!value) return cell;
        text = value.get();
        cell.kind = JetCell::Kind::Text;
        cell.bytes = text;
        return cell;
      }
      default:
        // Long binary (OLE) and other types are not read.
        return cell;
    }
  }

  MdbHandle* mdb_;
  TablePtr table_;
  JetTableInfo info_;
  std::vector<const MdbColumn*> columns_;
};

}  // namespace

JetReadStatus RunJetRead(const std::filesystem::path& file, const std::vector<std::string>& tables,
                         bool withRows, std::ostream& out, std::ostream& err) {
  try {
    JetFile db(file);
    std::vector<MdbCatalogEntry*> entries;
    if (withRows) {
      for (const std::string& name : tables) entries.push_back(db.Find(name));
    } else {
      entries = db.Tables();
    }
    JetStreamWriter writer(out);
    writer.Begin(db.JetVersion(), withRows, static_cast<std::uint32_t>(entries.size()));
    for (MdbCatalogEntry* entry : entries) {
      TableWriter table(db, entry);
      writer.BeginTable(table.info());
      if (withRows) table.WriteRows(writer);
      writer.EndTable();
    }
    if (!writer.End()) {
      err << "orvantis jet-read: cannot write the tables\n";
      return JetReadStatus::OutputFailed;
    }
    return JetReadStatus::Ok;
  } catch (const ReadFailure& e) {
    err << "orvantis jet-read: " << e.what() << '\n';
    return e.status();
  } catch (const ByteRangeError& e) {
    err << "orvantis jet-read: a value lies outside its page: " << e.what() << '\n';
    return JetReadStatus::BadTable;
  } catch (const std::exception& e) {
    err << "orvantis jet-read: " << e.what() << '\n';
    return JetReadStatus::BadTable;
  }
}

}  // namespace orv
