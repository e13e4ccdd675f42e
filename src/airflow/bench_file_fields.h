#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "base/byte_reader.h"
#include "base/date_text.h"

namespace orv {

// Field decoding shared by the flow bench's file readers.

// `count` bytes of blank-padded Windows-1252 text as UTF-8, without the trailing padding
// (blanks and NULs).
std::string BenchText(const ByteReader& r, std::size_t offset, std::size_t count);

// An 8-character date field; empty when it does not hold a valid date.
std::optional<CivilDate> BenchDate(const ByteReader& r, std::size_t offset);

// An 8-character time field, trimmed; empty when it does not hold a time of day.
std::string BenchTime(const ByteReader& r, std::size_t offset);

}  // namespace orv
