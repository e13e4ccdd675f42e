// The flow test database, on a bench's database of 32000 tests (ten by-lift rows each) written by
// our own Jet writer:
// - the selection dialog's test list (open, custom names, the "[ANY]" query sorted by test
//   number, every row fetched and formatted): cold (target: at most 100 ms) and from the cache
//   folder (target: at most 30 ms);
// - one test read from a file not yet open (target: at most 100 ms) and from the open database;
// - the memory of the command line listing every test (target: at most 40 MB);
// - the same work done by a script a user would write instead (`mdb-export` of the tables piped
//   into `sqlite3`, then the query), timed in the same run as the reference.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "airflow/jet_reader_process.h"
#include "airflow/jet_sql.h"
#include "airflow/jet_table_stream.h"
#include "airflow/read_test.h"
#include "airflow/test_database.h"
#include "airflow/test_database_cache.h"
#include "airflow/test_list_query.h"
#include "support/bench_database.h"
#include "support/temp_dir.h"

extern char** environ;

namespace {

constexpr int kTests = 32000;
constexpr int kRowsPerTest = 10;
constexpr std::int32_t kOneTest = 4006;  // a test by lift (manual), with pitot readings

orv::test::TempDir& Folder() {
  static orv::test::TempDir dir;
  return dir;
}

// The database is written by a child process: the writer holds every row in memory (about
// 900 MB), which this process must not, since a process started from it counts this process's
// largest size as its own.
const std::filesystem::path& BigBench() {
  static const std::filesystem::path file = [] {
    const auto path = Folder() / "bench32000.mdb";
    const pid_t writer = fork();
    if (writer == 0) {
      orv::test::GeneratedBench(kTests, kRowsPerTest).Write(path);
      _exit(0);
    }
    int status = 0;
    waitpid(writer, &status, 0);
    return path;
  }();
  return file;
}

orv::JetReaderOptions Reader() {
  orv::JetReaderOptions o;
  o.executable = ORVANTIS_JET_READER;
  return o;
}

orv::DiskCacheOptions DiskCache() { return {Folder() / "cache"}; }

orv::TestListSettings ListSettings(std::vector<int> columns) {
  orv::TestListSettings settings;
  settings.shownColumns = std::move(columns);
  settings.sortColumns = {orv::kTestNoColumn, -1, -1};
  return settings;
}

// Opens the database and fills the dialog's list; the number of tests listed.
std::size_t List(const orv::DiskCacheOptions& cache, const std::vector<int>& columns) {
  orv::TestDatabase db(BigBench(), Reader(), {}, cache);
  const orv::CustomNames names = orv::ReadCustomNames(db);
  const orv::TestList list = orv::FillTestList(
      db, orv::BuildTestListQuery(ListSettings(columns), names, db.dateFormat()), names);
  benchmark::DoNotOptimize(list);
  return list.rows.size();
}

void Check(benchmark::State& state, std::size_t rows) {
  if (rows != kTests) state.SkipWithError("not every test was listed");
  state.counters["tests"] = static_cast<double>(rows);
}

const std::vector<int> kDefaultColumns = {0, 1, 2, 3, 4};

// Runs a program (its standard input from `input`, standard output and error and descriptor
// 3 to /dev/null) and waits for it: its exit status and its largest resident size in kB, which
// includes that of the processes it waited for.
struct Run {
  int status = -1;
  long maxRssKb = 0;
};
Run RunProgram(const std::vector<std::string>& args, const char* input = "/dev/null") {
  std::vector<char*> argv;
  std::vector<std::string> copy = args;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input, O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 3, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  Run run;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid) {
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      run.maxRssKb = usage.ru_maxrss;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

// `orvantis flow-tests DB.mdb --no-cache --defaults`: the whole program listing every test,
// with the largest resident size of it and its reader (whichever is larger). It runs first,
// while this process is small (see BigBench).
void BM_CommandLineListAllTests(benchmark::State& state) {
  const std::string root = (Folder() / "data").string();
  std::filesystem::create_directories(root);
  BigBench();
  Run run;
  for (auto _ : state) {
    run = RunProgram({ORVANTIS_EXECUTABLE, "flow-tests", BigBench().string(), "--no-cache",
                      "--defaults", "--data-root", root});
    if (run.status != 0) state.SkipWithError("the command failed");
  }
  state.counters["largest_process_MB"] = static_cast<double>(run.maxRssKb) / 1024.0;
}
BENCHMARK(BM_CommandLineListAllTests)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reader alone answering the list's request (its catalog, then "TblTest" and the kind
// tables with the list's columns): its time and size. Argument 0: the reader program of its
// own; 1: the whole program's hidden command, which loads the window's libraries at each start.
void BM_ReaderAloneForTheList(benchmark::State& state) {
  BigBench();
  const auto request = Folder() / "list.request";
  {
    // The catalog tells the tables' and columns' numbers.
    orv::JetReaderSession session(Reader(), BigBench());
    struct Catalog final : orv::JetStreamSink {
      std::vector<orv::JetTableInfo> tables;
      void Table(const orv::JetTableInfo& t) override { tables.push_back(t); }
      void Row(std::span<const orv::JetCell>) override {}
      void EndTable() override {}
    } catalog;
    orv::JetStreamParser parser(catalog, "bench");
    session.Start([&](std::string_view bytes) {
      parser.Feed(bytes);
      return parser.done();
    });
    std::vector<orv::JetRowRequest> tables;
    for (std::size_t t = 0; t < catalog.tables.size(); ++t) {
      const orv::JetTableInfo& info = catalog.tables[t];
      const bool test = info.name == "TblTest";
      bool kind = false;
      for (int k : {2, 3, 4, 5, 6, 10}) kind = kind || orv::KindTableName(k) == info.name;
      if (!test && !kind) continue;
      orv::JetRowRequest r;
      r.table = static_cast<std::uint16_t>(t);
      for (std::size_t c = 0; c < info.columns.size(); ++c) {
        const std::string& n = info.columns[c].name;
        if (test ? (n == "Date" || n == "Time" || n == "TestKind" || n == "TestName" || n == "ID")
                 : n == "TestID") {
          r.columns.push_back(static_cast<std::uint16_t>(c));
        }
      }
      tables.push_back(r);
    }
    std::ofstream(request, std::ios::binary) << orv::EncodeJetRequest(tables);
  }
  Run run;
  for (auto _ : state) {
    run = RunProgram({state.range(0) == 0 ? ORVANTIS_JET_READER : ORVANTIS_EXECUTABLE, "jet-read",
                      "--channel", "3", "--", BigBench().string()},
                     request.c_str());
    if (run.status != 0) state.SkipWithError("the reader failed");
  }
  state.counters["reader_MB"] = static_cast<double>(run.maxRssKb) / 1024.0;
}
BENCHMARK(BM_ReaderAloneForTheList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The dialog's default columns, all six kinds, nothing kept from an earlier run.
void BM_ListAllTestsCold(benchmark::State& state) {
  BigBench();
  std::size_t rows = 0;
  for (auto _ : state) rows = List({}, kDefaultColumns);
  Check(state, rows);
}
BENCHMARK(BM_ListAllTestsCold)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with the tables kept in the cache folder by an earlier run.
void BM_ListAllTestsFromDiskCache(benchmark::State& state) {
  std::filesystem::remove_all(DiskCache().folder);
  List(DiskCache(), kDefaultColumns);
  std::size_t rows = 0;
  for (auto _ : state) rows = List(DiskCache(), kDefaultColumns);
  Check(state, rows);
}
BENCHMARK(BM_ListAllTestsFromDiskCache)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the cache folder, a list not filled before (a filter value new at each iteration): the
// query runs on the cached tables.
void BM_ListFilteredFromDiskCache(benchmark::State& state) {
  std::filesystem::remove_all(DiskCache().folder);
  List(DiskCache(), kDefaultColumns);
  int n = 0;
  for (auto _ : state) {
    orv::TestDatabase db(BigBench(), Reader(), {}, DiskCache());
    const orv::CustomNames names = orv::ReadCustomNames(db);
    orv::TestListSettings settings = ListSettings(kDefaultColumns);
    settings.rows[0] = {orv::FilterConnector::And, 5, orv::FilterRelation::Greater,
                        std::to_string(100 + n++ % 50) + ".5"};  // "Maximum CFM"
    const orv::TestList list =
        orv::FillTestList(db, orv::BuildTestListQuery(settings, names, db.dateFormat()), names);
    if (list.rows.empty()) state.SkipWithError("nothing listed");
    benchmark::DoNotOptimize(list);
  }
}
BENCHMARK(BM_ListFilteredFromDiskCache)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every column shown, the customer join included; cold.
void BM_ListAllTestsAllColumnsCold(benchmark::State& state) {
  std::vector<int> all;
  for (int i = 0; i < 15 + 32 + 26; ++i) all.push_back(i);
  BigBench();
  std::size_t rows = 0;
  for (auto _ : state) rows = List({}, all);
  Check(state, rows);
}
BENCHMARK(BM_ListAllTestsAllColumnsCold)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first read of a test from a database not yet open (as the command line's
// `--intake-test-id`): the reader picks out the test's rows.
void BM_ReadTestFromAFileNotYetOpen(benchmark::State& state) {
  BigBench();
  for (auto _ : state) {
    orv::TestDatabaseCache databases(Reader());
    orv::FlowTest test;
    test.TestID = kOneTest;
    if (!orv::ReadTest(test, BigBench(), databases)) state.SkipWithError("not read");
    benchmark::DoNotOptimize(test);
  }
}
BENCHMARK(BM_ReadTestFromAFileNotYetOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

// `ReadTest` of the tests in turn (all six kinds) from a database held open, as the dialog
// reads the test the user opens: the first reads pick out single tests, the later ones find
// the tables loaded whole.
void BM_ReadTestFromTheOpenDatabase(benchmark::State& state) {
  orv::TestDatabase db(BigBench(), Reader());
  for (int id = 1; id <= 6; ++id) {
    orv::FlowTest warm;
    warm.TestID = id;
    if (!orv::ReadTest(warm, db)) state.SkipWithError("not read");
  }
  int id = 1;
  for (auto _ : state) {
    orv::FlowTest test;
    test.TestID = id;
    if (!orv::ReadTest(test, db)) state.SkipWithError("not read");
    benchmark::DoNotOptimize(test);
    id = id % kTests + 1;
  }
}
BENCHMARK(BM_ReadTestFromTheOpenDatabase)->Unit(benchmark::kMillisecond);

// The script pipeline with the tables and query of a command.
void Script(benchmark::State& state, const std::string& sqliteQuery,
            const std::vector<std::string>& tables) {
  const auto query = Folder() / "query.sql";
  std::ofstream(query) << sqliteQuery << "\n";
  std::vector<std::string> args = {"/bin/sh", ORVANTIS_SOURCE_DIR "/bench/mdb_export_pipeline.sh",
                                   BigBench().string(), (Folder() / "script.sqlite").string(),
                                   query.string()};
  args.insert(args.end(), tables.begin(), tables.end());
  // The sqlite3 shell is not among the program's own dependencies.
  if (RunProgram({"/bin/sh", "-c", "command -v sqlite3 && command -v mdb-export"}).status != 0) {
    state.SkipWithError("the script needs the sqlite3 shell and mdb-export");
    return;
  }
  for (auto _ : state) {
    if (RunProgram(args).status != 0) state.SkipWithError("the script failed");
  }
}

// The list's query run by the script on the tables it names.
void BM_ScriptListAllTests(benchmark::State& state) {
  orv::CustomNames names;
  const orv::TestListQuery q = orv::BuildTestListQuery(ListSettings(kDefaultColumns), names, {});
  Script(state, orv::TranslateJetSql(q.sql, {}),
         {"TblTest", "TblManualByLift", "TblAutoByLift", "TblCfmByKbd", "TblByDepr", "TblPortMap",
          "TblCarbTest"});
}
BENCHMARK(BM_ScriptListAllTests)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The queries of one test (by lift, manual) run by the script on the tables they name.
void BM_ScriptReadOneTest(benchmark::State& state) {
  const std::string id = std::to_string(kOneTest);
  Script(state,
         "SELECT * FROM TblTest WHERE ID = " + id +
             "; SELECT * FROM TblManualByLift WHERE TestID = " + id +
             "; SELECT * FROM TblByLiftOrDeprData WHERE TestID = " + id +
             "; SELECT * FROM TblByLiftPitotData WHERE TestID = " + id + ";",
         {"TblTest", "TblManualByLift", "TblByLiftOrDeprData", "TblByLiftPitotData"});
}
BENCHMARK(BM_ScriptReadOneTest)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
