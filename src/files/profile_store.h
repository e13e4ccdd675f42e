#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace orv {

// A sectioned profile file held in memory: "[Name]" lines open sections, "Key = Value" lines
// are entries. It offers the two operations the keyed file layer needs, fetching a whole
// section and replacing a whole section, and writes the file back whole.
//
// File form (8-bit text; lines end in CR LF when written, LF or CR LF accepted on reading):
//   [Section]             section head; names compare without regard to ASCII case
//   Key = Value           entry; blanks round "=" are not part of key or value
//   anything else         kept as it is (a line without "=" is an entry without a value)
// Lines before the first section head belong to no section and are kept on rewriting.
class ProfileStore final {
 public:
  ProfileStore() = default;
  explicit ProfileStore(std::string text) : text_(std::move(text)) {}

  // Loads the file at `path`; a missing or unreadable file gives an empty store. Returns
  // whether the file could be read.
  bool Load(const std::filesystem::path& path);

  // Writes the whole store to `path` through a temporary file in the same folder, renamed
  // over the old file. Returns an empty string on success, otherwise the reason; on failure
  // the file on disk is unchanged.
  std::string Save(const std::filesystem::path& path) const;

  // The entries of section `name` as the platform's section fetch gives them: each entry
  // "Key=Value" (blanks round the "=" removed, blank lines skipped) followed by one NUL, the
  // run ended by one more NUL. The whole result, NULs included, fits in `bufferSize`
  // characters: entries that do not fit whole are left out, together with everything after
  // them. A missing section gives the empty run (a single NUL, or nothing when `bufferSize`
  // is 0).
  std::string FetchSection(std::string_view name, std::size_t bufferSize) const;

  // Replaces the whole content of section `name` by `entries`, a run of NUL-terminated
  // "Key = Value" texts (an empty entry ends the run). A missing section is appended.
  void ReplaceSection(std::string_view name, std::string_view entries);

  const std::string& text() const noexcept { return text_; }

 private:
  std::string text_;
};

}  // namespace orv
