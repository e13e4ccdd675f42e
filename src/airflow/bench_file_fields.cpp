#include "airflow/bench_file_fields.h"

#include "base/codepage.h"

namespace orv {

namespace {

std::string_view TrimPadding(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

}  // namespace

std::string BenchText(const ByteReader& r, std::size_t offset, std::size_t count) {
  const std::string raw = r.Raw(offset, count);
  std::string_view s = raw;
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return Cp1252ToUtf8(s);
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
