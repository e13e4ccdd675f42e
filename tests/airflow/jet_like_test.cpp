#include "airflow/jet_like.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace orv {
namespace {

struct Case {
  const char* text;
  const char* pattern;
  bool matches;
};

TEST(JetLike, MatchesTheWildcardsListsAndRanges) {
  const Case cases[] = {
      // ? is one character, * any run, # one digit.
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"abbc", "a?c", false},
      {"", "*", true},
      {"", "", true},
      {"a", "", false},
      {"abc", "a*", true},
      {"abc", "*c", true},
      {"abc", "*b*", true},
      {"abc", "*d*", false},
      {"abc", "a**c", true},
      {"a1c", "a#c", true},
      {"abc", "a#c", false},
      {"a12", "a##", true},
      {"a\xD9\xA3", "a#", false},  // an Arabic-Indic three is no digit 0-9
      // Every digit from 0 to 9, and not the characters either side of them ("/" and ":").
      {"0", "#", true},
      {"9", "#", true},
      {"/", "#", false},
      {":", "#", false},
      {"a0c", "a#c", true},
      {"a9c", "a#c", true},
      {"a/c", "a#c", false},
      {"a:c", "a#c", false},
      {"/0:", "/#:", true},
      {"/9:", "/#:", true},
      {"09", "##", true},
      {"0:", "##", false},
      {"/9", "##", false},
      {"12/30/99", "##/##/##", true},
      {"12:30", "##/##", false},
      // Lists: one character of the list, or (with !) one not in it.
      {"qx", "[qz]x", true},
      {"zx", "[qz]x", true},
      {"ax", "[qz]x", false},
      {"b", "[a-c]", true},
      {"d", "[a-c]", false},
      {"d", "[!a-c]", true},
      {"b", "[!a-c]", false},
      {"", "[!a-c]", false},
      {"x7", "[a-cx-z][0-9]", true},
      // Wildcards in a list, and "]" outside one, stand for themselves.
      {"*x", "[*]x", true},
      {"ax", "[*]x", false},
      {"?", "[?]", true},
      {"a", "[?]", false},
      {"#", "[#]", true},
      {"1", "[#]", false},
      {"[", "[[]", true},
      {"a]", "a]", true},
      // "[]" is the empty run; "-" first or last is itself; "!" after the first is itself.
      {"ab", "a[]b", true},
      {"a", "[]a", true},
      {"-", "[-a]", true},
      {"a", "[-a]", true},
      {"-", "[a-]", true},
      {"!", "[a!]", true},
      {"x", "[!!]", true},
      {"!", "[!!]", false},
      {"x", "[!]", true},
      {"", "[!]", false},
      // A "[" without "]" is itself; a falling range holds nothing.
      {"a[b", "a[b", true},
      {"ab", "a[b", false},
      {"c", "[c-a]", false},
      {"c", "[c-a]*", false},
      // Case is ignored for the letters of Windows-1252, accented ones included.
      {"café", "CAFÉ", true},
      {"CAFÉ", "*é*", true},
      {"Œuvre", "œ*", true},
      {"šž", "ŠŽ", true},
      {"ÿ", "Ÿ", true},
      {"Ø", "ø", true},
      {"×", "÷", false},  // not letters, not a case pair
      {"ß", "SS", false},
      {"É", "[à-ï]", true},
      {"é", "[À-Ï]", true},
      // Ranges follow the Windows-1252 codes; characters it lacks come after all of them.
      {"z", "[a-é]", true},
      {"€", "[€-‚]", true},
      {"ƒ", "[€-‚]", false},
      {"Ā", "[à-ÿ]", false},
      {"Ā", "[à-Ā]", true},
      // Bytes that are not UTF-8 are characters of their own.
      {"\xFF", "?", true},
      {"a\xC3", "a?", true},
      {"\xC3\xA9", "?", true},
      {"\xE2\x82", "??", true},
      // Backtracking over several stars.
      {"aaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*b", true},
      {"aaaaaaaaaaaaaaaaaaaaaaac", "*a*a*a*a*a*b", false},
      {"mississippi", "m*iss*p?i", true},
      {"mississippi", "m*iss*p#i", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JetLike(c.text, c.pattern), c.matches)
        << "'" << c.text << "' LIKE '" << c.pattern << "'";
  }
}

TEST(JetLike, FoldsTheCapitalsOfWindows1252Only) {
  EXPECT_EQ(JetFoldCase(U'A'), U'a');
  EXPECT_EQ(JetFoldCase(U'Z'), U'z');
  EXPECT_EQ(JetFoldCase(U'a'), U'a');
  EXPECT_EQ(JetFoldCase(0xC0), 0xE0u);  // À
  EXPECT_EQ(JetFoldCase(0xDE), 0xFEu);  // Þ
  EXPECT_EQ(JetFoldCase(0xD7), 0xD7u);  // ×
  EXPECT_EQ(JetFoldCase(0xDF), 0xDFu);  // ß has no capital here
  EXPECT_EQ(JetFoldCase(0x0160), 0x0161u);
  EXPECT_EQ(JetFoldCase(0x0152), 0x0153u);
  EXPECT_EQ(JetFoldCase(0x017D), 0x017Eu);
  EXPECT_EQ(JetFoldCase(0x0178), 0x00FFu);
  EXPECT_EQ(JetFoldCase(0x0100), 0x0100u);  // Ā is not in Windows-1252
  EXPECT_EQ(JetFoldCase(0x0391), 0x0391u);  // Greek capital alpha neither
}

// LIKE on a connection runs the matcher: NULL on either side gives NULL, numbers match in their
// text form, and the pattern of a column works as well as a literal.
TEST(JetLike, ReplacesSqlitesLikeOnAConnection) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  ASSERT_EQ(RegisterJetLike(db), SQLITE_OK);
  auto value = [&](const char* sql) {
    sqlite3_stmt* s = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &s, nullptr), SQLITE_OK) << sql;
    EXPECT_EQ(sqlite3_step(s), SQLITE_ROW) << sql;
    const int type = sqlite3_column_type(s, 0);
    const int v = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    return type == SQLITE_NULL ? -1 : v;
  };
  EXPECT_EQ(value("SELECT 'qx' LIKE '[qz]x'"), 1);
  EXPECT_EQ(value("SELECT 'ax' LIKE '[qz]x'"), 0);
  EXPECT_EQ(value("SELECT 'café au lait' LIKE '*CAFÉ*'"), 1);
  EXPECT_EQ(value("SELECT 'a_c' LIKE 'a%c'"), 0);  // % and _ are no wildcards of Jet's
  EXPECT_EQ(value("SELECT 'abc' NOT LIKE 'a#c'"), 1);
  EXPECT_EQ(value("SELECT NULL LIKE '*'"), -1);
  EXPECT_EQ(value("SELECT 'a' LIKE NULL"), -1);
  EXPECT_EQ(value("SELECT 265.25 LIKE '26#.2*'"), 1);
  EXPECT_EQ(value("SELECT 'x5' LIKE p FROM (SELECT '?#' AS p)"), 1);
  sqlite3_close(db);
}

}  // namespace
}  // namespace orv
