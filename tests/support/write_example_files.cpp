// Writes a small set of example files with our own writers, the kind an engine builder brings
// from a cam-measuring machine and a flow bench, for trying the program and for the worked
// examples of the user manual:
//   orvantis_write_examples <folder>
// creates <folder>/Cams/ (a lobe data file with an intake and an exhaust lobe, an S96 file and
// a cam document) and <folder>/Flow/ (a DOS test file, an SY3 file with an intake and an
// exhaust test, and a flow bench test database).
#include <cmath>
#include <filesystem>
#include <iostream>
#include <utility>
#include <vector>

#include "support/bench_database.h"
#include "support/cam_text_writer.h"
#include "support/lbk_writer.h"
#include "support/sy3_writer.h"
#include "support/sy_writer.h"

namespace {

using namespace orv::test;
namespace fs = std::filesystem;

constexpr double kPi = 3.14159265358979;

// Cam lift of a lobe at a cam angle from its centre: a smooth rise and fall over `duration`
// cam degrees at zero lift (a raised cosine), peak `maxLift` inches.
double LobeLift(double angle, double duration, double maxLift) {
  const double half = duration / 2;
  if (std::abs(angle) >= half) return 0;
  const double x = std::cos(angle / half * kPi / 2);
  return maxLift * x * x;
}

LbkLobe Lobe(std::int16_t no, double duration, double maxLift) {
  LbkLobe l;
  l.shaftNo = 1;
  l.lobeNo = no;
  l.centerlineCamDegrees = no > 0 ? 54 : -57;
  l.camCenterLine = no > 0 ? 108 : -114;
  l.rockerRatio = 1.7f;
  l.smoothing = 2;
  for (int k = 0; k < 360; ++k) {
    l.lift[static_cast<std::size_t>(k)] = float(LobeLift(k - 180, duration, maxLift));
  }
  return l;
}

void WriteCams(const fs::path& dir) {
  fs::create_directories(dir);
  LbkFile lbk;
  lbk.version = 6;
  lbk.notes = "Solid roller, 112 LSA. Measured 0.050 tappet lift checking height.";
  lbk.shaftNames[0] = "BBC-R";
  lbk.lobes = {Lobe(1, 150, 0.412), Lobe(-1, 156, 0.405)};
  WriteLbkFile(dir / "SOLID.LBK", lbk);

  std::vector<double> lift;
  for (int a = -180; a <= 179; ++a) lift.push_back(LobeLift(a, 140, 0.380));
  WriteTextFile(dir / "HR286.S96", S96Text(lift, 4, {"HR286 INTAKE"}));

  std::vector<std::pair<double, double>> rows;  // exhaust, intake
  for (int a = -180; a <= 179; ++a) {
    rows.emplace_back(LobeLift(a, 146, 0.360), LobeLift(a, 142, 0.370));
  }
  WriteTextFile(dir / "STREET.C4", CamDocText(rows));
}

// Corrected airflow of a 2.08 in intake valve at a lift, and its swirl.
float IntakeCfm(double lift) { return float(330 * (1 - std::exp(-lift / 0.24))); }
float ExhaustCfm(double lift) { return float(240 * (1 - std::exp(-lift / 0.22))); }

void WriteFlow(const fs::path& dir) {
  fs::create_directories(dir);
  SyFile sy;
  sy.version = 'E';
  sy.notes = "Head 12, intake port 3, as cast";
  sy.benchFile = "SF600";
  sy.barometer = 29.92f;
  sy.wetBulb = 58;
  sy.dryBulb = 72;
  sy.valveDia = 2.08f;
  sy.stemDia = 0.34f;
  sy.date = "04-12-24";
  sy.time = "10:15:00";
  for (int i = 1; i <= 8; ++i) {
    SyRecord r;
    r.lift = 0.1f * float(i);
    r.ccfm = std::round(IntakeCfm(r.lift) * 10) / 10;
    r.acfm = r.ccfm * 0.98f;
    r.swirl = float(20 * i);
    r.depr = 28;
    r.temperature1Tenths = 720;
    sy.records.push_back(r);
  }
  WriteSyFile(dir / "HEAD12.SY", sy);

  Sy3File sy3;
  sy3.version = 'B';
  auto test = [](const char* name, bool intake) {
    Sy3Test t;
    t.name = name;
    t.fullKind = 5;
    t.notes = intake ? "Ported intake, 2.08 valve" : "Ported exhaust, 1.60 valve";
    t.valveDia = intake ? 2.08f : 1.60f;
    t.stemDia = 0.34f;
    t.barometer = 29.92f;
    t.wetBulb = 58;
    t.dryBulb = 72;
    t.records = 8;
    for (int r = 0; r <= 8; ++r) {
      Sy3Row row;
      row.lift = 0.1f * float(r);
      row.ccfm = std::round((intake ? IntakeCfm(row.lift) : ExhaustCfm(row.lift)) * 10) / 10;
      row.acfm = row.ccfm * 0.98f;
      row.depr = 28;
      const auto v = Sy3RowValues(5, row, false);
      t.recordLength = static_cast<std::int16_t>(v.size());
      t.data.insert(t.data.end(), v.begin(), v.end());
    }
    return t;
  };
  sy3.tests = {test("INTAKE3", true), test("EXHAUST3", false)};
  WriteSy3File(dir / "PORTED.SY3", sy3);

  SampleBench().Write(dir / "BENCH.mdb");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: orvantis_write_examples <folder>\n";
    return 2;
  }
  const fs::path root = argv[1];
  WriteCams(root / "Cams");
  WriteFlow(root / "Flow");
  return 0;
}
