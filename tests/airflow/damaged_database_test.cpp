// Damaged test databases as the reader program meets them: a catalog that lists the tables in
// part, rows whose places are impossible, long values whose pieces run in a circle, page maps
// mdbtools would read past; and a reader that never outlives the program that started it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "airflow/jet_errors.h"
#include "airflow/jet_file_reader.h"
#include "airflow/jet_table_stream.h"
#include "airflow/test_database.h"
#include "base/atomic_file.h"
#include "base/error_trace.h"
#include "base/runtime_error.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/reader_scripts.h"
#include "support/runtime_errors.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::BenchDatabase;
using test::JetWriteOptions;
using test::TempDir;

constexpr std::size_t kPage = 4096;
constexpr std::size_t kRowCountAt = 12;  // Jet 4 data pages

// Where the two forms of the file differ for the helpers below.
struct Form {
  std::size_t page;
  std::size_t rowCountAt;  // on a data page
  bool jet3;
};
constexpr Form kJet4{kPage, kRowCountAt, false};
constexpr Form kJet3{2048, 8, true};

using test::ReaderOf;

unsigned U16(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) |
         static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8;
}
std::uint32_t U32(const std::string& b, std::size_t at) {
  return U16(b, at) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}
void Put16(std::string& b, std::size_t at, unsigned v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// The data pages of the file whose owner is `owner` (a definition page, or "LVAL").
std::vector<std::size_t> DataPages(const std::string& b, std::uint32_t owner,
                                   const Form& form = kJet4) {
  std::vector<std::size_t> pages;
  for (std::size_t p = 0; p + form.page <= b.size(); p += form.page) {
    if (b[p] == '\x01' && U32(b, p + 4) == owner) pages.push_back(p);
  }
  return pages;
}

// The catalog's one data page (the catalog's definition is page 2).
std::size_t CatalogPage(const std::string& b, const Form& form = kJet4) {
  const std::vector<std::size_t> pages = DataPages(b, 2, form);
  EXPECT_EQ(pages.size(), 1u);
  return pages.empty() ? 0 : pages.front();
}

// The catalog row of table `name`: its number on the catalog page (names are compressed text
// in Jet 4, plain in Jet 3).
int CatalogRowOf(const std::string& b, const std::string& name, const Form& form = kJet4) {
  const std::size_t page = CatalogPage(b, form);
  const std::size_t at = b.find(form.jet3 ? name : "\xFF\xFE" + name, page);
  const unsigned rows = U16(b, page + form.rowCountAt);
  for (unsigned r = 0; r < rows; ++r) {
    const std::size_t start = page + (U16(b, page + form.rowCountAt + 2 + 2 * r) & 0x1FFF);
    const std::size_t end =
        r == 0 ? page + form.page : page + (U16(b, page + form.rowCountAt + 2 * r) & 0x1FFF);
    if (at >= start && at < end) return static_cast<int>(r);
  }
  return -1;
}

// The definition page of table `name`, from its catalog row (the row's "Id", its first fixed
// column, after the row's column count).
std::uint32_t DefinitionOf(const std::string& b, const std::string& name,
                           const Form& form = kJet4) {
  const std::size_t page = CatalogPage(b, form);
  const int r = CatalogRowOf(b, name, form);
  EXPECT_GE(r, 0) << name;
  if (r < 0) return 0;
  const std::size_t row = page + (U16(b, page + form.rowCountAt + 2 + 2 * r) & 0x1FFF);
  return U32(b, row + (form.jet3 ? 1 : 2));
}

using test::Failure;

// Opens the file and reads every table (as the test list and a test's read do, and more).
// Returns the failure, or the number of tests "TblTest" lists.
Failure ReadAll(const std::filesystem::path& file, long* tests = nullptr) {
  Failure failure;
  try {
    TestDatabase db(file, ReaderOf(test::JetReaderProgram()));
    for (const JetTableInfo& t : db.tables()) {
      RecordSet rs = db.OpenRecordSet("SELECT * FROM [" + t.name + "]");
      const long rows = rs.RecordCount();
      if (t.name == "TblTest" && tests != nullptr) *tests = rows;
    }
  } catch (const RuntimeError& e) {
    failure = {e.number(), e.description()};
  }
  EStackTrace::Instance().Clear();
  return failure;
}

void Write(const std::filesystem::path& p, const std::string& bytes) {
  ASSERT_EQ(WriteFileAtomically(p, bytes), "");
}

std::string Bench40(const TempDir& dir) {
  test::GeneratedBench(40, 1).Write(dir / "whole.mdb");
  return ReadWholeFile(dir / "whole.mdb").value();
}

// A whole file reads whole; the helpers find what the damage below changes.
TEST(DamagedDatabase, TheWholeBenchReadsWhole) {
  TempDir dir;
  const std::string whole = Bench40(dir);
  long tests = 0;
  const Failure f = ReadAll(dir / "whole.mdb", &tests);
  EXPECT_EQ(f.number, 0) << f.description;
  EXPECT_EQ(tests, 40);
  EXPECT_GT(DefinitionOf(whole, "TblAutoByLift"), 2u);
}

// One 2-byte row offset of the catalog page changed: mdbtools passes over the row it cannot
// read (or reads another in its place) and would list the tables in part. The catalog read
// again row by row tells: the file is reported damaged, by name, and never read as one
// without those tables.
TEST(DamagedDatabase, ACatalogWithADamagedRowOffsetIsReportedDamaged) {
  TempDir dir;
  const std::string whole = Bench40(dir);
  const std::size_t page = CatalogPage(whole);
  struct Case {
    const char* name;
    const char* table;
    int delta;  // added to the row's offset; 0 sets it to 0
  };
  const Case cases[] = {
      {"one byte later", "TblTest", +1},
      {"one byte earlier", "TblTest", -1},
      {"a kind table's row one byte later", "TblAutoByLift", +1},
      {"a kind table's row four bytes earlier", "TblByDepr", -4},
      {"a kind table's row at 0", "TblCarbTest", 0},
      {"the last table's row 2 bytes later", "TblCustomNames", +2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int r = CatalogRowOf(whole, c.table);
    ASSERT_GE(r, 0) << c.table;
    std::string bytes = whole;
    const std::size_t at = page + kRowCountAt + 2 + 2 * static_cast<std::size_t>(r);
    Put16(bytes, at, c.delta == 0 ? 0u : U16(bytes, at) + static_cast<unsigned>(c.delta));
    Write(dir / "bench.mdb", bytes);
    long tests = -1;
    const Failure f = ReadAll(dir / "bench.mdb", &tests);
    EXPECT_EQ(f.number, kErrCannotOpenDb) << f.description << " tests " << tests;
    EXPECT_NE(f.description.find((dir / "bench.mdb").string()), std::string::npos) << f.description;
    EXPECT_NE(f.description.find("list of tables is damaged"), std::string::npos) << f.description;
  }
}

// Copies cut at every page boundary: none reads as a file with fewer tests (or none); each is
// refused as damaged (the shortest as no database at all).
TEST(DamagedDatabase, ACutCopyIsNeverReadAsAFileWithFewerTests) {
  TempDir dir;
  const std::string whole = Bench40(dir);
  for (std::size_t keep = kPage; keep < whole.size(); keep += kPage) {
    SCOPED_TRACE(keep / kPage);
    Write(dir / "cut.mdb", whole.substr(0, keep));
    long tests = -1;
    const Failure f = ReadAll(dir / "cut.mdb", &tests);
    EXPECT_TRUE(f.number == kErrCannotOpenDb || f.number == kErrUnrecognizedDb)
        << f.number << " " << f.description << " tests " << tests;
    if (keep == 3 * kPage) {
      // Only the database, map and catalog definition pages: the catalog's rows are gone.
      EXPECT_NE(f.description.find("the table MSysObjects is damaged: its definition holds"),
                std::string::npos)
          << f.description;
    }
  }
}

// A table's data page with its row count raised by one and a row offset of 0: the rows whose
// places are impossible are damage, not rows that make up the count.
TEST(DamagedDatabase, RowsWithImpossiblePlacesMakeTheTableDamaged) {
  TempDir dir;
  const std::string whole = Bench40(dir);
  const std::uint32_t tdef = DefinitionOf(whole, "TblAutoByLift");
  const std::vector<std::size_t> pages = DataPages(whole, tdef);
  ASSERT_EQ(pages.size(), 1u);
  const std::size_t page = pages.front();
  const unsigned rows = U16(whole, page + kRowCountAt);
  ASSERT_GE(rows, 3u);
  struct Case {
    const char* name;
    bool raiseCount;
    int zeroRow;  // -1: none
  };
  const Case cases[] = {
      {"count raised, a row at 0", true, 1},
      {"count raised, the first row at 0", true, 0},
      {"count raised only", true, -1},
      {"a row at 0 only", false, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = whole;
    if (c.raiseCount) Put16(bytes, page + kRowCountAt, rows + 1);
    if (c.zeroRow >= 0)
      Put16(bytes, page + kRowCountAt + 2 + 2 * static_cast<std::size_t>(c.zeroRow), 0);
    Write(dir / "bench.mdb", bytes);
    const Failure f = ReadAll(dir / "bench.mdb");
    EXPECT_EQ(f.number, kErrCannotOpenDb) << f.description;
    EXPECT_NE(f.description.find("(the table TblAutoByLift is damaged: row "), std::string::npos)
        << f.description;
    EXPECT_NE(f.description.find("does not fit its place)"), std::string::npos) << f.description;
  }
}

// A bench whose test 1 has notes long enough for a chain of long-value pieces.
std::string LongNotesBench(const TempDir& dir) {
  BenchDatabase b = test::GeneratedBench(6, 1);
  b.Add("TblTest", {{"ID", std::int64_t{99}},
                    {"TestKind", std::int64_t{5}},
                    {"TestName", std::string("Long notes")},
                    {"Notes", std::string(9000, 'n')}});
  b.Write(dir / "whole.mdb");
  return ReadWholeFile(dir / "whole.mdb").value();
}

// The rows of the long-value pages, as row pointers.
std::vector<std::pair<std::size_t, std::uint32_t>> LongValueRows(const std::string& b) {
  std::vector<std::pair<std::size_t, std::uint32_t>> rows;  // (byte offset of the row, pointer)
  for (std::size_t page : DataPages(b, 0x4C41564C)) {
    const unsigned count = U16(b, page + kRowCountAt);
    for (unsigned r = 0; r < count; ++r) {
      rows.emplace_back(page + (U16(b, page + kRowCountAt + 2 + 2 * r) & 0x1FFF),
                        static_cast<std::uint32_t>(page / kPage) << 8 | r);
    }
  }
  return rows;
}

// Long notes whose pieces run in a circle (a piece naming itself, or the last naming the
// first) or name a piece that is not there: mdbtools would follow them for ever or read past
// the page; the reader reports the damage at once.
TEST(DamagedDatabase, LongNotesWhosePiecesRunInACircleAreDamage) {
  TempDir dir;
  const std::string whole = LongNotesBench(dir);
  const auto pieces = LongValueRows(whole);
  ASSERT_GE(pieces.size(), 3u);  // 9000 bytes take three pieces
  {
    Write(dir / "bench.mdb", whole);
    TestDatabase db(dir / "bench.mdb", ReaderOf(test::JetReaderProgram()));
    RecordSet rs = db.OpenRecordSet("SELECT Notes FROM TblTest WHERE ID = 99");
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs.Field("Notes").AsText(), std::string(9000, 'n'));
  }
  struct Case {
    const char* name;
    std::function<void(std::string&)> damage;
    const char* reason;
  };
  // The first piece is written last: pieces.back().
  const Case cases[] = {
      {"a piece naming itself",
       [&](std::string& b) { Put32(b, pieces.back().first, pieces.back().second); },
       "runs in a circle"},
      {"the last piece naming the first",
       [&](std::string& b) { Put32(b, pieces.front().first, pieces.back().second); },
       "runs in a circle"},
      {"a piece naming a row past the page's rows",
       [&](std::string& b) { Put32(b, pieces.back().first, pieces.back().second + 40); },
       "names a piece that is not there"},
      {"a piece naming a page past the end of the file",
       [&](std::string& b) { Put32(b, pieces.back().first, 0x7FFFFF00u); },
       "names a piece that is not there"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = whole;
    c.damage(bytes);
    Write(dir / "bench.mdb", bytes);
    Failure f;
    try {
      TestDatabase db(dir / "bench.mdb", ReaderOf(test::JetReaderProgram()));
      db.OpenRecordSet("SELECT Notes FROM TblTest WHERE ID = 99");
    } catch (const RuntimeError& e) {
      f = {e.number(), e.description()};
    }
    EStackTrace::Instance().Clear();
    EXPECT_EQ(f.number, kErrCannotOpenDb) << f.description;
    EXPECT_NE(f.description.find(std::string("(the table TblTest is damaged: a long text ") +
                                 c.reason + ")"),
              std::string::npos)
        << f.description;
  }
}

// The catalog's own page map (the row on page 1 its definition names) damaged byte by byte:
// mdbtools would read past it; the reader refuses the file, naming the catalog, and never dies
// of a signal. The same for a user table's map.
TEST(DamagedDatabase, ADamagedPageMapRowIsRefusedWithAReason) {
  TempDir dir;
  const std::string whole = Bench40(dir);
  struct Case {
    const char* table;
    std::uint32_t definition;
  };
  const Case cases[] = {{"MSysObjects", 2}, {"TblTest", DefinitionOf(whole, "TblTest")}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    const std::size_t tdef = c.definition * kPage;
    const std::uint32_t pointer = U32(whole, tdef + 8 + 47);  // the map of used pages
    const std::size_t mapPage = (pointer >> 8) * kPage;
    const std::size_t slot = mapPage + kRowCountAt + 2 + 2 * (pointer & 0xFF);
    ASSERT_EQ(mapPage, kPage);
    struct Damage {
      const char* name;
      std::function<void(std::string&)> apply;
    };
    const Damage damages[] = {
        {"the map's row at the end of the page (no bytes)",
         [&](std::string& b) {
           Put16(b, slot, (pointer & 0xFF) == 0 ? kPage - 1 : U16(b, slot - 2));
         }},
        {"the map of no known type", [&](std::string& b) { b[kPage + U16(b, slot)] = '\x07'; }},
        {"the map pointer naming no row",
         [&](std::string& b) { Put32(b, tdef + 8 + 47, pointer + 200); }},
        {"the map pointer naming a page past the end",
         [&](std::string& b) { Put32(b, tdef + 8 + 47, 0x00FFFF00u); }},
    };
    for (const Damage& d : damages) {
      SCOPED_TRACE(d.name);
      std::string bytes = whole;
      d.apply(bytes);
      Write(dir / "bench.mdb", bytes);
      const Failure f = ReadAll(dir / "bench.mdb");
      EXPECT_EQ(f.number, kErrCannotOpenDb) << f.description;
      EXPECT_EQ(f.description.find("signal"), std::string::npos) << f.description;
      EXPECT_NE(f.description.find(std::string("the table ") + c.table + " is damaged"),
                std::string::npos)
          << f.description;
    }
  }
}

// The same in the older form, whose rows keep their counts in single bytes: a row read from
// one byte off may then take apart as a row of fewer columns, without a type or a name, which
// mdbtools passes over as no table at all. Every row of the list of tables has a type; a row
// without one is damage, and the file is never read as one with fewer tables (or none).
TEST(DamagedDatabase, AnOlderCatalogWithADamagedRowOffsetIsReportedDamaged) {
  TempDir dir;
  JetWriteOptions jet3;
  jet3.jet3 = true;
  test::GeneratedBench(40, 1).Write(dir / "whole.mdb", jet3);
  const std::string whole = ReadWholeFile(dir / "whole.mdb").value();
  {
    long tests = 0;
    const Failure f = ReadAll(dir / "whole.mdb", &tests);
    ASSERT_EQ(f.number, 0) << f.description;
    ASSERT_EQ(tests, 40);
  }
  const std::size_t page = CatalogPage(whole, kJet3);
  struct Case {
    const char* table;
    int delta;
  };
  const Case cases[] = {{"TblTest", +1},   {"TblTest", +2},        {"TblAutoByLift", +1},
                        {"TblByDepr", +1}, {"TblCustomNames", +1}, {"TblCarbTest", +2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.table) + " " + std::to_string(c.delta));
    const int r = CatalogRowOf(whole, c.table, kJet3);
    ASSERT_GE(r, 0);
    std::string bytes = whole;
    const std::size_t at = page + kJet3.rowCountAt + 2 + 2 * static_cast<std::size_t>(r);
    Put16(bytes, at, U16(bytes, at) + static_cast<unsigned>(c.delta));
    Write(dir / "bench.mdb", bytes);
    long tests = -1;
    const Failure f = ReadAll(dir / "bench.mdb", &tests);
    EXPECT_EQ(f.number, kErrCannotOpenDb) << f.description << " tests " << tests;
    EXPECT_NE(f.description.find("list of tables is damaged"), std::string::npos) << f.description;
  }
}

// A table definition that gives a column no name (its name's length 0): the reader reports the
// table damaged, naming it, rather than handing on a table the program cannot take.
TEST(DamagedDatabase, AColumnWithoutANameMakesTheTableDamaged) {
  TempDir dir;
  JetWriteOptions jet3;
  jet3.jet3 = true;
  struct Case {
    const char* name;
    Form form;
    JetWriteOptions options;
  };
  const Case cases[] = {{"Jet 4", kJet4, {}}, {"Jet 3", kJet3, jet3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::GeneratedBench(3, 1).Write(dir / "whole.mdb", c.options);
    std::string bytes = ReadWholeFile(dir / "whole.mdb").value();
    // The last column of a table without an index: nothing of the definition follows its name.
    const std::size_t definition = DefinitionOf(bytes, "TblAutoByLift", c.form) * c.form.page;
    ASSERT_GT(definition, 0u);
    // The name with its length in front (u16 and UCS-2 in Jet 4, u8 and plain in Jet 3).
    std::string name;
    for (char ch : std::string("HeadExhaustEdge")) {
      name += ch;
      if (!c.form.jet3) name += '\0';
    }
    const std::size_t lengthBytes = c.form.jet3 ? 1 : 2;
    name.insert(0, lengthBytes, '\0');
    name[0] = static_cast<char>(name.size() - lengthBytes);
    const std::size_t at = bytes.find(name, definition);
    // (A long definition goes on on pages of its own.)
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(bytes[at / c.form.page * c.form.page], '\x02');
    bytes[at] = '\0';
    Write(dir / "bench.mdb", bytes);
    const Failure f = ReadAll(dir / "bench.mdb");
    EXPECT_EQ(f.number, kErrCannotOpenDb) << f.description;
    EXPECT_NE(f.description.find("(the table TblAutoByLift is damaged: its column "),
              std::string::npos)
        << f.description;
    EXPECT_NE(f.description.find(" has no name)"), std::string::npos) << f.description;
  }
}

// The descriptors this process holds open.
std::size_t OpenDescriptors() {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++n;
  }
  return n;
}

// The reader's work done in the calling process (as a fuzzer runs it) leaves no descriptor
// open behind, however it ends: the file read whole, no database at all, a catalog cut off
// before its definition or its rows (refused while the file is opened, and after), a long text
// running in a circle.
TEST(DamagedDatabase, AReadInTheCallingProcessClosesTheFileHoweverItEnds) {
  TempDir dir;
  const std::string whole = LongNotesBench(dir);
  std::string circle = whole;
  const auto pieces = LongValueRows(whole);
  ASSERT_FALSE(pieces.empty());
  Put32(circle, pieces.back().first, pieces.back().second);
  struct Case {
    const char* name;
    std::string bytes;
    JetReadStatus status;
  };
  const Case cases[] = {
      {"read whole", whole, JetReadStatus::Ok},
      {"no database", "Standard Jet DB? no", JetReadStatus::NotJet},
      {"the catalog's definition cut off", whole.substr(0, 2 * kPage), JetReadStatus::BadCatalog},
      {"the catalog's rows cut off", whole.substr(0, 3 * kPage), JetReadStatus::BadCatalog},
      {"a long text in a circle", circle, JetReadStatus::BadTable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(dir / "bench.mdb", c.bytes);
    // The tests, every column, once.
    bool asked = false;
    const auto next =
        [&](const std::vector<JetTableInfo>& tables) -> std::optional<std::vector<JetRowRequest>> {
      for (std::size_t t = 0; t < tables.size() && !asked; ++t) {
        if (tables[t].name != "TblTest") continue;
        asked = true;
        return std::vector<JetRowRequest>{{static_cast<std::uint16_t>(t), {}, false, 0, {}}};
      }
      return std::nullopt;
    };
    const std::size_t before = OpenDescriptors();
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(ReadJetFileInProcess(dir / "bench.mdb", next, out, err), c.status) << err.str();
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(asked, c.status == JetReadStatus::Ok || c.status == JetReadStatus::BadTable);
  }
}

// The reader's pipes: its requests through a socket, its streams through a pipe. The reader's
// ends go to it; ours stay here, unread.
struct ReaderPipes {
  int ourRequests = -1;
  int theirRequests = -1;
  int ourChannel = -1;
  int theirChannel = -1;
  ReaderPipes() {
    int pair[2];
    int pipeFds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) == 0) {
      ourRequests = pair[0];
      theirRequests = pair[1];
    }
    if (::pipe2(pipeFds, O_CLOEXEC) == 0) {
      ourChannel = pipeFds[0];
      theirChannel = pipeFds[1];
    }
  }
  ~ReaderPipes() {
    for (int fd : {ourRequests, theirRequests, ourChannel, theirChannel}) {
      if (fd >= 0) ::close(fd);
    }
  }
  ReaderPipes(const ReaderPipes&) = delete;
  ReaderPipes& operator=(const ReaderPipes&) = delete;
};

// Starts the reader program on `file` as a child of this process, with only `env` for its
// environment, on the reader's ends of `pipes`; its messages go to /dev/null.
pid_t SpawnReader(const std::filesystem::path& file, const ReaderPipes& pipes,
                  std::vector<std::string> env) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipes.theirRequests, 0);
  posix_spawn_file_actions_adddup2(&actions, pipes.theirChannel, 3);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> args = {
      test::JetReaderProgram(), kJetReadCommand, kJetReadChannelOption, "3", "--", file.string()};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

// True once process `pid` is gone (or a zombie no one has reaped yet), within `wait`.
bool GoneWithin(pid_t pid, std::chrono::seconds wait) {
  const auto until = std::chrono::steady_clock::now() + wait;
  while (std::chrono::steady_clock::now() < until) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return true;
    const std::size_t close = text.rfind(')');
    if (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z')
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// The program that started a reader ends while the reader waits for its next request (the
// request end is held open elsewhere, so the reader is not told by its input ending): the
// reader ends with it.
TEST(DamagedDatabase, AReaderEndsWithTheProgramThatStartedIt) {
  TempDir dir;
  Bench40(dir);
  ReaderPipes pipes;
  ASSERT_GE(pipes.ourChannel, 0);
  ASSERT_GE(pipes.ourRequests, 0);
  int report[2];
  ASSERT_EQ(::pipe(report), 0);
  const pid_t program = ::fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    // The stand-in program: starts the reader, names it, and ends without stopping it.
    const pid_t reader =
        SpawnReader(dir / "whole.mdb", pipes,
                    {std::string(kJetReaderParentVariable) + "=" + std::to_string(::getpid())});
    const auto n = ::write(report[1], &reader, sizeof reader);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::_exit(n == sizeof reader ? 0 : 1);
  }
  ::close(report[1]);
  pid_t reader = -1;
  ASSERT_EQ(::read(report[0], &reader, sizeof reader), static_cast<ssize_t>(sizeof reader));
  ::close(report[0]);
  ASSERT_GT(reader, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(program, &status, 0), program);
  const bool gone = GoneWithin(reader, std::chrono::seconds(10));
  if (!gone) ::kill(reader, SIGKILL);
  EXPECT_TRUE(gone);
}

// The program starts readers from worker threads that end while it keeps the reader: a reader
// lives on when the thread that started it ends, as long as the program does.
TEST(DamagedDatabase, AReaderOutlivesTheThreadThatStartedIt) {
  TempDir dir;
  Bench40(dir);
  ReaderPipes pipes;
  pid_t reader = -1;
  std::thread([&] {
    reader =
        SpawnReader(dir / "whole.mdb", pipes,
                    {std::string(kJetReaderParentVariable) + "=" + std::to_string(::getpid())});
  }).join();
  ASSERT_GT(reader, 0);
  const bool gone = GoneWithin(reader, std::chrono::seconds(1));
  ::kill(reader, SIGKILL);
  int status = 0;
  ::waitpid(reader, &status, 0);
  EXPECT_FALSE(gone);
}

// A reader whose answer nobody reads is ended by its own time limit, while the program is
// still there.
TEST(DamagedDatabase, AReaderEndsAtItsOwnTimeLimit) {
  TempDir dir;
  test::GeneratedBench(3000, 1).Write(dir / "big.mdb");
  ReaderPipes pipes;
  const pid_t reader =
      SpawnReader(dir / "big.mdb", pipes,
                  {std::string(kJetReaderSecondsVariable) + "=1",
                   std::string(kJetReaderParentVariable) + "=" + std::to_string(::getpid())});
  ASSERT_GT(reader, 0);
  // Every row of the first table (the tests): more than the pipe holds, and nobody reads it.
  const std::string request = EncodeJetRequest({{0, {}, false, 0, {}}});
  ASSERT_EQ(::send(pipes.ourRequests, request.data(), request.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(request.size()));
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int status = 0;
  pid_t ended = 0;
  while (ended == 0 && std::chrono::steady_clock::now() < until) {
    ended = ::waitpid(reader, &status, WNOHANG);
    if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (ended == 0) {
    ::kill(reader, SIGKILL);
    ::waitpid(reader, &status, 0);
  }
  ASSERT_EQ(ended, reader);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGALRM);
}

}  // namespace
}  // namespace orv
