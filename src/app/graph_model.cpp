#include "app/graph_model.h"

#include <algorithm>
#include <cmath>

#include "base/rounding.h"
#include "base/text.h"
#include "base/text_number.h"
#include "files/interface_text_ids.h"
#include "files/output_captions.h"
#include "reports/report_builder.h"

namespace orv {

namespace {

// Tag i+1: what it measures and how the list writes it.
constexpr std::array<CurveTagKind, kCurveTagCount> kTagKinds = {{
    {UnitKind::Length, ListForm::Position, 3},    // 1 piston position
    {UnitKind::Velocity, ListForm::Velocity, 0},  // 2 piston velocity (ft/min)
    {UnitKind::None, ListForm::Plain, 2},         // 3 balance factor
    {UnitKind::None, ListForm::Plain, 3},         // 4 leverage x 100
    {UnitKind::Airflow, ListForm::Flow, 1},       // 5 flow demand
    {UnitKind::None, ListForm::Plain, 2},         // 6 torque factor
    {UnitKind::Airflow, ListForm::Flow, 1},       // 7 exhaust airflow
    {UnitKind::Airflow, ListForm::Flow, 1},       // 8 intake airflow
    {UnitKind::Velocity, ListForm::Velocity, 5},  // 9 exhaust valve velocity (ft/s)
    {UnitKind::Velocity, ListForm::Velocity, 5},  // 10 intake valve velocity (ft/s)
    {UnitKind::None, ListForm::Plain, 0},         // 11 swirl
    {UnitKind::Length, ListForm::Position, 3},    // 12 exhaust valve lift
    {UnitKind::Length, ListForm::Position, 3},    // 13 intake valve lift
}};

// Scale i+1: the unit kind of the tags drawn on it, and the format of its settings boxes.
struct ScaleKind {
  UnitKind unit;
  ListForm form;
  int decimals;
};
constexpr std::array<ScaleKind, kGraphScaleCount> kScaleKinds = {{
    {UnitKind::None, ListForm::Plain, 2},
    {UnitKind::Length, ListForm::Position, 3},
    {UnitKind::Velocity, ListForm::Velocity, 0},
    {UnitKind::Airflow, ListForm::Flow, 1},
    {UnitKind::Velocity, ListForm::Velocity, 2},
    {UnitKind::None, ListForm::Plain, 2},
    {UnitKind::None, ListForm::Plain, 0},
    {UnitKind::Length, ListForm::Position, 3},
}};

// The torque factor scale carries no unit; its caption names the quantity.
constexpr int kTorqueFactorScale = 6;
constexpr int kTorqueFactorTag = 6;
constexpr const char* kTorqueFactorCaption = "T.F.";

// The valve velocity tags are feet per second (see the header).
constexpr int kExhaustValveVelocityTag = 9;
constexpr int kIntakeValveVelocityTag = 10;

constexpr int kDefaultLeftScale = 2;
constexpr int kDefaultRightScale = 5;
constexpr int kLowestPanelNumber = 1;
constexpr int kHighestPanelNumber = 9;
// The finest step a curve is drawn with (72001 points over the axis).
constexpr double kFinestStep = 0.01;

constexpr AxisRange kCrankAngles{kGraphFirstAngle, kGraphLastAngle};

bool ValidTag(int tag) noexcept { return tag >= 1 && tag <= kCurveTagCount; }
bool ValidScaleNumber(int scale) noexcept { return scale >= 1 && scale <= kGraphScaleCount; }
std::size_t TagIndex(int tag) noexcept {
  return static_cast<std::size_t>(ValidTag(tag) ? tag - 1 : 0);
}

// The scale a settings box belongs to, and whether it is the scale's maximum.
struct ScaleBox {
  int scale = 0;
  bool maximum = false;
};
std::optional<ScaleBox> ScaleBoxOf(int n) noexcept {
  if (n >= kInScaleMaximum1 && n < kInScaleMaximum1 + kGraphScaleCount) {
    return ScaleBox{n - kInScaleMaximum1 + 1, true};
  }
  if (n >= kInScaleMinimum1 && n < kInScaleMinimum1 + kGraphScaleCount) {
    return ScaleBox{n - kInScaleMinimum1 + 1, false};
  }
  return std::nullopt;
}

}  // namespace

int ListDecimals(ListForm form, int englishDecimals, UnitMode mode) noexcept {
  const bool metric = mode != UnitMode::English;
  int decimals = englishDecimals;
  switch (form) {
    case ListForm::Plain:
      break;
    case ListForm::Position:
      if (metric) decimals -= 2;
      break;
    case ListForm::Velocity:
      if (metric) decimals -= 1;
      break;
    case ListForm::Flow:
      decimals = mode == UnitMode::MetricM3 ? 3 : 1;
      break;
  }
  return std::max(decimals, 0);
}

const CurveTagKind& CurveTagKindOf(int tag) noexcept { return kTagKinds[TagIndex(tag)]; }

UnitKind ScaleUnitOf(int scale) noexcept {
  return ValidScaleNumber(scale) ? kScaleKinds[static_cast<std::size_t>(scale - 1)].unit
                                 : UnitKind::None;
}

AxisRange ZoomedRange(const AxisRange& full, double low, double high) noexcept {
  const double width = full.to - full.from;
  return {full.from + low * width, full.from + high * width};
}

std::array<double, 2> ZoomFractions(const AxisRange& full, const AxisRange& shown) noexcept {
  const double width = full.to - full.from;
  if (!std::isgreater(width, 0.0)) return {0, 1};
  return {(shown.from - full.from) / width, (shown.to - full.from) / width};
}

AxisRange ZoomedAbout(const AxisRange& shown, const AxisRange& full, double centre,
                      double factor) noexcept {
  AxisRange zoomed{centre + (shown.from - centre) * factor, centre + (shown.to - centre) * factor};
  const double width = zoomed.to - zoomed.from;
  if (!std::isless(width, full.to - full.from)) return full;
  // Slide the range back inside the whole axis, keeping its width.
  if (zoomed.from < full.from) zoomed = {full.from, full.from + width};
  if (zoomed.to > full.to) zoomed = {full.to - width, full.to};
  return zoomed;
}

std::optional<PictureFormat> PictureFormatOf(std::string_view path) noexcept {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of("/\\");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot)) {
    return std::nullopt;
  }
  const std::string extension = AsciiLower(path.substr(dot + 1));
  if (extension == "png") return PictureFormat::Png;
  if (extension == "bmp") return PictureFormat::Bmp;
  if (extension == "svg") return PictureFormat::Svg;
  if (extension == "pdf") return PictureFormat::Pdf;
  return std::nullopt;
}

bool CurveDrawnAt(int tag, double x) noexcept { return tag != kTorqueFactorTag || x < 0; }

// ---------------------------------------------------------------------------------------------

UnitMode GraphModel::unitMode() const noexcept { return ReportUnitMode(settings_.unitSystem); }

std::string GraphModel::TagName(int tag) const {
  return strings_.Misc(CurveTagDefaults()[TagIndex(tag)].nameText);
}

std::string GraphModel::TagUnit(int tag) const {
  if (tag == kExhaustValveVelocityTag || tag == kIntakeValveVelocityTag) {
    return UnitCaption(strings_, kUnitVelocity, unitMode());
  }
  return UnitSystemPart(strings_.Misc(CurveTagDefaults()[TagIndex(tag)].unitText), unitMode());
}

int GraphModel::TagScale(int tag) const noexcept {
  const std::size_t i = TagIndex(tag);
  return ValidScale(settings_.curveTags[i].scale, CurveTagDefaults()[i].scale);
}

std::int32_t GraphModel::TagColour(int tag) const noexcept {
  return settings_.curveTags[TagIndex(tag)].colour;
}

bool GraphModel::TagShown(int tag) const noexcept {
  return ValidTag(tag) && settings_.curveTags[TagIndex(tag)].shown;
}

void GraphModel::SetTagShown(int tag, bool shown) noexcept {
  if (ValidTag(tag)) settings_.curveTags[TagIndex(tag)].shown = shown;
}

int GraphModel::TagDecimals(int tag) const noexcept {
  const CurveTagKind& kind = CurveTagKindOf(tag);
  return ListDecimals(kind.form, kind.decimals, unitMode());
}

double GraphModel::ToShown(int tag, double held) const noexcept {
  return ToDisplay(CurveTagKindOf(tag).unit, held, unitMode());
}

double GraphModel::Value(int tag, float x) const { return ToShown(tag, engine_.DataAt(tag, x)); }

std::string GraphModel::ValueText(int tag, float x) const {
  return ReportNumber(Value(tag, x), TagDecimals(tag));
}

std::string GraphModel::DifferenceText(int tag, float x, float from) const {
  const double held = engine_.DataAt(tag, x) - engine_.DataAt(tag, from);
  return ReportNumber(ToShown(tag, held), TagDecimals(tag));
}

std::array<std::string, kCurveTagCount> GraphModel::CurveListTexts() const {
  std::array<std::string, kCurveTagCount> texts;
  const float line3 = settings_.cursorLines[2];
  const float line4 = settings_.cursorLines[3];
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    texts[TagIndex(tag)] =
        differenceMode_ ? DifferenceText(tag, line3, line4) : ValueText(tag, line3);
  }
  return texts;
}

GraphModel GraphModel::ForEngine(const Engine& other) const noexcept {
  GraphModel model(other, settings_, strings_);
  model.differenceMode_ = differenceMode_;
  return model;
}

std::array<std::string, kCurveTagCount> GraphModel::ComparedListTexts(
    const GraphModel& reference) const {
  std::array<std::string, kCurveTagCount> texts;
  const float line3 = settings_.cursorLines[2];
  const float line4 = settings_.cursorLines[3];
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    if (!CurveDrawnAt(tag, line3) || (differenceMode_ && !CurveDrawnAt(tag, line4))) continue;
    double current = Value(tag, line3);
    double other = reference.Value(tag, line3);
    if (differenceMode_) {
      current -= Value(tag, line4);
      other -= reference.Value(tag, line4);
    }
    texts[TagIndex(tag)] = ReportNumber(current - other, TagDecimals(tag));
  }
  return texts;
}

void GraphModel::CursorLinesChanged(const std::array<float, 4>& positions,
                                    bool differenceMode) noexcept {
  settings_.cursorLines = positions;
  differenceMode_ = differenceMode;
}

void GraphModel::MoveCursorLine(int line, int steps) noexcept {
  if (line < 1 || line > 4) return;
  float& position = settings_.cursorLines[static_cast<std::size_t>(line - 1)];
  const double moved =
      static_cast<double>(position) + steps * static_cast<double>(settings_.cursorStep);
  position = ToSingle(std::clamp(moved, kGraphFirstAngle, kGraphLastAngle));
}

// ---------------------------------------------------------------------------------------------
// Scales and boxes

int GraphModel::ValidScale(int scale, int fallback) const noexcept {
  return ValidScaleNumber(scale) ? scale : fallback;
}

ScaleLimits GraphModel::DisplayScale(int scale) const noexcept {
  if (!ValidScaleNumber(scale)) return {};
  const ScaleLimits& held = settings_.scales[static_cast<std::size_t>(scale - 1)];
  const UnitKind unit = ScaleUnitOf(scale);
  return {ToDisplay(unit, held.minimum, unitMode()), ToDisplay(unit, held.maximum, unitMode())};
}

std::string GraphModel::ScaleCaption(int scale) const {
  if (scale == kTorqueFactorScale) return kTorqueFactorCaption;
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    if (CurveTagDefaults()[TagIndex(tag)].scale == scale) return TagUnit(tag);
  }
  return {};
}

std::string GraphModel::BoxText(int n) const {
  if (n == kInGraphPanelNumber) return std::to_string(settings_.graphPanelNumber);
  const std::optional<ScaleBox> box = ScaleBoxOf(n);
  if (!box) return {};
  const ScaleLimits shown = DisplayScale(box->scale);
  const ScaleKind& kind = kScaleKinds[static_cast<std::size_t>(box->scale - 1)];
  return ReportNumber(box->maximum ? shown.maximum : shown.minimum,
                      ListDecimals(kind.form, kind.decimals, unitMode()));
}

bool GraphModel::EnterBox(int n, std::string_view text) {
  if (n == kInGraphPanelNumber) {
    const double typed = RoundHalfEven(TextToSingle(text));
    const auto number = static_cast<std::int16_t>(
        std::clamp(typed, double{kLowestPanelNumber}, double{kHighestPanelNumber}));
    if (number == settings_.graphPanelNumber) return false;
    settings_.graphPanelNumber = number;
    return true;
  }
  const std::optional<ScaleBox> box = ScaleBoxOf(n);
  if (!box) return false;
  ScaleLimits& limits = settings_.scales[static_cast<std::size_t>(box->scale - 1)];
  double& held = box->maximum ? limits.maximum : limits.minimum;
  const double before = held;
  const UnitKind unit = ScaleUnitOf(box->scale);
  auto store = [&](std::string_view typed) {
    held = FromDisplay(unit, TextToSingle(typed), unitMode());
  };
  store(text);
  // Read the shown text back twice, so that the held value is exactly the one shown.
  for (int pass = 0; pass < 2; ++pass) store(BoxText(n));
  return ToSingle(held) != ToSingle(before);
}

std::optional<ScaleProblem> GraphModel::CheckScales() const noexcept {
  for (int scale = 1; scale <= kGraphScaleCount; ++scale) {
    const ScaleLimits& s = settings_.scales[static_cast<std::size_t>(scale - 1)];
    // A quiet comparison: a value that is not a number fails without raising the invalid
    // operation flag, which the engine's next calculation would take for its own fault.
    if (!std::isgreater(s.maximum, s.minimum)) {
      return ScaleProblem{scale, kInScaleMaximum1 + scale - 1, kMiscScaleInvalid};
    }
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Axes and zoom

AxisRange GraphModel::XAxis() const noexcept {
  return ZoomedRange(kCrankAngles, settings_.zoom.left, settings_.zoom.right);
}

GraphAxis GraphModel::ScaleAxis(int scale) const {
  GraphAxis axis;
  axis.scale = scale;
  axis.caption = ScaleCaption(scale);
  const ScaleLimits shown = DisplayScale(scale);
  axis.full = {shown.minimum, shown.maximum};
  axis.shown = ZoomedRange(axis.full, settings_.zoom.bottom, settings_.zoom.top);
  return axis;
}

GraphAxis GraphModel::LeftAxis() const {
  return ScaleAxis(ValidScale(settings_.leftScale, kDefaultLeftScale));
}

GraphAxis GraphModel::RightAxis() const {
  return ScaleAxis(ValidScale(settings_.rightScale, kDefaultRightScale));
}

void GraphModel::ZoomChanged(const AxisRange& x, const AxisRange& left) noexcept {
  const std::array<double, 2> across = ZoomFractions(kCrankAngles, x);
  const ScaleLimits scale = DisplayScale(ValidScale(settings_.leftScale, kDefaultLeftScale));
  const std::array<double, 2> up = ZoomFractions({scale.minimum, scale.maximum}, left);
  settings_.zoom = {ToSingle(across[0]), ToSingle(up[0]), ToSingle(across[1]), ToSingle(up[1])};
}

void GraphModel::UnZoom() noexcept { settings_.zoom = ZoomWindow{}; }

bool GraphModel::zoomed() const noexcept {
  const ZoomWindow& z = settings_.zoom;
  const ZoomWindow all;
  return z.left != all.left || z.bottom != all.bottom || z.right != all.right || z.top != all.top;
}

// ---------------------------------------------------------------------------------------------
// Drawing

CurvePoints GraphModel::Curve(int tag, double step) const {
  if (!std::isgreater(step, 0.0)) step = 1;
  step = std::max(step, kFinestStep);
  CurvePoints curve;
  curve.tag = tag;
  curve.scale = TagScale(tag);
  curve.colour = TagColour(tag);
  // Points at whole multiples of the step from the first angle, so that no error adds up.
  const auto steps =
      static_cast<std::size_t>(std::floor((kGraphLastAngle - kGraphFirstAngle) / step + 1e-9));
  curve.x.reserve(steps + 2);
  curve.y.reserve(steps + 2);
  for (std::size_t i = 0; i <= steps; ++i) {
    const double x = kGraphFirstAngle + static_cast<double>(i) * step;
    curve.x.push_back(x);
    curve.y.push_back(Value(tag, ToSingle(x)));
  }
  if (curve.x.back() < kGraphLastAngle) {
    curve.x.push_back(kGraphLastAngle);
    curve.y.push_back(Value(tag, ToSingle(kGraphLastAngle)));
  }
  return curve;
}

std::vector<CurvePoints> GraphModel::ShownCurves(double step) const {
  std::vector<CurvePoints> curves;
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    if (TagShown(tag)) curves.push_back(Curve(tag, step));
  }
  return curves;
}

GraphWindowSpecs GraphModel::WindowSpecs() const {
  GraphWindowSpecs specs;
  specs.background = settings_.graphBackground;
  specs.twoScales = settings_.twoScales;
  specs.cursorLines = settings_.cursorLines;
  specs.cursorStep = settings_.cursorStep;
  specs.x = XAxis();
  specs.left = LeftAxis();
  specs.right = RightAxis();
  specs.gridLines = settings_.gridLines;
  specs.cursorLinesShown = settings_.cursorLinesShown;
  specs.thickLines = settings_.thickLines;
  specs.graphPanelNumber = settings_.graphPanelNumber;
  specs.zoom = settings_.zoom;
  specs.numberFormat = settings_.numberFormat;
  return specs;
}

}  // namespace orv
