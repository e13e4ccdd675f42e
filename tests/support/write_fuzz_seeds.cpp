// Writes the seed corpora of the flow-test reader fuzz targets with our own writers:
//   orvantis_write_fuzz_seeds <corpus folder>
// creates <folder>/dos_test_file/ and <folder>/sy3_test_file/.
#include <filesystem>
#include <iostream>

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
  return 0;
}
