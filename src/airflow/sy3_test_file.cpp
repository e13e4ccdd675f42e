// The SY3 multi-test file. Little-endian; "float" a 32-bit IEEE single, "int16"/"int32" signed
// integers, "chars n" n bytes of blank-padded Windows-1252.
//
// File header:
//   0    4 bytes    tag "SY3" 0x1E
//   4    chars 1    version letter: "A" (version 1) or "B" (version 2)
//   5    chars 513  version 1 only: notes of the whole file
//   518 (v1) / 5 (v2)   int16   number of tests n
//   520 (v1) / 7 (v2)   n x 16  directory
// Directory entry (16 bytes):
//   0    chars 8    test name (compared trimmed)
//   8    int16      full test kind (kind + 100 averaged + 200 totaled)
//   10   int16      size of the test block in bytes
//   12   int32      offset of the test block from the start of the file
//
// Test block: version 2 first holds the test's notes (chars 513); then the 362-byte test
// header; then the data.
// Test header:
//   0    float      valve diameter (both sides)
//   4    float      stem diameter (both sides)
//   8    float      seat inner diameter (both sides)
//   12   float      seat angle (both sides)
//   16   int16      pitot readings per lift (-1 counts as 1)
//   18   int16      flags: value 2 swirl measured; value 4 clear: weather corrected
//   20   4 floats   port cross-section areas 1..4 (both sides)
//   36   32 bytes   not read
//   68   12 bytes   plane descriptors, byte k for plane k = 1..10 (bits 0-1 plane kind,
//                   bits 2-4 row code r, bits 5-7 centre columns; wall rows 2r + 4 for plane
//                   kind 3, else r); the last 2 bytes zero
//   80   int16      number of records (above 1000: 1000 too many)
//   82   int16      values per record row
//   84   chars 8    date
//   92   chars 8    time
//   100  int16      plot colour, index 0..15 of the standard palette
//   102  7 floats   leakage, barometer, wet bulb, dry bulb, humidity, valve area, seat area
//   130  chars 8    bench calibration file name
//   138  int16      bench kind
//   140  22 floats  range calibrations: bench kinds 31, 32, 33, 50: exhaust 1-8, exhaust 11,
//                   intake 9, exhaust 9, intake 1-8, intake 11, intake 10, exhaust 10; other
//                   bench kinds: exhaust 1-11, intake 1-11
//   228  20 floats  test lifts 1..20
//   308  float      fudge factor
//   312  1 byte     not used
//   313  49 bytes   not read
//
// Data of a test other than a port map: rows 0..records of `values per row` floats each, the
// values in this order (a version-1 file leaves out the last, the actual depression):
//   actual flow, corrected flow, swirl, auxiliary, temperature 1, temperature 2 (not kind 1),
//   depression, lift (kinds 2, 5, 10), manometer and range (not kinds 4, 10), booster (kind 6)
//   or the pitot readings (kinds 5, 10), actual depression.
// Data of a port map (kind 4): `values per row` floats: for each plane with a kind, in plane
// order, temperature, depression, then per region the reading and the velocity.
// A test block is exactly 4 x count + 362 bytes (version 1) or + 875 (version 2), count being
// `values per row` for a port map and (records + 1) x `values per row` otherwise.
#include "airflow/sy3_test_file.h"

#include <filesystem>

#include "airflow/bench_file_fields.h"
#include "base/atomic_file.h"
#include "base/byte_reader.h"
#include "base/error_trace.h"
#include "base/runtime_error.h"
#include "base/text.h"

namespace orv {

namespace {

constexpr const char* kSy3TestFileModule = "FlowTest";
constexpr std::size_t kHeaderSize = 362;
// The header fields this program uses end at byte 312.
constexpr std::size_t kUsedHeaderSize = 312;
constexpr std::size_t kMinExaminedSize = 327;

std::span<const std::uint8_t> BytesOf(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Reads a whole file; 2 when it is missing or cannot be read.
FlowError ReadFile(const std::string& path, std::string& content) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(std::filesystem::path(path), ec))
    return FlowError::EmptySy3;
  std::optional<std::string> c = ReadWholeFile(path);
  if (!c) return FlowError::EmptySy3;
  content = std::move(*c);
  return FlowError::Ok;
}

// The record-table curve numbers of one data row in file order; the last is the actual
// depression.
std::vector<int> RowLayout(std::int32_t kind, int pitots) {
  std::vector<int> curves = {kColACfm, kColCCfm, kColSwirl, kColAux, kColTemperature1};
  if (kind != 1) curves.push_back(kColTemperature2);
  curves.push_back(kColDepr);
  if (kind == kKindByLiftAuto || kind == kKindByLiftManual || kind == kKindByLiftKeyedCfm) {
    curves.push_back(kColLift);
  }
  if (kind != kKindPortMap && kind != kKindByLiftKeyedCfm) {
    curves.push_back(kCurveMano);
    curves.push_back(kCurveRange);
  }
  if (kind == kKindCarburetor) {
    curves.push_back(kColBooster);
  } else if (kind == kKindByLiftManual || kind == kKindByLiftKeyedCfm) {
    for (int i = 0; i < pitots; ++i) curves.push_back(kColPitot1 + i);
  }
  curves.push_back(kColActualDepr);
  return curves;
}

void ApplyRangeCalibrations(FlowTest& test, const ByteReader& r, std::size_t at) {
  std::size_t next = at;
  const auto take = [&] {
    const float v = r.F32(next);
    next += 4;
    return v;
  };
  const std::int32_t bench = test.BenchKind;
  if (bench == 31 || bench == 32 || bench == 33 || bench == 50) {
    for (int i = 1; i <= 8; ++i) test.SetExhaustRangeCal(i, take());
    test.SetExhaustRangeCal(11, take());
    test.SetIntakeRangeCal(9, take());
    test.SetExhaustRangeCal(9, take());
    for (int i = 1; i <= 8; ++i) test.SetIntakeRangeCal(i, take());
    test.SetIntakeRangeCal(11, take());
    test.SetIntakeRangeCal(10, take());
    test.SetExhaustRangeCal(10, take());
  } else {
    for (int i = 1; i <= 11; ++i) test.SetExhaustRangeCal(i, take());
    for (int i = 1; i <= 11; ++i) test.SetIntakeRangeCal(i, take());
  }
  test.SetExhaustRangeCal(12, bench == 100 ? static_cast<float>((1 - 1.05 / 55) * 10) : 153.2f);
  // The bench's own calibration step, which derives further values from these entries for
  // bench kinds 0 and 100, is not run: nothing in this program reads its results.
}

void ApplyHeader(FlowTest& test, const ByteReader& r, std::size_t h) {
  TestCondition& c = test.Condition;
  c.HeadIntakeVDia = c.HeadExhaustVDia = r.F32(h + 0);
  c.HeadIntakeStemDia = c.HeadExhaustStemDia = r.F32(h + 4);
  c.HeadIntakeInnerDia = c.HeadExhaustInnerDia = r.F32(h + 8);
  c.HeadIntakeSeatAngle = c.HeadExhaustSeatAngle = r.F32(h + 12);
  c.PitotPerLift = r.I16(h + 16);
  const std::int16_t flags = r.I16(h + 18);
  c.SwirlTumble = (flags & 2) != 0 ? 1 : 0;
  c.WeatherCorrection = (flags & 4) == 0 ? kTrue16 : 0;
  c.UseLDRatio = false;
  for (int k = 1; k <= 4; ++k) {
    const float area = r.F32(h + 20 + 4 * static_cast<std::size_t>(k - 1));
    c.SetXArea(k, area);
    c.SetXArea(-k, area);
  }
  for (int plane = 1; plane <= kPlaneCount; ++plane) {
    const std::uint8_t b = r.U8(h + 68 + static_cast<std::size_t>(plane - 1));
    const int kind = b & 0x03;
    const int rowCode = (b >> 2) & 0x07;
    c.SetPlaneKind(plane, kind);
    c.SetPlaneWallRow(plane, static_cast<std::int16_t>(kind == 3 ? 2 * rowCode + 4 : rowCode));
    c.SetPlaneCenterCol(plane, static_cast<std::int16_t>((b >> 5) & 0x07));
  }
  c.TheDate = BenchDate(r, h + 84);
  c.TheTime = BenchTime(r, h + 92);
  const std::int16_t colour = r.I16(h + 100);
  // An index outside the palette leaves the colour as it was.
  if (colour >= 0 && colour <= 15) test.PlotColor = PaletteColor(colour);
  c.Leakage = r.F32(h + 102);
  c.Barometer = r.F32(h + 106);
  c.WetBulb = r.F32(h + 110);
  c.DryBulb = r.F32(h + 114);
  c.Humidity = r.F32(h + 118);
  c.ValveArea = r.F32(h + 122);
  c.SeatArea = r.F32(h + 126);
  test.BenchFileName = BenchText(r, h + 130, 8);
  test.BenchKind = r.I16(h + 138);
  ApplyRangeCalibrations(test, r, h + 140);
  for (int i = 1; i <= 20; ++i) c.SetLift(i, r.F32(h + 228 + 4 * static_cast<std::size_t>(i - 1)));
  c.FudgeFactor = r.F32(h + 308);
  c.HeadIntakePer = c.HeadExhaustPer = 1;
}

// Reads the port-map planes; false when the planes the descriptors name do not fill the row.
bool ReadPlanes(FlowTest& test, const ByteReader& r, std::size_t at, int rowLength) {
  TestCondition& c = test.Condition;
  int needed = 0;
  for (int plane = 1; plane <= kPlaneCount; ++plane) {
    if (c.PlaneKind(plane) != 0) needed += 2 + 2 * c.PlaneRegionCnt(plane);
  }
  if (needed != rowLength) return false;
  std::size_t next = at;
  const auto take = [&] {
    const float v = r.F32(next);
    next += 4;
    return v;
  };
  for (int plane = 1; plane <= kPlaneCount; ++plane) {
    if (c.PlaneKind(plane) == 0) continue;
    c.SetPlaneTemperature(plane, take());
    c.SetPlaneDepression(plane, take());
    for (int region = 1; region <= c.PlaneRegionCnt(plane); ++region) {
      c.SetPlaneInches(plane, region, take());
      c.SetPlaneVelocity(plane, region, take());
    }
  }
  return true;
}

}  // namespace

std::int32_t PaletteColor(int index) noexcept {
  static constexpr std::int32_t kPalette[16] = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  return index >= 0 && index <= 15 ? kPalette[index] : 0;
}

FlowError Read3Head(std::span<const std::uint8_t> bytes, Sy3Directory& dir) {
  dir = {};
  const ByteReader r(bytes);
  if (r.size() == 0) return FlowError::EmptySy3;
  if (r.size() < kMinExaminedSize) return FlowError::NotFound;
  if (r.U8(0) != 'S' || r.U8(1) != 'Y' || r.U8(2) != '3' || r.U8(3) != 0x1E)
    return FlowError::NotFound;
  std::size_t countAt;
  if (r.U8(4) == 'A') {
    if (r.size() < 520) return FlowError::NotFound;
    dir.version = 1;
    dir.fileNotes = r.Raw(5, kNotesLength);
    countAt = 518;
  } else if (r.U8(4) == 'B') {
    dir.version = 2;
    countAt = 5;
  } else {
    return FlowError::NotFound;
  }
  const int count = r.I16(countAt);
  const std::size_t first = countAt + 2;
  if (count < 0 || !r.Has(first, 16 * static_cast<std::size_t>(count))) {
    dir = {};
    return FlowError::NotFound;
  }
  dir.entries.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::size_t e = first + 16 * static_cast<std::size_t>(i);
    dir.entries.push_back(
        {std::string(Trim(BenchText(r, e, 8))), r.I16(e + 8), r.I16(e + 10), r.I32(e + 12)});
  }
  return FlowError::Ok;
}

FlowError ReadSy3TestBytes(FlowTest& test, std::span<const std::uint8_t> bytes, int readIn,
                           const ProgressFn& progress) {
  ETracker guard(kSy3TestFileModule, "R3DataFile");
  try {
    Sy3Directory dir;
    if (const FlowError err = Read3Head(bytes, dir); err != FlowError::Ok) return err;

    const std::int32_t fullKind = test.Condition.FullTestKind();
    const std::string name(Trim(test.Name()));
    const Sy3DirEntry* entry = nullptr;
    for (const Sy3DirEntry& e : dir.entries) {
      if (e.kind == fullKind && e.name == name) {
        entry = &e;
        break;
      }
    }
    // The block must hold the notes (version 2) and the used part of the header, inside the
    // file.
    const std::size_t notesSize = dir.version == 2 ? kNotesLength : 0;
    if (entry == nullptr || entry->size < 0 || entry->offset < 0 ||
        static_cast<std::size_t>(entry->size) < notesSize + kUsedHeaderSize ||
        !ByteReader(bytes).Has(static_cast<std::size_t>(entry->offset),
                               static_cast<std::size_t>(entry->size))) {
      return FlowError::NotFound;
    }
    const ByteReader block(bytes.subspan(static_cast<std::size_t>(entry->offset),
                                         static_cast<std::size_t>(entry->size)));

    // The directory's full kind names the base kind and the averaged / totaled marks; the
    // data layout follows the base kind.
    TestCondition& c = test.Condition;
    std::int32_t kind = entry->kind;
    c.TotaledTest = kind >= 200;
    if (c.TotaledTest) kind -= 200;
    c.AveragedTest = kind >= 100;
    if (c.AveragedTest) kind -= 100;
    c.SetKind(kind);

    test.SetFullLineNotesBytes(dir.version == 2 ? block.Raw(0, kNotesLength) : dir.fileNotes);
    const std::size_t h = notesSize;
    ApplyHeader(test, block, h);
    c.SetHRatio();
    if (progress) progress();
    if (readIn == 2) return FlowError::Ok;

    int records = block.I16(h + 80);
    if (records > 1000) records -= 1000;
    const int rowLength = block.I16(h + 82);
    if (records < 0 || rowLength < 0) return FlowError::NotFound;
    const std::size_t count = kind == kKindPortMap ? static_cast<std::size_t>(rowLength)
                                                   : static_cast<std::size_t>(records + 1) *
                                                         static_cast<std::size_t>(rowLength);
    if (block.size() != 4 * count + notesSize + kHeaderSize) return FlowError::NotFound;

    const std::size_t data = h + kHeaderSize;
    if (kind == kKindPortMap) {
      test.SetRecords(static_cast<std::int16_t>(records));
      if (!ReadPlanes(test, block, data, rowLength)) return FlowError::NotFound;
      test.recordLength_ = static_cast<std::int16_t>(rowLength);
    } else {
      const int pitots = c.PitotPerLift == kTrue16 ? 1 : c.PitotPerLift;
      if (pitots < 0 || pitots > 12) return FlowError::NotFound;
      const std::vector<int> layout = RowLayout(kind, pitots);
      // Version 1 rows leave out the actual depression, which reads as 0.
      const std::size_t stored = dir.version == 1 ? layout.size() - 1 : layout.size();
      if (static_cast<std::size_t>(rowLength) != stored) return FlowError::NotFound;
      test.SetRecords(static_cast<std::int16_t>(records));
      std::size_t next = data;
      for (int row = 0; row <= records; ++row) {
        for (std::size_t i = 0; i < stored; ++i) {
          test.SetFlowData(row, layout[i], block.F32(next));
          next += 4;
        }
        if (dir.version == 1) test.SetFlowData(row, kColActualDepr, 0.0f);
        test.CalcAVel(row);
        if (progress && row % 3 == 0) progress();
      }
      test.recordLength_ =
          static_cast<std::int16_t>(stored == layout.size() ? rowLength : rowLength + 1);
    }
    test.InDB = false;
    if (progress) progress();
    return FlowError::Ok;
  } catch (const ByteRangeError&) {
    // Every field is checked against the block before it is read; a read past its end or a
    // value the test cannot hold that still gets through is a test this reader cannot use.
    return FlowError::NotFound;
  } catch (const RuntimeError&) {
    return FlowError::NotFound;
  }
}

FlowError R3DataFile(FlowTest& test, int readIn, const ProgressFn& progress) {
  std::string content;
  if (const FlowError err = ReadFile(test.PathFile(), content); err != FlowError::Ok) return err;
  return ReadSy3TestBytes(test, BytesOf(content), readIn, progress);
}

FlowError R3Notes(FlowTest& test) { return R3DataFile(test, 2); }

FlowError ReadSY3TestNamesFromBytes(std::span<const std::uint8_t> bytes,
                                    std::vector<Sy3TestName>& tests) {
  tests.clear();
  Sy3Directory dir;
  const FlowError err = Read3Head(bytes, dir);
  if (err != FlowError::Ok) return err;
  for (const Sy3DirEntry& e : dir.entries) tests.push_back({e.name, e.kind});
  return FlowError::Ok;
}

FlowError ReadSY3TestNames(const std::string& path, std::vector<Sy3TestName>& tests) {
  tests.clear();
  std::string content;
  if (const FlowError err = ReadFile(path, content); err != FlowError::Ok) return err;
  return ReadSY3TestNamesFromBytes(BytesOf(content), tests);
}

}  // namespace orv
