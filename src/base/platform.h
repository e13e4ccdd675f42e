#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace orv {

// The few calls into the operating system the program makes, each in one place.

// The executable that is running (the target of /proc/self/exe), or an empty path when it
// cannot be told.
std::filesystem::path ExecutablePath();
// The folder of the running executable, or the current folder when it cannot be told.
std::filesystem::path ExecutableFolder();

// The wall-clock time now, broken down in the user's time zone.
std::tm LocalTimeNow();

// The environment of the running program, one "NAME=value" text per variable.
std::vector<std::string> CurrentEnvironment();

// A process started by `StartProcess`: its id, or the error number why it could not start.
struct StartedProcess {
  int pid = -1;
  int error = 0;  // 0 when started
};
// Starts the program `arguments[0]` with `arguments` and `environment` ("NAME=value" texts),
// its standard input read from /dev/null and its standard output and error written to the
// open descriptors `outputFd` and `errorFd`. The caller waits for it.
StartedProcess StartProcess(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment, int outputFd, int errorFd);

}  // namespace orv
