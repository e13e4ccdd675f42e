#include "base/byte_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv {
namespace {

TEST(ByteReader, DecodesLittleEndianFields) {
  const std::vector<std::uint8_t> b = {0x34, 0x12, 0xFE, 0xFF, 0x00, 0x00, 0x80, 0x3F,
                                       0,    0,    0,    0,    0,    0,    0xF0, 0x3F};
  ByteReader r(b);
  EXPECT_EQ(r.U16(0), 0x1234);
  EXPECT_EQ(r.I16(2), -2);
  EXPECT_EQ(r.F32(4), 1.0f);
  EXPECT_EQ(r.F64(8), 1.0);
  EXPECT_EQ(r.I32(0), static_cast<std::int32_t>(0xFFFE1234));
}

TEST(ByteReader, NeverReadsPastTheEnd) {
  const std::vector<std::uint8_t> b = {1, 2, 3};
  ByteReader r(b);
  EXPECT_THROW(r.U32(0), ByteRangeError);
  EXPECT_THROW(r.U8(3), ByteRangeError);
  EXPECT_THROW(r.Bytes(2, SIZE_MAX), ByteRangeError);
  EXPECT_THROW(r.Raw(SIZE_MAX, 1), ByteRangeError);
  EXPECT_EQ(r.Raw(1, 2), "\x02\x03");
}

}  // namespace
}  // namespace orv
