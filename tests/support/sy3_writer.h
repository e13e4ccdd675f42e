#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orv::test {

// Our own writer of the flow bench's multi-test files (SY3), made from the byte layout alone.

// One data row by quantity, placed in file order by `Sy3RowValues`.
struct Sy3Row {
  float acfm = 0, ccfm = 0, swirl = 0, aux = 0, temperature1 = 0, temperature2 = 0, depr = 0,
        lift = 0, mano = 0, range = 0, booster = 0, actualDepr = 0;
  std::vector<float> pitots;
};

// The values of one row in file order for a test of base kind `kind`: version 1 files leave
// out the actual depression.
std::vector<float> Sy3RowValues(int kind, const Sy3Row& row, bool version1);

struct Sy3Test {
  std::string name;
  std::int16_t fullKind = 5;
  std::string notes;  // version 2: the test's own notes
  float valveDia = 0, stemDia = 0, seatDia = 0, seatAngle = 0;
  std::int16_t pitotPerLift = 0;
  std::int16_t flags = 0;
  std::array<float, 4> xArea{};
  std::array<std::uint8_t, 10> planeBytes{};
  std::int16_t records = 0;       // as stored
  std::int16_t recordLength = 0;  // as stored
  std::string date = "03-07-24";
  std::string time = "09:30:00";
  std::int16_t colorIndex = 0;
  float leakage = 0, barometer = 0, wetBulb = 0, dryBulb = 0, humidity = 0, valveArea = 0,
        seatArea = 0;
  std::string benchFile = "SF600";
  std::int16_t benchKind = 0;
  std::array<float, 22> rangeCals{};  // in file order
  std::array<float, 20> lifts{};
  float fudgeFactor = 1;
  std::vector<float> data;  // the floats after the header
  std::optional<std::int16_t> sizeOverride;
  std::optional<std::int32_t> offsetOverride;
};

struct Sy3File {
  char version = 'B';     // "A" version 1, "B" version 2
  std::string fileNotes;  // version 1
  std::vector<Sy3Test> tests;
  std::optional<std::int16_t> countOverride;
};

std::string Sy3Bytes(const Sy3File& file);
void WriteSy3File(const std::filesystem::path& path, const Sy3File& file);

}  // namespace orv::test
