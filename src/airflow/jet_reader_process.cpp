#include "airflow/jet_reader_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sstream>
#include <string_view>
#include <thread>
#include <vector>

#include "airflow/jet_errors.h"
#include "airflow/jet_file_reader.h"
#include "base/platform.h"

namespace orv {

namespace {

constexpr std::size_t kMaxMessageBytes = 16 * 1024;
constexpr int kPipeBytes = 1 << 20;

// Environment variables that change how mdbtools finds and decodes files; the reader runs
// without them (an empty element of the search path makes it loop forever on a missing file).
constexpr std::string_view kClearedVariables[] = {"MDBPATH=", "MDBICONV=", "MDBOPTS="};

class UniqueFd final {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  UniqueFd& operator=(UniqueFd&& o) noexcept {
    if (this != &o) {
      Reset();
      fd_ = o.fd_;
      o.fd_ = -1;
    }
    return *this;
  }
  int get() const noexcept { return fd_; }
  void Reset() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

struct Pipe {
  UniqueFd read;
  UniqueFd write;
};

Pipe MakePipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    RaiseDatabaseError(kErrCannotOpenDb, "",
                       std::string("cannot make a pipe: ") + std::strerror(errno));
  }
  return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

// A started reader process. Until it has been waited for, destruction kills and reaps it, so
// that no path leaves a process behind.
class Child final {
 public:
  explicit Child(pid_t pid) : pid_(pid) {}
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      int status = 0;
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Waits for the exit until `deadline`; the wait status, or nothing when time ran out.
  std::optional<int> WaitUntil(std::chrono::steady_clock::time_point deadline) {
    while (true) {
      int status = 0;
      const pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        pid_ = -1;
        return status;
      }
      if (r < 0 && errno != EINTR) {
        pid_ = -1;
        return std::nullopt;
      }
      if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

 private:
  pid_t pid_;
};

std::string LastLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const auto nl = text.find_last_of('\n');
  if (nl != std::string::npos) text.erase(0, nl + 1);
  const std::string prefix = "orvantis jet-read: ";
  if (text.rfind(prefix, 0) == 0) text.erase(0, prefix.size());
  return text;
}

}  // namespace

void RunJetReader(const JetReaderOptions& options, const std::filesystem::path& file,
                  const std::vector<std::string>& tables, bool withRows,
                  const std::function<void(std::string_view)>& consume) {
  const std::string subject = file.string();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) RaiseDatabaseError(kErrFileNotFoundDb, subject);
  if (options.executable.empty()) {
    RaiseDatabaseError(kErrCannotOpenDb, subject, "the database reader program is not known");
  }

  std::vector<std::string> args = {options.executable.string(), kJetReadCommand};
  if (withRows) args.emplace_back("--rows");
  args.emplace_back("--");
  args.push_back(subject);
  for (const std::string& t : tables) args.push_back(t);

  std::vector<std::string> environment;
  for (std::string& var : CurrentEnvironment()) {
    bool cleared = false;
    for (std::string_view name : kClearedVariables) cleared = cleared || var.rfind(name, 0) == 0;
    if (!cleared) environment.push_back(std::move(var));
  }

  Pipe out = MakePipe();
  Pipe err = MakePipe();
  const StartedProcess started = StartProcess(args, environment, out.write.get(), err.write.get());
  if (started.error != 0) {
    RaiseDatabaseError(kErrCannotOpenDb, subject,
                       "cannot start the database reader " + options.executable.string() + ": " +
                           std::strerror(started.error));
  }
  Child child(started.pid);
  out.write.Reset();
  err.write.Reset();
  // A larger pipe lets the reader run ahead while its output is parsed (where the system
  // allows it; the default works too).
  ::fcntl(out.read.get(), F_SETPIPE_SZ, kPipeBytes);

  const auto deadline = std::chrono::steady_clock::now() + options.timeLimit;
  const auto seconds = [&] {
    std::ostringstream text;
    text << std::chrono::duration_cast<std::chrono::duration<double>>(options.timeLimit).count();
    return text.str();
  };
  std::size_t received = 0;
  std::string message;
  bool outOpen = true;
  bool errOpen = true;
  std::vector<char> buffer(kPipeBytes);
  while (outOpen || errOpen) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      RaiseDatabaseError(kErrCannotOpenDb, subject,
                         "the database reader did not finish within " + seconds() + " s");
    }
    pollfd fds[2];
    nfds_t count = 0;
    if (outOpen) fds[count++] = {out.read.get(), POLLIN, 0};
    if (errOpen) fds[count++] = {err.read.get(), POLLIN, 0};
    const int ready = ::poll(fds, count, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (ready < 0 && errno != EINTR) {
      RaiseDatabaseError(kErrCannotOpenDb, subject, std::string("poll: ") + std::strerror(errno));
    }
    for (nfds_t i = 0; i < count && ready > 0; ++i) {
      if (fds[i].revents == 0) continue;
      const bool isOut = fds[i].fd == out.read.get();
      const ssize_t n = ::read(fds[i].fd, buffer.data(), buffer.size());
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) {
        (isOut ? outOpen : errOpen) = false;
        continue;
      }
      if (isOut) {
        received += static_cast<std::size_t>(n);
        if (received > options.sizeLimit) {
          RaiseDatabaseError(kErrCannotOpenDb, subject,
                             "the database reader handed back more than " +
                                 std::to_string(options.sizeLimit) + " bytes");
        }
        consume(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
      } else if (message.size() < kMaxMessageBytes) {
        message.append(buffer.data(), static_cast<std::size_t>(n));
      }
    }
  }
  const std::optional<int> status = child.WaitUntil(deadline);
  if (!status) {
    RaiseDatabaseError(kErrCannotOpenDb, subject,
                       "the database reader did not finish within " + seconds() + " s");
  }
  if (WIFSIGNALED(*status)) {
    RaiseDatabaseError(kErrCannotOpenDb, subject,
                       "the database reader stopped with signal " +
                           std::to_string(WTERMSIG(*status)) + "; the file is probably damaged");
  }
  const int code = WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
  const std::string reason = LastLine(message);
  switch (static_cast<JetReadStatus>(code)) {
    case JetReadStatus::Ok:
      return;
    case JetReadStatus::CannotOpenFile:
      if (!std::filesystem::exists(file, ec)) RaiseDatabaseError(kErrFileNotFoundDb, subject);
      RaiseDatabaseError(kErrCannotOpenDb, subject, reason);
    case JetReadStatus::NotJet:
      RaiseDatabaseError(kErrUnrecognizedDb, subject);
    case JetReadStatus::NoSuchTable: {
      const std::string prefix = "no table ";
      RaiseDatabaseError(kErrTableNotFound,
                         reason.rfind(prefix, 0) == 0 ? reason.substr(prefix.size()) : reason);
    }
    default:
      RaiseDatabaseError(kErrCannotOpenDb, subject,
                         reason.empty()
                             ? "the database reader failed with status " + std::to_string(code)
                             : reason);
  }
}

}  // namespace orv
