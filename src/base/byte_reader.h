#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace orv {

// Raised by `ByteReader` when a field lies outside the bytes it was given. Readers of outside
// files catch it at their boundary and answer with their own error code.
class ByteRangeError final : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

// Bounds-checked little-endian decoding of a file held in memory. Every read names its offset
// and size; nothing is read outside the buffer, whatever the file says.
class ByteReader final {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) noexcept : bytes_(bytes) {}

  std::size_t size() const noexcept { return bytes_.size(); }
  bool Has(std::size_t offset, std::size_t count) const noexcept {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }

  std::uint8_t U8(std::size_t offset) const;
  std::int8_t I8(std::size_t offset) const;
  std::uint16_t U16(std::size_t offset) const;
  std::int16_t I16(std::size_t offset) const;
  std::uint32_t U32(std::size_t offset) const;
  std::int32_t I32(std::size_t offset) const;
  float F32(std::size_t offset) const;
  double F64(std::size_t offset) const;
  std::span<const std::uint8_t> Bytes(std::size_t offset, std::size_t count) const;
  // `count` raw bytes as a string (no conversion, NULs kept).
  std::string Raw(std::size_t offset, std::size_t count) const;

 private:
  void Require(std::size_t offset, std::size_t count) const;
  std::span<const std::uint8_t> bytes_;
};

}  // namespace orv
