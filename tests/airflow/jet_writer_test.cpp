// Our Jet 4 writer, checked against mdbtools' own programs (mdb-tables, mdb-export) and, for one
// small file, byte by byte against the layout worked out by hand.
#include "support/jet_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>

#include "support/bench_database.h"
#include "support/temp_dir.h"

namespace orv::test {
namespace {

std::string RunTool(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
  return out;
}

std::string Quoted(const std::filesystem::path& p) {
  std::string quoted = "'";
  return quoted.append(p.string()).append("'");
}

std::string Export(const std::filesystem::path& file, const std::string& table) {
  return RunTool(
      "MDBPATH= MDBICONV= MDBOPTS= mdb-export -D '%Y-%m-%d' -T '%Y-%m-%d %H:%M:%S' -0 N " +
      Quoted(file) + " " + table + " 2>&1");
}

TEST(JetWriter, MdbToolsListsTheBenchTables) {
  TempDir dir;
  SampleBench().Write(dir / "bench.mdb");
  std::string expected;
  for (const std::string& t : BenchDatabase::TableNames()) expected += t + "\n";
  EXPECT_EQ(RunTool("mdb-tables -1 " + Quoted(dir / "bench.mdb")), expected);
  EXPECT_EQ(RunTool("mdb-ver " + Quoted(dir / "bench.mdb")), "JET4\n");
}

TEST(JetWriter, MdbToolsExportsEveryColumnTypeAndNull) {
  TempDir dir;
  JetTable t{"Types",
             {{"Flag", JetType::Boolean},
              {"Small", JetType::Byte},
              {"Int", JetType::Integer},
              {"Big", JetType::Long},
              {"Money", JetType::Money},
              {"One", JetType::Single},
              {"Two", JetType::Double},
              {"When", JetType::DateTime},
              {"Name", JetType::Text, 20},
              {"Notes", JetType::Memo}},
             {},
             {}};
  t.rows.push_back({true, std::int64_t{255}, std::int64_t{-32768}, std::int64_t{-2147483647 - 1},
                    12.5, 0.5, -1e300, JetDayNumber(2024, 3, 14) + 0.75, std::string("abc"),
                    std::string("memo text")});
  t.rows.push_back({false, JetNull{}, JetNull{}, JetNull{}, JetNull{}, JetNull{}, JetNull{},
                    JetNull{}, JetNull{}, JetNull{}});
  t.rows.push_back({JetNull{}, std::int64_t{0}, std::int64_t{32767}, std::int64_t{2147483647},
                    -0.25, 29.92, 0.1, 0.0, std::string("Ünïcödé ☃"), std::string("x")});
  WriteJetFile(dir / "types.mdb", {t});
  EXPECT_EQ(Export(dir / "types.mdb", "Types"),
            "Flag,Small,Int,Big,Money,One,Two,When,Name,Notes\n"
            "1,255,-32768,-2147483648,12.5000,0.5,-1e+300,\"2024-03-14 18:00:00\",\"abc\",\"memo "
            "text\"\n"
            "0,N,N,N,N,N,N,N,N,N\n"
            "0,0,32767,2147483647,-0.2500,29.92,0.1,\"1899-12-30 00:00:00\",\"Ünïcödé ☃\",\"x\"\n");
}

// Jet 3 rows keep their offsets in single bytes; rows of 256 bytes and more need the jump
// table. Text is Windows-1252.
TEST(JetWriter, MdbToolsReadsTheJet3Form) {
  TempDir dir;
  JetTable t{"Old",
             {{"ID", JetType::Long},
              {"Name", JetType::Text, 20},
              {"Flag", JetType::Boolean},
              {"One", JetType::Single},
              {"Long1", JetType::Text, 255},
              {"Notes", JetType::Memo},
              {"Long2", JetType::Text, 255}},
             {},
             {"ID"}};
  t.rows.push_back({std::int64_t{1}, std::string("Ünïcödé €"), true, 0.5, std::string("a"),
                    std::string("short"), std::string("b")});
  t.rows.push_back({std::int64_t{2}, JetNull{}, false, JetNull{}, std::string(200, 'c'),
                    std::string(300, 'd'), std::string(250, 'e')});
  t.rows.push_back({std::int64_t{3}, std::string("x"), JetNull{}, 2.5, JetNull{},
                    std::string(5000, 'f'), std::string(255, 'g')});
  JetWriteOptions options;
  options.jet3 = true;
  WriteJetFile(dir / "old.mdb", {t}, options);
  EXPECT_EQ(RunTool("mdb-ver " + Quoted(dir / "old.mdb")), "JET3\n");
  EXPECT_EQ(Export(dir / "old.mdb", "Old"),
            "ID,Name,Flag,One,Long1,Notes,Long2\n"
            "1,\"Ünïcödé €\",1,0.5,\"a\",\"short\",\"b\"\n"
            "2,N,0,N,\"" +
                std::string(200, 'c') + "\",\"" + std::string(300, 'd') + "\",\"" +
                std::string(250, 'e') +
                "\"\n"
                "3,\"x\",0,2.5,N,\"" +
                std::string(5000, 'f') + "\",\"" + std::string(255, 'g') + "\"\n");
}

TEST(JetWriter, LongMemosGoToLongValuePagesAndChains) {
  TempDir dir;
  JetTable t{"M", {{"ID", JetType::Long}, {"Notes", JetType::Memo}}, {}, {}};
  const std::size_t lengths[] = {500, 3000, 9000, 20000};
  for (std::size_t i = 0; i < 4; ++i) {
    std::string memo(lengths[i], static_cast<char>('a' + i));
    memo += "|end";
    t.rows.push_back({static_cast<std::int64_t>(i), memo});
  }
  for (const JetTextForm form : {JetTextForm::Compressed, JetTextForm::Uncompressed}) {
    WriteJetFile(dir / "memo.mdb", {t}, {form, 1000});
    const std::string csv = Export(dir / "memo.mdb", "M");
    std::size_t at = csv.find('\n') + 1;
    for (std::size_t i = 0; i < 4; ++i) {
      const std::size_t end = csv.find('\n', at);
      const std::string line = csv.substr(at, end - at);
      const std::string expected = std::to_string(i) + ",\"" +
                                   std::string(lengths[i], static_cast<char>('a' + i)) + "|end\"";
      EXPECT_EQ(line, expected) << "memo " << i << " form " << static_cast<int>(form);
      at = end + 1;
    }
  }
}

TEST(JetWriter, TablesOverManyPagesUseMapPages) {
  TempDir dir;
  JetTable t{"Big", {{"ID", JetType::Long}, {"Name", JetType::Text, 100}}, {}, {}};
  const std::string filler(60, '-');
  for (int i = 0; i < 40000; ++i) {
    t.rows.push_back({std::int64_t{i}, "row " + std::to_string(i) + filler});
  }
  JetTable small{"Small", {{"ID", JetType::Long}}, {{std::int64_t{7}}}, {}};
  WriteJetFile(dir / "big.mdb", {t, small});
  EXPECT_GT(std::filesystem::file_size(dir / "big.mdb"), 512u * 4096u);
  const std::string csv = Export(dir / "big.mdb", "Big");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 40001);
  EXPECT_NE(csv.find("\n39999,\"row 39999" + filler + "\"\n"), std::string::npos);
  EXPECT_EQ(Export(dir / "big.mdb", "Small"), "ID\n7\n");
}

// A table "T" with one Long column "A" and the row A = 7. Pages: 0 the definition page, 1 the
// usage maps, 2 the catalog's definition, 3 the definition of T, 4 the catalog's rows, 5 the
// row of T.
TEST(JetWriter, SmallFileMatchesTheLayoutByteByByte) {
  const std::string file =
      WriteJet4Database({{"T", {{"A", JetType::Long}}, {{std::int64_t{7}}}, {}}});
  ASSERT_EQ(file.size(), 6u * 4096u);
  auto bytes = [&](std::size_t at, std::size_t n) { return file.substr(at, n); };
  EXPECT_EQ(bytes(0, 20), std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20));
  EXPECT_EQ(bytes(0x14, 4), std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(bytes(0x3E, 4), std::string("\xFB\x8A\xBC\x4E", 4));

  const std::size_t data = 5 * 4096;
  // Header: type 1, 1, free space 4096 - 14 - 2 - 7 = 4073 (0x0FE9), owner page 3, 0, one row
  // at offset 4089 (0x0FF9).
  EXPECT_EQ(bytes(data, 16),
            std::string("\x01\x01\xE9\x0F\x03\x00\x00\x00\x00\x00\x00\x00\x01\x00\xF9\x0F", 16));
  // Row: one column, A = 7, null mask 0x01 (A present).
  EXPECT_EQ(bytes(data + 4089, 7), std::string("\x01\x00\x07\x00\x00\x00\x01", 7));

  const std::size_t tdef = 3 * 4096;
  EXPECT_EQ(bytes(tdef, 4), std::string("\x02\x01", 2) + bytes(tdef + 2, 2));
  EXPECT_EQ(bytes(tdef + 4, 4), std::string(4, '\0'));  // no next page
  // Rows 1, user table, one column of which none is variable, no indexes.
  EXPECT_EQ(bytes(tdef + 8 + 8, 4), std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(bytes(tdef + 8 + 32, 1), "\x4E");
  EXPECT_EQ(bytes(tdef + 8 + 33, 14),
            std::string("\x01\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00", 14));
  // The column: Long (4), number 0, fixed and nullable (0x03), fixed offset 0, length 4; then
  // its name "A" in UCS-2.
  const std::size_t col = tdef + 8 + 55;
  EXPECT_EQ(bytes(col, 1), "\x04");
  EXPECT_EQ(bytes(col + 15, 1), "\x03");
  EXPECT_EQ(bytes(col + 21, 4), std::string("\x00\x00\x04\x00", 4));
  EXPECT_EQ(bytes(col + 25, 4), std::string("\x02\x00"
                                            "A\x00",
                                            4));
}

}  // namespace
}  // namespace orv::test
