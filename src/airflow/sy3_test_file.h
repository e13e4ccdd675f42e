#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "airflow/flow_test.h"

namespace orv {

// Reading of the flow bench's multi-test files (SY3): many tests in one file, each found by
// its name and full test kind through the file's directory.

struct Sy3DirEntry {
  std::string name;         // trimmed
  std::int32_t kind = 0;    // full test kind: kind + 100 averaged + 200 totaled
  std::int16_t size = 0;    // bytes of the test block
  std::int32_t offset = 0;  // of the test block from the start of the file
};

struct Sy3Directory {
  int version = 0;        // 1 ("A") or 2 ("B")
  std::string fileNotes;  // version 1: the notes of the whole file (513 Windows-1252 bytes)
  std::vector<Sy3DirEntry> entries;
};

// Reads the file header and the directory. Returns 0; 2 for an empty file; -1 for a file of
// 326 bytes or less, a wrong tag or version, a version-1 file shorter than 520 bytes, a
// negative test count or a directory running past the end of the file.
FlowError Read3Head(std::span<const std::uint8_t> bytes, Sy3Directory& dir);

// Reads from the SY3 file named by the test's `PathFile` the test whose directory name is the
// condition's `Name` and whose directory kind is its `FullTestKind`. `readIn` 2 reads the
// notes and header only. Returns 0, 2 (empty or missing file) or -1 (not an SY3 file, no such
// test, a block of the wrong size). Never throws.
FlowError R3DataFile(FlowTest& test, int readIn, const ProgressFn& progress = {});

// `R3DataFile` with `readIn` 2.
FlowError R3Notes(FlowTest& test);

// As `R3DataFile`, from the bytes of a whole file.
FlowError ReadSy3TestBytes(FlowTest& test, std::span<const std::uint8_t> bytes, int readIn,
                           const ProgressFn& progress = {});

// One test of an SY3 file's directory.
struct Sy3TestName {
  std::string name;
  std::int32_t kind = 0;
  bool operator==(const Sy3TestName&) const = default;
};

// Lists the tests of the SY3 file at `path`, in directory order. Returns the error code of
// `Read3Head` (2 for a missing file); on error the list is empty.
FlowError ReadSY3TestNames(const std::string& path, std::vector<Sy3TestName>& tests);
FlowError ReadSY3TestNamesFromBytes(std::span<const std::uint8_t> bytes,
                                    std::vector<Sy3TestName>& tests);

// The standard 16-colour palette (0x00BBGGRR) an SY3 test's plot colour index refers to.
std::int32_t PaletteColor(int index) noexcept;

}  // namespace orv
