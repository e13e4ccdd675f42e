#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orv::test {

// Our own writer of CSV flow-test files in every dialect the benches and spreadsheets write,
// made from the dialects' description alone (it shares no code with the program's reader).

// One cell: a number (written in its shortest exact form, a float as a float) or a text.
struct CsvCell {
  CsvCell(float v);        // NOLINT(google-explicit-constructor): cells are written inline
  CsvCell(double v);       // NOLINT(google-explicit-constructor)
  CsvCell(const char* t);  // NOLINT(google-explicit-constructor)
  CsvCell(std::string t);  // NOLINT(google-explicit-constructor)
  std::string text;        // the number with a decimal point, or the text (UTF-8)
  bool number = false;
};

struct CsvTable {
  std::vector<std::string> header;  // UTF-8; no header line when empty
  std::vector<std::vector<CsvCell>> rows;
};

enum class CsvEncoding { Utf8, Utf8Bom, Cp1252 };

struct CsvDialect {
  char separator = ',';
  bool decimalComma = false;  // numbers with "," (with a semicolon or tab separator)
  bool quoteAll = false;      // every field in double quotes (texts needing it always are)
  CsvEncoding encoding = CsvEncoding::Utf8;
  std::string_view lineEnd = "\n";
  bool finalLineEnd = true;
  int blankLinesAtEnd = 0;  // as spreadsheets leave them
};

// The file's bytes.
std::string CsvText(const CsvTable& table, const CsvDialect& dialect = {});
void WriteCsvFile(const std::filesystem::path& path, const CsvTable& table,
                  const CsvDialect& dialect = {});

// The dialects the tests read: comma; semicolon with decimal comma; tab; quoted fields with
// CR LF line ends; UTF-8 with a byte-order mark; Windows-1252.
std::vector<std::pair<std::string, CsvDialect>> AllCsvDialects();

}  // namespace orv::test
