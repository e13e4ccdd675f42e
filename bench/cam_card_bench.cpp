// Speed of the cam card: one lobe from the engine's valve tables, and the card of every lobe of
// a folder of lobe data files read from disk.
#include <benchmark/benchmark.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "engine/cam_card.h"
#include "engine/engine.h"
#include "engine/lobe_cards.h"

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

// A version 6 lobe data file of `lobes` lobes on four shafts (intake and exhaust alternating),
// each a raised cosine of its own width.
std::string LobeDataFile(std::size_t lobes) {
  constexpr std::size_t kHeader = 1910, kEntry = 30, kRecord = 2880;
  std::string b(kHeader + lobes * kEntry + lobes * kRecord, '\0');
  b.replace(0, 8,
            "C2data\x1E"
            "F");
  for (std::size_t i = 8; i < 968; ++i) b[i] = ' ';
  PutI16(b, 1006, 4);  // camshafts
  PutI16(b, 1906, static_cast<std::int16_t>(lobes));
  PutI16(b, 1908, static_cast<std::int16_t>(lobes));
  for (std::size_t i = 0; i < lobes; ++i) {
    const std::size_t at = kHeader + i * kEntry;
    const auto number = static_cast<std::int16_t>(i / 4 + 1);
    PutI16(b, at, static_cast<std::int16_t>(i % 4 + 1));
    PutI16(b, at + 2, i % 2 == 0 ? number : static_cast<std::int16_t>(-number));
    PutF32(b, at + 16, 1.7f);
    PutF32(b, at + 26, i % 2 == 0 ? 108.0f : -112.0f);
    const std::size_t record = kHeader + lobes * kEntry + i * kRecord;
    const int w = 50 + static_cast<int>(i % 30);
    for (int k = -w + 1; k < w; ++k) {
      PutF32(b, record + 4 * static_cast<std::size_t>(k + 180),
             static_cast<float>(0.2 * (1 + std::cos(3.141592653589793 * k / w))));
    }
  }
  return b;
}

// 1,000 lobes: four files of 250, written once and removed when the program ends.
class LobeFolder {
 public:
  LobeFolder() {
    path_ = fs::temp_directory_path() /
            ("orvantis-card-bench-" + std::to_string(std::random_device{}()));
    fs::create_directories(path_);
    const std::string bytes = LobeDataFile(250);
    for (int f = 0; f < 4; ++f) {
      std::ofstream out(path_ / ("SET" + std::to_string(f) + ".LBK"), std::ios::binary);
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

const std::vector<double> kHeights{0.006, 0.050, 0.200};

void BM_CamCardOneLobe(benchmark::State& state) {
  const Engine engine;
  const ValveTables& v = engine.valveTables();
  for (auto _ : state) {
    auto card =
        ComputeCamCard(v.IntakeLift, v.IntakeVelocity, engine.inputs().I_CL, true, kHeights);
    benchmark::DoNotOptimize(card);
  }
}
BENCHMARK(BM_CamCardOneLobe)->Unit(benchmark::kMicrosecond);

void BM_CamCardsOfTheEngine(benchmark::State& state) {
  const Engine engine;
  for (auto _ : state) {
    EngineCamCard card = EngineCamCards(engine, kHeights);
    benchmark::DoNotOptimize(card);
  }
}
BENCHMARK(BM_CamCardsOfTheEngine)->Unit(benchmark::kMicrosecond);

// The whole command's work for a folder: list the files and their lobes, read each lobe, place
// it, build its valve tables and work out its card. Each repetition starts from nothing in the
// program (the folder is written before the first).
void BM_FolderOf1000LobesWithCards(benchmark::State& state) {
  static const LobeFolder folder;
  const Engine engine;
  for (auto _ : state) {
    std::string why;
    const auto rows = LobeCards(folder.path(), engine.inputs(), {}, kHeights, why);
    if (!rows || rows->size() != 1000 || !rows->front().card) {
      state.SkipWithError("the folder did not list 1,000 lobes with cards");
      break;
    }
    benchmark::DoNotOptimize(rows->data());
  }
}
BENCHMARK(BM_FolderOf1000LobesWithCards)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(false);

}  // namespace
}  // namespace orv
