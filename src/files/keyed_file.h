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
// Writing: each transfer appends "Key = Value" to the section, except when the value equals
// the default, so a default value is never in the file; `CloseSection` replaces the whole
// section, so keys not transferred this time disappear, and sections never opened keep their
// content. Numbers are written with "." as decimal separator; reading accepts "." and ",".
class KeyedFile final {
 public:
  // The decimal separator of the files we write, and the other one, read as well.
  static constexpr char kLocalSeparator = '.';
  static constexpr char kForeignSeparator = ',';

  // Starts a transfer of the file at `path`: reading (true) or writing (false). The file's
  // current content is loaded in both directions (on writing, the sections not written keep
  // it).
  void BeginFile(const std::filesystem::path& path, bool reading);
  // Makes `name` the open section. On reading, the section is fetched into a buffer of
  // `bufferSize` characters (entries that do not fit are not read) and parsed into the key
  // table.
  void OpenSection(std::string_view name, std::size_t bufferSize);
  // On writing, replaces the section's content by the entries collected since `OpenSection`.
  void CloseSection();
  // On writing, writes the whole file through a temporary file that replaces the old one;
  // returns false (with the reason in `reason`) when the file cannot be written, the old file
  // then being unchanged. On reading it only reports success.
  bool EndFile(std::string* reason = nullptr);

  // The value of the first entry of the open section whose key equals `key` exactly.
  std::optional<std::string> FindKey(std::string_view key) const;

  void IOBoolean(std::string_view key, bool& value, bool defaultValue);
  void IOInteger(std::string_view key, std::int16_t& value, std::int16_t defaultValue);
  void IOLong(std::string_view key, std::int32_t& value, std::int32_t defaultValue);
  void IOSingle(std::string_view key, float& value, float defaultValue);
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
  const std::vector<std::pair<std::string, std::string>>& keyTable() const noexcept {
    return keys_;
  }

  // Parses a fetched section (entries ended by NUL, the run ended by an empty entry) into
  // (key, value) rows. An entry without "=" after its first character ends the parse.
  static std::vector<std::pair<std::string, std::string>> ParseSection(std::string_view fetched);

 private:
  void Put(std::string_view key, std::string_view text);
  std::string Localized(std::string text) const;

  std::filesystem::path path_;
  bool reading_ = true;
  std::string section_;
  std::string buffer_;
  std::vector<std::pair<std::string, std::string>> keys_;
  ProfileStore store_;
};

// Shortest text that reads back to the same single / double value ("." as separator).
std::string SingleToText(float value);
std::string DoubleToText(double value);

}  // namespace orv
