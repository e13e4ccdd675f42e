#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace orv {

// Runs the `orvantis` command line (`dump`, ...). Output goes to `out`, messages and errors to
// `err`. Returns the process exit status: 0 on success, non-zero on any error.
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace orv
