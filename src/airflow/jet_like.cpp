#include "airflow/jet_like.h"

#include <sqlite3.h>

#include <cstdint>
#include <new>
#include <optional>

namespace orv {

namespace {

// Code points of the bytes 0x80..0x9F of Windows-1252 (the five bytes it leaves undefined read
// as the C1 control of the same value).
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Characters that are not UTF-8 are the bytes themselves, moved where no character is.
constexpr char32_t kStrayByteBase = 0x110000;

// The next character of UTF-8 text at `i` (advanced past it). A byte that does not start a
// well-formed sequence (a stray continuation byte, a sequence cut short, an over-long form, a
// surrogate, a value above U+10FFFF) is one character of its own.
char32_t NextCharacter(std::string_view s, std::size_t& i) noexcept {
  const auto b0 = static_cast<std::uint8_t>(s[i]);
  auto stray = [&] {
    ++i;
    return kStrayByteBase + b0;
  };
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  std::size_t length;
  char32_t c;
  char32_t least;
  if ((b0 & 0xE0) == 0xC0) {
    length = 2, c = b0 & 0x1F, least = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, c = b0 & 0x0F, least = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, c = b0 & 0x07, least = 0x10000;
  } else {
    return stray();
  }
  if (i + length > s.size()) return stray();
  for (std::size_t k = 1; k < length; ++k) {
    const auto b = static_cast<std::uint8_t>(s[i + k]);
    if ((b & 0xC0) != 0x80) return stray();
    c = (c << 6) | (b & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return stray();
  i += length;
  return c;
}

// The place of a character in the order of ranges: its Windows-1252 code, or for characters
// that code page lacks 256 plus their number.
std::uint32_t OrderKey(char32_t c) noexcept {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (std::uint32_t k = 0; k < 32; ++k) {
    if (kCp1252High[k] == c) return 0x80 + k;
  }
  return 0x100 + c;
}

std::uint32_t FoldedKey(char32_t c) noexcept { return OrderKey(JetFoldCase(c)); }

bool IsDigitKey(std::uint32_t key) noexcept { return key >= '0' && key <= '9'; }

}  // namespace

char32_t JetFoldCase(char32_t c) noexcept {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  switch (c) {
    case 0x0160:  // Š
    case 0x0152:  // Œ
    case 0x017D:  // Ž
      return c + 1;
    case 0x0178:  // Ÿ
      return 0x00FF;
    default:
      return c;
  }
}

// One step of a pattern. Every kind but `Star` takes exactly one character of the text.
struct JetLikePattern::Element {
  enum class Kind : std::uint8_t { Char, Any, Digit, Star, Set, NotSet };
  Kind kind;
  std::uint32_t key = 0;    // Char: the folded character's order key
  std::uint32_t first = 0;  // Set, NotSet: the first pair of `setItems_` and their count
  std::uint32_t count = 0;
};

JetLikePattern::JetLikePattern(std::string_view pattern) {
  using Kind = Element::Kind;
  std::vector<char32_t> chars;
  for (std::size_t i = 0; i < pattern.size();) chars.push_back(NextCharacter(pattern, i));
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const char32_t c = chars[i];
    if (c == '*') {
      // Runs of stars match what one star matches.
      if (elements_.empty() || elements_.back().kind != Kind::Star) {
        elements_.push_back({Kind::Star});
      }
      continue;
    }
    if (c == '?') {
      elements_.push_back({Kind::Any});
      continue;
    }
    if (c == '#') {
      elements_.push_back({Kind::Digit});
      continue;
    }
    std::size_t close = chars.size();
    if (c == '[') {
      for (std::size_t k = i + 1; k < chars.size(); ++k) {
        if (chars[k] == ']') {
          close = k;
          break;
        }
      }
    }
    if (close == chars.size()) {
      elements_.push_back({Kind::Char, FoldedKey(c)});
      continue;
    }
    std::size_t k = i + 1;
    const bool negated = k < close && chars[k] == '!';
    if (negated) ++k;
    if (!negated && k == close) {
      // "[]" matches the empty run: it adds no step.
      i = close;
      continue;
    }
    Element set{negated ? Kind::NotSet : Kind::Set};
    set.first = static_cast<std::uint32_t>(setItems_.size() / 2);
    while (k < close) {
      const char32_t low = chars[k];
      char32_t high = low;
      if (k + 2 < close && chars[k + 1] == '-') {
        high = chars[k + 2];
        k += 3;
      } else {
        k += 1;
      }
      setItems_.push_back(FoldedKey(low));
      setItems_.push_back(FoldedKey(high));
      ++set.count;
    }
    elements_.push_back(set);
    i = close;
  }
}

bool JetLikePattern::Matches(std::string_view text) const {
  using Kind = Element::Kind;
  std::vector<std::uint32_t> keys;
  keys.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) keys.push_back(FoldedKey(NextCharacter(text, i)));

  auto takes = [&](const Element& e, std::uint32_t key) {
    switch (e.kind) {
      case Kind::Char:
        return key == e.key;
      case Kind::Any:
        return true;
      case Kind::Digit:
        return IsDigitKey(key);
      case Kind::Set:
      case Kind::NotSet: {
        bool in = false;
        for (std::uint32_t k = 0; k < e.count && !in; ++k) {
          const std::size_t at = 2 * (e.first + k);
          in = setItems_[at] <= key && key <= setItems_[at + 1];
        }
        return in == (e.kind == Kind::Set);
      }
      case Kind::Star:
        break;
    }
    return false;
  };

  // Every step but a star takes one character, so on a mismatch only the last star needs to
  // take one character more (the classic wildcard walk, at most text x pattern steps).
  const std::size_t n = keys.size();
  const std::size_t m = elements_.size();
  std::size_t t = 0, p = 0;
  std::size_t starStep = m, starText = 0;
  while (t < n) {
    if (p < m && elements_[p].kind == Kind::Star) {
      starStep = p++;
      starText = t;
    } else if (p < m && takes(elements_[p], keys[t])) {
      ++p;
      ++t;
    } else if (starStep < m) {
      p = starStep + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (p < m && elements_[p].kind == Kind::Star) ++p;
  return p == m;
}

bool JetLike(std::string_view text, std::string_view pattern) {
  return JetLikePattern(pattern).Matches(text);
}

namespace {

void DeletePattern(void* p) { delete static_cast<JetLikePattern*>(p); }

std::string_view TextOf(sqlite3_value* v) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
  const int n = sqlite3_value_bytes(v);
  return p == nullptr ? std::string_view() : std::string_view(p, static_cast<std::size_t>(n));
}

// like(pattern, text), as SQLite calls it for `text LIKE pattern`. NULL on either side gives
// NULL; numbers are matched in their text form. A pattern that stays the same for a whole
// query is read once and kept with the query.
void LikeFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  try {
    const auto* kept = static_cast<const JetLikePattern*>(sqlite3_get_auxdata(context, 0));
    std::optional<JetLikePattern> read;
    if (kept == nullptr) {
      read.emplace(TextOf(argv[0]));
      sqlite3_set_auxdata(context, 0, new JetLikePattern(*read), DeletePattern);
    }
    const JetLikePattern& pattern = kept != nullptr ? *kept : *read;
    sqlite3_result_int(context, pattern.Matches(TextOf(argv[1])) ? 1 : 0);
  } catch (const std::bad_alloc&) {
    sqlite3_result_error_nomem(context);
  }
}

}  // namespace

int RegisterJetLike(sqlite3* db) {
  return sqlite3_create_function_v2(db, "like", 2,
                                    SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                    LikeFunction, nullptr, nullptr, nullptr);
}

}  // namespace orv
