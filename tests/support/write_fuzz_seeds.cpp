// Writes the seed corpora of the flow-test and cam-file reader fuzz targets with our own
// writers:
//   orvantis_write_fuzz_seeds <corpus folder> [<orvantis executable>]
// creates <folder>/dos_test_file/, sy3_test_file/, lobe_data_file/, s96_file/, cam_document/,
// jet_like/ and jet_database/ (small bench databases, whole and damaged); given the program, which
// reads test databases, also jet_table_stream/ (what its reader hands back for the sample bench,
// and a request) and database_disk_cache/ (a cache file of the sample bench, made for the state of
// the database the fuzz target names).
#include <sqlite3.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "airflow/jet_reader_process.h"
#include "airflow/jet_table_stream.h"
#include "airflow/test_database.h"
#include "airflow/test_list_query.h"
#include "support/bench_database.h"
#include "support/cam_text_writer.h"
#include "support/lbk_writer.h"
#include "support/sy3_writer.h"
#include "support/sy_writer.h"
#include "support/temp_dir.h"

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

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

void WriteLikeSeeds(const std::filesystem::path& root) {
  const std::filesystem::path like = root / "jet_like";
  std::filesystem::create_directories(like);
  const std::pair<const char*, std::string> seeds[] = {
      {"case.txt", std::string("café au lait\0*CAFÉ*", 21)},
      {"list.txt", std::string("qx\0[qz]x", 8)},
      {"digit.txt", std::string("a1c\0a#c", 8)},
      {"stars.txt", std::string("mississippi\0m*iss*p?i", 22)},
      {"negated.txt", std::string("b\0[!a-c]", 8)},
      {"brackets.txt", std::string("[x]\0[[]x]", 9)},
  };
  for (const auto& [name, bytes] : seeds) WriteBytes(like / name, bytes);
}

// The pages of a database file, Jet 4 or Jet 3, for the damage done to the seeds below.
class JetPages {
 public:
  JetPages(std::string bytes, bool jet3)
      : bytes_(std::move(bytes)), page_(jet3 ? 2048 : 4096), rowCountAt_(jet3 ? 8 : 12) {}

  std::string& bytes() { return bytes_; }
  std::size_t pageSize() const { return page_; }

  unsigned U16(std::size_t at) const {
    return static_cast<unsigned char>(bytes_.at(at)) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes_.at(at + 1))) << 8;
  }
  std::uint32_t U32(std::size_t at) const {
    return U16(at) | static_cast<std::uint32_t>(U16(at + 2)) << 16;
  }
  void Put16(std::size_t at, unsigned v) {
    bytes_.at(at) = static_cast<char>(v & 0xFF);
    bytes_.at(at + 1) = static_cast<char>((v >> 8) & 0xFF);
  }
  void Put32(std::size_t at, std::uint32_t v) {
    Put16(at, v & 0xFFFF);
    Put16(at + 2, v >> 16);
  }

  // The data pages whose owner is `owner` (a definition page, or "LVAL"), as byte offsets.
  std::vector<std::size_t> DataPages(std::uint32_t owner) const {
    std::vector<std::size_t> pages;
    for (std::size_t p = 0; p + page_ <= bytes_.size(); p += page_) {
      if (bytes_[p] == '\x01' && U32(p + 4) == owner) pages.push_back(p);
    }
    return pages;
  }
  unsigned RowCount(std::size_t page) const { return U16(page + rowCountAt_); }
  // Where the offset of row `r` of the page at `page` is kept.
  std::size_t RowOffsetAt(std::size_t page, unsigned r) const {
    return page + rowCountAt_ + 2 + 2 * std::size_t{r};
  }
  // Row `r` of the page at `page`: its first byte and its end.
  std::pair<std::size_t, std::size_t> Row(std::size_t page, unsigned r) const {
    const std::size_t start = page + (U16(RowOffsetAt(page, r)) & 0x1FFF);
    const std::size_t end = r == 0 ? page + page_ : page + (U16(RowOffsetAt(page, r - 1)) & 0x1FFF);
    return {start, end};
  }

 private:
  std::string bytes_;
  std::size_t page_;
  std::size_t rowCountAt_;
};

// A small bench: "TblTest" with the columns of every type the program reads (the rest left
// out, so that its definition fits one page) and three tests; test 1's notes are `notes`.
BenchDatabase SmallBench(const std::string& notes) {
  BenchDatabase b;
  for (const std::string& table : BenchDatabase::TableNames()) {
    if (table != "TblTest") b.OmitTable(table);
  }
  const std::set<std::string> kept = {"ID",     "TestKind", "TestName",   "HeadMfg",
                                      "Date",   "Time",     "Notes",      "CustomerID",
                                      "AvgCfm", "UseRH",    "CylinderNo", "CustomA"};
  for (const JetColumn& c : BenchDatabase::Columns("TblTest")) {
    if (kept.count(c.name) == 0) b.Omit("TblTest", c.name);
  }
  using I = std::int64_t;
  b.Add("TblTest", {{"ID", I{1}},
                    {"TestKind", I{2}},
                    {"TestName", std::string("SBC Auto Intake")},
                    {"HeadMfg", std::string("Brodix")},
                    {"Date", JetDayNumber(2024, 3, 14)},
                    {"Time", std::string("10:15")},
                    {"Notes", notes},
                    {"CustomerID", I{1}},
                    {"AvgCfm", 210.5},
                    {"UseRH", true},
                    {"CylinderNo", I{1}},
                    {"CustomA", std::string("Zürich €")}});
  b.Add("TblTest", {{"ID", I{2}},
                    {"TestKind", I{3}},
                    {"TestName", std::string("Depression Sweep")},
                    {"Notes", std::string("Short notes")},
                    {"AvgCfm", 180.0}});
  b.Add("TblTest", {{"ID", I{5}}, {"TestKind", I{5}}, {"UseRH", false}});
  return b;
}

// Small bench databases, whole and damaged: a whole Jet 4 file whose test has notes on a
// long-value page; a Jet 3 one whose catalog row of "TblTest" lies one byte later than it
// should; a Jet 3 one whose long notes are a chain of pieces whose first names itself as the
// next; and the whole file cut in the middle of its rows' page.
void WriteDatabaseSeeds(const std::filesystem::path& root) {
  const std::filesystem::path seeds = root / "jet_database";
  std::filesystem::create_directories(seeds);
  JetWriteOptions jet3;
  jet3.jet3 = true;

  const std::string whole = WriteJet4Database(SmallBench(std::string(1500, 'n')).Tables());
  WriteBytes(seeds / "whole.mdb", whole);

  {
    JetPages file(WriteJet3Database(SmallBench("Ported by hand").Tables(), jet3), true);
    const std::vector<std::size_t> catalog = file.DataPages(2);
    if (catalog.size() != 1) throw std::runtime_error("the catalog is not on one page");
    const std::size_t page = catalog.front();
    const std::size_t name = file.bytes().find("TblTest", page);
    for (unsigned r = 0; r < file.RowCount(page); ++r) {
      const auto [start, end] = file.Row(page, r);
      if (name < start || name >= end) continue;
      file.Put16(file.RowOffsetAt(page, r), file.U16(file.RowOffsetAt(page, r)) + 1);
      WriteBytes(seeds / "catalog-bad-row.mdb", file.bytes());
    }
  }

  {
    // 3000 bytes take two pieces of a 2048-byte page; the first is written last.
    JetPages file(WriteJet3Database(SmallBench(std::string(3000, 'n')).Tables(), jet3), true);
    const std::vector<std::size_t> pages = file.DataPages(0x4C41564C);  // "LVAL"
    if (pages.size() < 2) throw std::runtime_error("the long notes are not a chain");
    const std::size_t page = pages.back();
    const unsigned r = file.RowCount(page) - 1;
    const auto pointer = static_cast<std::uint32_t>(page / file.pageSize()) << 8 | r;
    file.Put32(file.Row(page, r).first, pointer);
    WriteBytes(seeds / "notes-circle.mdb", file.bytes());
  }

  {
    // The one data page that is neither the catalog's nor a long value's holds the tests.
    const JetPages file(whole, false);
    for (std::size_t p = 0; p + file.pageSize() <= whole.size(); p += file.pageSize()) {
      const std::uint32_t owner = file.U32(p + 4);
      if (whole[p] != '\x01' || owner == 2 || owner == 0x4C41564C) continue;
      WriteBytes(seeds / "cut.mdb", whole.substr(0, p + file.pageSize() / 2));
    }
  }
}

// What the reader of `program` hands back for the sample bench: its catalog, some tables whole
// and some rows of one test; and a request.
void WriteStreamSeeds(const std::filesystem::path& root, const std::filesystem::path& program) {
  const std::filesystem::path streams = root / "jet_table_stream";
  std::filesystem::create_directories(streams);
  TempDir dir;
  SampleBench().Write(dir / "bench.mdb");
  orv::JetReaderOptions options;
  options.executable = program;
  orv::JetReaderSession session(options, dir / "bench.mdb");
  struct Catalog final : orv::JetStreamSink {
    std::vector<orv::JetTableInfo> tables;
    void Table(const orv::JetTableInfo& t) override { tables.push_back(t); }
    void Row(std::span<const orv::JetCell>) override {}
    void EndTable() override {}
  } catalog;
  std::string bytes;
  orv::JetStreamParser parser(catalog, "bench.mdb");
  session.Start([&](std::string_view piece) {
    bytes += piece;
    parser.Feed(piece);
    return parser.done();
  });
  WriteBytes(streams / "catalog.bin", bytes);
  auto index = [&](const std::string& name) {
    for (std::size_t t = 0; t < catalog.tables.size(); ++t) {
      if (catalog.tables[t].name == name) return static_cast<std::uint16_t>(t);
    }
    return std::uint16_t{0};
  };
  auto exchange = [&](const char* file, std::vector<orv::JetRowRequest> request) {
    struct Nothing final : orv::JetStreamSink {
      void Table(const orv::JetTableInfo&) override {}
      void Row(std::span<const orv::JetCell>) override {}
      void EndTable() override {}
    } nothing;
    orv::JetStreamParser answer(nothing, "bench.mdb");
    std::string got;
    session.Exchange(orv::EncodeJetRequest(request), [&](std::string_view piece) {
      got += piece;
      answer.Feed(piece);
      return answer.done();
    });
    WriteBytes(streams / file, got);
  };
  exchange("tests.bin", {{index("TblTest"), {}, false, 0, {}}});
  exchange("lists.bin", {{index("TblCustomer"), {}, false, 0, {}},
                         {index("TblOperator"), {}, false, 0, {}},
                         {index("TblCustomNames"), {}, false, 0, {}}});
  exchange("manual.bin", {{index("TblManualByLift"), {0, 1, 2}, false, 0, {}}});
  exchange("records.bin", {{index("TblByLiftOrDeprData"), {}, true, 0, {5}},
                           {index("TblByLiftPitotData"), {}, true, 0, {5}}});
  WriteBytes(streams / "request.bin",
             orv::EncodeJetRequest({{index("TblTest"), {0, 2, 4}, true, 0, {1, 5, 9}}}));
}

// A cache file of the sample bench's list, its state made that of the fuzz target's database
// ("/bench/bench.mdb", 135168 bytes, modified at 1700000000 s).
void WriteCacheSeeds(const std::filesystem::path& root, const std::filesystem::path& program) {
  const std::filesystem::path seeds = root / "database_disk_cache";
  std::filesystem::create_directories(seeds);
  TempDir dir;
  SampleBench().Write(dir / "bench.mdb");
  orv::JetReaderOptions options;
  options.executable = program;
  orv::TestDatabase db(dir / "bench.mdb", options, {}, {dir / "cache"});
  const orv::CustomNames names = orv::ReadCustomNames(db);
  orv::TestListSettings settings;
  const orv::TestList list =
      orv::FillTestList(db, orv::BuildTestListQuery(settings, names, {}), names);
  // The same bytes are read as a kept list of the dialog's default columns.
  WriteBytes(seeds / "list.bin", orv::KeptTestList(list));
  for (const auto& entry : std::filesystem::directory_iterator(dir / "cache")) {
    if (entry.path().extension() != ".sqlite") continue;
    // The seed is the file without the check it ends with (16 bytes; the target adds one).
    {
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string sealed((std::istreambuf_iterator<char>(in)), {});
      in.close();
      WriteBytes(entry.path(), sealed.substr(0, sealed.size() - 16));
    }
    sqlite3* cache = nullptr;
    sqlite3_open(entry.path().c_str(), &cache);
    sqlite3_exec(cache,
                 "UPDATE orvantis_cache_file SET path = '/bench/bench.mdb', size = 135168, "
                 "modified = 1700000000000000000",
                 nullptr, nullptr, nullptr);
    sqlite3_close(cache);
    std::ifstream in(entry.path(), std::ios::binary);
    WriteBytes(seeds / "bench.sqlite", std::string((std::istreambuf_iterator<char>(in)), {}));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::cerr << "usage: orvantis_write_fuzz_seeds <corpus folder> [<orvantis executable>]\n";
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
  WriteLikeSeeds(root);
  WriteDatabaseSeeds(root);
  if (argc == 3) {
    WriteStreamSeeds(root, argv[2]);
    WriteCacheSeeds(root, argv[2]);
  }
  return 0;
}
