#include "airflow/bench_file_fields.h"

#include "base/codepage.h"
#include "base/text.h"

namespace orv {

namespace {

// Text fields are padded with blanks or NULs at their end.
constexpr std::string_view kPadding{" \0", 2};

std::string_view TrimPadding(std::string_view s) { return TrimLeft(TrimRight(s, kPadding)); }

}  // namespace

std::string BenchText(const ByteReader& r, std::size_t offset, std::size_t count) {
  const std::string raw = r.Raw(offset, count);
  return Cp1252ToUtf8(TrimRight(raw, kPadding));
}

std::optional<CivilDate> BenchDate(const ByteReader& r, std::size_t offset) {
  return ParseDateText(TrimPadding(r.Raw(offset, 8)));
}

std::string BenchTime(const ByteReader& r, std::size_t offset) {
  const std::string raw = r.Raw(offset, 8);
  const std::string_view t = TrimPadding(raw);
  return IsTimeText(t) ? std::string(t) : std::string();
}

}  // namespace orv
