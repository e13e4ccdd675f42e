#pragma once

#include <cstdint>
#include <optional>
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
// - LIKE stays as written: the connections the queries run on match it with Jet's own pattern
//   language (jet_like.h), so the pattern is kept as it is;
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

// What a query reads, as far as loading tables for it goes: its names (as `JetSqlNames`), whether
// it has a "*" outside its literals (so that it may read every column), and, for a query of the
// form "SELECT [ALL] columns FROM table WHERE [table.]column = whole number [;]" (the reads of
// one test), the table, the column and the number.
struct JetKeyLookup {
  std::string table;
  std::string column;
  std::int64_t value = 0;
};
struct JetQueryShape {
  std::vector<std::string> names;
  bool star = false;
  std::optional<JetKeyLookup> lookup;
};
JetQueryShape AnalyzeJetSql(std::string_view jetSql);

// `text` as a Jet SQL text literal: in single quotes, each quote inside doubled, so that no
// typed value can end the literal early.
std::string JetQuoted(std::string_view text);

}  // namespace orv
