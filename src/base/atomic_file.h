#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// Whether a write waits until the file is on the disk before it replaces the old one (a file
// that must survive a power cut), or not (a file the program can make again, such as a cache:
// a reader still sees the old file or the new one whole, never a mixture).
enum class WriteDurability { Flushed, Unflushed };

// Writes `content` as the whole of the file at `path`: it goes to a temporary file in the same
// folder, which is flushed to disk and then renamed over the old file. A write that fails at
// any point (missing folder, no permission, full disk) leaves the old file exactly as it was
// and removes the temporary file. A file that exists but may not be written is not replaced.
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
