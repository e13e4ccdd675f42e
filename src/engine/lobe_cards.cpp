// The cam cards of every lobe of a folder.
#include "engine/lobe_cards.h"

#include <system_error>

#include "base/checked_fp.h"
#include "base/folder_files.h"
#include "base/runtime_error.h"
#include "base/text.h"
#include "cam/cam_folder.h"
#include "cam/cam_lobe.h"
#include "cam/cam_text_files.h"
#include "cam/lobe_data_file.h"
#include "engine/cam_open.h"
#include "engine/engine_inputs.h"
#include "engine/valve_tables.h"

namespace orv {

namespace {

namespace fs = std::filesystem;

constexpr const char* kIntakeColumn = "Intake";
constexpr const char* kExhaustColumn = "Exhaust";

// Places a read lobe in the engine as Open does (its lift into a cam-lift table with the lobe
// centre at entry 179), builds the valve tables with the side's settings and works out the card.
void CardOfLobe(const CamLobe& lobe, LobeCardRow& row, const EngineInputs& engine,
                const LobePlacement& placement, const std::vector<double>& checkHeights,
                bool keepCurves) {
  const bool own = placement.lobeSettings;
  const double centerline = placement.centerline
                                ? (row.intake ? *placement.centerline : -*placement.centerline)
                            : own ? lobe.Centerline()
                                  : (row.intake ? engine.I_CL : engine.E_CL);
  const float rockerRatio = placement.rockerRatio.value_or(
      own ? lobe.RockerRatio() : (row.intake ? engine.I_RR : engine.E_RR));
  const float lash =
      placement.lash.value_or(own ? lobe.Lash() : (row.intake ? engine.I_Lash : engine.E_Lash));
  try {
    FpRegion fp;
    BoundedArray<float> camLift{0, 0};
    LobeCamTable(lobe, camLift);
    BoundedArray<float> lift{0, 0};
    BoundedArray<float> velocity{0, 0};
    BuildValveTables(camLift, rockerRatio, lash, lobe.Smoothing(), lift, velocity);
    CheckFp();
    row.card = ComputeCamCard(lift, velocity, centerline, row.intake, checkHeights);
    CheckFp();
    if (keepCurves && row.card) {
      row.valveLift = lift.values();
      row.valveVelocity = velocity.values();
    }
  } catch (const RuntimeError& e) {
    row.card.reset();
    row.valveLift.clear();
    row.valveVelocity.clear();
    row.failure = "the valve lift cannot be worked out: " + e.description();
  }
}

// Where the readers below hand their rows, with the settings of the cards.
struct Sink {
  const EngineInputs& engine;
  const LobePlacement& placement;
  const std::vector<double>& checkHeights;
  bool keepCurves;
  const std::function<bool(LobeCardRow&&)>& take;
};

void AddLobeDataFile(const fs::path& path, const std::string& name, const Sink& sink) {
  std::vector<std::string> texts;
  std::vector<std::int16_t> shafts;
  if (CamLobe::ReadLobeList(path.string(), texts, shafts) != LobeDataError::Ok) return;
  for (std::size_t k = 0; k < texts.size(); ++k) {
    LobeCardRow row;
    row.file = name;
    row.lobe = std::string(Trim(texts[k]));
    const std::int16_t lobeNo = LobeNumberFromNodeText(row.lobe);
    row.intake = sink.placement.side.value_or(lobeNo > 0);
    CamLobe lobe;
    const LobeDataError err = lobe.ReadLobeDataFile(path.string(), shafts[k], lobeNo);
    if (err == LobeDataError::Ok) {
      CardOfLobe(lobe, row, sink.engine, sink.placement, sink.checkHeights, sink.keepCurves);
    } else {
      row.failure = LobeDataErrorText(err);
    }
    if (!sink.take(std::move(row))) return;
  }
}

// An S96 file (one row) or a cam document (a row for each column): read as Open reads them.
void AddCamTextFile(const fs::path& path, const std::string& name, bool document,
                    const Sink& sink) {
  for (const bool intake : {true, false}) {
    if (!document && !intake) break;
    LobeCardRow row;
    row.file = name;
    row.lobe = document ? (intake ? kIntakeColumn : kExhaustColumn) : "";
    row.intake = sink.placement.side.value_or(intake);
    CamLobe lobe;
    const CamTextError err = document ? ReadCamDocFile(path.string(), lobe, row.intake)
                                      : ReadS96File(path.string(), lobe);
    if (err == CamTextError::Ok) {
      try {
        lobe.DataCalc();
        CardOfLobe(lobe, row, sink.engine, sink.placement, sink.checkHeights, sink.keepCurves);
      } catch (const RuntimeError& e) {
        row.failure = "the lobe cannot be worked out: " + e.description();
      }
    } else {
      row.failure = CamTextErrorText(err);
    }
    if (!sink.take(std::move(row))) return;
  }
}

void AddFile(const fs::path& path, const std::string& name, const Sink& sink) {
  switch (CamFileKindOf(name)) {
    case CamFileKind::LobeData:
      AddLobeDataFile(path, name, sink);
      break;
    case CamFileKind::S96:
      AddCamTextFile(path, name, false, sink);
      break;
    case CamFileKind::CamDocument:
      AddCamTextFile(path, name, true, sink);
      break;
    case CamFileKind::None:
      break;
  }
}

}  // namespace

void LobeCardsOfFile(const fs::path& path, const EngineInputs& engine,
                     const LobePlacement& placement, const std::vector<double>& checkHeights,
                     bool keepCurves, const std::function<bool(LobeCardRow&&)>& take) {
  AddFile(path, path.filename().string(), Sink{engine, placement, checkHeights, keepCurves, take});
}

std::optional<std::vector<LobeCardRow>> LobeCards(const fs::path& path, const EngineInputs& engine,
                                                  const LobePlacement& placement,
                                                  const std::vector<double>& checkHeights,
                                                  std::string& why) {
  std::vector<LobeCardRow> rows;
  const std::function<bool(LobeCardRow &&)> take = [&rows](LobeCardRow&& row) {
    rows.push_back(std::move(row));
    return true;
  };
  const Sink sink{engine, placement, checkHeights, false, take};
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    // The cam dialog's order: lobe data files, then S96 files, then cam documents, each kind
    // by name.
    std::string failure;
    const std::vector<std::string> names = SortedFileNames(path, &failure);
    if (!failure.empty()) {
      why = failure;
      return std::nullopt;
    }
    for (const CamFileKind kind :
         {CamFileKind::LobeData, CamFileKind::S96, CamFileKind::CamDocument}) {
      for (const std::string& name : names) {
        if (CamFileKindOf(name) == kind) {
          AddFile(path / name, name, sink);
        }
      }
    }
    return rows;
  }
  const std::string name = path.filename().string();
  if (CamFileKindOf(name) == CamFileKind::None) {
    why = path.string() + " is neither a folder nor a cam file (.LBK, .S96 or .C1 to .C16)";
    return std::nullopt;
  }
  if (!fs::is_regular_file(path, ec)) {
    why = path.string() + " cannot be read: no such file";
    return std::nullopt;
  }
  AddFile(path, name, sink);
  return rows;
}

}  // namespace orv
