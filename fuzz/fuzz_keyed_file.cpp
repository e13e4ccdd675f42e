// Fuzz target: the keyed text layer's section fetch and parsing over any file text, and the
// section replace that rewrites it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/keyed_file.h"
#include "files/profile_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  orv::ProfileStore store(text);
  for (const char* section : {"ID", "Inputs", "IntakeCam", "Graph", "Files"}) {
    for (std::size_t buffer : {std::size_t{0}, std::size_t{16}, std::size_t{2048}}) {
      const auto rows = orv::KeyedFile::ParseSection(store.FetchSection(section, buffer));
      for (const auto& [key, value] : rows) {
        (void)orv::ParseDate(value);
        if (key.empty() && value.size() > size) __builtin_trap();
      }
    }
  }
  store.ReplaceSection("Inputs", std::string("Bore = 4\0\0", 10));
  const auto rows = orv::KeyedFile::ParseSection(store.FetchSection("Inputs", 4096));
  if (rows.empty() || rows.front() != std::make_pair(std::string("Bore"), std::string("4"))) {
    __builtin_trap();  // a replaced section must read back
  }
  return 0;
}
