#include "support/sy3_writer.h"

#include <fstream>
#include <stdexcept>

#include "support/byte_sink.h"

namespace orv::test {

std::vector<float> Sy3RowValues(int kind, const Sy3Row& r, bool version1) {
  std::vector<float> v = {r.acfm, r.ccfm, r.swirl, r.aux, r.temperature1};
  if (kind != 1) v.push_back(r.temperature2);
  v.push_back(r.depr);
  if (kind == 2 || kind == 5 || kind == 10) v.push_back(r.lift);
  if (kind != 4 && kind != 10) {
    v.push_back(r.mano);
    v.push_back(r.range);
  }
  if (kind == 6) v.push_back(r.booster);
  if (kind == 5 || kind == 10) v.insert(v.end(), r.pitots.begin(), r.pitots.end());
  if (!version1) v.push_back(r.actualDepr);
  return v;
}

namespace {

void WriteBlock(ByteSink& s, const Sy3Test& t, bool version2) {
  if (version2) s.Text(t.notes, 513);
  s.F32(t.valveDia);
  s.F32(t.stemDia);
  s.F32(t.seatDia);
  s.F32(t.seatAngle);
  s.I16(t.pitotPerLift);
  s.I16(t.flags);
  for (float a : t.xArea) s.F32(a);
  s.Fill(32, 0xEE);
  for (std::uint8_t b : t.planeBytes) s.U8(b);
  s.Fill(2);
  s.I16(t.records);
  s.I16(t.recordLength);
  s.Text(t.date, 8);
  s.Text(t.time, 8);
  s.I16(t.colorIndex);
  for (float v :
       {t.leakage, t.barometer, t.wetBulb, t.dryBulb, t.humidity, t.valveArea, t.seatArea}) {
    s.F32(v);
  }
  s.Text(t.benchFile, 8);
  s.I16(t.benchKind);
  for (float v : t.rangeCals) s.F32(v);
  for (float v : t.lifts) s.F32(v);
  s.F32(t.fudgeFactor);
  s.U8(0);
  s.Fill(49, 0xEE);
  for (float v : t.data) s.F32(v);
}

}  // namespace

std::string Sy3Bytes(const Sy3File& f) {
  const bool v2 = f.version != 'A';
  std::vector<std::string> blocks;
  for (const Sy3Test& t : f.tests) {
    ByteSink b;
    WriteBlock(b, t, v2);
    blocks.push_back(b.bytes());
  }
  ByteSink s;
  s.Raw("SY3\x1E");
  s.U8(static_cast<std::uint8_t>(f.version));
  if (!v2) s.Text(f.fileNotes, 513);
  s.I16(f.countOverride.value_or(static_cast<std::int16_t>(f.tests.size())));
  std::size_t offset = s.size() + 16 * f.tests.size();
  for (std::size_t i = 0; i < f.tests.size(); ++i) {
    const Sy3Test& t = f.tests[i];
    s.Text(t.name, 8);
    s.I16(t.fullKind);
    s.I16(t.sizeOverride.value_or(static_cast<std::int16_t>(blocks[i].size())));
    s.I32(t.offsetOverride.value_or(static_cast<std::int32_t>(offset)));
    offset += blocks[i].size();
  }
  for (const std::string& b : blocks) s.Raw(b);
  return s.bytes();
}

void WriteSy3File(const std::filesystem::path& path, const Sy3File& file) {
  std::ofstream out(path, std::ios::binary);
  const std::string bytes = Sy3Bytes(file);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace orv::test
