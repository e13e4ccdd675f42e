#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orv::test {

// Our own writer of the flow bench's DOS test files (".SY"), made from the byte layout alone.

// One test point. Temperatures are stored in tenths of a degree.
struct SyRecord {
  float lift = 0, acfm = 0, ccfm = 0, swirl = 0, aux = 0, mano = 0, depr = 0;
  std::int16_t range = 0;
  std::int16_t temperature1Tenths = 0;
  std::int16_t temperature2Tenths = 0;  // class 5 only
  std::array<float, 12> pitot{};        // classes 4 and 5
};

struct SyFile {
  char version = 'E';                             // B (class 2), C a (3), D (4), E b j q t v (5)
  std::string notes;                              // Windows-1252, cut or padded to 513 bytes
  std::optional<std::int16_t> storedRecordCount;  // default: the number of records
  std::int16_t testType = 5;
  std::string benchFile = "BENCH";
  std::array<float, 9> exhaustRangeCal{};  // entries 1..9 (stored 9 first)
  std::array<float, 9> intakeRangeCal{};   // entries 1..9
  float benchCode = 0;
  std::array<float, 4> xArea{};
  float leakage = 0, barometer = 0, wetBulb = 0, dryBulb = 0;
  float valveDia = 0, stemDia = 0, valveArea = 0;
  std::string date = "01-15-99";
  std::string time = "14:05:30";
  std::int16_t pitotPerLift = 0;
  std::vector<SyRecord> records;
  std::optional<std::size_t> truncateTo;  // cut the file to this many bytes
};

std::string SyBytes(const SyFile& file);
void WriteSyFile(const std::filesystem::path& path, const SyFile& file);

}  // namespace orv::test
