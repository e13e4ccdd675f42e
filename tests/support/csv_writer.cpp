#include "support/csv_writer.h"

#include <array>
#include <charconv>
#include <fstream>

#include "base/codepage.h"

namespace orv::test {

namespace {

template <class T>
std::string Shortest(T v) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
  return std::string(buffer.data(), result.ptr);
}

std::string Field(const CsvCell& cell, const CsvDialect& d) {
  std::string text = cell.text;
  if (cell.number && d.decimalComma) {
    for (char& c : text) {
      if (c == '.') c = ',';
    }
  }
  const bool needsQuotes =
      text.find_first_of(std::string("\"\r\n") + d.separator) != std::string::npos;
  if (!d.quoteAll && !needsQuotes) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

CsvCell::CsvCell(float v) : text(Shortest(v)), number(true) {}
CsvCell::CsvCell(double v) : text(Shortest(v)), number(true) {}
CsvCell::CsvCell(const char* t) : text(t) {}
CsvCell::CsvCell(std::string t) : text(std::move(t)) {}

std::string CsvText(const CsvTable& table, const CsvDialect& d) {
  std::string out;
  if (d.encoding == CsvEncoding::Utf8Bom) out += "\xEF\xBB\xBF";
  std::vector<std::string> lines;
  auto line = [&](const std::vector<CsvCell>& cells) {
    std::string l;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) l += d.separator;
      l += Field(cells[i], d);
    }
    lines.push_back(l);
  };
  if (!table.header.empty()) {
    std::vector<CsvCell> names(table.header.begin(), table.header.end());
    line(names);
  }
  for (const auto& row : table.rows) line(row);
  for (int i = 0; i < d.blankLinesAtEnd; ++i) lines.emplace_back();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (i + 1 < lines.size() || d.finalLineEnd) out += d.lineEnd;
  }
  if (d.encoding == CsvEncoding::Cp1252) return Utf8ToCp1252(out);
  return out;
}

void WriteCsvFile(const std::filesystem::path& path, const CsvTable& table,
                  const CsvDialect& dialect) {
  std::ofstream file(path, std::ios::binary);
  file << CsvText(table, dialect);
}

std::vector<std::pair<std::string, CsvDialect>> AllCsvDialects() {
  std::vector<std::pair<std::string, CsvDialect>> all;
  all.push_back({"Comma", {}});
  CsvDialect semicolon;
  semicolon.separator = ';';
  semicolon.decimalComma = true;
  all.push_back({"SemicolonDecimalComma", semicolon});
  CsvDialect semicolonPoint;
  semicolonPoint.separator = ';';
  all.push_back({"SemicolonDecimalPoint", semicolonPoint});
  CsvDialect tab;
  tab.separator = '\t';
  all.push_back({"Tab", tab});
  CsvDialect tabComma;
  tabComma.separator = '\t';
  tabComma.decimalComma = true;
  all.push_back({"TabDecimalComma", tabComma});
  CsvDialect quoted;
  quoted.quoteAll = true;
  quoted.lineEnd = "\r\n";
  all.push_back({"QuotedCrLf", quoted});
  CsvDialect bom;
  bom.encoding = CsvEncoding::Utf8Bom;
  bom.lineEnd = "\r\n";
  bom.blankLinesAtEnd = 2;
  all.push_back({"Utf8BomBlankLines", bom});
  CsvDialect cp1252;
  cp1252.encoding = CsvEncoding::Cp1252;
  cp1252.separator = ';';
  cp1252.decimalComma = true;
  cp1252.quoteAll = true;
  cp1252.finalLineEnd = false;
  all.push_back({"Windows1252", cp1252});
  CsvDialect oldMac;
  oldMac.lineEnd = "\r";
  all.push_back({"CrOnly", oldMac});
  return all;
}

}  // namespace orv::test
