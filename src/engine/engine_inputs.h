#pragma once

#include <cstdint>
#include <string>

#include "base/bounded_array.h"
#include "base/units.h"

namespace orv {

// Where the intake or exhaust cam lobe came from (engine-file keys "ICam", "I_LNo", "I_SNo" and
// the exhaust twins). An empty path means the lobe was not read from a file.
struct CamFileRef {
  std::string path;
  std::int16_t lobeNo = 0;
  std::int16_t shaftNo = 0;
  bool operator==(const CamFileRef&) const = default;
};

// Where the intake or exhaust flow test came from (engine-file keys "IAir", "IA_Name",
// "IA_ID", "IA_Kd", "KbdFlow_I" and the exhaust twins).
struct FlowTestRef {
  std::string path;
  std::string name;
  std::int32_t testId = 0;
  std::int32_t kind = 0;
  bool keyboard = false;
  bool operator==(const FlowTestRef&) const = default;
};

// One engine: every value the user types, the two list choices, the cam settings and the
// references to the cam lobes and flow tests, the keyboard flow tables and the two cam-lift
// tables. Everything is held in English units (inches, square inches, ft/s, degrees F, CFM at
// 25 in of water, grams, crank degrees); conversion happens only at display and entry. Field
// names are the engine-file keys. The initial values are the built-in default engine.
struct EngineInputs {
  // Engine inputs 0..28, in input-number order.
  double Bore = 4.03;          // 0
  double Stroke = 3.48;        // 1
  double RodLen = 6.0;         // 2
  std::int16_t Cylinders = 8;  // 3
  double DeckHeight = 9.0;     // 4
  double FiringAngle = 90;     // 5: bank firing angle; above 0 means two banks per crankpin
  double PinOff = 0;           // 6: wrist pin offset
  double CriticalG = 4350;     // 7
  double PinEndWeight = 850;   // 8: grams
  double PinWt = 385;          // 9: big-end rotating weight, grams
  float RecipBF = 55.1f;       // 10: percent
  std::int16_t IVlvCnt = 1;    // 11: intake valves per cylinder
  std::int16_t EVlvDia = 1;    // 12: exhaust valves per cylinder (a count, despite the key)
  double MxIntVel = 380;       // 13: ft/s
  double IntTemp = 23;         // 14: degrees F
  double CritIntVel = 580;     // 15: ft/s
  double CR = 13.8;            // 16: static compression ratio
  std::int32_t VTType = 1;     // 17: 0 flat tappet pushrod, 1 endurance, 2 max performance
  std::int16_t Fuel = 0;       // 18: 0 gasoline, 1 alcohol, 2 diesel
  double VE = 1.065;           // 19: fraction, 1.0 = 100 %
  double ExOD = 2.0;           // 20: exhaust tube OD
  double IntCFM = 315.0337;    // 21
  double PkPwrRPM = 6800;      // 22
  double PkTorqRPM = 5500;     // 23
  double Advance = 37;         // 24: crank degrees (diesel: see LeadTime)
  double IVlvDia = 2.08;       // 25
  double IVlvStm = 0.34;       // 26
  double BowlA = 2.57;         // 27: square inches
  double PcntDrop = 0;         // 28: kept and saved only

  double TorqLoss = 0;          // saved and read back; no calculation uses it
  std::int32_t EnterAirPP = 1;  // 0: inlet airflow typed, 1: rpm at peak power typed
  // Diesel injection lead time in seconds; not saved, rebuilt from Advance.
  double LeadTime = (37.0 / 4) / (5500.0 * 6);

  // Cam settings, inputs 29..31 (intake) and 33..35 (exhaust).
  double I_CL = 107.9;  // lobe centerline, crank degrees
  float I_RR = 1.85f;   // rocker ratio
  float I_Lash = 0;     // inches
  double E_CL = -107.9;
  float E_RR = 1.85f;
  float E_Lash = 0;

  CamFileRef intakeCam{"", 1, 1};
  CamFileRef exhaustCam{"", -1, 1};
  FlowTestRef intakeFlow;
  FlowTestRef exhaustFlow;

  // Keyboard flow tables, indexed from 0 with lifts ascending; entry 0 takes no part in the
  // lookups. A single element means no table.
  BoundedArray<float> ILift{0, 0};
  BoundedArray<float> ICfm{0, 0};
  BoundedArray<float> ISwirl{0, 0};
  BoundedArray<float> ELift{0, 0};
  BoundedArray<float> ECfm{0, 0};

  // Cam-lift tables by cam degree 0..359 with the lobe centre at entry 179; a single element
  // means the side has no lobe. The smoothing counts come from the lobes.
  BoundedArray<float> Int{0, 0};
  BoundedArray<float> Exh{0, 0};
  std::int16_t IntSmth = 0;
  std::int16_t ExhSmth = 0;
};

// Input numbers of the typed inputs.
enum InputNo : int {
  kInBore = 0,
  kInStroke = 1,
  kInRodLen = 2,
  kInCylinders = 3,
  kInDeckHeight = 4,
  kInFiringAngle = 5,
  kInPinOff = 6,
  kInCriticalG = 7,
  kInPinEndWeight = 8,
  kInPinWt = 9,
  kInRecipBF = 10,
  kInIVlvCnt = 11,
  kInEVlvCnt = 12,
  kInMxIntVel = 13,
  kInIntTemp = 14,
  kInCritIntVel = 15,
  kInCR = 16,
  kInVTType = 17,
  kInFuel = 18,
  kInVE = 19,
  kInExOD = 20,
  kInIntCFM = 21,
  kInPkPwrRPM = 22,
  kInPkTorqRPM = 23,
  kInAdvance = 24,
  kInIVlvDia = 25,
  kInIVlvStm = 26,
  kInBowlA = 27,
  kInPcntDrop = 28,
  kInIntakeCL = 29,
  kInIntakeRR = 30,
  kInIntakeLash = 31,
  kInExhaustCL = 33,
  kInExhaustRR = 34,
  kInExhaustLash = 35,
};
inline constexpr int kEngineInputCount = 29;  // inputs 0..28 carry a status
inline constexpr int kFuelDiesel = 2;
inline constexpr int kFuelAlcohol = 1;

// How a typed input is shown: the engine-file key, the English (width, decimals) and the unit
// converter. `listed` is false for input numbers that have no text box.
struct InputInfo {
  int number;
  const char* key;
  const char* label;
  NumberFormat format;
  UnitKind unit;
  bool listed;
};
// Information on input `n` (0..35); an unlisted entry for any other number.
const InputInfo& InputInfoOf(int n) noexcept;
// Input number of an engine-file key of a typed input, or -1.
int InputNumberOfKey(const std::string& key) noexcept;

// The value the engine holds for input n (0..35) as a double (the integer and single fields
// widened); 0 for numbers without an input.
double InputValue(const EngineInputs& in, int n) noexcept;
// Stores a value into input n with the field's own type: 16- and 32-bit integers rounded half
// to even (a value outside the type raises "Overflow"), single fields narrowed.
void StoreInputValue(EngineInputs& in, int n, double value);

// The diesel lead time (seconds) that goes with the advance: (Advance / 4) / (PkTorqRPM x 6).
double LeadTimeFromAdvance(const EngineInputs& in);

}  // namespace orv
