#include "files/profile_store.h"

#include <algorithm>
#include <system_error>

#include "base/atomic_file.h"
#include "base/text.h"

namespace orv {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Section names and keys are trimmed of blanks and tabs.
constexpr std::string_view kBlanks = " \t";

bool IsBlank(char c) { return kBlanks.find(c) != std::string_view::npos; }

std::string_view TrimBlanksAndTabs(std::string_view s) { return Trim(s, kBlanks); }

// Section names match whatever their case.
bool SameName(std::string_view a, std::string_view b) { return EqualsIgnoringAsciiCase(a, b); }

// One line of the text: where it starts, where its content ends (before CR LF / LF) and where
// the next line starts.
struct Line {
  std::size_t begin;
  std::size_t contentEnd;
  std::size_t next;
};

Line LineAt(const std::string& text, std::size_t pos) {
  const std::size_t lf = text.find('\n', pos);
  const std::size_t next = lf == std::string::npos ? text.size() : lf + 1;
  std::size_t end = lf == std::string::npos ? text.size() : lf;
  if (end > pos && text[end - 1] == '\r') --end;
  return {pos, end, next};
}

std::string_view Content(const std::string& text, const Line& line) {
  return std::string_view(text.data() + line.begin, line.contentEnd - line.begin);
}

// The section name of a head line "[Name]", or nothing when the line is no head.
bool SectionHead(std::string_view line, std::string_view& name) {
  line = TrimBlanksAndTabs(line);
  if (line.size() < 2 || line.front() != '[') return false;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = TrimBlanksAndTabs(line.substr(1, close - 1));
  return true;
}

// Where the first section called `name` lies: its head line, and its body from the line after
// the head up to the next section head or the end of the text.
struct SectionSpan {
  bool found = false;
  Line head{};
  std::size_t bodyEnd = 0;  // offset where the body ends
};

// The lines that can be section heads are those whose first non-blank character is "[": the
// search jumps from one "[" to the next rather than walking every line.
SectionSpan FindSection(const std::string& text, std::string_view name) {
  SectionSpan span;
  for (std::size_t pos = text.find('['); pos != std::string::npos; pos = text.find('[', pos)) {
    std::size_t begin = pos;
    while (begin > 0 && IsBlank(text[begin - 1])) --begin;
    if (begin > 0 && text[begin - 1] != '\n') {
      ++pos;  // not the first character of its line
      continue;
    }
    const Line line = LineAt(text, begin);
    std::string_view headName;
    if (SectionHead(Content(text, line), headName)) {
      if (span.found) {
        span.bodyEnd = line.begin;
        return span;
      }
      if (SameName(headName, name)) {
        span.found = true;
        span.head = line;
      }
    }
    pos = line.next;
  }
  span.bodyEnd = text.size();
  return span;
}

}  // namespace

bool ProfileStore::Load(const std::filesystem::path& path, std::string* reason) {
  std::string why;
  auto content = ReadWholeFile(path, &why, kMaxFileBytes);
  if (!content) {
    text_.clear();
    if (reason != nullptr) {
      std::error_code ec;
      if (std::filesystem::is_regular_file(path, ec) &&
          std::filesystem::file_size(path, ec) > kMaxFileBytes && !ec) {
        why = "the file is larger than 16 MB, which no engine or settings file is";
      } else if (const std::string prefix = path.string() + ": "; why.starts_with(prefix)) {
        why.erase(0, prefix.size());
        if (why.starts_with("is ")) why.insert(0, "it ");
      }
      *reason = std::move(why);
    }
    return false;
  }
  text_ = std::move(*content);
  return true;
}

std::string ProfileStore::Save(const std::filesystem::path& path) const {
  return WriteFileAtomically(path, text_);
}

bool ProfileStore::VisitSection(
    std::string_view name,
    const std::function<bool(std::string_view line, std::size_t number)>& visit) const {
  const SectionSpan span = FindSection(text_, name);
  if (!span.found) return false;
  // The line after the head: one more than the line feeds before it.
  std::size_t number =
      1 + static_cast<std::size_t>(std::count(
              text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(span.head.next), '\n'));
  for (std::size_t pos = span.head.next; pos < span.bodyEnd; ++number) {
    const Line line = LineAt(text_, pos);
    pos = line.next;
    const std::string_view content = TrimBlanksAndTabs(Content(text_, line));
    if (content.empty()) continue;
    if (!visit(content, number)) break;
  }
  return true;
}

std::string ProfileStore::FetchedEntry(std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::string(line);
  std::string entry(TrimBlanksAndTabs(line.substr(0, eq)));
  entry += '=';
  entry += TrimBlanksAndTabs(line.substr(eq + 1));
  return entry;
}

std::string ProfileStore::FetchSection(std::string_view name, std::size_t bufferSize) const {
  std::string result;
  if (bufferSize == 0) return result;
  VisitSection(name, [&](std::string_view line, std::size_t) {
    const std::string entry = FetchedEntry(line);
    // The entry, its NUL and the final NUL must fit in the buffer.
    if (entry.size() + 2 > bufferSize - result.size()) return false;
    result += entry;
    result += '\0';
    return true;
  });
  result += '\0';
  return result;
}

void ProfileStore::ReplaceSection(std::string_view name, std::string_view entries) {
  std::string body;
  std::size_t pos = 0;
  while (pos < entries.size()) {
    const std::size_t nul = entries.find('\0', pos);
    const std::size_t end = nul == std::string_view::npos ? entries.size() : nul;
    if (end == pos) break;  // the empty entry ends the run
    body.append(entries.substr(pos, end - pos));
    body += kLineEnd;
    pos = end + 1;
  }

  const SectionSpan span = FindSection(text_, name);
  if (!span.found) {
    if (!text_.empty() && text_.back() != '\n') text_ += kLineEnd;
    text_ += '[';
    text_ += name;
    text_ += ']';
    text_ += kLineEnd;
    text_ += body;
    return;
  }
  std::string rebuilt = text_.substr(0, span.head.next);
  // The head was the last line and had no line feed (perhaps a lone CR): end it first.
  if (rebuilt.back() == '\r') {
    rebuilt += '\n';
  } else if (rebuilt.back() != '\n') {
    rebuilt += kLineEnd;
  }
  rebuilt += body;
  rebuilt.append(text_, span.bodyEnd, std::string::npos);
  text_ = std::move(rebuilt);
}

}  // namespace orv
