#include "engine/calc_record.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <sstream>

#include "base/angles.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "engine/balance_analysis.h"
#include "engine/crank_kinematics.h"
#include "engine/engine.h"
#include "engine/fill_work.h"
#include "engine/input_panel.h"
#include "engine/output_panel.h"
#include "engine/sound_speed.h"

namespace orv {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

NodePtr MakeNode(Op op, double value, std::vector<NodePtr> args = {}) {
  auto n = std::make_shared<Node>();
  n->op = op;
  n->value = value;
  n->args = std::move(args);
  return n;
}

// A value with the node that computed it. Arithmetic on traced values computes the number and
// records the operation in one step.
struct T {
  double v = 0;
  NodePtr n;
};

T Num(double x) { return {x, MakeNode(Op::Number, x)}; }
T Bin(Op op, double v, const T& a, const T& b) { return {v, MakeNode(op, v, {a.n, b.n})}; }
T operator+(const T& a, const T& b) { return Bin(Op::Add, a.v + b.v, a, b); }
T operator-(const T& a, const T& b) { return Bin(Op::Sub, a.v - b.v, a, b); }
T operator*(const T& a, const T& b) { return Bin(Op::Mul, a.v * b.v, a, b); }
T operator/(const T& a, const T& b) { return Bin(Op::Div, a.v / b.v, a, b); }
T operator+(const T& a, double b) { return a + Num(b); }
T operator-(const T& a, double b) { return a - Num(b); }
T operator*(const T& a, double b) { return a * Num(b); }
T operator/(const T& a, double b) { return a / Num(b); }
[[maybe_unused]] T operator+(double a, const T& b) { return Num(a) + b; }
[[maybe_unused]] T operator-(double a, const T& b) { return Num(a) - b; }
T operator*(double a, const T& b) { return Num(a) * b; }
[[maybe_unused]] T operator/(double a, const T& b) { return Num(a) / b; }
T operator-(const T& a) { return {-a.v, MakeNode(Op::Neg, -a.v, {a.n})}; }
T Sqrt(const T& a) { return {std::sqrt(a.v), MakeNode(Op::Sqrt, std::sqrt(a.v), {a.n})}; }
T Pow(const T& a, double b) {
  const double v = std::pow(a.v, b);
  return {v, MakeNode(Op::Pow, v, {a.n, Num(b).n})};
}
T Floor(const T& a) { return {std::floor(a.v), MakeNode(Op::Floor, std::floor(a.v), {a.n})}; }
T RoundEven(const T& a) {
  const double v = RoundHalfEven(a.v);
  return {v, MakeNode(Op::RoundEven, v, {a.n})};
}
[[maybe_unused]] T Single(const T& a) {
  const double v = ToSingle(a.v);
  return {v, MakeNode(Op::Single, v, {a.n})};
}

// A condition as it came out.
struct Cond {
  bool b = false;
  NodePtr n;
};
Cond Cmp(Op op, bool b, const T& x, const T& y) { return {b, MakeNode(op, b ? 1 : 0, {x.n, y.n})}; }
Cond operator>(const T& a, double b) { return Cmp(Op::Greater, a.v > b, a, Num(b)); }
[[maybe_unused]] Cond operator<(const T& a, double b) { return Cmp(Op::Less, a.v < b, a, Num(b)); }
Cond operator>=(const T& a, double b) { return Cmp(Op::GreaterEq, a.v >= b, a, Num(b)); }
[[maybe_unused]] Cond operator<=(const T& a, double b) {
  return Cmp(Op::LessEq, a.v <= b, a, Num(b));
}
Cond operator==(const T& a, double b) { return Cmp(Op::Equal, a.v == b, a, Num(b)); }
Cond operator!=(const T& a, double b) { return Cmp(Op::NotEqual, a.v != b, a, Num(b)); }

// `value` as the branch taken because `c` came out as it did.
T When(const Cond& c, const T& value) {
  auto n = std::make_shared<Node>();
  n->op = Op::When;
  n->value = value.v;
  n->truth = c.b;
  n->args = {c.n, value.n};
  return {value.v, n};
}

T Proc(std::string name, double value, std::vector<T> args,
       std::function<double(const std::vector<double>&)> rerun) {
  auto n = std::make_shared<Node>();
  n->op = Op::Procedure;
  n->value = value;
  n->name = std::move(name);
  for (const T& a : args) n->args.push_back(a.n);
  n->rerun = std::move(rerun);
  return {value, n};
}

T Leaf(Operand o) {
  const double v = o.value;
  auto n = std::make_shared<Node>();
  n->op = Op::Operand;
  n->value = v;
  n->operand = std::make_shared<const Operand>(std::move(o));
  return {v, n};
}

}  // namespace

double FirstNumber(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool digit = c >= '0' && c <= '9';
    const bool lead = (c == '-' || c == '.') && i + 1 < text.size() &&
                      ((text[i + 1] >= '0' && text[i + 1] <= '9') || text[i + 1] == '.');
    if (digit || lead) return std::strtod(text.c_str() + i, nullptr);
  }
  return std::numeric_limits<double>::quiet_NaN();
}

namespace {

// English units of the inputs that have none of their own unit kind.
std::string InputUnitOf(int n) {
  switch (n) {
    case kInFiringAngle:
    case kInAdvance:
    case kInIntakeCL:
    case kInExhaustCL:
      return "deg";
    case kInCriticalG:
      return "g";
    case kInPinEndWeight:
    case kInPinWt:
      return "grams";
    case kInRecipBF:
      return "%";
    case kInPkPwrRPM:
    case kInPkTorqRPM:
      return "rpm";
    default:
      break;
  }
  switch (InputInfoOf(n).unit) {
    case UnitKind::Length:
      return "in";
    case UnitKind::AreaMm2:
    case UnitKind::AreaCm2:
      return "in2";
    case UnitKind::Velocity:
      return "ft/s";
    case UnitKind::Temperature:
      return "F";
    case UnitKind::Airflow:
      return "CFM";
    default:
      return "";
  }
}

struct ResultUnitInfo {
  const char* name;
  const char* unit;
  UnitKind kind;
};
constexpr UnitKind kL = UnitKind::Length;
constexpr UnitKind kN = UnitKind::None;
constexpr ResultUnitInfo kResultUnits[] = {
    {"BoreArea", "in2", UnitKind::AreaCm2},
    {"SweptVolume", "in3", UnitKind::Volume},
    {"SweptVolumeCC", "cc", kN},
    {"ClearanceVolumeCC", "cc", kN},
    {"Displacement", "in3", UnitKind::Volume},
    {"PinHeightAtTDC", "in", kL},
    {"DeckClearance", "in", kL},
    {"StrokePerCC", "in/cc", kN},
    {"RecipWeightUsed", "grams", kN},
    {"RotWeightUsed", "grams", kN},
    {"IntakeSoundLess5", "ft/s", UnitKind::Velocity},
    {"CriticalRPM", "rpm", kN},
    {"OffsetAngle", "rad", kN},
    {"EffectiveStroke", "in", kL},
    {"BDCAngle", "rad", kN},
    {"MaxPistonVelocity", "in/deg", kN},
    {"MaxVelocityAngle", "deg", kN},
    {"MinPistonVelocity", "in/deg", kN},
    {"MinVelocityAngle", "deg", kN},
    {"BalanceFactor", "%", kN},
    {"WaveDelay107", "deg", kN},
    {"WorkAtTorquePeak", "ft-lb", UnitKind::Torque},
    {"PeakTorque", "ft-lb", UnitKind::Torque},
    {"PeakPower", "hp", kN},
    {"BMEP", "psi", UnitKind::Pressure},
    {"MaxFlowDemand", "CFM", UnitKind::Airflow},
    {"MaxPistonSpeed", "ft/min", UnitKind::Velocity},
    {"MeanPistonSpeed", "ft/min", UnitKind::Velocity},
    {"TDCInertiaG", "g", kN},
    {"TDCInertiaForce", "lb", kN},
    {"BDCInertiaG", "g", kN},
    {"BDCInertiaForce", "lb", kN},
    {"CarbCFMLow", "CFM", UnitKind::Airflow},
    {"CarbCFMHigh", "CFM", UnitKind::Airflow},
    {"PowerToCritical", "%", kN},
    {"IntakeSuctionAngle", "deg", kN},
    {"PortAreaTorque", "in2", UnitKind::AreaMm2},
    {"PortAreaPower", "in2", UnitKind::AreaMm2},
    {"PortDiaTorque", "in", kL},
    {"PortDiaPower", "in", kL},
    {"PortSideTorque", "in", kL},
    {"PortSidePower", "in", kL},
    {"BowlVelocity", "ft/s", UnitKind::Velocity},
    {"BowlAreaUsed", "in2", UnitKind::AreaMm2},
    {"ThroatDiameter", "in", kL},
    {"BowlSide", "in", kL},
    {"ChargePerArea", "in", kL},
    {"PrimaryLenTorque", "in", kL},
    {"PrimaryLenPower", "in", kL},
    {"ExhaustODUsed", "in", kL},
};

const ResultUnitInfo* FindResultUnit(const std::string& name) {
  for (const ResultUnitInfo& u : kResultUnits) {
    if (name == u.name) return &u;
  }
  return nullptr;
}

// Builds the formulas of one engine's results.
class ResultRecorder {
 public:
  ResultRecorder(const Engine& e, CalcRecord& rec)
      : e_(e), in_(e.inputs()), r_(e.results()), t_(e.tables()), rec_(rec) {}

  // Input n as an operand.
  T In(int n) const {
    const InputInfo& info = InputInfoOf(n);
    Operand o;
    o.name = info.label;
    o.value = InputValue(in_, n);
    o.unit = InputUnitOf(n);
    o.kind = info.unit;
    o.from = OperandFrom::Input;
    o.key = info.key;
    o.input = n;
    return Leaf(std::move(o));
  }
  // A recorded result as an operand.
  T Res(const std::string& name) const {
    Operand o;
    o.name = name;
    o.value = values_.at(name);
    o.unit = ResultUnit(name);
    o.kind = ResultUnitKind(name);
    o.from = OperandFrom::Result;
    o.key = name;
    return Leaf(std::move(o));
  }
  static T Const(const char* name, double value, const char* unit = "") {
    Operand o;
    o.name = name;
    o.value = value;
    o.unit = unit;
    o.from = OperandFrom::Constant;
    return Leaf(std::move(o));
  }
  // The value a result kept from the calculation before (a branch that does not set it).
  T Kept(const char* name, double value) const {
    return Const((std::string(name) + " of the calculation before").c_str(), value);
  }
  // Entry `i` of a per-degree table, resting on `inputs` and `results`.
  static T Tab(const char* table, int i, double value, std::vector<int> inputs,
               std::vector<std::string> results = {}) {
    Operand o;
    o.name = std::string(table) + " at " + std::to_string(i) + " deg";
    o.value = value;
    o.from = OperandFrom::Table;
    o.inputs = std::move(inputs);
    o.results = std::move(results);
    return Leaf(std::move(o));
  }
  T PistonPosition(int i) const {
    return Tab("PistonPosition", i, t_.PistonPosition[i], {kInStroke, kInRodLen, kInPinOff});
  }

  void Set(const std::string& name, const T& value) {
    values_[name] = value.v;
    Formula f;
    f.key = name;
    f.value = value.v;
    f.unit = ResultUnit(name);
    f.kind = ResultUnitKind(name);
    f.expr = value.n;
    rec_.Add(std::move(f));
  }

  // A result of the crank kinematics: rerun from its inputs.
  T Kinematic(const char* name, double EngineResults::*field, bool readsFiringAngle) {
    std::vector<T> args = {In(kInStroke), In(kInRodLen), In(kInPinOff)};
    if (readsFiringAngle) args.push_back(In(kInFiringAngle));
    return Proc(std::string("crank kinematics: ") + name + " from the tenth-degree sweep",
                r_.*field, args, [field, readsFiringAngle](const std::vector<double>& a) {
                  EngineInputs in;
                  in.Stroke = a[0];
                  in.RodLen = a[1];
                  in.PinOff = a[2];
                  if (readsFiringAngle) in.FiringAngle = a[3];
                  EngineResults r;
                  EngineTables t;
                  if (CrankKinematics(in, r, t)) return kNaN;
                  return r.*field;
                });
  }
  T KinematicAngle(const char* name, float EngineResults::*field) {
    std::vector<T> args = {In(kInStroke), In(kInRodLen), In(kInPinOff)};
    return Proc(std::string("crank kinematics: ") + name + " from the tenth-degree sweep",
                static_cast<double>(r_.*field), args, [field](const std::vector<double>& a) {
                  EngineInputs in;
                  in.Stroke = a[0];
                  in.RodLen = a[1];
                  in.PinOff = a[2];
                  EngineResults r;
                  EngineTables t;
                  if (CrankKinematics(in, r, t)) return kNaN;
                  return static_cast<double>(r.*field);
                });
  }

  void Run();

 private:
  const Engine& e_;
  const EngineInputs& in_;
  const EngineResults& r_;
  const EngineTables& t_;
  CalcRecord& rec_;
  std::map<std::string, double> values_;
};

void ResultRecorder::Run() {
  const T pi = Const("pi", kPi);
  const T ccPerIn3 = Const("cubic centimetres per cubic inch", kCcPerIn3, "cc/in3");
  const T airflowPerPower = Const("airflow per unit of power", kAirflowPerPower);
  const T hotGasSound =
      Const("speed of sound in exhaust gas at 1600 F", e_.constants().HotGasSound, "ft/s");

  {
    const T temp = In(kInIntTemp) - 5;
    Set("IntakeSoundLess5",
        Proc("speed of sound in intake air at", IntakeSoundSpeed(temp.v), {temp},
             [](const std::vector<double>& a) { return IntakeSoundSpeed(a[0]); }));
  }

  // Geometry.
  Set("BoreArea", In(kInBore) * In(kInBore) * pi / 4);
  Set("SweptVolume", Res("BoreArea") * In(kInStroke));
  Set("SweptVolumeCC", Res("SweptVolume") * ccPerIn3);
  Set("PinHeightAtTDC", In(kInStroke) / 2 + In(kInRodLen));
  Set("DeckClearance", In(kInDeckHeight) - Res("PinHeightAtTDC"));
  Set("RodRatio", In(kInRodLen) / In(kInStroke));
  Set("ClearanceVolumeCC", Res("SweptVolumeCC") / (In(kInCR) - 1));
  Set("StrokePerCC", In(kInStroke) / Res("SweptVolumeCC"));
  Set("Displacement", In(kInCylinders) * Res("SweptVolume"));

  {
    const Cond twoBanks = In(kInFiringAngle) > 0;
    Set("RecipWeightUsed", When(twoBanks, twoBanks.b ? RoundEven(In(kInPinEndWeight) * 2)
                                                     : RoundEven(In(kInPinEndWeight))));
    Set("RotWeightUsed",
        When(twoBanks, twoBanks.b ? RoundEven(In(kInPinWt) * 2) : RoundEven(In(kInPinWt))));
  }

  // Crank kinematics.
  Set("OffsetAngle", Kinematic("pin-offset angle", &EngineResults::OffsetAngle, false));
  Set("EffectiveStroke",
      Kinematic("largest piston travel", &EngineResults::EffectiveStroke, false));
  Set("BDCAngle", Kinematic("angle of the lowest piston", &EngineResults::BDCAngle, false));
  Set("MaxPistonVelocity",
      Kinematic("largest piston velocity", &EngineResults::MaxPistonVelocity, false));
  Set("MaxVelocityAngle",
      KinematicAngle("angle of the largest piston velocity", &EngineResults::MaxVelocityAngle));
  Set("MinPistonVelocity",
      Kinematic("smallest piston velocity", &EngineResults::MinPistonVelocity, false));
  Set("MinVelocityAngle",
      KinematicAngle("angle of the smallest piston velocity", &EngineResults::MinVelocityAngle));
  Set("BalanceFactor",
      Kinematic("mean balance share over the down stroke", &EngineResults::BalanceFactor, true));

  // Engine speed at which the piston reaches the critical acceleration at TDC.
  {
    const Cond hasWeight = In(kInPinEndWeight) > 0;
    T critical = Num(0);
    if (hasWeight.b) {
      const T d = (PistonPosition(1) - PistonPosition(0)) * 6;
      const Cond moves = d != 0;
      if (moves.b) {
        const T w = 1100 * Pow(In(kInBore) / 4.125, 2.17);
        const T x = In(kInCriticalG) * w / In(kInPinEndWeight) * 32.164 / d;
        const Cond real = x >= 0;
        critical = When(moves, When(real, real.b ? RoundEven(Sqrt(x)) : Num(0)));
      } else {
        critical = When(moves, Num(0));
      }
    }
    Set("CriticalRPM", When(hasWeight, critical));
  }

  {
    const Cond flat = In(kInVTType) == 0;
    const Cond endurance = In(kInVTType) == 1;
    Set("ValveTrainFactor", flat.b
                                ? When(flat, Num(4.8))
                                : When(flat, When(endurance, endurance.b ? Num(5.04) : Num(5.28))));
  }

  // Filling and work.
  {
    const std::vector<T> args = {In(kInStroke), In(kInRodLen),    In(kInPinOff),
                                 In(kInCR),     In(kInPkTorqRPM), Res("IntakeSoundLess5")};
    Set("FillRatio",
        Proc("filling model: wave-delayed over plain volume sweep, PistonPosition 1..180 deg",
             r_.FillRatio, args, [](const std::vector<double>& a) {
               EngineInputs in;
               in.Stroke = a[0];
               in.RodLen = a[1];
               in.PinOff = a[2];
               in.CR = a[3];
               EngineResults r;
               EngineTables t;
               if (CrankKinematics(in, r, t)) return kNaN;
               r.IntakeSoundLess5 = a[5];
               return FillModel(in, r, t, a[4], 180);
             }));
  }
  Set("FillFactor", In(kInVE) * Res("FillRatio"));
  Set("DynamicCR", (In(kInCR) - 1.03) * Res("FillFactor") + 1);

  Set("WaveDelay107", (PistonPosition(107) + 0.2) * In(kInPkTorqRPM) / (2 * hotGasSound));
  {
    const T wave = Res("WaveDelay107");
    const T whole = Floor(wave);
    const T f = wave - whole;
    const int n = 107 + ToInt32(whole.v);
    const std::vector<int> workInputs = {kInStroke, kInRodLen, kInPinOff, kInCR, kInAdvance};
    const std::vector<std::string> workResults = {"FillFactor", "BDCAngle"};
    const T a = Tab("NetWorkSum", n, t_.NetWorkSum[n], workInputs, workResults);
    const T b = Tab("NetWorkSum", n + 1, t_.NetWorkSum[n + 1], workInputs, workResults);
    T work = (a + f * (b - a)) / 4.84635;
    const Cond alcohol = In(kInFuel) == kFuelAlcohol;
    work = When(alcohol, alcohol.b ? work * 1.11 : work);
    Set("WorkAtTorquePeak", work);
  }
  Set("PeakTorque", Res("WorkAtTorquePeak") * Res("Displacement") *
                        Const("torque per cubic inch", e_.constants().TorquePerCID, "ft-lb/in3"));
  {
    const Cond some = Res("Displacement") != 0;
    Set("BMEP", When(some, some.b ? Res("PeakTorque") / Res("Displacement") * 150.8
                                  : Kept("BMEP", r_.BMEP)));
  }

  // Piston speed, flow demand and inertia at peak-power rpm.
  T q = Res("BoreArea") * 0.415 / 144;
  {
    const Cond above = In(kInVE) > 1.0;
    q = When(above, above.b ? q * In(kInVE) : q);
  }
  const T m = In(kInPinEndWeight) * 0.0022046;
  const T v = Res("MaxPistonVelocity") * In(kInPkPwrRPM);
  const T G = In(kInPkPwrRPM) * In(kInPkPwrRPM) * 6 / 32.164;
  Set("MaxPistonSpeed", v * 30);
  Set("MaxFlowDemand", v * 30 * q * airflowPerPower);
  Set("TDCInertiaG", (PistonPosition(1) - PistonPosition(0)) * G);
  Set("TDCInertiaForce", -Res("TDCInertiaG") * m);
  Set("BDCInertiaG", (PistonPosition(180) - PistonPosition(179)) * G);
  Set("BDCInertiaForce", Res("BDCInertiaG") * m);
  Set("MeanPistonSpeed", In(kInStroke) * In(kInPkPwrRPM) / 12 * 2);
  {
    const T x = v * Res("BoreArea") * In(kInCylinders) * Res("FillFactor") / 38.4;
    Set("CarbCFMLow", RoundEven(x * 1.35));
    Set("CarbCFMHigh", RoundEven(x * 1.45));
  }
  {
    const Cond none = Res("CriticalRPM") == 0;
    Set("PowerToCritical", When(none, none.b ? Num(0)
                                             : In(kInPkPwrRPM) * In(kInPkPwrRPM) * 100 /
                                                   (Res("CriticalRPM") * Res("CriticalRPM"))));
  }
  Set("PeakPower", Res("PeakTorque") * 0.93 * In(kInPkPwrRPM) / 5252);
  {
    const T a = Res("MaxVelocityAngle");
    const int i = ToInt32(a.v);
    const T pos = Tab("PistonPosition", i, t_.PistonPosition[i], {kInStroke, kInRodLen, kInPinOff},
                      {"MaxVelocityAngle"});
    Set("IntakeSuctionAngle",
        RoundEven(a + (pos + 0.2) * In(kInPkPwrRPM) / (2 * Res("IntakeSoundLess5")) + 0.5));
  }

  // Port, bowl and throat sizes.
  {
    const T V = Res("MaxPistonVelocity") * Res("BoreArea") / 2;
    auto rootOrZero = [](const T& x) {
      const Cond positive = x > 0;
      return When(positive, positive.b ? Sqrt(x) : Num(0));
    };
    const Cond torqueVel = In(kInMxIntVel) != 0;
    if (torqueVel.b) {
      Set("PortAreaTorque", When(torqueVel, V * In(kInPkTorqRPM) / In(kInMxIntVel)));
      Set("PortDiaTorque", When(torqueVel, rootOrZero(Res("PortAreaTorque") * 4 / pi)));
      Set("PortSideTorque", When(torqueVel, rootOrZero(Res("PortAreaTorque") * 1.05)));
    } else {
      Set("PortAreaTorque", When(torqueVel, Kept("PortAreaTorque", r_.PortAreaTorque)));
      Set("PortDiaTorque", When(torqueVel, Kept("PortDiaTorque", r_.PortDiaTorque)));
      Set("PortSideTorque", When(torqueVel, Kept("PortSideTorque", r_.PortSideTorque)));
    }
    const Cond powerVel = In(kInCritIntVel) != 0;
    if (powerVel.b) {
      Set("PortAreaPower", When(powerVel, V * In(kInPkPwrRPM) / In(kInCritIntVel)));
      Set("PortDiaPower", When(powerVel, rootOrZero(Res("PortAreaPower") * 4 / pi)));
      Set("PortSidePower", When(powerVel, rootOrZero(Res("PortAreaPower") * 1.05)));
    } else {
      Set("PortAreaPower", When(powerVel, Kept("PortAreaPower", r_.PortAreaPower)));
      Set("PortDiaPower", When(powerVel, Kept("PortDiaPower", r_.PortDiaPower)));
      Set("PortSidePower", When(powerVel, Kept("PortSidePower", r_.PortSidePower)));
    }
    const Cond bowl = In(kInBowlA) > 0;
    if (bowl.b) {
      Set("BowlVelocity", When(bowl, V * In(kInPkPwrRPM) / In(kInBowlA)));
      Set("BowlAreaUsed", When(bowl, In(kInBowlA)));
    } else {
      Set("BowlVelocity", When(bowl, Num(600)));
      Set("BowlAreaUsed", When(bowl, V * In(kInPkPwrRPM) / 600));
    }
    const T x =
        (In(kInIVlvStm) / 2) * (In(kInIVlvStm) / 2) * pi + Res("BowlAreaUsed") / In(kInIVlvCnt);
    const Cond open = x > 0;
    Set("ThroatDiameter", When(open, open.b ? 2 * Sqrt(x / pi) : Num(0)));
    Set("BowlSide", rootOrZero(Res("BowlAreaUsed")));

    const T rr = In(kInPkPwrRPM) * 0.00015 + 1.9;
    const Cond full = In(kInVE) >= 1.0;
    const Cond over = In(kInVE) > 0.9;
    if (full.b) {
      Set("ChargeVolume", When(full, In(kInVE) * rr * Res("SweptVolume") / ccPerIn3));
    } else {
      Set("ChargeVolume",
          When(full, When(over, over.b ? (In(kInVE) - 0.9) * rr * Res("SweptVolume") * 10 / ccPerIn3
                                       : Num(0))));
    }
    const T mean = (Res("PortAreaPower") + In(kInBowlA)) / 2;
    const Cond some = mean > 0;
    Set("ChargePerArea", When(some, some.b ? Res("ChargeVolume") / mean : Num(0)));
  }
  Set("ExhaustODUsed", In(kInExOD));

  // Exhaust primary lengths.
  {
    const T c = Const("speed of sound in exhaust gas at 1400 F", SoundSpeed(1.35f, 1400), "ft/s");
    const T K = (c * 114.59 / 1.75) * (c * 114.59 / 1.75);
    const T Vc = (Res("SweptVolumeCC") + Res("ClearanceVolumeCC")) / ccPerIn3;
    Set("PrimaryLenTorque", K / (In(kInPkTorqRPM) * In(kInPkTorqRPM)) *
                                ((In(kInExOD) - 0.1) * (In(kInExOD) - 0.1) * pi / 4 / Vc));
    Set("PrimaryLenPower",
        K / (In(kInPkPwrRPM) * In(kInPkPwrRPM)) *
            ((Res("ExhaustODUsed") - 0.1) * (Res("ExhaustODUsed") - 0.1) * pi / 4 / Vc));
  }
}

// Builds the formulas of the output slots over the results.
class SlotRecorder {
 public:
  SlotRecorder(const Engine& e, UnitMode mode, const EngineTexts& texts, const OutputPanel& shown,
               CalcRecord& rec)
      : e_(e), mode_(mode), texts_(texts), shown_(shown), rec_(rec), results_(e, scratch_) {}

  T In(int n) const { return results_.In(n); }
  T Res(const char* name) const {
    Operand o;
    o.name = name;
    ForEachResult(e_.results(), [&](const char* n, double v) {
      if (o.name == n) o.value = v;
    });
    o.unit = ResultUnit(name);
    o.kind = ResultUnitKind(name);
    o.from = OperandFrom::Result;
    o.key = name;
    return Leaf(std::move(o));
  }
  static T Shown(const T& x, int decimals) {
    auto n = std::make_shared<Node>();
    n->op = Op::Shown;
    n->decimals = decimals;
    n->value = std::strtod(FormatNumber(x.v, 0, decimals).c_str(), nullptr);
    n->args = {x.n};
    return {n->value, n};
  }
  T Unit(UnitKind kind, const T& x, int width, int decimals) const {
    auto n = std::make_shared<Node>();
    n->op = Op::Convert;
    n->kind = kind;
    n->mode = mode_;
    n->value = ToDisplay(kind, x.v, mode_);
    n->args = {x.n};
    return Shown({n->value, n}, DisplayFormat(kind, {width, decimals}, mode_).decimals);
  }

  void Set(int page, int slot, const T& value, const std::string& unit, UnitKind kind,
           const std::vector<T>& others = {}) {
    Formula f;
    f.key = "page" + std::to_string(page) + "." + std::to_string(slot);
    f.value = value.v;
    f.kind = kind;
    f.unit = ShownUnit(kind, unit, mode_);
    f.expr = value.n;
    const auto& texts = page == 0 ? shown_.page0 : shown_.page1;
    if (auto it = texts.find(slot); it != texts.end()) f.text = it->second;
    for (const T& o : others) f.others.push_back(o.n);
    rec_.Add(std::move(f));
  }
  // A slot left empty: no number.
  void SetEmpty(int page, int slot, const Cond& why) {
    Set(page, slot, When(why, Num(std::numeric_limits<double>::quiet_NaN())), "", UnitKind::None);
  }

  void Run();

 private:
  const Engine& e_;
  UnitMode mode_;
  const EngineTexts& texts_;
  const OutputPanel& shown_;
  CalcRecord& rec_;
  CalcRecord scratch_;
  ResultRecorder results_;
};

void SlotRecorder::Run() {
  const bool metric = mode_ != UnitMode::English;
  const T cc = ResultRecorder::Const("cubic centimetres per cubic inch", kCcPerIn3, "cc/in3");

  // Page 0.
  Set(0, 0, Unit(UnitKind::Volume, Res("Displacement"), 3, 1), "in3", UnitKind::Volume);
  Set(0, 1, Shown(Res("Displacement") * cc, 1), "cc", kN);
  Set(0, 2, Unit(kL, Res("DeckClearance"), 2, 3), "in", kL);
  Set(0, 3, Shown(Res("RodRatio"), 3), "", kN);
  Set(0, 4, Unit(UnitKind::AreaCm2, Res("BoreArea"), 2, 2), "in2", UnitKind::AreaCm2);
  Set(0, 5, Unit(UnitKind::AreaCm2, In(kInCylinders) * Res("BoreArea"), 2, 2), "in2",
      UnitKind::AreaCm2);
  {
    const Cond none = In(kInStroke) == 0;
    Set(0, 40, Shown(When(none, none.b ? Num(0) : In(kInBore) / In(kInStroke)), 3), "", kN);
  }
  {
    const Cond some = Res("StrokePerCC") != 0;
    const Cond stroke = In(kInStroke) != 0;
    T perStroke = Num(0);
    if (some.b && stroke.b) {
      perStroke = metric ? Res("SweptVolumeCC") / In(kInStroke) * 1000 / 25.4
                         : Res("SweptVolumeCC") / In(kInStroke) / 1000;
    }
    Set(0, 6, Shown(When(some, When(stroke, perStroke)), 3), metric ? "cc/mm" : "cc/0.001 in", kN);
  }
  if (metric) {
    Set(0, 7, Shown(Res("StrokePerCC") / 1000 * 25.4, 5), "mm/cc", kN);
  } else {
    Set(0, 7, Shown(Res("StrokePerCC"), 4), "in/cc", kN);
  }
  Set(0, 8, Shown(Res("SweptVolumeCC"), 2), "cc", kN);
  {
    const Cond some = In(kInCriticalG) != 0;
    if (some.b) {
      Set(0, 9, When(some, Unit(kL, 265 / In(kInCriticalG), 1, 3)), "in", kL);
    } else {
      SetEmpty(0, 9, some);
    }
  }
  Set(0, 21, Shown(Res("BalanceFactor"), 2), "%", kN,
      {Shown(Res("RecipWeightUsed"), 0),
       Shown(Res("RecipWeightUsed") * Res("BalanceFactor") / 100, 1)});
  Set(0, 22, Shown(Res("RotWeightUsed"), 1), "grams", kN);
  {
    const Cond some = Res("RotWeightUsed") != 0;
    if (some.b) {
      Set(0, 23,
          When(
              some,
              Shown(Res("RotWeightUsed") + Res("RecipWeightUsed") * Res("BalanceFactor") / 100, 1)),
          "grams", kN);
    } else {
      SetEmpty(0, 23, some);
    }
  }
  Set(0, 24, Shown(Res("MaxVelocityAngle"), 1), "deg", kN,
      {Shown(360 - Res("MinVelocityAngle"), 1)});
  Set(0, 25, Shown(Res("CriticalRPM"), 0), "rpm", kN);

  // The balance analysis over the kinematic tables.
  {
    const EngineInputs& held = e_.inputs();
    OutputPanel panel;
    AnalyseBalance(e_.tables(), e_.results(), held.RecipBF, held.FiringAngle, texts_, panel);
    const EngineTexts texts = texts_;
    auto analysis = [&](int slot) {
      std::vector<T> args = {In(kInStroke), In(kInRodLen), In(kInPinOff), In(kInFiringAngle)};
      // One bank leaves the curve's entry at 0 degrees as the calculation before wrote it.
      args.push_back(ResultRecorder::Tab("BalanceCurve", 0, e_.tables().BalanceCurve[0],
                                         {kInStroke, kInRodLen, kInPinOff, kInFiringAngle}));
      if (slot >= 70 && slot < 90) args.push_back(In(kInRecipBF));
      return Proc("balance analysis of the BalanceShare and BalanceCurve tables, slot " +
                      std::to_string(slot),
                  FirstNumber(panel.page0[slot]), args,
                  [slot, texts](const std::vector<double>& a) {
                    EngineInputs in;
                    in.Stroke = a[0];
                    in.RodLen = a[1];
                    in.PinOff = a[2];
                    in.FiringAngle = a[3];
                    if (a.size() > 5) in.RecipBF = ToSingle(a[5]);
                    EngineResults r;
                    EngineTables t;
                    t.BalanceCurve[0] = a[4];
                    if (CrankKinematics(in, r, t)) return std::numeric_limits<double>::quiet_NaN();
                    OutputPanel out;
                    AnalyseBalance(t, r, in.RecipBF, in.FiringAngle, texts, out);
                    return FirstNumber(out.page0[slot]);
                  });
    };
    for (int slot : {46, 47, 48, 50, 51}) Set(0, slot, analysis(slot), "%", kN);
    for (int slot = 70; slot <= 105; ++slot) {
      if (slot >= 86 && slot < 90) continue;
      Set(0, slot, analysis(slot), slot % 2 == 0 ? "%" : "deg", kN);
    }
  }

  // Page 1.
  const UnitKind kAir = UnitKind::Airflow;
  const UnitKind kVel = UnitKind::Velocity;
  const UnitKind kMm2 = UnitKind::AreaMm2;
  const UnitKind kTq = UnitKind::Torque;
  Set(1, 10, Unit(kAir, Res("MaxFlowDemand") / 1.1, 3, 0), "CFM", kAir,
      {Unit(kAir, Res("MaxFlowDemand"), 3, 0), Shown(Res("IntakeSuctionAngle"), 0)});
  Set(1, 11, Unit(kAir, Res("CarbCFMLow"), 3, 0), "CFM", kAir,
      {Unit(kAir, Res("CarbCFMHigh"), 3, 0)});
  Set(1, 45, Shown(Res("FillRatio") * 100, 1), "%", kN);
  Set(1, 12, Shown(Res("FillFactor") * 100, 1), "%", kN);
  Set(1, 13, Unit(kVel, In(kInMxIntVel), 1, 0), "ft/s", kVel);
  Set(1, 14, Unit(kMm2, Res("PortAreaTorque"), 2, 2), "in2", kMm2);
  Set(1, 15, Unit(kL, Res("PortDiaTorque"), 1, 3), "in", kL);
  Set(1, 16, Unit(kL, Res("PortSideTorque"), 1, 3), "in", kL);
  Set(1, 17, Unit(kVel, In(kInCritIntVel), 1, 0), "ft/s", kVel);
  Set(1, 18, Unit(kMm2, Res("PortAreaPower"), 2, 2), "in2", kMm2);
  Set(1, 19, Unit(kL, Res("PortDiaPower"), 1, 3), "in", kL);
  Set(1, 20, Unit(kL, Res("PortSidePower"), 1, 3), "in", kL);
  Set(1, 52, Unit(kVel, Res("BowlVelocity"), 1, 0), "ft/s", kVel);
  Set(1, 53, Unit(kMm2, Res("BowlAreaUsed"), 2, 2), "in2", kMm2);
  Set(1, 54, Unit(kL, Res("ThroatDiameter"), 1, 3), "in", kL);
  Set(1, 55, Unit(kL, Res("BowlSide"), 1, 3), "in", kL);
  Set(1, 41, Shown(Res("ChargeVolume"), 3), "", kN);
  Set(1, 49, Shown(Res("ChargeVolume") * cc, 1), "", kN);
  Set(1, 42, Unit(kL, Res("ChargePerArea"), 1, 3), "in", kL);
  Set(1, 26, Shown(Res("PowerToCritical"), 1), "%", kN);
  Set(1, 27, Shown(Res("TDCInertiaG"), 0), "g", kN, {Shown(Res("TDCInertiaForce"), 1)});
  Set(1, 28, Shown(Res("BDCInertiaG"), 0), "g", kN, {Shown(Res("BDCInertiaForce"), 1)});
  Set(1, 56, Unit(kVel, Res("MaxPistonSpeed"), 3, 0), "ft/min", kVel);
  Set(1, 57, Unit(kVel, Res("MeanPistonSpeed"), 3, 0), "ft/min", kVel);
  Set(1, 29, Shown(In(kInPkTorqRPM), 0), "rpm", kN);
  Set(1, 32, Shown(In(kInPkTorqRPM) * Res("PeakTorque") / 5252, 0), "hp", kN);
  Set(1, 34, Unit(kTq, Res("PeakTorque"), 1, 0), "ft-lb", kTq);
  Set(1, 30, Shown(In(kInPkPwrRPM), 0), "rpm", kN);
  Set(1, 33, Shown(Res("PeakPower"), 0), "hp", kN);
  {
    const Cond none = In(kInPkPwrRPM) == 0;
    Set(1, 35,
        Unit(kTq, When(none, none.b ? Num(0) : Res("PeakPower") * 5252 / In(kInPkPwrRPM)), 1, 0),
        "ft-lb", kTq);
  }
  Set(1, 36, Unit(kL, In(kInExOD), 1, 3), "in", kL);
  Set(1, 37, Unit(kL, Res("ExhaustODUsed"), 1, 3), "in", kL);
  Set(1, 38, Unit(kL, Res("PrimaryLenTorque"), 1, 1), "in", kL);
  Set(1, 39, Unit(kL, Res("PrimaryLenPower"), 1, 1), "in", kL);
  Set(1, 31, Unit(UnitKind::Pressure, Res("BMEP"), 1, 1), "psi", UnitKind::Pressure);
  Set(1, 43, Unit(kTq, Res("WorkAtTorquePeak"), 1, 1), "ft-lb", kTq);
  Set(1, 44, Shown(Res("WaveDelay107"), 2), "deg", kN);
}

// Operator words and their binding strength for printing.
const char* OpWord(Op op) {
  switch (op) {
    case Op::Add:
      return " + ";
    case Op::Sub:
      return " - ";
    case Op::Mul:
      return " x ";
    case Op::Div:
      return " / ";
    case Op::Pow:
      return " ^ ";
    case Op::Less:
      return " < ";
    case Op::Greater:
      return " > ";
    case Op::LessEq:
      return " <= ";
    case Op::GreaterEq:
      return " >= ";
    case Op::Equal:
      return " = ";
    case Op::NotEqual:
      return " <> ";
    default:
      return " ? ";
  }
}

int Strength(Op op) {
  switch (op) {
    case Op::Less:
    case Op::Greater:
    case Op::LessEq:
    case Op::GreaterEq:
    case Op::Equal:
    case Op::NotEqual:
      return 1;
    case Op::Add:
    case Op::Sub:
      return 2;
    case Op::Mul:
    case Op::Div:
      return 3;
    case Op::Neg:
      return 4;
    case Op::Pow:
      return 5;
    default:
      return 6;
  }
}

std::string NumberText(double x) {
  std::ostringstream s;
  s.precision(6);
  s << x;
  return s.str();
}

void Print(const Node& n, bool numbers, std::string& out) {
  auto child = [&](const Node& c, int strength, bool right) {
    const int cs = Strength(c.op);
    const bool paren = cs < strength || (right && cs == strength);
    if (paren) out += '(';
    Print(c, numbers, out);
    if (paren) out += ')';
  };
  switch (n.op) {
    case Op::Operand:
      out += numbers ? NumberText(n.value) : n.operand->name;
      return;
    case Op::Number:
      out += NumberText(n.value);
      return;
    case Op::Add:
    case Op::Sub:
    case Op::Mul:
    case Op::Div:
    case Op::Pow:
    case Op::Less:
    case Op::Greater:
    case Op::LessEq:
    case Op::GreaterEq:
    case Op::Equal:
    case Op::NotEqual:
      child(*n.args[0], Strength(n.op), n.op == Op::Pow);
      out += OpWord(n.op);
      child(*n.args[1], Strength(n.op), n.op != Op::Pow);
      return;
    case Op::Neg:
      out += '-';
      child(*n.args[0], Strength(n.op), true);
      return;
    case Op::Sqrt:
    case Op::Floor:
    case Op::RoundEven:
    case Op::Single:
    case Op::Convert: {
      const char* f = n.op == Op::Sqrt        ? "sqrt("
                      : n.op == Op::Floor     ? "floor("
                      : n.op == Op::RoundEven ? "round("
                      : n.op == Op::Single    ? "single("
                                              : "shown unit(";
      out += f;
      Print(*n.args[0], numbers, out);
      out += ')';
      return;
    }
    case Op::Shown:
      out += "rounded to " + std::to_string(n.decimals) + " decimals(";
      Print(*n.args[0], numbers, out);
      out += ')';
      return;
    case Op::When:
      Print(*n.args[1], numbers, out);
      out += n.truth ? "  [as " : "  [as not ";
      Print(*n.args[0], numbers, out);
      out += ']';
      return;
    case Op::Procedure:
      out += n.name + "(";
      for (std::size_t i = 0; i < n.args.size(); ++i) {
        if (i > 0) out += ", ";
        Print(*n.args[i], numbers, out);
      }
      out += ')';
      return;
  }
}

void CollectOperands(const NodePtr& n, std::vector<std::shared_ptr<const Operand>>& out) {
  if (n->op == Op::Operand) {
    const bool seen = std::any_of(out.begin(), out.end(), [&](const auto& o) {
      return o->name == n->operand->name && o->from == n->operand->from;
    });
    if (!seen) out.push_back(n->operand);
    return;
  }
  for (const NodePtr& a : n->args) CollectOperands(a, out);
}

void CollectInputs(const CalcRecord& record, const std::string& key, std::set<int>& inputs,
                   std::set<std::string>& visited) {
  if (!visited.insert(key).second) return;
  const Formula* f = record.Find(key);
  if (f == nullptr || !f->expr) return;
  std::vector<std::shared_ptr<const Operand>> operands = OperandsOf(*f->expr);
  for (const NodePtr& other : f->others) {
    for (auto& o : OperandsOf(*other)) operands.push_back(std::move(o));
  }
  for (const auto& o : operands) {
    if (o->from == OperandFrom::Input) inputs.insert(o->input);
    if (o->from == OperandFrom::Result) CollectInputs(record, o->key, inputs, visited);
    inputs.insert(o->inputs.begin(), o->inputs.end());
    for (const std::string& r : o->results) CollectInputs(record, r, inputs, visited);
  }
}

}  // namespace

const Formula* CalcRecord::Find(const std::string& key) const {
  for (const Formula& f : formulas_) {
    if (f.key == key) return &f;
  }
  return nullptr;
}

void RecordResults(const Engine& engine, CalcRecord& record) {
  ResultRecorder recorder(engine, record);
  recorder.Run();
}

void RecordOutputSlots(const Engine& engine, UnitMode mode, const EngineTexts& texts,
                       const OutputPanel& shown, CalcRecord& record) {
  SlotRecorder recorder(engine, mode, texts, shown, record);
  recorder.Run();
}

double Evaluate(const Node& n) {
  auto arg = [&n](std::size_t i) { return Evaluate(*n.args[i]); };
  switch (n.op) {
    case Op::Operand:
    case Op::Number:
      return n.value;
    case Op::Add:
      return arg(0) + arg(1);
    case Op::Sub:
      return arg(0) - arg(1);
    case Op::Mul:
      return arg(0) * arg(1);
    case Op::Div:
      return arg(0) / arg(1);
    case Op::Neg:
      return -arg(0);
    case Op::Sqrt:
      return std::sqrt(arg(0));
    case Op::Pow:
      return std::pow(arg(0), arg(1));
    case Op::Floor:
      return std::floor(arg(0));
    case Op::RoundEven:
      return RoundHalfEven(arg(0));
    case Op::Single:
      return ToSingle(arg(0));
    case Op::Less:
      return arg(0) < arg(1) ? 1 : 0;
    case Op::Greater:
      return arg(0) > arg(1) ? 1 : 0;
    case Op::LessEq:
      return arg(0) <= arg(1) ? 1 : 0;
    case Op::GreaterEq:
      return arg(0) >= arg(1) ? 1 : 0;
    case Op::Equal:
      return arg(0) == arg(1) ? 1 : 0;
    case Op::NotEqual:
      return arg(0) != arg(1) ? 1 : 0;
    case Op::When:
      return (arg(0) != 0) == n.truth ? arg(1) : kNaN;
    case Op::Procedure: {
      std::vector<double> values;
      for (std::size_t i = 0; i < n.args.size(); ++i) values.push_back(arg(i));
      return n.rerun ? n.rerun(values) : kNaN;
    }
    case Op::Convert:
      return ToDisplay(n.kind, arg(0), n.mode);
    case Op::Shown:
      return std::strtod(FormatNumber(arg(0), 0, n.decimals).c_str(), nullptr);
  }
  return kNaN;
}

std::string FormulaText(const Node& node, bool numbers) {
  std::string out;
  Print(node, numbers, out);
  return out;
}

std::vector<std::shared_ptr<const Operand>> OperandsOf(const Node& node) {
  std::vector<std::shared_ptr<const Operand>> out;
  for (const NodePtr& a : node.args) CollectOperands(a, out);
  if (node.op == Op::Operand) out.push_back(node.operand);
  return out;
}

std::set<int> InputsOf(const CalcRecord& record, const std::string& key) {
  std::set<int> inputs;
  std::set<std::string> visited;
  CollectInputs(record, key, inputs, visited);
  return inputs;
}

std::vector<std::string> DependentsOf(const CalcRecord& record, int n) {
  std::vector<std::string> out;
  for (const Formula& f : record.formulas()) {
    if (InputsOf(record, f.key).contains(n)) out.push_back(f.key);
  }
  return out;
}

std::string ResultUnit(const std::string& name) {
  const ResultUnitInfo* u = FindResultUnit(name);
  return u != nullptr ? u->unit : "";
}

UnitKind ResultUnitKind(const std::string& name) {
  const ResultUnitInfo* u = FindResultUnit(name);
  return u != nullptr ? u->kind : UnitKind::None;
}

std::string InputUnit(int n) { return InputUnitOf(n); }

std::string ShownUnit(UnitKind kind, const std::string& english, UnitMode mode) {
  if (mode == UnitMode::English) return english;
  switch (kind) {
    case UnitKind::Length:
      return "mm";
    case UnitKind::AreaMm2:
      return "mm2";
    case UnitKind::AreaCm2:
      return "cm2";
    case UnitKind::Volume:
      return "cc";
    case UnitKind::Velocity:
      return english == "ft/min" ? "m/min" : "m/s";
    case UnitKind::Temperature:
      return "C";
    case UnitKind::Pressure:
      return "bar";
    case UnitKind::Torque:
      return "N-m";
    case UnitKind::Airflow:
      return mode == UnitMode::MetricM3 ? "m3/min" : english;
    case UnitKind::None:
      break;
  }
  return english;
}

}  // namespace orv
