#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace orv::test {

// Little-endian byte building for our own writers of the binary file formats.
class ByteSink final {
 public:
  void U8(std::uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
  void I16(std::int16_t v) {
    const auto u = static_cast<std::uint16_t>(v);
    U8(static_cast<std::uint8_t>(u & 0xFF));
    U8(static_cast<std::uint8_t>(u >> 8));
  }
  void I32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>((u >> (8 * i)) & 0xFF));
  }
  void F32(float v) { I32(std::bit_cast<std::int32_t>(v)); }
  void F64(double v) {
    const auto u = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i) U8(static_cast<std::uint8_t>((u >> (8 * i)) & 0xFF));
  }
  // `count` bytes of text, cut or padded with blanks.
  void Text(std::string_view text, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) U8(i < text.size() ? text[i] : ' ');
  }
  void Raw(std::string_view bytes) { bytes_.append(bytes); }
  void Fill(std::size_t count, std::uint8_t v = 0) { bytes_.append(count, static_cast<char>(v)); }

  std::size_t size() const noexcept { return bytes_.size(); }
  const std::string& bytes() const noexcept { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace orv::test
