// Speed of the cam selection dialog's folder listing and of `DataCalc` through the valve-train
// conversions.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "cam/cam_folder.h"
#include "cam/cam_lobe.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

void PutI16(std::string& b, std::size_t at, std::int16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void PutF32(std::string& b, std::size_t at, float v) {
  const auto u = std::bit_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>(u >> (8 * i));
}

// A full version 6 lobe data file of 280 lobes on four shafts (70 per shaft, intake and exhaust
// alternating): header, directory and 280 records of 2880 bytes, 816710 bytes in all.
std::string LobeDataFile280() {
  constexpr std::size_t kHeader = 1910, kEntry = 30, kRecord = 2880, kLobes = 280;
  std::string b(kHeader + kLobes * kEntry + kLobes * kRecord, '\0');
  b.replace(0, 8,
            "C2data\x1E"
            "F");
  for (std::size_t i = 8; i < 968; ++i) b[i] = ' ';
  PutI16(b, 1006, 4);  // camshafts
  PutI16(b, 1906, static_cast<std::int16_t>(kLobes));
  PutI16(b, 1908, static_cast<std::int16_t>(kLobes));
  for (std::size_t i = 0; i < kLobes; ++i) {
    const std::size_t at = kHeader + i * kEntry;
    const auto number = static_cast<std::int16_t>(i / 4 + 1);
    PutI16(b, at, static_cast<std::int16_t>(i % 4 + 1));
    PutI16(b, at + 2, i % 2 == 0 ? number : static_cast<std::int16_t>(-number));
    PutF32(b, at + 16, 1.7f);
    PutF32(b, at + 26, 108);
    const std::size_t record = kHeader + kLobes * kEntry + i * kRecord;
    for (int k = -60; k <= 60; ++k) {
      PutF32(b, record + 4 * static_cast<std::size_t>(k + 180), 0.005f * float(60 - std::abs(k)));
    }
  }
  return b;
}

// A folder of 100 such files, written once and removed when the program ends.
class LobeFolder {
 public:
  LobeFolder() {
    path_ = fs::temp_directory_path() /
            ("orvantis-cam-bench-" + std::to_string(std::random_device{}()));
    fs::create_directories(path_);
    const std::string bytes = LobeDataFile280();
    for (int f = 0; f < 100; ++f) {
      std::ofstream out(path_ / ("CAMS" + std::to_string(f) + ".LBK"), std::ios::binary);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
  }
  ~LobeFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

const LobeFolder& Folder() {
  static const LobeFolder folder;
  return folder;
}

void BM_ListFolder100Files280Lobes(benchmark::State& state) {
  const fs::path& path = Folder().path();
  for (auto _ : state) {
    CamFolder folder;
    folder.RefillLobeList(path);
    benchmark::DoNotOptimize(folder.nodes().data());
    if (folder.nodes().size() != 100 || folder.nodes()[0].children.size() != 280) {
      state.SkipWithError("the folder did not list");
      break;
    }
  }
}
BENCHMARK(BM_ListFolder100Files280Lobes)->Unit(benchmark::kMillisecond);

// A measured lobe with a rocker geometry of usual proportions (inches).
CamLobe RockerLobe(std::int32_t mode) {
  CamLobe lobe;
  BoundedArray<float> raw(-180, 180);
  for (int i = -180; i <= 180; ++i) {
    const double a = std::abs(i) / 70.0;
    raw[i] = a < 1 ? static_cast<float>(0.36 * std::pow(std::cos(a * 1.5707963), 2)) : 0.0f;
  }
  lobe.SetRawLift(raw);
  lobe.SetLobeNo(3);
  lobe.SetCamCenterLine(107.5f);
  lobe.SetLash(0.012f);
  ValveTrainGeometry& g = lobe.Geometry();
  g.FollowerRadius = 0.375f;
  g.BaseCircleRadius = 0.65f;
  g.EngineFollowerRadius = 0.45f;
  g.RockerRollerRadius = 0.42f;
  g.PivotDistance = 1.5f;
  g.RockerCamArm = 1.3f;
  g.ValveTriangleA = 1.6f;
  g.RockerValveArm = 2.1f;
  g.ValveTriangleC = 2.4f;
  g.GeometryAngle = 6;
  lobe.SetFollowerMode(mode);
  return lobe;
}

void BM_DataCalcRocker(benchmark::State& state) {
  CamLobe lobe = RockerLobe(static_cast<std::int32_t>(state.range(0)));
  lobe.DataCalc();
  float top = 0;
  for (float v : lobe.ValveLift().values()) top = std::max(top, v);
  if (!(top > 0.3f && top < 1.5f)) state.SkipWithError("the rocker gave no usable lift");
  for (auto _ : state) {
    lobe.DataCalc();
    benchmark::DoNotOptimize(lobe.ValveLift().values().data());
  }
}
// Mode 2: the rocker conversion; mode 4: the follower conversion and then the rocker.
BENCHMARK(BM_DataCalcRocker)->Arg(2)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orv
