#pragma once

#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace orv {

// The LIKE of the flow bench's database engine, over the UTF-8 text the tables are loaded with.
//
// Pattern characters:
//   ?          any one character
//   *          any run of characters, the empty run included
//   #          any one digit 0-9
//   [list]     any one character of the list, which holds characters and ranges ("a-z")
//   [!list]    any one character not in the list
//   []         nothing: it matches the empty run
// Inside a list "[", "?", "*" and "#" stand for themselves, "!" does except as the first
// character, "-" does as the first or the last character. Outside a list "]" stands for
// itself. A "[" without its "]" stands for itself too, and a range whose ends are in falling
// order holds no character.
//
// Letters compare without regard to case over the whole of Windows-1252: A-Z, the accented
// capitals À-Þ (× excepted), Š, Œ, Ž and Ÿ match their small letters. A range holds the
// characters whose Windows-1252 code lies between the codes of its ends, both taken as small
// letters; characters Windows-1252 lacks come after all of its characters, in the order of
// their Unicode numbers. Bytes that are not UTF-8 count as one character each.
bool JetLike(std::string_view text, std::string_view pattern);

// A pattern read once and matched against many texts.
class JetLikePattern final {
 public:
  explicit JetLikePattern(std::string_view pattern);
  bool Matches(std::string_view text) const;

 private:
  struct Element;
  std::vector<Element> elements_;
  std::vector<char32_t> setItems_;  // the characters and range ends of every list, in pairs
};

// The Unicode character's small letter when it is one of the capitals of Windows-1252 (itself
// otherwise).
char32_t JetFoldCase(char32_t c) noexcept;

// Makes `X LIKE Y` on the connection run Jet's LIKE (SQLite's own is replaced). Returns the
// SQLite result code.
int RegisterJetLike(sqlite3* db);

}  // namespace orv
