#include "base/text.h"

#include <gtest/gtest.h>

#include <string_view>

namespace orv {
namespace {

TEST(Text, TrimsTheGivenBlanksFromEitherEnd) {
  using namespace std::string_view_literals;
  struct Row {
    std::string_view text, blanks, left, right, both;
  };
  const Row rows[] = {
      {"  ab c  ", " ", "ab c  ", "  ab c", "ab c"},
      {"", " ", "", "", ""},
      {"    ", " ", "", "", ""},                  // nothing but blanks
      {"\tx\t", " ", "\tx\t", "\tx\t", "\tx\t"},  // a tab is no space
      {"\t x \t", " \t", "x \t", "\t x", "x"},
      {"AB \0\0"sv, " \0"sv, "AB \0\0"sv, "AB", "AB"},  // padding of fixed fields
      {"x", " ", "x", "x", "x"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(TrimLeft(r.text, r.blanks), r.left) << r.text;
    EXPECT_EQ(TrimRight(r.text, r.blanks), r.right) << r.text;
    EXPECT_EQ(Trim(r.text, r.blanks), r.both) << r.text;
  }
}

TEST(Text, CaseChangesOnlyAsciiLetters) {
  EXPECT_EQ(AsciiUpper("Lobe.s96 \xE9"), "LOBE.S96 \xE9");  // a Windows-1252 e-acute stays
  EXPECT_EQ(AsciiLower("HEAD1.SY[Z]"), "head1.sy[z]");      // '[' and ']' sit beside the letters
  EXPECT_EQ(AsciiUpper('@'), '@');
  EXPECT_EQ(AsciiLower('`'), '`');
  EXPECT_TRUE(EqualsIgnoringAsciiCase("Software\\Orvantis", "SOFTWARE\\orvantis"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("ab", "abc"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("a@", "a`"));
  EXPECT_TRUE(EndsWithIgnoringAsciiCase("HEAD1.sy", ".SY"));
  EXPECT_TRUE(EndsWithIgnoringAsciiCase(".SY", ".sy"));
  EXPECT_FALSE(EndsWithIgnoringAsciiCase("SY", ".SY"));
  EXPECT_FALSE(EndsWithIgnoringAsciiCase("HEAD1.SY3", ".SY"));
}

}  // namespace
}  // namespace orv
