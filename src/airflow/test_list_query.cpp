#include "airflow/test_list_query.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "airflow/jet_errors.h"
#include "airflow/jet_sql.h"
#include "airflow/test_database.h"
#include "base/byte_reader.h"
#include "base/error_trace.h"
#include "base/text.h"
#include "base/text_number.h"

namespace orv {

namespace {

constexpr const char* kTestListQueryModule = "frmFlowTests";
// Rows of the list filled between two progress reports.
constexpr std::size_t kListRowsPerReport = 256;
constexpr int kCarburetorKind = 6;
// The kinds of an "[ANY]" query, in the order of its SELECTs.
constexpr int kAnyKindOrder[] = {5, 2, 10, 3, 4, 6};

// Valve and seat columns of the kind tables, intake side; the exhaust side replaces "Intake"
// with "Exhaust" and "Int" with "Exh".
struct HeadColumn {
  const char* column;         // after "Head" + side
  const char* alias;          // after "Int" / "Exh"
  const char* caption;        // list column caption after "Int " / "Exh "
  const char* filterCaption;  // filter field caption after "Intake " / "Exhaust "
};
constexpr HeadColumn kHeadColumns[] = {
    {"Per", "VlvPer", "Valves Per", "Valves Per Cylinder"},
    {"VDia", "VlvDia", "Valve Dia", "Valve Diameter"},
    {"StemDia", "StemDia", "Stem Dia", "Stem Diameter"},
    {"ProfileDia", "UCutDia", "Profile Dia", "Profile Diameter"},
    {"ProfileLength", "PLen", "Profile Length", "Profile Length"},
    {"ProfileTaper", "PTaper", "Profile Taper", "Profile Taper"},
    {"BackcutWidth", "BCW", "Backcut Width", "Backcut Width"},
    {"BackcutAngle", "BCAng", "Backcut Angle", "Backcut Angle"},
    {"BackAngle", "BAng", "Back Angle", "Back Angle"},
    {"BackRadius", "BRadius", "Back Radius", "Back Radius"},
    {"Margin", "Margin", "Margin", "Margin"},
    {"Edge", "Edge", "Edge", "Edge"},
    {"EdgeRadius", "ERadius", "Edge Radius", "Edge Radius"},
    {"InnerDia", "SeatDia", "Seat Dia", "Inner Seat Diameter"},
    {"SeatAngle", "SeatAng", "Seat Angle", "Seat Angle"},
    {"SeatWidth", "SeatW", "Seat Width", "Seat Width"},
};

std::string Letter(int i) { return std::string(1, static_cast<char>('A' + i)); }

std::string NumberText(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// The value of a filter row as written into the query: the pattern "*value*" for "includes",
// text in quotes for text fields, a number for numeric fields. A numeric field given something
// that is not a number compares it as text, so that no typed value becomes part of the query's
// syntax.
std::string FilterValue(const FilterField& field, const FilterRow& row) {
  if (row.relation == FilterRelation::Includes) return JetQuoted("*" + row.value + "*");
  if (field.text || !IsNumberText(row.value)) return JetQuoted(row.value);
  return NumberText(TextToDouble(row.value));
}

const char* RelationText(FilterRelation r) {
  switch (r) {
    case FilterRelation::Less:
      return " < ";
    case FilterRelation::Greater:
      return " > ";
    case FilterRelation::Includes:
      return " LIKE ";
    case FilterRelation::Equal:
      break;
  }
  return " = ";
}

struct QueryParts {
  const TestListSettings& settings;
  const std::vector<FilterField>& fields;
  const std::vector<DisplayColumn>& columns;
  const ShortDateFormat& dates;
  std::vector<int> selected;  // display columns of the SELECT, in order
};

std::string WherePart(const QueryParts& q, int kind, std::string_view table) {
  const TestListSettings& s = q.settings;
  std::vector<std::string> parts;
  if (!s.anyDate) {
    const double from = std::floor(s.today ? s.todayDate : s.fromDate);
    const double to = std::floor(s.today ? s.todayDate : s.toDate);
    if (from == to) {
      parts.push_back("(TblTest.Date = #" + FormatShortDate(from, q.dates) + "#)");
    } else {
      parts.push_back("(TblTest.Date >= #" + FormatShortDate(from, q.dates) +
                      "# AND TblTest.Date <= #" + FormatShortDate(to, q.dates) + "#)");
    }
  }
  if (!s.operatorName.empty()) {
    parts.push_back("(TblTest.Operator = " + JetQuoted(s.operatorName) + ")");
  }
  if (s.customerId) parts.push_back("(TblTest.CustomerID = " + std::to_string(*s.customerId) + ")");
  if (kind != kCarburetorKind) {
    if (s.side == SideFilter::Intake)
      parts.push_back("(" + std::string(table) + ".IsIntake = True)");
    if (s.side == SideFilter::Exhaust) {
      parts.push_back("(" + std::string(table) + ".IsIntake = False)");
    }
  }
  // The filter rows, joined by their connectors. The group is bracketed so that an OR inside
  // it cannot override the conditions above.
  std::string group;
  int conditions = 0;
  for (const FilterRow& row : s.rows) {
    if (row.connector == FilterConnector::NotUsed) continue;
    if (row.field < 0 || static_cast<std::size_t>(row.field) >= q.fields.size()) continue;
    const FilterField& field = q.fields[static_cast<std::size_t>(row.field)];
    std::string condition;
    if (field.headColumn && kind == kCarburetorKind) {
      // A carburetor test has no valves: a condition on one holds for none of them.
      condition = "(False)";
    } else {
      const std::string column =
          field.headColumn ? std::string(table) + field.column : field.column;
      condition = "(" + column + RelationText(row.relation) + FilterValue(field, row) + ")";
    }
    if (conditions > 0) group += row.connector == FilterConnector::Or ? " OR " : " AND ";
    group += condition;
    ++conditions;
  }
  if (conditions > 1) group = "(" + group + ")";
  if (conditions > 0) parts.push_back(group);
  std::string where;
  for (const std::string& p : parts) {
    if (!where.empty()) where += " AND ";
    where += p;
  }
  return where.empty() ? std::string() : " WHERE " + where;
}

std::string FromPart(const QueryParts& q, std::string_view table) {
  const std::string t(table);
  const bool customer =
      q.settings.customerId.has_value() ||
      std::find(q.selected.begin(), q.selected.end(), kCustomerColumn) != q.selected.end();
  if (customer) {
    return " FROM " + t +
           " INNER JOIN (TblTest LEFT JOIN TblCustomer ON TblTest.CustomerID = TblCustomer.ID) "
           "ON " +
           t + ".TestID = TblTest.ID";
  }
  return " FROM TblTest INNER JOIN " + t + " ON TblTest.ID = " + t + ".TestID";
}

std::string SelectPart(const QueryParts& q, int kind, std::string_view table) {
  std::string select = "SELECT ";
  for (int c : q.selected) {
    const DisplayColumn& col = q.columns[static_cast<std::size_t>(c)];
    if (col.headColumn()) {
      select +=
          kind == kCarburetorKind ? std::string("'Dummy'") : std::string(table) + col.expression;
      select += " AS " + col.alias + ", ";
    } else {
      select += col.expression + ", ";
    }
  }
  select.resize(select.size() - 2);
  return select;
}

std::string OrderPart(const QueryParts& q, int kind, bool union_) {
  std::vector<std::string> keys;
  std::vector<int> seen;
  for (int c : q.settings.sortColumns) {
    if (c < 0 || static_cast<std::size_t>(c) >= q.columns.size()) continue;
    if (std::find(seen.begin(), seen.end(), c) != seen.end()) continue;
    seen.push_back(c);
    const DisplayColumn& col = q.columns[static_cast<std::size_t>(c)];
    if (col.headColumn()) {
      // A UNION sorts by the names of its result; a single SELECT by the column itself.
      if (union_) {
        keys.push_back(col.alias);
      } else if (kind != kCarburetorKind) {
        keys.push_back(std::string(KindTableName(kind)) + col.expression);
      }
    } else {
      keys.push_back(col.expression);
    }
  }
  if (keys.empty()) return {};
  std::string order = " ORDER BY ";
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (i > 0) order += ", ";
    order += keys[i];
  }
  return order;
}

void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Splits UTF-8 text into characters (code points with their bytes).
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t n = c < 0x80             ? 1
                    : (c & 0xE0) == 0xC0 ? 2
                    : (c & 0xF0) == 0xE0 ? 3
                    : (c & 0xF8) == 0xF0 ? 4
                                         : 1;
    n = std::min(n, text.size() - i);
    out.push_back(text.substr(i, n));
    i += n;
  }
  return out;
}

}  // namespace

// A filled list kept with the database (see `TestDatabase::KeepResult`), little-endian:
//   u32 n    rows
//   u32 c    columns of each row
//   u8       1 when the list was cut at its limit
//   n times: i32 the test's "ID", then c times: u32 length, that many bytes of the cell's text
// Its key names everything the rows depend on: the query, the columns and how dates are shown,
// and the limit.
std::string TestListResultKey(const TestListQuery& query, const ShortDateFormat& dates,
                              std::size_t maxRows) {
  std::string key = "test list\n";
  key += query.sql;
  key += "\ncolumns";
  for (int c : query.columns) {
    key += ' ';
    key += std::to_string(c);
  }
  key += "\ndates ";
  key += std::to_string(static_cast<int>(dates.order));
  key += ' ';
  key += dates.separator;
  key += dates.leadingZeros ? " 0" : " -";
  key += "\nlimit ";
  key += std::to_string(maxRows);
  return key;
}

std::string KeptTestList(const TestList& list) {
  std::string out;
  const std::size_t columns = list.columns.size();
  std::size_t size = 9 + 4 * list.rows.size() * (1 + columns);
  for (const auto& row : list.rows) {
    for (const std::string& cell : row) size += cell.size();
  }
  out.reserve(size);
  Put32(out, static_cast<std::uint32_t>(list.rows.size()));
  Put32(out, static_cast<std::uint32_t>(columns));
  out.push_back(list.truncated ? 1 : 0);
  for (std::size_t r = 0; r < list.rows.size(); ++r) {
    Put32(out, static_cast<std::uint32_t>(list.ids[r]));
    for (std::size_t c = 0; c < columns; ++c) {
      const std::string& cell = c < list.rows[r].size() ? list.rows[r][c] : std::string();
      Put32(out, static_cast<std::uint32_t>(cell.size()));
      out += cell;
    }
  }
  return out;
}

std::optional<TestList> ReadKeptTestList(std::string_view bytes, const std::vector<int>& shown) {
  TestList list;
  list.columns = shown;
  const ByteReader in({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  try {
    const std::uint32_t rows = in.U32(0);
    const std::uint32_t columns = in.U32(4);
    const std::uint8_t truncated = in.U8(8);
    // Every row takes at least its identifier and a length per cell.
    if (columns != list.columns.size() || truncated > 1 ||
        rows > (bytes.size() - 9) / (4 + 4 * std::size_t{columns})) {
      return std::nullopt;
    }
    std::size_t at = 9;
    list.rows.reserve(rows);
    list.ids.reserve(rows);
    for (std::uint32_t r = 0; r < rows; ++r) {
      list.ids.push_back(in.I32(at));
      at += 4;
      std::vector<std::string> row;
      row.reserve(columns);
      for (std::uint32_t c = 0; c < columns; ++c) {
        const std::uint32_t n = in.U32(at);
        row.push_back(in.Raw(at + 4, n));
        at += 4 + std::size_t{n};
      }
      list.rows.push_back(std::move(row));
    }
    list.truncated = truncated == 1;
    if (at != bytes.size()) return std::nullopt;
    return list;
  } catch (const ByteRangeError&) {
    return std::nullopt;
  }
}

std::string_view KindTableName(int kind) {
  switch (kind) {
    case 2:
      return "TblAutoByLift";
    case 3:
      return "TblByDepr";
    case 4:
      return "TblPortMap";
    case -1:
    case 5:
      return "TblManualByLift";
    case 6:
      return "TblCarbTest";
    case 10:
      return "TblCfmByKbd";
    default:
      return {};
  }
}

std::vector<FilterField> TestFilterFields(const CustomNames& customNames) {
  std::vector<FilterField> f = {
      {"Manufacturer", "TblTest.HeadMfg", true, false},
      {"Model No.", "TblTest.HeadModelNo", true, false},
      {"Serial No.", "TblTest.HeadSerialNo", true, false},
      {"Cylinder No.", "TblTest.CylinderNo", false, false},
      {"Average CFM", "TblTest.AvgCFM", false, false},
      {"Maximum CFM", "TblTest.MaxCFM", false, false},
      {"Time", "TblTest.Time", true, false},
  };
  for (const char* side : {"Intake", "Exhaust"}) {
    for (const HeadColumn& h : kHeadColumns) {
      f.push_back({std::string(side) + " " + h.filterCaption,
                   std::string(".Head") + side + h.column, false, true});
    }
  }
  for (int i = 0; i < 26; ++i) {
    f.push_back({"Custom Data " + customNames[static_cast<std::size_t>(i)],
                 "TblTest.Custom" + Letter(i), true, false});
  }
  return f;
}

std::vector<DisplayColumn> TestDisplayColumns(const CustomNames& customNames) {
  std::vector<DisplayColumn> c = {
      {"Date", "Date", "", ColumnShow::Date},
      {"Time", "Time", "", ColumnShow::Plain},
      {"Test Kind", "TestKind", "", ColumnShow::Kind},
      {"Test Name", "TestName", "", ColumnShow::Plain},
      {"Test No.", "TblTest.ID", "", ColumnShow::Plain},
      {"Customer", "TblCustomer.Name", "", ColumnShow::Plain},
      {"Operator", "Operator", "", ColumnShow::Plain},
      {"Max CFM", "MaxCFM", "", ColumnShow::Plain},
      {"Avg CFM", "AvgCFM", "", ColumnShow::Plain},
      {"Mfg.", "HeadMfg", "", ColumnShow::Plain},
      {"Model", "HeadModelNo", "", ColumnShow::Plain},
      {"SN", "HeadSerialNo", "", ColumnShow::Plain},
      {"Cyl No.", "CylinderNo", "", ColumnShow::Plain},
      {"Description", "HeadDescription", "", ColumnShow::Plain},
      {"Int/Exh", "IsIntake", "", ColumnShow::Side},
  };
  for (const auto& [side, shortSide] : {std::pair{"Intake", "Int"}, std::pair{"Exhaust", "Exh"}}) {
    for (const HeadColumn& h : kHeadColumns) {
      const bool edge = std::string_view(h.column) == "Edge";
      c.push_back({std::string(shortSide) + " " + h.caption, std::string(".Head") + side + h.column,
                   std::string(shortSide) + h.alias, edge ? ColumnShow::Edge : ColumnShow::Plain});
    }
  }
  for (int i = 0; i < 26; ++i) {
    const std::string& name = customNames[static_cast<std::size_t>(i)];
    c.push_back({name.empty() ? "Custom " + Letter(i) : name, "TblTest.Custom" + Letter(i), "",
                 ColumnShow::Plain});
  }
  return c;
}

TestListQuery BuildTestListQuery(const TestListSettings& settings, const CustomNames& customNames,
                                 const ShortDateFormat& dates, const TableExistsFn& hasTable) {
  ETracker guard(kTestListQueryModule, "BuildQuery");
  const std::vector<FilterField> fields = TestFilterFields(customNames);
  const std::vector<DisplayColumn> columns = TestDisplayColumns(customNames);
  QueryParts q{settings, fields, columns, dates, {}};
  for (int c : settings.shownColumns) {
    if (c < 0 || static_cast<std::size_t>(c) >= columns.size()) continue;
    if (std::find(q.selected.begin(), q.selected.end(), c) == q.selected.end()) {
      q.selected.push_back(c);
    }
  }
  if (std::find(q.selected.begin(), q.selected.end(), kTestNoColumn) == q.selected.end()) {
    q.selected.push_back(kTestNoColumn);
  }
  const bool any = settings.kind == kAnyTestKind;
  if (any) {
    // The sort keys of a UNION must be columns of its result.
    for (int c : settings.sortColumns) {
      if (c >= 0 && static_cast<std::size_t>(c) < columns.size() &&
          std::find(q.selected.begin(), q.selected.end(), c) == q.selected.end()) {
        q.selected.push_back(c);
      }
    }
  }

  TestListQuery query;
  query.columns = q.selected;
  auto present = [&](std::string_view table) {
    if (!hasTable || hasTable(table)) return true;
    query.missingTables.emplace_back(table);
    return false;
  };
  if (any) {
    // An older bench program's database may lack a kind's table: the list holds the tests of
    // the kinds that are there.
    for (int kind : kAnyKindOrder) {
      const std::string_view table = KindTableName(kind);
      if (!present(table)) continue;
      if (!query.sql.empty()) query.sql += " UNION ";
      query.sql += SelectPart(q, kind, table) + FromPart(q, table) + WherePart(q, kind, table);
    }
    if (!query.sql.empty()) query.sql += OrderPart(q, kAnyTestKind, true);
  } else {
    std::string_view table = KindTableName(settings.kind);
    if (table.empty()) table = KindTableName(5);
    if (present(table)) {
      query.sql = SelectPart(q, settings.kind, table) + FromPart(q, table) +
                  WherePart(q, settings.kind, table) + OrderPart(q, settings.kind, false);
    } else {
      query.missingMessage = DatabaseErrorDescription(kErrTableNotFound, table);
    }
  }
  if (!query.sql.empty()) query.sql += ";";
  return query;
}

std::string DisplayText(const DisplayColumn& column, const JetField& value,
                        const ShortDateFormat& dates) {
  if (value.IsNull()) return {};
  if (value.kind() == JetField::Kind::Text) return value.AsText();
  switch (column.show) {
    case ColumnShow::Date:
      return FormatShortDate(value.AsDouble(), dates);
    case ColumnShow::Kind:
      return TestKindName(value.AsLong());
    case ColumnShow::Side:
      return value.AsBoolean() ? "Intake" : "Exhaust";
    case ColumnShow::Edge: {
      const double code = value.AsDouble();
      return code == 0 ? "Sharp" : code == 2 ? "Radius" : "Break";
    }
    case ColumnShow::Plain:
      break;
  }
  return value.AsText();
}

std::string DisplayText(const DisplayColumn& column, const JetValueView& value,
                        const ShortDateFormat& dates) {
  // The values a list is mostly made of are turned into text in place; the rest as fields.
  switch (value.kind) {
    case JetField::Kind::Null:
      return {};
    case JetField::Kind::Text:
      return std::string(value.text);
    case JetField::Kind::Integer:
      if (column.show == ColumnShow::Date)
        return FormatShortDate(static_cast<double>(value.integer), dates);
      if (column.show == ColumnShow::Plain && value.type != JetColumnType::Boolean) {
        return std::to_string(value.integer);
      }
      break;
    case JetField::Kind::Real:
      if (column.show == ColumnShow::Date) return FormatShortDate(value.real, dates);
      break;
    case JetField::Kind::Blob:
      break;
  }
  return DisplayText(column, value.ToField(), dates);
}

TestList FillTestList(TestDatabase& db, const TestListQuery& query, const CustomNames& customNames,
                      std::size_t maxRows,
                      const std::function<bool(const DatabaseProgress&)>& progress) {
  ETracker guard(kTestListQueryModule, "FillList");
  const std::vector<DisplayColumn> columns = TestDisplayColumns(customNames);
  TestList list;
  list.columns = query.columns;
  list.message = query.missingMessage;
  if (query.sql.empty()) return list;
  auto report = [&] {
    const DatabaseProgress p{
        DatabaseProgress::Step::FillingList, {}, static_cast<std::int64_t>(list.rows.size()), -1};
    if (progress && !progress(p)) throw DatabaseReadCancelled();
  };
  // The same list, shown the same way, filled from this state of the file before.
  const std::string key = TestListResultKey(query, db.dateFormat(), maxRows);
  if (const std::optional<std::string> kept = db.KeptResult(key)) {
    if (std::optional<TestList> read = ReadKeptTestList(*kept, query.columns)) {
      read->message = list.message;
      list = std::move(*read);
      report();
      return list;
    }
  }
  RecordSet rs = db.OpenRecordSet(query.sql);
  const int n = std::min<int>(rs.FieldCount(), static_cast<int>(query.columns.size()));
  int idField = -1;
  for (int i = 0; i < n; ++i) {
    if (query.columns[static_cast<std::size_t>(i)] == kTestNoColumn) idField = i;
  }
  std::vector<const DisplayColumn*> shown;
  for (int i = 0; i < n; ++i) {
    shown.push_back(
        &columns.at(static_cast<std::size_t>(query.columns[static_cast<std::size_t>(i)])));
  }
  const ShortDateFormat dates = db.dateFormat();
  while (!rs.Eof()) {
    if (list.rows.size() >= maxRows) {
      list.truncated = true;
      break;
    }
    std::vector<std::string> row;
    row.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      row.push_back(DisplayText(*shown[static_cast<std::size_t>(i)], rs.FieldView(i), dates));
    }
    const JetValueView id = idField >= 0 ? rs.FieldView(idField) : JetValueView{};
    list.ids.push_back(id.kind == JetField::Kind::Null ? 0
                       : id.kind == JetField::Kind::Integer &&
                               id.integer >= std::numeric_limits<std::int32_t>::min() &&
                               id.integer <= std::numeric_limits<std::int32_t>::max()
                           ? static_cast<std::int32_t>(id.integer)
                           : id.ToField().AsLong());
    list.rows.push_back(std::move(row));
    if (list.rows.size() % kListRowsPerReport == 0) report();
    rs.MoveNext();
  }
  report();
  db.KeepResult(key, KeptTestList(list));
  return list;
}

std::string NotesLines(std::string_view fullLineNotes) {
  constexpr std::size_t kLines = 9;
  constexpr std::size_t kWidth = 57;
  const std::vector<std::string_view> chars = Characters(fullLineNotes);
  std::string out;
  for (std::size_t line = 0; line < kLines; ++line) {
    std::string text;
    for (std::size_t k = line * kWidth; k < (line + 1) * kWidth && k < chars.size(); ++k) {
      text += chars[k];
    }
    out += TrimRight(text);
    out += "\r\n";
  }
  return out;
}

std::string ReadTestNotes(TestDatabase& db, std::int32_t id) {
  ETracker guard(kTestListQueryModule, "ShowNotes");
  RecordSet rs = db.OpenRecordSet(
      "SELECT ALL TblTest.Notes FROM TblTest WHERE ID = " + std::to_string(id) + ";");
  if (rs.Eof()) return NotesLines("");
  return NotesLines(ReadText(rs, "Notes", ""));
}

CustomNames ReadCustomNames(TestDatabase& db) {
  ETracker guard(kTestListQueryModule, "ReadCustomNames");
  CustomNames names;
  if (!db.HasTable("TblCustomNames")) return names;
  RecordSet rs = db.OpenRecordSet("SELECT * FROM TblCustomNames");
  for (; !rs.Eof(); rs.MoveNext()) {
    const std::int32_t item = ReadLong(rs, "ItemNo", 0);
    if (item >= 1 && item <= 26)
      names[static_cast<std::size_t>(item - 1)] = ReadText(rs, "Name", "");
  }
  return names;
}

std::vector<std::string> ReadOperatorNames(TestDatabase& db) {
  ETracker guard(kTestListQueryModule, "ReadOperators");
  std::vector<std::string> names;
  RecordSet rs = db.OpenTable("TblOperator");
  for (; !rs.Eof(); rs.MoveNext()) names.push_back(ReadText(rs, "Name", ""));
  return names;
}

std::vector<Customer> ReadCustomers(TestDatabase& db) {
  ETracker guard(kTestListQueryModule, "ReadCustomers");
  std::vector<Customer> customers;
  RecordSet rs = db.OpenTable("TblCustomer");
  for (; !rs.Eof(); rs.MoveNext()) {
    customers.push_back({ReadLong(rs, "ID", 0), ReadText(rs, "Name", "")});
  }
  return customers;
}

}  // namespace orv
