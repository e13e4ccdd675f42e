#pragma once

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

inline CliResult RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), "orvantis");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  std::ostringstream out, err;
  const int status = RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

}  // namespace orv::test
