#include "base/byte_reader.h"

#include <bit>
#include <cstring>

namespace orv {

void ByteReader::Require(std::size_t offset, std::size_t count) const {
  if (!Has(offset, count)) {
    throw ByteRangeError("read of " + std::to_string(count) + " bytes at offset " +
                         std::to_string(offset) + " past the end of " +
                         std::to_string(bytes_.size()) + " bytes");
  }
}

std::uint8_t ByteReader::U8(std::size_t offset) const {
  Require(offset, 1);
  return bytes_[offset];
}

std::int8_t ByteReader::I8(std::size_t offset) const {
  return static_cast<std::int8_t>(U8(offset));
}

std::uint16_t ByteReader::U16(std::size_t offset) const {
  Require(offset, 2);
  return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
}

std::int16_t ByteReader::I16(std::size_t offset) const {
  return static_cast<std::int16_t>(U16(offset));
}

std::uint32_t ByteReader::U32(std::size_t offset) const {
  Require(offset, 4);
  return static_cast<std::uint32_t>(bytes_[offset]) |
         (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
}

std::int32_t ByteReader::I32(std::size_t offset) const {
  return static_cast<std::int32_t>(U32(offset));
}

float ByteReader::F32(std::size_t offset) const { return std::bit_cast<float>(U32(offset)); }

double ByteReader::F64(std::size_t offset) const {
  const std::uint64_t lo = U32(offset);
  const std::uint64_t hi = U32(offset + 4);
  return std::bit_cast<double>(lo | (hi << 32));
}

std::span<const std::uint8_t> ByteReader::Bytes(std::size_t offset, std::size_t count) const {
  Require(offset, count);
  return bytes_.subspan(offset, count);
}

std::string ByteReader::Raw(std::size_t offset, std::size_t count) const {
  const auto b = Bytes(offset, count);
  return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

}  // namespace orv
