#include "engine/cam_open.h"

#include <cstdint>
#include <utility>

#include "base/error_trace.h"
#include "base/rounding.h"
#include "cam/cam_lobe.h"
#include "cam/cam_text_files.h"
#include "cam/lobe_data_file.h"
#include "engine/engine.h"

namespace orv {

namespace {

constexpr const char* kDialogModule = "frmCamSelect";

// Runs one step of Open; an error is reported (its message kept) and the next step follows.
template <class Step>
void RunStep(std::vector<std::string>& reports, Step step) {
  ETracker guard(kDialogModule, "cmdOpen_Click");
  try {
    step();
  } catch (...) {
    reports.push_back(EStackTrace::Instance().ReportCurrentException(guard));
  }
}

CamLobe& SideLobe(Engine& engine, bool intake) {
  return intake ? engine.intakeLobe() : engine.exhaustLobe();
}

}  // namespace

LobeDataError LoadLBKFile(Engine& engine, const std::string& path, std::int16_t shaftNo,
                          std::int16_t lobeNo, bool intake, std::string* report) {
  CamLobe lobe;
  const LobeDataError err =
      lobe.ReadLobeDataFile(path, shaftNo, lobeNo, LobeDataPart::WholeLobe, report);
  if (err == LobeDataError::Ok) SideLobe(engine, intake) = std::move(lobe);
  return err;
}

void LobeCamTable(const CamLobe& lobe, BoundedArray<float>& table) {
  // The turn that brings the lobe centre (at CamCenterLine / 2 cam degrees) to entry 179.
  const float centre = 179 - lobe.CamCenterLine() / 2;
  const std::int32_t s = ToInt32(RoundHalfEven(centre));
  const int curve = lobe.LinearOnValve() ? CamLobe::kCurveValveLift : CamLobe::kCurveCamLift;
  table.Redim(0, 359);
  for (int a = -179; a <= 180; ++a) {
    const std::int64_t entry = ((static_cast<std::int64_t>(a) + s) % 360 + 360) % 360;
    table[static_cast<int>(entry)] = lobe.CamDataValue(curve, a);
  }
}

void CopyLobeToEngine(Engine& engine, bool intake) {
  ETracker guard(kDialogModule, "CopyLobeToEngine");
  const CamLobe& lobe = SideLobe(engine, intake);
  EngineInputs& in = engine.inputs();
  LobeCamTable(lobe, intake ? in.Int : in.Exh);
  (intake ? in.IntSmth : in.ExhSmth) = lobe.Smoothing();
}

CamOpenResult OpenCamLobe(Engine& engine, bool intake, const LobeChoice& choice) {
  CamOpenResult result;
  RunStep(result.reports, [&] {
    CamLobe& lobe = SideLobe(engine, intake);
    std::string report;
    switch (choice.kind) {
      case CamFileKind::CamDocument:
        result.errFlag = static_cast<std::int16_t>(
            ReadCamDocFile(choice.path, lobe, choice.intakeColumn, &report));
        if (result.errFlag == static_cast<std::int16_t>(CamTextError::Ok)) {
          result.read = true;
          lobe.DataCalc();
          result.changed = true;
        }
        break;
      case CamFileKind::S96:
        result.errFlag = static_cast<std::int16_t>(ReadS96File(choice.path, lobe, &report));
        if (result.errFlag == static_cast<std::int16_t>(CamTextError::Ok)) {
          result.read = true;
          result.changed = true;
          lobe.DataCalc();
        }
        break;
      case CamFileKind::LobeData: {
        const LobeDataError err =
            LoadLBKFile(engine, choice.path, choice.shaftNo, choice.lobeNo, intake, &report);
        result.errFlag = static_cast<std::int16_t>(err);
        result.read = err == LobeDataError::Ok;
        result.changed = true;
        break;
      }
      case CamFileKind::None:
        return;
    }
    if (!report.empty()) result.reports.push_back(std::move(report));
  });
  if (choice.kind == CamFileKind::None) return result;

  RunStep(result.reports, [&] { CopyLobeToEngine(engine, intake); });
  RunStep(result.reports, [&] { SideLobe(engine, intake).DataCalc(); });
  if (result.read) {
    // The engine takes over where the lobe came from and the settings it was read with.
    const CamLobe& lobe = SideLobe(engine, intake);
    EngineInputs& in = engine.inputs();
    (intake ? in.intakeCam : in.exhaustCam) =
        CamFileRef{lobe.PathFile(), lobe.LobeNo(), lobe.ShaftNo()};
    (intake ? in.I_CL : in.E_CL) = lobe.Centerline();
    (intake ? in.I_RR : in.E_RR) = lobe.RockerRatio();
    (intake ? in.I_Lash : in.E_Lash) = lobe.Lash();
  }
  RunStep(result.reports, [&] { engine.RebuildValveTables(); });
  return result;
}

}  // namespace orv
