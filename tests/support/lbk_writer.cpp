#include "support/lbk_writer.h"

#include <fstream>
#include <stdexcept>

#include "support/byte_sink.h"

namespace orv::test {

namespace {

constexpr std::uint8_t kUnread = 0xEE;

void NulPadded(ByteSink& s, const std::string& text, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) s.U8(i < text.size() ? text[i] : 0);
}

void Entry(ByteSink& s, const LbkLobe& l, int version) {
  s.I16(l.shaftNo);
  s.I16(l.lobeNo);
  s.F32(l.centerlineCamDegrees);
  s.F32(l.liftOffset);
  s.F32(l.lash);
  s.F32(l.rockerRatio);
  s.Fill(4, kUnread);  // two int16 not read
  s.I16(l.smoothing);
  if (version >= 4) s.F32(l.camCenterLine);
}

void Record(ByteSink& s, const LbkLobe& l, int version) {
  const std::size_t start = s.size();
  for (float v : l.lift) s.F32(v);
  if (version >= 6) {
    s.I32(l.geometryCount);
    s.F32(l.followerRadius);
    s.F32(l.baseCircleRadius);
    s.I32(l.followerMode);
    s.F32(l.engineFollowerRadius);
    s.F32(l.rockerRollerRadius);
    s.F32(l.pivotDistance);
    s.F32(l.rockerCamArm);
    s.F32(l.valveTriangleA);
    s.F32(l.rockerValveArm);
    s.F32(l.valveTriangleC);
    s.I16(l.rockerDirection);
    s.I16(l.angleFlag);
    s.F32(l.geometryAngle);
    s.I16(l.centerlineMethod);
  }
  s.Fill(start + 2876 - s.size(), kUnread);
  if (version >= 8) {
    s.F32(l.angleOffset);
  } else {
    s.Fill(4, kUnread);
  }
}

}  // namespace

std::size_t LbkHeaderLength(int version) {
  return version <= 2 ? 1862 : version <= 4 ? 1878 : 1910;
}

std::string LbkBytes(const LbkFile& f) {
  ByteSink s;
  s.Raw(f.signature);
  s.U8(0x1E);
  s.U8(static_cast<std::uint8_t>(64 + f.version));
  s.Text(f.notes, 960);
  s.Fill(30, kUnread);  // 968: text
  // 998: file settings block, 28 bytes.
  s.Fill(4, kUnread);
  s.I16(f.linearOnValve);  // 1002
  s.Fill(2, kUnread);
  s.I16(f.shaftCount);  // 1006
  s.Fill(18, kUnread);
  for (const std::string& name : f.shaftNames) NulPadded(s, name, 12);  // 1026
  s.Fill(784, kUnread);                                                 // 1074
  if (f.version >= 3) {
    s.F64(f.followerRadius);  // 1858
    s.F64(f.baseCircleRadius);
  }
  if (f.version >= 5) s.Fill(32, kUnread);  // 1874: per-shaft floats
  const auto count = f.lobeCount.value_or(static_cast<std::int16_t>(f.lobes.size()));
  const std::int16_t slots = f.slotCount.value_or(count);
  s.I16(count);
  s.I16(slots);
  if (s.size() != LbkHeaderLength(f.version)) throw std::logic_error("LBK header length");

  const std::size_t entrySize = f.version <= 3 ? 26 : 30;
  for (int i = 0; i < slots; ++i) {
    if (static_cast<std::size_t>(i) < f.lobes.size()) {
      Entry(s, f.lobes[static_cast<std::size_t>(i)], f.version);
    } else {
      s.Fill(entrySize, 0);  // empty entry: lobe number 0
    }
  }
  for (const LbkLobe& lobe : f.lobes) Record(s, lobe, f.version);
  std::string bytes = s.bytes();
  if (f.truncateTo && *f.truncateTo < bytes.size()) bytes.resize(*f.truncateTo);
  return bytes;
}

void WriteBytesFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteLbkFile(const std::filesystem::path& path, const LbkFile& file) {
  WriteBytesFile(path, LbkBytes(file));
}

}  // namespace orv::test
