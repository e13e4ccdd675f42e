#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace orv {

namespace fs = std::filesystem;

namespace {
mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}
}  // namespace

std::string WriteFileAtomically(const fs::path& path, std::string_view content,
                                WriteDurability durability) {
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  struct stat existing {};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  // A file marked read-only (no write permission for anyone) is not replaced, even by a user
  // whom the system would let write it.
  if (exists && ((existing.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)) {
    return "the file may not be written: " + path.string();
  }
  std::string tempName(".");
  tempName += path.filename().string();
  tempName += ".tmp-XXXXXX";
  const std::string pattern = (folder / tempName).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0)
    return std::string("cannot create a file in ") + folder.string() + ": " + std::strerror(errno);
  auto fail = [&](const char* what) {
    const std::string reason = std::string(what) + ": " + std::strerror(errno);
    ::close(fd);
    ::unlink(name.data());
    return reason;
  };
  std::size_t written = 0;
  while (written < content.size()) {
    const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail("write failed");
    }
    written += static_cast<std::size_t>(n);
  }
  const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
  if (::fchmod(fd, mode) != 0) return fail("cannot set the file mode");
  if (durability == WriteDurability::Flushed && ::fsync(fd) != 0) {
    return fail("cannot flush the file");
  }
  if (::close(fd) != 0) {
    const std::string reason = std::string("close failed: ") + std::strerror(errno);
    ::unlink(name.data());
    return reason;
  }
  if (::rename(name.data(), path.c_str()) != 0) {
    const std::string reason = std::string("cannot replace the file: ") + std::strerror(errno);
    ::unlink(name.data());
    return reason;
  }
  return {};
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
