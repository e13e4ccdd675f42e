#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace orv::test {

// One run of the `orvantis` command line inside the test process.
struct CliResult {
  int status;
  std::string out;
  std::string err;
  nlohmann::json json() const { return nlohmann::json::parse(out); }
};

// `reader` is the program that reads database files (the `orvantis` executable); without it
// the program's own choice stands.
inline CliResult RunCli(std::vector<std::string> args, const std::filesystem::path& reader = {}) {
  args.insert(args.begin(), "orvantis");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  std::ostringstream out, err;
  const int argc = static_cast<int>(argv.size());
  const int status = reader.empty() ? RunCommandLine(argc, argv.data(), out, err)
                                    : RunCommandLine(argc, argv.data(), out, err, reader);
  return {status, out.str(), err.str()};
}

}  // namespace orv::test
