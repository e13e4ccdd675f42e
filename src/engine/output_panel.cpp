#include "engine/output_panel.h"

#include <array>

#include "base/checked_fp.h"
#include "base/error_trace.h"
#include "base/number_format.h"
#include "base/units.h"
#include "engine/input_controller.h"

namespace orv {

namespace {

constexpr const char* kOutputPanelModule = "EngineModel";

// The slots of each page, the balance analysis included in page 0.
constexpr std::array kPage0Slots = {0,  1,  2,  3,  4,  5,   6,   7,   8,   9,   21, 22, 23, 24,
                                    25, 40, 46, 47, 48, 50,  51,  70,  71,  72,  73, 74, 75, 76,
                                    77, 78, 79, 80, 81, 82,  83,  84,  85,  90,  91, 92, 93, 94,
                                    95, 96, 97, 98, 99, 100, 101, 102, 103, 104, 105};
constexpr std::array kPage1Slots = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 26, 27,
                                    28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 41,
                                    42, 43, 44, 45, 49, 52, 53, 54, 55, 56, 57};

constexpr double kRpmTimesTorquePerPower = 5252;  // hp = ft-lb x rpm / 5252

}  // namespace

OutputPanel::OutputPanel() {
  for (int slot : kPage0Slots) page0[slot];
  for (int slot : kPage1Slots) page1[slot];
}

int OutputPanel::PageOfSlot(int slot) const noexcept {
  if (page0.contains(slot)) return 0;
  if (page1.contains(slot)) return 1;
  return -1;
}

void InputController::DisplayOutputs(int page) {
  ETracker guard(kOutputPanelModule, "DisplayOutputs");
  if (page != 0 && page != 1) return;
  const EngineInputs& in = engine_.inputs();
  const EngineResults& r = engine_.results();
  const UnitMode mode = unitMode_;
  const bool metric = mode != UnitMode::English;

  // Each slot's value is tested for a floating-point fault before its text is written.
  FpRegion fp;
  auto unit = [mode](UnitKind kind, double value, int width, int decimals) {
    const NumberFormat f = DisplayFormat(kind, {width, decimals}, mode);
    return FormatNumber(Chk(ToDisplay(kind, value, mode)), f.width, f.decimals);
  };
  auto plain = [](double value, int width, int decimals) {
    return FormatNumber(Chk(value), width, decimals);
  };
  auto pattern = [](double value, const char* picture) {
    return FormatPattern(Chk(value), picture);
  };

  if (page == 0) {
    auto& s = out_.page0;
    s[0] = unit(UnitKind::Volume, r.Displacement, 3, 1);
    s[1] = plain(r.Displacement * kCcPerIn3, 3, 1);  // always cubic centimetres
    s[2] = unit(UnitKind::Length, r.DeckClearance, 2, 3);
    s[3] = plain(r.RodRatio, 2, 3);
    s[4] = unit(UnitKind::AreaCm2, r.BoreArea, 2, 2);
    s[5] = unit(UnitKind::AreaCm2, in.Cylinders * r.BoreArea, 2, 2);
    s[40] = plain(in.Stroke == 0 ? 0 : in.Bore / in.Stroke, 2, 3);
    {
      // Swept volume per unit of stroke: cc per thousandth of an inch, or per millimetre.
      double perStroke = 0;
      if (r.StrokePerCC != 0 && in.Stroke != 0) {
        perStroke =
            metric ? r.SweptVolumeCC / in.Stroke * 1000 / 25.4 : r.SweptVolumeCC / in.Stroke / 1000;
      }
      s[6] = plain(perStroke, 2, 3);
    }
    s[7] = metric ? plain(r.StrokePerCC / 1000 * 25.4, 1, 5) : plain(r.StrokePerCC, 2, 4);
    s[8] = plain(r.SweptVolumeCC, 2, 2);
    s[9] = in.CriticalG != 0 ? unit(UnitKind::Length, 265 / in.CriticalG, 1, 3) : std::string();
    // Counterweight for the balance factor: the share of the reciprocating weight, alone and
    // with the rotating weight.
    const double recipShare = Chk(r.RecipWeightUsed * r.BalanceFactor / 100);
    s[21] = pattern(r.BalanceFactor, "0.00") + "% of " + pattern(r.RecipWeightUsed, "0") + " = " +
            pattern(recipShare, "0.0");
    s[22] = pattern(r.RotWeightUsed, "0.0");
    s[23] = r.RotWeightUsed != 0 ? pattern(r.RotWeightUsed + recipShare, "0.0") : std::string();
    s[24] = pattern(r.MaxVelocityAngle, "0.0") + " ATDC " + ", " +
            pattern(360 - r.MinVelocityAngle, "0.0") + " BTDC";
    s[25] = pattern(r.CriticalRPM, "0");
    return;
  }

  // Page 1 reads the kinematic results: they are first brought up to the inputs.
  engine_.BringKinematicsUpToDate();
  auto& s = out_.page1;
  s[10] = unit(UnitKind::Airflow, r.MaxFlowDemand / 1.1, 3, 0) + " to " +
          unit(UnitKind::Airflow, r.MaxFlowDemand, 3, 0) + " by " +
          pattern(r.IntakeSuctionAngle, "0") + " ATDC";
  s[11] = unit(UnitKind::Airflow, r.CarbCFMLow, 3, 0) + " to " +
          unit(UnitKind::Airflow, r.CarbCFMHigh, 3, 0);
  s[45] = pattern(r.FillRatio * 100, "0.0");
  s[12] = pattern(r.FillFactor * 100, "0.0");
  s[13] = unit(UnitKind::Velocity, in.MxIntVel, 1, 0);
  s[14] = unit(UnitKind::AreaMm2, r.PortAreaTorque, 2, 2);
  s[15] = unit(UnitKind::Length, r.PortDiaTorque, 1, 3);
  s[16] = unit(UnitKind::Length, r.PortSideTorque, 1, 3);
  s[17] = unit(UnitKind::Velocity, in.CritIntVel, 1, 0);
  s[18] = unit(UnitKind::AreaMm2, r.PortAreaPower, 2, 2);
  s[19] = unit(UnitKind::Length, r.PortDiaPower, 1, 3);
  s[20] = unit(UnitKind::Length, r.PortSidePower, 1, 3);
  s[52] = unit(UnitKind::Velocity, r.BowlVelocity, 1, 0);
  s[53] = unit(UnitKind::AreaMm2, r.BowlAreaUsed, 2, 2);
  s[54] = unit(UnitKind::Length, r.ThroatDiameter, 1, 3);
  s[55] = unit(UnitKind::Length, r.BowlSide, 1, 3);
  s[41] = plain(r.ChargeVolume, 1, 3);
  s[49] = plain(r.ChargeVolume * kCcPerIn3, 3, 1);
  s[42] = unit(UnitKind::Length, r.ChargePerArea, 1, 3);
  out_.veDiagramPercent = Chk(in.VE * 100);
  s[26] = pattern(r.PowerToCritical, "0.0");
  s[27] = pattern(r.TDCInertiaG, "0") + " g's    " + plain(r.TDCInertiaForce, 1, 1);
  s[28] = pattern(r.BDCInertiaG, "0") + " g's    " + plain(r.BDCInertiaForce, 1, 1);
  // Piston speeds are in ft/min (m/min in metric), converted like velocities.
  s[56] = unit(UnitKind::Velocity, r.MaxPistonSpeed, 3, 0);
  s[57] = unit(UnitKind::Velocity, r.MeanPistonSpeed, 3, 0);
  s[29] = pattern(in.PkTorqRPM, "0");
  s[32] = plain(in.PkTorqRPM * r.PeakTorque / kRpmTimesTorquePerPower, 1, 0);
  s[34] = unit(UnitKind::Torque, r.PeakTorque, 1, 0);
  s[30] = pattern(in.PkPwrRPM, "0");
  s[33] = plain(r.PeakPower, 1, 0);
  s[35] = unit(UnitKind::Torque,
               in.PkPwrRPM == 0 ? 0 : r.PeakPower * kRpmTimesTorquePerPower / in.PkPwrRPM, 1, 0);
  s[36] = unit(UnitKind::Length, in.ExOD, 1, 3);
  s[37] = unit(UnitKind::Length, r.ExhaustODUsed, 1, 3);
  s[38] = unit(UnitKind::Length, r.PrimaryLenTorque, 1, 1);
  s[39] = unit(UnitKind::Length, r.PrimaryLenPower, 1, 1);
  s[31] = unit(UnitKind::Pressure, r.BMEP, 1, 1);
  s[43] = unit(UnitKind::Torque, r.WorkAtTorquePeak, 1, 1);
  s[44] = pattern(r.WaveDelay107, "0.00");
}

}  // namespace orv
