#include "airflow/jet_file_reader.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <span>
#include <stdexcept>
#include <streambuf>
#include <string_view>
#include <thread>

#include "airflow/jet_libmdb.h"
#include "airflow/jet_table_stream.h"
#include "base/atomic_file.h"
#include "base/byte_reader.h"

namespace orv {

namespace {

// Row offsets on a data page carry flags in their top bits (0x8000 overflow, 0x4000 deleted).
constexpr int kRowOffsetMask = 0x1FFF;
constexpr int kDeletedRowFlag = 0x4000;
// The catalog table, which lists the others, and its definition page.
constexpr const char* kCatalogTable = "MSysObjects";
constexpr std::uint32_t kCatalogDefinitionPage = 2;
// Catalog rows of tables have this type (in the low seven bits); tables of the system carry one
// of these flags.
constexpr int kCatalogTableType = 1;
constexpr std::uint32_t kSystemTableFlags = 0x80000002u;
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

// An open descriptor, closed when it goes.
class Descriptor final {
 public:
  Descriptor() = default;
  ~Descriptor() { Reset(-1); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  // Holds `fd` in place of the one held (which is closed).
  void Reset(int fd) noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int get() const noexcept { return fd_; }

 private:
  int fd_ = -1;
};

class ReadFailure final : public std::runtime_error {
 public:
  ReadFailure(JetReadStatus status, const std::string& what)
      : std::runtime_error(what), status_(status) {}
  JetReadStatus status() const noexcept { return status_; }

 private:
  JetReadStatus status_;
};

// Writes straight to a descriptor (the table stream buffers its bytes itself).
class DescriptorOutput final : public std::streambuf {
 public:
  explicit DescriptorOutput(int fd) : fd_(fd) {}

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::streamsize done = 0;
    while (done < n) {
      const ssize_t w = ::write(fd_, s + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return done;
      done += w;
    }
    return done;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
  }

 private:
  int fd_;
};

// Reads exactly `n` bytes; false at the end of the input before the first byte, a failure
// after it.
bool ReadExactly(int fd, char* into, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t r = ::read(fd, into + done, n - done);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) throw ReadFailure(JetReadStatus::BadRequest, std::strerror(errno));
    if (r == 0) {
      if (done == 0) return false;
      throw ReadFailure(JetReadStatus::BadRequest, "a request ends early");
    }
    done += static_cast<std::size_t>(r);
  }
  return true;
}

// Where row `r` of a data page lies (as mdbtools' own row finder has it): its start with the
// flags in the top bits, and its length; false when its place is not on the page. A page
// holds its rows' starts, u16 each, from the row count on; a row ends where the one before it
// starts (the first at the end of the page). A row lies below the end of the page and above
// the list of starts, and is at least one byte long.
bool FindRow(const ByteReader& page, std::size_t rowCountAt, std::uint16_t r, int& start,
             std::size_t& length) {
  const std::size_t at = rowCountAt + 2 + 2 * std::size_t{r};
  if (!page.Has(rowCountAt, 2) || r > 1000 || r >= page.U16(rowCountAt) || !page.Has(at, 2)) {
    return false;
  }
  start = page.U16(at);
  const std::size_t firstRowAt = rowCountAt + 2 + 2 * std::size_t{page.U16(rowCountAt)};
  const std::size_t next = r == 0 ? page.size() : (page.U16(at - 2) & kRowOffsetMask);
  const auto begin = static_cast<std::size_t>(start & kRowOffsetMask);
  if (begin < firstRowAt || begin >= next || next > page.size()) return false;
  length = next - begin;
  return true;
}

// Row pointers (page << 8 | row) name rows of other pages: a table's page maps, the pieces of
// a long value.
struct RowPlace {
  std::uint32_t page = 0;
  std::size_t start = 0;
  std::size_t length = 0;
};

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
    // Only a regular file is opened, without waiting on a named pipe or a device; mdbtools
    // then opens the very file checked, through its descriptor.
    std::string reason;
    const int fd = OpenRegularFile(path, &reason);
    if (fd < 0) throw ReadFailure(JetReadStatus::CannotOpenFile, "cannot open " + reason);
    // Held from here on, so that it is closed however the opening ends.
    fd_.Reset(fd);
    // A Jet or Access database starts with 00 01 00 00 and "Standard Jet DB" (or "Standard ACE
    // DB"); nothing else is handed to mdbtools.
    char head[19] = {};
    ssize_t got = 0;
    do {
      got = ::pread(fd_.get(), head, sizeof head, 0);
    } while (got < 0 && errno == EINTR);
    const std::string_view signature(head + 4, 15);
    if (got != static_cast<ssize_t>(sizeof head) ||
        std::string_view(head, 4) != std::string_view("\0\1\0\0", 4) ||
        (signature != "Standard Jet DB" && signature != "Standard ACE DB")) {
      throw ReadFailure(JetReadStatus::NotJet, "not a Jet database: " + path.string());
    }
    const std::string checked = "/proc/self/fd/" + std::to_string(fd_.get());
    mdb_.reset(mdb_open(checked.c_str(), MDB_NOFLAGS));
    if (!mdb_) throw ReadFailure(JetReadStatus::NotJet, "not a Jet database: " + path.string());
    // The catalog is a table like the others, its definition always on page 2.
    CheckTableDefinition(kCatalogDefinitionPage, kCatalogTable, JetReadStatus::BadCatalog);
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
  // mdbtools' handle is closed before the descriptor it was opened through.
  ~JetFile() = default;
  JetFile(const JetFile&) = delete;
  JetFile& operator=(const JetFile&) = delete;

  std::uint32_t JetVersion() const noexcept { return mdb_->f->jet_version; }
  bool IsJet3() const noexcept { return mdb_->f->jet_version == MDB_VER_JET3; }
  const std::vector<MdbCatalogEntry*>& Tables() const noexcept { return tables_; }
  MdbHandle* handle() const noexcept { return mdb_.get(); }

  // Reads page `page` into mdbtools' page buffer, as its own page read does; false beyond the
  // end of the file. mdbtools makes three system calls for every page (a size check, a seek,
  // a read); a table's pages mostly lie in runs, so they are read here a run at a time. Pages
  // of an encrypted file are left to mdbtools, which decrypts them.
  bool ReadPage(std::uint32_t page) {
    MdbHandle* mdb = mdb_.get();
    const auto size = static_cast<std::size_t>(mdb->fmt->pg_size);
    if (mdb->f->db_key != 0 || size == 0 || size > sizeof mdb->pg_buf) {
      return mdb_read_pg(mdb, page) == static_cast<ssize_t>(size);
    }
    const unsigned char* bytes = Page(page);
    if (bytes == nullptr) return false;
    std::memcpy(mdb->pg_buf, bytes, size);
    return true;
  }

  // The bytes of page `page` as the file holds them (encrypted files aside), or null beyond
  // its end; valid until the next read.
  const unsigned char* Page(std::uint32_t page) {
    MdbHandle* mdb = mdb_.get();
    const auto size = static_cast<std::size_t>(mdb->fmt->pg_size);
    if (size == 0) return nullptr;
    if (page < runFirst_ || page >= runFirst_ + runPages_) {
      run_.resize(kRunPages * size);
      ssize_t got = 0;
      do {
        got = ::pread(fd_.get(), run_.data(), run_.size(),
                      static_cast<off_t>(page) * static_cast<off_t>(size));
      } while (got < 0 && errno == EINTR);
      runFirst_ = page;
      runPages_ = got > 0 ? static_cast<std::uint32_t>(static_cast<std::size_t>(got) / size) : 0;
      if (runPages_ == 0) return nullptr;
    }
    return run_.data() + (page - runFirst_) * size;
  }

  // The row `pointer` (page << 8 | row) names, on a data page whose owner is `owner` (a
  // table's definition page, or the "LVAL" of long values; any owner when empty): where it
  // lies, and the page's bytes (valid until the next read), or null when no such row is there.
  // A deleted row is no row.
  const unsigned char* Row(std::uint32_t pointer, std::optional<std::uint32_t> owner,
                           RowPlace& place) {
    MdbHandle* mdb = mdb_.get();
    const auto size = static_cast<std::size_t>(mdb->fmt->pg_size);
    const std::uint32_t number = pointer >> 8;
    const unsigned char* bytes = nullptr;
    if (Encrypted()) {
      if (size > sizeof mdb->alt_pg_buf ||
          mdb_read_alt_pg(mdb, number) != static_cast<ssize_t>(size)) {
        return nullptr;
      }
      bytes = mdb->alt_pg_buf;
    } else {
      bytes = Page(number);
    }
    if (bytes == nullptr) return nullptr;
    const ByteReader page({bytes, size});
    if (page.U8(0) != MDB_PAGE_DATA || (owner && page.U32(4) != *owner)) return nullptr;
    int start = 0;
    std::size_t length = 0;
    if (!FindRow(page, mdb->fmt->row_count_offset, static_cast<std::uint16_t>(pointer & 0xFF),
                 start, length) ||
        (start & kDeletedRowFlag) != 0) {
      return nullptr;
    }
    place = {number, static_cast<std::size_t>(start & kRowOffsetMask), length};
    return bytes;
  }

  // Checks what mdbtools reads of a table before it reads the table: its definition page and
  // the two page maps it names, whose rows it copies and (the map of used pages) walks without
  // checking them. Raises `status` with the reason when one of them is not usable.
  //
  // Definition page: 0 u8 0x02; the row pointers of the map of used pages and of the map of
  // pages with free space at the offsets mdbtools' format constants give (Jet 3 and 4 apart).
  void CheckTableDefinition(std::uint32_t definitionPage, const std::string& name,
                            JetReadStatus status) {
    MdbHandle* mdb = mdb_.get();
    const auto size = static_cast<std::size_t>(mdb->fmt->pg_size);
    const auto fail = [&](const std::string& what) {
      throw ReadFailure(status, "the table " + name + " is damaged: " + what);
    };
    std::uint32_t usedMap = 0;
    std::uint32_t freeMap = 0;
    {
      const unsigned char* bytes = Encrypted() ? nullptr : Page(definitionPage);
      if (Encrypted()) {
        if (size <= sizeof mdb->alt_pg_buf &&
            mdb_read_alt_pg(mdb, definitionPage) == static_cast<ssize_t>(size)) {
          bytes = mdb->alt_pg_buf;
        }
      }
      if (bytes == nullptr) fail("its definition lies beyond the end of the file");
      const ByteReader page({bytes, size});
      if (page.U8(0) != MDB_PAGE_TABLE) fail("its definition page is not one");
      if (!page.Has(mdb->fmt->tab_usage_map_offset, 4) ||
          !page.Has(mdb->fmt->tab_free_map_offset, 4)) {
        fail("its definition is cut short");
      }
      usedMap = page.U32(mdb->fmt->tab_usage_map_offset);
      freeMap = page.U32(mdb->fmt->tab_free_map_offset);
    }
    for (const bool used : {true, false}) {
      const std::uint32_t pointer = used ? usedMap : freeMap;
      RowPlace place;
      const unsigned char* bytes = Row(pointer, std::nullopt, place);
      if (bytes == nullptr) fail("its page map is empty or missing");
      // Of the map of pages with free space only its place is read.
      if (!used) continue;
      const ByteReader map({bytes + place.start, place.length});
      // A map is of type 0 (a first page and a bitmap) or 1 (pages holding bitmaps); mdbtools
      // reads the first page of type 0 without checking the map holds it.
      const int type = map.U8(0);
      if (type > 1 || place.length < 5) fail("its page map is of no known form");
      if (type == 1) {
        for (std::size_t at = 1; at + 4 <= place.length; at += 4) {
          const std::uint32_t mapPage = map.U32(at);
          if (mapPage != 0 && mapPage >= PageCount()) {
            fail("its page map names pages beyond the end of the file");
          }
        }
      }
    }
  }

  bool Encrypted() const noexcept { return mdb_->f->db_key != 0; }
  std::uint64_t PageCount() const {
    struct stat st {};
    const auto size = static_cast<std::uint64_t>(mdb_->fmt->pg_size);
    if (size == 0 || ::fstat(fd_.get(), &st) != 0 || st.st_size < 0) return 0;
    return static_cast<std::uint64_t>(st.st_size) / size;
  }

 private:
  static constexpr std::size_t kRunPages = 64;
  Descriptor fd_;
  MdbPtr mdb_;
  std::vector<MdbCatalogEntry*> tables_;
  std::vector<unsigned char> run_;
  std::uint32_t runFirst_ = 0;
  std::uint32_t runPages_ = 0;
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

bool IsWholeNumber(int colType) {
  return colType == MDB_BYTE || colType == MDB_INT || colType == MDB_LONGINT;
}

// The text of a field of `page` (a long text's of mdbtools' page buffer, which must hold the
// page) converted to UTF-8 by mdbtools.
std::string ConvertText(MdbHandle* mdb, const unsigned char* page, const MdbField& field,
                        int type) {
  GText text(
      mdb_col_to_string(mdb, const_cast<unsigned char*>(page), field.start, type, field.siz));
  return text ? std::string(text.get()) : std::string();
}

// A name the table stream can hand on: not empty, not too long.
bool Nameable(std::string_view name) { return !name.empty() && name.size() <= kJetMaxNameBytes; }

// One table of the file: its definition, read once, and its rows, read on request.
class TableReader final {
 public:
  TableReader(JetFile& file, MdbCatalogEntry* entry)
      : file_(file), mdb_(file.handle()), jet3_(file.IsJet3()) {
    info_.name = entry->object_name;
    table_.reset(mdb_read_table(entry));
    if (!table_)
      throw ReadFailure(JetReadStatus::BadTable,
                        "the table " + info_.name + " is damaged: its definition cannot be read");
    if (mdb_read_columns(table_.get()) == nullptr || table_->columns == nullptr) {
      throw ReadFailure(JetReadStatus::BadTable, "cannot read the columns of " + info_.name);
    }
    if (table_->columns->len == 0 || table_->columns->len > kJetMaxColumns) {
      throw ReadFailure(JetReadStatus::BadTable, "unusable column count in " + info_.name);
    }
    // Every table and column has a name (a definition that gives one none is damaged).
    if (!Nameable(info_.name)) {
      throw ReadFailure(JetReadStatus::BadCatalog,
                        "the list of tables is damaged: it names a table without a name");
    }
    int fixedSeen = 0;
    for (guint i = 0; i < table_->columns->len; ++i) {
      const auto* c = static_cast<const MdbColumn*>(g_ptr_array_index(table_->columns, i));
      if (!Nameable(c->name)) {
        throw ReadFailure(JetReadStatus::BadTable, "the table " + info_.name +
                                                       " is damaged: its column " +
                                                       std::to_string(i + 1) + " has no name");
      }
      info_.columns.push_back({std::string(c->name), TypeOf(*c)});
      columns_.push_back(c);
      fixedOrder_.push_back(c->is_fixed ? fixedSeen++ : -1);
    }
    info_.rowCount = table_->num_rows;
    ReadPrimaryKey();
  }

  const JetTableInfo& info() const noexcept { return info_; }

  // Writes the rows `request` asks for, with its columns, to `out`.
  void Write(JetStreamWriter& out, const JetRowRequest& request) {
    JetTableInfo sent;
    sent.name = info_.name;
    sent.rowCount = info_.rowCount;
    for (std::size_t c : Wanted(request)) sent.columns.push_back(info_.columns[c]);
    out.BeginTable(sent);
    Walk(request, [&](std::span<const JetCell> cells) { out.Row(cells); });
    out.EndTable();
  }

  // Hands the rows `request` asks for, with its columns, to `row`. A row whose place on its
  // page or whose counts are impossible, and a table that reads short of the rows its
  // definition holds, are damage.
  template <typename RowFn>
  void Walk(const JetRowRequest& request, RowFn&& row) {
    const std::vector<std::size_t> wanted = Wanted(request);
    if (request.keyed && (request.keyColumn >= columns_.size() ||
                          !IsWholeNumber(columns_[request.keyColumn]->col_type) ||
                          !columns_[request.keyColumn]->is_fixed)) {
      throw ReadFailure(JetReadStatus::BadRequest, "a key column that is not a whole number");
    }

    std::vector<MdbField> fields(columns_.size());
    std::vector<JetCell> cells(wanted.size());
    std::vector<std::string> texts(wanted.size());
    // The columns taken from each row: those asked for and the key.
    std::vector<std::size_t> read = wanted;
    if (request.keyed && std::find(read.begin(), read.end(), request.keyColumn) == read.end()) {
      read.push_back(request.keyColumn);
    }
    bool inBuffer = false;
    for (std::size_t c : wanted) {
      inBuffer =
          inBuffer || columns_[c]->col_type == MDB_MEMO || columns_[c]->col_type == MDB_NUMERIC;
    }
    const auto pageSize = static_cast<std::size_t>(mdb_->fmt->pg_size);
    const std::size_t rowCountAt = mdb_->fmt->row_count_offset;
    std::uint64_t rowsRead = 0;
    mdb_rewind_table(table_.get());
    pages_ = TablePages();
    nextPage_ = 0;
    while (const unsigned char* bytes = NextDataPage(inBuffer)) {
      const ByteReader page({bytes, std::min(pageSize, sizeof mdb_->pg_buf)});
      if (!page.Has(rowCountAt, 2)) break;
      const std::uint16_t rows = page.U16(rowCountAt);
      for (std::uint16_t r = 0; r < rows; ++r) {
        // A deleted row keeps its place in the list with a flag; it is passed over unread.
        const std::size_t startAt = rowCountAt + 2 + 2 * std::size_t{r};
        if (page.Has(startAt, 2) && (page.U16(startAt) & kDeletedRowFlag) != 0) continue;
        int start = 0;
        std::size_t length = 0;
        if (!FindRow(page, rowCountAt, r, start, length)) DamagedRow(r);
        const auto rowStart = static_cast<std::size_t>(start & kRowOffsetMask);
        if (request.keyed) {
          const std::optional<std::optional<std::int64_t>> key =
              KeyOf(page, rowStart, length, request.keyColumn);
          if (!key) DamagedRow(r);
          if (!*key || !std::binary_search(request.keys.begin(), request.keys.end(), **key)) {
            ++rowsRead;
            continue;
          }
        }
        if (!CrackRow(page, rowStart, length, read, fields)) DamagedRow(r);
        ++rowsRead;
        if (request.keyed) {
          // The row taken apart has the last word on its key.
          const MdbField& k = fields[request.keyColumn];
          const std::optional<std::int64_t> held = WholeNumber(page, k, request.keyColumn);
          if (!held || !std::binary_search(request.keys.begin(), request.keys.end(), *held)) {
            continue;
          }
        }
        // Long values are read last: reading them visits other pages.
        for (int pass = 0; pass < 2; ++pass) {
          for (std::size_t w = 0; w < wanted.size(); ++w) {
            const std::size_t col = wanted[w];
            const bool isMemo = columns_[col]->col_type == MDB_MEMO;
            if (isMemo != (pass == 1)) continue;
            cells[w] = Decode(page, bytes, *columns_[col], fields[col], texts[w]);
          }
        }
        row(std::span<const JetCell>(cells));
      }
    }
    if (rowsRead < info_.rowCount) {
      throw ReadFailure(JetReadStatus::BadTable,
                        "the table " + info_.name + " is damaged: its definition holds " +
                            std::to_string(info_.rowCount) + " rows, " + std::to_string(rowsRead) +
                            " of them could be read");
    }
  }

 private:
  std::vector<std::size_t> Wanted(const JetRowRequest& request) const {
    std::vector<std::size_t> wanted;
    if (request.columns.empty()) {
      for (std::size_t c = 0; c < columns_.size(); ++c) wanted.push_back(c);
    } else {
      for (std::uint16_t c : request.columns) {
        if (c >= columns_.size()) throw ReadFailure(JetReadStatus::BadRequest, "no such column");
        wanted.push_back(c);
      }
    }
    return wanted;
  }

  [[noreturn]] void DamagedRow(std::uint16_t r) const {
    throw ReadFailure(JetReadStatus::BadTable, "the table " + info_.name + " is damaged: row " +
                                                   std::to_string(r) + " of page " +
                                                   std::to_string(table_->cur_phys_pg) +
                                                   " does not fit its place");
  }

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

  // Moves mdbtools' page buffer to the table's next data page: the next page its usage map
  // names (or, when the map is of no known form, the next page of the file) that is a data
  // page of this table, as mdbtools' own walk does. False after the last.
  //
  // The page is read in place unless `inBuffer` (mdbtools' own readers of long texts and
  // decimals take their values from its buffer) or the file is encrypted. Returns the page's
  // bytes, or null after the last page.
  const unsigned char* NextDataPage(bool inBuffer) {
    MdbTableDef* t = table_.get();
    const auto size = static_cast<std::size_t>(mdb_->fmt->pg_size);
    while (nextPage_ < pages_.size()) {
      const std::uint32_t number = pages_[nextPage_++];
      const unsigned char* bytes = nullptr;
      if (inBuffer || file_.Encrypted()) {
        if (!file_.ReadPage(number)) return nullptr;
        bytes = mdb_->pg_buf;
      } else {
        bytes = file_.Page(number);
        if (bytes == nullptr) return nullptr;
      }
      t->cur_phys_pg = number;
      const ByteReader page({bytes, size});
      if (page.U8(0) == MDB_PAGE_DATA && page.U32(4) == t->entry->table_pg) return bytes;
    }
    return nullptr;
  }

  // The pages the table's usage map names, in ascending order (for a map of no known form,
  // every page of the file). The map, `map_sz` bytes:
  //   type 0:  0      u8    0
  //            1      u32   the page the first bit stands for, p
  //            5      ...   bitmap: bit b (low bit first) of byte k set when page p + 8k + b
  //                         belongs to the table
  //   type 1:  0      u8    1
  //            1 + 4m u32   for m = 0, 1, ...: a page holding the bitmap of pages
  //                         m * n .. m * n + n - 1, n = (page size - 4) * 8, from its byte 4
  //                         on as above (0: no such page)
  // A bitmap page that cannot be read ends the list: the rows on the pages it names cannot be
  // read either, and the table reads short.
  std::vector<std::uint32_t> TablePages() {
    std::vector<std::uint32_t> pages;
    const MdbTableDef* t = table_.get();
    // The map as the file holds it; a damaged one is reported here, when the table is read,
    // so that the other tables stay readable.
    if (t->entry == nullptr || t->entry->table_pg > 0xFFFFFFFFu) {
      throw ReadFailure(JetReadStatus::BadTable, "the table " + info_.name + " is damaged");
    }
    file_.CheckTableDefinition(static_cast<std::uint32_t>(t->entry->table_pg), info_.name,
                               JetReadStatus::BadTable);
    const auto pageSize = static_cast<std::size_t>(mdb_->fmt->pg_size);
    const std::size_t mapSize = t->usage_map == nullptr ? 0 : t->map_sz;
    if (mapSize == 0) {
      // (mdbtools itself stops with a null pointer on such a table.)
      throw ReadFailure(JetReadStatus::BadTable,
                        "the table " + info_.name + " is damaged: its page map is empty");
    }
    const ByteReader map({t->usage_map, mapSize});
    const int type = map.U8(0);
    if (type == 0 && mapSize >= 5) {
      const std::uint32_t first = map.U32(1);
      for (std::size_t bit = 0; bit < (mapSize - 5) * 8; ++bit) {
        if ((map.U8(5 + bit / 8) & (1u << (bit % 8))) != 0) {
          pages.push_back(first + static_cast<std::uint32_t>(bit));
        }
      }
      return pages;
    }
    if (type == 1 && !file_.Encrypted() && pageSize > 4) {
      const std::size_t bitsPerPage = (pageSize - 4) * 8;
      for (std::size_t m = 0; 1 + 4 * m + 4 <= mapSize; ++m) {
        const std::uint32_t mapPage = map.U32(1 + 4 * m);
        if (mapPage == 0) continue;
        const unsigned char* bytes = file_.Page(mapPage);
        if (bytes == nullptr) return pages;
        // The bitmap is copied: reading the data pages moves the run the pointer is in.
        const std::vector<unsigned char> bitmap(bytes + 4, bytes + pageSize);
        for (std::size_t bit = 0; bit < bitsPerPage; ++bit) {
          if ((bitmap[bit / 8] & (1u << (bit % 8))) != 0) {
            pages.push_back(static_cast<std::uint32_t>(m * bitsPerPage + bit));
          }
        }
      }
      return pages;
    }
    if (type == 1) {
      // An encrypted file's bitmap pages are read through mdbtools.
      for (gint32 p = mdb_map_find_next(mdb_, t->usage_map, t->map_sz, 0); p > 0;
           p = mdb_map_find_next(mdb_, t->usage_map, t->map_sz, static_cast<guint32>(p))) {
        pages.push_back(static_cast<std::uint32_t>(p));
      }
      return pages;
    }
    const std::uint64_t count = file_.PageCount();
    for (std::uint64_t p = 1; p < count && p <= 0xFFFFFFFFu; ++p) {
      pages.push_back(static_cast<std::uint32_t>(p));
    }
    return pages;
  }

  // Finds where the value of each column of `read` lies in the row at `rowStart` (`length`
  // bytes) of `page`, into `fields` (indexed by column, as mdbtools' own row reader gives
  // them); false for a row whose counts do not fit it, or whose value of one of those columns
  // lies outside it. It takes the row apart as mdbtools does, for the columns wanted only.
  //
  // A row (offsets from its start s to its last byte e; Jet 3 keeps the counts in one byte):
  //   s              u8 / u16   number of columns the row holds, n
  //   s + 1 / s + 2  ...        the first n - v fixed-length columns of the table, each at its
  //                             offset of the table definition from here
  //   ...                       the variable-length columns
  //   ...                       where each variable-length column k = 0..v starts, from s
  //                             (entry v: where the last one ends):
  //                               Jet 4: u16 at e - m - 2 - 2k;
  //                               Jet 3: u8 at e - m - j - 1 - k, plus 256 for each of the j
  //                               jump bytes before it (from e - m - 1 backwards) that name
  //                               a k' <= k
  //   e - m - 1 (Jet 4: u16 ending there; Jet 3: u8 at e - m)
  //                             number of variable-length columns the row holds, v (when the
  //                             table has such columns)
  //   e - m + 1 .. e m bytes    null mask, m = (n + 7) / 8: bit b of byte k set when column
  //                             number 8k + b holds a value (a flag's value is its bit)
  bool CrackRow(const ByteReader& page, std::size_t rowStart, std::size_t length,
                const std::vector<std::size_t>& read, std::vector<MdbField>& fields) const {
    if (length == 0 || !page.Has(rowStart, length)) return false;
    // The row's bytes, read through `at` (relative to the page, as mdbtools counts) only within
    // the row: a count that points outside it makes the row unreadable.
    const std::uint8_t* row = page.Bytes(rowStart, length).data();
    bool outside = false;
    auto u8 = [&](std::uint32_t at) -> std::uint32_t {
      if (at < rowStart || at - rowStart >= length) {
        outside = true;
        return 0;
      }
      return row[at - rowStart];
    };
    auto u16 = [&](std::uint32_t at) { return u8(at) | (u8(at + 1) << 8); };
    // Offsets are compared as mdbtools compares them: as 32-bit unsigned page offsets.
    const auto start = static_cast<std::uint32_t>(rowStart);
    const auto end = static_cast<std::uint32_t>(rowStart + length - 1);
    const std::uint32_t countSize = jet3_ ? 1 : 2;
    const std::uint32_t rowColumns = jet3_ ? u8(start) : u16(start);
    const std::uint32_t maskSize = (rowColumns + 7) / 8;
    if (maskSize + (jet3_ ? 0 : 1) >= end || maskSize >= length) return false;
    const std::uint32_t maskAt = end - maskSize + 1;
    std::uint32_t varColumns = 0;
    offsets_.clear();
    if (table_->num_var_cols > 0) {
      varColumns = jet3_ ? u8(end - maskSize) : u16(end - maskSize - 1);
      if (jet3_) {
        const std::uint32_t rowLength = end - start + 1;
        std::uint32_t jumps = (rowLength - 1) / 256;
        const std::uint32_t columnAt = end - maskSize - jumps - 1;
        // The last jump byte may be a filler.
        if ((columnAt - start - varColumns) / 256 < jumps) --jumps;
        if (maskSize + jumps + 1 > end) return false;
        std::uint32_t used = 0;
        for (std::uint32_t i = 0; i < varColumns + 1 && !outside; ++i) {
          while (used < jumps && i == u8(end - maskSize - used - 1) && !outside) ++used;
          offsets_.push_back(u8(columnAt - i) + used * 256);
        }
      } else {
        if (maskSize + 3 + varColumns * 2 + 2 > end) return false;
        for (std::uint32_t i = 0; i < varColumns + 1 && !outside; ++i) {
          offsets_.push_back(u16(end - maskSize - 3 - i * 2));
        }
      }
      if (outside) return false;
    }
    const std::uint8_t* mask = row + (maskAt - start);
    const std::uint32_t fixedColumns = rowColumns - varColumns;
    for (std::size_t i : read) {
      const MdbColumn& c = *columns_[i];
      MdbField& f = fields[i];
      f.colnum = static_cast<int>(i);
      f.is_fixed = c.is_fixed;
      // mdbtools reads the mask byte of a column even past the mask; here a column past the
      // row's mask reads as NULL (no such column is in the row anyway).
      const auto bit = static_cast<std::uint32_t>(c.col_num);
      f.is_null = bit / 8 >= maskSize || (mask[bit / 8] & (1u << (bit % 8))) == 0;
      if (c.is_fixed && static_cast<std::uint32_t>(fixedOrder_[i]) < fixedColumns) {
        f.start = static_cast<int>(start + countSize) + c.fixed_offset;
        f.siz = c.col_size;
      } else if (!c.is_fixed && c.var_col_num < varColumns) {
        f.start = static_cast<int>(start + offsets_[c.var_col_num]);
        f.siz = static_cast<int>(offsets_[c.var_col_num + 1]) -
                static_cast<int>(offsets_[c.var_col_num]);
      } else {
        f.start = 0;
        f.siz = 0;
        f.is_null = 1;
      }
      if (f.siz < 0 || (f.siz > 0 && static_cast<std::size_t>(f.start) < rowStart) ||
          static_cast<std::size_t>(f.start + f.siz) > rowStart + length) {
        return false;
      }
    }
    return !outside;
  }

  // The key column of the row at `rowStart`, read without taking the whole row apart: nothing
  // when the row cannot be read, an empty value when the key is NULL or not in the row.
  //
  // A row (offsets from its start; Jet 3 keeps its counts in one byte, Jet 4 in two):
  //   0                      u8 / u16   number of columns the row holds, n
  //   1 / 2                  ...        the fixed-length columns, each at its offset in the
  //                                     table definition from here, in column order
  //   ...                               variable-length columns
  //   end - m - 1 (Jet 4: two bytes ending there; Jet 3: one byte there)
  //                                     number of variable-length columns the row holds, v
  //                                     (only when the table has such columns)
  //   end - m + 1 .. end     m bytes    null mask, m = (n + 7) / 8: bit b of byte k set when
  //                                     column number 8k + b holds a value
  // The row holds the first n - v fixed-length columns of the table.
  std::optional<std::optional<std::int64_t>> KeyOf(const ByteReader& page, std::size_t rowStart,
                                                   std::size_t length,
                                                   std::uint16_t keyColumn) const {
    const std::size_t countSize = jet3_ ? 1 : 2;
    if (length <= countSize || !page.Has(rowStart, length)) return std::nullopt;
    const std::size_t rowEnd = rowStart + length - 1;
    const std::size_t rowColumns = jet3_ ? page.U8(rowStart) : page.U16(rowStart);
    const std::size_t maskSize = (rowColumns + 7) / 8;
    if (maskSize + countSize >= length) return std::nullopt;
    const std::size_t maskAt = rowEnd - maskSize + 1;
    std::size_t rowVarColumns = 0;
    if (table_->num_var_cols > 0) {
      const std::size_t at = rowEnd - maskSize - (jet3_ ? 0 : 1);
      if (at < rowStart + countSize) return std::nullopt;
      rowVarColumns = jet3_ ? page.U8(at) : page.U16(at);
    }
    if (rowVarColumns > rowColumns) return std::nullopt;
    const MdbColumn& column = *columns_[keyColumn];
    const int fixedIndex = fixedOrder_[keyColumn];
    const std::optional<std::int64_t> none;
    if (fixedIndex < 0 || static_cast<std::size_t>(fixedIndex) >= rowColumns - rowVarColumns) {
      return none;
    }
    const auto bit = static_cast<std::size_t>(column.col_num);
    if (bit / 8 >= maskSize || (page.U8(maskAt + bit / 8) & (1u << (bit % 8))) == 0) {
      return none;
    }
    MdbField field{};
    field.start = static_cast<int>(rowStart + countSize) + column.fixed_offset;
    field.siz = column.col_size;
    if (field.start < 0 ||
        static_cast<std::size_t>(field.start) + static_cast<std::size_t>(field.siz) >
            rowStart + length) {
      return std::nullopt;
    }
    const std::optional<std::int64_t> value = WholeNumber(page, field, keyColumn);
    if (!value) return std::nullopt;
    return value;
  }

  // The value of a whole-number field, or nothing when it is NULL or lies outside the page.
  std::optional<std::int64_t> WholeNumber(const ByteReader& page, const MdbField& f,
                                          std::size_t column) const {
    if (f.is_null || f.start < 0) return std::nullopt;
    const auto at = static_cast<std::size_t>(f.start);
    switch (columns_[column]->col_type) {
      case MDB_BYTE:
        if (f.siz < 1 || !page.Has(at, 1)) return std::nullopt;
        return page.U8(at);
      case MDB_INT:
        if (f.siz < 2 || !page.Has(at, 2)) return std::nullopt;
        return page.I16(at);
      case MDB_LONGINT:
        if (f.siz < 4 || !page.Has(at, 4)) return std::nullopt;
        return page.I32(at);
      default:
        return std::nullopt;
    }
  }

  // Checks the long value (memo) of field `f` before mdbtools reads it, and raises damage when
  // its pieces cannot be read whole: a row pointer that names no row of a long-value page, a
  // chain of pieces that comes back on itself, or one longer than the value.
  //
  // A long value in the row, 12 bytes:
  //   0  u32  its length in bytes (low 24 bits) and its form (top byte): 0x80 the value follows
  //           here; 0x40 it is the row of a long-value page named at 4; 0x00 it is a chain of
  //           such rows, the first named at 4
  //   4  u32  row pointer (page << 8 | row)
  //   8  u32  0
  // A piece of a chain is a row of a long-value page: u32 the row pointer of the next piece (0
  // after the last), then its bytes.
  void CheckLongValue(const ByteReader& page, const MdbField& f) const {
    if (f.is_null || f.siz == 0) return;
    const auto damaged = [&](const std::string& what) {
      throw ReadFailure(JetReadStatus::BadTable,
                        "the table " + info_.name + " is damaged: a long text " + what);
    };
    const auto at = static_cast<std::size_t>(f.start);
    if (f.start < 0 || f.siz < 12 || !page.Has(at, 12)) damaged("is cut short");
    const std::uint32_t head = page.U32(at);
    const std::uint32_t length = head & 0x00FFFFFFu;
    const std::uint32_t form = head >> 24;
    if (form == 0x80) return;
    if (form != 0x40 && form != 0x00) damaged("is of no known form");
    static constexpr std::uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL"
    std::uint32_t pointer = page.U32(at + 4);
    std::set<std::uint32_t> visited;
    std::uint64_t held = 0;
    while (true) {
      if (!visited.insert(pointer).second) damaged("runs in a circle");
      RowPlace place;
      const unsigned char* bytes = file_.Row(pointer, kLongValueOwner, place);
      if (bytes == nullptr) damaged("names a piece that is not there");
      if (form == 0x40) return;
      // Each piece holds at least one byte of the value after the pointer to the next.
      if (place.length <= 4) damaged("has an empty piece");
      held += place.length - 4;
      if (held > length) damaged("is longer than its length");
      const ByteReader piece({bytes + place.start, place.length});
      pointer = piece.U32(0);
      if (pointer == 0) return;
    }
  }

  // The value of one field of the current row, read from the page as it is stored: numbers
  // with every bit (no text formatting), dates as day numbers, flags from the null mask.
  JetCell Decode(const ByteReader& page, const unsigned char* bytes, const MdbColumn& column,
                 const MdbField& f, std::string& text) const {
    JetCell cell;
    if (column.col_type == MDB_BOOL) {
      // A flag is stored as its bit of the null mask: set is true.
      cell.kind = JetCell::Kind::Integer;
      cell.integer = f.is_null ? 0 : 1;
      return cell;
    }
    if (f.is_null) return cell;
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
      case MDB_MEMO:
        // mdbtools follows a long value's pieces as they point, without end.
        CheckLongValue(page, f);
        [[fallthrough]];
      case MDB_TEXT:
      case MDB_REPID:
        // A present text of no bytes is the empty text, not NULL.
        text = size == 0 ? std::string() : ConvertText(mdb_, bytes, f, column.col_type);
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

  JetFile& file_;
  MdbHandle* mdb_;
  bool jet3_;
  std::vector<std::uint32_t> pages_;            // the data pages of the walk under way
  mutable std::vector<std::uint32_t> offsets_;  // the variable columns of the row taken apart
  std::size_t nextPage_ = 0;
  TablePtr table_;
  JetTableInfo info_;
  std::vector<const MdbColumn*> columns_;
  std::vector<int> fixedOrder_;  // per column: its place among the fixed-length ones, or -1
};

// mdbtools passes over catalog rows it cannot read, and so would list a damaged file's tables
// in part. The catalog is read again here as a table like the others: a row that does not fit
// its place, a catalog that reads short of the rows its definition holds, or a user table it
// holds that mdbtools did not list (or the reverse) make the list of tables damaged.
void CheckCatalog(JetFile& db) {
  MdbCatalogEntry entry{};
  entry.mdb = db.handle();
  entry.object_type = MDB_TABLE;
  entry.table_pg = kCatalogDefinitionPage;
  std::strncpy(entry.object_name, kCatalogTable, MDB_MAX_OBJ_NAME);
  std::multiset<std::string> held;
  try {
    TableReader catalog(db, &entry);
    // Every column is taken apart, so that a row whose columns do not fit it is damage.
    std::size_t found[3] = {};
    const char* const names[3] = {"Name", "Type", "Flags"};
    const auto& columns = catalog.info().columns;
    for (std::size_t k = 0; k < 3; ++k) {
      const auto it = std::find_if(columns.begin(), columns.end(),
                                   [&](const JetColumnInfo& c) { return c.name == names[k]; });
      if (it == columns.end()) {
        throw ReadFailure(JetReadStatus::BadCatalog,
                          std::string("the list of tables has no column ") + names[k]);
      }
      found[k] = static_cast<std::size_t>(it - columns.begin());
    }
    const JetRowRequest request;
    catalog.Walk(request, [&](std::span<const JetCell> cells) {
      const JetCell& name = cells[found[0]];
      const JetCell& type = cells[found[1]];
      const JetCell& flags = cells[found[2]];
      // Every object the list holds has a type: a row without one was read from the wrong
      // place (with one-byte counts, a row read from a byte off may still take apart).
      if (type.kind != JetCell::Kind::Integer) {
        throw ReadFailure(JetReadStatus::BadCatalog,
                          "the list of tables is damaged: a row of it has no type");
      }
      if ((type.integer & 0x7F) != kCatalogTableType) return;
      const auto flagBits =
          static_cast<std::uint32_t>(flags.kind == JetCell::Kind::Integer ? flags.integer : 0);
      if ((flagBits & kSystemTableFlags) != 0) return;
      held.insert(name.kind == JetCell::Kind::Text ? std::string(name.bytes) : std::string());
    });
  } catch (const ReadFailure& e) {
    if (e.status() == JetReadStatus::BadCatalog) throw;
    throw ReadFailure(JetReadStatus::BadCatalog,
                      std::string("the list of tables is damaged (") + e.what() + ")");
  }
  std::multiset<std::string> listed;
  for (const MdbCatalogEntry* e : db.Tables()) listed.insert(e->object_name);
  for (const std::string& name : held) {
    if (listed.count(name) != held.count(name)) {
      throw ReadFailure(JetReadStatus::BadCatalog, "the list of tables is damaged: the table " +
                                                       name + " cannot be read from it");
    }
  }
  for (const std::string& name : listed) {
    if (held.count(name) != listed.count(name)) {
      throw ReadFailure(
          JetReadStatus::BadCatalog,
          "the list of tables is damaged: it names a table " + name + " it does not hold");
    }
  }
}

// The reader never outlives the program that started it: it is killed when that program ends
// (the program that started it is named in the environment, so that one already gone is
// noticed too), and each piece of its work (opening the file, answering a request) has a time
// limit of its own, also named in the environment, after which the reader is ended.
unsigned WorkSeconds() {
  const char* text = std::getenv(kJetReaderSecondsVariable);
  unsigned seconds = kJetReaderDefaultSeconds;
  if (text != nullptr) {
    const std::string_view value(text);
    unsigned parsed = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    if (ec == std::errc() && end == value.data() + value.size() && parsed > 0) seconds = parsed;
  }
  return seconds;
}

//
// The parent is watched from a thread of its own rather than by a parent-death signal: that
// signal comes when the *thread* that started the reader ends, and the program starts readers
// from worker threads that end while it keeps the reader. The watch goes on while mdbtools is
// busy (a loop in it included).
void GuardReaderLifetime() {
  pid_t parent = ::getppid();
  if (const char* text = std::getenv(kJetReaderParentVariable)) {
    const std::string_view value(text);
    long named = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), named);
    if (ec == std::errc() && end == value.data() + value.size() && named > 0) {
      parent = static_cast<pid_t>(named);
    }
  }
  if (::getppid() != parent) {
    throw ReadFailure(JetReadStatus::BadRequest, "the program that started the reader has ended");
  }
  static bool watching = false;
  if (!watching) {
    watching = true;
    std::thread([parent] {
      while (::getppid() == parent) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      std::_Exit(static_cast<int>(JetReadStatus::BadRequest));
    }).detach();
  }
  ::alarm(WorkSeconds());
}

// Answers one request: the tables asked for, in the order asked, each with its columns.
void Answer(std::vector<std::unique_ptr<TableReader>>& tables, std::uint32_t jetVersion,
            const std::vector<JetRowRequest>& request, std::ostream& out) {
  for (const JetRowRequest& r : request) {
    if (r.table >= tables.size()) {
      throw ReadFailure(JetReadStatus::NoSuchTable,
                        "no table number " + std::to_string(r.table) + " in the catalog");
    }
  }
  JetStreamWriter writer(out);
  writer.Begin(jetVersion, true, static_cast<std::uint32_t>(request.size()));
  for (const JetRowRequest& r : request) tables[r.table]->Write(writer, r);
  if (!writer.End()) throw ReadFailure(JetReadStatus::OutputFailed, "cannot write the tables");
}

// The reader's work: opens the file, writes its catalog to `out` and then the answer to each
// request `next` hands over. mdbtools is given the file only once what it reads of the catalog
// is checked; what it lists is checked against the catalog read again. Raises the failure.
void Serve(const std::filesystem::path& file, std::ostream& out, const JetRequestSource& next) {
  JetFile db(file);
  CheckCatalog(db);
  // The tables' definitions are freed before the file is closed.
  std::vector<std::unique_ptr<TableReader>> tables;
  std::vector<JetTableInfo> listed;
  {
    JetStreamWriter catalog(out);
    catalog.Begin(db.JetVersion(), false, static_cast<std::uint32_t>(db.Tables().size()));
    for (MdbCatalogEntry* entry : db.Tables()) {
      tables.push_back(std::make_unique<TableReader>(db, entry));
      listed.push_back(tables.back()->info());
      catalog.BeginTable(listed.back());
      catalog.EndTable();
    }
    if (!catalog.End()) {
      throw ReadFailure(JetReadStatus::OutputFailed, "cannot write the list of tables");
    }
  }
  while (const std::optional<std::vector<JetRowRequest>> request = next(listed)) {
    Answer(tables, db.JetVersion(), *request, out);
  }
}

// Runs `work` and tells how it ended: the exit status, with the reason on `err` after a
// failure.
template <typename Work>
JetReadStatus Reported(std::ostream& err, Work&& work) {
  try {
    work();
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

}  // namespace

JetReadStatus RunJetRead(const std::filesystem::path& file, int requestFd, int channelFd,
                         std::ostream& err) {
  // The time limit ends with the work, whichever way it ends.
  struct AlarmOff {
    ~AlarmOff() { ::alarm(0); }
  } alarmOff;
  DescriptorOutput channel(channelFd);
  std::ostream out(&channel);
  // Each request: its length (u32), then its bytes.
  const auto next =
      [requestFd](const std::vector<JetTableInfo>&) -> std::optional<std::vector<JetRowRequest>> {
    // No limit while waiting for the program's next request.
    ::alarm(0);
    char lengthBytes[4];
    if (!ReadExactly(requestFd, lengthBytes, sizeof lengthBytes)) return std::nullopt;
    ::alarm(WorkSeconds());
    std::uint32_t length = 0;
    for (int i = 3; i >= 0; --i) {
      length = (length << 8) | static_cast<std::uint8_t>(lengthBytes[i]);
    }
    if (length > kJetMaxRequestBytes) {
      throw ReadFailure(JetReadStatus::BadRequest, "a request longer than allowed");
    }
    std::string body(length, '\0');
    if (!ReadExactly(requestFd, body.data(), body.size())) {
      throw ReadFailure(JetReadStatus::BadRequest, "a request ends early");
    }
    std::optional<std::vector<JetRowRequest>> request = DecodeJetRequest(body);
    if (!request) throw ReadFailure(JetReadStatus::BadRequest, "a request that cannot be read");
    return request;
  };
  return Reported(err, [&] {
    GuardReaderLifetime();
    Serve(file, out, next);
  });
}

JetReadStatus ReadJetFileInProcess(const std::filesystem::path& file, const JetRequestSource& next,
                                   std::ostream& out, std::ostream& err) {
  return Reported(err, [&] { Serve(file, out, next); });
}

}  // namespace orv
