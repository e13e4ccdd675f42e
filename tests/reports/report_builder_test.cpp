#include "reports/report_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/runtime_error.h"

namespace orv {
namespace {

std::string Rep(char c, int n) { return std::string(static_cast<std::size_t>(n), c); }

TEST(GetPrinterConfig, LaysOutPagesFromThePrinterMetrics) {
  struct Row {
    PrinterMetrics m;
    int width, linesPerPage;
    bool narrow;
  };
  const Row rows[] = {
      // 4800 / 4000 x 80 = 96 characters: narrow, 96 - 12; 6300 / 100 = 63 lines - 2 - 4.
      {{4800, 6300, 100, 4000}, 84, 57, true},
      // 6000 / 4000 x 80 = 120 characters: wide, 120 - 4; 63 lines - 2.
      {{6000, 6300, 100, 4000}, 116, 61, false},
      // 103 characters are still narrow paper, 104 are wide.
      {{103, 6300, 100, 80}, 91, 57, true},
      {{104, 6300, 100, 80}, 100, 61, false},
      // No text height, or fewer than 25 lines: 58 lines.
      {{6000, 6300, 0, 4000}, 116, 56, false},
      {{6000, 2400, 100, 4000}, 116, 56, false},
      {{4800, 2400, 100, 4000}, 84, 52, true},
      // Exactly 25 lines are kept; halves round to even (62.5 -> 62, 63.5 -> 64).
      {{6000, 2500, 100, 4000}, 116, 23, false},
      {{6000, 625, 10, 4000}, 116, 60, false},
      {{6000, 635, 10, 4000}, 116, 62, false},
  };
  for (const Row& r : rows) {
    const PageLayout p = GetPrinterConfig(r.m);
    EXPECT_TRUE(p.printing);
    EXPECT_EQ(p.width, r.width) << r.m.printableWidth << " " << r.m.printableHeight;
    EXPECT_EQ(p.linesPerPage, r.linesPerPage) << r.m.printableWidth << " " << r.m.printableHeight;
    EXPECT_EQ(p.narrow, r.narrow) << r.m.printableWidth;
    EXPECT_EQ(p.leftMargin(), r.narrow ? 10 : 2);
  }
}

TEST(GetPrinterConfig, RefusesPrintersWithoutAUsableLine) {
  struct Row {
    PrinterMetrics m;
    int error;
  };
  const Row rows[] = {
      {{4800, 6300, 100, 0}, kErrDivByZero},   // the "M" has no width
      {{12, 6300, 100, 80}, kErrInvalidCall},  // 12 characters leave no line
      {{-500, 6300, 100, 80}, kErrInvalidCall},
      {{4800, 1e12, 1, 4000}, kErrOverflow},  // beyond a 16-bit line count
  };
  for (const Row& r : rows) {
    try {
      GetPrinterConfig(r.m);
      ADD_FAILURE() << "no error for width " << r.m.printableWidth;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), r.error) << r.m.printableWidth;
    }
  }
  const PageLayout screen = ScreenLayout();
  EXPECT_FALSE(screen.printing);
  EXPECT_EQ(screen.width, 80);
  EXPECT_EQ(screen.leftMargin(), 2);
}

TEST(ReportText, CenteringPlacesTheTextAfterThePad) {
  struct Row {
    const char* text;
    int width;
    std::string center, centerLP;
  };
  const Row rows[] = {
      // pad = (10 - 3) / 2 + 1 = 4: written from column 4 (three blanks before), or after
      // four blanks.
      {"ABC", 10, "   ABC    ", "    ABC"},
      {"AB", 10, "    AB    ", "     AB"},
      {"", 4, "    ", "   "},
      // width - 2 characters: pad 2, one blank on each side.
      {"ABCDEFGH", 10, " ABCDEFGH ", "  ABCDEFGH"},
      // width - 1 characters and more do not fit: given back whole and left-aligned.
      {"ABCDEFGHI", 10, "ABCDEFGHI", "ABCDEFGHI"},
      {"ABCDEFGHIJKL", 10, "ABCDEFGHIJKL", "ABCDEFGHIJKL"},
      {"AB", 0, "AB", "AB"},
      // Characters count, not bytes: "m³" is two columns.
      {"m\xC2\xB3", 6, "  m\xC2\xB3  ", "   m\xC2\xB3"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Center(r.text, r.width), r.center) << r.text << " in " << r.width;
    EXPECT_EQ(CenterLP(r.text, r.width), r.centerLP) << r.text << " in " << r.width;
  }
}

TEST(ReportText, FieldsAlignAndCutInCharacterColumns) {
  EXPECT_EQ(RightAligned("4.030", 8), "   4.030");
  EXPECT_EQ(RightAligned("123456789", 4), "1234");  // cut on the right
  EXPECT_EQ(RightAligned("x", 0), "");
  EXPECT_EQ(LeftAligned("ab", 4), "ab  ");
  EXPECT_EQ(LeftAligned("abcdef", 4), "abcd");
  EXPECT_EQ(LeftAligned("\xC2\xB0"
                        "F",
                        3),
            "\xC2\xB0"
            "F ");
  EXPECT_EQ(RightAligned("m\xC2\xB3/min", 4), "m\xC2\xB3/m");
  EXPECT_EQ(WrittenOver("..........", 3, "Bore"), "..Bore....");
  EXPECT_EQ(WrittenOver("......", 4, "Stroke"), "...Str");  // stops at the field's end
  EXPECT_EQ(WrittenOver("......", 7, "x"), "......");
  EXPECT_EQ(TextColumns("\xC2\xB0"
                        "C"),
            2u);
}

TEST(ReportText, NumbersUseThePatternWithOneLeadingZero) {
  struct Row {
    double value;
    int decimals;
    const char* text;
  };
  const Row rows[] = {
      {3.4795, 3, "3.480"}, {0.04, 3, "0.040"},  {-1.12649, 3, "-1.126"}, {2.5, 0, "3"},
      {-2.5, 0, "-3"},      {1234.5, 0, "1235"}, {-0.004, 2, "0.00"},     {0, 5, "0.00000"},
      {12, 1, "12.0"},      {0.125, 2, "0.13"},  {6195.2, 0, "6195"},     {-5.375, 2, "-5.38"},
  };
  for (const Row& r : rows) EXPECT_EQ(ReportNumber(r.value, r.decimals), r.text) << r.value;
}

// A builder for 40-character lines, headings from the given flags.
ReportHeading Heading(std::array<bool, 3> flags, std::string path = "C:\\Engines\\V8.OV") {
  ReportHeading h;
  h.flags = flags;
  h.date = "03/14/2026";
  h.time = "09:26:53";
  h.enginePath = std::move(path);
  h.pageLabel = "Page";
  return h;
}

PageLayout Screen(int width) {
  PageLayout p;
  p.width = static_cast<std::int16_t>(width);
  return p;
}

std::vector<std::string> Lines(const std::string& text) { return SplitReportLines(text); }

TEST(ReportBuilder, LineKindsOnTheScreen) {
  ReportBuilder b(ReportKind::General, Screen(20), Heading({false, false, false}), nullptr);
  b.BlankLine();
  b.RuleLine();
  b.ValueLine("Bore", "4.030");
  b.ValueLine("Stroke", "3.480", " in^2");
  b.ValueLine("Long label over the value", "12");
  b.ValueLine("x", "12345678901234567890123");
  b.Put("free text");
  b.AddStrCRLF();
  const std::string text = b.Finish();
  // The value field is 19 characters, after the 2-blank margin.
  EXPECT_EQ(text,
            "  \r\n"
            "  ____________________\r\n"
            "    Bore        4.030\r\n"
            "    Stroke      3.480 in^2\r\n"
            "    Long label over t\r\n"
            "  12x4567890123456789\r\n"
            "  free text\r\n");
}

TEST(ReportBuilder, TitleBlockFollowsTheHeadingFlags) {
  struct Row {
    std::array<bool, 3> flags;
    std::vector<std::string> lines;
  };
  // Title and date lines are fields of 39 characters after the margin.
  const std::string rule = "  " + Rep('_', 40);
  const std::string title = "   Orvantis Report" + Rep(' ', 23);
  const Row rows[] = {
      {{true, true, true},
       {rule, "  ", "   Orvantis Report:  C:\\Engines\\V8.OV" + Rep(' ', 4),
        "   03/14/2026  09:26:53" + Rep(' ', 18)}},
      {{true, false, false}, {rule, "  ", title, "   03/14/2026  " + Rep(' ', 26)}},
      {{false, true, false}, {rule, "  ", title, "   09:26:53" + Rep(' ', 30)}},
      // All off: no date line on the screen.
      {{false, false, false}, {rule, "  ", title}},
  };
  for (const Row& r : rows) {
    ReportBuilder b(ReportKind::General, Screen(40), Heading(r.flags), nullptr);
    b.Begin();
    EXPECT_EQ(Lines(b.Finish()), r.lines) << r.flags[0] << r.flags[1] << r.flags[2];
  }
}

TEST(ReportBuilder, ALongEnginePathEndsInDotsAtTheEndOfTheField) {
  const std::string path =
      "/home/builder/Orvantis/Engines/customers/2026/small-block-" + Rep('x', 40) + ".OV";
  ReportBuilder b(ReportKind::IntakeAir, Screen(80), Heading({false, false, true}, path), nullptr);
  b.Begin();
  const std::string title = Lines(b.Finish()).at(2);
  const std::string expected = std::string(" Orvantis Intake Air Details Report:  ") + path;
  ASSERT_EQ(title.size(), 2u + 79u);
  EXPECT_EQ(title.substr(2, 76), expected.substr(0, 76));
  EXPECT_EQ(title.substr(78), "...");

  // A path that fits is shown whole.
  ReportBuilder fits(ReportKind::General, Screen(80), Heading({false, false, true}, "a.OV"),
                     nullptr);
  fits.Begin();
  EXPECT_EQ(Lines(fits.Finish()).at(2), "  " + LeftAligned(" Orvantis Report:  a.OV", 79));
}

TEST(ReportBuilder, CustomerHeadingIsCentredWhenAnyLineHasText) {
  struct Row {
    std::vector<std::string> heading;
    std::vector<std::string> lines;  // the lines before the title block
  };
  const Row rows[] = {
      // pad = (40 - 11) / 2 + 1 = 15: the text from column 15.
      {{"ACME RACING", "", "Dyno cell 2"},
       {Rep(' ', 14) + "ACME RACING" + Rep(' ', 15), Rep(' ', 14) + "Dyno cell 2" + Rep(' ', 15)}},
      // Blank lines count as text once another line has some; empty ones are left out.
      {{"  ", "Cell"}, {Rep(' ', 40), Rep(' ', 18) + "Cell" + Rep(' ', 18)}},
      {{"", "   "}, {}},
      {{}, {}},
      // A line too long to centre is kept whole.
      {{Rep('H', 39)}, {Rep('H', 39)}},
  };
  for (const Row& r : rows) {
    ReportHeading h = Heading({false, false, false});
    h.customerLines = r.heading;
    ReportBuilder b(ReportKind::General, Screen(40), h, nullptr);
    b.Begin();
    std::vector<std::string> lines = Lines(b.Finish());
    lines.resize(lines.size() - 3);  // drop the title block
    std::vector<std::string> expected;
    for (const std::string& l : r.lines) expected.push_back("  " + l);
    EXPECT_EQ(lines, expected);
  }
}

// The printed pages of a report of `body` numbered lines.
std::vector<PrintedPage> PrintNumberedLines(const PageLayout& layout, int body,
                                            std::array<bool, 3> flags) {
  PrintedReport pages(layout.leftMargin());
  ReportBuilder b(ReportKind::Details, layout, Heading(flags), &pages);
  b.Begin();
  for (int i = 1; i <= body; ++i) {
    b.Put("line " + std::to_string(i));
    b.AddStrCRLF();
  }
  EXPECT_EQ(b.Finish(), "");
  EXPECT_TRUE(pages.ended());
  return pages.pages();
}

TEST(ReportBuilder, PrintedPagesRepeatTheTitleBlockAndCountPages) {
  PageLayout layout;
  layout.printing = true;
  layout.width = 40;
  layout.linesPerPage = 20;
  layout.narrow = false;
  const std::vector<PrintedPage> pages = PrintNumberedLines(layout, 50, {true, true, false});

  // Page 1: 6 margin lines and 4 title lines leave 10 lines; every later page opens with the
  // margin, the title block, a rule and a blank (12 lines) and holds 8 more: 10 + 5 x 8 = 50.
  ASSERT_EQ(pages.size(), 6u);
  const std::string rule = "  " + Rep('_', 40);
  int next = 1;
  for (std::size_t p = 0; p < pages.size(); ++p) {
    const std::vector<std::string>& lines = pages[p].lines;
    EXPECT_EQ(pages[p].leftMargin, 2);
    EXPECT_LE(lines.size(), 20u) << "page " << p + 1;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(lines.at(i), "  ") << "page " << p + 1;
    EXPECT_EQ(lines.at(6), rule);
    EXPECT_EQ(lines.at(8), "  " + LeftAligned(" Orvantis Details Report", 39));
    const std::string pageNo = "Page " + std::to_string(p + 1);
    EXPECT_EQ(
        lines.at(9),
        "  " + LeftAligned(" 03/14/2026  09:26:53", 39 - static_cast<int>(pageNo.size())) + pageNo);
    std::size_t first = 10;
    if (p > 0) {
      EXPECT_EQ(lines.at(10), rule);
      EXPECT_EQ(lines.at(11), "  ");
      first = 12;
    }
    for (std::size_t i = first; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i], "  line " + std::to_string(next++)) << "page " << p + 1;
    }
  }
  EXPECT_EQ(next, 51);
}

TEST(ReportBuilder, NarrowPaperUsesTheWideMarginAndAShortTopMargin) {
  PageLayout layout;
  layout.printing = true;
  layout.width = 30;
  layout.linesPerPage = 12;
  layout.narrow = true;
  // All heading flags off: the date line still carries the page number when printing.
  const std::vector<PrintedPage> pages = PrintNumberedLines(layout, 7, {false, false, false});
  // Page 1: 3 margin + 4 title lines, 5 body lines; page 2: 9 opening lines and 2 body lines.
  ASSERT_EQ(pages.size(), 2u);
  const std::string margin(10, ' ');
  EXPECT_EQ(pages[0].leftMargin, 10);
  EXPECT_EQ(pages[0].lines.size(), 12u);
  EXPECT_EQ(pages[0].lines.at(3), margin + Rep('_', 30));
  EXPECT_EQ(pages[0].lines.at(6), margin + Rep(' ', 23) + "Page 1");
  EXPECT_EQ(pages[0].lines.at(11), margin + "line 5");
  EXPECT_EQ(pages[1].lines.size(), 11u);
  EXPECT_EQ(pages[1].lines.at(6), margin + Rep(' ', 23) + "Page 2");
  EXPECT_EQ(pages[1].lines.at(9), margin + "line 6");
  EXPECT_EQ(pages[1].lines.at(10), margin + "line 7");
}

TEST(ReportBuilder, PagesShorterThanTheirOpeningStillEndWithEveryLine) {
  PageLayout layout;
  layout.printing = true;
  layout.width = 30;
  layout.linesPerPage = 5;
  const std::vector<PrintedPage> pages = PrintNumberedLines(layout, 4, {true, true, true});
  // Page 1 takes 5 of the 6 top-margin lines. The opening of a later page (12 lines) never
  // starts another page, so each further line (the sixth margin line, the 4 title lines and
  // the 4 body lines) gets a page of its own after that opening: 1 + 9 pages.
  ASSERT_EQ(pages.size(), 10u);
  EXPECT_EQ(pages[0].lines.size(), 5u);
  for (std::size_t p = 1; p < pages.size(); ++p) EXPECT_EQ(pages[p].lines.size(), 13u);
  for (std::size_t p = 6; p < pages.size(); ++p) {
    EXPECT_EQ(pages[p].lines.back(), "  line " + std::to_string(p - 5));
  }
}

}  // namespace
}  // namespace orv
