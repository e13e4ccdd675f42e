// Any bytes given to the SY3 reader give an error code, never a crash or a read outside the
// buffer: the directory is listed, then every test it names is read by its name and kind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "airflow/sy3_test_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  std::vector<orv::Sy3TestName> names;
  const orv::FlowError listed = orv::ReadSY3TestNamesFromBytes(bytes, names);
  if (listed != orv::FlowError::Ok && listed != orv::FlowError::NotFound &&
      listed != orv::FlowError::EmptySy3)
    std::abort();
  if (listed != orv::FlowError::Ok && !names.empty()) std::abort();
  std::size_t tried = 0;
  for (const orv::Sy3TestName& n : names) {
    if (++tried > 16) break;
    for (int readIn : {1, 2}) {
      orv::FlowTest test;
      test.Condition.SetName(n.name);
      test.Condition.SetKind(n.kind);
      const orv::FlowError code = orv::ReadSy3TestBytes(test, bytes, readIn);
      if (code != orv::FlowError::Ok && code != orv::FlowError::NotFound) std::abort();
      if (code == orv::FlowError::Ok) test.CalcStdFlowAndDC();
    }
  }
  return 0;
}
