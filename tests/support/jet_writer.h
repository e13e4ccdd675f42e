#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace orv::test {

// Our own writer of Jet database files (the Access 2000 ".mdb" format, Jet 4, and the Access 97
// form, Jet 3), written from the
// file-format notes that mdbtools installs (HACKING.md). It makes the test databases of the flow
// bench: user tables of Boolean, Byte, Integer, Long, Currency, Single, Double, Date/Time, Text
// and Memo columns with NULLs, a primary key index description where asked for, and the system
// catalog that lists them. It writes what a reader needs and nothing more: no index pages, no
// properties, no relationships.

// Column types, by their code in the table definition.
enum class JetType : std::uint8_t {
  Boolean = 0x01,
  Byte = 0x02,
  Integer = 0x03,  // 16-bit
  Long = 0x04,     // 32-bit
  Money = 0x05,    // 64-bit, units of 1/10000
  Single = 0x06,
  Double = 0x07,
  DateTime = 0x08,  // day number since 30 Dec 1899 as a double
  Text = 0x0A,
  Ole = 0x0B,  // long binary; the value is given as a string of raw bytes
  Memo = 0x0C,
};

struct JetColumn {
  std::string name;
  JetType type;
  int textChars = 50;  // Text columns: the most characters a value may have (1..255)
};

// A cell: NULL, a flag, a whole number, a floating-point number (Single, Double, Date/Time,
// Currency) or a UTF-8 text. Values are stored in the column's type; a whole number in a
// floating-point column and the reverse are converted.
struct JetNull {};
using JetValue = std::variant<JetNull, bool, std::int64_t, double, std::string>;

struct JetTable {
  std::string name;
  std::vector<JetColumn> columns;
  std::vector<std::vector<JetValue>> rows;  // each row holds one value per column
  std::vector<std::string> primaryKey;      // column names of the primary key index, if any
  bool systemTable = false;
};

// How text is stored: Jet 4 keeps text as UCS-2, optionally in the compressed form (one byte per
// character while the high bytes are zero).
enum class JetTextForm { Compressed, Uncompressed };

struct JetWriteOptions {
  JetTextForm textForm = JetTextForm::Compressed;
  // Memo values whose stored bytes exceed this stay out of the row, on long-value pages.
  std::size_t inlineMemoBytes = 1000;
  // Write the older Jet 3 (Access 97) form instead: 2048-byte pages, text in Windows-1252.
  bool jet3 = false;
};

// The bytes of a whole database holding `tables`. Throws std::invalid_argument for a table the
// format cannot hold (a row longer than a page, a text longer than its column).
std::string WriteJet4Database(const std::vector<JetTable>& tables,
                              const JetWriteOptions& options = {});

// The same in the Jet 3 form.
std::string WriteJet3Database(const std::vector<JetTable>& tables,
                              const JetWriteOptions& options = {});

// Writes the file in the form `options` names (Jet 4 unless `jet3`).
void WriteJetFile(const std::filesystem::path& path, const std::vector<JetTable>& tables,
                  const JetWriteOptions& options = {});

// Day number of a date in the Jet (and VB) calendar: 30 Dec 1899 is day 0.
double JetDayNumber(int year, int month, int day);

}  // namespace orv::test
