#pragma once

#include <array>
#include <string>
#include <string_view>

#include "airflow/flow_test.h"
#include "base/bounded_array.h"

namespace orv {

class EngineDocument;

// The "Keyboard Entered" tab of the flow test selection dialog for one side, without its
// window: 10 rows of a valve lift, an airflow and (intake side only) a swirl text, in the
// display units of the engine's unit system (millimetres for lift in metric, cubic metres per
// minute for airflow when airflow is metric).
//
// The rows show the side's keyboard flow tables of the engine (row r is entry r; entry 0 is
// the origin and not shown). Leaving a field stores its value at its row in the engine's table
// at once; the side's tables grow together to hold the row, so that they always keep one
// length. "Open" takes the rows from the top while their lift is above 0 into a new test,
// which becomes the side's current test and its keyboard tables; "Cancel" puts the side's
// tables back as they were when the tab was filled.
class KeyboardFlowEntry final {
 public:
  static constexpr int kRows = 10;
  enum class Field { Lift, Cfm, Swirl };

  KeyboardFlowEntry(EngineDocument& document, bool intake);

  bool intake() const noexcept { return intake_; }
  // The text of a field, row 1..10 (empty for a row beyond the tables and for the exhaust
  // side's swirl).
  const std::string& Text(int row, Field field) const;

  // The user leaves a field after typing `text`: it is read as a number in the display unit
  // (text that is no number reads 0), converted to the held unit, stored in the engine's table
  // at the row and shown again in the display format. An empty field of a row beyond the
  // tables stores nothing (the tables do not grow). The exhaust side has no swirl field; rows
  // outside 1..10 are not on the tab.
  void Leave(int row, Field field, std::string_view text);

  // The number of rows "Open" takes: from row 1 while the row's lift is above 0.
  int RowsToTake() const;

  // "Open": a new test with one record per row taken (lift, airflow and intake swirl in
  // columns 1, 3 and 6) becomes the side's current test; the side's keyboard tables are sized
  // to entries 0..rows and filled from it (entry 0 stays 0), the side is marked as using
  // keyboard flow, the engine is marked changed and refreshed. Errors of the recalculation
  // travel to the caller.
  void Open();

  // "Cancel": the side's keyboard tables as they were when the tab was filled.
  void Cancel();

  // Display formats (English width and decimals) of the three fields.
  static constexpr int kLiftWidth = 1, kLiftDecimals = 4;
  static constexpr int kCfmWidth = 3, kCfmDecimals = 1;
  static constexpr int kSwirlWidth = 1, kSwirlDecimals = 1;

 private:
  BoundedArray<float>* Table(Field field) const noexcept;
  std::string Shown(Field field, float held) const;
  float Held(Field field, int row) const;

  EngineDocument& document_;
  bool intake_;
  std::array<std::array<std::string, 3>, kRows + 1> text_;  // rows 1..10
  // The side's tables when the tab was filled.
  BoundedArray<float> liftBefore_, cfmBefore_, swirlBefore_;
};

}  // namespace orv
