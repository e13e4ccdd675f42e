// Fuzz target: the interface string file parser over any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/interface_strings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orv::InterfaceStrings strings;
  strings.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  std::size_t total = 0;
  for (int i = -2; i <= 150; ++i) {
    total += strings.Help(i).size() + strings.Label(i).size() + strings.OutLabel(i).size() +
             strings.Unit(i).size() + strings.Misc(i).size();
  }
  for (int n = -1; n <= 6; ++n) {
    for (int m = -1; m <= 7; ++m) {
      total += strings.Menu(n, m).size() + strings.Tab(n, m).size() + strings.Item(n, m).size();
    }
  }
  // Texts come from the file, converted to UTF-8 (at most three bytes for one).
  if (total > 3 * size * 260) __builtin_trap();
  return 0;
}
