#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace orv {

// Runs the `orvantis` command line (`dump`, ...). Output goes to `out`, messages and errors to
// `err`. Returns the process exit status: 0 on success, non-zero on any error.
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

// As above, with the `orvantis` executable that reads database files in a separate process
// (the program passes its own; tests pass the one the build made).
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err,
                   const std::filesystem::path& readerExecutable);

}  // namespace orv
