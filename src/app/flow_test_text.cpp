#include "app/flow_test_text.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

#include "base/number_format.h"

namespace orv {

namespace {

std::string Num(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  return FormatPattern(v, "0.####");
}

std::string YesNo(bool b) { return b ? "yes" : "no"; }

std::string List(auto get, int from, int to) {
  std::string s;
  for (int i = from; i <= to; ++i) {
    if (i > from) s += ' ';
    s += Num(get(i));
  }
  return s;
}

std::string PadLeft(const std::string& s, std::size_t width) {
  return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

void WriteConditions(std::ostringstream& o, const FlowTest& t) {
  const TestCondition& c = t.Condition;
  o << "Test: " << t.Name() << '\n';
  o << "File: " << t.PathFile() << '\n';
  o << "Kind: " << c.Kind() << ' ' << TestKindName(c.Kind()) << " (full kind " << c.FullTestKind()
    << ")\n";
  o << "Averaged: " << YesNo(c.AveragedTest) << "  Totaled: " << YesNo(c.TotaledTest) << '\n';
  o << "Date: " << (c.TheDate ? FormatIsoDate(*c.TheDate) : "") << '\n';
  o << "Time: " << c.TheTime << '\n';
  o << "Bench file: " << t.BenchFileName << "  Bench kind: " << t.BenchKind << '\n';
  o << "Barometer (inHg): " << Num(c.Barometer) << "  Wet bulb (F): " << Num(c.WetBulb)
    << "  Dry bulb (F): " << Num(c.DryBulb) << '\n';
  o << "Humidity (%): " << Num(c.Humidity) << "  Humidity ratio: " << Num(c.HRatio) << '\n';
  o << "Weather correction: " << YesNo(c.WeatherCorrection != 0)
    << "  Swirl/tumble: " << c.SwirlTumble << "  Leakage: " << Num(c.Leakage)
    << "  Fudge factor: " << Num(c.FudgeFactor) << '\n';
  o << "Valve diameter: " << Num(c.ValveDiameter()) << "  Stem diameter: " << Num(c.StemDiameter())
    << "  Seat diameter: " << Num(c.SeatDiameter()) << "  Seat angle: " << Num(c.SeatAngle())
    << "  Valves: " << c.NumValves() << '\n';
  o << "Valve area: " << Num(c.ValveArea) << "  Seat area: " << Num(c.SeatArea) << '\n';
  o << "Cross-section areas: " << List([&](int k) { return c.XArea(k); }, 1, 4) << '\n';
  o << "Pitot readings per lift: " << c.PitotPerLift << "  Record length: " << t.RecordLength()
    << "  Records: " << t.Records() << '\n';
  o << "Intake range calibration: " << List([&](int i) { return t.IntakeRangeCal(i); }, 1, 12)
    << '\n';
  o << "Exhaust range calibration: " << List([&](int i) { return t.ExhaustRangeCal(i); }, 1, 12)
    << '\n';
  int lastLift = 0;
  for (int i = 1; i <= kTestLiftCount; ++i) {
    if (c.Lift(i) != 0) lastLift = i;
  }
  o << "Test lifts:" << (lastLift > 0 ? " " : "")
    << List([&](int i) { return c.Lift(i); }, 1, lastLift) << '\n';
}

void WriteNotes(std::ostringstream& o, const FlowTest& t) {
  o << "Notes:\n";
  const std::string notes = t.Notes();
  std::size_t at = 0;
  while (at < notes.size()) {
    const std::size_t end = notes.find("\r\n", at);
    const std::string line = notes.substr(at, end - at);
    o << (line.empty() ? "" : "  ") << line << '\n';
    at = end + 2;
  }
}

void WritePlanes(std::ostringstream& o, const TestCondition& c) {
  o << "Planes:\n";
  for (int p = 1; p <= kPlaneCount; ++p) {
    if (c.PlaneKind(p) == 0) continue;
    o << "Plane " << p << ": kind " << c.PlaneKind(p) << ", wall rows " << c.PlaneWallRow(p)
      << ", centre columns " << c.PlaneCenterCol(p) << ", regions " << c.PlaneRegionCnt(p)
      << ", depression " << Num(c.PlaneDepression(p)) << ", temperature "
      << Num(c.PlaneTemperature(p)) << '\n';
    for (int r = 1; r <= std::min(c.PlaneRegionCnt(p), kRegionCount); ++r) {
      o << "  region " << r << ": reading " << Num(c.PlaneInches(p, r)) << ", velocity "
        << Num(c.PlaneVelocity(p, r)) << '\n';
    }
  }
}

// Curve number that reads a record-table column.
int CurveOfColumn(int column) {
  switch (column) {
    case kColRange:
      return kCurveRange;
    case kColMano:
      return kCurveMano;
    case kColTumbleLeft:
      return kCurveTumbleLeft;
    case kColTumbleRight:
      return kCurveTumbleRight;
    default:
      return column;
  }
}

void WriteRecords(std::ostringstream& o, const FlowTest& t) {
  // The lift, flows and depression always; any other column that holds a value.
  std::vector<int> columns;
  for (int col = 1; col <= kColumnCount; ++col) {
    if (FlowColumnName(col).empty()) continue;
    bool used = col <= kColDepr;
    for (int row = 0; row <= t.Records() && !used; ++row) {
      used = t.FlowData(row, CurveOfColumn(col)) != 0;
    }
    if (used) columns.push_back(col);
  }
  std::vector<std::vector<std::string>> cells;
  std::vector<std::string> head = {"Row"};
  for (int col : columns) head.push_back(FlowColumnName(col));
  cells.push_back(head);
  for (int row = 0; row <= t.Records(); ++row) {
    std::vector<std::string> line = {std::to_string(row)};
    for (int col : columns) line.push_back(Num(t.FlowData(row, CurveOfColumn(col))));
    cells.push_back(line);
  }
  std::vector<std::size_t> width(head.size(), 0);
  for (const auto& line : cells) {
    for (std::size_t i = 0; i < line.size(); ++i) width[i] = std::max(width[i], line[i].size());
  }
  o << "Records:\n";
  for (const auto& line : cells) {
    for (std::size_t i = 0; i < line.size(); ++i) {
      o << (i == 0 ? "" : "  ") << PadLeft(line[i], width[i]);
    }
    o << '\n';
  }
}

}  // namespace

std::string FlowTestText(const FlowTest& test) {
  std::ostringstream o;
  WriteConditions(o, test);
  WriteNotes(o, test);
  if (test.Condition.Kind() == kKindPortMap) {
    WritePlanes(o, test.Condition);
  } else {
    WriteRecords(o, test);
  }
  return o.str();
}

std::string FlowErrorText(FlowError code) {
  switch (code) {
    case FlowError::NotFound:
      return "the file or the test is missing or not recognised";
    case FlowError::BadDosFile:
      return "bad or short DOS test file";
    case FlowError::EmptySy3:
      return "empty or missing SY3 file";
    case FlowError::NoRecords:
      return "the DOS test file holds no records";
    default:
      return "error " + std::to_string(static_cast<int>(code));
  }
}

}  // namespace orv
