#include "files/interface_strings.h"

#include <algorithm>
#include <cmath>

#include "base/atomic_file.h"
#include "base/codepage.h"
#include "base/error_trace.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "base/text_number.h"

namespace orv {

// Interface string file "OV-STR.TXT": 8-bit text (Windows-1252) with CR LF line ends, a run
// of entries after a first line that is not read:
//
//   [[TAG id            head line; found only right after a line feed
//   text ...            the entry's text, up to the CR LF before the next head line
//
// TAG with the blank after it is one of "HELP ", "LABEL ", "OUT_LABEL ", "UNIT ", "MISC "
// (id = one number) or "MENU ", "TAB ", "ITEM " (id = "n:m", or "n" for column 0). HELP keeps
// all lines of its text, every other tag its first line. Unknown tags are skipped; ids outside
// a table's range are ignored; a head line without a blank after the tag ends the load.

namespace {

constexpr const char* kInterfaceStringsModule = "IOMisc";

constexpr int kMenuRows = 4, kMenuCols = 5;  // rows 1..4, columns 0..4
constexpr int kTabRows = 5, kTabCols = 4;    // rows 1..5, columns 1..4
constexpr int kItemRows = 5, kItemCols = 6;  // rows 0..4, columns 1..6

const std::string& EmptyText() {
  static const std::string empty;
  return empty;
}

// The whole-number index an identifier names: its leading number, rounded; a number too far
// out to be any index reads as one outside every table.
int IndexOf(std::string_view text) {
  const double value = RoundHalfEven(LeadingNumber(text));
  if (!(std::fabs(value) < 1e6)) return -1000000;
  return static_cast<int>(value);
}

}  // namespace

InterfaceStrings::InterfaceStrings()
    : help_(kHelpHi - kHelpLo + 1),
      label_(kLabelHi + 1),
      outLabel_(kOutLabelHi + 1),
      unit_(kUnitHi + 1),
      misc_(kMiscHi - kMiscLo + 1),
      menu_(kMenuRows * kMenuCols),
      tab_(kTabRows * kTabCols),
      item_(kItemRows * kItemCols) {}

const std::string& InterfaceStrings::One(const std::vector<std::string>& t, int i,
                                         int lo) noexcept {
  if (i < lo || i - lo >= static_cast<int>(t.size())) return EmptyText();
  return t[static_cast<std::size_t>(i - lo)];
}

const std::string& InterfaceStrings::Two(const std::vector<std::string>& t, int n, int m, int rowLo,
                                         int colLo, int cols) noexcept {
  const int rows = static_cast<int>(t.size()) / cols;
  if (n < rowLo || n - rowLo >= rows || m < colLo || m - colLo >= cols) return EmptyText();
  return t[static_cast<std::size_t>((n - rowLo) * cols + (m - colLo))];
}

const std::string& InterfaceStrings::Text(Table table, int n, int m) const noexcept {
  switch (table) {
    case Table::Help:
      return Help(n);
    case Table::Label:
      return Label(n);
    case Table::OutLabel:
      return OutLabel(n);
    case Table::Unit:
      return Unit(n);
    case Table::Misc:
      return Misc(n);
    case Table::Menu:
      return Menu(n, m);
    case Table::Tab:
      return Tab(n, m);
    case Table::Item:
      return Item(n, m);
  }
  return EmptyText();
}

void InterfaceStrings::Parse(std::string_view file) {
  *this = InterfaceStrings();
  constexpr std::string_view kHead = "\n[[";
  std::size_t pos = 0;
  while (true) {
    const std::size_t head = file.find(kHead, pos);
    if (head == std::string_view::npos) return;
    const std::size_t tagStart = head + kHead.size();
    const std::size_t blank = file.find(' ', tagStart);
    if (blank == std::string_view::npos) return;
    const std::string_view tag = file.substr(tagStart, blank - tagStart + 1);

    std::vector<std::string>* one = nullptr;
    int lo = 0;
    bool keepAllLines = false;
    std::vector<std::string>* two = nullptr;
    int rowLo = 0, colLo = 0, cols = 0;
    if (tag == "HELP ") {
      one = &help_, lo = kHelpLo, keepAllLines = true;
    } else if (tag == "LABEL ") {
      one = &label_;
    } else if (tag == "OUT_LABEL ") {
      one = &outLabel_;
    } else if (tag == "UNIT ") {
      one = &unit_;
    } else if (tag == "MISC ") {
      one = &misc_, lo = kMiscLo;
    } else if (tag == "MENU ") {
      two = &menu_, rowLo = 1, colLo = 0, cols = kMenuCols;
    } else if (tag == "TAB ") {
      two = &tab_, rowLo = 1, colLo = 1, cols = kTabCols;
    } else if (tag == "ITEM ") {
      two = &item_, rowLo = 0, colLo = 1, cols = kItemCols;
    } else {
      pos = blank + 2;  // an unknown tag is skipped
      if (pos > file.size()) return;
      continue;
    }

    const std::size_t cr = file.find('\r', blank);
    if (cr == std::string_view::npos) return;
    const std::string_view id = file.substr(blank, cr - blank);
    const std::size_t textStart = std::min(cr + 2, file.size());
    const std::size_t next = file.find(kHead, cr);
    std::size_t textEnd = file.size();
    if (next != std::string_view::npos)
      textEnd = next > 0 && file[next - 1] == '\r' ? next - 1 : next;
    std::string_view text =
        textEnd > textStart ? file.substr(textStart, textEnd - textStart) : std::string_view();
    if (!keepAllLines && text.size() > 1) {
      const std::size_t lineEnd = text.find('\r', 1);
      if (lineEnd != std::string_view::npos) text = text.substr(0, lineEnd);
    }

    if (one != nullptr) {
      const int index = IndexOf(id);
      if (index >= lo && index - lo < static_cast<int>(one->size())) {
        (*one)[static_cast<std::size_t>(index - lo)] = Cp1252ToUtf8(text);
      }
    } else {
      const std::size_t colon = id.find(':');
      int row = 0, col = 0;
      bool valid = true;
      if (colon == std::string_view::npos) {
        row = IndexOf(id);
        col = 0;
      } else if (colon == 0 || colon + 1 == id.size()) {
        valid = false;
      } else {
        row = IndexOf(id.substr(0, colon));
        col = IndexOf(id.substr(colon + 1));
      }
      const int rows = static_cast<int>(two->size()) / cols;
      if (valid && row >= rowLo && row - rowLo < rows && col >= colLo && col - colLo < cols) {
        (*two)[static_cast<std::size_t>((row - rowLo) * cols + (col - colLo))] = Cp1252ToUtf8(text);
      }
    }
    if (next == std::string_view::npos) return;
    pos = next;
  }
}

void LoadInterfaceStrings(const std::filesystem::path& path, InterfaceStrings& strings) {
  ETracker guard(kInterfaceStringsModule, "LoadInterfaceStrings");
  const auto file = ReadWholeFile(path);
  if (!file) Raise(kErrFileNotFound, "File not found: " + path.string());
  strings.Parse(*file);
}

}  // namespace orv
