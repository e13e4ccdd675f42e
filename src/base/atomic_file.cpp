#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
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

std::string WriteFileAtomically(const fs::path& path, std::string_view content) {
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
  if (::fsync(fd) != 0) return fail("cannot flush the file");
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

std::optional<std::string> ReadWholeFile(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return buffer.str();
}

}  // namespace orv
