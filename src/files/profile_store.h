#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
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
//
// Every operation walks the text once, without a table of its lines, so that reading or
// rewriting a section takes time in proportion to the size of the file and no memory beyond
// the text and the section.
class ProfileStore final {
 public:
  // No engine, configuration or settings file comes near this size; a larger file is refused
  // rather than read.
  static constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;
  // The buffer size that fetches a section whole, however long it is.
  static constexpr std::size_t kWholeSection = SIZE_MAX;

  ProfileStore() = default;
  explicit ProfileStore(std::string text) : text_(std::move(text)) {}

  // Loads the file at `path`; a missing or unreadable file, anything but a regular file (it is
  // refused before it is opened, so a named pipe never blocks) and a file larger than
  // `kMaxFileBytes` give an empty store. Returns whether the file could be read; when not,
  // `reason` (when given) says why, without the path.
  bool Load(const std::filesystem::path& path, std::string* reason = nullptr);

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

  // Calls `visit` with each non-blank line of section `name` in order, without its line end
  // and the blanks round it, and its line number in the file (the first line is 1), until
  // `visit` returns false. Returns whether the section exists.
  bool VisitSection(
      std::string_view name,
      const std::function<bool(std::string_view line, std::size_t number)>& visit) const;

  // The form a (trimmed, non-blank) line of a section takes in a fetch: "Key=Value" with the
  // blanks round its first "=" removed; a line without "=" as it is.
  static std::string FetchedEntry(std::string_view line);

  // Replaces the whole content of section `name` by `entries`, a run of NUL-terminated
  // "Key = Value" texts (an empty entry ends the run). A missing section is appended.
  void ReplaceSection(std::string_view name, std::string_view entries);

  const std::string& text() const noexcept { return text_; }

 private:
  std::string text_;
};

}  // namespace orv
