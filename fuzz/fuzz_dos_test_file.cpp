// Any bytes given to the DOS test-file reader give an error code, never a crash or a read
// outside the buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "airflow/dos_test_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  for (int readIn : {1, 2}) {
    orv::FlowTest test;
    test.Condition.SetKind(orv::kKindFromDosFile);
    const orv::FlowError code = orv::ReadDosTestBytes(test, bytes, readIn);
    if (code != orv::FlowError::Ok && code != orv::FlowError::NotFound &&
        code != orv::FlowError::BadDosFile && code != orv::FlowError::NoRecords)
      std::abort();
    if (code == orv::FlowError::Ok && readIn == 1) {
      test.CalcStdFlowAndDC();
      (void)test.Notes();
    }
  }
  return 0;
}
