#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// Writes `content` as the whole of the file at `path`: it goes to a temporary file in the same
// folder, which is flushed to disk and then renamed over the old file. A write that fails at
// any point (missing folder, no permission, full disk) leaves the old file exactly as it was
// and removes the temporary file. A file that exists but may not be written is not replaced.
// Returns an empty string on success, otherwise the reason.
std::string WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

// Reads a whole file; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace orv
