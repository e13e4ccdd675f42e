#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "airflow/jet_reader_process.h"
#include "support/build_paths.h"
#include "support/temp_dir.h"

namespace orv::test {

// Shell scripts standing in for the database reader program (the `orvantis` executable,
// test::OrvantisProgram()): they misbehave, or wrap the real reader to count its runs or to print
// around it.
// Options that read databases with `program` (this build's `orvantis` unless named), with a time
// limit long enough for a loaded machine.
inline JetReaderOptions ReaderOf(const std::filesystem::path& program = OrvantisProgram()) {
  JetReaderOptions o;
  o.executable = program;
  o.timeLimit = std::chrono::seconds(30);
  return o;
}

class ReaderScript final {
 public:
  explicit ReaderScript(const std::string& body) {
    std::ofstream(path_, std::ios::binary) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all);
  }
  const std::filesystem::path& path() const noexcept { return path_; }
  const TempDir& dir() const noexcept { return dir_; }

 private:
  TempDir dir_;
  std::filesystem::path path_ = dir_ / "reader.sh";
};

// The real reader, run through a script that first adds a line to the file `runs` beside it.
inline std::string CountingReaderBody(const std::filesystem::path& runs,
                                      const std::filesystem::path& reader) {
  return "echo run >> '" + runs.string() + "'\nexec '" + reader.string() + "' \"$@\"";
}

inline int CountLines(const std::filesystem::path& file) {
  std::ifstream in(file);
  int n = 0;
  for (std::string line; std::getline(in, line);) ++n;
  return n;
}

}  // namespace orv::test
