#include "support/sy_writer.h"

#include <fstream>
#include <stdexcept>

#include "support/byte_sink.h"

namespace orv::test {

namespace {

int ClassOfVersion(char v) {
  switch (v) {
    case 'B':
      return 2;
    case 'C':
    case 'a':
      return 3;
    case 'D':
      return 4;
    default:
      return 5;  // E b j q t v, and any letter a test wants to try
  }
}

}  // namespace

std::string SyBytes(const SyFile& f) {
  const int cls = ClassOfVersion(f.version);
  ByteSink s;
  s.Raw("SY\x1E");
  s.U8(static_cast<std::uint8_t>(f.version));
  s.Text(f.notes, 513);
  // Header at 517.
  s.I16(f.storedRecordCount.value_or(static_cast<std::int16_t>(f.records.size())));
  s.I16(f.testType);
  s.Text(f.benchFile, 8);
  for (int i = 8; i >= 0; --i) s.F32(f.exhaustRangeCal[static_cast<std::size_t>(i)]);
  for (float v : f.intakeRangeCal) s.F32(v);
  s.F32(f.benchCode);
  for (float v : f.xArea) s.F32(v);
  s.F32(f.leakage);
  s.F32(f.barometer);
  s.F32(f.wetBulb);
  s.F32(f.dryBulb);
  s.F32(f.valveDia);
  s.F32(f.stemDia);
  s.F32(f.valveArea);
  s.Text(f.date, 8);
  s.Text(f.time, 8);
  s.I16(f.pitotPerLift);
  s.Fill(cls <= 3 ? 6 : 8, 0xEE);  // rest of the header, not read
  for (const SyRecord& r : f.records) {
    s.F32(r.lift);
    s.F32(r.acfm);
    s.F32(r.ccfm);
    if (cls <= 3) s.Fill(4, 0xEE);
    s.F32(r.swirl);
    s.F32(r.aux);
    s.F32(r.mano);
    s.F32(r.depr);
    s.I16(r.range);
    s.I16(r.temperature1Tenths);
    if (cls == 3) s.Fill(8, 0xEE);
    if (cls >= 4) {
      for (float p : r.pitot) s.F32(p);
    }
    if (cls == 5) s.I16(r.temperature2Tenths);
  }
  std::string bytes = s.bytes();
  if (f.truncateTo && *f.truncateTo < bytes.size()) bytes.resize(*f.truncateTo);
  return bytes;
}

void WriteSyFile(const std::filesystem::path& path, const SyFile& file) {
  std::ofstream out(path, std::ios::binary);
  const std::string bytes = SyBytes(file);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace orv::test
