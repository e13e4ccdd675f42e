#include "support/jet_writer.h"

// Layout of the files this writer makes (all numbers little-endian, pages of 4096 bytes):
//
// Page 0, database definition page:
//   0x00  4 bytes  00 01 00 00
//   0x04  16 bytes "Standard Jet DB" and a NUL
//   0x14  u32      Jet version, 1 for Jet 4
//   rest  zero (no database key, so no page is encrypted)
// Page 1: a data page holding the page-usage map records of the tables (more of them on pages
// at the end of the file when they do not fit).
// Page 2: the table definition of the catalog table "MSysObjects".
// Then, table by table: the table definition pages, the data pages, and pages of long values.
// Map pages (type 0x05) for tables whose pages do not fit one inline map come last.
//
// Data page:                       Table definition page (first of a chain):
//   0x00 u8  0x01                   0x00 u8  0x02
//   0x01 u8  0x01                   0x01 u8  0x01
//   0x02 u16 free space             0x02 u16 free space - 8
//   0x04 u32 table definition page  0x04 u32 next definition page, 0 at the end
//   0x08 u32 0                      0x08 the definition block (continued on the following
//   0x0C u16 rows on the page                pages of the chain after their 8-byte header)
//   0x0E u16 row offsets, first row at the end of the page, the next below it
//
// Definition block (offsets from 0x08 of the first page):
//   0  u32 length of the block     4  u32 0            8  u32 rows
//   12 u32 next autonumber         16 u8  1            17 3 bytes 0
//   20 u32 0                       24 8 bytes 0        32 u8  0x4E user, 0x53 system
//   33 u16 columns                 35 u16 variable-length columns
//   37 u16 columns                 39 u32 logical indexes
//   43 u32 index entries           47 u32 usage map row pointer (page << 8 | row)
//   51 u32 free-space map row pointer
//   55 12 bytes per index entry: u32 0, u32 rows, u32 0
//   then 25 bytes per column: u8 type, u32 0, u16 number, u16 variable-column index,
//        u16 number, u16 sort order (0x409 for text), u16 0, u8 flags (0x01 fixed,
//        0x02 nullable), u8 0x01 compressed text, u32 0, u16 fixed offset, u16 length
//   then the column names: u16 byte length, UCS-2 text
//   then 52 bytes per index entry: u32 0, 10 x (u16 column or 0xFFFF, u8 order 1),
//        u32 0, u32 0, u8 flags (0x01 unique), 9 bytes 0
//   then 28 bytes per logical index: u32 0, u32 number, u32 index entry, u8 0,
//        u32 0xFFFFFFFF, u32 0, u8 0, u8 0, u8 type (1 primary), u32 0
//   then the index names (u16 byte length, UCS-2) and u16 0xFFFF.
//
// Row (Jet 4): u16 column count, the fixed-length columns at their fixed offsets, the
// variable-length values one after the other, and, when the table has variable-length columns,
// u16 end of the variable data, the start offset of each variable column in reverse order and
// u16 their count; last the null mask, one bit per column (1 present, 0 NULL; a Boolean's bit
// is its value).
//
// Jet 3 (Access 97) differs: pages of 2048 bytes, version 0 at 0x14; data pages without the u32
// at 0x08 (rows at 0x08, offsets from 0x0A); definition pages with "VC" at 0x02 and a block of
// u32 length, u32 rows, u32 next autonumber, u8 type, u16 columns, u16 variable columns, u16
// columns, u32 logical indexes, u32 index entries, u32 usage map, u32 free-space map (35
// bytes), 8 bytes per index entry, 18 bytes per column (u8 type, u16 number, u16 variable
// index, u16 number, u16 sort order, u16 code page 1252 for text, u16 0, u8 flags, u16 fixed
// offset, u16 length), names as u8 length and Windows-1252 bytes, 39 bytes per index entry,
// 20 per logical index; rows with u8 column count, u8 offsets (with a jump table of u8 entries
// when the row is 256 bytes or longer, the end of the variable data counted as one more
// variable column) and u8 variable-column count; text in Windows-1252; usage map bitmaps of
// 128 bytes.
//
// Memo value in the row: u32 length with flags in the top byte (0x80 the text follows, 0x40 on
// one long-value page, 0x00 on a chain of them), u32 row pointer of the long value, u32 0.
// A long-value page is a data page with "LVAL" in place of the definition page; in a chain
// each piece starts with the u32 row pointer of the next piece.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>

#include "base/codepage.h"

namespace orv::test {

namespace {

constexpr std::uint32_t kCatalogTdefPage = 2;

// What differs between the two versions of the format.
struct Format {
  bool jet3;
  std::size_t page;        // page size
  std::size_t dataHeader;  // bytes before the row offsets of a data page
  std::size_t rowCountAt;  // offset of the row count of a data page
  std::size_t mapBitmap;   // bitmap bytes of an inline usage map record
  std::size_t MaxRow() const { return page - dataHeader - 2; }
  std::size_t PagesPerMapPage() const { return (page - 4) * 8; }
  std::size_t TdefPayload() const { return page - 8; }
};

constexpr Format kJet4{false, 4096, 14, 12, 64};
constexpr Format kJet3{true, 2048, 10, 8, 128};

void Put8(std::string& b, std::size_t at, std::uint8_t v) { b[at] = static_cast<char>(v); }
void Put16(std::string& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put64(std::string& b, std::size_t at, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Append8(std::string& b, std::uint8_t v) { b.push_back(static_cast<char>(v)); }
void Append16(std::string& b, std::uint16_t v) {
  b.push_back(static_cast<char>(v & 0xFF));
  b.push_back(static_cast<char>(v >> 8));
}
void Append32(std::string& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// UTF-8 to UTF-16 code units; malformed bytes become U+FFFD.
std::vector<std::uint16_t> Utf16(const std::string& s) {
  std::vector<std::uint16_t> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::uint32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0 && i + 1 < s.size()) {
      cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
      len = 2;
    } else if ((c & 0xF0) == 0xE0 && i + 2 < s.size()) {
      cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 6) |
           (static_cast<unsigned char>(s[i + 2]) & 0x3Fu);
      len = 3;
    } else if ((c & 0xF8) == 0xF0 && i + 3 < s.size()) {
      cp = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 12) |
           ((static_cast<unsigned char>(s[i + 2]) & 0x3Fu) << 6) |
           (static_cast<unsigned char>(s[i + 3]) & 0x3Fu);
      len = 4;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<std::uint16_t>(cp));
    }
  }
  return out;
}

std::string Ucs2(const std::string& s) {
  std::string out;
  for (std::uint16_t u : Utf16(s)) Append16(out, u);
  return out;
}

// Stored bytes of a text in a Jet 3 file: Windows-1252.
std::string StoredText3(const std::string& utf8) { return Utf8ToCp1252(utf8); }

// Stored bytes of a text: compressed (FF FE and one byte per character) when every character
// has a zero high byte and a non-zero low byte and that is shorter, else plain UCS-2.
std::string StoredText(const std::string& utf8, JetTextForm form) {
  const auto units = Utf16(utf8);
  const bool compressible =
      form == JetTextForm::Compressed && !units.empty() &&
      std::all_of(units.begin(), units.end(), [](std::uint16_t u) { return u > 0 && u < 0x100; });
  if (!compressible) return Ucs2(utf8);
  std::string out = "\xFF\xFE";
  for (std::uint16_t u : units) out.push_back(static_cast<char>(u));
  return out;
}

bool IsVariable(JetType t) { return t == JetType::Text || t == JetType::Memo || t == JetType::Ole; }

std::size_t FixedSize(JetType t) {
  switch (t) {
    case JetType::Boolean:
      return 0;  // the value lives in the null mask
    case JetType::Byte:
      return 1;
    case JetType::Integer:
      return 2;
    case JetType::Long:
    case JetType::Single:
      return 4;
    case JetType::Money:
    case JetType::Double:
    case JetType::DateTime:
      return 8;
    case JetType::Text:
    case JetType::Memo:
    case JetType::Ole:
      return 0;
  }
  return 0;
}

std::uint16_t ColumnLength(const JetColumn& c) {
  switch (c.type) {
    case JetType::Boolean:
      return 1;
    case JetType::Text:
      return static_cast<std::uint16_t>(2 * c.textChars);
    case JetType::Memo:
    case JetType::Ole:
      return 0;
    default:
      return static_cast<std::uint16_t>(FixedSize(c.type));
  }
}

bool IsNull(const JetValue& v) { return std::holds_alternative<JetNull>(v); }

double AsDouble(const JetValue& v) {
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  if (const auto* b = std::get_if<bool>(&v)) return *b ? -1.0 : 0.0;
  throw std::invalid_argument("text value in a numeric column");
}

std::int64_t AsInt(const JetValue& v) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
  if (const auto* d = std::get_if<double>(&v)) return static_cast<std::int64_t>(std::llround(*d));
  if (const auto* b = std::get_if<bool>(&v)) return *b ? -1 : 0;
  throw std::invalid_argument("text value in a numeric column");
}

bool AsBool(const JetValue& v) {
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  return AsInt(v) != 0;
}

// The pages of the file being built, allocated in order.
class PageFile {
 public:
  explicit PageFile(const Format& f) : format_(f) {}
  const Format& format() const { return format_; }
  std::uint32_t Allocate() {
    pages_.emplace_back(format_.page, '\0');
    return static_cast<std::uint32_t>(pages_.size() - 1);
  }
  std::string& operator[](std::uint32_t n) { return pages_.at(n); }
  std::uint32_t Count() const { return static_cast<std::uint32_t>(pages_.size()); }
  std::string Bytes() const {
    std::string out;
    out.reserve(pages_.size() * format_.page);
    for (const auto& p : pages_) out += p;
    return out;
  }

 private:
  Format format_;
  std::vector<std::string> pages_;
};

// A data page (or a long-value page) being filled with rows from the end downward.
class RowPage {
 public:
  RowPage(PageFile& file, std::uint32_t page, const char owner[4])
      : file_(file), f_(file.format()), page_(page) {
    std::string& p = file_[page_];
    Put8(p, 0, 0x01);
    Put8(p, 1, 0x01);
    std::memcpy(&p[4], owner, 4);
    Update();
  }
  bool Fits(std::size_t rowBytes) const {
    return f_.dataHeader + 2 * (rows_ + 1) + used_ + rowBytes <= f_.page;
  }
  // Adds a row; returns its number on the page.
  std::uint8_t Add(const std::string& row) {
    std::string& p = file_[page_];
    used_ += row.size();
    const std::size_t at = f_.page - used_;
    std::memcpy(&p[at], row.data(), row.size());
    Put16(p, f_.dataHeader + 2 * rows_, static_cast<std::uint16_t>(at));
    ++rows_;
    Update();
    return static_cast<std::uint8_t>(rows_ - 1);
  }
  std::uint32_t page() const { return page_; }
  std::size_t rows() const { return rows_; }

 private:
  void Update() {
    std::string& p = file_[page_];
    Put16(p, f_.rowCountAt, static_cast<std::uint16_t>(rows_));
    Put16(p, 2, static_cast<std::uint16_t>(f_.page - f_.dataHeader - 2 * rows_ - used_));
  }
  PageFile& file_;
  Format f_;
  std::uint32_t page_;
  std::size_t rows_ = 0;
  std::size_t used_ = 0;
};

std::uint32_t RowPointer(std::uint32_t page, std::uint8_t row) { return (page << 8) | row; }

// Long-value pages shared by the memo values of the whole file.
class LongValues {
 public:
  explicit LongValues(PageFile& file) : file_(file) {}

  // Stores `bytes` on long-value pages; returns (flags, row pointer) for the memo header.
  std::pair<std::uint8_t, std::uint32_t> Store(const std::string& bytes) {
    const std::size_t maxRow = file_.format().MaxRow();
    if (bytes.size() <= maxRow) return {0x40, AddRow(bytes)};
    // A chain: pieces of at most a row's bytes each starting with the next piece's pointer,
    // written last piece first so that each knows its successor.
    const std::size_t kPiece = maxRow - 4;
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
      pieces.push_back(bytes.substr(at, kPiece));
    }
    std::uint32_t next = 0;
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
      std::string row;
      Append32(row, next);
      row += *it;
      next = AddRow(row);
    }
    return {0x00, next};
  }

 private:
  std::uint32_t AddRow(const std::string& row) {
    if (!current_ || !current_->Fits(row.size())) {
      current_.emplace(file_, file_.Allocate(), "LVAL");
    }
    const std::uint8_t n = current_->Add(row);
    return RowPointer(current_->page(), n);
  }
  PageFile& file_;
  std::optional<RowPage> current_;
};

// Where each column sits in the rows of a table.
struct ColumnPlace {
  std::uint16_t fixedOffset = 0;
  std::uint16_t varIndex = 0;
};

struct TablePlan {
  const JetTable* table;
  std::vector<ColumnPlace> places;
  std::size_t fixedBytes = 0;
  std::size_t varColumns = 0;
  std::uint32_t tdefPage = 0;
  std::vector<std::uint32_t> tdefPages;
  std::vector<std::uint32_t> dataPages;
  std::uint32_t usageMapRow = 0;
  std::uint32_t freeMapRow = 0;
};

TablePlan PlanColumns(const JetTable& t) {
  TablePlan plan{&t, {}, 0, 0, 0, {}, {}, 0, 0};
  for (const JetColumn& c : t.columns) {
    if (c.type == JetType::Text && (c.textChars < 1 || c.textChars > 255)) {
      throw std::invalid_argument("text column " + c.name + " must hold 1 to 255 characters");
    }
    ColumnPlace place;
    if (IsVariable(c.type)) {
      place.varIndex = static_cast<std::uint16_t>(plan.varColumns++);
    } else {
      place.fixedOffset = static_cast<std::uint16_t>(plan.fixedBytes);
      plan.fixedBytes += FixedSize(c.type);
    }
    plan.places.push_back(place);
  }
  return plan;
}

// The end of a Jet 3 row after its variable data: the end of that data and the start of each
// variable column as single bytes, the jump table that tells which of them lie 256, 512, ...
// bytes or more into the row, and the variable column count.
std::string Jet3RowTail(std::size_t eod, const std::vector<std::uint16_t>& varStarts,
                        std::size_t maskBytes) {
  const std::size_t nvar = varStarts.size();
  std::vector<std::size_t> offsets(varStarts.begin(), varStarts.end());
  offsets.push_back(eod);
  // The jump count follows from the row's whole length, which includes the jumps.
  std::size_t jumps = 0;
  while (true) {
    const std::size_t length = eod + (nvar + 1) + jumps + 1 + maskBytes;
    const std::size_t needed = (length - 1) / 256;
    if (needed == jumps) break;
    jumps = needed;
  }
  std::string tail;
  for (std::size_t i = nvar + 1; i-- > 0;)
    Append8(tail, static_cast<std::uint8_t>(offsets[i] & 0xFF));
  for (std::size_t j = jumps; j-- > 0;) {
    std::uint8_t first = 0xFF;  // a dummy entry when no column starts that far in
    for (std::size_t i = 0; i <= nvar; ++i) {
      if (offsets[i] >= 256 * (j + 1)) {
        first = static_cast<std::uint8_t>(i);
        break;
      }
    }
    Append8(tail, first);
  }
  Append8(tail, static_cast<std::uint8_t>(nvar));
  return tail;
}

std::string EncodeRow(const TablePlan& plan, const std::vector<JetValue>& values,
                      LongValues& longValues, const JetWriteOptions& options, const Format& f) {
  const JetTable& t = *plan.table;
  const std::size_t n = t.columns.size();
  if (values.size() != n) {
    throw std::invalid_argument("a row of " + t.name + " has the wrong number of values");
  }
  const std::size_t countBytes = f.jet3 ? 1 : 2;
  std::string row;
  if (f.jet3) {
    Append8(row, static_cast<std::uint8_t>(n));
  } else {
    Append16(row, static_cast<std::uint16_t>(n));
  }
  row.append(plan.fixedBytes, '\0');
  std::vector<std::uint8_t> nullMask((n + 7) / 8, 0);
  auto present = [&](std::size_t i) {
    nullMask[i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
  };
  std::vector<std::uint16_t> varStarts(plan.varColumns, 0);

  for (std::size_t i = 0; i < n; ++i) {
    const JetColumn& c = t.columns[i];
    const JetValue& v = values[i];
    if (c.type == JetType::Boolean) {
      if (!IsNull(v) && AsBool(v)) present(i);
      continue;
    }
    if (IsVariable(c.type)) continue;
    if (IsNull(v)) continue;
    present(i);
    const std::size_t at = countBytes + plan.places[i].fixedOffset;
    switch (c.type) {
      case JetType::Byte:
        Put8(row, at, static_cast<std::uint8_t>(AsInt(v)));
        break;
      case JetType::Integer:
        Put16(row, at, static_cast<std::uint16_t>(static_cast<std::int16_t>(AsInt(v))));
        break;
      case JetType::Long:
        Put32(row, at, static_cast<std::uint32_t>(static_cast<std::int32_t>(AsInt(v))));
        break;
      case JetType::Money:
        Put64(
            row, at,
            static_cast<std::uint64_t>(static_cast<std::int64_t>(std::llround(AsDouble(v) * 1e4))));
        break;
      case JetType::Single: {
        const float single = static_cast<float>(AsDouble(v));
        std::uint32_t bits;
        std::memcpy(&bits, &single, 4);
        Put32(row, at, bits);
        break;
      }
      case JetType::Double:
      case JetType::DateTime: {
        const double d = AsDouble(v);
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        Put64(row, at, bits);
        break;
      }
      default:
        break;
    }
  }

  // Variable-length values in column order.
  for (std::size_t i = 0; i < n; ++i) {
    const JetColumn& c = t.columns[i];
    if (!IsVariable(c.type)) continue;
    varStarts[plan.places[i].varIndex] = static_cast<std::uint16_t>(row.size());
    const JetValue& v = values[i];
    if (IsNull(v)) continue;
    const auto* text = std::get_if<std::string>(&v);
    if (text == nullptr) throw std::invalid_argument("non-text value in text column " + c.name);
    present(i);
    const std::string stored = c.type == JetType::Ole ? *text
                               : text->empty()        ? std::string()
                               : f.jet3               ? StoredText3(*text)
                                                      : StoredText(*text, options.textForm);
    if (c.type == JetType::Text) {
      if (Utf16(*text).size() > static_cast<std::size_t>(c.textChars)) {
        throw std::invalid_argument("text too long for column " + c.name);
      }
      row += stored;
      continue;
    }
    std::string header(12, '\0');
    const auto len = static_cast<std::uint32_t>(stored.size());
    if (len > 0xFFFFFF) throw std::invalid_argument("memo too long in column " + c.name);
    if (stored.size() <= options.inlineMemoBytes) {
      Put32(header, 0, len | 0x80000000u);
      row += header;
      row += stored;
    } else {
      const auto [flags, pointer] = longValues.Store(stored);
      Put32(header, 0, len | (static_cast<std::uint32_t>(flags) << 24));
      Put32(header, 4, pointer);
      row += header;
    }
  }
  if (plan.varColumns > 0 && f.jet3) {
    row += Jet3RowTail(row.size(), varStarts, nullMask.size());
  } else if (plan.varColumns > 0) {
    const auto eod = static_cast<std::uint16_t>(row.size());
    Append16(row, eod);
    for (std::size_t j = plan.varColumns; j-- > 0;) Append16(row, varStarts[j]);
    Append16(row, static_cast<std::uint16_t>(plan.varColumns));
  }
  for (std::uint8_t b : nullMask) Append8(row, b);
  if (row.size() > f.MaxRow()) throw std::invalid_argument("a row of " + t.name + " is too long");
  return row;
}

void WriteRows(TablePlan& plan, PageFile& file, LongValues& longValues,
               const JetWriteOptions& options) {
  std::optional<RowPage> page;
  char owner[4];
  for (int i = 0; i < 4; ++i) owner[i] = static_cast<char>((plan.tdefPage >> (8 * i)) & 0xFF);
  for (const auto& values : plan.table->rows) {
    const std::string row = EncodeRow(plan, values, longValues, options, file.format());
    if (!page || !page->Fits(row.size())) {
      page.emplace(file, file.Allocate(), owner);
      plan.dataPages.push_back(page->page());
    }
    page->Add(row);
  }
}

// A name in a table definition: u16 byte length and UCS-2 (Jet 4), u8 length and
// Windows-1252 (Jet 3).
void AppendName(std::string& b, const std::string& name, const Format& f) {
  if (f.jet3) {
    const std::string bytes = Utf8ToCp1252(name);
    Append8(b, static_cast<std::uint8_t>(bytes.size()));
    b += bytes;
  } else {
    const std::string bytes = Ucs2(name);
    Append16(b, static_cast<std::uint16_t>(bytes.size()));
    b += bytes;
  }
}

// The definition block of a table, with the usage map row pointers filled in.
std::string DefinitionBlock(const TablePlan& plan, const Format& f) {
  const JetTable& t = *plan.table;
  const std::size_t n = t.columns.size();
  std::vector<std::uint16_t> keyColumns;
  for (const std::string& key : t.primaryKey) {
    const auto it = std::find_if(t.columns.begin(), t.columns.end(),
                                 [&](const JetColumn& c) { return c.name == key; });
    if (it == t.columns.end()) throw std::invalid_argument("no key column " + key);
    keyColumns.push_back(static_cast<std::uint16_t>(it - t.columns.begin()));
  }
  const std::uint32_t indexes = keyColumns.empty() ? 0 : 1;

  std::string b;
  Append32(b, 0);  // length, set below
  if (!f.jet3) Append32(b, 0);
  Append32(b, static_cast<std::uint32_t>(t.rows.size()));
  Append32(b, 0);
  if (!f.jet3) {
    Append8(b, 1);
    b.append(3, '\0');
    Append32(b, 0);
    b.append(8, '\0');
  }
  Append8(b, t.systemTable ? 0x53 : 0x4E);
  Append16(b, static_cast<std::uint16_t>(n));
  Append16(b, static_cast<std::uint16_t>(plan.varColumns));
  Append16(b, static_cast<std::uint16_t>(n));
  Append32(b, indexes);
  Append32(b, indexes);
  Append32(b, plan.usageMapRow);
  Append32(b, plan.freeMapRow);
  for (std::uint32_t i = 0; i < indexes; ++i) {
    Append32(b, 0);
    Append32(b, static_cast<std::uint32_t>(t.rows.size()));
    if (!f.jet3) Append32(b, 0);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const JetColumn& c = t.columns[i];
    const bool text = c.type == JetType::Text || c.type == JetType::Memo;
    Append8(b, static_cast<std::uint8_t>(c.type));
    if (!f.jet3) Append32(b, 0);
    Append16(b, static_cast<std::uint16_t>(i));
    Append16(b, plan.places[i].varIndex);
    Append16(b, static_cast<std::uint16_t>(i));
    Append16(b, text ? 0x0409 : 0);
    Append16(b, f.jet3 && text ? 0x04E4 : 0);
    if (f.jet3) Append16(b, 0);
    Append8(b, static_cast<std::uint8_t>((IsVariable(c.type) ? 0x00 : 0x01) | 0x02));
    if (!f.jet3) {
      Append8(b, text ? 0x01 : 0x00);
      Append32(b, 0);
    }
    Append16(b, plan.places[i].fixedOffset);
    Append16(b, c.type == JetType::Text && f.jet3 ? static_cast<std::uint16_t>(c.textChars)
                                                  : ColumnLength(c));
  }
  for (const JetColumn& c : t.columns) AppendName(b, c.name, f);
  if (indexes > 0) {
    if (!f.jet3) Append32(b, 0);
    for (std::size_t k = 0; k < 10; ++k) {
      if (k < keyColumns.size()) {
        Append16(b, keyColumns[k]);
        Append8(b, 0x01);
      } else {
        Append16(b, 0xFFFF);
        Append8(b, 0x00);
      }
    }
    Append32(b, 0);
    Append32(b, 0);
    Append8(b, 0x01);
    if (!f.jet3) b.append(9, '\0');
    if (!f.jet3) Append32(b, 0);
    Append32(b, 0);
    Append32(b, 0);
    Append8(b, 0);
    Append32(b, 0xFFFFFFFF);
    Append32(b, 0);
    Append8(b, 0);
    Append8(b, 0);
    Append8(b, 0x01);
    if (!f.jet3) Append32(b, 0);
    AppendName(b, "PrimaryKey", f);
  }
  Append16(b, 0xFFFF);
  Put32(b, 0, static_cast<std::uint32_t>(b.size()));
  return b;
}

std::size_t TdefPageCount(std::size_t blockBytes, const Format& f) {
  return (blockBytes + f.TdefPayload() - 1) / f.TdefPayload();
}

void WriteTdef(PageFile& file, const TablePlan& plan) {
  const Format& f = file.format();
  const std::string block = DefinitionBlock(plan, f);
  if (TdefPageCount(block.size(), f) != plan.tdefPages.size()) {
    throw std::logic_error("table definition size changed");
  }
  for (std::size_t k = 0; k < plan.tdefPages.size(); ++k) {
    std::string& p = file[plan.tdefPages[k]];
    const std::size_t from = k * f.TdefPayload();
    const std::size_t count = std::min(f.TdefPayload(), block.size() - from);
    Put8(p, 0, 0x02);
    Put8(p, 1, 0x01);
    if (f.jet3) {
      p[2] = 'V';
      p[3] = 'C';
    } else {
      Put16(p, 2, static_cast<std::uint16_t>(f.TdefPayload() - count));
    }
    Put32(p, 4, k + 1 < plan.tdefPages.size() ? plan.tdefPages[k + 1] : 0);
    std::memcpy(&p[8], block.data() + from, count);
  }
}

// The catalog table: one row per table, the catalog itself included.
JetTable CatalogTable(const std::vector<JetTable>& tables,
                      const std::vector<std::uint32_t>& tdefs) {
  JetTable cat;
  cat.name = "MSysObjects";
  cat.systemTable = true;
  cat.columns = {{"Id", JetType::Long},        {"ParentId", JetType::Long},
                 {"Name", JetType::Text, 128}, {"Type", JetType::Integer},
                 {"Flags", JetType::Long},     {"LvProp", JetType::Ole}};
  constexpr std::int64_t kTablesContainer = 0x0F000001;
  cat.rows.push_back({std::int64_t{kCatalogTdefPage}, kTablesContainer, std::string("MSysObjects"),
                      std::int64_t{1}, std::int64_t{static_cast<std::int32_t>(0x80000002u)},
                      JetNull{}});
  for (std::size_t i = 0; i < tables.size(); ++i) {
    cat.rows.push_back(
        {std::int64_t{tdefs[i]}, kTablesContainer, tables[i].name, std::int64_t{1},
         std::int64_t{tables[i].systemTable ? static_cast<std::int32_t>(0x80000002u) : 0},
         JetNull{}});
  }
  return cat;
}

// Usage map record of a table: inline bitmap when the pages fit one, else the pointers to map
// pages (allocated at the end of the file).
std::string UsageMap(const std::vector<std::uint32_t>& pages, PageFile& file) {
  const Format& f = file.format();
  std::string rec;
  if (pages.empty()) {
    Append8(rec, 0x00);
    Append32(rec, 0);
    rec.append(f.mapBitmap, '\0');
    return rec;
  }
  const std::uint32_t first = *std::min_element(pages.begin(), pages.end());
  const std::uint32_t last = *std::max_element(pages.begin(), pages.end());
  if (last - first < f.mapBitmap * 8) {
    Append8(rec, 0x00);
    Append32(rec, first);
    rec.append(f.mapBitmap, '\0');
    for (std::uint32_t p : pages) {
      const std::uint32_t bit = p - first;
      rec[5 + bit / 8] = static_cast<char>(rec[5 + bit / 8] | (1 << (bit % 8)));
    }
    return rec;
  }
  const std::size_t pointers = f.mapBitmap / 4 + 1;
  std::vector<std::uint32_t> mapPages(pointers, 0);
  for (std::uint32_t p : pages) {
    const std::size_t slot = p / f.PagesPerMapPage();
    if (slot >= pointers) throw std::invalid_argument("database too large for this writer");
    if (mapPages[slot] == 0) {
      mapPages[slot] = file.Allocate();
      std::string& mp = file[mapPages[slot]];
      Put8(mp, 0, 0x05);
      Put8(mp, 1, 0x01);
    }
    const std::size_t bit = p % f.PagesPerMapPage();
    std::string& mp = file[mapPages[slot]];
    mp[4 + bit / 8] = static_cast<char>(mp[4 + bit / 8] | (1 << (bit % 8)));
  }
  Append8(rec, 0x01);
  for (std::uint32_t m : mapPages) Append32(rec, m);
  return rec;
}

}  // namespace

namespace {

std::string WriteDatabase(const std::vector<JetTable>& tables, const JetWriteOptions& options,
                          const Format& f) {
  PageFile file(f);
  const std::uint32_t header = file.Allocate();
  const std::uint32_t mapPage = file.Allocate();
  const std::uint32_t catalogFirst = file.Allocate();
  if (header != 0 || mapPage != 1 || catalogFirst != kCatalogTdefPage) {
    throw std::logic_error("page order");
  }
  {
    std::string& p = file[header];
    Put32(p, 0, 0x00000100);
    std::memcpy(&p[4], "Standard Jet DB", 16);
    Put32(p, 0x14, f.jet3 ? 0 : 1);
    // The bytes from 0x18 are kept encrypted with a fixed stream cipher; readers decrypt them
    // and take the database key from 0x3E. Storing the key stream itself there makes the
    // decrypted key 0, which means "no page is encrypted". The four key-stream bytes were
    // read back from mdbtools after writing zeros.
    const std::uint8_t keyStream[4] = {0xFB, 0x8A, 0xBC, 0x4E};
    std::memcpy(&p[0x3E], keyStream, 4);
  }

  // Table definitions first so that the catalog knows their pages; their sizes do not depend
  // on the map pointers written into them later.
  std::vector<TablePlan> plans;
  plans.reserve(tables.size() + 1);
  std::vector<std::uint32_t> tdefs;
  for (const JetTable& t : tables) {
    TablePlan plan = PlanColumns(t);
    const std::size_t count = TdefPageCount(DefinitionBlock(plan, f).size(), f);
    for (std::size_t k = 0; k < count; ++k) plan.tdefPages.push_back(file.Allocate());
    plan.tdefPage = plan.tdefPages.front();
    tdefs.push_back(plan.tdefPage);
    plans.push_back(std::move(plan));
  }
  const JetTable catalog = CatalogTable(tables, tdefs);
  TablePlan catalogPlan = PlanColumns(catalog);
  catalogPlan.tdefPage = kCatalogTdefPage;
  catalogPlan.tdefPages.push_back(kCatalogTdefPage);
  for (std::size_t k = 1; k < TdefPageCount(DefinitionBlock(catalogPlan, f).size(), f); ++k) {
    catalogPlan.tdefPages.push_back(file.Allocate());
  }

  LongValues longValues(file);
  WriteRows(catalogPlan, file, longValues, options);
  for (TablePlan& plan : plans) WriteRows(plan, file, longValues, options);

  // The usage maps of every table as rows of page 1 (and of further pages at the end when they
  // do not fit).
  std::optional<RowPage> maps;
  maps.emplace(file, mapPage, "\0\0\0\0");
  auto addMaps = [&](TablePlan& plan) {
    const std::string used = UsageMap(plan.dataPages, file);
    const std::string free = UsageMap({}, file);
    if (!maps->Fits(used.size() + free.size())) maps.emplace(file, file.Allocate(), "\0\0\0\0");
    plan.usageMapRow = RowPointer(maps->page(), maps->Add(used));
    plan.freeMapRow = RowPointer(maps->page(), maps->Add(free));
  };
  addMaps(catalogPlan);
  for (TablePlan& plan : plans) addMaps(plan);

  WriteTdef(file, catalogPlan);
  for (const TablePlan& plan : plans) WriteTdef(file, plan);
  return file.Bytes();
}

}  // namespace

std::string WriteJet4Database(const std::vector<JetTable>& tables, const JetWriteOptions& options) {
  return WriteDatabase(tables, options, kJet4);
}

std::string WriteJet3Database(const std::vector<JetTable>& tables, const JetWriteOptions& options) {
  return WriteDatabase(tables, options, kJet3);
}

void WriteJetFile(const std::filesystem::path& path, const std::vector<JetTable>& tables,
                  const JetWriteOptions& options) {
  const std::string bytes =
      options.jet3 ? WriteJet3Database(tables, options) : WriteJet4Database(tables, options);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

double JetDayNumber(int year, int month, int day) {
  // Days from the civil date to 1970-01-01 (proleptic Gregorian), then shifted to the Jet
  // origin 1899-12-30, which is 25569 days before 1970-01-01.
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int mp = (month + 9) % 12;
  const int doy = (153 * mp + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long days = static_cast<long>(era) * 146097 + doe - 719468;
  return static_cast<double>(days + 25569);
}

}  // namespace orv::test
