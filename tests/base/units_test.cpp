#include "base/units.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(Units, MetricConversionsRoundTrip) {
  const UnitKind kinds[] = {UnitKind::Length,   UnitKind::AreaMm2,  UnitKind::AreaCm2,
                            UnitKind::Volume,   UnitKind::Velocity, UnitKind::Temperature,
                            UnitKind::Pressure, UnitKind::Torque,   UnitKind::Airflow};
  for (UnitKind k : kinds) {
    EXPECT_NEAR(FromDisplay(k, ToDisplay(k, 3.7, UnitMode::MetricM3), UnitMode::MetricM3), 3.7,
                1e-12);
  }
  EXPECT_DOUBLE_EQ(ToDisplay(UnitKind::Length, 4.0, UnitMode::Metric), 101.6);
  EXPECT_DOUBLE_EQ(ToDisplay(UnitKind::Temperature, 212, UnitMode::Metric), 100);
  EXPECT_DOUBLE_EQ(FromDisplay(UnitKind::Velocity, 1, UnitMode::Metric), 3.2808333333333333);
  EXPECT_DOUBLE_EQ(ToDisplay(UnitKind::Volume, 1, UnitMode::Metric), 16.387064);
}

TEST(Units, AirflowConvertsOnlyInCubicMetresMode) {
  EXPECT_EQ(ToDisplay(UnitKind::Airflow, 300, UnitMode::Metric), 300);
  EXPECT_DOUBLE_EQ(ToDisplay(UnitKind::Airflow, 35.31445483391204, UnitMode::MetricM3), 1.0);
  EXPECT_EQ(ToDisplay(UnitKind::Length, 2, UnitMode::English), 2);
}

TEST(Units, MetricFormatShifts) {
  auto f = [](UnitKind k, int w, int d, UnitMode m = UnitMode::Metric) {
    const NumberFormat r = DisplayFormat(k, {w, d}, m);
    return std::make_pair(r.width, r.decimals);
  };
  EXPECT_EQ(f(UnitKind::Length, 1, 3), std::make_pair(3, 1));
  EXPECT_EQ(f(UnitKind::AreaMm2, 2, 2), std::make_pair(4, 0));
  EXPECT_EQ(f(UnitKind::AreaCm2, 2, 2), std::make_pair(3, 1));
  EXPECT_EQ(f(UnitKind::Volume, 3, 1), std::make_pair(4, 0));
  EXPECT_EQ(f(UnitKind::Velocity, 3, 0), std::make_pair(4, -1));
  EXPECT_EQ(f(UnitKind::Pressure, 1, 1), std::make_pair(-1, 3));
  EXPECT_EQ(f(UnitKind::Temperature, 3, 0), std::make_pair(3, 0));
  EXPECT_EQ(f(UnitKind::Torque, 1, 0), std::make_pair(1, 0));
  EXPECT_EQ(f(UnitKind::Airflow, 3, 1), std::make_pair(3, 1));
  EXPECT_EQ(f(UnitKind::Airflow, 1, 0, UnitMode::MetricM3), std::make_pair(0, 2));
  EXPECT_EQ(f(UnitKind::Length, 1, 3, UnitMode::English), std::make_pair(1, 3));
}

}  // namespace
}  // namespace orv
