#include "app/engine_comparison.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "base/number_format.h"
#include "base/text.h"

namespace orv {

namespace {

constexpr double kNoDifference = std::numeric_limits<double>::quiet_NaN();

// Two held numbers are the same when equal, or both not a number.
bool Same(double a, double b) noexcept { return a == b || (std::isnan(a) && std::isnan(b)); }

// A difference as shown: the sign always written, so that "+0.095" and "-0.095" read as
// directions.
std::string SignedText(double value, int decimals) {
  std::string text(Trim(FormatNumber(value, 1, decimals)));
  if (text.empty() || text[0] == '-') return text;
  // A difference that shows as zero carries no sign.
  if (text.find_first_not_of("0.") == std::string::npos) return text;
  return "+" + text;
}

template <std::size_t N>
const std::string& ItemOf(const std::array<std::string, N>& items, long index) {
  const long last = static_cast<long>(N) - 1;
  return items[static_cast<std::size_t>(index < 0 ? 0 : index > last ? last : index)];
}

// A table of the engine file as its length (and highest value) tells it.
std::string TableText(const BoundedArray<float>& table) {
  const std::vector<float>& v = table.values();
  if (v.size() <= 1) return "none";
  float highest = v[0];
  for (float x : v) highest = x > highest ? x : highest;
  return std::to_string(v.size()) + " values, highest " + ShortestText(highest);
}

class Comparer {
 public:
  Comparer(const EngineDocument& reference, const EngineDocument& current, UnitMode mode)
      : ref_(reference.engine().inputs()),
        cur_(current.engine().inputs()),
        texts_(current.controller().texts()),
        mode_(mode) {}

  // A typed input with a text box: its display value and format in the unit system.
  void Typed(int n) {
    const InputInfo& info = InputInfoOf(n);
    const double a = InputValue(ref_, n), b = InputValue(cur_, n);
    if (Same(a, b)) return;
    const double scale = n == kInVE ? 100 : 1;  // the volumetric efficiency shows as percent
    const NumberFormat f = DisplayFormat(info.unit, info.format, mode_);
    const double da = ToDisplay(info.unit, a * scale, mode_);
    const double db = ToDisplay(info.unit, b * scale, mode_);
    std::string shownA(Trim(FormatNumber(da, f.width, f.decimals)));
    std::string shownB(Trim(FormatNumber(db, f.width, f.decimals)));
    // Values equal as the box shows them differ only beyond what can be typed (an engine in
    // memory against its saved file holds the single-precision copy the file gives back): not
    // a change the user made.
    if (shownA == shownB) return;
    out_.push_back({info.key, Label(n), std::move(shownA), std::move(shownB), db - da,
                    SignedText(db - da, f.decimals)});
  }

  // A held number without a text box, shown as it is held.
  void Number(const char* key, double a, double b) {
    if (Same(a, b)) return;
    // Built by appending: GCC 12 at -O3 warns (falsely) about "literal" + temporary string.
    std::string difference = b - a > 0 ? "+" : "";
    difference += ShortestText(b - a);
    out_.push_back({key, key, ShortestText(a), ShortestText(b), b - a, std::move(difference)});
  }

  // A list choice or option, named by its item.
  template <std::size_t N>
  void Choice(const char* key, const std::string& label, const std::array<std::string, N>& items,
              long a, long b) {
    if (a == b) return;
    out_.push_back({key, label, ItemOf(items, a), ItemOf(items, b), kNoDifference, {}});
  }

  void Text(const char* key, const std::string& a, const std::string& b) {
    if (a == b) return;
    out_.push_back({key, key, a, b, kNoDifference, {}});
  }

  void Table(const char* key, const BoundedArray<float>& a, const BoundedArray<float>& b) {
    if (a.values() == b.values()) return;
    out_.push_back({key, key, TableText(a), TableText(b), kNoDifference, {}});
  }

  std::string Label(int n) const {
    return std::string(Trim(texts_.labels[static_cast<std::size_t>(n)]));
  }

  void Run() {
    // The order of the engine file's "Inputs" section.
    Typed(kInVE);
    Typed(kInCriticalG);
    Typed(kInStroke);
    Typed(kInBore);
    Typed(kInPinEndWeight);
    Typed(kInPinWt);
    Typed(kInRodLen);
    Typed(kInCR);
    Typed(kInDeckHeight);
    Typed(kInCylinders);
    Typed(kInFiringAngle);
    Typed(kInIntCFM);
    Choice("VTType", Label(kInVTType), texts_.valveTrainItems, ref_.VTType, cur_.VTType);
    Typed(kInAdvance);
    Typed(kInPkTorqRPM);
    Typed(kInPkPwrRPM);
    Number("TorqLoss", ref_.TorqLoss, cur_.TorqLoss);
    Typed(kInIntTemp);
    Typed(kInMxIntVel);
    Typed(kInPinOff);
    Choice("Fuel", Label(kInFuel), texts_.fuelItems, ref_.Fuel, cur_.Fuel);
    Typed(kInCritIntVel);
    Typed(kInExOD);
    Number("PcntDrop", ref_.PcntDrop, cur_.PcntDrop);
    Typed(kInIVlvDia);
    Typed(kInIVlvStm);
    Typed(kInBowlA);
    Typed(kInIVlvCnt);
    Typed(kInEVlvCnt);
    Typed(kInRecipBF);
    Choice("EnterAirPP", "EnterAirPP", texts_.airOrRpmItems, ref_.EnterAirPP, cur_.EnterAirPP);
    Text("ICam", ref_.intakeCam.path, cur_.intakeCam.path);
    Typed(kInIntakeCL);
    Number("I_LNo", ref_.intakeCam.lobeNo, cur_.intakeCam.lobeNo);
    Number("I_SNo", ref_.intakeCam.shaftNo, cur_.intakeCam.shaftNo);
    Typed(kInIntakeRR);
    Typed(kInIntakeLash);
    Text("IAir", ref_.intakeFlow.path, cur_.intakeFlow.path);
    Text("IA_Name", ref_.intakeFlow.name, cur_.intakeFlow.name);
    Number("IA_ID", ref_.intakeFlow.testId, cur_.intakeFlow.testId);
    Number("IA_Kd", ref_.intakeFlow.kind, cur_.intakeFlow.kind);
    Text("KbdFlow_I", ref_.intakeFlow.keyboard ? "true" : "false",
         cur_.intakeFlow.keyboard ? "true" : "false");
    Text("ECam", ref_.exhaustCam.path, cur_.exhaustCam.path);
    Typed(kInExhaustCL);
    Number("E_LNo", ref_.exhaustCam.lobeNo, cur_.exhaustCam.lobeNo);
    Number("E_SNo", ref_.exhaustCam.shaftNo, cur_.exhaustCam.shaftNo);
    Typed(kInExhaustRR);
    Typed(kInExhaustLash);
    Text("EAir", ref_.exhaustFlow.path, cur_.exhaustFlow.path);
    Text("EA_Name", ref_.exhaustFlow.name, cur_.exhaustFlow.name);
    Number("EA_ID", ref_.exhaustFlow.testId, cur_.exhaustFlow.testId);
    Number("EA_Kd", ref_.exhaustFlow.kind, cur_.exhaustFlow.kind);
    Text("KbdFlow_E", ref_.exhaustFlow.keyboard ? "true" : "false",
         cur_.exhaustFlow.keyboard ? "true" : "false");
    Table("ILift", ref_.ILift, cur_.ILift);
    Table("ICfm", ref_.ICfm, cur_.ICfm);
    Table("ISwirl", ref_.ISwirl, cur_.ISwirl);
    Table("ELift", ref_.ELift, cur_.ELift);
    Table("ECfm", ref_.ECfm, cur_.ECfm);
    Number("IntakeCam.Smth", ref_.IntSmth, cur_.IntSmth);
    Table("IntakeCam.Int", ref_.Int, cur_.Int);
    Number("ExhaustCam.Smth", ref_.ExhSmth, cur_.ExhSmth);
    Table("ExhaustCam.Exh", ref_.Exh, cur_.Exh);
  }

  std::vector<InputDifference> Take() { return std::move(out_); }

 private:
  const EngineInputs& ref_;
  const EngineInputs& cur_;
  const EngineTexts& texts_;
  UnitMode mode_;
  std::vector<InputDifference> out_;
};

struct NamedUnit {
  const char* name;
  UnitKind unit;
};

// Results with a metric form; every other result is a ratio, angle, count, weight, force, power
// or a figure without a unit, shown as held.
constexpr NamedUnit kResultUnits[] = {
    {"BoreArea", UnitKind::AreaCm2},          {"SweptVolume", UnitKind::Volume},
    {"Displacement", UnitKind::Volume},       {"PinHeightAtTDC", UnitKind::Length},
    {"DeckClearance", UnitKind::Length},      {"StrokePerCC", UnitKind::Length},
    {"IntakeSoundLess5", UnitKind::Velocity}, {"EffectiveStroke", UnitKind::Length},
    {"MaxPistonVelocity", UnitKind::Length},  {"MinPistonVelocity", UnitKind::Length},
    {"PeakTorque", UnitKind::Torque},         {"BMEP", UnitKind::Pressure},
    {"MaxFlowDemand", UnitKind::Airflow},     {"MaxPistonSpeed", UnitKind::Velocity},
    {"MeanPistonSpeed", UnitKind::Velocity},  {"CarbCFMLow", UnitKind::Airflow},
    {"CarbCFMHigh", UnitKind::Airflow},       {"PortAreaTorque", UnitKind::AreaMm2},
    {"PortAreaPower", UnitKind::AreaMm2},     {"PortDiaTorque", UnitKind::Length},
    {"PortDiaPower", UnitKind::Length},       {"PortSideTorque", UnitKind::Length},
    {"PortSidePower", UnitKind::Length},      {"BowlVelocity", UnitKind::Velocity},
    {"BowlAreaUsed", UnitKind::AreaMm2},      {"ThroatDiameter", UnitKind::Length},
    {"BowlSide", UnitKind::Length},           {"PrimaryLenTorque", UnitKind::Length},
    {"PrimaryLenPower", UnitKind::Length},    {"ExhaustODUsed", UnitKind::Length},
};

// A result's number in the comparison table: up to 10 significant digits, so that the columns
// stay readable while any difference the engine holds shows.
std::string TableNumber(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.10g", value);
  return buf;
}

std::string SignedTableNumber(double value) {
  std::string text = value > 0 ? "+" : "";
  text += TableNumber(value);
  return text;
}

// The table's columns: at least 20 characters, wider where a text needs it, one blank
// between them, so that a long value never runs into the next column.
constexpr std::size_t kTableColumn = 20;
using TableRow = std::array<std::string, 4>;

std::vector<std::string> TableLines(const std::vector<TableRow>& rows) {
  std::array<std::size_t, 3> widths{kTableColumn, kTableColumn, kTableColumn};
  for (const TableRow& row : rows) {
    for (std::size_t c = 0; c < widths.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  std::vector<std::string> lines;
  lines.reserve(rows.size());
  for (const TableRow& row : rows) {
    std::string text;
    for (std::size_t c = 0; c < widths.size(); ++c) {
      text += row[c];
      text.append(widths[c] - row[c].size() + 1, ' ');
    }
    text += row[3];
    text.erase(text.find_last_not_of(' ') + 1);
    lines.push_back(std::move(text));
  }
  return lines;
}

}  // namespace

std::vector<std::string> ComparisonTableLines(const EngineComparison& comparison,
                                              const ComparisonHeads& heads) {
  if (comparison.empty()) return {};
  std::vector<TableRow> rows;
  rows.push_back({heads.name, heads.reference, heads.current, heads.difference});
  for (const InputDifference& d : comparison.inputs) {
    rows.push_back({d.key, d.reference, d.current, d.differenceText});
  }
  for (const ResultDifference& d : comparison.results) {
    rows.push_back({d.name, TableNumber(d.reference), TableNumber(d.current),
                    SignedTableNumber(d.difference)});
  }
  return TableLines(rows);
}

UnitKind ResultUnit(std::string_view name) noexcept {
  for (const NamedUnit& u : kResultUnits) {
    if (name == u.name) return u.unit;
  }
  return UnitKind::None;
}

std::vector<std::string> ResultNames() {
  std::vector<std::string> names;
  ForEachResult(EngineResults{}, [&](const char* name, double) { names.emplace_back(name); });
  return names;
}

EngineComparison CompareEngines(const EngineDocument& reference, const EngineDocument& current,
                                UnitMode mode) {
  EngineComparison c;
  Comparer inputs(reference, current, mode);
  inputs.Run();
  c.inputs = inputs.Take();

  std::vector<double> refValues;
  ForEachResult(reference.engine().results(),
                [&](const char*, double v) { refValues.push_back(v); });
  std::size_t i = 0;
  ForEachResult(current.engine().results(), [&](const char* name, double v) {
    const double r = refValues[i++];
    if (Same(r, v)) return;
    const UnitKind unit = ResultUnit(name);
    const double dr = ToDisplay(unit, r, mode), dv = ToDisplay(unit, v, mode);
    c.results.push_back({name, unit, dr, dv, dv - dr});
  });
  c.referenceComplete = reference.engine().lastCalc() == Engine::CalcOutcome::Complete;
  c.currentComplete = current.engine().lastCalc() == Engine::CalcOutcome::Complete;
  return c;
}

}  // namespace orv
