#include "app/explain_command.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "engine/engine.h"
#include "engine/input_controller.h"

namespace orv {

namespace {

const char* FromName(OperandFrom from) {
  switch (from) {
    case OperandFrom::Input:
      return "input";
    case OperandFrom::Result:
      return "result";
    case OperandFrom::Constant:
      return "constant";
    case OperandFrom::Table:
      return "table";
  }
  return "constant";
}

bool IsSlot(const std::string& key) { return key.rfind("page", 0) == 0; }

// A slot's number before it is rounded to the decimals shown, so that a step smaller than the
// last shown decimal still shows its effect.
double Unrounded(const Node& n) {
  if (n.op == Op::Shown) return n.args[0]->value;
  if (n.op == Op::When) return Unrounded(*n.args[1]);
  return n.value;
}

// A number for JSON: NaN and infinities as null.
nlohmann::ordered_json JsonNumber(double x) {
  if (!std::isfinite(x)) return nullptr;
  return x;
}

double OperandShown(const Operand& o, UnitMode mode) {
  if (o.from == OperandFrom::Input || o.from == OperandFrom::Result) {
    return ToDisplay(o.kind, o.value, mode);
  }
  return o.value;
}

std::string NumberText(double x) {
  if (!std::isfinite(x)) return "(none)";
  std::ostringstream s;
  s.precision(10);
  s << x;
  return s.str();
}

// The results a formula uses, each once.
std::vector<std::string> ResultOperands(const Formula& f) {
  std::vector<std::string> names;
  for (const auto& o : OperandsOf(*f.expr)) {
    if (o->from == OperandFrom::Result) names.push_back(o->key);
  }
  return names;
}

void AppendText(const CalcRecord& record, const std::string& key, UnitMode mode, int depth,
                const std::string& indent, std::string& out) {
  const Formula* f = record.Find(key);
  if (f == nullptr) return;
  const std::string unit = ShownUnitOf(*f, mode);
  out += indent + key + " = " + NumberText(ShownValue(*f, mode)) + (unit.empty() ? "" : " ") +
         unit + "\n";
  if (!f->text.empty()) out += indent + "  shown:    \"" + f->text + "\"\n";
  out += indent + "  formula:  " + FormulaText(*f->expr, false) + "\n";
  out += indent + "  numbers:  " + FormulaText(*f->expr, true) + "\n";
  for (const auto& o : OperandsOf(*f->expr)) {
    const std::string u = ShownUnit(o->kind, o->unit, mode);
    out += indent + "    " + o->name + " = " + NumberText(OperandShown(*o, mode)) +
           (u.empty() ? "" : " ") + u + "  (" + FromName(o->from) +
           (o->key.empty() || o->key == o->name ? "" : " " + o->key) + ")\n";
  }
  std::string inputs;
  for (const std::string& k : InputKeysOf(record, key)) inputs += (inputs.empty() ? "" : ", ") + k;
  out += indent + "  inputs:   " + (inputs.empty() ? "(none)" : inputs) + "\n";
  if (depth <= 0) return;
  for (const std::string& name : ResultOperands(*f)) {
    AppendText(record, name, mode, depth - 1, indent + "    ", out);
  }
}

}  // namespace

CalcRecord RecordEngine(const InputController& controller) {
  Engine copy = controller.engine();
  InputController view(copy);
  view.SetTexts(controller.texts());
  view.SetUnitMode(controller.unitMode());
  CalcRecord record;
  if (copy.ReCalc(-1, nullptr, &record) != Engine::CalcOutcome::Complete) return record;
  view.FillBothOutputPages();
  RecordOutputSlots(copy, controller.unitMode(), controller.texts(), view.outputs(), record);
  return record;
}

bool IsExplainable(const CalcRecord& record, const std::string& key) {
  return record.Find(key) != nullptr;
}

double ShownValue(const Formula& f, UnitMode mode) {
  return IsSlot(f.key) ? f.value : ToDisplay(f.kind, f.value, mode);
}

std::string ShownUnitOf(const Formula& f, UnitMode mode) {
  return IsSlot(f.key) ? f.unit : ShownUnit(f.kind, f.unit, mode);
}

std::vector<std::string> InputKeysOf(const CalcRecord& record, const std::string& key) {
  std::vector<std::string> keys;
  for (int n : InputsOf(record, key)) keys.emplace_back(InputInfoOf(n).key);
  return keys;
}

std::vector<SensitivityRow> Sensitivity(const InputController& controller, const CalcRecord& record,
                                        const std::string& key) {
  const Formula* f = record.Find(key);
  if (f == nullptr) return {};
  const UnitMode mode = controller.unitMode();
  const bool slot = IsSlot(key);
  auto measure = [&](const Engine& e) {
    if (slot) {
      CalcRecord slots;
      RecordOutputSlots(e, mode, controller.texts(), OutputPanel{}, slots);
      const Formula* s = slots.Find(key);
      return s != nullptr && s->expr ? Unrounded(*s->expr) : std::nan("");
    }
    double v = std::nan("");
    ForEachResult(e.results(), [&](const char* name, double x) {
      if (key == name) v = x;
    });
    return ToDisplay(f->kind, v, mode);
  };
  const Engine& base = controller.engine();
  const double before = measure(base);

  std::vector<SensitivityRow> rows;
  for (int n : InputsOf(record, key)) {
    const InputInfo& info = InputInfoOf(n);
    const bool choice = n == kInVTType || n == kInFuel;
    const bool count = n == kInCylinders || n == kInIVlvCnt || n == kInEVlvCnt;
    SensitivityRow row;
    row.input = info.key;
    row.number = n;
    row.step = choice ? 1 : std::pow(10.0, -DisplayFormat(info.unit, info.format, mode).decimals);
    const double held = InputValue(base.inputs(), n);
    auto moved = [&](double direction) -> std::optional<double> {
      double target = 0;
      if (choice) {
        target = held + direction;
        if (target < 0 || target > 2) return std::nullopt;
      } else {
        target =
            FromDisplay(info.unit, ToDisplay(info.unit, held, mode) + direction * row.step, mode);
        if (count && target < 1) return std::nullopt;
      }
      Engine e = base;
      try {
        StoreInputValue(e.inputs(), n, target);
        if (e.ReCalc(-1) != Engine::CalcOutcome::Complete) return std::nullopt;
        const double after = measure(e);
        if (!std::isfinite(after) || !std::isfinite(before)) return std::nullopt;
        return after - before;
      } catch (...) {
        return std::nullopt;  // the engine cannot be calculated with this step
      }
    };
    row.up = moved(1);
    row.down = moved(-1);
    rows.push_back(row);
  }
  auto size = [](const SensitivityRow& r) {
    return std::max(r.up ? std::fabs(*r.up) : 0.0, r.down ? std::fabs(*r.down) : 0.0);
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const SensitivityRow& a, const SensitivityRow& b) {
    return size(a) > size(b);
  });
  return rows;
}

nlohmann::ordered_json ExplainJson(const CalcRecord& record, const std::string& key, UnitMode mode,
                                   int depth) {
  using Json = nlohmann::ordered_json;
  const Formula* f = record.Find(key);
  if (f == nullptr) return nullptr;
  Json j;
  j["key"] = key;
  j["value"] = JsonNumber(ShownValue(*f, mode));
  j["unit"] = ShownUnitOf(*f, mode);
  if (IsSlot(key)) j["text"] = f->text;
  j["formula"] = FormulaText(*f->expr, false);
  j["numbers"] = FormulaText(*f->expr, true);
  Json operands = Json::array();
  for (const auto& o : OperandsOf(*f->expr)) {
    Json op;
    op["name"] = o->name;
    op["value"] = JsonNumber(OperandShown(*o, mode));
    op["unit"] = ShownUnit(o->kind, o->unit, mode);
    op["from"] = FromName(o->from);
    if (o->key.empty()) {
      op["key"] = nullptr;
    } else {
      op["key"] = o->key;
    }
    operands.push_back(op);
  }
  j["operands"] = operands;
  j["inputs"] = InputKeysOf(record, key);
  Json explains = Json::array();
  if (depth > 0) {
    for (const std::string& name : ResultOperands(*f)) {
      explains.push_back(ExplainJson(record, name, mode, depth - 1));
    }
  }
  j["explains"] = explains;
  return j;
}

std::string ExplainText(const CalcRecord& record, const std::string& key, UnitMode mode,
                        int depth) {
  std::string out;
  AppendText(record, key, mode, depth, "", out);
  return out;
}

nlohmann::ordered_json SensitivityJson(const std::vector<SensitivityRow>& rows) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const SensitivityRow& r : rows) {
    nlohmann::ordered_json j;
    j["input"] = r.input;
    j["step"] = r.step;
    j["up"] = r.up ? JsonNumber(*r.up) : nullptr;
    j["down"] = r.down ? JsonNumber(*r.down) : nullptr;
    list.push_back(j);
  }
  return list;
}

std::string SensitivityText(const std::vector<SensitivityRow>& rows) {
  std::string out = "sensitivity (change for one step of each input, up / down):\n";
  for (const SensitivityRow& r : rows) {
    out += "  " + r.input + " +/-" + NumberText(r.step) + ":  " +
           (r.up ? NumberText(*r.up) : "(cannot)") + " / " +
           (r.down ? NumberText(*r.down) : "(cannot)") + "\n";
  }
  return out;
}

}  // namespace orv
