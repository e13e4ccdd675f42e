#include "engine/engine_inputs.h"

#include <array>
#include <string_view>

#include "base/rounding.h"

namespace orv {

namespace {

constexpr UnitKind L = UnitKind::Length;
constexpr UnitKind N = UnitKind::None;

// The typed inputs in input-number order: key, form label, English (width, decimals), unit.
constexpr std::array<InputInfo, 36> kInputs = {{
    {0, "Bore", "Bore", {1, 3}, L, true},
    {1, "Stroke", "Stroke", {1, 3}, L, true},
    {2, "RodLen", "Rod Length", {1, 3}, L, true},
    {3, "Cylinders", "Number of Cylinders", {1, 0}, N, true},
    {4, "DeckHeight", "Block Deck Height", {1, 3}, L, true},
    {5, "FiringAngle", "Bank Firing Angle", {2, 1}, N, true},
    {6, "PinOff", "Wrist Pin Offset", {1, 3}, L, true},
    {7, "CriticalG", "Critical G Load at TDC", {4, 0}, N, true},
    {8, "PinEndWeight", "Pin End Recip. Wt.", {4, 1}, N, true},
    {9, "PinWt", "Big End Rotating Wt.", {4, 1}, N, true},
    {10, "RecipBF", "Recip. % Balance Factor", {1, 2}, N, true},
    {11, "IVlvCnt", "Number of Intake Valves", {1, 0}, N, true},
    {12, "EVlvDia", "Number of Exhaust Valves", {1, 0}, N, true},
    {13, "MxIntVel", "Peak Intake Velocity", {3, 0}, UnitKind::Velocity, true},
    {14, "IntTemp", "Intake Air Temperature", {3, 0}, UnitKind::Temperature, true},
    {15, "CritIntVel", "Intake Peak Velocity at Critical Area", {3, 0}, UnitKind::Velocity, true},
    {16, "CR", "Static Compression Ratio", {2, 1}, N, true},
    {17, "VTType", "Valve Train Type", {0, 0}, N, false},
    {18, "Fuel", "Fuel/Type of Engine", {0, 0}, N, false},
    {19, "VE", "Volumetric Efficiency", {3, 1}, N, true},
    {20, "ExOD", "Exhast tube OD", {1, 3}, L, true},
    {21, "IntCFM", "Intake CFM at 25 \" H2O", {3, 1}, UnitKind::Airflow, true},
    {22, "PkPwrRPM", "Rpm @ Peak Power", {4, 0}, N, true},
    {23, "PkTorqRPM", "Rpm @ Peak Torque", {4, 0}, N, true},
    {24, "Advance", "Spark Advance", {2, 1}, N, true},
    {25, "IVlvDia", "Intake Valve Head Diameter", {1, 3}, L, true},
    {26, "IVlvStm", "Intake Valve Stem Diameter", {1, 3}, L, true},
    {27, "BowlA", "Intake Bowl Area", {2, 2}, UnitKind::AreaMm2, true},
    {28, "PcntDrop", "% Drop from Max Torque to Max HP", {0, 0}, N, false},
    {29, "I_CL", "Intake Lobe Centerline", {3, 2}, N, true},
    {30, "I_RR", "Intake Rocker Ratio", {1, 3}, N, true},
    {31, "I_Lash", "Intake Lash", {1, 3}, L, true},
    {32, "", "", {0, 0}, N, false},
    {33, "E_CL", "Exhaust Lobe Centerline", {3, 2}, N, true},
    {34, "E_RR", "Exhaust Rocker Ratio", {1, 3}, N, true},
    {35, "E_Lash", "Exhaust Lash", {1, 3}, L, true},
}};

constexpr InputInfo kUnlisted = {-1, "", "", {0, 0}, N, false};

}  // namespace

const InputInfo& InputInfoOf(int n) noexcept {
  if (n < 0 || n >= static_cast<int>(kInputs.size())) return kUnlisted;
  return kInputs[static_cast<std::size_t>(n)];
}

int InputNumberOfKey(const std::string& key) noexcept {
  for (const InputInfo& info : kInputs) {
    if (!key.empty() && key == info.key) return info.number;
  }
  return -1;
}

double InputValue(const EngineInputs& in, int n) noexcept {
  switch (n) {
    case 0:
      return in.Bore;
    case 1:
      return in.Stroke;
    case 2:
      return in.RodLen;
    case 3:
      return in.Cylinders;
    case 4:
      return in.DeckHeight;
    case 5:
      return in.FiringAngle;
    case 6:
      return in.PinOff;
    case 7:
      return in.CriticalG;
    case 8:
      return in.PinEndWeight;
    case 9:
      return in.PinWt;
    case 10:
      return in.RecipBF;
    case 11:
      return in.IVlvCnt;
    case 12:
      return in.EVlvDia;
    case 13:
      return in.MxIntVel;
    case 14:
      return in.IntTemp;
    case 15:
      return in.CritIntVel;
    case 16:
      return in.CR;
    case 17:
      return in.VTType;
    case 18:
      return in.Fuel;
    case 19:
      return in.VE;
    case 20:
      return in.ExOD;
    case 21:
      return in.IntCFM;
    case 22:
      return in.PkPwrRPM;
    case 23:
      return in.PkTorqRPM;
    case 24:
      return in.Advance;
    case 25:
      return in.IVlvDia;
    case 26:
      return in.IVlvStm;
    case 27:
      return in.BowlA;
    case 28:
      return in.PcntDrop;
    case 29:
      return in.I_CL;
    case 30:
      return in.I_RR;
    case 31:
      return in.I_Lash;
    case 33:
      return in.E_CL;
    case 34:
      return in.E_RR;
    case 35:
      return in.E_Lash;
    default:
      return 0;
  }
}

void StoreInputValue(EngineInputs& in, int n, double v) {
  switch (n) {
    case 0:
      in.Bore = v;
      break;
    case 1:
      in.Stroke = v;
      break;
    case 2:
      in.RodLen = v;
      break;
    case 3:
      in.Cylinders = ToInt16(v);
      break;
    case 4:
      in.DeckHeight = v;
      break;
    case 5:
      in.FiringAngle = v;
      break;
    case 6:
      in.PinOff = v;
      break;
    case 7:
      in.CriticalG = v;
      break;
    case 8:
      in.PinEndWeight = v;
      break;
    case 9:
      in.PinWt = v;
      break;
    case 10:
      in.RecipBF = ToSingle(v);
      break;
    case 11:
      in.IVlvCnt = ToInt16(v);
      break;
    case 12:
      in.EVlvDia = ToInt16(v);
      break;
    case 13:
      in.MxIntVel = v;
      break;
    case 14:
      in.IntTemp = v;
      break;
    case 15:
      in.CritIntVel = v;
      break;
    case 16:
      in.CR = v;
      break;
    case 17:
      in.VTType = ToInt32(v);
      break;
    case 18:
      in.Fuel = ToInt16(v);
      break;
    case 19:
      in.VE = v;
      break;
    case 20:
      in.ExOD = v;
      break;
    case 21:
      in.IntCFM = v;
      break;
    case 22:
      in.PkPwrRPM = v;
      break;
    case 23:
      in.PkTorqRPM = v;
      break;
    case 24:
      in.Advance = v;
      break;
    case 25:
      in.IVlvDia = v;
      break;
    case 26:
      in.IVlvStm = v;
      break;
    case 27:
      in.BowlA = v;
      break;
    case 28:
      in.PcntDrop = v;
      break;
    case 29:
      in.I_CL = v;
      break;
    case 30:
      in.I_RR = ToSingle(v);
      break;
    case 31:
      in.I_Lash = ToSingle(v);
      break;
    case 33:
      in.E_CL = v;
      break;
    case 34:
      in.E_RR = ToSingle(v);
      break;
    case 35:
      in.E_Lash = ToSingle(v);
      break;
    default:
      break;
  }
}

double LeadTimeFromAdvance(const EngineInputs& in) { return (in.Advance / 4) / (in.PkTorqRPM * 6); }

}  // namespace orv
