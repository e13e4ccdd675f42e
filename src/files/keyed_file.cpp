#include "files/keyed_file.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "base/atomic_file.h"
#include "base/codepage.h"
#include "base/error_trace.h"
#include "base/number_format.h"
#include "base/platform.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "base/text.h"
#include "base/text_number.h"

namespace orv {

namespace {

constexpr const char* kKeyedFileModule = "FileIO";
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

// Values are single-line text: a line break or NUL written raw would split the entry and
// lose the keys after it, so they are written as blanks.
std::string SingleLine(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return out;
}

// The bytes a text value is written as: Windows-1252 when that holds every character and
// cannot be taken for UTF-8 on reading, otherwise the UTF-8 text itself.
std::string FileText(const std::string& text) {
  const std::optional<std::string> cp = Utf8ToCp1252Exact(text);
  if (cp && (*cp == text || !IsUtf8(*cp))) return *cp;
  return text;
}

// Splits one fetched entry "Key=Value" at its first "=" after the first character: the key
// without leading blanks, the value without trailing blanks. False when there is no such "=".
bool SplitEntry(std::string_view entry, std::string_view& key, std::string_view& value) {
  const std::size_t eq = entry.size() > 1 ? entry.find('=', 1) : std::string_view::npos;
  if (eq == std::string_view::npos) return false;
  key = TrimLeft(entry.substr(0, eq));
  value = TrimRight(entry.substr(eq + 1));
  return true;
}

// Calls `visit(key, value)` for each entry of a run of fetched entries until it returns true;
// stops at the end of the run or at an entry without "=".
template <class Visit>
void ForEachEntry(std::string_view fetched, Visit visit) {
  std::size_t pos = 0;
  while (pos < fetched.size()) {
    const std::size_t nul = fetched.find('\0', pos);
    if (nul == std::string_view::npos || nul == pos) break;
    std::string_view key, value;
    if (!SplitEntry(fetched.substr(pos, nul - pos), key, value)) break;
    if (visit(key, value)) break;
    pos = nul + 1;
  }
}

// A line of a file as a message shows it: UTF-8, long lines shortened.
std::string ShownLine(std::string_view line) {
  constexpr std::size_t kMaxShown = 80;
  if (line.size() <= kMaxShown) return Utf8OrCp1252ToUtf8(line);
  std::size_t cut = kMaxShown - 3;
  // Do not split a UTF-8 character.
  if (IsUtf8(line)) {
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  }
  return Utf8OrCp1252ToUtf8(line.substr(0, cut)) + "...";
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

void KeyedFile::BeginFile(const std::filesystem::path& path, bool reading, Prompter* prompter) {
  path_ = path;
  reading_ = reading;
  section_.clear();
  buffer_.clear();
  readFailure_.clear();
  writeFailure_.clear();
  prompter_ = prompter;
  // A path that may not be replaced (a folder, a named pipe, a device, a read-only file) is
  // refused for what it is.
  if (!reading) {
    if (std::string why = WhyNotReplaceable(path); !why.empty()) RefuseWrite(std::move(why));
  }
  if (!store_.Load(path, &readFailure_) && !reading) {
    // Sections that are not written keep their content: a file that exists but cannot be
    // read would lose it.
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
      RefuseWrite("the file cannot be read, so it is not replaced: " + readFailure_);
    }
  }
}

void KeyedFile::OpenSection(std::string_view name, std::size_t bufferSize) {
  // The section is read whole, so the buffer size the file kind gives no longer limits it.
  (void)bufferSize;
  section_ = name;
  buffer_.clear();
  entryStarts_.clear();
  if (!reading_) return;
  bool ended = false;
  std::string endLine;
  std::size_t endNumber = 0;
  store_.VisitSection(name, [&](std::string_view line, std::size_t number) {
    if (ended) {
      // Lines follow the one that ended the section: their keys are not read.
      if (prompter_ != nullptr) {
        prompter_->Warn(path_.string() + ": section [" + section_ + "], line " +
                            std::to_string(endNumber) + ": \"" + endLine +
                            "\" has no \"=\"; it ends the reading of the section, and the keys "
                            "after it take their default values.",
                        kAppTitle);
      }
      return false;
    }
    const std::string entry = ProfileStore::FetchedEntry(line);
    std::string_view key, value;
    if (!SplitEntry(entry, key, value)) {
      ended = true;
      endLine = ShownLine(line);
      endNumber = number;
      return true;
    }
    entryStarts_.push_back(static_cast<std::uint32_t>(buffer_.size()));
    buffer_ += entry;
    buffer_ += '\0';
    return true;
  });
}

void KeyedFile::CloseSection() {
  if (reading_) return;
  buffer_ += '\0';
  store_.ReplaceSection(section_, buffer_);
  buffer_.clear();
}

bool KeyedFile::EndFile(std::string* reason) {
  if (reading_) return true;
  const std::string failure = writeFailure_.empty() ? store_.Save(path_) : writeFailure_;
  if (reason != nullptr) *reason = failure;
  return failure.empty();
}

void KeyedFile::RefuseWrite(std::string reason) {
  if (writeFailure_.empty()) writeFailure_ = std::move(reason);
}

std::vector<std::pair<std::string, std::string>> KeyedFile::ParseSection(std::string_view fetched) {
  std::vector<std::pair<std::string, std::string>> rows;
  rows.reserve(50);
  ForEachEntry(fetched, [&](std::string_view key, std::string_view value) {
    rows.emplace_back(std::string(key), std::string(value));
    return false;
  });
  return rows;
}

std::vector<std::pair<std::string, std::string>> KeyedFile::keyTable() const {
  if (!reading_) return {};
  return ParseSection(buffer_);
}

std::optional<std::string> KeyedFile::FindKey(std::string_view key) const {
  if (!reading_) return std::nullopt;
  // The key of an entry is the text before its first "=" after the first character; entries
  // are fetched without blanks before the key. So a key with "=" after its first character is
  // never found, and an entry has the key when it starts with the key and then "=".
  if (key.empty() || key.find('=', 1) != std::string_view::npos) return std::nullopt;
  for (std::size_t i = 0; i < entryStarts_.size(); ++i) {
    const std::size_t begin = entryStarts_[i];
    const std::size_t end =
        i + 1 < entryStarts_.size() ? entryStarts_[i + 1] - 1 : buffer_.size() - 1;
    const std::string_view entry(buffer_.data() + begin, end - begin);
    if (entry.size() <= key.size() || entry[key.size()] != '=' || !entry.starts_with(key)) {
      continue;
    }
    std::string_view value = entry.substr(key.size() + 1);
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
    return std::string(value);
  }
  return std::nullopt;
}

void KeyedFile::Put(std::string_view key, std::string_view text) {
  buffer_ += key;
  buffer_ += " = ";
  buffer_ += text;
  buffer_ += '\0';
}

void KeyedFile::RefuseNonFinite(std::string_view key, std::string_view text) {
  RefuseWrite("the value of " + std::string(key) + " (" + std::string(text) +
              ") is not a finite number; it would not read back");
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
    if (!std::isfinite(value)) RefuseNonFinite(key, SingleToText(value));
    Put(key, SingleToText(value));
  }
}

void KeyedFile::IOSingleWithin(std::string_view key, float& value, float defaultValue,
                               float minimum, float maximum) {
  IOSingle(key, value, defaultValue);
  if (!reading_ || (value >= minimum && value <= maximum)) return;
  if (prompter_ != nullptr) {
    prompter_->Warn(path_.string() + ": section [" + section_ + "], key " + std::string(key) +
                        ": " + FindKey(key).value_or(SingleToText(value)) + " is out of range (" +
                        SingleToText(minimum) + " to " + SingleToText(maximum) + "); its default " +
                        SingleToText(defaultValue) + " is used.",
                    kAppTitle);
  }
  value = defaultValue;
}

void KeyedFile::IODouble(std::string_view key, double& value, double defaultValue) {
  if (reading_) {
    const auto text = FindKey(key);
    value = text ? TextToDouble(Localized(*text)) : defaultValue;
  } else if (value != defaultValue) {
    if (!std::isfinite(value)) RefuseNonFinite(key, DoubleToText(value));
    Put(key, DoubleToText(value));
  }
}

void KeyedFile::IOString(std::string_view key, std::string& value, std::string_view defaultValue) {
  if (reading_) {
    const auto text = FindKey(key);
    value = text ? Utf8OrCp1252ToUtf8(*text) : std::string(defaultValue);
  } else if (value != defaultValue) {
    Put(key, FileText(SingleLine(value)));
  }
}

void KeyedFile::IODate(std::string_view key, DateTime& value, DateTime defaultValue) {
  ETracker guard(kKeyedFileModule, "IODate");
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
