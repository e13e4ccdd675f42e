#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "support/build_paths.h"

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

// A run of the command line that reads database files with this build's `orvantis` program.
inline CliResult Cli(std::vector<std::string> args) {
  return RunCli(std::move(args), OrvantisProgram());
}

// A JSON array of numbers.
inline std::vector<double> Numbers(const nlohmann::json& j) { return j.get<std::vector<double>>(); }

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The comma-separated fields of a line; a line ending in a comma ends in an empty field.
inline std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, ',')) fields.push_back(field);
  if (!line.empty() && line.back() == ',') fields.push_back("");
  return fields;
}

}  // namespace orv::test
