#include "app/dump_json.h"

#include <charconv>
#include <cstdlib>
#include <string>

#include "app/curves_csv.h"
#include "base/codepage.h"

namespace orv {

using Json = nlohmann::ordered_json;

double SingleForJson(float value) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf - 1, value);
  *res.ptr = '\0';
  return std::strtod(buf, nullptr);
}

namespace {

Json SingleArray(const BoundedArray<float>& table) {
  Json a = Json::array();
  for (float v : table.values()) a.push_back(SingleForJson(v));
  return a;
}

Json InputsJson(const EngineInputs& in) {
  Json j;
  j["VE"] = in.VE;
  j["CriticalG"] = in.CriticalG;
  j["Stroke"] = in.Stroke;
  j["Bore"] = in.Bore;
  j["PinEndWeight"] = in.PinEndWeight;
  j["PinWt"] = in.PinWt;
  j["RodLen"] = in.RodLen;
  j["CR"] = in.CR;
  j["DeckHeight"] = in.DeckHeight;
  j["Cylinders"] = in.Cylinders;
  j["FiringAngle"] = in.FiringAngle;
  j["IntCFM"] = in.IntCFM;
  j["VTType"] = in.VTType;
  j["Advance"] = in.Advance;
  j["PkTorqRPM"] = in.PkTorqRPM;
  j["PkPwrRPM"] = in.PkPwrRPM;
  j["TorqLoss"] = in.TorqLoss;
  j["IntTemp"] = in.IntTemp;
  j["MxIntVel"] = in.MxIntVel;
  j["PinOff"] = in.PinOff;
  j["Fuel"] = in.Fuel;
  j["CritIntVel"] = in.CritIntVel;
  j["ExOD"] = in.ExOD;
  j["PcntDrop"] = in.PcntDrop;
  j["IVlvDia"] = in.IVlvDia;
  j["IVlvStm"] = in.IVlvStm;
  j["BowlA"] = in.BowlA;
  j["IVlvCnt"] = in.IVlvCnt;
  j["EVlvDia"] = in.EVlvDia;
  j["RecipBF"] = SingleForJson(in.RecipBF);
  j["EnterAirPP"] = in.EnterAirPP;
  j["ICam"] = Utf8OrCp1252ToUtf8(in.intakeCam.path);
  j["I_CL"] = in.I_CL;
  j["I_LNo"] = in.intakeCam.lobeNo;
  j["I_SNo"] = in.intakeCam.shaftNo;
  j["I_RR"] = SingleForJson(in.I_RR);
  j["I_Lash"] = SingleForJson(in.I_Lash);
  j["IAir"] = Utf8OrCp1252ToUtf8(in.intakeFlow.path);
  j["IA_Name"] = Utf8OrCp1252ToUtf8(in.intakeFlow.name);
  j["IA_ID"] = in.intakeFlow.testId;
  j["IA_Kd"] = in.intakeFlow.kind;
  j["KbdFlow_I"] = in.intakeFlow.keyboard;
  j["ECam"] = Utf8OrCp1252ToUtf8(in.exhaustCam.path);
  j["E_CL"] = in.E_CL;
  j["E_LNo"] = in.exhaustCam.lobeNo;
  j["E_SNo"] = in.exhaustCam.shaftNo;
  j["E_RR"] = SingleForJson(in.E_RR);
  j["E_Lash"] = SingleForJson(in.E_Lash);
  j["EAir"] = Utf8OrCp1252ToUtf8(in.exhaustFlow.path);
  j["EA_Name"] = Utf8OrCp1252ToUtf8(in.exhaustFlow.name);
  j["EA_ID"] = in.exhaustFlow.testId;
  j["EA_Kd"] = in.exhaustFlow.kind;
  j["KbdFlow_E"] = in.exhaustFlow.keyboard;
  j["ILift"] = SingleArray(in.ILift);
  j["ICfm"] = SingleArray(in.ICfm);
  j["ISwirl"] = SingleArray(in.ISwirl);
  j["ELift"] = SingleArray(in.ELift);
  j["ECfm"] = SingleArray(in.ECfm);
  j["LeadTime"] = in.LeadTime;
  j["IntakeCam"] = Json{{"Smth", in.IntSmth}, {"Int", SingleArray(in.Int)}};
  j["ExhaustCam"] = Json{{"Smth", in.ExhSmth}, {"Exh", SingleArray(in.Exh)}};
  return j;
}

}  // namespace

Json DumpJson(const EngineDocument& document) {
  const Engine& e = document.engine();
  const InputController& panel = document.controller();
  Json j;
  j["inputs"] = InputsJson(e.inputs());
  j["status"] = panel.panel().status;
  Json suggestions = Json::object();
  for (int n = 0; n < InputPanel::kStatuses; ++n) {
    const std::string& s = panel.panel().suggestion[static_cast<std::size_t>(n)];
    if (!s.empty()) suggestions[std::to_string(n)] = s;
  }
  j["suggestions"] = suggestions;
  j["warning"] = panel.panel().warningVisible;
  Json results;
  ForEachResult(e.results(), [&](const char* name, double v) { results[name] = v; });
  // The speed of sound in hot exhaust gas, set by every recalculation with the reference values.
  results["HotGasSound"] = e.constants().HotGasSound;
  j["results"] = results;
  Json tables;
  ForEachTable(e.tables(),
               [&](const char* name, const BoundedArray<double>& t) { tables[name] = t.values(); });
  j["tables"] = tables;
  auto pageJson = [](const std::map<int, std::string>& page) {
    Json p = Json::object();
    for (const auto& [slot, text] : page) p[std::to_string(slot)] = text;
    return p;
  };
  j["outputs"] =
      Json{{"page0", pageJson(panel.outputs().page0)}, {"page1", pageJson(panel.outputs().page1)}};
  Json curves = Json::object();
  for (int code = 1; code <= 13; ++code) {
    Json values = Json::array();
    for (int n = -360; n <= 360; ++n) {
      const double v = e.DataAtPt(code, n);
      values.push_back(CurveIsSingle(code) ? SingleForJson(static_cast<float>(v)) : v);
    }
    curves[std::to_string(code)] = std::move(values);
  }
  j["curves"] = std::move(curves);
  return j;
}

std::string DumpJsonText(const EngineDocument& document) {
  // The texts above are made UTF-8 already; the writer's own replacement of malformed bytes
  // is the last guard for any text that reaches it otherwise.
  return DumpJson(document).dump(1, ' ', false, Json::error_handler_t::replace);
}
}  // namespace orv
