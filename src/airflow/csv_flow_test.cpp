#include "airflow/csv_flow_test.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <new>

#include "base/atomic_file.h"
#include "base/codepage.h"
#include "base/text.h"
#include "base/units.h"

namespace orv {

namespace {

// ---------------------------------------------------------------------------------------------
// Text and fields
//
// The file is decoded to UTF-8 first (a UTF-8 byte-order mark is dropped; text that is not
// well-formed UTF-8 is Windows-1252), then split into records. A record is one line, except that
// a field in double quotes may hold separators, doubled quotes and line ends. Lines end in LF,
// CR LF or CR alone; a record's line is the line it starts on.

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The file's text as UTF-8, or nothing (with `why`) for a UTF-16 file.
std::optional<std::string> DecodeText(std::string_view bytes, std::string& why) {
  if (bytes.size() >= 2 && ((static_cast<unsigned char>(bytes[0]) == 0xFF &&
                             static_cast<unsigned char>(bytes[1]) == 0xFE) ||
                            (static_cast<unsigned char>(bytes[0]) == 0xFE &&
                             static_cast<unsigned char>(bytes[1]) == 0xFF))) {
    why = "the file is UTF-16 text; save it as UTF-8 or Windows-1252";
    return std::nullopt;
  }
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());
  return Utf8OrCp1252ToUtf8(bytes);
}

// The separator of the first line that holds anything: a tab, else a semicolon, else a comma
// (outside quotes).
char FindSeparator(std::string_view text) {
  std::size_t tabs = 0, semicolons = 0, commas = 0;
  bool quoted = false;
  bool any = false;
  for (const char c : text) {
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted) {
      if (c == '\n' || c == '\r') {
        if (any) break;
        continue;
      }
      if (c == '\t') ++tabs;
      if (c == ';') ++semicolons;
      if (c == ',') ++commas;
      if (c != ' ') any = true;
    }
  }
  if (tabs > 0) return '\t';
  if (semicolons > 0) return ';';
  return ',';
}

// Splits the text into records of fields.
class CsvScanner final {
 public:
  CsvScanner(std::string_view text, char separator) : text_(text), separator_(separator) {}

  // The next record into `fields` (the first `count` entries are its fields) and the line it
  // starts on. False at the end of the text, or with `error` set for an unclosed quote.
  bool Next(std::vector<std::string>& fields, std::size_t& count, int& line, std::string& error) {
    if (pos_ >= text_.size()) return false;
    line = line_;
    count = 0;
    auto field = [&]() -> std::string& {
      if (count == fields.size()) fields.emplace_back();
      std::string& f = fields[count++];
      f.clear();
      return f;
    };
    std::string* current = &field();
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '"' && TrimLeft(*current, " ").empty()) {
        // A quoted field: up to the closing quote; blanks before it are dropped.
        current->clear();
        const int startLine = line_;
        ++pos_;
        bool closed = false;
        while (pos_ < text_.size()) {
          const char q = text_[pos_];
          if (q == '"') {
            if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
              current->push_back('"');
              pos_ += 2;
              continue;
            }
            ++pos_;
            closed = true;
            break;
          }
          if (q == '\r') {
            ++line_;
            if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') {
              current->push_back('\r');
              ++pos_;
            }
          } else if (q == '\n') {
            ++line_;
          }
          current->push_back(q);
          ++pos_;
        }
        if (!closed) {
          error = "a quoted field is not closed";
          line = startLine;
          return false;
        }
        // Anything between the closing quote and the separator is kept with the field.
        continue;
      }
      if (c == separator_) {
        current = &field();
        ++pos_;
        continue;
      }
      if (c == '\n' || c == '\r') {
        ++pos_;
        if (c == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        ++line_;
        return true;
      }
      current->push_back(c);
      ++pos_;
    }
    return true;
  }

 private:
  std::string_view text_;
  char separator_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

bool IsEmptyRecord(const std::vector<std::string>& fields, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (!Trim(fields[i], " \t").empty()) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Numbers
//
// A number is optional blanks, an optional sign, digits with at most one decimal point or
// decimal comma, an optional exponent, optional blanks. Values in the test's own unit are read
// straight into a 32-bit float (so a number written in its shortest form reads back to the
// same float); values to be converted are read as 64-bit floats first.

constexpr std::size_t kMaxNumberLength = 128;

// The number in the form from_chars reads, or false when the text is no number.
bool NormalizeNumber(std::string_view text, std::array<char, kMaxNumberLength>& out,
                     std::size_t& length) {
  text = Trim(text, " \t");
  if (text.empty() || text.size() > kMaxNumberLength) return false;
  std::size_t i = 0, n = 0;
  if (text[i] == '+' || text[i] == '-') {
    if (text[i] == '-') out[n++] = '-';
    ++i;
  }
  bool digits = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    out[n++] = text[i++];
    digits = true;
  }
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    out[n++] = '.';
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      out[n++] = text[i++];
      digits = true;
    }
  }
  if (!digits) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    out[n++] = 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) out[n++] = text[i++];
    bool expDigits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      out[n++] = text[i++];
      expDigits = true;
    }
    if (!expDigits) return false;
  }
  length = n;
  return i == text.size();
}

template <class T>
bool ParseNumber(std::string_view text, T& value) {
  std::array<char, kMaxNumberLength> buffer{};
  std::size_t length = 0;
  if (!NormalizeNumber(text, buffer, length)) return false;
  T v{};
  const auto [end, ec] = std::from_chars(buffer.data(), buffer.data() + length, v);
  if (ec != std::errc() || end != buffer.data() + length || !std::isfinite(v)) return false;
  value = v;
  return true;
}

bool FitsFloat(double v) {
  return std::isfinite(v) && std::fabs(v) <= double(std::numeric_limits<float>::max());
}

// The first line that holds anything is a header when none of its fields is a number. (A first
// data row with a mistyped value still holds numbers, so it is reported, not dropped.)
bool IsHeader(const std::vector<std::string>& fields, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    double v = 0;
    if (ParseNumber(fields[i], v)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Header names

// The name in ASCII lower case, superscripts 2 and 3 as digits, the double prime as a quote.
std::string NormalizeName(std::string_view name) {
  std::string s;
  s.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const std::string_view rest = name.substr(i);
    if (rest.substr(0, 2) == "\xC2\xB3") {  // superscript three
      s.push_back('3');
      ++i;
    } else if (rest.substr(0, 2) == "\xC2\xB2") {  // superscript two
      s.push_back('2');
      ++i;
    } else if (rest.substr(0, 3) == "\xE2\x80\xB3") {  // double prime
      s.push_back('"');
      i += 2;
    } else {
      s.push_back(AsciiLower(name[i]));
    }
  }
  return s;
}

bool Has(std::string_view s, std::string_view part) { return s.find(part) != std::string::npos; }

// The words of a name: runs of letters and digits.
std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && !std::isalnum(static_cast<unsigned char>(s[i]))) ++i;
    const std::size_t start = i;
    while (i < s.size() && std::isalnum(static_cast<unsigned char>(s[i]))) ++i;
    if (i > start) words.push_back(s.substr(start, i - start));
  }
  return words;
}

bool HasWord(const std::vector<std::string_view>& words, std::string_view w) {
  for (const std::string_view x : words) {
    if (x == w) return true;
  }
  return false;
}

std::optional<FlowUnit> FlowUnitIn(std::string_view s, const std::vector<std::string_view>& w) {
  if (Has(s, "m3/min") || Has(s, "m^3/min") || HasWord(w, "cmm") || HasWord(w, "m3min")) {
    return FlowUnit::CubicMetresPerMinute;
  }
  if (Has(s, "l/s") || HasWord(w, "lps") || Has(s, "litre") || Has(s, "liter")) {
    return FlowUnit::LitresPerSecond;
  }
  if (Has(s, "cfm")) return FlowUnit::Cfm;
  return std::nullopt;
}

std::optional<DepressionUnit> DepressionUnitIn(std::string_view s,
                                               const std::vector<std::string_view>& w) {
  if (HasWord(w, "kpa")) return DepressionUnit::Kilopascals;
  if (HasWord(w, "mmh2o") || HasWord(w, "mmwc") || Has(s, "mm h2o") || Has(s, "mm wc") ||
      Has(s, "mm water")) {
    return DepressionUnit::MillimetresOfWater;
  }
  if (Has(s, "h2o") || HasWord(w, "inwc") || Has(s, "in wc") || Has(s, "in. wc") ||
      Has(s, "\"wc")) {
    return DepressionUnit::InchesOfWater;
  }
  return std::nullopt;
}

std::optional<LiftUnit> LiftUnitIn(std::string_view s, const std::vector<std::string_view>& w) {
  if (HasWord(w, "mm")) return LiftUnit::Millimetres;
  if (HasWord(w, "in") || HasWord(w, "inch") || HasWord(w, "inches") || Has(s, "\"")) {
    return LiftUnit::Inches;
  }
  return std::nullopt;
}

// "28", "28\"", "7 kPa", "7kpa": the depression after the "@" of a flow header, in inches of
// water.
std::optional<double> DepressionAfterAt(std::string_view after) {
  after = Trim(after, " ");
  std::size_t end = 0;
  while (end < after.size() &&
         ((after[end] >= '0' && after[end] <= '9') || after[end] == '.' || after[end] == ',')) {
    ++end;
  }
  double value = 0;
  if (end == 0 || !ParseNumber(after.substr(0, end), value) || !(value > 0)) return std::nullopt;
  const std::string_view unitText = after.substr(end);
  const std::vector<std::string_view> w = Words(unitText);
  const DepressionUnit unit = DepressionUnitIn(unitText, w)
                                  .value_or(HasWord(w, "mm") ? DepressionUnit::MillimetresOfWater
                                                             : DepressionUnit::InchesOfWater);
  // A figure no record can hold ("CFM@" and forty digits) names no depression.
  const double inH2O = DepressionToInchesOfWater(value, unit);
  if (!FitsFloat(inH2O)) return std::nullopt;
  return inH2O;
}

// ---------------------------------------------------------------------------------------------
// Reading

CsvFlowResult Failure(CsvFlowError error, std::string message, int line = 0) {
  CsvFlowResult r;
  r.error = error;
  r.line = line;
  r.message = line > 0 ? "line " + std::to_string(line) + ": " + message : std::move(message);
  return r;
}

std::string Quoted(std::string_view s) {
  constexpr std::size_t kShown = 40;
  std::string t(s.substr(0, kShown));
  if (s.size() > kShown) t += "...";
  return "\"" + t + "\"";
}

std::string NameList(const std::vector<std::string>& header, std::size_t count) {
  std::string s;
  for (std::size_t i = 0; i < count && i < 12; ++i) {
    if (i > 0) s += ", ";
    s += Quoted(header[i]);
  }
  if (count > 12) s += ", ...";
  return s;
}

// One row's values in the test's units, before any correction.
struct CsvRow {
  float lift = 0;
  float flow = 0;
  float depression = 0;
  float swirl = 0;
};

// Reads a value of one column of a record. `english` reads the float straight; otherwise the
// value is read as a double, converted by `convert` and narrowed.
template <class Convert>
bool ReadValue(const std::string& field, bool english, Convert convert, float& value) {
  if (english) return ParseNumber(field, value);
  double v = 0;
  if (!ParseNumber(field, v)) return false;
  const double converted = convert(v);
  if (!FitsFloat(converted)) return false;
  value = static_cast<float>(converted);
  return true;
}

CsvFlowResult ReadText(FlowTest& test, std::string_view text, const CsvFlowOptions& options) {
  const char separator = FindSeparator(text);
  CsvScanner scanner(text, separator);
  std::vector<std::string> fields;
  std::size_t count = 0;
  int line = 0;
  std::string scanError;

  // The first record that holds anything: the header, when any of its fields is no number.
  bool found = false;
  while (scanner.Next(fields, count, line, scanError)) {
    if (!IsEmptyRecord(fields, count)) {
      found = true;
      break;
    }
  }
  if (!scanError.empty()) return Failure(CsvFlowError::BadRow, scanError, line);
  if (!found) return Failure(CsvFlowError::NoRows, "the file holds no rows");
  const bool hasHeader = IsHeader(fields, count);
  std::vector<std::string> header;
  if (hasHeader) header.assign(fields.begin(), fields.begin() + static_cast<long>(count));

  // The mapping: the columns given, else the header's guess; units from the header where its
  // names give them, then the units given.
  CsvMapping mapping;
  bool depressionColumnGiven = false;
  if (options.columns) {
    mapping.columns = *options.columns;
    depressionColumnGiven = mapping.columns.depression > 0;
    auto headerGuess = [&](int column) {
      return column > 0 && static_cast<std::size_t>(column) <= header.size()
                 ? GuessCsvHeader(header[static_cast<std::size_t>(column - 1)])
                 : CsvHeaderGuess{};
    };
    const CsvHeaderGuess lift = headerGuess(mapping.columns.lift);
    const CsvHeaderGuess flow = headerGuess(mapping.columns.flow);
    const CsvHeaderGuess depr = headerGuess(mapping.columns.depression);
    if (lift.liftUnit) mapping.units.lift = *lift.liftUnit;
    if (flow.flowUnit) mapping.units.flow = *flow.flowUnit;
    if (depr.depressionUnit) mapping.units.depression = *depr.depressionUnit;
    mapping.flowDepressionInH2O = flow.flowDepressionInH2O;
  } else if (hasHeader) {
    mapping = GuessCsvMapping(header);
  }
  if (options.liftUnit) mapping.units.lift = *options.liftUnit;
  if (options.flowUnit) mapping.units.flow = *options.flowUnit;
  if (options.depressionUnit) mapping.units.depression = *options.depressionUnit;

  auto columnsNeeded = [&](std::string why) {
    CsvFlowResult r = Failure(CsvFlowError::ColumnsNeeded, std::move(why));
    r.mapping = mapping;
    r.hasHeader = hasHeader;
    return r;
  };
  if (!options.columns) {
    if (!hasHeader) {
      return columnsNeeded(
          "the file has no header line naming its columns; the lift and flow columns must be "
          "given");
    }
    if (mapping.columns.lift == 0 || mapping.columns.flow == 0) {
      const std::string what = mapping.columns.lift == 0 && mapping.columns.flow == 0
                                   ? "lift or flow column"
                               : mapping.columns.lift == 0 ? "lift column"
                                                           : "flow column";
      return columnsNeeded("the header (" + NameList(header, header.size()) + ") names no " + what +
                           "; the lift and flow columns must be given");
    }
  } else {
    const CsvColumns& c = mapping.columns;
    if (c.lift <= 0 || c.flow <= 0 || c.depression < 0 || c.swirl < 0) {
      return Failure(CsvFlowError::BadOptions, "the lift and flow columns must be given");
    }
    const std::array<int, 4> all{c.lift, c.flow, c.depression, c.swirl};
    for (std::size_t i = 0; i < all.size(); ++i) {
      for (std::size_t j = i + 1; j < all.size(); ++j) {
        if (all[i] > 0 && all[i] == all[j]) {
          return Failure(CsvFlowError::BadOptions,
                         "column " + std::to_string(all[i]) + " is given for two quantities");
        }
      }
    }
  }

  // The test depression of rows without a depression column: the one given, else the one the
  // flow header names. A given depression (or a flow header's) is preferred to a depression
  // column that was only guessed from its name.
  const DepressionUnit typedUnit = options.typedDepressionUnit.value_or(
      options.depressionUnit.value_or(DepressionUnit::InchesOfWater));
  std::optional<double> fallbackInH2O;
  if (options.testDepression) {
    const double d = DepressionToInchesOfWater(*options.testDepression, typedUnit);
    if (!(d > 0) || !FitsFloat(d)) {
      return Failure(CsvFlowError::BadOptions, "the test depression must be above 0");
    }
    fallbackInH2O = d;
  } else if (mapping.flowDepressionInH2O) {
    fallbackInH2O = mapping.flowDepressionInH2O;
  }
  if (!depressionColumnGiven && fallbackInH2O) mapping.columns.depression = 0;
  std::optional<double> correctToInH2O;
  if (options.correctTo) {
    const double h = DepressionToInchesOfWater(*options.correctTo, typedUnit);
    if (!(h > 0) || !FitsFloat(h)) {
      return Failure(CsvFlowError::BadOptions,
                     "the depression to correct the flows to must be above 0");
    }
    if (mapping.columns.depression == 0 && !fallbackInH2O) {
      return Failure(CsvFlowError::BadOptions,
                     "the flows cannot be corrected: the file has no depression column and no "
                     "test depression is given");
    }
    correctToInH2O = h;
  }

  const bool liftEnglish = mapping.units.lift == LiftUnit::Inches;
  const bool flowEnglish = mapping.units.flow == FlowUnit::Cfm;
  const bool deprEnglish = mapping.units.depression == DepressionUnit::InchesOfWater;
  const CsvUnits units = mapping.units;
  const CsvColumns columns = mapping.columns;

  std::vector<CsvRow> rows;
  bool more = true;
  if (hasHeader) {
    more = scanner.Next(fields, count, line, scanError);
  }
  for (; more; more = scanner.Next(fields, count, line, scanError)) {
    if (IsEmptyRecord(fields, count)) continue;
    if (rows.size() >= static_cast<std::size_t>(kMaxCsvRows)) {
      return Failure(CsvFlowError::TooManyRows, "the file holds more than " +
                                                    std::to_string(kMaxCsvRows) +
                                                    " rows, the most a flow test holds");
    }
    auto field = [&](int column) -> const std::string* {
      return static_cast<std::size_t>(column) <= count
                 ? &fields[static_cast<std::size_t>(column - 1)]
                 : nullptr;
    };
    CsvRow row;
    bool depressionRead = false;
    struct Wanted {
      const char* name;
      int column;
    };
    for (const Wanted w :
         {Wanted{"lift", columns.lift}, Wanted{"flow", columns.flow},
          Wanted{"depression", columns.depression}, Wanted{"swirl", columns.swirl}}) {
      if (w.column == 0) continue;
      const std::string* f = field(w.column);
      const bool empty = f == nullptr || Trim(*f, " \t").empty();
      const std::string name = w.name;
      if (empty) {
        if (name == "swirl") continue;
        if (name == "depression" && fallbackInH2O) continue;
        if (f == nullptr) {
          return Failure(CsvFlowError::BadRow,
                         "the row has " + std::to_string(count) + " field" +
                             (count == 1 ? "" : "s") + ", the " + name + " is in column " +
                             std::to_string(w.column),
                         line);
        }
        return Failure(CsvFlowError::BadRow, "the " + name + " is empty", line);
      }
      bool ok = false;
      if (name == "lift") {
        ok = ReadValue(
            *f, liftEnglish, [&](double v) { return LiftToInches(v, units.lift); }, row.lift);
      } else if (name == "flow") {
        ok = ReadValue(
            *f, flowEnglish, [&](double v) { return FlowToCfm(v, units.flow); }, row.flow);
      } else if (name == "depression") {
        ok = ReadValue(
            *f, deprEnglish,
            [&](double v) { return DepressionToInchesOfWater(v, units.depression); },
            row.depression);
        depressionRead = true;
      } else {
        ok = ParseNumber(*f, row.swirl);
      }
      if (!ok) {
        return Failure(CsvFlowError::BadRow,
                       "the " + name + " " + Quoted(Trim(*f, " \t")) + " is not a number", line);
      }
    }
    if (!depressionRead && fallbackInH2O) row.depression = static_cast<float>(*fallbackInH2O);
    if (correctToInH2O) {
      if (!(row.depression > 0)) {
        return Failure(
            CsvFlowError::BadRow,
            "the flow cannot be corrected from a depression of " + std::to_string(row.depression),
            line);
      }
      // Through an orifice the flow goes with the square root of the pressure drop.
      const double corrected =
          double(row.flow) * std::sqrt(*correctToInH2O / double(row.depression));
      if (!FitsFloat(corrected)) {
        return Failure(CsvFlowError::BadRow, "the corrected flow is out of range", line);
      }
      row.flow = static_cast<float>(corrected);
      row.depression = static_cast<float>(*correctToInH2O);
    }
    rows.push_back(row);
  }
  if (!scanError.empty()) return Failure(CsvFlowError::BadRow, scanError, line);
  if (rows.empty()) return Failure(CsvFlowError::NoRows, "the file holds no rows");

  test.Condition.SetKind(kCsvTestKind);
  test.Condition.SwirlTumble = columns.swirl > 0 ? 1 : 0;
  if (options.valveDiameterInches) {
    test.Condition.HeadIntakeVDia = *options.valveDiameterInches;
    test.Condition.HeadExhaustVDia = *options.valveDiameterInches;
  }
  test.SetRecordLength();
  test.TestID = -1;
  test.InDB = false;
  test.SetRecords(static_cast<std::int16_t>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int r = static_cast<int>(i) + 1;
    test.SetFlowData(r, kColLift, rows[i].lift);
    test.SetFlowData(r, kColCCfm, rows[i].flow);
    test.SetFlowData(r, kColDepr, rows[i].depression);
    test.SetFlowData(r, kColSwirl, rows[i].swirl);
  }
  CsvFlowResult result;
  result.mapping = mapping;
  result.hasHeader = hasHeader;
  result.rows = static_cast<int>(rows.size());
  return result;
}

std::string FloatText(float v) {
  std::array<char, 32> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
  return ec == std::errc() ? std::string(buffer.data(), end) : std::string("0");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Units

std::string_view UnitName(LiftUnit unit) noexcept {
  return unit == LiftUnit::Millimetres ? "mm" : "in";
}

std::string_view UnitName(FlowUnit unit) noexcept {
  switch (unit) {
    case FlowUnit::CubicMetresPerMinute:
      return "m3/min";
    case FlowUnit::LitresPerSecond:
      return "l/s";
    case FlowUnit::Cfm:
      break;
  }
  return "cfm";
}

std::string_view UnitName(DepressionUnit unit) noexcept {
  switch (unit) {
    case DepressionUnit::Kilopascals:
      return "kPa";
    case DepressionUnit::MillimetresOfWater:
      return "mmH2O";
    case DepressionUnit::InchesOfWater:
      break;
  }
  return "inH2O";
}

double LiftToInches(double value, LiftUnit unit) noexcept {
  return unit == LiftUnit::Millimetres ? value / kMmPerInch : value;
}

double FlowToCfm(double value, FlowUnit unit) noexcept {
  switch (unit) {
    case FlowUnit::CubicMetresPerMinute:
      return value * kCfmPerM3Min;
    case FlowUnit::LitresPerSecond:
      // 1 l/s is 0.06 m3/min.
      return value * 0.06 * kCfmPerM3Min;
    case FlowUnit::Cfm:
      break;
  }
  return value;
}

double DepressionToInchesOfWater(double value, DepressionUnit unit) noexcept {
  switch (unit) {
    case DepressionUnit::Kilopascals:
      return value * 1000.0 / kPascalsPerInchOfWater;
    case DepressionUnit::MillimetresOfWater:
      return value / kMmPerInch;
    case DepressionUnit::InchesOfWater:
      break;
  }
  return value;
}

// ---------------------------------------------------------------------------------------------
// Header guessing

CsvHeaderGuess GuessCsvHeader(std::string_view name) {
  const std::string full = NormalizeName(name);
  const std::size_t at = full.find('@');
  const std::string_view s = std::string_view(full).substr(0, at);
  const std::vector<std::string_view> w = Words(s);
  CsvHeaderGuess g;
  // Columns that name a quantity in passing but hold another: the barometer, pitot readings,
  // flow coefficients and velocities, areas, lift-to-diameter ratios.
  const bool other = Has(s, "baro") || Has(s, "inhg") || Has(s, "atmos") || Has(s, "pitot") ||
                     Has(s, "coef") || HasWord(w, "cd") || Has(s, "veloc") || Has(s, "speed") ||
                     Has(s, "area") || Has(s, "ratio") || Has(s, "%") || Has(s, "percent") ||
                     Has(s, "lift/d") || HasWord(w, "fps") || Has(s, "ft/s") || Has(s, "m/s");
  if (other) {
    return g;
  } else if (Has(s, "swirl")) {
    g.quantity = CsvQuantity::Swirl;
  } else if (Has(s, "lift")) {
    g.quantity = CsvQuantity::Lift;
    g.liftUnit = LiftUnitIn(s, w);
  } else if (FlowUnitIn(s, w) || Has(s, "flow")) {
    g.quantity = CsvQuantity::Flow;
    g.flowUnit = FlowUnitIn(s, w);
    if (at != std::string::npos) {
      g.flowRank = 2;
      g.flowDepressionInH2O = DepressionAfterAt(std::string_view(full).substr(at + 1));
    } else if (Has(s, "corr") || HasWord(w, "ccfm") || HasWord(w, "std") || Has(s, "standard")) {
      g.flowRank = 2;
    } else if (Has(s, "actual") || HasWord(w, "acfm") || HasWord(w, "raw") || Has(s, "measured")) {
      g.flowRank = 0;
    }
  } else if (Has(s, "depr") || Has(s, "vacuum") || Has(s, "pressure") || DepressionUnitIn(s, w)) {
    g.quantity = CsvQuantity::Depression;
    g.depressionUnit = DepressionUnitIn(s, w);
  }
  return g;
}

CsvMapping GuessCsvMapping(const std::vector<std::string>& headerNames) {
  CsvMapping m;
  int flowRank = -1;
  for (std::size_t i = 0; i < headerNames.size(); ++i) {
    const int column = static_cast<int>(i) + 1;
    const CsvHeaderGuess g = GuessCsvHeader(headerNames[i]);
    switch (g.quantity) {
      case CsvQuantity::Lift:
        if (m.columns.lift == 0) {
          m.columns.lift = column;
          m.units.lift = g.liftUnit.value_or(LiftUnit::Inches);
        }
        break;
      case CsvQuantity::Flow:
        if (g.flowRank > flowRank) {
          flowRank = g.flowRank;
          m.columns.flow = column;
          m.units.flow = g.flowUnit.value_or(FlowUnit::Cfm);
          m.flowDepressionInH2O = g.flowDepressionInH2O;
        }
        break;
      case CsvQuantity::Depression:
        if (m.columns.depression == 0) {
          m.columns.depression = column;
          m.units.depression = g.depressionUnit.value_or(DepressionUnit::InchesOfWater);
        }
        break;
      case CsvQuantity::Swirl:
        if (m.columns.swirl == 0) m.columns.swirl = column;
        break;
      case CsvQuantity::None:
        break;
    }
  }
  return m;
}

// ---------------------------------------------------------------------------------------------
// Reading

CsvFlowResult ReadCsvFlowTestBytes(FlowTest& test, std::string_view bytes,
                                   const CsvFlowOptions& options) {
  try {
    std::string why;
    const std::optional<std::string> text = DecodeText(bytes, why);
    if (!text) return Failure(CsvFlowError::CannotRead, why);
    return ReadText(test, *text, options);
  } catch (const std::bad_alloc&) {
    return Failure(CsvFlowError::CannotRead, "there is not enough memory to read the file");
  } catch (const std::exception& e) {
    return Failure(CsvFlowError::CannotRead, e.what());
  } catch (...) {
    return Failure(CsvFlowError::CannotRead, "the file cannot be read");
  }
}

CsvFlowResult ReadCsvFlowTest(FlowTest& test, const CsvFlowOptions& options) {
  std::string why;
  const std::optional<std::string> bytes = ReadWholeFile(test.PathFile(), &why, kMaxCsvFileBytes);
  if (!bytes) {
    if (why.empty()) why = "the file is larger than " + std::to_string(kMaxCsvFileBytes) + " bytes";
    return Failure(CsvFlowError::CannotRead, why);
  }
  return ReadCsvFlowTestBytes(test, *bytes, options);
}

bool IsCsvTestPath(std::string_view path) {
  return EndsWithIgnoringAsciiCase(path, ".csv") || EndsWithIgnoringAsciiCase(path, ".tsv");
}

CsvPreview PreviewCsv(std::string_view bytes, int maxRows) {
  CsvPreview preview;
  try {
    const std::optional<std::string> text = DecodeText(bytes, preview.error);
    if (!text) return preview;
    preview.separator = FindSeparator(*text);
    CsvScanner scanner(*text, preview.separator);
    std::vector<std::string> fields;
    std::size_t count = 0;
    int line = 0;
    bool first = true;
    while (static_cast<int>(preview.rows.size()) < maxRows &&
           scanner.Next(fields, count, line, preview.error)) {
      if (IsEmptyRecord(fields, count)) continue;
      std::vector<std::string> row(fields.begin(), fields.begin() + static_cast<long>(count));
      if (first) {
        first = false;
        preview.hasHeader = IsHeader(fields, count);
        if (preview.hasHeader) {
          preview.header = std::move(row);
          continue;
        }
      }
      preview.rows.push_back(std::move(row));
    }
  } catch (const std::exception& e) {
    preview.error = e.what();
  }
  return preview;
}

// ---------------------------------------------------------------------------------------------
// Options

std::optional<CsvColumns> ParseCsvColumns(std::string_view text, std::string& why) {
  CsvColumns c;
  std::array<bool, 4> seen{};
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view item = Trim(text.substr(start, comma - start), " ");
    start = comma + 1;
    const std::size_t eq = item.find('=');
    if (eq == std::string_view::npos) {
      why = "each column is given as NAME=NUMBER (lift, flow, depression, swirl), got " +
            Quoted(item);
      return std::nullopt;
    }
    const std::string key = AsciiLower(Trim(item.substr(0, eq), " "));
    const std::string_view number = Trim(item.substr(eq + 1), " ");
    int value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size() || value < 1 || value > 100000) {
      why = "the column of " + key + " must be a number from 1, got " + Quoted(number);
      return std::nullopt;
    }
    int* slot = nullptr;
    std::size_t index = 0;
    if (key == "lift") {
      slot = &c.lift;
      index = 0;
    } else if (key == "flow") {
      slot = &c.flow;
      index = 1;
    } else if (key == "depression" || key == "depr") {
      slot = &c.depression;
      index = 2;
    } else if (key == "swirl") {
      slot = &c.swirl;
      index = 3;
    } else {
      why = "no quantity is named " + Quoted(key) + " (lift, flow, depression, swirl)";
      return std::nullopt;
    }
    if (seen[index]) {
      why = "the " + key + " column is given twice";
      return std::nullopt;
    }
    seen[index] = true;
    *slot = value;
  }
  if (c.lift == 0 || c.flow == 0) {
    why = "the lift and flow columns must both be given (lift=N,flow=N)";
    return std::nullopt;
  }
  const std::array<int, 4> all{c.lift, c.flow, c.depression, c.swirl};
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (std::size_t j = i + 1; j < all.size(); ++j) {
      if (all[i] > 0 && all[i] == all[j]) {
        why = "column " + std::to_string(all[i]) + " is given for two quantities";
        return std::nullopt;
      }
    }
  }
  return c;
}

bool ParseCsvUnits(std::string_view text, CsvFlowOptions& options, std::string& why) {
  CsvFlowOptions o = options;
  bool lift = false, flow = false, depr = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view item = Trim(text.substr(start, comma - start), " ");
    start = comma + 1;
    const std::string u = NormalizeName(item);
    bool* seen = nullptr;
    if (u == "in" || u == "inch" || u == "inches" || u == "mm") {
      seen = &lift;
      o.liftUnit = u == "mm" ? LiftUnit::Millimetres : LiftUnit::Inches;
    } else if (u == "cfm") {
      seen = &flow;
      o.flowUnit = FlowUnit::Cfm;
    } else if (u == "m3/min" || u == "cmm") {
      seen = &flow;
      o.flowUnit = FlowUnit::CubicMetresPerMinute;
    } else if (u == "l/s" || u == "lps") {
      seen = &flow;
      o.flowUnit = FlowUnit::LitresPerSecond;
    } else if (u == "inh2o" || u == "in h2o" || u == "\"h2o" || u == "inwc") {
      seen = &depr;
      o.depressionUnit = DepressionUnit::InchesOfWater;
    } else if (u == "kpa") {
      seen = &depr;
      o.depressionUnit = DepressionUnit::Kilopascals;
    } else if (u == "mmh2o" || u == "mm h2o" || u == "mmwc") {
      seen = &depr;
      o.depressionUnit = DepressionUnit::MillimetresOfWater;
    } else {
      why = "unknown unit " + Quoted(item) +
            " (lift: in, mm; flow: cfm, m3/min, l/s; depression: inH2O, kPa, mmH2O)";
      return false;
    }
    if (*seen) {
      why = "two units are given for one quantity (" + Quoted(item) + ")";
      return false;
    }
    *seen = true;
  }
  options = o;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Export

std::optional<std::string> FlowTestCsv(const FlowTest& test, std::string& why) {
  if (test.Condition.Kind() == kKindPortMap) {
    why = "a port-map test has no records by lift to export";
    return std::nullopt;
  }
  const int records = test.Records();
  if (records < 1) {
    why = "the test has no records to export";
    return std::nullopt;
  }
  bool swirl = test.Condition.SwirlTumble == 1;
  for (int r = 1; r <= records; ++r) {
    for (const int column : {kColLift, kColCCfm, kColDepr, kColSwirl}) {
      if (!std::isfinite(test.FlowData(r, column))) {
        why = "record " + std::to_string(r) + " holds a value that is not a finite number";
        return std::nullopt;
      }
    }
    if (test.FlowData(r, kColSwirl) != 0.0f) swirl = true;
  }
  std::string csv = "Lift (in),Flow (cfm),Depression (inH2O)";
  csv += swirl ? ",Swirl\n" : "\n";
  for (int r = 1; r <= records; ++r) {
    csv += FloatText(test.FlowData(r, kColLift));
    csv += ',';
    csv += FloatText(test.FlowData(r, kColCCfm));
    csv += ',';
    csv += FloatText(test.FlowData(r, kColDepr));
    if (swirl) {
      csv += ',';
      csv += FloatText(test.FlowData(r, kColSwirl));
    }
    csv += '\n';
  }
  return csv;
}

}  // namespace orv
