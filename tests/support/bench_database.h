#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/jet_writer.h"

namespace orv::test {

// Test databases of the flow bench: the tables and columns the program reads ("TblTest", the
// six per-kind tables, the record tables, customers, operators, custom names) with their Jet
// types, filled from rows given column by column. Columns a row does not give are NULL;
// columns listed with `Omit` are left out of the table altogether.
class BenchDatabase final {
 public:
  using Row = std::map<std::string, JetValue>;

  BenchDatabase();

  // Adds a row to a table (any of the bench's tables; see TableNames()).
  BenchDatabase& Add(const std::string& table, Row row);
  // Leaves a column out of a table.
  BenchDatabase& Omit(const std::string& table, const std::string& column);
  // Leaves a whole table out of the file.
  BenchDatabase& OmitTable(const std::string& table);
  // Gives a table a column beyond the bench's own (added after them).
  BenchDatabase& Extend(const std::string& table, JetColumn column);

  std::vector<JetTable> Tables() const;
  void Write(const std::filesystem::path& file, const JetWriteOptions& options = {}) const;

  // The bench's tables in the order they are written.
  static std::vector<std::string> TableNames();
  // The columns of a bench table with their types.
  static std::vector<JetColumn> Columns(const std::string& table);

 private:
  // The bench's columns of a table and the columns `Extend` gave it.
  std::vector<JetColumn> AllColumns(const std::string& table) const;

  std::map<std::string, std::vector<Row>> rows_;
  std::map<std::string, std::set<std::string>> omitted_;
  std::set<std::string> omittedTables_;
  std::map<std::string, std::vector<JetColumn>> extra_;
};

// The sample bench used by the tests: customers, operators, custom names and tests of every
// kind with their records. Its contents are listed in bench_database.cpp.
BenchDatabase SampleBench();

// A large bench for the benchmarks: `tests` tests cycling through the six kinds, each with
// `rowsPerTest` by-lift rows, customers and operators.
BenchDatabase GeneratedBench(int tests, int rowsPerTest);

}  // namespace orv::test
