#include "airflow/jet_reader_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include "airflow/jet_errors.h"
#include "airflow/jet_file_reader.h"
#include "base/platform.h"

namespace orv {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxMessageBytes = 16 * 1024;
constexpr int kPipeBytes = 1 << 20;
// The descriptor the reader writes its streams to.
constexpr int kChannelFd = 3;
// Our descriptors are moved to this number or above before the reader starts, so that none of
// them is one of the reader's standard descriptors or its channel.
constexpr int kFirstHighFd = 10;
constexpr std::string_view kReaderPrefix = "orvantis jet-read: ";

// Environment variables that change how mdbtools finds and decodes files; the reader runs
// without them (an empty element of the search path makes it loop forever on a missing file).
constexpr std::string_view kClearedVariables[] = {"MDBPATH=", "MDBICONV=", "MDBOPTS="};

void CloseFd(int& fd) noexcept {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// A descriptor closed when it goes out of scope (the reader's ends of its pipes).
class ScopedFd final {
 public:
  explicit ScopedFd(int fd = -1) : fd_(fd) {}
  ~ScopedFd() { CloseFd(fd_); }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  int get() const noexcept { return fd_; }
  int& fd() noexcept { return fd_; }
  int release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

[[noreturn]] void RaiseSystem(std::string_view subject, const std::string& what) {
  RaiseDatabaseError(kErrCannotOpenDb, subject, what + ": " + std::strerror(errno));
}

// `fd` moved above the standard descriptors, close-on-exec.
int High(int fd, std::string_view subject) {
  const int high = ::fcntl(fd, F_DUPFD_CLOEXEC, kFirstHighFd);
  const int saved = errno;
  ::close(fd);
  errno = saved;
  if (high < 0) RaiseSystem(subject, "cannot set up the database reader");
  return high;
}

// The reader's own reason: the last line it wrote under its name (mdbtools may have printed
// after it), else the last line that is not blank.
std::string ReasonOf(const std::string& text) {
  std::string last;
  std::string lastOwn;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.rfind(kReaderPrefix, 0) == 0) {
      lastOwn = line.substr(kReaderPrefix.size());
    } else if (line.find_first_not_of(" \t") != std::string::npos) {
      last = line;
    }
  }
  return lastOwn.empty() ? last : lastOwn;
}

}  // namespace

JetReaderSession::JetReaderSession(JetReaderOptions options, std::filesystem::path file)
    : options_(std::move(options)), file_(std::move(file)) {}

JetReaderSession::~JetReaderSession() { Stop(); }

void JetReaderSession::Stop() noexcept {
  CloseFd(requests_);
  CloseFd(data_);
  CloseFd(messages_);
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  pid_ = -1;
}

std::string JetReaderSession::Seconds() const {
  std::ostringstream text;
  text << std::chrono::duration_cast<std::chrono::duration<double>>(options_.timeLimit).count();
  return text.str();
}

void JetReaderSession::Start(const JetStreamConsumer& consume) {
  Stop();
  message_.clear();
  const std::string subject = file_.string();
  if (options_.executable.empty()) {
    RaiseDatabaseError(kErrCannotOpenDb, subject, "the database reader program is not known");
  }

  std::vector<std::string> args = {options_.executable.string(),
                                   kJetReadCommand,
                                   kJetReadChannelOption,
                                   std::to_string(kChannelFd),
                                   "--",
                                   subject};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment;
  for (std::string& var : CurrentEnvironment()) {
    bool cleared = false;
    for (std::string_view name : kClearedVariables) cleared = cleared || var.rfind(name, 0) == 0;
    if (!cleared) environment.push_back(std::move(var));
  }

  // The reader ends with this program, and of itself a little after this program's own limit.
  std::erase_if(environment, [](const std::string& var) {
    return var.rfind(std::string(kJetReaderParentVariable) + "=", 0) == 0 ||
           var.rfind(std::string(kJetReaderSecondsVariable) + "=", 0) == 0;
  });
  const auto limit = std::chrono::ceil<std::chrono::seconds>(options_.timeLimit).count();
  environment.push_back(std::string(kJetReaderParentVariable) + "=" + std::to_string(::getpid()));
  environment.push_back(std::string(kJetReaderSecondsVariable) + "=" +
                        std::to_string(std::max<long long>(limit, 0) + 5));

  std::vector<char*> envp;
  for (std::string& var : environment) envp.push_back(var.data());
  envp.push_back(nullptr);

  // Requests go through a socket, whose writes never raise SIGPIPE here; the streams and the
  // messages through pipes.
  int requestPair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, requestPair) != 0) {
    RaiseSystem(subject, "cannot set up the database reader");
  }
  ScopedFd ourRequests(High(requestPair[0], subject));
  ScopedFd theirRequests(High(requestPair[1], subject));
  int dataPipe[2];
  if (::pipe2(dataPipe, O_CLOEXEC) != 0) RaiseSystem(subject, "cannot make a pipe");
  ScopedFd ourData(High(dataPipe[0], subject));
  ScopedFd theirData(High(dataPipe[1], subject));
  int messagePipe[2];
  if (::pipe2(messagePipe, O_CLOEXEC) != 0) RaiseSystem(subject, "cannot make a pipe");
  ScopedFd ourMessages(High(messagePipe[0], subject));
  ScopedFd theirMessages(High(messagePipe[1], subject));

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, theirRequests.get(), 0);
  posix_spawn_file_actions_adddup2(&actions, theirMessages.get(), 1);
  posix_spawn_file_actions_adddup2(&actions, theirMessages.get(), 2);
  posix_spawn_file_actions_adddup2(&actions, theirData.get(), kChannelFd);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    RaiseDatabaseError(kErrCannotOpenDb, subject,
                       "cannot start the database reader " + options_.executable.string() + ": " +
                           std::strerror(spawned));
  }
  pid_ = pid;
  // Only the reader holds its ends now: its exit closes the channel.
  CloseFd(theirRequests.fd());
  CloseFd(theirData.fd());
  CloseFd(theirMessages.fd());
  requests_ = ourRequests.release();
  data_ = ourData.release();
  messages_ = ourMessages.release();
  // A larger pipe lets the reader run ahead while its output is parsed (where the system
  // allows it; the default works too). Requests are written without blocking.
  ::fcntl(data_, F_SETPIPE_SZ, kPipeBytes);
  ::fcntl(requests_, F_SETFL, ::fcntl(requests_, F_GETFL) | O_NONBLOCK);
  try {
    Receive(consume);
  } catch (...) {
    Stop();
    throw;
  }
}

void JetReaderSession::Exchange(std::string_view request, const JetStreamConsumer& consume) {
  if (!running()) {
    RaiseDatabaseError(kErrCannotOpenDb, file_.string(), "the database reader is not running");
  }
  try {
    Send(request, Clock::now() + options_.timeLimit);
    Receive(consume);
  } catch (...) {
    Stop();
    throw;
  }
}

void JetReaderSession::Send(std::string_view bytes, Clock::time_point deadline) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(requests_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) Fail(deadline);
      pollfd fd{requests_, POLLOUT, 0};
      ::poll(&fd, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
      continue;
    }
    // The reader is gone: its exit tells why.
    Fail(deadline);
  }
}

void JetReaderSession::Receive(const JetStreamConsumer& consume) {
  const auto deadline = Clock::now() + options_.timeLimit;
  std::size_t received = 0;
  // One buffer for the session, its bytes never cleared (each read fills what it hands on).
  if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(kPipeBytes);
  char* const buffer = buffer_.get();
  bool messagesOpen = messages_ >= 0;
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) Fail(deadline);
    pollfd fds[2] = {{data_, POLLIN, 0}, {messages_, POLLIN, 0}};
    const nfds_t count = messagesOpen ? 2 : 1;
    const int ready = ::poll(fds, count, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (ready < 0 && errno != EINTR) RaiseSystem(file_.string(), "poll");
    if (ready <= 0) continue;
    if (messagesOpen && fds[1].revents != 0) {
      const ssize_t n = ::read(messages_, buffer, kPipeBytes);
      if (n > 0) {
        message_.append(buffer, static_cast<std::size_t>(n));
        // Only the end is kept: the reason comes last.
        if (message_.size() > 2 * kMaxMessageBytes) {
          message_.erase(0, message_.size() - kMaxMessageBytes);
        }
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        messagesOpen = false;
      }
    }
    if (fds[0].revents == 0) continue;
    const ssize_t n = ::read(data_, buffer, kPipeBytes);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) Fail(deadline);  // the channel closed before the answer was complete
    received += static_cast<std::size_t>(n);
    if (received > options_.sizeLimit) {
      RaiseDatabaseError(kErrCannotOpenDb, file_.string(),
                         "the database reader handed back more than " +
                             std::to_string(options_.sizeLimit) + " bytes");
    }
    if (consume(std::string_view(buffer, static_cast<std::size_t>(n)))) return;
  }
}

// The reader stopped answering (its channel closed, it stopped reading, or time ran out): waits
// for its end, reads what it said last, and raises the error its exit stands for.
void JetReaderSession::Fail(Clock::time_point deadline) {
  const std::string subject = file_.string();
  std::optional<int> status;
  std::vector<char> buffer(64 * 1024);
  while (pid_ > 0) {
    int s = 0;
    const pid_t r = ::waitpid(pid_, &s, WNOHANG);
    if (r == pid_) {
      status = s;
      pid_ = -1;
      break;
    }
    if (r < 0 && errno != EINTR) {
      pid_ = -1;
      break;
    }
    // Messages are read meanwhile, so that a reader with much to say is not held up.
    if (messages_ >= 0) {
      pollfd fd{messages_, POLLIN, 0};
      if (::poll(&fd, 1, 1) > 0) {
        const ssize_t n = ::read(messages_, buffer.data(), buffer.size());
        if (n > 0) {
          message_.append(buffer.data(), static_cast<std::size_t>(n));
        } else {
          CloseFd(messages_);
        }
      }
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (Clock::now() >= deadline) break;
  }
  // What is left of the messages once the reader is gone.
  while (messages_ >= 0) {
    pollfd fd{messages_, POLLIN, 0};
    if (::poll(&fd, 1, 0) <= 0) break;
    const ssize_t n = ::read(messages_, buffer.data(), buffer.size());
    if (n <= 0 || message_.size() > 4 * kMaxMessageBytes) break;
    message_.append(buffer.data(), static_cast<std::size_t>(n));
  }
  Stop();
  if (!status) {
    RaiseDatabaseError(kErrCannotOpenDb, subject,
                       "the database reader did not finish within " + Seconds() + " s");
  }
  if (WIFSIGNALED(*status)) {
    RaiseDatabaseError(kErrCannotOpenDb, subject,
                       "the database reader stopped with signal " +
                           std::to_string(WTERMSIG(*status)) + "; the file is probably damaged");
  }
  const int code = WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
  const std::string reason = ReasonOf(message_);
  std::error_code ec;
  switch (static_cast<JetReadStatus>(code)) {
    case JetReadStatus::Ok:
      RaiseDatabaseError(kErrCannotOpenDb, subject,
                         "the database reader ended before its answer was complete");
    case JetReadStatus::CannotOpenFile:
      if (!std::filesystem::exists(file_, ec)) RaiseDatabaseError(kErrFileNotFoundDb, subject);
      RaiseDatabaseError(kErrCannotOpenDb, subject, reason);
    case JetReadStatus::NotJet:
      RaiseDatabaseError(kErrUnrecognizedDb, subject);
    default:
      RaiseDatabaseError(kErrCannotOpenDb, subject,
                         reason.empty()
                             ? "the database reader failed with status " + std::to_string(code)
                             : reason);
  }
}

}  // namespace orv
