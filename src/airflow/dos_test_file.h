#pragma once

#include <cstdint>
#include <span>

#include "airflow/flow_test.h"

namespace orv {

// Reading of the flow bench's DOS test files (".SY", one test per file).

// Reads the DOS test file named by the test's `PathFile` into the test. `readIn` 2 reads the
// notes and the header only; any other value reads the records too. Returns 0, or -1 (file
// missing or not a test file), 1 (bad or short file), 3 (no records). Never throws.
FlowError R2DataFile(FlowTest& test, int readIn, const ProgressFn& progress = {});

// `R2DataFile` with `readIn` 2.
FlowError R2Notes(FlowTest& test);

// As `R2DataFile`, from the bytes of a whole file.
FlowError ReadDosTestBytes(FlowTest& test, std::span<const std::uint8_t> bytes, int readIn,
                           const ProgressFn& progress = {});

}  // namespace orv
