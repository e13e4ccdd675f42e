#include "engine/sound_speed.h"

#include <cmath>

#include "base/checked_fp.h"
#include "base/rounding.h"

namespace orv {

double SoundSpeed(float k, double temperatureF) {
  return Chk(std::sqrt(Chk(static_cast<double>(k) * 32.164 * 53.6 * (temperatureF + 460))));
}

double IntakeSoundSpeed(double temperatureF) {
  const double t = RoundHalfEven(temperatureF);
  float k;
  if (t > 160) {
    k = 1.4f;
  } else if (t < 30) {
    k = 1.2f;
  } else {
    const double d = t - 160;
    k = ToSingle(1.2 + 0.2 * std::sqrt(16900 - d * d) / 130);
  }
  return SoundSpeed(k, temperatureF);
}

SoundSpeedTable::SoundSpeedTable() {
  // A fault flag left pending by earlier work (drawing, another library) is not this table's.
  FpRegion fp;
  for (int i = 0; i < kEntries; ++i)
    table_[static_cast<std::size_t>(i)] = IntakeSoundSpeed(30 + i / 4.0);
}

double SoundSpeedTable::TempFromSoundSpeed(double c) const {
  // Outside the table the ratio of specific heats is constant and the formula inverts exactly.
  if (c < 1006.82985414617) return Chk(c * c / 2068.78848 - 460);
  if (c > 1223.28396834096) return Chk(c * c / 2413.58656 - 460);
  int i = 0;
  while (i < kEntries && !(table_[static_cast<std::size_t>(i)] > c)) ++i;
  return 30 + i / 4.0;
}

}  // namespace orv
