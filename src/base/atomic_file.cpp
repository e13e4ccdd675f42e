#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace orv {

namespace fs = std::filesystem;

namespace {

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Why a path that exists but is not a regular file is not replaced, in the user's words.
std::string NotRegular(mode_t mode) {
  const char* kind = S_ISDIR(mode)                    ? "a folder"
                     : S_ISFIFO(mode)                 ? "a named pipe"
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                     : S_ISSOCK(mode)                 ? "a socket"
                                                      : "something else";
  return std::string("it is ") + kind + ", not a regular file";
}

constexpr std::size_t kBufferBytes = 64 * 1024;

}  // namespace

std::string WhyNotReplaceable(const fs::path& path) {
  struct stat existing {};
  if (::stat(path.c_str(), &existing) != 0) return {};
  if (!S_ISREG(existing.st_mode)) return NotRegular(existing.st_mode);
  // A file marked read-only (no write permission for anyone) is not replaced, even by a user
  // whom the system would let write it.
  if ((existing.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0) {
    return "the file may not be written: " + path.string();
  }
  return {};
}

AtomicFileWriter::AtomicFileWriter(fs::path path, WriteDurability durability)
    : path_(std::move(path)), durability_(durability) {
  if (path_.empty()) {
    failure_ = "no file name";
    return;
  }
  failure_ = WhyNotReplaceable(path_);
  if (!failure_.empty()) return;
  struct stat existing {};
  mode_ =
      ::stat(path_.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
  const fs::path folder = path_.has_parent_path() ? path_.parent_path() : fs::path(".");
  std::string tempName(".");
  tempName += path_.filename().string();
  tempName += ".tmp-XXXXXX";
  temporary_ = (folder / tempName).string();
  // mkstemp makes a new file of a name no other writer has (never following a link).
  fd_ = ::mkstemp(temporary_.data());
  if (fd_ < 0) {
    const int error = errno;
    temporary_.clear();
    Fail("cannot create a file in " + folder.string(), error);
    return;
  }
  buffer_.resize(kBufferBytes);
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
  setp(nullptr, nullptr);
}

bool AtomicFileWriter::Fail(const std::string& what, int error) {
  if (failure_.empty()) failure_ = what + ": " + std::strerror(error);
  Discard();
  return false;
}

bool AtomicFileWriter::Write(std::string_view bytes) { return Drain() && WriteThrough(bytes); }

bool AtomicFileWriter::WriteThrough(std::string_view bytes) {
  if (!failure_.empty()) return false;
  if (done_ || fd_ < 0) {
    failure_ = "the file " + path_.string() + " is already written";
    return false;
  }
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail("write failed", errno);
    }
    written += static_cast<std::size_t>(n);
  }
  return true;
}

bool AtomicFileWriter::Drain() {
  if (pbase() == nullptr) return failure_.empty();
  const std::string_view pending(pbase(), static_cast<std::size_t>(pptr() - pbase()));
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  if (pending.empty()) return failure_.empty();
  return WriteThrough(pending);
}

AtomicFileWriter::int_type AtomicFileWriter::overflow(int_type ch) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
  *pptr() = traits_type::to_char_type(ch);
  pbump(1);
  return ch;
}

std::streamsize AtomicFileWriter::xsputn(const char* s, std::streamsize n) {
  if (n <= 0) return 0;
  const auto count = static_cast<std::size_t>(n);
  if (pbase() != nullptr && count <= static_cast<std::size_t>(epptr() - pptr())) {
    std::memcpy(pptr(), s, count);
    pbump(static_cast<int>(count));
    return n;
  }
  if (!Drain() || !WriteThrough(std::string_view(s, count))) return 0;
  return n;
}

int AtomicFileWriter::sync() { return Drain() ? 0 : -1; }

std::string AtomicFileWriter::Commit() {
  if (!Drain()) return failure_;
  if (done_) return {};
  if (::fchmod(fd_, static_cast<mode_t>(mode_)) != 0) {
    Fail("cannot set the file mode", errno);
    return failure_;
  }
  if (durability_ == WriteDurability::Flushed && ::fsync(fd_) != 0) {
    Fail("cannot flush the file", errno);
    return failure_;
  }
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) {
    Fail("close failed", errno);
    return failure_;
  }
  // Whatever took the target's place while the file was written is not replaced either.
  if (std::string why = WhyNotReplaceable(path_); !why.empty()) {
    failure_ = std::move(why);
    Discard();
    return failure_;
  }
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
    Fail("cannot replace the file", errno);
    return failure_;
  }
  temporary_.clear();
  done_ = true;
  setp(nullptr, nullptr);
  return {};
}

std::string WriteFileAtomically(const fs::path& path, std::string_view content,
                                WriteDurability durability) {
  AtomicFileWriter file(path, durability);
  if (!file.failure().empty()) return file.failure();
  file.Write(content);
  return file.Commit();
}

int OpenRegularFile(const fs::path& path, std::string* reason) {
  auto refuse = [&](const std::string& why) {
    if (reason) *reason = path.string() + ": " + why;
    return -1;
  };
  // O_NONBLOCK keeps the open of a named pipe without a writer from waiting forever; the
  // descriptor is checked before a byte is read and made blocking again for a regular file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return refuse(std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const std::string why = std::strerror(errno);
    ::close(fd);
    return refuse(why);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return refuse(S_ISDIR(st.st_mode) ? "is a folder, not a file" : "is not a regular file");
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const std::string why = std::strerror(errno);
    ::close(fd);
    return refuse(why);
  }
  return fd;
}

std::optional<std::string> ReadWholeFile(const fs::path& path, std::string* reason,
                                         std::size_t maxBytes) {
  const int fd = OpenRegularFile(path, reason);
  if (fd < 0) return std::nullopt;
  std::string content;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) {
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > maxBytes) {
      ::close(fd);
      if (reason) *reason = path.string() + ": the file is too large";
      return std::nullopt;
    }
    content.reserve(static_cast<std::size_t>(size));
  }
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (reason) *reason = path.string() + ": " + std::strerror(errno);
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    // A file that grows while it is read is still held to the limit.
    if (static_cast<std::size_t>(n) > maxBytes - content.size()) {
      ::close(fd);
      if (reason) *reason = path.string() + ": the file is too large";
      return std::nullopt;
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return content;
}

}  // namespace orv
