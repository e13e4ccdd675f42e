#pragma once

#include <optional>
#include <string>

#include "airflow/csv_flow_test.h"
#include "files/config_file.h"

namespace orv {

// What the flow test dialog's CSV tab remembers of a file's columns: which column holds what and
// in which unit, kept per header layout, so that the next file of the same bench opens with the
// mapping the user chose.
struct CsvTabMapping {
  CsvColumns columns;
  CsvUnits units;
  bool operator==(const CsvTabMapping&) const = default;
};

// The key of a file's header layout: its column names (any case, blanks trimmed) in order, or
// for a file without a header its number of columns.
std::string CsvLayoutKey(const CsvPreview& preview);

// The mapping remembered for a layout, if any.
std::optional<CsvTabMapping> RememberedCsvMapping(const Settings& settings,
                                                  const std::string& layout);
// Remembers a mapping for a layout, as the latest; the oldest beyond `kMaxCsvMappings` are
// forgotten.
void RememberCsvMapping(Settings& settings, const std::string& layout,
                        const CsvTabMapping& mapping);

// The mapping the tab starts from: the remembered one, else the header's guess.
CsvTabMapping InitialCsvMapping(const Settings& settings, const CsvPreview& preview);

}  // namespace orv
