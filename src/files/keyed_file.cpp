#include "files/keyed_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "base/error_trace.h"
#include "base/platform.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "base/text.h"
#include "base/text_number.h"

namespace orv {

namespace {

constexpr const char* kModule = "FileIO";
constexpr std::string_view kHeaderSection = "ID";
constexpr std::size_t kHeaderBuffer = 2048;
constexpr std::string_view kPurposeKey = "Purpose";

// Reads a whole number from file text: the number rounded half to even; text that is not a
// number, or a number outside [lo, hi], reads as 0.
std::int64_t WholeNumber(const std::string& text, double lo, double hi) {
  const double value = RoundHalfEven(TextToDouble(text));
  if (!(value >= lo && value <= hi)) return 0;
  return static_cast<std::int64_t>(value);
}

template <class T>
std::string ShortestText(T value) {
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, result.ptr);
}

// Values are single-line text: a line break or NUL written raw would split the entry and
// lose the keys after it, so they are written as blanks.
std::string SingleLine(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return out;
}

bool ReadDigits(std::string_view text, std::size_t& pos, int count, int& value) {
  if (pos + static_cast<std::size_t>(count) > text.size()) return false;
  value = 0;
  for (int i = 0; i < count; ++i) {
    const char c = text[pos++];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

DateTime Today() {
  const std::tm local = LocalTimeNow();
  const std::chrono::year_month_day ymd{std::chrono::year(local.tm_year + 1900),
                                        std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                                        std::chrono::day(static_cast<unsigned>(local.tm_mday))};
  return DateTime(std::chrono::sys_days(ymd).time_since_epoch());
}

std::string FormatDate(DateTime value) {
  const auto days = std::chrono::floor<std::chrono::days>(value);
  const std::chrono::year_month_day ymd(days);
  const std::chrono::hh_mm_ss<std::chrono::seconds> tod(value - days);
  char buf[64];
  const int y = static_cast<int>(ymd.year());
  const unsigned m = static_cast<unsigned>(ymd.month());
  const unsigned d = static_cast<unsigned>(ymd.day());
  int n = std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", y, m, d);
  if (tod.to_duration().count() != 0) {
    n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), " %02d:%02d:%02d",
                       static_cast<int>(tod.hours().count()),
                       static_cast<int>(tod.minutes().count()),
                       static_cast<int>(tod.seconds().count()));
  }
  return std::string(buf, static_cast<std::size_t>(n));
}

std::optional<DateTime> ParseDate(std::string_view text) {
  text = Trim(text);
  std::size_t pos = 0;
  int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
  if (!ReadDigits(text, pos, 4, y) || pos >= text.size() || text[pos++] != '-' ||
      !ReadDigits(text, pos, 2, m) || pos >= text.size() || text[pos++] != '-' ||
      !ReadDigits(text, pos, 2, d)) {
    return std::nullopt;
  }
  if (pos < text.size()) {
    if (text[pos++] != ' ' || !ReadDigits(text, pos, 2, hh) || pos >= text.size() ||
        text[pos++] != ':' || !ReadDigits(text, pos, 2, mm)) {
      return std::nullopt;
    }
    if (pos < text.size() && (text[pos++] != ':' || !ReadDigits(text, pos, 2, ss))) {
      return std::nullopt;
    }
    if (pos != text.size() || hh > 23 || mm > 59 || ss > 59) return std::nullopt;
  }
  const std::chrono::year_month_day ymd{std::chrono::year(y),
                                        std::chrono::month(static_cast<unsigned>(m)),
                                        std::chrono::day(static_cast<unsigned>(d))};
  if (!ymd.ok()) return std::nullopt;
  return DateTime(std::chrono::sys_days(ymd).time_since_epoch() + std::chrono::hours(hh) +
                  std::chrono::minutes(mm) + std::chrono::seconds(ss));
}

std::string SingleToText(float value) { return ShortestText(value); }
std::string DoubleToText(double value) { return ShortestText(value); }

void KeyedFile::BeginFile(const std::filesystem::path& path, bool reading) {
  path_ = path;
  reading_ = reading;
  section_.clear();
  buffer_.clear();
  keys_.clear();
  store_.Load(path);
}

void KeyedFile::OpenSection(std::string_view name, std::size_t bufferSize) {
  section_ = name;
  buffer_.clear();
  if (reading_) keys_ = ParseSection(store_.FetchSection(name, bufferSize));
}

void KeyedFile::CloseSection() {
  if (reading_) return;
  buffer_ += '\0';
  store_.ReplaceSection(section_, buffer_);
  buffer_.clear();
}

bool KeyedFile::EndFile(std::string* reason) {
  if (reading_) return true;
  const std::string failure = store_.Save(path_);
  if (reason != nullptr) *reason = failure;
  return failure.empty();
}

std::vector<std::pair<std::string, std::string>> KeyedFile::ParseSection(std::string_view fetched) {
  std::vector<std::pair<std::string, std::string>> rows;
  rows.reserve(50);
  std::size_t pos = 0;
  while (pos < fetched.size()) {
    const std::size_t nul = fetched.find('\0', pos);
    if (nul == std::string_view::npos || nul == pos) break;
    const std::string_view entry = fetched.substr(pos, nul - pos);
    const std::size_t eq = entry.size() > 1 ? entry.find('=', 1) : std::string_view::npos;
    if (eq == std::string_view::npos) break;
    const std::string_view key = TrimLeft(entry.substr(0, eq));
    const std::string_view value = TrimRight(entry.substr(eq + 1));
    rows.emplace_back(std::string(key), std::string(value));
    pos = nul + 1;
  }
  return rows;
}

std::optional<std::string> KeyedFile::FindKey(std::string_view key) const {
  for (const auto& [k, v] : keys_) {
    if (k == key) return v;
  }
  return std::nullopt;
}

void KeyedFile::Put(std::string_view key, std::string_view text) {
  buffer_ += key;
  buffer_ += " = ";
  buffer_ += text;
  buffer_ += '\0';
}

std::string KeyedFile::Localized(std::string text) const {
  for (char& c : text) {
    if (c == kForeignSeparator) c = kLocalSeparator;
  }
  return text;
}

void KeyedFile::IOBoolean(std::string_view key, bool& value, bool defaultValue) {
  if (reading_) {
    const auto text = FindKey(key);
    value = text ? WholeNumber(*text, -32768, 32767) != 0 : defaultValue;
  } else if (value != defaultValue) {
    Put(key, value ? "-1" : "0");
  }
}

void KeyedFile::IOInteger(std::string_view key, std::int16_t& value, std::int16_t defaultValue) {
  if (reading_) {
    const auto text = FindKey(key);
    value = text ? static_cast<std::int16_t>(WholeNumber(*text, -32768, 32767)) : defaultValue;
  } else if (value != defaultValue) {
    Put(key, std::to_string(value));
  }
}

void KeyedFile::IOLong(std::string_view key, std::int32_t& value, std::int32_t defaultValue) {
  if (reading_) {
    const auto text = FindKey(key);
    value = text ? static_cast<std::int32_t>(WholeNumber(*text, -2147483648.0, 2147483647.0))
                 : defaultValue;
  } else if (value != defaultValue) {
    Put(key, std::to_string(value));
  }
}

void KeyedFile::IOSingle(std::string_view key, float& value, float defaultValue) {
  if (reading_) {
    const auto text = FindKey(key);
    value = text ? TextToSingle(Localized(*text)) : defaultValue;
  } else if (value != defaultValue) {
    Put(key, SingleToText(value));
  }
}

void KeyedFile::IODouble(std::string_view key, double& value, double defaultValue) {
  if (reading_) {
    const auto text = FindKey(key);
    value = text ? TextToDouble(Localized(*text)) : defaultValue;
  } else if (value != defaultValue) {
    Put(key, DoubleToText(value));
  }
}

void KeyedFile::IOString(std::string_view key, std::string& value, std::string_view defaultValue) {
  if (reading_) {
    const auto text = FindKey(key);
    value = text ? *text : std::string(defaultValue);
  } else if (value != defaultValue) {
    Put(key, SingleLine(value));
  }
}

void KeyedFile::IODate(std::string_view key, DateTime& value, DateTime defaultValue) {
  ETracker guard(kModule, "IODate");
  if (reading_) {
    const auto text = FindKey(key);
    if (!text) {
      value = defaultValue;
      return;
    }
    const auto date = ParseDate(*text);
    if (!date) Raise(kErrTypeMismatch);
    value = *date;
  } else if (value != defaultValue) {
    Put(key, FormatDate(value));
  }
}

bool KeyedFile::CheckHeader(std::string_view identification, bool quiet,
                            std::string_view notThisKind, std::string_view usingDefaults,
                            Prompter& prompter) {
  OpenSection(kHeaderSection, kHeaderBuffer);
  std::string purpose(identification);
  IOString(kPurposeKey, purpose, "");
  bool valid = true;
  if (reading_ && purpose != identification) {
    valid = false;
    prompter.Beep();
    std::string message = path_.string();
    message += notThisKind;
    if (quiet) {
      message += "\r\n";
      message += usingDefaults;
    }
    prompter.Warn(message, kAppTitle);
  }
  CloseSection();
  return valid;
}

}  // namespace orv
