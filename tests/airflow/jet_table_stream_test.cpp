#include "airflow/jet_table_stream.h"

#include <gtest/gtest.h>

#include <sstream>

#include "airflow/jet_errors.h"
#include "base/runtime_error.h"

namespace orv {
namespace {

// Keeps what a stream holds, values turned into text for comparing.
class Collector final : public JetStreamSink {
 public:
  void Table(const JetTableInfo& table) override {
    tables.push_back(table);
    rows.emplace_back();
  }
  void Row(std::span<const JetCell> cells) override {
    std::string row;
    for (const JetCell& c : cells) {
      switch (c.kind) {
        case JetCell::Kind::Null:
          row += "NULL|";
          break;
        case JetCell::Kind::Integer:
          row.append("i").append(std::to_string(c.integer)).append("|");
          break;
        case JetCell::Kind::Real:
          row.append("r").append(std::to_string(c.real)).append("|");
          break;
        case JetCell::Kind::Text:
          row.append("t'").append(c.bytes).append("'|");
          break;
        case JetCell::Kind::Blob:
          row.append("b").append(std::to_string(c.bytes.size())).append("|");
          break;
      }
    }
    rows.back().push_back(row);
  }
  void EndTable() override { ++ended; }
  std::vector<JetTableInfo> tables;
  std::vector<std::vector<std::string>> rows;
  int ended = 0;
};

// One table "T" (A Long, B Text, key A, 3 rows in its definition) with the rows (5, "hi") and
// (NULL, ""), byte by byte.
const std::string kSmallStream =
    std::string("OVJETTB2") + std::string("\x01\x00\x00\x00", 4) +  // Jet 4
    std::string("\x01", 1) +                                        // rows follow
    std::string("\x01\x00\x00\x00", 4) +                            // one table
    std::string("\x01\x00T", 3) +                                   // name
    std::string("\x02\x00", 2) +                                    // two columns
    std::string(
        "\x01\x00"
        "A\x04",
        4) +  // A, Long
    std::string(
        "\x01\x00"
        "B\x0A",
        4) +                              // B, Text
    std::string("\x01\x00\x00", 3) +      // key: column 0
    std::string("\x03\x00\x00\x00", 4) +  // rows in the definition
    std::string("\x01\x01\x05\x00\x00\x00\x00\x00\x00\x00", 10) +
    std::string("\x03\x02\x00\x00\x00hi", 7) + std::string("\x01\x00\x03\x00\x00\x00\x00", 7) +
    std::string("\x00", 1) +  // end of rows
    "END!";

TEST(JetTableStream, WriterProducesTheDocumentedBytes) {
  std::ostringstream out;
  JetStreamWriter w(out);
  w.Begin(1, true, 1);
  JetTableInfo t{"T", {{"A", JetColumnType::Long}, {"B", JetColumnType::Text}}, {0}, 3};
  w.BeginTable(t);
  const JetCell first[] = {{JetCell::Kind::Integer, 5, 0, {}}, {JetCell::Kind::Text, 0, 0, "hi"}};
  const JetCell second[] = {{}, {JetCell::Kind::Text, 0, 0, ""}};
  w.Row(first);
  w.Row(second);
  w.EndTable();
  ASSERT_TRUE(w.End());
  EXPECT_EQ(out.str(), kSmallStream);
}

TEST(JetTableStream, ParserReadsTablesAndEveryKindOfCell) {
  Collector c;
  const JetStreamHeader h = ParseJetStream(kSmallStream, c, "x.mdb");
  EXPECT_EQ(h.jetVersion, 1u);
  EXPECT_TRUE(h.withRows);
  ASSERT_EQ(c.tables.size(), 1u);
  EXPECT_EQ(c.tables[0].name, "T");
  ASSERT_EQ(c.tables[0].columns.size(), 2u);
  EXPECT_EQ(c.tables[0].columns[1].type, JetColumnType::Text);
  EXPECT_EQ(c.tables[0].primaryKey, std::vector<std::uint16_t>{0});
  EXPECT_EQ(c.tables[0].rowCount, 3u);
  EXPECT_EQ(c.rows[0], (std::vector<std::string>{"i5|t'hi'|", "NULL|t''|"}));
  EXPECT_EQ(c.ended, 1);

  std::ostringstream out;
  JetStreamWriter w(out);
  w.Begin(0, true, 2);
  w.BeginTable({"R", {{"x", JetColumnType::Double}, {"y", JetColumnType::Binary}}, {}});
  const JetCell row[] = {{JetCell::Kind::Real, 0, -2.5, {}},
                         {JetCell::Kind::Blob, 0, 0, std::string_view("\0\1\2", 3)}};
  w.Row(row);
  w.EndTable();
  w.BeginTable({"Empty", {{"z", JetColumnType::Memo}}, {}});
  w.EndTable();
  ASSERT_TRUE(w.End());
  Collector d;
  ParseJetStream(out.str(), d, "x.mdb");
  ASSERT_EQ(d.tables.size(), 2u);
  EXPECT_EQ(d.rows[0], std::vector<std::string>{"r-2.500000|b3|"});
  EXPECT_TRUE(d.rows[1].empty());
}

TEST(JetTableStream, ParsesTheSameWhateverPiecesTheBytesArriveIn) {
  for (std::size_t piece : {1, 2, 3, 7, 61}) {
    Collector c;
    JetStreamParser parser(c, "x.mdb");
    for (std::size_t at = 0; at < kSmallStream.size(); at += piece) {
      parser.Feed(std::string_view(kSmallStream).substr(at, piece));
    }
    EXPECT_EQ(parser.Finish().tableCount, 1u) << piece;
    ASSERT_EQ(c.rows.size(), 1u) << piece;
    EXPECT_EQ(c.rows[0], (std::vector<std::string>{"i5|t'hi'|", "NULL|t''|"})) << piece;
  }
}

void ExpectDamaged(const std::string& bytes, const std::string& what) {
  Collector c;
  try {
    ParseJetStream(bytes, c, "bench.mdb");
    ADD_FAILURE() << "accepted: " << what;
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrCannotOpenDb) << what;
    EXPECT_NE(e.description().find("bench.mdb"), std::string::npos) << what;
  }
}

TEST(JetTableStream, EveryShortenedStreamIsRefused) {
  for (std::size_t n = 0; n < kSmallStream.size(); ++n) {
    ExpectDamaged(kSmallStream.substr(0, n), "cut at " + std::to_string(n));
  }
}

TEST(JetTableStream, InconsistentStreamsAreRefused) {
  auto with = [](std::size_t at, std::string bytes) {
    std::string s = kSmallStream;
    s.replace(at, bytes.size(), bytes);
    return s;
  };
  struct Row {
    std::string bytes;
    const char* what;
  };
  const Row rows[] = {
      {with(0, "X"), "wrong tag"},
      {with(12, "\x02"), "bad row flag"},
      {with(13, std::string("\xFF\xFF\xFF\x7F", 4)), "table count beyond the stream"},
      {with(13, std::string("\x02\x00\x00\x00", 4)), "a table missing"},
      {with(17, std::string("\x00\x00", 2)), "empty table name"},
      {with(17, std::string("\x01\x01", 2)), "table name longer than the stream"},
      {with(19, std::string("\0", 1)), "NUL in a name"},
      {with(20, std::string("\x00\x00", 2)), "no columns"},
      {with(20, std::string("\x00\x01", 2)), "256 columns"},
      {with(30, std::string("\x0B", 1)), "eleven key columns"},
      {with(31, std::string("\x02\x00", 2)), "key column out of range"},
      {with(37, std::string("\x02", 1)), "bad row mark"},
      {with(38, std::string("\x07", 1)), "bad cell tag"},
      {with(48, std::string("\xFF\xFF\xFF\xFF", 4)), "text longer than the stream"},
      {with(kSmallStream.size() - 4, "END?"), "wrong end mark"},
      {kSmallStream + "x", "bytes after the end"},
  };
  for (const Row& r : rows) ExpectDamaged(r.bytes, r.what);
}

}  // namespace
}  // namespace orv
