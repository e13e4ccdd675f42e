#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "files/config_file.h"
#include "files/interface_strings.h"
#include "reports/report_builder.h"

namespace orv::test {

// The interface texts the program ships (resources/OV-STR.TXT of the source tree).
inline InterfaceStrings ShippedStrings() {
  InterfaceStrings s;
  const char* source = std::getenv("ORVANTIS_SOURCE_DIR");
  LoadInterfaceStrings(
      std::filesystem::path(source != nullptr ? source : ".") / "resources" / kInterfaceStringFile,
      s);
  return s;
}

inline const ReportStamp kFixedStamp{"03/14/2026", "09:26:53"};
inline const char* const kEnginePath = "C:\\Orvantis\\Engines\\MyEngine000.OV";

// The lines of a details report after its column heads.
inline std::vector<std::string> DataLines(const std::string& text) {
  std::vector<std::string> lines = SplitReportLines(text);
  std::size_t i = 0;
  while (i < lines.size() && lines[i].find(" ---------") != 2) ++i;
  if (i < lines.size()) ++i;
  return {lines.begin() + static_cast<long>(std::min(i, lines.size())), lines.end()};
}

// Column k (0 = crank angle, 10 characters; then 11 each) of a details line, blanks trimmed.
inline std::string Column(const std::string& line, int k) {
  const std::size_t start = 2 + (k == 0 ? 0 : 10 + 11 * static_cast<std::size_t>(k - 1));
  const std::size_t width = k == 0 ? 10 : 11;
  std::string cell = line.substr(start, width);
  cell.erase(0, cell.find_first_not_of(' '));
  return cell;
}

}  // namespace orv::test
