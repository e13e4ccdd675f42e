#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace orv {

// How the program runs the reader process that opens a Jet database file (jet_file_reader.h):
// which executable (the `orvantis` program itself), how long one answer may take and how many
// bytes it may hold. A reader that crashes, hangs, exceeds the size or hands back a damaged
// stream makes the database unreadable; the program itself is never at risk.
struct JetReaderOptions {
  std::filesystem::path executable;
  std::chrono::milliseconds timeLimit{120'000};
  std::size_t sizeLimit = std::size_t{1} << 30;
};

// Receives the bytes of one table stream as they arrive; returns true once the stream is
// complete. An error it raises ends the reader.
using JetStreamConsumer = std::function<bool(std::string_view bytes)>;

// One reader process for one database file, kept running while the program holds the file
// open: it hands back the catalog when it starts and then answers requests, so that opening a
// database and reading its tables starts one process only.
//
// The reader's streams come through a pipe of their own; its standard output and standard
// error (where mdbtools prints) are collected apart, and their last line of the reader's own
// is the reason given when it fails. Failures raise the database errors of jet_errors.h: 3024
// when the file does not exist, 3343 when it is not a Jet database, 3049 for anything else
// (with the reason); the reader is then ended, and the next call starts a new one.
class JetReaderSession final {
 public:
  JetReaderSession(JetReaderOptions options, std::filesystem::path file);
  ~JetReaderSession();
  JetReaderSession(const JetReaderSession&) = delete;
  JetReaderSession& operator=(const JetReaderSession&) = delete;

  // Starts the reader (ending one still running) and hands its catalog to `consume`.
  void Start(const JetStreamConsumer& consume);
  // Sends a request (jet_table_stream.h) and hands the answer to `consume`. The reader must
  // be running.
  void Exchange(std::string_view request, const JetStreamConsumer& consume);

  bool running() const noexcept { return pid_ > 0; }
  // Ends the reader, if one runs.
  void Stop() noexcept;

  const std::filesystem::path& file() const noexcept { return file_; }

 private:
  void Receive(const JetStreamConsumer& consume);
  void Send(std::string_view bytes, std::chrono::steady_clock::time_point deadline);
  [[noreturn]] void Fail(std::chrono::steady_clock::time_point deadline);
  std::string Seconds() const;

  JetReaderOptions options_;
  std::filesystem::path file_;
  pid_t pid_ = -1;
  int requests_ = -1;  // our end of the reader's standard input
  int data_ = -1;      // the data channel
  int messages_ = -1;  // the reader's standard output and standard error
  std::string message_;
  std::unique_ptr<char[]> buffer_;
};

}  // namespace orv
