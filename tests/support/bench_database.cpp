#include "support/bench_database.h"

#include <stdexcept>

namespace orv::test {

namespace {

using T = JetType;

void AddNumbered(std::vector<JetColumn>& cols, const std::string& prefix, int from, int to,
                 JetType type) {
  for (int n = from; n <= to; ++n) cols.push_back({prefix + std::to_string(n), type});
}

// The valve and seat columns of the per-kind tables, intake then exhaust.
void AddHeadColumns(std::vector<JetColumn>& cols) {
  for (const std::string side : {"Intake", "Exhaust"}) {
    const std::string h = "Head" + side;
    cols.push_back({h + "Per", T::Byte});
    for (const char* name :
         {"VDia", "StemDia", "ProfileDia", "SeatAngle", "SeatWidth", "InnerDia"}) {
      cols.push_back({h + name, T::Single});
    }
    AddNumbered(cols, h + "XArea", 1, 4, T::Single);
    for (const char* name : {"ProfileTaper", "ProfileLength", "BackcutWidth", "BackcutAngle",
                             "BackAngle", "BackRadius", "Margin", "EdgeRadius"}) {
      cols.push_back({h + name, T::Single});
    }
    cols.push_back({h + "Edge", T::Byte});
  }
}

std::vector<JetColumn> TestColumns() {
  std::vector<JetColumn> c = {
      {"ID", T::Long},
      {"TestKind", T::Long},
      {"TestName", T::Text, 50},
      {"HeadDescription", T::Text, 100},
      {"HeadMfg", T::Text, 50},
      {"HeadModelNo", T::Text, 50},
      {"HeadSerialNo", T::Text, 50},
      {"CylinderNo", T::Byte},
      {"CustomerID", T::Long},
      {"Date", T::DateTime},
      {"Time", T::Text, 12},
      {"Operator", T::Text, 50},
      {"Notes", T::Memo},
      {"AvgCfm", T::Single},
      {"MaxCfm", T::Single},
      {"Leakage", T::Single},
      {"Barometer", T::Single},
      {"Humidity", T::Single},
      {"WetBulb", T::Single},
      {"DryBulb", T::Single},
      {"UseRH", T::Boolean},
      {"WeatherCorrectSF", T::Boolean},
      {"StdFlowMethod", T::Long},
      {"SwirlOn", T::Boolean},
      {"TumbleOn", T::Boolean},
      {"FudgeFactor", T::Single},
      {"BenchBrand", T::Long},
  };
  AddNumbered(c, "BCalIntake", 1, 12, T::Single);
  AddNumbered(c, "BCalExhaust", 1, 12, T::Single);
  c.push_back({"PlotColor", T::Long});
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    c.push_back({std::string("Custom") + letter, T::Text, 50});
  }
  return c;
}

std::vector<JetColumn> KindColumns(const std::string& table) {
  std::vector<JetColumn> c = {{"TestID", T::Long}, {"IsIntake", T::Boolean}};
  if (table == "TblCarbTest") {
    AddNumbered(c, "Depr", 1, 6, T::Single);
    c.push_back({"Venturis", T::Integer});
    c.push_back({"Restrictor", T::Single});
    c.push_back({"JetMethod", T::Integer});
    for (const char* name : {"JetSize", "AirBleed", "PrimaryVenturi", "PrimaryBody",
                             "PrimaryBoosterID", "PrimaryBoosterOD", "SecondaryVenturi",
                             "SecondaryBody", "SecondaryBoosterID", "SecondaryBoosterOD"}) {
      c.push_back({name, T::Single});
    }
    return c;
  }
  if (table == "TblAutoByLift") AddNumbered(c, "Lift", 1, 24, T::Single);
  if (table == "TblByDepr") AddNumbered(c, "Depr", 1, 24, T::Single);
  if (table == "TblManualByLift") {
    c.push_back({"UseLDRatio", T::Boolean});
    c.push_back({"PitotPerLift", T::Byte});
    AddNumbered(c, "Lift", 1, 24, T::Single);
  }
  if (table == "TblCfmByKbd") c.push_back({"PitotPerLift", T::Byte});
  if (table == "TblPortMap") {
    AddNumbered(c, "Kind", 1, 10, T::Byte);
    AddNumbered(c, "RowWall", 1, 10, T::Byte);
    AddNumbered(c, "ColCenter", 1, 10, T::Byte);
    AddNumbered(c, "Temperature", 1, 10, T::Single);
    AddNumbered(c, "Depr", 1, 10, T::Byte);
  }
  AddHeadColumns(c);
  return c;
}

const std::vector<std::string>& KindTables() {
  static const std::vector<std::string> tables = {"TblAutoByLift",   "TblByDepr",   "TblPortMap",
                                                  "TblManualByLift", "TblCarbTest", "TblCfmByKbd"};
  return tables;
}

}  // namespace

BenchDatabase::BenchDatabase() = default;

std::vector<std::string> BenchDatabase::TableNames() {
  std::vector<std::string> names = {"TblTest"};
  for (const std::string& t : KindTables()) names.push_back(t);
  for (const char* t : {"TblByLiftOrDeprData", "TblByLiftPitotData", "TblCarbData",
                        "TblPortMapData", "TblCustomer", "TblOperator", "TblCustomNames"}) {
    names.emplace_back(t);
  }
  return names;
}

std::vector<JetColumn> BenchDatabase::Columns(const std::string& table) {
  if (table == "TblTest") return TestColumns();
  for (const std::string& t : KindTables()) {
    if (t == table) return KindColumns(table);
  }
  if (table == "TblByLiftOrDeprData") {
    std::vector<JetColumn> c = {{"TestID", T::Long}, {"ItemNo", T::Byte}};
    for (const char* name : {"Lift", "Temperature1", "Temperature2", "Depr", "ActualDepr"}) {
      c.push_back({name, T::Single});
    }
    c.push_back({"Range", T::Integer});
    for (const char* name : {"Mano", "CCfm", "ACfm", "Swirl", "Aux", "TumbleLeft", "TumbleRight"}) {
      c.push_back({name, T::Single});
    }
    return c;
  }
  if (table == "TblByLiftPitotData") {
    std::vector<JetColumn> c = {{"TestID", T::Long}, {"ItemNo", T::Byte}};
    AddNumbered(c, "Pitot", 1, 12, T::Single);
    return c;
  }
  if (table == "TblCarbData") {
    std::vector<JetColumn> c = {{"TestID", T::Long}, {"VenturiID", T::Long}};
    for (const char* name : {"Temperature1", "Temperature2", "Depr", "ActualDepr"}) {
      c.push_back({name, T::Single});
    }
    c.push_back({"Range", T::Integer});
    for (const char* name : {"Mano", "CCfm", "ACfm", "Swirl", "Aux", "Booster"}) {
      c.push_back({name, T::Single});
    }
    return c;
  }
  if (table == "TblPortMapData") {
    return {{"TestID", T::Long},
            {"PlaneNo", T::Byte},
            {"Region", T::Byte},
            {"Speed", T::Single},
            {"Mano", T::Single}};
  }
  if (table == "TblCustomer")
    return {{"ID", T::Long}, {"Name", T::Text, 100}, {"City", T::Text, 50}};
  if (table == "TblOperator") return {{"ID", T::Long}, {"Name", T::Text, 50}};
  if (table == "TblCustomNames") return {{"ItemNo", T::Long}, {"Name", T::Text, 50}};
  throw std::invalid_argument("not a bench table: " + table);
}

std::vector<JetColumn> BenchDatabase::AllColumns(const std::string& table) const {
  std::vector<JetColumn> columns = Columns(table);
  const auto extra = extra_.find(table);
  if (extra != extra_.end())
    columns.insert(columns.end(), extra->second.begin(), extra->second.end());
  return columns;
}

BenchDatabase& BenchDatabase::Extend(const std::string& table, JetColumn column) {
  Columns(table);  // a bench table
  extra_[table].push_back(std::move(column));
  return *this;
}

BenchDatabase& BenchDatabase::Add(const std::string& table, Row row) {
  const std::vector<JetColumn> columns = AllColumns(table);
  for (const auto& [name, value] : row) {
    bool known = false;
    for (const JetColumn& c : columns) known = known || c.name == name;
    if (!known) throw std::invalid_argument("no column " + name + " in " + table);
  }
  rows_[table].push_back(std::move(row));
  return *this;
}

BenchDatabase& BenchDatabase::Omit(const std::string& table, const std::string& column) {
  omitted_[table].insert(column);
  return *this;
}

BenchDatabase& BenchDatabase::OmitTable(const std::string& table) {
  omittedTables_.insert(table);
  return *this;
}

std::vector<JetTable> BenchDatabase::Tables() const {
  std::vector<JetTable> tables;
  for (const std::string& name : TableNames()) {
    if (omittedTables_.count(name) != 0) continue;
    JetTable t;
    t.name = name;
    const auto omitted = omitted_.find(name);
    for (const JetColumn& c : AllColumns(name)) {
      if (omitted == omitted_.end() || omitted->second.count(c.name) == 0) t.columns.push_back(c);
    }
    const bool keyed = name == "TblTest" || name == "TblCustomer" || name == "TblOperator";
    if (keyed && (omitted == omitted_.end() || omitted->second.count("ID") == 0)) {
      t.primaryKey = {"ID"};
    }
    const auto rows = rows_.find(name);
    if (rows != rows_.end()) {
      for (const Row& r : rows->second) {
        std::vector<JetValue> values;
        for (const JetColumn& c : t.columns) {
          const auto v = r.find(c.name);
          values.push_back(v == r.end() ? JetValue{JetNull{}} : v->second);
        }
        t.rows.push_back(std::move(values));
      }
    }
    tables.push_back(std::move(t));
  }
  return tables;
}

void BenchDatabase::Write(const std::filesystem::path& file, const JetWriteOptions& options) const {
  WriteJetFile(file, Tables(), options);
}

namespace {

using I = std::int64_t;

// A prefix followed by a number ("Test 12"). Written out step by step: GCC 12 at -O3 warns
// wrongly about overlapping copies for "literal" + std::to_string(n).
std::string Numbered(const char* prefix, long n) {
  std::string text = prefix;
  text += std::to_string(n);
  return text;
}

std::string FullLineNotes(const std::vector<std::string>& lines) {
  std::string notes;
  for (std::size_t i = 0; i < 9; ++i) {
    std::string line = i < lines.size() ? lines[i] : std::string();
    line.resize(57, ' ');
    notes += line;
  }
  return notes;
}

}  // namespace

// The sample bench:
//
// Customers (file order) 2 "O'Brien Motors", 1 "Acme Racing", 3 "Zenith Heads"; operators 2
// "Alice", 1 "Bob", 3 "O'Neil"; custom names 1 "Port Job", 2 "Porter", 26 "Last Item" (and
// rows 0 and 27, which name nothing).
//
//  ID kind name               date        side     operator customer mfg
//   1  2   SBC Auto Intake    2024-03-14  intake   Bob      1        Brodix
//   2  2   SBC Auto Exhaust   2024-03-14  exhaust  Alice    2        Brodix
//   3  3   Depression Sweep   2024-03-15  intake   Bob      1        Dart
//   4  4   Port Map           2024-04-01  intake   O'Neil   3        AFR
//   5  5   Manual Pitot       2024-04-02  intake   Bob      2        Brodix
//   6  6   Holley 750         2024-05-01  (carb)   Alice    NULL     Holley
//   7 10   Keyed In           2023-12-31  exhaust  Bob      1        O'Reilly Heads
//   8  5   Manual Plain       2024-03-14  exhaust  Alice    3        dart
//   9  2   No Kind Row        2024-03-14  -        Bob      1        Brodix  (no per-kind row)
// and a row of "TblAutoByLift" for test 99, which "TblTest" lacks.
BenchDatabase SampleBench() {
  BenchDatabase b;
  b.Add("TblCustomer",
        {{"ID", I{2}}, {"Name", std::string("O'Brien Motors")}, {"City", std::string("Cork")}})
      .Add("TblCustomer",
           {{"ID", I{1}}, {"Name", std::string("Acme Racing")}, {"City", std::string("Dayton")}})
      .Add("TblCustomer", {{"ID", I{3}}, {"Name", std::string("Zenith Heads")}});
  b.Add("TblOperator", {{"ID", I{2}}, {"Name", std::string("Alice")}})
      .Add("TblOperator", {{"ID", I{1}}, {"Name", std::string("Bob")}})
      .Add("TblOperator", {{"ID", I{3}}, {"Name", std::string("O'Neil")}});
  b.Add("TblCustomNames", {{"ItemNo", I{1}}, {"Name", std::string("Port Job")}})
      .Add("TblCustomNames", {{"ItemNo", I{2}}, {"Name", std::string("Porter")}})
      .Add("TblCustomNames", {{"ItemNo", I{26}}, {"Name", std::string("Last Item")}})
      .Add("TblCustomNames", {{"ItemNo", I{0}}, {"Name", std::string("Zero")}})
      .Add("TblCustomNames", {{"ItemNo", I{27}}, {"Name", std::string("Beyond")}});

  struct TestRow {
    I id, kind;
    const char* name;
    int y, m, d;
    const char* time;
    const char* op;
    JetValue customer;
    const char* mfg;
    const char* model;
    const char* serial;
    I cylinder;
    double avg, max;
  };
  const TestRow tests[] = {
      {1, 2, "SBC Auto Intake", 2024, 3, 14, "10:15", "Bob", I{1}, "Brodix", "Track 1", "SN100", 1,
       210.5, 265.25},
      {2, 2, "SBC Auto Exhaust", 2024, 3, 14, "11:00", "Alice", I{2}, "Brodix", "Track 1", "SN101",
       1, 150, 190.75},
      {3, 3, "Depression Sweep", 2024, 3, 15, "09:30", "Bob", I{1}, "Dart", "Pro 1", "D-7", 3, 180,
       220},
      {4, 4, "Port Map", 2024, 4, 1, "14:00", "O'Neil", I{3}, "AFR", "Eliminator", "A-1", 2, 0, 0},
      {5, 5, "Manual Pitot", 2024, 4, 2, "08:45", "Bob", I{2}, "Brodix", "BB-2", "SN200", 4, 250,
       310},
      {6, 6, "Holley 750", 2024, 5, 1, "16:20", "Alice", JetNull{}, "Holley", "4150", "C-9", 1, 700,
       750},
      {7, 10, "Keyed In", 2023, 12, 31, "12:00", "Bob", I{1}, "O'Reilly Heads", "K-1", "Q'1", 2,
       140, 175},
      {8, 5, "Manual Plain", 2024, 3, 14, "15:05", "Alice", I{3}, "dart", "Pro 2", "D-8", 5, 190,
       240},
      {9, 2, "No Kind Row", 2024, 3, 14, "17:00", "Bob", I{1}, "Brodix", "X", "X", 1, 1, 1},
  };
  for (const TestRow& t : tests) {
    BenchDatabase::Row row = {
        {"ID", t.id},
        {"TestKind", t.kind},
        {"TestName", std::string(t.name)},
        {"Date", JetDayNumber(t.y, t.m, t.d)},
        {"Time", std::string(t.time)},
        {"Operator", std::string(t.op)},
        {"CustomerID", t.customer},
        {"HeadMfg", std::string(t.mfg)},
        {"HeadModelNo", std::string(t.model)},
        {"HeadSerialNo", std::string(t.serial)},
        {"CylinderNo", t.cylinder},
        {"AvgCfm", t.avg},
        {"MaxCfm", t.max},
        {"HeadDescription", Numbered("Head of test ", t.id)},
        {"Barometer", 29.5},
        {"UseRH", true},
        {"PlotColor", I{255}},
    };
    if (t.id == 1) {
      row["Notes"] = FullLineNotes({"Ported by hand", "Second line of notes"});
      row["CustomA"] = std::string("stage 1");
      row["CustomB"] = std::string("");
      row["Barometer"] = JetNull{};
    }
    if (t.id == 2) row["CustomA"] = std::string("stage 2");
    if (t.id == 3) row["CustomA"] = std::string("Zürich €");
    b.Add("TblTest", row);
  }

  b.Add("TblAutoByLift", {{"TestID", I{1}},
                          {"IsIntake", true},
                          {"HeadIntakePer", I{1}},
                          {"HeadIntakeVDia", 2.02},
                          {"HeadIntakeEdge", I{0}},
                          {"HeadExhaustVDia", 1.6},
                          {"HeadExhaustEdge", I{2}},
                          {"Lift1", 0.1},
                          {"Lift2", 0.2},
                          {"Lift3", 0.3},
                          {"Lift4", 0.4}});
  b.Add("TblAutoByLift", {{"TestID", I{2}},
                          {"IsIntake", false},
                          {"HeadIntakePer", I{1}},
                          {"HeadIntakeVDia", 2.02},
                          {"HeadIntakeEdge", I{1}},
                          {"HeadExhaustVDia", 1.6},
                          {"HeadExhaustEdge", I{2}}});
  b.Add("TblAutoByLift", {{"TestID", I{99}}, {"IsIntake", true}});
  b.Add("TblByDepr", {{"TestID", I{3}},
                      {"IsIntake", true},
                      {"HeadIntakeVDia", 2.05},
                      {"HeadIntakeEdge", I{2}},
                      {"Depr1", 10.0},
                      {"Depr2", 20.0},
                      {"Depr3", 28.0}});
  b.Add("TblPortMap", {{"TestID", I{4}},
                       {"IsIntake", true},
                       {"HeadIntakeVDia", 2.1},
                       {"Kind1", I{1}},
                       {"RowWall1", I{4}},
                       {"ColCenter1", I{5}},
                       {"Temperature1", 72.0},
                       {"Depr1", I{28}},
                       {"Kind2", I{0}}});
  b.Add("TblManualByLift", {{"TestID", I{5}},
                            {"IsIntake", true},
                            {"UseLDRatio", false},
                            {"PitotPerLift", I{255}},
                            {"HeadIntakeVDia", 2.25},
                            {"Lift1", 0.1},
                            {"Lift2", 0.2},
                            {"Lift3", 0.3}});
  b.Add("TblManualByLift",
        {{"TestID", I{8}}, {"IsIntake", false}, {"PitotPerLift", I{0}}, {"HeadExhaustVDia", 1.6}});
  b.Add("TblCarbTest", {{"TestID", I{6}},
                        {"IsIntake", true},
                        {"Depr1", 1.5},
                        {"Depr2", 3.0},
                        {"Depr3", 6.0},
                        {"Venturis", I{4}},
                        {"JetSize", 72.0}});
  b.Add("TblCfmByKbd", {{"TestID", I{7}},
                        {"IsIntake", false},
                        {"PitotPerLift", I{0}},
                        {"HeadExhaustVDia", 1.55},
                        {"HeadExhaustEdge", I{5}}});

  auto byLift = [&](I test, I item, double lift, double ccfm) {
    b.Add("TblByLiftOrDeprData", {{"TestID", test},
                                  {"ItemNo", item},
                                  {"Lift", lift},
                                  {"CCfm", ccfm},
                                  {"ACfm", ccfm * 0.98},
                                  {"Depr", 28.0},
                                  {"ActualDepr", 27.9},
                                  {"Range", I{2}},
                                  {"Temperature1", 71.0},
                                  {"Temperature2", 70.5},
                                  {"Swirl", 3.5}});
  };
  byLift(1, 1, 0.1, 60);
  byLift(1, 2, 0.2, 120);
  byLift(1, 3, 0.3, 170);
  byLift(1, 4, 0.4, 210);
  byLift(2, 1, 0.1, 50);
  byLift(2, 2, 0.2, 95);
  byLift(2, 3, 0.3, 130);
  byLift(3, 1, 0.45, 150);
  byLift(3, 2, 0.45, 210);
  byLift(3, 3, 0.45, 250);
  byLift(5, 3, 0.3, 240);  // records placed by "ItemNo", not by row order
  byLift(5, 1, 0.1, 80);
  byLift(5, 2, 0.2, 160);
  byLift(7, 1, 0.2, 100);
  byLift(7, 2, 0.4, 175);
  byLift(8, 1, 0.3, 180);
  b.Add("TblByLiftOrDeprData", {{"TestID", I{8}}, {"ItemNo", I{2}}});  // every reading NULL
  for (I item = 1; item <= 3; ++item) {
    BenchDatabase::Row row = {{"TestID", I{5}}, {"ItemNo", item}};
    for (int n = 1; n <= 12; ++n) row["Pitot" + std::to_string(n)] = 10.0 * item + n;
    b.Add("TblByLiftPitotData", row);
  }
  const I venturis[] = {7, 3, 9};
  for (int k = 0; k < 3; ++k) {
    b.Add("TblCarbData", {{"TestID", I{6}},
                          {"VenturiID", venturis[k]},
                          {"Depr", 1.5 * (k + 1)},
                          {"CCfm", 250.0 * (k + 1)},
                          {"Booster", 0.5 + k}});
  }
  for (I region = 1; region <= 14; ++region) {
    b.Add("TblPortMapData", {{"TestID", I{4}},
                             {"PlaneNo", I{1}},
                             {"Region", region},
                             {"Speed", 100.0 + region},
                             {"Mano", 0.5 * region}});
  }
  return b;
}

BenchDatabase GeneratedBench(int tests, int rowsPerTest) {
  BenchDatabase b;
  const char* operators[] = {"Bob", "Alice", "Carl", "Dana", "Eve"};
  for (int i = 0; i < 5; ++i) {
    b.Add("TblOperator", {{"ID", I{i + 1}}, {"Name", std::string(operators[i])}});
  }
  for (int i = 1; i <= 20; ++i) {
    b.Add("TblCustomer", {{"ID", I{i}}, {"Name", Numbered("Customer ", i)}});
  }
  b.Add("TblCustomNames", {{"ItemNo", I{1}}, {"Name", std::string("Port Job")}});
  const int kinds[] = {2, 3, 4, 5, 6, 10};
  const char* mfgs[] = {"Brodix", "Dart", "AFR", "Edelbrock", "Holley", "Trick Flow"};
  for (int id = 1; id <= tests; ++id) {
    const int kind = kinds[(id - 1) % 6];
    const bool intake = (id / 6) % 2 == 0;
    b.Add("TblTest", {{"ID", I{id}},
                      {"TestKind", I{kind}},
                      {"TestName", Numbered("Test ", id)},
                      {"Date", JetDayNumber(2020, 1, 1) + id % 1500},
                      {"Time", std::string("10:30")},
                      {"Operator", std::string(operators[id % 5])},
                      {"CustomerID", I{1 + id % 20}},
                      {"HeadMfg", std::string(mfgs[id % 6])},
                      {"HeadModelNo", Numbered("M", id % 97)},
                      {"HeadSerialNo", Numbered("SN", id)},
                      {"HeadDescription", std::string("Generated head")},
                      {"CylinderNo", I{1 + id % 8}},
                      {"AvgCfm", 150.0 + id % 100},
                      {"MaxCfm", 200.0 + id % 150},
                      {"Barometer", 29.92},
                      {"WetBulb", 59.0},
                      {"DryBulb", 70.0},
                      {"UseRH", true},
                      {"FudgeFactor", 1.0},
                      {"BenchBrand", I{2}},
                      {"PlotColor", I{65535}},
                      {"Notes", FullLineNotes({Numbered("Generated test ", id)})}});
    BenchDatabase::Row kindRow = {{"TestID", I{id}}, {"IsIntake", intake}};
    if (kind != 6) {
      kindRow["HeadIntakeVDia"] = 2.0 + (id % 10) * 0.01;
      kindRow["HeadExhaustVDia"] = 1.6;
      kindRow["HeadIntakeEdge"] = I{id % 3};
    }
    const char* table = kind == 2   ? "TblAutoByLift"
                        : kind == 3 ? "TblByDepr"
                        : kind == 4 ? "TblPortMap"
                        : kind == 5 ? "TblManualByLift"
                        : kind == 6 ? "TblCarbTest"
                                    : "TblCfmByKbd";
    b.Add(table, kindRow);
    if (kind == 6) {
      for (int k = 1; k <= rowsPerTest; ++k) {
        b.Add("TblCarbData", {{"TestID", I{id}}, {"VenturiID", I{k}}, {"CCfm", 100.0 * k}});
      }
    } else if (kind != 4) {
      for (int k = 1; k <= rowsPerTest; ++k) {
        b.Add("TblByLiftOrDeprData", {{"TestID", I{id}},
                                      {"ItemNo", I{k}},
                                      {"Lift", 0.05 * k},
                                      {"CCfm", 20.0 * k},
                                      {"ACfm", 19.5 * k},
                                      {"Depr", 28.0},
                                      {"Swirl", 1.0 * k},
                                      {"Range", I{1}}});
      }
    }
  }
  return b;
}

}  // namespace orv::test
