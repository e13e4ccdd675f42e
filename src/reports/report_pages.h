#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Where a printed report goes, page by page. The report builder hands over the text of each
// finished page (its lines, each with its left margin of blanks and a CR LF) and then ends the
// document. The window's printer implements it; `PrintedReport` keeps the pages for drawing
// later or for a test.
class ReportPageSink {
 public:
  virtual ~ReportPageSink() = default;
  virtual void PrintPage(std::string_view pageText) = 0;
  virtual void EndDocument() = 0;
};

// One printed page: its lines in order, each starting with the left margin's blanks, without
// line ends. Drawn line by line from the page's top left with a monospaced font, it shows the
// report in its fixed columns.
struct PrintedPage {
  int leftMargin = 0;  // blanks before each line: 10 on narrow paper, 2 otherwise
  std::vector<std::string> lines;
};

// The pages of one printed report.
class PrintedReport final : public ReportPageSink {
 public:
  explicit PrintedReport(int leftMargin = 2) : leftMargin_(leftMargin) {}
  void SetLeftMargin(int blanks) noexcept { leftMargin_ = blanks; }

  void PrintPage(std::string_view pageText) override;
  void EndDocument() override { ended_ = true; }

  const std::vector<PrintedPage>& pages() const noexcept { return pages_; }
  bool ended() const noexcept { return ended_; }

 private:
  int leftMargin_;
  std::vector<PrintedPage> pages_;
  bool ended_ = false;
};

// The lines of a report text whose lines end in CR LF (a final line without a line end counts
// too).
std::vector<std::string> SplitReportLines(std::string_view text);

// Writes a report text to `path` exactly as built, no line end added: the file is made anew
// (an existing one is replaced whole, a missing one created) through a temporary file, so a
// failed write leaves an existing file as it was. Returns an empty string on success,
// otherwise the reason.
std::string WriteReportFile(const std::filesystem::path& path, std::string_view text);

}  // namespace orv
