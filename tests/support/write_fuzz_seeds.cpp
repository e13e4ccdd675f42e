// Writes the seed corpora of the flow-test and cam-file reader fuzz targets with our own
// writers:
//   orvantis_write_fuzz_seeds <corpus folder>
// creates <folder>/dos_test_file/, sy3_test_file/, lobe_data_file/, s96_file/ and
// cam_document/.
#include <cmath>
#include <filesystem>
#include <iostream>
#include <utility>
#include <vector>

#include "support/cam_text_writer.h"
#include "support/lbk_writer.h"
#include "support/sy3_writer.h"
#include "support/sy_writer.h"

namespace {

using namespace orv::test;

SyFile DosSeed(char version, int records) {
  SyFile f;
  f.version = version;
  f.notes = "Seed";
  f.benchCode = 3;
  f.xArea = {2, 1.5f, 0, 0};
  f.barometer = 29.92f;
  f.wetBulb = 59;
  f.dryBulb = 70;
  f.valveDia = 2;
  f.stemDia = 0.34f;
  for (int i = 1; i <= records; ++i) {
    SyRecord r;
    r.lift = 0.1f * float(i);
    r.ccfm = 100.0f * float(i);
    r.depr = 28;
    r.pitot[1] = 2;
    f.records.push_back(r);
  }
  return f;
}

Sy3Test Sy3Seed(const char* name, int kind, bool version1) {
  Sy3Test t;
  t.name = name;
  t.fullKind = static_cast<std::int16_t>(kind);
  t.valveDia = 2;
  t.pitotPerLift = kind == 5 ? 2 : 0;
  t.records = 2;
  if (kind == 4) {
    t.planeBytes[0] = 0x6B;  // 11 regions
    t.records = 1;
    t.data = {70, 28};
    for (int r = 1; r <= 11; ++r) {
      t.data.push_back(float(r));
      t.data.push_back(float(-r));
    }
    t.recordLength = static_cast<std::int16_t>(t.data.size());
    return t;
  }
  for (int r = 0; r <= 2; ++r) {
    Sy3Row row;
    row.lift = 0.1f * float(r);
    row.ccfm = 100.0f * float(r);
    row.depr = 28;
    row.pitots = {1, 2};
    const auto v = Sy3RowValues(kind, row, version1);
    t.recordLength = static_cast<std::int16_t>(v.size());
    t.data.insert(t.data.end(), v.begin(), v.end());
  }
  return t;
}

// A lobe rising and falling 0.006 per degree around its centre (peak 0.36).
double SeedLift(int angle) { return std::max(0.0, 0.36 - 0.006 * std::abs(angle)); }

LbkLobe SeedLobe(std::int16_t shaft, std::int16_t no) {
  LbkLobe l;
  l.shaftNo = shaft;
  l.lobeNo = no;
  l.centerlineCamDegrees = no > 0 ? 54 : -54;
  l.camCenterLine = no > 0 ? 108 : -108;
  l.rockerRatio = 1.7f;
  l.smoothing = 2;
  for (int k = 0; k < 360; ++k) l.lift[static_cast<std::size_t>(k)] = float(SeedLift(k - 180));
  return l;
}

void WriteCamSeeds(const std::filesystem::path& root) {
  const auto lbk = root / "lobe_data_file";
  const auto s96 = root / "s96_file";
  const auto doc = root / "cam_document";
  for (const auto& dir : {lbk, s96, doc}) std::filesystem::create_directories(dir);

  LbkFile v2;
  v2.version = 2;
  v2.notes = "Seed";
  v2.lobes = {SeedLobe(1, 1), SeedLobe(1, -1)};
  WriteLbkFile(lbk / "version2.LBK", v2);
  LbkFile v4 = v2;
  v4.version = 4;
  v4.shaftCount = 2;
  v4.shaftNames[0] = "FRONT";
  v4.lobes = {SeedLobe(1, 105), SeedLobe(2, -212)};
  WriteLbkFile(lbk / "version4.LBK", v4);
  // Version 8 with a rocker and a follower conversion.
  LbkFile v8;
  v8.version = 8;
  LbkLobe rocker = SeedLobe(1, 3);
  rocker.geometryCount = 2;
  rocker.followerMode = 4;
  rocker.followerRadius = 0.375f;
  rocker.baseCircleRadius = 1;
  rocker.engineFollowerRadius = 0.5f;
  rocker.rockerRollerRadius = 0.5f;
  rocker.pivotDistance = 2.2f;
  rocker.rockerCamArm = 2;
  rocker.valveTriangleA = 0.75f;
  rocker.rockerValveArm = 1;
  rocker.valveTriangleC = 1.25f;
  rocker.geometryAngle = 4;
  rocker.angleOffset = 1.5f;
  v8.lobes = {rocker};
  WriteLbkFile(lbk / "version8.LBK", v8);

  std::vector<double> lift;
  for (int i = -180; i <= 179; ++i) lift.push_back(SeedLift(i - 20));
  WriteTextFile(s96 / "inches.S96", S96Text(lift, 4, {"HEADER"}));
  for (double& v : lift) v *= 25.4;
  WriteTextFile(s96 / "millimetres.S96", S96Text(lift, 3));

  std::vector<std::pair<double, double>> rows;
  for (int i = -180; i <= 179; ++i) rows.emplace_back(SeedLift(i + 108), SeedLift(i - 108));
  WriteTextFile(doc / "degrees.C1", CamDocText(rows));
  // Tenths of a degree: 3600 short lines, 12001 bytes.
  std::string tenths;
  for (int i = -1800; i <= 1799; ++i) tenths += i >= 500 && i <= 1700 ? ",1\r\n" : ",\r\n";
  WriteTextFile(doc / "tenths.C2", tenths);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: orvantis_write_fuzz_seeds <corpus folder>\n";
    return 2;
  }
  const std::filesystem::path root = argv[1];
  std::filesystem::create_directories(root / "dos_test_file");
  std::filesystem::create_directories(root / "sy3_test_file");
  WriteSyFile(root / "dos_test_file" / "class2.SY", DosSeed('B', 3));
  WriteSyFile(root / "dos_test_file" / "class3.SY", DosSeed('a', 2));
  WriteSyFile(root / "dos_test_file" / "class4.SY", DosSeed('D', 2));
  WriteSyFile(root / "dos_test_file" / "class5.SY", DosSeed('v', 4));
  for (char version : {'A', 'B'}) {
    Sy3File f;
    f.version = version;
    f.fileNotes = "Seed file";
    const bool v1 = version == 'A';
    f.tests = {Sy3Seed("LIFT", 5, v1), Sy3Seed("AUTO", 2, v1), Sy3Seed("DEPR", 3, v1),
               Sy3Seed("CARB", 6, v1), Sy3Seed("KBD", 10, v1), Sy3Seed("MAP", 4, v1)};
    WriteSy3File(root / "sy3_test_file" / (std::string("version") + version + ".SY3"), f);
  }
  WriteCamSeeds(root);
  return 0;
}
