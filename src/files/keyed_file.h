#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/prompter.h"
#include "files/profile_store.h"

namespace orv {

// A date and time of day as the wall clock of the user's time zone shows it, held as seconds
// from 1970-01-01 00:00 of that clock.
using DateTime = std::chrono::sys_seconds;

// Midnight of today's date on the user's clock.
DateTime Today();
// The text form of a date in our keyed files: "YYYY-MM-DD", followed by " HH:MM:SS" when the
// time of day is not midnight.
std::string FormatDate(DateTime value);
// Reads "YYYY-MM-DD" with an optional " HH:MM" or " HH:MM:SS"; nothing when the text is no
// valid date of that form.
std::optional<DateTime> ParseDate(std::string_view text);

// The keyed text layer: one procedure per file kind serves both directions. `BeginFile` picks
// the direction; then for each section `OpenSection`, the typed transfers of its keys, and
// `CloseSection`; finally `EndFile`, which on writing puts the whole file on disk at once.
//
// Reading: each transfer looks its key up in the open section and converts the text; a key
// that is not there gives the default, text that does not convert gives 0 (false for flags).
// A section is always read whole, however long it is, so that every file written here reads
// back identically. A line without "=" ends the reading of its section (the keys after it take
// their defaults); when keys follow it, the user is told through the prompter.
// Writing: each transfer appends "Key = Value" to the section, except when the value equals
// the default, so a default value is never in the file; `CloseSection` replaces the whole
// section, so keys not transferred this time disappear, and sections never opened keep their
// content. Numbers are written with "." as decimal separator; reading accepts "." and ",".
// A number that would not read back as written (infinite or not a number) is never written:
// the write fails instead.
//
// Text values are Windows-1252 in files written on Windows and UTF-8 in the program: a value
// that is well-formed UTF-8 is read as it is, any other as Windows-1252. Writing uses
// Windows-1252 when the text has a byte for every character and cannot be mistaken for UTF-8,
// otherwise UTF-8, so every text the program holds reads back identically.
class KeyedFile final {
 public:
  // The decimal separator of the files we write, and the other one, read as well.
  static constexpr char kLocalSeparator = '.';
  static constexpr char kForeignSeparator = ',';

  // Starts a transfer of the file at `path`: reading (true) or writing (false). The file's
  // current content is loaded in both directions (on writing, the sections not written keep
  // it). A file that cannot be read (see `readFailure`) reads as empty; on writing, an
  // existing file that cannot be read is not replaced. `prompter` (when given) hears of the
  // lines that end a section early.
  void BeginFile(const std::filesystem::path& path, bool reading, Prompter* prompter = nullptr);
  // Makes `name` the open section. On reading, the whole section is read into the key table,
  // up to its first line without "=" after the line's first character. `bufferSize` is the
  // buffer the file kind reserves for the section; a longer section is read whole all the same.
  void OpenSection(std::string_view name, std::size_t bufferSize);
  // On writing, replaces the section's content by the entries collected since `OpenSection`.
  void CloseSection();
  // On writing, writes the whole file through a temporary file that replaces the old one;
  // returns false (with the reason in `reason`) when the file cannot be written or a value was
  // refused (`RefuseWrite`), the old file then being unchanged. On reading it only reports
  // success.
  bool EndFile(std::string* reason = nullptr);
  // Makes the write fail at `EndFile` with `reason` (the first refusal counts): for a value
  // that would not read back as it is held.
  void RefuseWrite(std::string reason);
  // Why the file could not be read when `BeginFile` loaded it (without the path); empty when it
  // was read.
  const std::string& readFailure() const noexcept { return readFailure_; }

  // The value of the first entry of the open section whose key equals `key` exactly.
  std::optional<std::string> FindKey(std::string_view key) const;

  void IOBoolean(std::string_view key, bool& value, bool defaultValue);
  void IOInteger(std::string_view key, std::int16_t& value, std::int16_t defaultValue);
  void IOLong(std::string_view key, std::int32_t& value, std::int32_t defaultValue);
  void IOSingle(std::string_view key, float& value, float defaultValue);
  // As `IOSingle`, for a value that must lie in `minimum`..`maximum`: on reading, a value
  // outside (or not a number) is taken as the default, and the prompter hears of it with the
  // file, the section and the key.
  void IOSingleWithin(std::string_view key, float& value, float defaultValue, float minimum,
                      float maximum);
  void IODouble(std::string_view key, double& value, double defaultValue);
  void IOString(std::string_view key, std::string& value, std::string_view defaultValue);
  // A date text that does not convert raises run-time error 13 "Type mismatch".
  void IODate(std::string_view key, DateTime& value, DateTime defaultValue);

  // The header check of a file kind: section "ID", text key "Purpose" holding
  // `identification`. Returns true when the file carries it (always on writing). On a foreign
  // or missing file it beeps and warns (titled with the program's name) with the path followed
  // by `notThisKind`; `quiet` adds a line break and `usingDefaults` to the warning (the caller
  // then reads on with defaults).
  bool CheckHeader(std::string_view identification, bool quiet, std::string_view notThisKind,
                   std::string_view usingDefaults, Prompter& prompter);

  bool reading() const noexcept { return reading_; }
  const std::filesystem::path& path() const noexcept { return path_; }
  const std::string& sectionName() const noexcept { return section_; }
  // The (key, value) rows of the open section read so far, in file order.
  std::vector<std::pair<std::string, std::string>> keyTable() const;

  // Parses a fetched section (entries ended by NUL, the run ended by an empty entry) into
  // (key, value) rows. An entry without "=" after its first character ends the parse.
  static std::vector<std::pair<std::string, std::string>> ParseSection(std::string_view fetched);

 private:
  void Put(std::string_view key, std::string_view text);
  void RefuseNonFinite(std::string_view key, std::string_view text);
  std::string Localized(std::string text) const;

  std::filesystem::path path_;
  bool reading_ = true;
  std::string section_;
  // On writing: the entries collected for the open section. On reading: the entries of the
  // open section as the section fetch gives them ("Key=Value", each ended by a NUL), up to the
  // line that ends the section. Keys are looked up in it directly, so a section costs no
  // memory beyond its own text.
  std::string buffer_;
  // On reading: where each entry of `buffer_` starts (a file holds at most 16 MB).
  std::vector<std::uint32_t> entryStarts_;
  std::string readFailure_;
  std::string writeFailure_;
  Prompter* prompter_ = nullptr;
  ProfileStore store_;
};

// Shortest text that reads back to the same single / double value ("." as separator).
std::string SingleToText(float value);
std::string DoubleToText(double value);

}  // namespace orv
