#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/units.h"

namespace orv {

class Engine;
struct EngineTexts;
struct OutputPanel;

// The record of one recalculation: for each named result and each output slot, the formula that
// gave its value, as a small expression tree of the operations the model carries out, with its
// operands named (an input box by its caption, another result, a constant of the model, an entry
// of a per-degree table). The recording code computes every value through the tree it builds
// (a traced value carries its number and the node that made it), so the record states how the
// value came about and can be evaluated again from its operands.

enum class OperandFrom { Input, Result, Constant, Table };

// A named operand of a formula. Values are held in English units.
struct Operand {
  std::string name;  // caption of the input box, result name, constant or table entry
  double value = 0;
  std::string unit;  // English unit ("in", "ft/s", ...), empty for a pure number
  UnitKind kind = UnitKind::None;
  OperandFrom from = OperandFrom::Constant;
  std::string key;  // engine-file key of an input, name of a result; empty otherwise
  int input = -1;   // input number of an input operand
  // A table entry rests on these inputs (by number) and results (by name).
  std::vector<int> inputs;
  std::vector<std::string> results;
};

enum class Op {
  Operand,    // a named operand
  Number,     // a literal number of the formula
  Add,        // a + b
  Sub,        // a - b
  Mul,        // a x b
  Div,        // a / b
  Neg,        // -a
  Sqrt,       // square root
  Pow,        // a to the power b
  Floor,      // largest whole number not above a
  RoundEven,  // nearest whole number, halves to even (also the conversion to an integer)
  Single,     // narrowed to a 32-bit float
  Less,       // comparisons: 1 or 0
  Greater,
  LessEq,
  GreaterEq,
  Equal,
  NotEqual,
  When,       // args[1], the branch taken because args[0] came out `truth`
  Procedure,  // a procedure over its arguments (tables, kinematics, sound speed)
  Convert,    // held value to the unit system shown
  Shown,      // rounded to the decimals shown
};

struct Node;
using NodePtr = std::shared_ptr<const Node>;

struct Node {
  Op op = Op::Number;
  double value = 0;  // the value as computed
  std::shared_ptr<const Operand> operand;
  std::vector<NodePtr> args;
  bool truth = false;  // When: the outcome of the condition
  std::string name;    // Procedure: what it does, in words
  // Procedure: computes the value again from its arguments' values.
  std::function<double(const std::vector<double>&)> rerun;
  UnitKind kind = UnitKind::None;  // Convert
  UnitMode mode = UnitMode::English;
  int decimals = 0;  // Shown
};

// One recorded value: a result by its name, or an output slot as "page0.N" / "page1.N".
struct Formula {
  std::string key;
  double value = 0;  // English units for a result, the shown number for a slot (NaN: no number)
  std::string unit;  // English unit of a result, shown unit of a slot
  UnitKind kind = UnitKind::None;
  NodePtr expr;
  std::string text;  // a slot's shown text
  // The further numbers a slot's text shows after the first ("A to B"), in order.
  std::vector<NodePtr> others;
};

class CalcRecord final {
 public:
  void Clear() { formulas_.clear(); }
  void Add(Formula f) { formulas_.push_back(std::move(f)); }
  const std::vector<Formula>& formulas() const noexcept { return formulas_; }
  // The formula of `key`, or nullptr.
  const Formula* Find(const std::string& key) const;

 private:
  std::vector<Formula> formulas_;
};

// Records every named result of the engine's last completed recalculation into `record`
// (replacing what it held). The engine must hold the results of its current inputs.
void RecordResults(const Engine& engine, CalcRecord& record);

// Records every output slot of both pages as shown in `mode`, over the results (added to a
// record that holds them): the formula of the first number a slot shows, and the slot's text
// from `shown`. The balance analysis slots are the analysis rerun over the kinematic tables.
void RecordOutputSlots(const Engine& engine, UnitMode mode, const EngineTexts& texts,
                       const OutputPanel& shown, CalcRecord& record);

// The first number in a slot's text ("55.10% of 1700" gives 55.1); NaN when it has none.
double FirstNumber(const std::string& text);

// Evaluates a formula again from its operands' values, in the order the model computes it. A
// condition that comes out otherwise than recorded gives NaN.
double Evaluate(const Node& node);

// The formula in words ("Bore x Bore x pi / 4") or with its numbers ("4.03 x 4.03 x ...").
std::string FormulaText(const Node& node, bool numbers);

// The distinct operands of a formula, in the order they first appear.
std::vector<std::shared_ptr<const Operand>> OperandsOf(const Node& node);

// Every input (by number) the value of `key` rests on, directly or through other results and
// tables, branch-deciding inputs included.
std::set<int> InputsOf(const CalcRecord& record, const std::string& key);

// Every result name and output slot whose value rests on input `n`.
std::vector<std::string> DependentsOf(const CalcRecord& record, int n);

// English unit and unit kind of a named result.
std::string ResultUnit(const std::string& name);
UnitKind ResultUnitKind(const std::string& name);
// The unit shown for `kind` in `mode` ("mm" for a metric length), `english` when it stays.
std::string ShownUnit(UnitKind kind, const std::string& english, UnitMode mode);
// English unit of input n.
std::string InputUnit(int n);

}  // namespace orv
