#include "files/profile_store.h"

#include <vector>

#include "base/atomic_file.h"
#include "base/text.h"

namespace orv {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Section names and keys are trimmed of blanks and tabs.
constexpr std::string_view kBlanks = " \t";

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

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t lf = text.find('\n', pos);
    const std::size_t next = lf == std::string::npos ? text.size() : lf + 1;
    std::size_t end = lf == std::string::npos ? text.size() : lf;
    if (end > pos && text[end - 1] == '\r') --end;
    lines.push_back({pos, end, next});
    pos = next;
  }
  return lines;
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

// Lines [first, last) of the body of section `name`; first == npos when there is none. The
// body ends at the next section head or at the end of the text.
struct SectionSpan {
  std::size_t head = std::string::npos;  // line index of the head
  std::size_t first = 0;
  std::size_t last = 0;
};

SectionSpan FindSection(const std::string& text, const std::vector<Line>& lines,
                        std::string_view name) {
  SectionSpan span;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view headName;
    const std::string_view content(text.data() + lines[i].begin,
                                   lines[i].contentEnd - lines[i].begin);
    if (!SectionHead(content, headName)) continue;
    if (span.head != std::string::npos) {
      span.last = i;
      return span;
    }
    if (SameName(headName, name)) {
      span.head = i;
      span.first = i + 1;
    }
  }
  if (span.head != std::string::npos) span.last = lines.size();
  return span;
}

}  // namespace

bool ProfileStore::Load(const std::filesystem::path& path) {
  auto content = ReadWholeFile(path);
  if (!content) {
    text_.clear();
    return false;
  }
  text_ = std::move(*content);
  return true;
}

std::string ProfileStore::Save(const std::filesystem::path& path) const {
  return WriteFileAtomically(path, text_);
}

std::string ProfileStore::FetchSection(std::string_view name, std::size_t bufferSize) const {
  std::string result;
  if (bufferSize == 0) return result;
  const std::vector<Line> lines = SplitLines(text_);
  const SectionSpan span = FindSection(text_, lines, name);
  if (span.head != std::string::npos) {
    for (std::size_t i = span.first; i < span.last; ++i) {
      const std::string_view line = TrimBlanksAndTabs(
          std::string_view(text_.data() + lines[i].begin, lines[i].contentEnd - lines[i].begin));
      if (line.empty()) continue;
      std::string entry;
      const std::size_t eq = line.find('=');
      if (eq == std::string_view::npos) {
        entry = line;
      } else {
        entry = TrimBlanksAndTabs(line.substr(0, eq));
        entry += '=';
        entry += TrimBlanksAndTabs(line.substr(eq + 1));
      }
      // The entry, its NUL and the final NUL must fit in the buffer.
      if (result.size() + entry.size() + 2 > bufferSize) break;
      result += entry;
      result += '\0';
    }
  }
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

  const std::vector<Line> lines = SplitLines(text_);
  const SectionSpan span = FindSection(text_, lines, name);
  if (span.head == std::string::npos) {
    if (!text_.empty() && text_.back() != '\n') text_ += kLineEnd;
    text_ += '[';
    text_ += name;
    text_ += ']';
    text_ += kLineEnd;
    text_ += body;
    return;
  }
  const Line& head = lines[span.head];
  std::string rebuilt = text_.substr(0, head.next);
  // The head was the last line and had no line feed (perhaps a lone CR): end it first.
  if (rebuilt.back() == '\r') {
    rebuilt += '\n';
  } else if (rebuilt.back() != '\n') {
    rebuilt += kLineEnd;
  }
  rebuilt += body;
  if (span.last < lines.size()) rebuilt.append(text_, lines[span.last].begin, std::string::npos);
  text_ = std::move(rebuilt);
}

}  // namespace orv
