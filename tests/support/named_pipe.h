#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

namespace orv::test {

// Makes a named pipe (FIFO) at `path`; false when the system does not allow it.
inline bool MakeNamedPipe(const std::filesystem::path& path) {
  return ::mkfifo(path.c_str(), 0600) == 0;
}

// Runs `work`, which is given a named pipe that no program writes to. A reader that opens
// such a pipe waits for a writer forever; so when `work` has not finished after `patience`,
// this plays the writer once (opens the pipe and closes it again), which lets the blocked
// reader see the end of the file and the test go on. Returns whether `work` finished by itself;
// its result is put in `result`.
template <class Work, class Result>
bool FinishesWithoutAWriter(const std::filesystem::path& pipe, Work work, Result& result,
                            std::chrono::milliseconds patience = std::chrono::seconds(5)) {
  std::future<Result> done = std::async(std::launch::async, work);
  if (done.wait_for(patience) == std::future_status::ready) {
    result = done.get();
    return true;
  }
  while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
    const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  }
  result = done.get();
  return false;
}

// As `FinishesWithoutAWriter`, for `work` that must not write to the pipe: a writer that
// opens it waits for a reader forever, so after `patience` this plays the reader (opens the
// pipe and reads what comes) until `work` finishes.
template <class Work, class Result>
bool FinishesWithoutAReader(const std::filesystem::path& pipe, Work work, Result& result,
                            std::chrono::milliseconds patience = std::chrono::seconds(20)) {
  std::future<Result> done = std::async(std::launch::async, work);
  if (done.wait_for(patience) == std::future_status::ready) {
    result = done.get();
    return true;
  }
  const int fd = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  char buffer[4096];
  while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
    while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
    }
  }
  if (fd >= 0) ::close(fd);
  result = done.get();
  return false;
}

}  // namespace orv::test
