#include "reports/details_report.h"

#include "base/checked_fp.h"
#include "base/error_trace.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "reports/cam_card_section.h"

namespace orv {

namespace {

constexpr const char* kDetailsReportModule = "Report";

constexpr int kAngleColumn = 10;
constexpr int kValueColumn = 11;

constexpr std::array<std::string_view, 4> kIntakeHeads = {
    "                          Piston                Intake     Intake",
    "     Crank     Piston   Velocity       Flow        Air  Reversion",
    "     Angle   Position      (FPM)     Demand       Flow          %      Swirl",
    " ---------  ---------  ---------  ---------  ---------  ---------  ---------"};
constexpr std::array<std::string_view, 4> kExhaustHeads = {
    "                          Piston               Exhaust",
    "     Crank     Piston   Velocity       Flow        Air",
    "     Angle   Position      (FPM)     Demand       Flow",
    " ---------  ---------  ---------  ---------  ---------"};
constexpr std::array<std::string_view, 4> kDetailsHeads = {
    "                                                           Intake    Exhaust",
    "     Crank     Piston     Torque               Balance      Valve      Valve",
    "     Angle   Position     Factor   Leverage     Factor   Velocity   Velocity",
    " ---------  ---------  ---------  ---------  ---------  ---------  ---------"};

// Curve codes of the valve and airflow curves read at a whole crank angle.
constexpr int kCurveExhaustFlow = 7;
constexpr int kCurveIntakeFlow = 8;
constexpr int kCurveExhaustValveVelocity = 9;
constexpr int kCurveIntakeValveVelocity = 10;
constexpr int kCurveSwirl = 11;

// The torque factor column after top dead centre, where the power stroke has not begun.
constexpr std::string_view kNoTorqueFactor = "0.00";

// The number formats of the columns, by unit system: decimals and the converter.
struct ColumnFormats {
  int position;  // piston position, length
  int flow;      // flow demand and airflow
  int valveVelocity;
};

ColumnFormats FormatsFor(UnitMode mode) {
  const bool metric = mode != UnitMode::English;
  return {metric ? 1 : 3, mode == UnitMode::MetricM3 ? 3 : 1, metric ? 4 : 5};
}

}  // namespace

DegreeRange AcceptedDegreeRange(float* v) {
  const bool ok = v[0] >= -360 && v[0] <= 359 && v[1] >= -359 && v[1] <= 360 && v[2] >= 1 &&
                  v[2] <= 90 && v[1] > v[0];
  if (!ok) {
    v[0] = -360;
    v[1] = 360;
    v[2] = 1;
  }
  return {static_cast<int>(RoundHalfEven(v[0])), static_cast<int>(RoundHalfEven(v[1])),
          static_cast<int>(RoundHalfEven(v[2]))};
}

const std::array<std::string_view, 4>& DetailsColumnHeads(ReportKind kind) {
  switch (kind) {
    case ReportKind::IntakeAir:
      return kIntakeHeads;
    case ReportKind::ExhaustAir:
      return kExhaustHeads;
    default:
      return kDetailsHeads;
  }
}

std::string CrankAngleText(int angle) {
  if (angle == 0 || angle == 360 || angle == -360) return "TDC";
  if (angle == 180 || angle == -180) return "BDC";
  return std::to_string(angle);
}

std::string DetailsReport(ReportKind kind, const Engine& engine, const ReportRequest& request) {
  ETracker guard(kDetailsReportModule, "DetailsReport");
  if (kind == ReportKind::General || kind == ReportKind::Comparison) Raise(kErrInvalidCall);
  ReportBuilder b(kind, request.layout, HeadingOf(request), request.sink);
  b.Begin();

  b.RuleLine();
  b.BlankLine();
  for (std::string_view head : DetailsColumnHeads(kind)) {
    b.Put(head);
    b.AddStrCRLF();
  }

  float* rangeValues = request.settings.reportRanges.data() + (kind == ReportKind::Details ? 3 : 0);
  const DegreeRange range = AcceptedDegreeRange(rangeValues);
  const UnitMode mode = ReportUnitMode(request.settings.unitSystem);
  const ColumnFormats f = FormatsFor(mode);
  const EngineTables& t = engine.tables();
  const double effectiveStroke = engine.results().EffectiveStroke;

  const std::size_t lineBytes =
      static_cast<std::size_t>(b.layout().leftMargin()) + 2 + DetailsColumnHeads(kind)[3].size();
  b.Reserve(b.text().size() +
            lineBytes * static_cast<std::size_t>((range.to - range.from) / range.step + 1));

  FpRegion fp;
  auto column = [&b](const std::string& text) { b.PutRight(text, kValueColumn); };
  auto number = [&](UnitKind unit, double value, int decimals) {
    column(ReportNumber(Chk(ToDisplay(unit, Chk(value), mode)), decimals));
  };

  for (int a = range.from; a <= range.to; a += range.step) {
    const int i = a < 0 ? a + 360 : a;
    b.PutRight(CrankAngleText(a), kAngleColumn);
    number(UnitKind::Length, effectiveStroke - t.PistonPosition[i], f.position);
    switch (kind) {
      case ReportKind::IntakeAir:
      case ReportKind::ExhaustAir: {
        const bool intake = kind == ReportKind::IntakeAir;
        // Piston speed in ft/min, converted as velocities are (to m/min).
        number(UnitKind::Velocity, t.PistonSpeed[i], 0);
        number(UnitKind::Airflow, t.FlowDemand[a], f.flow);
        number(UnitKind::Airflow, engine.DataAtPt(intake ? kCurveIntakeFlow : kCurveExhaustFlow, a),
               f.flow);
        if (intake) {
          number(UnitKind::None, (1 - t.StrokeFraction[i]) * 100, 2);
          number(UnitKind::None, engine.DataAtPt(kCurveSwirl, a), 0);
        }
        break;
      }
      default:
        if (a < 0) {
          number(UnitKind::None, t.TorqueFactor[i], 2);
        } else {
          column(std::string(kNoTorqueFactor));
        }
        number(UnitKind::None, t.Leverage[i] * 100, 3);
        number(UnitKind::None, t.BalanceCurve[i], 2);
        // Valve velocities per cam degree at a / 2, times rpm / 4: feet per second.
        number(UnitKind::Velocity, engine.DataAtPt(kCurveIntakeValveVelocity, a), f.valveVelocity);
        number(UnitKind::Velocity, engine.DataAtPt(kCurveExhaustValveVelocity, a), f.valveVelocity);
        break;
    }
    b.AddStrCRLF();
  }
  if (kind == ReportKind::Details && request.settings.reportCamCard) {
    b.BlankLine();
    CamCardSection(b, engine, mode, request.settings.camCardChecks);
  }
  return b.Finish();
}

}  // namespace orv
