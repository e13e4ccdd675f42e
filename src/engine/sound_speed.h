#pragma once

#include <array>

namespace orv {

// Speed of sound in a gas with ratio of specific heats `k` (held as a 32-bit float) at
// temperature T degrees F: sqrt(k x g x R x (T + 460)) with g = 32.164 ft/s2 and the gas
// constant of air 53.6 ft-lbf/(lbm R); ft/s.
double SoundSpeed(float k, double temperatureF);

// Speed of sound in intake air at T degrees F. The ratio of specific heats rises along a
// quarter circle from 1.2 at 30 F to 1.4 at 160 F (chosen at the whole degree, halves to even).
double IntakeSoundSpeed(double temperatureF);

// Intake speeds of sound at 30 F to 160 F in quarter degrees (521 entries), and the inverse
// lookup: the temperature of intake air in which sound travels at `c` ft/s.
class SoundSpeedTable final {
 public:
  SoundSpeedTable();
  double TempFromSoundSpeed(double c) const;
  double Entry(int i) const { return table_.at(static_cast<std::size_t>(i)); }

  static constexpr int kEntries = 521;

 private:
  std::array<double, kEntries> table_{};
};

}  // namespace orv
