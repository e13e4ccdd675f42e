#include "engine/sound_speed.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

namespace orv {
namespace {

TEST(SoundSpeed, FollowsTheIdealGasFormula) {
  EXPECT_NEAR(SoundSpeed(1.4f, 60), std::sqrt(1.4f * 32.164 * 53.6 * 520), 1e-9);
  // k = 1.2 below 30 F and 1.4 above 160 F.
  EXPECT_DOUBLE_EQ(IntakeSoundSpeed(20), SoundSpeed(1.2f, 20));
  EXPECT_DOUBLE_EQ(IntakeSoundSpeed(200), SoundSpeed(1.4f, 200));
  // On the quarter circle: at 95 F, d = -65, k = 1.2 + 0.2 sqrt(16900 - 4225) / 130.
  const float k95 = static_cast<float>(1.2 + 0.2 * std::sqrt(16900.0 - 65 * 65) / 130);
  EXPECT_DOUBLE_EQ(IntakeSoundSpeed(95.2), SoundSpeed(k95, 95.2));
}

TEST(SoundSpeedTable, InvertsTheIntakeSpeedOfSound) {
  SoundSpeedTable table;
  EXPECT_DOUBLE_EQ(table.Entry(0), IntakeSoundSpeed(30));
  EXPECT_DOUBLE_EQ(table.Entry(520), IntakeSoundSpeed(160));
  // Below the table: a critical velocity of 580 ft/s is 58 % of 1000 ft/s.
  EXPECT_NEAR(table.TempFromSoundSpeed(1000), 1000.0 * 1000 / 2068.78848 - 460, 1e-12);
  EXPECT_NEAR(table.TempFromSoundSpeed(1000), 23.37, 0.005);
  EXPECT_NEAR(table.TempFromSoundSpeed(1300), 1300.0 * 1300 / 2413.58656 - 460, 1e-12);
  // Inside: the first quarter degree whose speed is above c.
  const double c = table.Entry(200) - 1e-9;
  EXPECT_DOUBLE_EQ(table.TempFromSoundSpeed(c), 30 + 200 / 4.0);
}

// A division by zero flagged by earlier work (a window's drawing) does not end the building of
// the table: the table starts its own checked region.
TEST(SoundSpeedTable, IgnoresAFaultFlaggedBeforeIt) {
  std::feraiseexcept(FE_DIVBYZERO);
  EXPECT_NO_THROW({
    SoundSpeedTable table;
    EXPECT_DOUBLE_EQ(table.Entry(0), IntakeSoundSpeed(30));
  });
  std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
}  // namespace orv
