// The flow test database: opening a bench's database of 32000 tests (about ten by-lift rows
// each), running the test list query of the selection dialog and fetching every row. The
// target is at or below 1 s for the whole.
#include <benchmark/benchmark.h>

#include "airflow/test_database.h"
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

}  // namespace
