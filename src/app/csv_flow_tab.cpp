#include "app/csv_flow_tab.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include "base/text.h"

namespace orv {

namespace {

// A remembered mapping as the configuration keeps it: the layout key, then the lift, flow,
// depression and swirl columns and the lift, flow and depression unit numbers, separated by
// ";" ("h0123456789abcdef;1;2;3;0;0;1;1").
std::string MappingText(const std::string& layout, const CsvTabMapping& m) {
  std::string text = layout;
  for (const int v : {m.columns.lift, m.columns.flow, m.columns.depression, m.columns.swirl,
                      static_cast<int>(m.units.lift), static_cast<int>(m.units.flow),
                      static_cast<int>(m.units.depression)}) {
    text += ';' + std::to_string(v);
  }
  return text;
}

std::optional<CsvTabMapping> ParseMapping(std::string_view text, std::string_view layout) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(';', start), text.size());
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (parts.size() != 8 || parts[0] != layout) return std::nullopt;
  int v[7] = {};
  for (std::size_t i = 0; i < 7; ++i) {
    const std::string_view p = parts[i + 1];
    const auto [ptr, ec] = std::from_chars(p.data(), p.data() + p.size(), v[i]);
    if (ec != std::errc() || ptr != p.data() + p.size() || v[i] < 0 || v[i] > 100000) {
      return std::nullopt;
    }
  }
  if (v[0] < 1 || v[1] < 1 || v[4] > 1 || v[5] > 2 || v[6] > 2) return std::nullopt;
  CsvTabMapping m;
  m.columns = {v[0], v[1], v[2], v[3]};
  m.units = {static_cast<LiftUnit>(v[4]), static_cast<FlowUnit>(v[5]),
             static_cast<DepressionUnit>(v[6])};
  return m;
}

}  // namespace

std::string CsvLayoutKey(const CsvPreview& preview) {
  if (!preview.hasHeader) {
    const std::size_t columns = preview.rows.empty() ? 0 : preview.rows.front().size();
    return "n" + std::to_string(columns);
  }
  // FNV-1a over the names, each followed by a unit separator.
  std::uint64_t hash = 14695981039346656037ull;
  for (const std::string& name : preview.header) {
    for (const char c : AsciiLower(Trim(name, " \t"))) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 1099511628211ull;
    }
    hash ^= 0x1F;
    hash *= 1099511628211ull;
  }
  char digits[17] = {};
  std::to_chars(digits, digits + 16, hash, 16);
  return "h" + std::string(digits);
}

std::optional<CsvTabMapping> RememberedCsvMapping(const Settings& settings,
                                                  const std::string& layout) {
  for (const std::string& text : settings.csvMappings) {
    if (auto m = ParseMapping(text, layout)) return m;
  }
  return std::nullopt;
}

void RememberCsvMapping(Settings& settings, const std::string& layout,
                        const CsvTabMapping& mapping) {
  std::vector<std::string>& list = settings.csvMappings;
  list.erase(std::remove_if(
                 list.begin(), list.end(),
                 [&](const std::string& text) { return text.substr(0, text.find(';')) == layout; }),
             list.end());
  list.insert(list.begin(), MappingText(layout, mapping));
  if (list.size() > static_cast<std::size_t>(kMaxCsvMappings)) {
    list.resize(static_cast<std::size_t>(kMaxCsvMappings));
  }
}

CsvTabMapping InitialCsvMapping(const Settings& settings, const CsvPreview& preview) {
  if (auto m = RememberedCsvMapping(settings, CsvLayoutKey(preview))) return *m;
  const CsvMapping guess = GuessCsvMapping(preview.header);
  return {guess.columns, guess.units};
}

}  // namespace orv
