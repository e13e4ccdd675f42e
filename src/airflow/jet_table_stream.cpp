#include "airflow/jet_table_stream.h"

// Stream layout (little-endian):
//
//   offset  size  content
//   0       8     "OVJETTB2"
//   8       u32   Jet version of the file (0 Jet 3, 1 Jet 4, higher for later formats)
//   12      u8    1 when each table's rows follow it, 0 for the table descriptions alone
//   13      u32   number of tables n
//   17      ...   n tables
//   end     4     "END!"
//
// Table:
//   u16 length, that many bytes   name (UTF-8, 1..256 bytes, no NUL)
//   u16 c                         columns (1..255)
//   c times: u16 length, bytes    column name (as the table name)
//            u8                   column type (JetColumnType)
//   u8 k                          primary key columns (0..10)
//   k times: u16                  column index (below c)
//   u32                           rows the table's definition holds
//   when rows follow: per row the byte 1 and c cells; after the last row the byte 0
//
// Cell:
//   u8 tag   0 NULL; 1 integer: i64; 2 real: f64; 3 text: u32 length, UTF-8 bytes;
//            4 bytes: u32 length, bytes
//
// Request (program to reader):
//   offset  size  content
//   0       u32   length of the rest (at most kJetMaxRequestBytes)
//   4       8     "OVJETRQ1"
//   12      u16   number of tables t (1..kJetMaxRequestTables)
//   14      ...   t tables:
//     u16            table index in the catalog
//     u16 c          columns (0 for every column), then c times u16 column index, ascending
//     u8             1 when only rows with one of the key values are wanted, else 0
//     when 1: u16    key column index
//             u32 n  key values (1..kJetMaxRequestKeys), then n times i64, ascending

#include <bit>
#include <cstring>
#include <ostream>

#include "airflow/jet_errors.h"
#include "base/byte_reader.h"

namespace orv {

namespace {

constexpr char kMagic[8] = {'O', 'V', 'J', 'E', 'T', 'T', 'B', '2'};
constexpr char kEnd[4] = {'E', 'N', 'D', '!'};
constexpr char kRequestMagic[8] = {'O', 'V', 'J', 'E', 'T', 'R', 'Q', '1'};
constexpr std::size_t kFlushBytes = 1 << 20;

// Appends the `n` low bytes of `v`, least significant first.
void PutLittle(std::string& b, std::uint64_t v, int n) {
  char bytes[8];
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(bytes, &v, sizeof bytes);
  } else {
    for (int i = 0; i < n; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  b.append(bytes, static_cast<std::size_t>(n));
}
void Put8(std::string& b, std::uint8_t v) { b.push_back(static_cast<char>(v)); }
void Put16(std::string& b, std::uint16_t v) { PutLittle(b, v, 2); }
void Put32(std::string& b, std::uint32_t v) { PutLittle(b, v, 4); }
void Put64(std::string& b, std::uint64_t v) { PutLittle(b, v, 8); }
void PutName(std::string& b, std::string_view name) {
  Put16(b, static_cast<std::uint16_t>(name.size()));
  b.append(name);
}

}  // namespace

JetStreamWriter::~JetStreamWriter() = default;

void JetStreamWriter::Begin(std::uint32_t jetVersion, bool withRows, std::uint32_t tableCount) {
  withRows_ = withRows;
  buffer_.reserve(kFlushBytes + (kFlushBytes >> 2));
  buffer_.append(kMagic, sizeof kMagic);
  Put32(buffer_, jetVersion);
  Put8(buffer_, withRows ? 1 : 0);
  Put32(buffer_, tableCount);
}

void JetStreamWriter::BeginTable(const JetTableInfo& table) {
  PutName(buffer_, table.name);
  Put16(buffer_, static_cast<std::uint16_t>(table.columns.size()));
  for (const JetColumnInfo& c : table.columns) {
    PutName(buffer_, c.name);
    Put8(buffer_, static_cast<std::uint8_t>(c.type));
  }
  Put8(buffer_, static_cast<std::uint8_t>(table.primaryKey.size()));
  for (std::uint16_t k : table.primaryKey) Put16(buffer_, k);
  Put32(buffer_, table.rowCount);
  columns_ = table.columns.size();
}

void JetStreamWriter::Row(std::span<const JetCell> cells) {
  Put8(buffer_, 1);
  for (std::size_t i = 0; i < columns_; ++i) {
    const JetCell cell = i < cells.size() ? cells[i] : JetCell{};
    Put8(buffer_, static_cast<std::uint8_t>(cell.kind));
    switch (cell.kind) {
      case JetCell::Kind::Null:
        break;
      case JetCell::Kind::Integer:
        Put64(buffer_, static_cast<std::uint64_t>(cell.integer));
        break;
      case JetCell::Kind::Real:
        Put64(buffer_, std::bit_cast<std::uint64_t>(cell.real));
        break;
      case JetCell::Kind::Text:
      case JetCell::Kind::Blob:
        Put32(buffer_, static_cast<std::uint32_t>(cell.bytes.size()));
        buffer_.append(cell.bytes);
        break;
    }
  }
  if (buffer_.size() >= kFlushBytes) Flush();
}

void JetStreamWriter::EndTable() {
  if (withRows_) Put8(buffer_, 0);
}

bool JetStreamWriter::End() {
  buffer_.append(kEnd, sizeof kEnd);
  Flush();
  out_.flush();
  return static_cast<bool>(out_);
}

void JetStreamWriter::Flush() {
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

// Reads the items of the stream from the unparsed bytes; running out of bytes is not an error
// but a sign to wait for more.
class JetStreamParser::Cursor {
 public:
  struct NeedMore {};

  Cursor(const JetStreamParser& parser, std::string_view bytes, std::size_t at)
      : parser_(parser),
        reader_({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}),
        bytes_(bytes),
        at_(at) {}

  [[noreturn]] void Fail(std::string_view what) const { parser_.Fail(what, at_); }
  void Need(std::size_t n) const {
    if (!reader_.Has(at_, n)) throw NeedMore{};
  }
  std::uint8_t U8() {
    Need(1);
    return reader_.U8(at_++);
  }
  std::uint16_t U16() {
    Need(2);
    const auto v = reader_.U16(at_);
    at_ += 2;
    return v;
  }
  std::uint32_t U32() {
    Need(4);
    const auto v = reader_.U32(at_);
    at_ += 4;
    return v;
  }
  std::uint64_t U64() {
    Need(8);
    const std::uint64_t lo = reader_.U32(at_);
    const std::uint64_t hi = reader_.U32(at_ + 4);
    at_ += 8;
    return lo | (hi << 32);
  }
  std::string_view Bytes(std::size_t n) {
    Need(n);
    const std::string_view v = bytes_.substr(at_, n);
    at_ += n;
    return v;
  }
  std::string Name(std::string_view what) {
    const std::uint16_t n = U16();
    if (n == 0 || n > kJetMaxNameBytes) Fail(std::string(what) + " of bad length");
    const std::string_view v = Bytes(n);
    if (v.find('\0') != std::string_view::npos) Fail(std::string(what) + " holding a NUL");
    return std::string(v);
  }
  std::size_t at() const { return at_; }

 private:
  const JetStreamParser& parser_;
  ByteReader reader_;
  std::string_view bytes_;
  std::size_t at_;
};

JetStreamParser::JetStreamParser(JetStreamSink& sink, std::string source)
    : sink_(sink), source_(std::move(source)) {}

JetStreamParser::~JetStreamParser() = default;

void JetStreamParser::Fail(std::string_view what, std::size_t at) const {
  RaiseDatabaseError(kErrCannotOpenDb, source_,
                     "the reader's output is damaged: " + std::string(what) + " at byte " +
                         std::to_string(base_ + at));
}

void JetStreamParser::Feed(std::string_view bytes) {
  if (state_ == State::Done) {
    if (!bytes.empty()) Fail("bytes after the end mark", buffer_.size());
    return;
  }
  buffer_.append(bytes);
  while (Step()) {
  }
  // What has been parsed goes: only an unfinished item stays, so the buffer stays as small as
  // the pieces the bytes arrive in.
  if (pos_ > 0) {
    buffer_.erase(0, pos_);
    base_ += pos_;
    pos_ = 0;
  }
}

JetStreamHeader JetStreamParser::Finish() {
  if (state_ != State::Done) Fail("the stream ends early", buffer_.size());
  return header_;
}

// Parses one item (the header, a table description, a row or the end of the rows, the end
// mark) when all its bytes are there; false when they are not, or the stream is done.
bool JetStreamParser::Step() {
  if (state_ == State::Done) {
    if (pos_ != buffer_.size()) Fail("bytes after the end mark", pos_);
    return false;
  }
  Cursor in(*this, buffer_, pos_);
  try {
    switch (state_) {
      case State::Header: {
        if (in.Bytes(sizeof kMagic) != std::string_view(kMagic, sizeof kMagic)) {
          in.Fail("a wrong stream tag");
        }
        header_.jetVersion = in.U32();
        const std::uint8_t rows = in.U8();
        if (rows > 1) in.Fail("a bad row flag");
        header_.withRows = rows == 1;
        header_.tableCount = in.U32();
        state_ = header_.tableCount == 0 ? State::EndMark : State::Table;
        break;
      }
      case State::Table: {
        JetTableInfo& table = table_;
        table.name = in.Name("table name");
        const std::uint16_t columns = in.U16();
        if (columns == 0 || columns > kJetMaxColumns) in.Fail("a bad column count");
        table.columns.clear();
        for (std::uint16_t c = 0; c < columns; ++c) {
          JetColumnInfo info;
          info.name = in.Name("column name");
          info.type = static_cast<JetColumnType>(in.U8());
          table.columns.push_back(std::move(info));
        }
        const std::uint8_t keys = in.U8();
        if (keys > kJetMaxKeyColumns) in.Fail("too many key columns");
        table.primaryKey.clear();
        for (std::uint8_t k = 0; k < keys; ++k) {
          const std::uint16_t column = in.U16();
          if (column >= columns) in.Fail("a key column out of range");
          table.primaryKey.push_back(column);
        }
        table.rowCount = in.U32();
        sink_.Table(table);
        if (header_.withRows) {
          cells_.assign(columns, JetCell{});
          state_ = State::Rows;
        } else {
          sink_.EndTable();
          state_ = ++tablesDone_ == header_.tableCount ? State::EndMark : State::Table;
        }
        break;
      }
      case State::Rows: {
        const std::uint8_t mark = in.U8();
        if (mark == 0) {
          sink_.EndTable();
          state_ = ++tablesDone_ == header_.tableCount ? State::EndMark : State::Table;
          break;
        }
        if (mark != 1) in.Fail("a bad row mark");
        for (JetCell& cell : cells_) {
          cell = JetCell{};
          const std::uint8_t tag = in.U8();
          switch (tag) {
            case 0:
              break;
            case 1:
              cell.kind = JetCell::Kind::Integer;
              cell.integer = static_cast<std::int64_t>(in.U64());
              break;
            case 2:
              cell.kind = JetCell::Kind::Real;
              cell.real = std::bit_cast<double>(in.U64());
              break;
            case 3:
            case 4: {
              cell.kind = tag == 3 ? JetCell::Kind::Text : JetCell::Kind::Blob;
              const std::uint32_t n = in.U32();
              cell.bytes = in.Bytes(n);
              break;
            }
            default:
              in.Fail("a bad cell tag");
          }
        }
        sink_.Row(cells_);
        break;
      }
      case State::EndMark:
        if (in.Bytes(sizeof kEnd) != std::string_view(kEnd, sizeof kEnd)) {
          in.Fail("a missing end mark");
        }
        state_ = State::Done;
        break;
      case State::Done:
        return false;
    }
  } catch (const Cursor::NeedMore&) {
    return false;
  }
  pos_ = in.at();
  return true;
}

JetStreamHeader ParseJetStream(std::string_view bytes, JetStreamSink& sink,
                               std::string_view source) {
  JetStreamParser parser(sink, std::string(source));
  parser.Feed(bytes);
  return parser.Finish();
}

std::string EncodeJetRequest(const std::vector<JetRowRequest>& tables) {
  std::string b;
  Put32(b, 0);
  b.append(kRequestMagic, sizeof kRequestMagic);
  Put16(b, static_cast<std::uint16_t>(tables.size()));
  for (const JetRowRequest& t : tables) {
    Put16(b, t.table);
    Put16(b, static_cast<std::uint16_t>(t.columns.size()));
    for (std::uint16_t c : t.columns) Put16(b, c);
    Put8(b, t.keyed ? 1 : 0);
    if (t.keyed) {
      Put16(b, t.keyColumn);
      Put32(b, static_cast<std::uint32_t>(t.keys.size()));
      for (std::int64_t k : t.keys) Put64(b, static_cast<std::uint64_t>(k));
    }
  }
  const auto length = static_cast<std::uint32_t>(b.size() - 4);
  for (int i = 0; i < 4; ++i) b[static_cast<std::size_t>(i)] = static_cast<char>(length >> (8 * i));
  return b;
}

std::optional<std::vector<JetRowRequest>> DecodeJetRequest(std::string_view body) {
  const ByteReader in({reinterpret_cast<const std::uint8_t*>(body.data()), body.size()});
  std::size_t at = 0;
  try {
    if (body.substr(0, sizeof kRequestMagic) != std::string_view(kRequestMagic, 8)) {
      return std::nullopt;
    }
    at = sizeof kRequestMagic;
    const std::uint16_t count = in.U16(at);
    at += 2;
    if (count == 0 || count > kJetMaxRequestTables) return std::nullopt;
    std::vector<JetRowRequest> tables(count);
    for (JetRowRequest& t : tables) {
      t.table = in.U16(at);
      const std::uint16_t columns = in.U16(at + 2);
      at += 4;
      if (columns > kJetMaxColumns) return std::nullopt;
      for (std::uint16_t c = 0; c < columns; ++c, at += 2) {
        t.columns.push_back(in.U16(at));
        if (c > 0 && t.columns[c] <= t.columns[c - 1u]) return std::nullopt;
      }
      const std::uint8_t keyed = in.U8(at++);
      if (keyed > 1) return std::nullopt;
      t.keyed = keyed == 1;
      if (!t.keyed) continue;
      t.keyColumn = in.U16(at);
      const std::uint32_t keys = in.U32(at + 2);
      at += 6;
      if (keys == 0 || keys > kJetMaxRequestKeys || !in.Has(at, std::size_t{8} * keys)) {
        return std::nullopt;
      }
      for (std::uint32_t k = 0; k < keys; ++k, at += 8) {
        const std::uint64_t v = in.U32(at) | (static_cast<std::uint64_t>(in.U32(at + 4)) << 32);
        t.keys.push_back(static_cast<std::int64_t>(v));
        if (k > 0 && t.keys[k] <= t.keys[k - 1u]) return std::nullopt;
      }
    }
    if (at != body.size()) return std::nullopt;
    return tables;
  } catch (const ByteRangeError&) {
    return std::nullopt;
  }
}

}  // namespace orv
