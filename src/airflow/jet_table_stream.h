#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// The tables of a Jet database as the reader process hands them to the program: a byte stream
// of our own, written by the reader (which runs mdbtools on the user's file) and parsed by the
// program, which never trusts it: every length and count is checked against the bytes there
// are.

// Column types, by the codes of the Jet table definition.
enum class JetColumnType : std::uint8_t {
  Unknown = 0x00,
  Boolean = 0x01,
  Byte = 0x02,
  Integer = 0x03,  // 16-bit
  Long = 0x04,     // 32-bit
  Money = 0x05,
  Single = 0x06,
  Double = 0x07,
  DateAndTime = 0x08,  // Jet's Date/Time: days since 1899-12-30 as a double
  Binary = 0x09,
  Text = 0x0A,
  Ole = 0x0B,
  Memo = 0x0C,
  Guid = 0x0F,
  Numeric = 0x10,
};

struct JetColumnInfo {
  std::string name;
  JetColumnType type = JetColumnType::Unknown;
};

struct JetTableInfo {
  std::string name;
  std::vector<JetColumnInfo> columns;
  std::vector<std::uint16_t> primaryKey;  // column indexes of the primary key, in key order
  std::uint32_t rowCount = 0;             // the rows the table's definition says it holds
};

// One value of a row. Text and bytes point into the stream being parsed.
struct JetCell {
  enum class Kind : std::uint8_t { Null = 0, Integer = 1, Real = 2, Text = 3, Blob = 4 };
  Kind kind = Kind::Null;
  std::int64_t integer = 0;
  double real = 0.0;
  std::string_view bytes;
};

// Limits of what a stream may describe.
inline constexpr std::size_t kJetMaxNameBytes = 256;
inline constexpr std::size_t kJetMaxColumns = 255;
inline constexpr std::size_t kJetMaxKeyColumns = 10;

// Writes a stream. The calls must come in the order Begin, then per table BeginTable, Row...,
// EndTable, then End.
class JetStreamWriter final {
 public:
  explicit JetStreamWriter(std::ostream& out) : out_(out) {}
  ~JetStreamWriter();
  JetStreamWriter(const JetStreamWriter&) = delete;
  JetStreamWriter& operator=(const JetStreamWriter&) = delete;

  void Begin(std::uint32_t jetVersion, bool withRows, std::uint32_t tableCount);
  void BeginTable(const JetTableInfo& table);
  void Row(std::span<const JetCell> cells);
  void EndTable();
  // Writes the end mark and flushes; false when the output failed.
  bool End();

 private:
  void Flush();
  std::ostream& out_;
  std::string buffer_;
  bool withRows_ = false;
  std::size_t columns_ = 0;
};

// Receives what a parsed stream holds.
class JetStreamSink {
 public:
  virtual ~JetStreamSink() = default;
  virtual void Table(const JetTableInfo& table) = 0;
  virtual void Row(std::span<const JetCell> cells) = 0;
  virtual void EndTable() = 0;
};

struct JetStreamHeader {
  std::uint32_t jetVersion = 0;
  bool withRows = false;
  std::uint32_t tableCount = 0;
};

// Parses a stream as its bytes arrive: each `Feed` hands every complete table description and
// row to the sink at once, keeping an unfinished one until the rest comes. A stream that is
// inconsistent, cut short (found by `Finish`) or has bytes after its end mark raises error
// 3049 naming `source` (the database file).
class JetStreamParser final {
 public:
  JetStreamParser(JetStreamSink& sink, std::string source);
  ~JetStreamParser();
  JetStreamParser(const JetStreamParser&) = delete;
  JetStreamParser& operator=(const JetStreamParser&) = delete;

  void Feed(std::string_view bytes);
  // True once the end mark has been read.
  bool done() const noexcept { return state_ == State::Done; }
  JetStreamHeader Finish();

 private:
  enum class State { Header, Table, Rows, EndMark, Done };
  class Cursor;
  bool Step();
  [[noreturn]] void Fail(std::string_view what, std::size_t at) const;

  JetStreamSink& sink_;
  std::string source_;
  std::string buffer_;
  std::size_t pos_ = 0;   // parsed bytes of `buffer_`
  std::size_t base_ = 0;  // stream offset of buffer_[0]
  State state_ = State::Header;
  JetStreamHeader header_;
  std::uint32_t tablesDone_ = 0;
  JetTableInfo table_;
  std::vector<JetCell> cells_;
};

// Parses a whole stream held in memory.
JetStreamHeader ParseJetStream(std::string_view bytes, JetStreamSink& sink,
                               std::string_view source);

// What the program asks the reader for: rows of one table of the catalog (tables and columns by
// their index there), all of them or only those whose key column holds one of the given
// values. The reader answers a request with a stream of the tables asked for, each with the
// columns asked for in the order of the table.
struct JetRowRequest {
  std::uint16_t table = 0;
  std::vector<std::uint16_t> columns;  // ascending; empty for every column
  bool keyed = false;
  std::uint16_t keyColumn = 0;     // a Byte, Integer or Long column
  std::vector<std::int64_t> keys;  // ascending
};

// Limits of a request.
inline constexpr std::size_t kJetMaxRequestTables = 1024;
inline constexpr std::size_t kJetMaxRequestKeys = 1 << 20;
inline constexpr std::size_t kJetMaxRequestBytes = 64 << 20;

// A request's bytes, its length in front (see jet_table_stream.cpp for the layout).
std::string EncodeJetRequest(const std::vector<JetRowRequest>& tables);
// The tables of a request's bytes after its length; nothing when they are not a request.
std::optional<std::vector<JetRowRequest>> DecodeJetRequest(std::string_view body);

}  // namespace orv
