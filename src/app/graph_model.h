#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/units.h"
#include "engine/engine.h"
#include "files/config_file.h"
#include "files/interface_strings.h"

namespace orv {

// The graph view and its curve list as data, without drawing: what each of the 13 curve tags
// measures and how the list writes it, the values and scales in the display unit system, the
// scale captions, the graph settings boxes with their entry rule and their check, the curve
// list's texts at the cursor lines, zoom and the curves ready to draw. The window's graph
// control draws what this gives and hands its events (cursor lines moved, zoom changed, a box
// left) back.
//
// Units. Values are held in the engine's English units; the graph and its list show them in
// the unit system of the setting "Metric" (`Settings::unitSystem`: 0 English, 2 metric with
// airflow in cubic metres per minute, any other value metric), converted as the details
// reports convert the same quantities, so that a list value and the report column of the same
// quantity at the same whole angle read alike.
//
// Which unit each scale carries follows from the tags drawn on it:
//
//   scale  tags          unit kind   English   metric (unit system 2 where it differs)
//   1      3, 4          none        %         %
//   2      1             length      in        mm
//   3      2             velocity    ft/min    m/min
//   4      5, 7, 8       airflow     CFM       CFM (m³/min)
//   5      9, 10         velocity    ft/s      m/s
//   6      6             none        T.F.      T.F.
//   7      11            none        swirl     swirl
//   8      12, 13        length      in        mm
//
// Valve velocity. Tags 9 and 10 are the valve velocity per cam degree times the speed at peak
// power divided by 4: inches per cam degree times 3 x rpm cam degrees per second, over 12
// inches per foot, is feet per second. The details report converts them as a velocity (to
// metres per second), so the graph does too, and captions them, and scale 5, with the
// velocity unit text ("ft/s|m/s") instead of the tags' own unit texts, which read as a length
// per degree.
//
// The model holds references to the engine, the settings and the interface texts; they must
// outlive it. Reading values may raise the engine's `RuntimeError` (a floating-point fault);
// it travels to the caller.

inline constexpr int kCurveTagCount = 13;
inline constexpr int kGraphScaleCount = 8;

// Input numbers of the graph settings boxes.
inline constexpr int kInGraphPanelNumber = 42;  // "GThd", a whole number 1..9
inline constexpr int kInScaleMaximum1 = 45;     // 45..52: maximum of scales 1..8
inline constexpr int kInScaleMinimum1 = 55;     // 55..62: minimum of scales 1..8

// The crank-angle axis of the graph, in crank degrees.
inline constexpr double kGraphFirstAngle = -360;
inline constexpr double kGraphLastAngle = 360;

// How the curve list writes a value, the forms of the report number formatter: the number of
// decimals shown, from the English decimals, in each unit system.
enum class ListForm {
  Plain,     // the same decimals in every unit system
  Position,  // a length: 2 decimals fewer in metric units
  Velocity,  // 1 decimal fewer in metric units
  Flow,      // 1 decimal; 3 in unit system 2 (cubic metres per minute)
};

// The decimals a list form shows in `mode` (never below 0).
int ListDecimals(ListForm form, int englishDecimals, UnitMode mode) noexcept;

// What a curve tag measures: its unit kind (the converter of display and entry) and its list
// format. The scale, colour, name and unit texts are the tag's defaults in `CurveTagDefaults`.
struct CurveTagKind {
  UnitKind unit;
  ListForm form;
  int decimals;  // in English units
};
// Tag 1..13; any other number gives tag 1's.
const CurveTagKind& CurveTagKindOf(int tag) noexcept;
// The unit kind of scale 1..8 (see the table above); any other number gives none.
UnitKind ScaleUnitOf(int scale) noexcept;

// A stretch of an axis, from its start to its end.
struct AxisRange {
  double from = 0;
  double to = 0;
  bool operator==(const AxisRange&) const = default;
};

// The part of `full` shown by the zoom fractions `low` and `high` (0 and 1: all of it).
AxisRange ZoomedRange(const AxisRange& full, double low, double high) noexcept;
// The zoom fractions of `shown` within `full`; an empty or reversed full range gives 0 and 1.
std::array<double, 2> ZoomFractions(const AxisRange& full, const AxisRange& shown) noexcept;

// The mouse wheel's zoom: `shown` scaled by `factor` (below 1 zooms in) about `centre`, kept
// within `full`; a range that would be as wide as `full` or wider becomes `full`.
AxisRange ZoomedAbout(const AxisRange& shown, const AxisRange& full, double centre,
                      double factor) noexcept;

// A value axis of the graph: the scale it shows, its caption, its whole range and the part the
// zoom window shows, in the display unit system.
struct GraphAxis {
  int scale = 1;
  std::string caption;
  AxisRange full;
  AxisRange shown;
};

// Everything the graph control is handed when its settings change (after start-up, a change
// of the unit system, of a graph check box, of "GThd" or of the background).
struct GraphWindowSpecs {
  std::int32_t background = 0;  // RGB, red in the low byte
  bool twoScales = true;        // the right axis is shown
  std::array<float, 4> cursorLines{};
  float cursorStep = 10;
  AxisRange x;  // crank degrees shown (the zoom window of -360..360)
  GraphAxis left;
  GraphAxis right;
  bool gridLines = true;
  bool cursorLinesShown = true;
  bool thickLines = false;
  int graphPanelNumber = 3;
  ZoomWindow zoom;
  std::string numberFormat;
};

// One curve ready to draw: crank angles and the tag's values there, in the display unit
// system, against the axis of the tag's scale.
struct CurvePoints {
  int tag = 1;
  int scale = 1;
  std::int32_t colour = 0;
  std::vector<double> x;
  std::vector<double> y;
};

// The first scale whose maximum is not above its minimum: the warning (miscellaneous text 98)
// and the box that gets the focus, the scale's maximum box.
struct ScaleProblem {
  int scale = 1;
  int box = kInScaleMaximum1;
  int message = 98;
  bool operator==(const ScaleProblem&) const = default;
};

// The picture files the graph is written to, chosen by the file name's extension (without
// regard to case): ".png", ".bmp", ".svg", ".pdf". Any other name gives nothing.
enum class PictureFormat { Png, Bmp, Svg, Pdf };
std::optional<PictureFormat> PictureFormatOf(std::string_view path) noexcept;
// The formats a picture name may ask for, for the message that refuses another.
inline constexpr const char* kPictureFormatList = "png, bmp, svg, pdf";

// Whether the graph draws tag 1..13 at crank angle x: everywhere, except the torque factor
// from x = 0 on, where its value is the off-scale marker 300 and the curve stops.
bool CurveDrawnAt(int tag, double x) noexcept;

class GraphModel final {
 public:
  GraphModel(const Engine& engine, Settings& settings, const InterfaceStrings& strings) noexcept
      : engine_(engine), settings_(settings), strings_(strings) {}

  // The display unit system, from the settings.
  UnitMode unitMode() const noexcept;

  // --- Curve tags (1..13) ---------------------------------------------------------------------
  std::string TagName(int tag) const;
  // The unit caption of a tag in the display unit system ("in", "mm", "CFM", "m³/min", ...).
  std::string TagUnit(int tag) const;
  // The scale (1..8) a tag is drawn against, its colour (RGB, red in the low byte), and
  // whether it is shown ("CTag1".."CTag13").
  int TagScale(int tag) const noexcept;
  std::int32_t TagColour(int tag) const noexcept;
  bool TagShown(int tag) const noexcept;
  void SetTagShown(int tag, bool shown) noexcept;
  // The decimals the list shows a tag with in the display unit system.
  int TagDecimals(int tag) const noexcept;

  // --- Values and the curve list -----------------------------------------------------------------
  // A tag's value at crank angle x in the display unit system (the engine's `DataAt`: the
  // per-degree tables at x, or x + 360 for a negative x; the cam curves at cam angle x / 2; the
  // torque factor 300 from x = 0 on).
  double Value(int tag, float x) const;
  // The value written with the tag's list format.
  std::string ValueText(int tag, float x) const;
  // The value at `x` less the value at `from`, written with the tag's list format.
  std::string DifferenceText(int tag, float x, float from) const;
  // The curve list's texts of tags 1..13 (index tag - 1): the values at cursor line 3, or in
  // difference mode the value at cursor line 3 less the value at cursor line 4.
  std::array<std::string, kCurveTagCount> CurveListTexts() const;

  // --- A reference engine ---------------------------------------------------------------------
  // The same graph over another engine (the reference engine of a comparison): the same
  // settings, texts, cursor lines and difference mode, so that its curves fall on the same
  // scales and its list texts are read at the same lines. `other` must outlive the model.
  GraphModel ForEngine(const Engine& other) const noexcept;
  // The curve list's difference column of tags 1..13 (index tag - 1): this engine's value at
  // cursor line 3 less the reference engine's there (in difference mode, this engine's line 3
  // less line 4 against the reference's), in the display unit system with the tag's list
  // format. The torque factor has no comparable value where the graph does not draw it (from
  // top dead centre on it only marks the curve's end): its text is empty when a line read lies
  // there. `reference` is normally `ForEngine(reference engine)`.
  std::array<std::string, kCurveTagCount> ComparedListTexts(const GraphModel& reference) const;

  // Cursor lines 1..4 in crank degrees ("LneLoc1".."LneLoc4") and difference mode (off at
  // start; not kept between runs).
  const std::array<float, 4>& cursorLines() const noexcept { return settings_.cursorLines; }
  bool differenceMode() const noexcept { return differenceMode_; }
  // The graph's cursor-line event: the four positions and the difference-mode flag are kept.
  void CursorLinesChanged(const std::array<float, 4>& positions, bool differenceMode) noexcept;
  // Moves cursor line 1..4 by `steps` cursor steps ("LneStp"), within -360..360.
  void MoveCursorLine(int line, int steps) noexcept;

  // --- Scales and the graph settings boxes ----------------------------------------------------
  // Scale 1..8 in the display unit system.
  ScaleLimits DisplayScale(int scale) const noexcept;
  // The caption of scale 1..8: "T.F." for scale 6, the unit caption of its tags otherwise.
  std::string ScaleCaption(int scale) const;

  // The text of graph settings box n: 42 "GThd", 45..52 the maxima and 55..62 the minima of
  // scales 1..8, in the display unit system with the list format of the scale's quantity
  // (decimals: scale 1 two, 2 and 8 three (one in metric), 3 none, 4 one (three in unit
  // system 2), 5 two (one in metric), 6 two, 7 none). Any other box gives an empty text.
  std::string BoxText(int n) const;
  // Leaving box n after typing `text`. A scale box reads the text as a 32-bit float (text that
  // is not a number reads as 0), converts it from the display unit to the internal unit and
  // stores it, then reads its own display text back twice, so that the stored value is the
  // one shown. Box 42 reads a whole number (halves to even) kept within 1..9. Returns true
  // when the stored value changed (compared as 32-bit floats); the graph settings then go to
  // the graph again. Any other box is left alone (false).
  bool EnterBox(int n, std::string_view text);

  // Leaving the graph settings view: the first scale 1..8 whose maximum is not above its
  // minimum, or nothing when all pass (the settings then go to the graph).
  std::optional<ScaleProblem> CheckScales() const noexcept;

  // --- Axes and zoom --------------------------------------------------------------------------
  // The crank-angle axis and the left and right value axes, the zoom window applied. A left
  // or right scale setting outside 1..8 counts as its default (2 left, 5 right).
  AxisRange XAxis() const noexcept;
  GraphAxis LeftAxis() const;
  GraphAxis RightAxis() const;
  // The axis of any scale 1..8 (the zoom window applied as on the left and right axes): the
  // curves of a scale that neither axis shows are drawn against it all the same.
  GraphAxis ScaleAxis(int scale) const;
  // The graph's zoom event: the crank angles and the left axis's values now shown become the
  // zoom window ("ZX1", "ZY1", "ZX2", "ZY2", fractions of the whole ranges).
  void ZoomChanged(const AxisRange& x, const AxisRange& left) noexcept;
  // UnZoom: the zoom window back to 0, 0, 1, 1.
  void UnZoom() noexcept;
  // Whether a zoom window is set (the UnZoom button is enabled).
  bool zoomed() const noexcept;

  // --- Drawing ----------------------------------------------------------------------------------
  // A tag's curve over -360..360 every `step` degrees (360 always the last point), in the
  // display unit system. A step not above 0 counts as 1.
  CurvePoints Curve(int tag, double step = 1) const;
  // The curves of the shown tags, in tag order.
  std::vector<CurvePoints> ShownCurves(double step = 1) const;

  // Every graph setting the graph control is handed.
  GraphWindowSpecs WindowSpecs() const;

 private:
  double ToShown(int tag, double held) const noexcept;
  int ValidScale(int scale, int fallback) const noexcept;

  const Engine& engine_;
  Settings& settings_;
  const InterfaceStrings& strings_;
  bool differenceMode_ = false;
};

}  // namespace orv
