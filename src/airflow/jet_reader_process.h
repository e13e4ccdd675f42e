#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// How the program runs the reader process that opens a Jet database file (jet_file_reader.h):
// which executable (the `orvantis` program itself), how long it may take and how many bytes it
// may hand back. A reader that crashes, hangs, exceeds the size or hands back a damaged stream
// makes the database unreadable; the program itself is never at risk.
struct JetReaderOptions {
  std::filesystem::path executable;
  std::chrono::milliseconds timeLimit{120'000};
  std::size_t sizeLimit = std::size_t{1} << 30;
};

// Runs the reader on `file`: with `withRows` false it describes every table, else it writes the
// named tables with their rows. Its output is handed to `consume` piece by piece as it arrives
// (an error raised there stops the reader). Raises the database errors of jet_errors.h: 3024
// when the file does not exist, 3343 when it is not a Jet database, 3078 for a table it lacks,
// 3049 for anything else (with the reason).
void RunJetReader(const JetReaderOptions& options, const std::filesystem::path& file,
                  const std::vector<std::string>& tables, bool withRows,
                  const std::function<void(std::string_view)>& consume);

}  // namespace orv
