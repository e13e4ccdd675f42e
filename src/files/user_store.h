#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "files/config_file.h"

namespace orv {

inline constexpr const char* kUserStoreSection = "Software\\Orvantis";
inline constexpr const char* kProjectFileValue = "ProjectFile";

// The per-user store of the recent-file list and the configuration path: a profile file
// "Orvantis.ini" in the user's configuration folder with one section "Software\Orvantis"
// holding text values "File1" to "File9" and "ProjectFile". Failures are not reported:
// reading falls back to the caller's default, writing returns a status only.
class UserStore final {
 public:
  explicit UserStore(std::filesystem::path file) : file_(std::move(file)) {}

  // "$XDG_CONFIG_HOME/Orvantis/Orvantis.ini", or "~/.config/Orvantis/Orvantis.ini".
  static std::filesystem::path DefaultPath();

  // The text of value `name` up to its first NUL, without trailing blanks; `defaultValue`
  // when the store or the value is missing.
  std::string RegReadValue(std::string_view name, std::string_view defaultValue) const;
  // Writes one text value. Returns 0 on success, otherwise a non-zero status.
  int RegWriteText(std::string_view name, std::string_view text);

  // "File1".."File9" into a recent-file list (a missing value gives an empty entry).
  RecentFiles ReadRecentFiles() const;
  // Writes "File1".."File9" and "ProjectFile" at once. Returns 0 on success.
  int WriteExitValues(const RecentFiles& list, const std::string& projectFile);

  const std::filesystem::path& file() const noexcept { return file_; }

 private:
  int WriteValues(const std::vector<std::pair<std::string, std::string>>& values);
  std::filesystem::path file_;
};

}  // namespace orv
