#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Whether a write waits until the file is on the disk before it replaces the old one (a file
// that must survive a power cut), or not (a file the program can make again, such as a cache:
// a reader still sees the old file or the new one whole, never a mixture).
enum class WriteDurability { Flushed, Unflushed };

// Why `path` may not be replaced by a file the program writes, or an empty string when it may:
// a path that exists and is not a regular file (a folder, a named pipe, a device, a socket) is
// never replaced ("it is a named pipe, not a regular file"), nor is a file marked read-only (no
// write permission for anyone) or one the user may not write ("the file may not be written:
// PATH"). A link is followed to what it names.
std::string WhyNotReplaceable(const std::filesystem::path& path);

// A file written piece by piece and put in place whole: the pieces go to a temporary file of a
// fresh, unique name in the same folder, which `Commit` flushes to disk and renames over the old
// file. Until then (and whenever a step fails: no permission, a full disk, a file-size limit)
// the old file stays exactly as it was, and the temporary file is removed when the writer goes
// away uncommitted. The target is checked first (see `WhyNotReplaceable`) and again just before
// the rename.
//
// The writer is also a stream buffer, so a `std::ostream` can write into it
// (`std::ostream out(&writer)`); a failed write sets the stream's badbit.
class AtomicFileWriter final : public std::streambuf {
 public:
  explicit AtomicFileWriter(std::filesystem::path path,
                            WriteDurability durability = WriteDurability::Flushed);
  ~AtomicFileWriter() override;
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Appends `bytes`; false (with `failure`) when they could not all be written. After a
  // failure nothing more is written.
  bool Write(std::string_view bytes);

  // Puts the file in place. Returns an empty string on success, otherwise the reason (the
  // first failure of any step); the temporary file is then gone and the old file untouched.
  std::string Commit();

  // Empty while every step so far has worked; otherwise the reason of the first failure.
  const std::string& failure() const noexcept { return failure_; }
  const std::filesystem::path& path() const noexcept { return path_; }

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  bool Fail(const std::string& what, int error);
  bool Drain();
  bool WriteThrough(std::string_view bytes);
  void Discard();

  std::filesystem::path path_;
  WriteDurability durability_;
  std::string temporary_;
  int fd_ = -1;
  unsigned mode_ = 0;
  bool done_ = false;
  std::string failure_;
  std::vector<char> buffer_;
};

// Writes `content` as the whole of the file at `path` through an `AtomicFileWriter`.
// Returns an empty string on success, otherwise the reason.
std::string WriteFileAtomically(const std::filesystem::path& path, std::string_view content,
                                WriteDurability durability = WriteDurability::Flushed);

// Opens a file for reading only when it is a regular file. The open itself never blocks: a
// named pipe, a device, a socket or a folder is refused before anything is read from it.
// Returns the open descriptor (the caller closes it), or -1 with `reason` (when given) saying
// why, the path included.
int OpenRegularFile(const std::filesystem::path& path, std::string* reason = nullptr);

// Reads a whole regular file (see `OpenRegularFile`); nothing when it cannot be opened or
// read, or when it holds more than `maxBytes` bytes. `reason` (when given) says why.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path,
                                         std::string* reason = nullptr,
                                         std::size_t maxBytes = SIZE_MAX);

}  // namespace orv
