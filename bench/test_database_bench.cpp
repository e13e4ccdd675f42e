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

#include <fstream>
#include <string>
#include <vector>

#include "airflow/jet_sql.h"
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

const std::filesystem::path& BigBench() {
  static const std::filesystem::path file = [] {
    const auto path = Folder() / "bench32000.mdb";
    orv::test::GeneratedBench(kTests, kRowsPerTest).Write(path);
    return path;
  }();
  return file;
}

orv::JetReaderOptions Reader() {
  orv::JetReaderOptions o;
  o.executable = ORVANTIS_EXECUTABLE;
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

// The dialog's default columns, all six kinds, nothing kept from an earlier run.
void BM_ListAllTestsCold(benchmark::State& state) {
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

// Every column shown, the customer join included; cold.
void BM_ListAllTestsAllColumnsCold(benchmark::State& state) {
  std::vector<int> all;
  for (int i = 0; i < 15 + 32 + 26; ++i) all.push_back(i);
  std::size_t rows = 0;
  for (auto _ : state) rows = List({}, all);
  Check(state, rows);
}
BENCHMARK(BM_ListAllTestsAllColumnsCold)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first read of a test from a database not yet open (as the command line's
// `--intake-test-id`): the reader picks out the test's rows.
void BM_ReadTestFromAFileNotYetOpen(benchmark::State& state) {
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

// Runs a program and waits for it; its exit status, and the largest resident size of it and of
// any process it waited for, in kB.
struct Run {
  int status = -1;
  long maxRssKb = 0;         // the program itself
  long maxDescendantKb = 0;  // the largest of all processes waited for so far
};
Run RunProgram(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  std::vector<std::string> copy = args;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
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
  rusage children{};
  getrusage(RUSAGE_CHILDREN, &children);
  run.maxDescendantKb = children.ru_maxrss;
  return run;
}

// `orvantis flow-tests DB.mdb --no-cache --defaults`: the whole program listing every test,
// with its memory and its reader's.
void BM_CommandLineListAllTests(benchmark::State& state) {
  const std::string root = (Folder() / "data").string();
  std::filesystem::create_directories(root);
  Run run;
  for (auto _ : state) {
    run = RunProgram({ORVANTIS_EXECUTABLE, "flow-tests", BigBench().string(), "--no-cache",
                      "--defaults", "--data-root", root});
    if (run.status != 0) state.SkipWithError("the command failed");
  }
  state.counters["program_MB"] = static_cast<double>(run.maxRssKb) / 1024.0;
  state.counters["largest_process_MB"] = static_cast<double>(run.maxDescendantKb) / 1024.0;
}
BENCHMARK(BM_CommandLineListAllTests)->Unit(benchmark::kMillisecond)->UseRealTime();

// The script pipeline with the tables and query of a command.
void Script(benchmark::State& state, const std::string& sqliteQuery,
            const std::vector<std::string>& tables) {
  const auto query = Folder() / "query.sql";
  std::ofstream(query) << sqliteQuery << "\n";
  std::vector<std::string> args = {"/bin/sh", ORVANTIS_SOURCE_DIR "/bench/mdb_export_pipeline.sh",
                                   BigBench().string(), (Folder() / "script.sqlite").string(),
                                   query.string()};
  args.insert(args.end(), tables.begin(), tables.end());
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
