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
  const int listed = orv::ReadSY3TestNamesFromBytes(bytes, names);
  if (listed != 0 && listed != -1 && listed != 2) std::abort();
  if (listed != 0 && !names.empty()) std::abort();
  std::size_t tried = 0;
  for (const orv::Sy3TestName& n : names) {
    if (++tried > 16) break;
    for (int readIn : {1, 2}) {
      orv::FlowTest test;
      test.Condition.SetName(n.name);
      test.Condition.SetKind(n.kind);
      const int code = orv::ReadSy3TestBytes(test, bytes, readIn);
      if (code != 0 && code != -1) std::abort();
      if (code == 0) test.CalcStdFlowAndDC();
    }
  }
  return 0;
}
