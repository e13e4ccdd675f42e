// The flow test database: opening a bench's database of 32000 tests (about ten by-lift rows
// each), running the test list query of the selection dialog and fetching every row (target:
// at or below 1 s for the whole), and reading one test into a flow test (target: at or below
// 20 ms).
#include <benchmark/benchmark.h>

#include "airflow/read_test.h"
#include "airflow/test_database.h"
#include "airflow/test_database_cache.h"
#include "airflow/test_list_query.h"
#include "support/bench_database.h"
#include "support/temp_dir.h"

namespace {

constexpr int kTests = 32000;
constexpr int kRowsPerTest = 10;

const std::filesystem::path& BigBench() {
  static orv::test::TempDir dir;
  static const std::filesystem::path file = [] {
    const auto path = dir / "bench32000.mdb";
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

void ListAllTests(benchmark::State& state, std::vector<int> columns) {
  const auto& file = BigBench();
  std::size_t rows = 0;
  for (auto _ : state) {
    orv::TestDatabase db(file, Reader());
    const orv::CustomNames names = orv::ReadCustomNames(db);
    orv::TestListSettings settings;
    settings.shownColumns = columns;
    settings.sortColumns = {orv::kTestNoColumn, -1, -1};
    const orv::TestList list =
        orv::FillTestList(db, orv::BuildTestListQuery(settings, names, db.dateFormat()), names);
    rows = list.rows.size();
    benchmark::DoNotOptimize(list);
  }
  if (rows != kTests) state.SkipWithError("not every test was listed");
  state.counters["tests"] = static_cast<double>(rows);
}

// The dialog's default columns, all six kinds.
void BM_OpenAndListAllTests(benchmark::State& state) { ListAllTests(state, {0, 1, 2, 3, 4}); }
BENCHMARK(BM_OpenAndListAllTests)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every column shown, the customer join included.
void BM_OpenAndListAllTestsAllColumns(benchmark::State& state) {
  std::vector<int> all;
  for (int i = 0; i < 15 + 32 + 26; ++i) all.push_back(i);
  ListAllTests(state, all);
}
BENCHMARK(BM_OpenAndListAllTestsAllColumns)->Unit(benchmark::kMillisecond)->UseRealTime();

// One test's by-lift rows once the record table is loaded (the reads of one test).
void BM_ByLiftRowsOfOneTest(benchmark::State& state) {
  orv::TestDatabase db(BigBench(), Reader());
  db.OpenRecordSet("SELECT * FROM TblByLiftOrDeprData WHERE TestID = 1").RecordCount();
  int id = 1;
  for (auto _ : state) {
    orv::RecordSet rs =
        db.OpenRecordSet("SELECT * FROM TblByLiftOrDeprData WHERE TestID = " + std::to_string(id));
    long n = 0;
    for (; !rs.Eof(); rs.MoveNext()) n += orv::ReadSingle(rs, "CCfm", 0) > 0 ? 1 : 0;
    benchmark::DoNotOptimize(n);
    id = id % kTests + 1;
  }
}
BENCHMARK(BM_ByLiftRowsOfOneTest)->Unit(benchmark::kMicrosecond);

// `ReadTest` of one test from the open database whose tables are loaded (as after the dialog
// listed the tests or an earlier test was read): the tests in turn, so every kind comes.
void BM_ReadTestFromTheOpenDatabase(benchmark::State& state) {
  orv::TestDatabase db(BigBench(), Reader());
  for (int id = 1; id <= 6; ++id) {
    orv::FlowTest warm;
    warm.TestID = id;
    if (!orv::ReadTest(warm, db)) state.SkipWithError("a test could not be read");
  }
  int id = 1;
  long records = 0;
  for (auto _ : state) {
    orv::FlowTest test;
    test.TestID = id;
    if (!orv::ReadTest(test, db)) state.SkipWithError("a test could not be read");
    records += test.Records();
    benchmark::DoNotOptimize(test);
    id = id % kTests + 1;
  }
  state.counters["records"] =
      benchmark::Counter(static_cast<double>(records), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ReadTestFromTheOpenDatabase)->Unit(benchmark::kMillisecond);

// The first read of a test from a database not yet open: the reader process lists the tables,
// then loads "TblTest", the kind's table and the record tables whole.
void BM_ReadTestFromAFileNotYetOpen(benchmark::State& state) {
  const auto& file = BigBench();
  for (auto _ : state) {
    orv::TestDatabaseCache databases(Reader());
    orv::FlowTest test;
    test.TestID = 4006;  // a test by lift (manual)
    if (!orv::ReadTest(test, file, databases)) state.SkipWithError("the test could not be read");
    benchmark::DoNotOptimize(test);
  }
}
BENCHMARK(BM_ReadTestFromAFileNotYetOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
