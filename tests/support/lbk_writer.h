#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orv::test {

// Our own writer of the lobe data files (".LBK") of cam-measuring machines, made from the byte
// layout alone. Areas the program does not read are filled with 0xEE so that a reader that
// strays into them is caught.

// One lobe: its directory entry and its record.
struct LbkLobe {
  std::int16_t shaftNo = 1;
  std::int16_t lobeNo = 1;
  float centerlineCamDegrees = 0;  // entry offset 4
  float liftOffset = 0;
  float lash = 0;
  float rockerRatio = 1.5f;
  std::int16_t smoothing = 0;
  float camCenterLine = 0;        // entry offset 26, versions 4 and later
  std::array<float, 360> lift{};  // cam angles -180..179
  // Record fields of versions 6 and later (written whatever the count says).
  std::int32_t geometryCount = 0;
  float followerRadius = 0, baseCircleRadius = 0;
  std::int32_t followerMode = 0;
  float engineFollowerRadius = 0, rockerRollerRadius = 0, pivotDistance = 0, rockerCamArm = 0;
  float valveTriangleA = 0, rockerValveArm = 0, valveTriangleC = 0;
  std::int16_t rockerDirection = 0, angleFlag = 0;
  float geometryAngle = 0;
  std::int16_t centerlineMethod = 0;
  float angleOffset = 0;  // versions 8 and later
};

struct LbkFile {
  std::string signature = "C2data";  // followed by 0x1E
  int version = 6;                   // stored as the letter 64 + version
  std::string notes;                 // Windows-1252, cut or padded to 960 bytes
  std::int16_t linearOnValve = 0;
  std::int16_t shaftCount = 1;
  std::array<std::string, 4> shaftNames;  // 12 bytes each, NUL-padded
  double followerRadius = 0.375;          // versions 3 and later
  double baseCircleRadius = 0.5;
  std::vector<LbkLobe> lobes;
  std::optional<std::int16_t> lobeCount;  // default: the number of lobes
  std::optional<std::int16_t> slotCount;  // default: the lobe count; extra slots are empty
  std::optional<std::size_t> truncateTo;  // cut the file to this many bytes
};

// Length of the header of a version: 1862, 1878 or 1910 bytes.
std::size_t LbkHeaderLength(int version);
std::string LbkBytes(const LbkFile& file);
void WriteLbkFile(const std::filesystem::path& path, const LbkFile& file);
// Writes any bytes as a file.
void WriteBytesFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace orv::test
