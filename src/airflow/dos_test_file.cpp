// The DOS test file (".SY"): one flow-bench test. Little-endian; "float" is a 32-bit IEEE
// single, "int16" a signed 16-bit integer, "chars n" n bytes of blank-padded Windows-1252.
//
// Part A, file offsets 0..516:
//   0    3 bytes   tag "SY" 0x1E
//   3    chars 1   version letter: B (layout class 2), C and a (3), D (4), E b j q t v (5);
//                  a b j q t v also name the bench model (BenchKind 50 50 10 40 60 80)
//   4    chars 513 notes, 9 lines of 57 characters
//
// Part B, the header, at file offset 517; 156 bytes for classes 2-3, 158 for classes 4-5:
//   0    int16     number of records (above 1000: 1000 too many)
//   2    int16     test type T: 200 and above totaled, 100..199 averaged; T mod 100 = 0 keyed
//                  in CFM without weather correction, otherwise manual by lift with weather
//                  correction (except -2: without)
//   4    chars 8   bench calibration file name
//   12   9 floats  exhaust range calibration entries 9, 8, ..., 1
//   48   9 floats  intake range calibration entries 1..9
//   84   float     bench code
//   88   4 floats  port cross-section areas 1..4 (both sides)
//   104  float     leakage
//   108  float     barometer, inches of mercury
//   112  float     wet bulb, degrees F
//   116  float     dry bulb, degrees F
//   120  float     valve diameter (valve and seat inner diameter, both sides)
//   124  float     stem diameter (both sides)
//   128  float     valve area
//   132  chars 8   date
//   140  chars 8   time
//   148  int16     pitot readings per lift
//   150  -         not read
//
// Part C, the records, right after the header (file offset 673 for classes 2-3, 675 for
// classes 4-5); 36 bytes each for class 2, 44 for class 3, 80 for class 4, 82 for class 5:
//   class 2-3  class 4-5
//   0          0          float     lift
//   4          4          float     actual flow
//   8          8          float     corrected flow
//   12         -          4 bytes   not read
//   16         12         float     swirl
//   20         16         float     auxiliary channel
//   24         20         float     manometer
//   28         24         float     test depression
//   32         28         int16     range
//   34         30         int16     temperature 1, tenths of a degree
//   36 (cl. 3) -          8 bytes   not read
//   -          32         12 floats pitot readings 1..12
//   -          80 (cl. 5) int16     temperature 2, tenths of a degree
#include "airflow/dos_test_file.h"

#include <cmath>
#include <filesystem>
#include <limits>

#include "airflow/bench_file_fields.h"
#include "base/atomic_file.h"
#include "base/byte_reader.h"
#include "base/error_trace.h"
#include "base/rounding.h"
#include "base/runtime_error.h"

namespace orv {

namespace {

constexpr const char* kDosTestFileModule = "FlowTest";
constexpr std::size_t kNotesOffset = 4;
constexpr std::size_t kHeaderOffset = 517;
constexpr int kMaxRecords = 40;
constexpr float kBenchRangeCal12 = 153.2f;

struct VersionInfo {
  char letter;
  int layoutClass;
  std::int32_t benchKind;
};
constexpr VersionInfo kVersions[] = {{'B', 2, 0},  {'C', 3, 0},  {'a', 3, 50}, {'D', 4, 0},
                                     {'E', 5, 0},  {'b', 5, 50}, {'j', 5, 10}, {'q', 5, 40},
                                     {'t', 5, 60}, {'v', 5, 80}};

std::size_t HeaderSize(int layoutClass) { return layoutClass <= 3 ? 156 : 158; }

std::size_t RecordSize(int layoutClass) {
  switch (layoutClass) {
    case 2:
      return 36;
    case 3:
      return 44;
    case 4:
      return 80;
    default:
      return 82;
  }
}

// Applies the header at offset h. Returns 0 or the error code.
FlowError ApplyHeader(FlowTest& test, const ByteReader& r, std::size_t h) {
  TestCondition& c = test.Condition;
  const std::int16_t type = r.I16(h + 2);
  c.TotaledTest = type >= 200;
  c.AveragedTest = type >= 100 && type < 200;
  const int m = type % 100;  // the sign of the type is kept
  if (m == 0) {
    c.SetKind(kKindByLiftKeyedCfm);
    c.WeatherCorrection = 0;
  } else {
    c.SetKind(kKindByLiftManual);
    c.WeatherCorrection = m == -2 ? 0 : kTrue16;
  }
  test.BenchFileName = BenchText(r, h + 4, 8);
  for (int i = 0; i < 9; ++i) {
    test.SetExhaustRangeCal(9 - i, r.F32(h + 12 + 4 * static_cast<std::size_t>(i)));
    test.SetIntakeRangeCal(1 + i, r.F32(h + 48 + 4 * static_cast<std::size_t>(i)));
  }
  const float benchCode = r.F32(h + 84);
  if (test.BenchKind == 50 && benchCode != 0) {
    test.BenchKind = 31;
  } else if (test.BenchKind == 0) {
    // The bench code is the model number; one that is no whole 32-bit number marks a
    // damaged file rather than a run-time fault of the reader.
    const double code = RoundHalfEven(benchCode);
    if (!std::isfinite(code) || code < std::numeric_limits<std::int32_t>::min() ||
        code > std::numeric_limits<std::int32_t>::max()) {
      return FlowError::BadDosFile;
    }
    test.BenchKind = static_cast<std::int32_t>(code);
    test.SetIntakeRangeCal(12, kBenchRangeCal12);
    test.SetExhaustRangeCal(12, kBenchRangeCal12);
  }
  for (int k = 1; k <= 4; ++k) {
    const float area = r.F32(h + 88 + 4 * static_cast<std::size_t>(k - 1));
    c.SetXArea(k, area);
    c.SetXArea(-k, area);
  }
  c.Leakage = r.F32(h + 104);
  c.Barometer = r.F32(h + 108);
  c.WetBulb = r.F32(h + 112);
  c.DryBulb = r.F32(h + 116);
  const float valveDia = r.F32(h + 120);
  c.HeadIntakeVDia = c.HeadExhaustVDia = valveDia;
  c.HeadIntakeInnerDia = c.HeadExhaustInnerDia = valveDia;
  c.HeadIntakeStemDia = c.HeadExhaustStemDia = r.F32(h + 124);
  c.ValveArea = r.F32(h + 128);
  c.TheDate = BenchDate(r, h + 132);
  c.TheTime = BenchTime(r, h + 140);
  c.PitotPerLift = r.I16(h + 148);

  c.SetHRatio();
  c.CalcHumidity();
  c.HeadIntakePer = c.HeadExhaustPer = 1;
  c.FudgeFactor = 1.0f;
  c.HeadIntakeSeatAngle = c.HeadExhaustSeatAngle = 0;
  c.SeatArea = c.ValveArea;
  return FlowError::Ok;
}

void ReadRecord(FlowTest& test, const ByteReader& r, std::size_t at, int layoutClass, int row) {
  const auto f = [&](std::size_t offset) { return r.F32(at + offset); };
  const auto tenths = [&](std::size_t offset) {
    return static_cast<float>(r.I16(at + offset) / 10.0);
  };
  test.SetFlowData(row, kColLift, f(0));
  test.SetFlowData(row, kColACfm, f(4));
  test.SetFlowData(row, kColCCfm, f(8));
  if (layoutClass <= 3) {
    test.SetFlowData(row, kColSwirl, f(16));
    test.SetFlowData(row, kColAux, f(20));
    test.SetFlowData(row, kCurveMano, f(24));
    test.SetFlowData(row, kColDepr, f(28));
    test.SetFlowData(row, kCurveRange, r.I16(at + 32));
    test.SetFlowData(row, kColTemperature1, tenths(34));
    return;
  }
  test.SetFlowData(row, kColSwirl, f(12));
  test.SetFlowData(row, kColAux, f(16));
  test.SetFlowData(row, kCurveMano, f(20));
  test.SetFlowData(row, kColDepr, f(24));
  test.SetFlowData(row, kCurveRange, r.I16(at + 28));
  test.SetFlowData(row, kColTemperature1, tenths(30));
  for (int i = 0; i < 12; ++i) {
    test.SetFlowData(row, kColPitot1 + i, f(32 + 4 * static_cast<std::size_t>(i)));
  }
  if (layoutClass == 5) test.SetFlowData(row, kColTemperature2, tenths(80));
}

FlowError ReadDos(FlowTest& test, std::span<const std::uint8_t> bytes, int readIn,
                  const ProgressFn& progress, std::int16_t& recordLength) {
  const ByteReader r(bytes);
  if (r.size() < kHeaderOffset) return FlowError::BadDosFile;
  if (r.U8(0) != 'S' || r.U8(1) != 'Y' || r.U8(2) != 0x1E) return FlowError::NotFound;
  const VersionInfo* version = nullptr;
  for (const VersionInfo& v : kVersions) {
    if (r.U8(3) == static_cast<std::uint8_t>(v.letter)) version = &v;
  }
  if (version == nullptr) return FlowError::BadDosFile;
  test.BenchKind = version->benchKind;
  test.SetFullLineNotesBytes(r.Raw(kNotesOffset, kNotesLength));

  const std::size_t headerSize = HeaderSize(version->layoutClass);
  if (r.size() < kHeaderOffset + headerSize) return FlowError::BadDosFile;
  int records = r.I16(kHeaderOffset);
  if (records > 1000) records -= 1000;
  if (records == 0) return FlowError::NoRecords;
  // A negative count is as impossible as one above the bench's 40 points.
  if (records > kMaxRecords || records < 0) return FlowError::BadDosFile;
  if (const FlowError err = ApplyHeader(test, r, kHeaderOffset); err != FlowError::Ok) return err;
  if (progress) progress();
  if (readIn == 2) return FlowError::Ok;

  test.SetRecords(static_cast<std::int16_t>(records));
  const std::size_t recordSize = RecordSize(version->layoutClass);
  const std::size_t first = kHeaderOffset + headerSize;
  if (r.size() < first + static_cast<std::size_t>(records) * recordSize)
    return FlowError::BadDosFile;
  for (int row = 1; row <= records; ++row) {
    ReadRecord(test, r, first + static_cast<std::size_t>(row - 1) * recordSize,
               version->layoutClass, row);
    test.CalcAVel(row);
    if (progress && row % 3 == 0) progress();
  }

  // The pitot readings per lift: the number of pitot columns up to the last one that holds a
  // reading in any record, and the values per record that makes in the SY3 layout of a test by
  // lift (11 + pitots). The older classes carry no pitot readings.
  int pitots = 0;
  if (version->layoutClass >= 4) {
    for (int col = kColPitot1 + 11; col >= kColPitot1 && pitots == 0; --col) {
      for (int row = 1; row <= records; ++row) {
        if (test.FlowData(row, col) != 0) {
          pitots = col - kColPitot1 + 1;
          break;
        }
      }
    }
  }
  test.Condition.PitotPerLift = static_cast<std::int16_t>(pitots);
  recordLength = static_cast<std::int16_t>(11 + pitots);
  test.InDB = false;
  if (progress) progress();
  return FlowError::Ok;
}

}  // namespace

FlowError ReadDosTestBytes(FlowTest& test, std::span<const std::uint8_t> bytes, int readIn,
                           const ProgressFn& progress) {
  ETracker guard(kDosTestFileModule, "R2DataFile");
  try {
    std::int16_t recordLength = test.recordLength_;
    const FlowError err = ReadDos(test, bytes, readIn, progress, recordLength);
    test.recordLength_ = recordLength;
    return err;
  } catch (const ByteRangeError&) {
    // Every field is checked against the file size before it is read; a read past the end or
    // a value the test cannot hold that still gets through is a file this reader cannot use.
    return FlowError::BadDosFile;
  } catch (const RuntimeError&) {
    return FlowError::BadDosFile;
  }
}

FlowError R2DataFile(FlowTest& test, int readIn, const ProgressFn& progress) {
  std::error_code ec;
  const std::filesystem::path path(test.PathFile());
  if (!std::filesystem::is_regular_file(path, ec)) return FlowError::NotFound;
  const std::optional<std::string> content = ReadWholeFile(path);
  if (!content) return FlowError::NotFound;
  const auto* data = reinterpret_cast<const std::uint8_t*>(content->data());
  return ReadDosTestBytes(test, std::span(data, content->size()), readIn, progress);
}

FlowError R2Notes(FlowTest& test) { return R2DataFile(test, 2); }

}  // namespace orv
