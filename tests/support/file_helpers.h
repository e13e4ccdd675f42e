#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "files/keyed_file.h"
#include "support/fake_prompter.h"

namespace orv::test {

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

inline std::string ReadText(const std::filesystem::path& path) {
  return ReadWholeFile(path).value_or("<missing>");
}

}  // namespace orv::test
