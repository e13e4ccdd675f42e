#include "reports/report_pages.h"

#include "base/atomic_file.h"

namespace orv {

void PrintedReport::PrintPage(std::string_view pageText) {
  PrintedPage page;
  page.leftMargin = leftMargin_;
  page.lines = SplitReportLines(pageText);
  pages_.push_back(std::move(page));
}

std::vector<std::string> SplitReportLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t end = text.find("\r\n", begin);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(begin));
      break;
    }
    lines.emplace_back(text.substr(begin, end - begin));
    begin = end + 2;
  }
  return lines;
}

std::string WriteReportFile(const std::filesystem::path& path, std::string_view text) {
  if (path.empty()) return "no file name";
  return WriteFileAtomically(path, text);
}

}  // namespace orv
