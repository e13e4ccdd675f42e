#include "airflow/flow_test.h"

#include <gtest/gtest.h>

#include "base/runtime_error.h"

namespace orv {
namespace {

TEST(FlowTest, EmptyNotesGiveNineLineEnds) {
  FlowTest t;
  EXPECT_EQ(t.Notes(), "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
  EXPECT_EQ(t.FullLineNotes(), std::string(513, ' '));
}

TEST(FlowTest, NotesAreNineFixedLines) {
  FlowTest t;
  std::string fixed(57, ' ');
  fixed.replace(0, 12, "Ported head ");
  fixed += std::string(57, ' ');                                  // line 2 empty
  fixed += "Caf\xC3\xA9 run, 28 in" + std::string(57 - 15, ' ');  // line 3 with an accent
  t.SetFullLineNotes(fixed);                                      // shorter than 513: padded
  EXPECT_EQ(t.Notes(), "Ported head\r\n\r\nCaf\xC3\xA9 run, 28 in\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
  EXPECT_EQ(t.FullLineNotes().size(), 513u + 1);  // the accent takes two bytes in UTF-8
  t.SetFullLineNotes(std::string(600, 'x'));      // cut to 513
  EXPECT_EQ(t.FullLineNotes(), std::string(513, 'x'));
  EXPECT_EQ(t.Notes().size(), 513u + 18);
}

TEST(FlowTest, FlowDataCurveNumbers) {
  FlowTest t;
  t.Condition.SetKind(kKindByLiftManual);
  t.SetRecords(2);
  struct Row {
    int setCurve;
    int getCurve;
    bool stored;
  };
  const Row rows[] = {
      {1, 1, true},    {32, 32, true},  {36, 33, true},  // "Range" by 36, read back as 33 too
      {37, 34, true},  {74, 74, true},  {75, 75, true},
      {33, 33, false},  // 33..35 read but never written
      {35, 35, false}, {38, 38, false}, {0, 0, false},
  };
  float value = 1;
  for (const Row& r : rows) {
    FlowTest fresh = t;
    fresh.SetFlowData(2, r.setCurve, value);
    EXPECT_EQ(fresh.FlowData(2, r.getCurve), r.stored ? value : 0.0f) << r.setCurve;
    value += 1;
  }
  t.SetFlowData(2, kCurveRange, 4);
  EXPECT_EQ(t.FlowData(2, kCurveRange), 4);
  EXPECT_EQ(t.FlowData(2, kColRange), 4);
  t.SetFlowData(3, kColLift, 9);  // past the last row
  t.SetFlowData(-1, kColLift, 9);
  EXPECT_EQ(t.FlowData(3, kColLift), 0);
  EXPECT_EQ(t.FlowData(-1, kColLift), 0);
}

TEST(FlowTest, RecordsResizeKeepingRows) {
  FlowTest t;
  t.Condition.SetKind(kKindByLiftManual);
  t.SetRecords(3);
  t.SetFlowData(1, kColCCfm, 100);
  t.SetFlowData(3, kColCCfm, 300);
  t.SetRecords(1);
  EXPECT_EQ(t.FlowData(1, kColCCfm), 100);
  t.SetRecords(3);
  EXPECT_EQ(t.FlowData(3, kColCCfm), 0);
  EXPECT_THROW(t.SetRecords(-1), RuntimeError);
}

TEST(FlowTest, PortMapTestHasNoRecordTable) {
  FlowTest t;
  t.Condition.SetKind(kKindByLiftManual);
  t.SetRecords(1);
  t.SetFlowData(1, kColCCfm, 150);
  t.Condition.SetKind(kKindPortMap);
  EXPECT_EQ(t.FlowData(1, kColCCfm), 0);
  t.SetFlowData(1, kColCCfm, 99);
  t.CalcAVel(1);
  t.Condition.SetKind(kKindByLiftManual);
  EXPECT_EQ(t.FlowData(1, kColCCfm), 150);
}

TEST(FlowTest, RangeCalibrationIndices) {
  FlowTest t;
  t.SetIntakeRangeCal(12, 1.5f);
  t.SetIntakeRangeCal(13, 9);
  t.SetExhaustRangeCal(0, 9);
  t.SetExhaustRangeCal(1, 2.5f);
  EXPECT_EQ(t.IntakeRangeCal(12), 1.5f);
  EXPECT_EQ(t.IntakeRangeCal(13), 0);
  EXPECT_EQ(t.ExhaustRangeCal(0), 0);
  EXPECT_EQ(t.ExhaustRangeCal(1), 2.5f);
}

TEST(FlowTest, SetRecordLengthByKind) {
  struct Row {
    std::int32_t kind;
    std::int16_t pitots;
    std::int16_t expected;
  };
  // Kind 7 is none of the known kinds: the length stays what it was (10 of kind 3 here).
  const Row rows[] = {{0, 0, 10}, {3, 0, 10},  {1, 0, 9},  {10, 4, 9},  {6, 0, 11},
                      {2, 0, 11}, {5, -1, 12}, {5, 3, 14}, {2, 12, 23}, {7, 0, 10}};
  for (const Row& r : rows) {
    FlowTest t;
    t.Condition.SetKind(kKindByDepression);
    t.SetRecordLength();
    t.Condition.SetKind(r.kind);
    t.Condition.PitotPerLift = r.pitots;
    t.SetRecordLength();
    EXPECT_EQ(t.RecordLength(), r.expected) << r.kind;
  }
}

TEST(FlowTest, SetRecordLengthOfAPortMapCountsPlanes) {
  FlowTest t;
  TestCondition& c = t.Condition;
  c.SetKind(kKindPortMap);
  c.SetPlaneKind(1, 1);
  c.SetPlaneWallRow(1, 4);
  c.SetPlaneCenterCol(1, 5);  // 14 regions: 2 + 28 values
  c.SetPlaneKind(3, 3);
  c.SetPlaneWallRow(3, 8);
  c.SetPlaneCenterCol(3, 3);  // 11 regions: 2 + 22 values
  t.SetRecordLength();
  EXPECT_EQ(t.RecordLength(), 54);
  EXPECT_EQ(t.Records(), 2);
}

// A 2-inch intake valve by method 3 (146 pi CFM at 28 in), port areas 2, -1, 0, 0.
FlowTest ByLiftTest(std::int32_t kind) {
  FlowTest t;
  TestCondition& c = t.Condition;
  c.SetKind(kind);
  c.IsIntake = true;
  c.HeadIntakeVDia = 2;
  c.HeadIntakeStemDia = 0.3f;
  c.StdFlowMethod = 3;
  c.SetXArea(1, 2);
  c.SetXArea(2, -1);
  t.SetRecords(2);
  for (int row = 1; row <= 2; ++row) {
    t.SetFlowData(row, kColLift, 0.25f * row);
    t.SetFlowData(row, kColDepr, 28);
    t.SetFlowData(row, kColCCfm, 229.3362637f * row);  // half and all of the ideal flow
  }
  return t;
}

TEST(FlowTest, StandardFlowDischargeCoefficientsAndVelocities) {
  for (std::int32_t kind : {2, 5, 10, -1}) {
    FlowTest t = ByLiftTest(kind);
    t.CalcStdFlowAndDC();
    for (int row = 1; row <= 2; ++row) {
      const double cfm = 229.3362637 * row;
      EXPECT_NEAR(t.FlowData(row, kColStdFlow), 458.6725275, 1e-3);
      EXPECT_NEAR(t.FlowData(row, kColValveDC), 0.5 * row, 1e-6);
      EXPECT_NEAR(t.FlowData(row, kColXAreaDC1), cfm / 292.0, 1e-6);  // sqrt(1) x 146 x 2
      EXPECT_EQ(t.FlowData(row, kColXAreaDC1 + 1), 0);                // negative area taken as 0
      EXPECT_EQ(t.FlowData(row, kColXAreaDC1 + 2), 0);
      EXPECT_NEAR(t.FlowData(row, kColXAreaVel1), cfm * 2.4 / 2, 1e-3);
      EXPECT_NEAR(t.FlowData(row, kColXAreaVel1 + 1), -cfm * 2.4, 1e-3);  // not clamped
      EXPECT_EQ(t.FlowData(row, kColXAreaVel1 + 2), 0);
    }
    // Row 0, the origin, has no depression: no ideal flow.
    EXPECT_EQ(t.FlowData(0, kColStdFlow), 0);
    EXPECT_EQ(t.FlowData(0, kColValveDC), 0);
  }
}

TEST(FlowTest, StandardFlowSkipsOtherKinds) {
  for (std::int32_t kind : {3, 4, 6}) {
    FlowTest t = ByLiftTest(kKindByLiftManual);
    for (int col = kColStdFlow; col <= kColXAreaVel1 + 3; ++col) t.SetFlowData(1, col, 7);
    t.Condition.SetKind(kind);
    t.CalcStdFlowAndDC();
    t.Condition.SetKind(kKindByLiftManual);
    for (int col = kColStdFlow; col <= kColXAreaVel1 + 3; ++col) {
      EXPECT_EQ(t.FlowData(1, col), 7) << "kind " << kind << " column " << col;
    }
  }
}

TEST(FlowTest, NameIsTrimmed) {
  FlowTest t;
  t.SetName("  PORT 1  ");
  EXPECT_EQ(t.Name(), "PORT 1");
  EXPECT_EQ(t.Condition.Name(), "PORT 1");
}

}  // namespace
}  // namespace orv
