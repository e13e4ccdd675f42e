#include "app/test_list_settings.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iterator>

#include "airflow/test_database.h"
#include "app/database_tab.h"
#include "base/date_text.h"
#include "base/error_trace.h"
#include "base/prompter.h"

namespace orv {

namespace {

constexpr const char* kTestListSettingsModule = "frmFlowTests";
constexpr std::size_t kNumberedColumns = 5;  // "ShCol0".."ShCol4"
constexpr std::size_t kColumnFlagWords = 7;  // "LdCol0".."LdCol6"
constexpr int kFlagsPerWord = 16;

template <class T>
bool Within(T value, T low, T high) {
  return value >= low && value <= high;
}

}  // namespace

double DayNumberOfDate(DateTime value) {
  using namespace std::chrono;
  const year_month_day ymd{floor<days>(value)};
  return DayNumber(static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())),
                   static_cast<int>(unsigned(ymd.day())));
}

DateTime DateTimeOfDayNumber(double dayNumber) {
  using namespace std::chrono;
  const CivilDate d = DateOfDayNumber(dayNumber);
  const year_month_day ymd{year{d.year}, month{static_cast<unsigned>(d.month)},
                           day{static_cast<unsigned>(d.day)}};
  return DateTime(sys_days(ymd).time_since_epoch());
}

TestListSettings RestoreTestListSettings(const Settings& s,
                                         const std::vector<std::string>& operators,
                                         const std::vector<Customer>& customers, double today) {
  const CustomNames noNames{};
  const std::size_t fieldCount = TestFilterFields(noNames).size();
  const std::size_t columnCount = TestDisplayColumns(noNames).size();
  TestListSettings t;

  const int kinds = static_cast<int>(std::size(kTestListKinds));
  t.kind = kTestListKinds[Within<int>(s.filterTestKind, 0, kinds - 1) ? s.filterTestKind : 0];
  t.anyDate = s.filterAnyDate;
  t.today = s.filterToday;
  t.fromDate = DayNumberOfDate(s.filterFromDate);
  t.toDate = DayNumberOfDate(s.filterToDate);
  t.todayDate = today;
  if (std::find(operators.begin(), operators.end(), s.filterOperator) != operators.end()) {
    t.operatorName = s.filterOperator;
  }
  if (!s.filterCustomer.empty()) {
    for (const Customer& c : customers) {
      if (c.name == s.filterCustomer) {
        t.customerId = c.id;
        break;
      }
    }
  }
  t.side =
      Within<int>(s.filterSide, 0, 2) ? static_cast<SideFilter>(s.filterSide) : SideFilter::Any;

  for (std::size_t i = 0; i < t.rows.size(); ++i) {
    const TestFilterRow& saved = s.filterRows[i];
    FilterRow& row = t.rows[i];
    row.connector = Within<int>(saved.joining, 0, 2) ? static_cast<FilterConnector>(saved.joining)
                                                     : FilterConnector::NotUsed;
    row.field = Within<int>(saved.field, 0, static_cast<int>(fieldCount) - 1) ? saved.field : 0;
    row.relation = Within<int>(saved.relation, 0, 3) ? static_cast<FilterRelation>(saved.relation)
                                                     : FilterRelation::Equal;
    row.value = saved.parameter;
  }

  for (std::size_t i = 0; i < t.sortColumns.size(); ++i) {
    const int n = s.sortKeys[i];
    t.sortColumns[i] = Within<int>(n, 1, static_cast<int>(columnCount)) ? n - 1 : -1;
  }

  std::vector<bool> shown(columnCount, false);
  for (std::int16_t n : s.shownColumns) {
    if (Within<int>(n, 1, static_cast<int>(columnCount)))
      shown[static_cast<std::size_t>(n - 1)] = true;
  }
  for (std::size_t w = 0; w < kColumnFlagWords; ++w) {
    const auto bits = static_cast<std::uint16_t>(s.columnFlags[w]);
    for (int b = 0; b < kFlagsPerWord; ++b) {
      const std::size_t column = w * kFlagsPerWord + static_cast<std::size_t>(b);
      if ((bits >> b & 1u) != 0 && column < columnCount) shown[column] = true;
    }
  }
  t.shownColumns.clear();
  for (std::size_t c = 0; c < columnCount; ++c) {
    if (shown[c]) t.shownColumns.push_back(static_cast<int>(c));
  }
  return t;
}

void SaveTestListSettings(const TestListSettings& t, const std::vector<Customer>& customers,
                          Settings& s) {
  const CustomNames noNames{};
  const int columnCount = static_cast<int>(TestDisplayColumns(noNames).size());

  const auto kind = std::find(std::begin(kTestListKinds), std::end(kTestListKinds), t.kind);
  s.filterTestKind = static_cast<std::int16_t>(
      kind == std::end(kTestListKinds) ? 0 : std::distance(std::begin(kTestListKinds), kind));
  s.filterAnyDate = t.anyDate;
  s.filterToday = t.today;
  s.filterFromDate = DateTimeOfDayNumber(t.fromDate);
  s.filterToDate = DateTimeOfDayNumber(t.toDate);
  s.filterOperator = t.operatorName;
  s.filterCustomer.clear();
  if (t.customerId) {
    for (const Customer& c : customers) {
      if (c.id == *t.customerId) {
        s.filterCustomer = c.name;
        break;
      }
    }
  }
  s.filterSide = static_cast<std::int16_t>(t.side);
  for (std::size_t i = 0; i < t.rows.size(); ++i) {
    const FilterRow& row = t.rows[i];
    s.filterRows[i] = {static_cast<std::int16_t>(row.connector),
                       static_cast<std::int16_t>(row.field),
                       static_cast<std::int16_t>(row.relation), row.value};
  }
  for (std::size_t i = 0; i < t.sortColumns.size(); ++i) {
    const int c = t.sortColumns[i];
    s.sortKeys[i] = static_cast<std::int16_t>(Within(c, 0, columnCount - 1) ? c + 1 : 0);
  }

  std::vector<int> shown;
  for (int c : t.shownColumns) {
    if (Within(c, 0, columnCount - 1)) shown.push_back(c);
  }
  std::sort(shown.begin(), shown.end());
  shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
  s.shownColumns.fill(0);
  s.columnFlags.fill(0);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const int c = shown[i];
    if (i < kNumberedColumns) {
      s.shownColumns[i] = static_cast<std::int16_t>(c + 1);
    } else {
      auto bits =
          static_cast<std::uint16_t>(s.columnFlags[static_cast<std::size_t>(c / kFlagsPerWord)]);
      bits = static_cast<std::uint16_t>(bits | (1u << (c % kFlagsPerWord)));
      s.columnFlags[static_cast<std::size_t>(c / kFlagsPerWord)] = static_cast<std::int16_t>(bits);
    }
  }
}

TestList FillDialogTestList(TestDatabase& db, const TestListQuery& query,
                            const CustomNames& customNames, Prompter& prompter,
                            std::size_t maxRows) {
  ETracker guard(kTestListSettingsModule, "ShowTests");
  TestList list = FillTestList(db, query, customNames, maxRows);
  TellTruncatedList(list, prompter);
  return list;
}

}  // namespace orv
