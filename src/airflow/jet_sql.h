#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/date_text.h"

namespace orv {

// Translation of the Jet SQL the program builds into the dialect of SQLite, which runs it on
// the tables loaded from the database file:
//
// - date literals #...#, written in the system's short date form, become the day numbers the
//   tables hold (read in the same form they were written in);
// - True and False become 1 and 0 (flags are loaded as 0 and 1);
// - the pattern after LIKE: "*" becomes "%", "?" becomes "_", "[c]" the character c, and the
//   characters SQLite would take as wildcards are escaped (ESCAPE '\'); "#" (a digit) and
//   character lists "[a-z]" have no SQLite form and match any one character;
// - text in double quotes becomes text in single quotes; "&" (joining texts) becomes "||";
// - SELECT ALL becomes SELECT.
// Parenthesised joins and UNION with ORDER BY need no change: SQLite reads them as written.
//
// Raises error 3075 for a text or date literal that is not closed and for a date that is not
// valid.
std::string TranslateJetSql(std::string_view jetSql, const ShortDateFormat& dates);

// The names in a query outside its literals (plain words and the contents of [brackets]),
// among them the tables the query reads.
std::vector<std::string> JetSqlNames(std::string_view jetSql);

// A Jet LIKE pattern in SQLite's form with "\" as the escape character.
std::string JetLikePatternToSqlite(std::string_view pattern);

// `text` as a Jet SQL text literal: in single quotes, each quote inside doubled, so that no
// typed value can end the literal early.
std::string JetQuoted(std::string_view text);

}  // namespace orv
